#include "preview/AppearanceSheet.h"

#include "TestSupport.h"
#include "imaging/Renderer.h"
#include "imaging/Variants.h"
#include "writers/Generation.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace glyphon::test {
namespace {

constexpr Color red{1.0, 0.0, 0.0, 1.0};
constexpr Color white{1.0, 1.0, 1.0, 1.0};

// A white disc, a fifth of the edge across, on a transparent square: the art of an emoji-like icon.
Image discArt(int edge = 1024, const QColor &color = Qt::white) {
    QImage canvas = filled(edge, Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(edge / 2.0, edge / 2.0), edge * 0.1, edge * 0.1);
    painter.end();
    return Image(canvas);
}

const AppearanceTile &tileNamed(const QList<AppearanceTile> &tiles, const QString &label) {
    for (const AppearanceTile &tile : tiles)
        if (tile.label == label)
            return tile;
    ADD_FAILURE() << "no tile " << label.toStdString();
    static const AppearanceTile none;
    return none;
}

bool near(QRgb pixel, const QColor &color, int tolerance = 6) {
    return qAbs(qRed(pixel) - color.red()) <= tolerance && qAbs(qGreen(pixel) - color.green()) <= tolerance &&
           qAbs(qBlue(pixel) - color.blue()) <= tolerance;
}

QList<AppearanceTile> tilesOf(const Image &art, Color background = white, bool safeZones = false) {
    AppearanceInputs inputs;
    inputs.art = art;
    inputs.background = background;
    AppearanceOptions options;
    options.safeZones = safeZones;
    return renderAppearances(inputs, options);
}

TEST(AppearanceSheet, everyPlatformHasItsLabelledTilesInOrder) {
    const QList<AppearanceTile> tiles = tilesOf(Image(filled(1024, Qt::red)));
    const struct {
        const char *label;
        QSize size;
    } expected[] = {
        {"iOS · light", {220, 220}},
        {"iOS · dark", {220, 220}},
        {"iOS · tinted", {220, 220}},
        {"iOS · light · 360 px", {400, 400}},
        {"watchOS · circle", {240, 240}},
        {"macOS · light Dock", {400, 280}},
        {"macOS · dark Dock", {400, 280}},
        {"Android · full colour · circle", {224, 112}},
        {"Android · themed · circle", {224, 112}},
        {"Android · full colour · squircle", {224, 112}},
        {"Android · themed · squircle", {224, 112}},
        {"Android · full colour · rounded square", {224, 112}},
        {"Android · themed · rounded square", {224, 112}},
        {"Android · full colour · 4-sided cookie", {224, 112}},
        {"Android · themed · 4-sided cookie", {224, 112}},
        {"Android · full colour · 7-sided cookie", {224, 112}},
        {"Android · themed · 7-sided cookie", {224, 112}},
        {"Android · full colour · arch", {224, 112}},
        {"Android · themed · arch", {224, 112}},
        {"Web · maskable · circle", {224, 112}},
        {"Web · maskable · rounded square", {224, 112}},
        {"Web · favicon · light", {224, 138}},
        {"Web · favicon · dark", {224, 138}},
    };
    ASSERT_EQ(tiles.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        EXPECT_EQ(tiles[i].label, QString::fromUtf8(expected[i].label));
        EXPECT_EQ(tiles[i].image.size(), expected[i].size) << expected[i].label;
    }
    EXPECT_EQ(tiles.first().group, AppearanceGroup::IOS);
    EXPECT_EQ(tiles.last().group, AppearanceGroup::Web);

    AppearanceInputs inputs;
    inputs.art = Image(filled(64, Qt::red));
    AppearanceOptions webAndWatch;
    webAndWatch.groups = {AppearanceGroup::Web, AppearanceGroup::WatchOS};
    const QList<AppearanceTile> some = renderAppearances(inputs, webAndWatch);
    ASSERT_EQ(some.size(), 5);
    EXPECT_EQ(some.first().label, QStringLiteral("watchOS · circle"));
    EXPECT_TRUE(renderAppearances(AppearanceInputs{}).isEmpty());
}

TEST(AppearanceSheet, eachIconIsCutToItsPlatformsShapeOnItsBackdrop) {
    const QList<AppearanceTile> tiles = tilesOf(Image(filled(1024, Qt::red)), Color{0.0, 0.0, 1.0, 1.0});
    // iOS: the icon is 180 px at (20, 20); its square's corner is cut away to the wallpaper.
    const QImage &ios = tileNamed(tiles, QStringLiteral("iOS · light")).image;
    EXPECT_TRUE(near(ios.pixel(110, 110), Qt::red));
    EXPECT_TRUE(near(ios.pixel(21, 110), Qt::red));
    EXPECT_FALSE(near(ios.pixel(21, 21), Qt::red, 60));
    EXPECT_FALSE(near(ios.pixel(10, 110), Qt::red, 60));
    // watchOS: a 196 px circle at (22, 22) on black.
    const QImage &watch = tileNamed(tiles, QStringLiteral("watchOS · circle")).image;
    EXPECT_TRUE(near(watch.pixel(120, 120), Qt::red));
    EXPECT_TRUE(near(watch.pixel(40, 40), Qt::black));
    // Android: opaque art is the background layer, edge to edge. A 4-sided cookie dips in the middle of
    // each side, a circle does not.
    const int top = 12 + 3; // three pixels into the 88 px icon at (12, 12)
    EXPECT_TRUE(near(tileNamed(tiles, QStringLiteral("Android · full colour · circle")).image.pixel(56, top),
                     Qt::red));
    EXPECT_FALSE(
        near(tileNamed(tiles, QStringLiteral("Android · full colour · 4-sided cookie")).image.pixel(56, top),
             Qt::red, 60));
    EXPECT_TRUE(near(tileNamed(tiles, QStringLiteral("Android · full colour · circle")).image.pixel(56, 56),
                     Qt::red));
    // macOS does not mask: the Dock shows the whole square, on Apple's grid of 824 in 1024 (102 of 128 px).
    const QImage &dock = tileNamed(tiles, QStringLiteral("macOS · light Dock")).image;
    const int slot = 4 + (392 - (3 * 128 + 2 * 8)) / 2 + 128 + 8;
    EXPECT_TRUE(near(dock.pixel(slot + 13, 16 + 8 + 13), Qt::red));
    EXPECT_TRUE(near(dock.pixel(slot + 114, 16 + 8 + 114), Qt::red));
    EXPECT_FALSE(near(dock.pixel(slot + 11, 16 + 8 + 64), Qt::red, 60));
    EXPECT_FALSE(near(dock.pixel(slot + 116, 16 + 8 + 64), Qt::red, 60));
}

TEST(AppearanceSheet, theLauncherAndTheMaskableIconFollowWhatTheWritersMake) {
    // The inset sets the foreground's square: at 0 dp the 108 dp layer's art overfills the 72 dp icon, at
    // 42 dp it is 24 dp of 72 (29 of 88 px).
    AppearanceInputs inputs;
    inputs.art = Image([] {
        QImage art = filled(512, Qt::transparent);
        QPainter(&art).fillRect(QRect(32, 32, 448, 448), Qt::blue);
        return art;
    }());
    inputs.background = red;
    AppearanceOptions android;
    android.groups = {AppearanceGroup::Android};
    const QString square = QStringLiteral("Android · full colour · rounded square");
    inputs.androidInsetDp = 42;
    const QImage small = tileNamed(renderAppearances(inputs, android), square).image;
    EXPECT_TRUE(near(small.pixel(12 + 44, 12 + 44), Qt::blue));
    EXPECT_TRUE(near(small.pixel(12 + 44, 12 + 20), Qt::red));
    inputs.androidInsetDp = 0;
    const QImage large = tileNamed(renderAppearances(inputs, android), square).image;
    EXPECT_TRUE(near(large.pixel(12 + 44, 12 + 6), Qt::blue));
    EXPECT_TRUE(near(large.pixel(12 + 44, 12 + 20), Qt::blue));

    // The web's maskable tile shows the picture the modern web set writes, cut to the circle.
    AppearanceOptions web;
    web.groups = {AppearanceGroup::Web};
    const QImage tile =
        tileNamed(renderAppearances(inputs, web), QStringLiteral("Web · maskable · circle")).image;
    const QImage written = maskableVariant(inputs.art, red, 88).bitmap();
    for (const QPoint at : {QPoint(44, 44), QPoint(44, 10), QPoint(20, 44), QPoint(30, 30)})
        EXPECT_TRUE(near(tile.pixel(at + QPoint(12, 12)), written.pixel(at), 2)) << at.x() << "," << at.y();
}

TEST(AppearanceSheet, transparentArtShowsEachLooksGround) {
    const QList<AppearanceTile> tiles = tilesOf(discArt(), red);
    // Inside the iOS mask but beside the disc: the background in light, the system's dark ground in dark
    // and tinted; the white disc is white in light and the tint colour when tinted.
    const QPoint beside(20 + 40, 20 + 90);
    const QPoint centre(110, 110);
    const QImage &light = tileNamed(tiles, QStringLiteral("iOS · light")).image;
    EXPECT_TRUE(near(light.pixel(beside), Qt::red));
    EXPECT_TRUE(near(light.pixel(centre), Qt::white));
    const QImage &dark = tileNamed(tiles, QStringLiteral("iOS · dark")).image;
    EXPECT_LT(QColor(dark.pixel(beside)).lightness(), 60);
    EXPECT_TRUE(near(dark.pixel(centre), Qt::white));
    const QImage &tinted = tileNamed(tiles, QStringLiteral("iOS · tinted")).image;
    EXPECT_LT(QColor(tinted.pixel(beside)).lightness(), 60);
    // The system tints the grey picture: the white disc in the tint's colour, darkened by the picture's
    // top-to-bottom fall of light.
    const QColor tint = tinted.pixel(centre);
    const double level = tint.redF();
    EXPECT_GT(level, 0.7);
    EXPECT_NEAR(tint.green(), 0xc2 * level, 4);
    EXPECT_NEAR(tint.blue(), 0x4b * level, 4);

    // Android at 88 px in two 112 px panels: the art's square inside the 66 dp circle, the rest the
    // background; themed, the system's container colour and the silhouette in its foreground colour.
    const QPoint iconTop(12 + 44, 12 + 8);
    const QPoint iconCentre(12 + 44, 12 + 44);
    const QImage &colour = tileNamed(tiles, QStringLiteral("Android · full colour · squircle")).image;
    EXPECT_TRUE(near(colour.pixel(iconTop), Qt::red));
    EXPECT_TRUE(near(colour.pixel(iconTop + QPoint(112, 0)), Qt::red));
    EXPECT_TRUE(near(colour.pixel(iconCentre), Qt::white));
    const QImage &themed = tileNamed(tiles, QStringLiteral("Android · themed · squircle")).image;
    EXPECT_TRUE(near(themed.pixel(iconTop), QColor(0xd8, 0xe2, 0xff)));
    EXPECT_TRUE(near(themed.pixel(iconCentre), QColor(0x1f, 0x3a, 0x6e)));
    EXPECT_TRUE(near(themed.pixel(iconTop + QPoint(112, 0)), QColor(0x2a, 0x33, 0x47)));
    EXPECT_TRUE(near(themed.pixel(iconCentre + QPoint(112, 0)), QColor(0xc9, 0xd7, 0xf7)));
    // The web's maskable icon is filled with the background too.
    EXPECT_TRUE(
        near(tileNamed(tiles, QStringLiteral("Web · maskable · circle")).image.pixel(iconTop), Qt::red));
}

TEST(AppearanceSheet, safeZonesAreOutlinedOnlyWhenAsked) {
    const Image art = discArt(1024, Qt::blue);
    const QList<AppearanceTile> plain = tilesOf(art);
    const QList<AppearanceTile> zoned = tilesOf(art, white, true);
    ASSERT_EQ(plain.size(), zoned.size());
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const bool favicon = plain[i].label.contains(QStringLiteral("favicon"));
        EXPECT_EQ(plain[i].image == zoned[i].image, favicon) << plain[i].label.toStdString();
    }
    // The 66 dp circle of a 72 dp icon of 88 px: its top at 3.7 px into the icon, drawn in a strong pink.
    const QImage &android = tileNamed(zoned, QStringLiteral("Android · full colour · circle")).image;
    bool outlined = false;
    for (int y = 12 + 2; y <= 12 + 5; ++y)
        outlined = outlined || near(android.pixel(56, y), QColor(0xff, 0x2d, 0x55), 40);
    EXPECT_TRUE(outlined);
    for (int y = 12 + 2; y <= 12 + 5; ++y)
        EXPECT_TRUE(
            near(tileNamed(plain, QStringLiteral("Android · full colour · circle")).image.pixel(56, y),
                 Qt::white));
}

TEST(AppearanceSheet, handMadePicturesReplaceTheDerivedOnes) {
    AppearanceInputs inputs;
    inputs.art = discArt();
    const QList<AppearanceTile> derived = renderAppearances(inputs);
    inputs.darkSource = Image(filled(512, Qt::green));
    inputs.monochromeSource = Image(filled(512, Qt::white));
    const QList<AppearanceTile> handMade = renderAppearances(inputs);
    // The dark picture fills the icon; the light one is still the art's.
    const QPoint beside(20 + 40, 20 + 90);
    EXPECT_TRUE(near(tileNamed(handMade, QStringLiteral("iOS · dark")).image.pixel(beside), Qt::green));
    EXPECT_EQ(tileNamed(handMade, QStringLiteral("iOS · light")).image,
              tileNamed(derived, QStringLiteral("iOS · light")).image);
    // An opaque monochrome picture is a full square silhouette: the themed icon is its foreground
    // colour all over the art's square.
    const QPoint inArtSquare(12 + 20, 12 + 20);
    EXPECT_TRUE(near(
        tileNamed(handMade, QStringLiteral("Android · themed · rounded square")).image.pixel(inArtSquare),
        QColor(0x1f, 0x3a, 0x6e)));
    EXPECT_TRUE(
        near(tileNamed(derived, QStringLiteral("Android · themed · rounded square")).image.pixel(inArtSquare),
             QColor(0xd8, 0xe2, 0xff)));
}

TEST(AppearanceSheet, theRunsInputsAreShownWithTheirEffects) {
    GenerationInputs run;
    run.source = Image(filled(1024, Qt::red));
    run.effects.withPadding = true;
    run.effects.paddingPx = 200;
    run.darkSource = Image(filled(1024, Qt::green));
    run.background = red;
    // Reduced to 512 px, half the effects' canvas, where the padding is 100 whole pixels.
    const AppearanceInputs inputs = appearanceInputs(run);
    ASSERT_EQ(inputs.art.bitmap().size(), QSize(512, 512));
    EXPECT_EQ(qAlpha(inputs.art.bitmap().pixel(99, 256)), 0);
    EXPECT_EQ(qAlpha(inputs.art.bitmap().pixel(100, 256)), 255);
    ASSERT_TRUE(inputs.darkSource.has_value());
    EXPECT_EQ(qAlpha(inputs.darkSource->bitmap().pixel(99, 256)), 0);
    EXPECT_EQ(inputs.darkSource->bitmap().pixel(256, 256), qRgb(0, 255, 0));
    // With corners too, made on the 1024 canvas and halved the picture is the same but for a little along
    // the antialiased edges.
    run.effects.withRoundedCorners = true;
    const QImage full = resizeImage(applyEffects(run.source, run.effects), 512, 512)->bitmap();
    const QImage half = appearanceInputs(run).art.bitmap();
    int apart = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            apart = std::max(apart, qAbs(qAlpha(full.pixel(x, y)) - qAlpha(half.pixel(x, y))));
    EXPECT_LE(apart, 24);
    EXPECT_EQ(inputs.background, red);
    EXPECT_FALSE(inputs.tintedSource.has_value());

    // A picture that is not square is squashed to the icon's square, as the sets squash it.
    AppearanceInputs wide;
    wide.art = Image([] {
        QImage image(300, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::red);
        return image;
    }());
    const QList<AppearanceTile> squashed = renderAppearances(wide);
    const QImage &ios = tileNamed(squashed, QStringLiteral("iOS · light")).image;
    EXPECT_TRUE(near(ios.pixel(110, 30), Qt::red));
}

TEST(AppearanceSheet, theSameInputsGiveTheSamePixels) {
    const QList<AppearanceTile> first = tilesOf(discArt(700, Qt::magenta), red, true);
    const QList<AppearanceTile> second = tilesOf(discArt(700, Qt::magenta), red, true);
    ASSERT_EQ(first.size(), second.size());
    for (qsizetype i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i].image, second[i].image) << first[i].label.toStdString();
}

TEST(AppearanceSheet, theLayoutWrapsRowsUnderOneHeadingPerPlatform) {
    const QList<AppearanceTile> tiles = tilesOf(Image(filled(256, Qt::red)));
    SheetMetrics metrics;
    metrics.width = 600;
    const auto wideLabels = [](const QString &text) { return int(text.size()) * 7; };
    const SheetLayout layout = layoutSheet(tiles, metrics, wideLabels);
    ASSERT_EQ(layout.tiles.size(), tiles.size());
    ASSERT_EQ(layout.headings.size(), 5);
    for (qsizetype i = 0; i < layout.headings.size(); ++i)
        EXPECT_EQ(layout.headings[i].group, allAppearanceGroups[i]);
    // Two 220 px iOS tiles fit in 600 less the margins, the third wraps below them.
    EXPECT_EQ(layout.tiles[1].top(), layout.tiles[0].top());
    EXPECT_GT(layout.tiles[2].top(), layout.labels[0].bottom());
    EXPECT_EQ(layout.tiles[2].left(), layout.tiles[0].left());
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        const QRect tile = layout.tiles[i];
        const QRect label = layout.labels[i];
        EXPECT_EQ(tile.size(), tiles[i].image.size());
        EXPECT_EQ(label.top(), tile.bottom() + 1 + metrics.labelGap);
        EXPECT_NEAR(label.center().x(), tile.center().x(), 1);
        EXPECT_GE(label.width(), wideLabels(tiles[i].label));
        EXPECT_LE(std::max(tile.right(), label.right()), metrics.width - metrics.margin) << i;
        EXPECT_LE(label.bottom(), layout.size.height() - metrics.margin);
        for (qsizetype j = 0; j < i; ++j) {
            EXPECT_FALSE(tile.intersects(layout.tiles[j].united(layout.labels[j]))) << i << " and " << j;
            EXPECT_FALSE(label.intersects(layout.tiles[j].united(layout.labels[j]))) << i << " and " << j;
        }
    }
    // Each group's heading lies above its first tile and below the previous group's last label.
    qsizetype first = 0;
    for (const SheetLayout::Heading &heading : layout.headings) {
        while (tiles[first].group != heading.group)
            ++first;
        EXPECT_LT(heading.rect.bottom(), layout.tiles[first].top());
        if (first > 0) {
            EXPECT_GT(heading.rect.top(), layout.labels[first - 1].bottom());
        }
    }
    EXPECT_EQ(layout.size.width(), 600);
}

TEST(AppearanceSheet, theSheetCarriesEveryTilePixelForPixel) {
    const QList<AppearanceTile> tiles = tilesOf(discArt(512, Qt::darkCyan), red, true);
    const QImage sheet = composeSheet(tiles, 900);
    const SheetLayout layout = composedLayout(tiles, 900);
    ASSERT_EQ(sheet.size(), layout.size);
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        const QImage placed =
            sheet.copy(layout.tiles[i]).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(placed, tiles[i].image.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << tiles[i].label.toStdString();
    }
    // Between the tiles, the window's dark ground.
    EXPECT_EQ(QColor(sheet.pixel(2, 2)), sheetBackground());
}

} // namespace
} // namespace glyphon::test
