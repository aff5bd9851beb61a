#pragma once

#include "imaging/Color.h"
#include "imaging/Effects.h"
#include "imaging/Image.h"
#include "writers/Generation.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

namespace glyphon {

// The platforms whose home screens, docks and tab strips the appearances show, in the order they are shown.
enum class AppearanceGroup { IOS, WatchOS, MacOS, Android, Web };

inline constexpr AppearanceGroup allAppearanceGroups[] = {AppearanceGroup::IOS, AppearanceGroup::WatchOS,
                                                          AppearanceGroup::MacOS, AppearanceGroup::Android,
                                                          AppearanceGroup::Web};

// "iOS", "watchOS", "macOS", "Android", "Web".
QString appearanceGroupName(AppearanceGroup group);

// The pictures the tiles are made from, each with the effects already applied.
struct AppearanceInputs {
    // The icon as every classic set is cut from it; a picture that is not square is squashed to a square,
    // as the sets squash it.
    Image art;
    // The art without the rounded corners, for the platforms that cut their own shape (iOS, watchOS, the
    // web's maskable icon), and with the tint alone, as the Android adaptive layers take it (their inset
    // stands in for the padding). A null picture is the one before it.
    Image unrounded;
    Image adaptive;
    // What fills the transparent parts of the icons that must be opaque.
    Color background = defaultBackground;
    // The art's inset in the 108 dp adaptive layers.
    double androidInsetDp = defaultAndroidInsetDp;
    // Hand-made pictures that replace the ones derived from the art.
    std::optional<Image> darkSource;
    std::optional<Image> tintedSource;
    std::optional<Image> monochromeSource;
};

// The run's inputs as the tiles see them: the source and each hand-made picture reduced to 512 px, half the
// effects' canvas, then the effects applied to each at that scale, so the hand-made pictures stay in
// register with the source.
AppearanceInputs appearanceInputs(const GenerationInputs &inputs);

struct AppearanceOptions {
    QList<AppearanceGroup> groups{std::begin(allAppearanceGroups), std::end(allAppearanceGroups)};
    // Draws each platform's safe area over its icons.
    bool safeZones = false;
};

// One picture of the icon as a platform shows it, on its own backdrop, one pixel per point.
struct AppearanceTile {
    AppearanceGroup group = AppearanceGroup::IOS;
    // "iOS · dark", "Android · themed · circle", …
    QString label;
    QImage image;
};

// Every tile of the chosen groups, in a fixed order; the tiles are rendered in parallel from one reduction
// of the art. Nothing when there is no art.
QList<AppearanceTile> renderAppearances(const AppearanceInputs &inputs,
                                        const AppearanceOptions &options = {});

// Where a sheet of tiles puts each thing, for a given width: a heading above each group's tiles, the tiles
// in rows that wrap, each label centred under its tile.
struct SheetMetrics {
    int width = 1040;
    int margin = 24;
    int spacing = 16;
    int labelGap = 6;
    int labelHeight = 16;
    int headingHeight = 22;
    int sectionGap = 20;
};

struct SheetLayout {
    struct Heading {
        AppearanceGroup group;
        QRect rect;
    };
    QList<Heading> headings;
    // One of each per tile, in the tiles' order.
    QList<QRect> tiles;
    QList<QRect> labels;
    QSize size;
};

// `labelWidth` measures a label in the font it is drawn in; without it a label is as wide as its tile.
SheetLayout layoutSheet(const QList<AppearanceTile> &tiles, const SheetMetrics &metrics,
                        const std::function<int(const QString &)> &labelWidth = {});

// The colours of the sheet, which are the window's: a dark ground, white headings, grey labels.
QColor sheetBackground();
QColor sheetHeadingColor();
QColor sheetLabelColor();

// The tiles on one picture, for pull requests and CI artefacts, laid out by composedLayout: layoutSheet
// with the metrics of the sheet's own fonts. Both need a running QGuiApplication for the text.
QImage composeSheet(const QList<AppearanceTile> &tiles, int width = SheetMetrics{}.width);
SheetLayout composedLayout(const QList<AppearanceTile> &tiles, int width = SheetMetrics{}.width);

} // namespace glyphon
