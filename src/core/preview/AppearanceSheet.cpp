#include "AppearanceSheet.h"

#include "imaging/Masks.h"
#include "imaging/ParallelFor.h"
#include "imaging/Renderer.h"
#include "imaging/Resampler.h"
#include "imaging/Variants.h"
#include "writers/Generation.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QLinearGradient>
#include <QMutex>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace glyphon {

namespace {

using namespace Qt::StringLiterals;

// The art is reduced to this once, and every render is made from that: more than the largest icon a tile
// shows (360 px), and half the effects' 1024 canvas, so the paddings the slider offers stay whole pixels.
constexpr int baseEdge = 512;

// The pictures the tiles draw: the art as each platform takes it (with every effect, without the corners,
// with the tint alone), and what the platforms make of it (or the hand-made picture that replaces that).
enum class Picture { Art, Unrounded, Adaptive, Flattened, Dark, Tinted, Monochrome, Maskable };
constexpr int pictureCount = 8;

// The adaptive layers are 108 dp, of which a launcher shows the middle 72.
constexpr double layerDp = 108.0;
constexpr double viewportDp = 72.0;
// Apple's grid: the tile fills the middle 824 pixels of 1024.
constexpr double macosGridShare = 824.0 / 1024.0;

// The system colours a themed launcher icon is drawn in (Material's tonal palette from a blue seed) and
// the colour iOS tints with by default.
const QColor themedLightBackground(0xd8, 0xe2, 0xff);
const QColor themedLightForeground(0x1f, 0x3a, 0x6e);
const QColor themedDarkBackground(0x2a, 0x33, 0x47);
const QColor themedDarkForeground(0xc9, 0xd7, 0xf7);
const QColor iosTint(0xff, 0xc2, 0x4b);
const QColor safeZoneColor(0xff, 0x2d, 0x55);

enum class Look { Light, Dark, Tinted, FullColour, Themed };
enum class Scene { IosHome, Watch, Dock, Launcher, Maskable, TabStrip };

struct TilePlan {
    AppearanceGroup group;
    QString label;
    Scene scene;
    Look look = Look::Light;
    int iconEdge = 0;
    MaskShape shape = MaskShape::Circle;
};

struct AndroidShape {
    MaskShape shape;
    QString name;
};

QList<AndroidShape> androidShapes() {
    return {{MaskShape::Circle, u"circle"_s},
            {MaskShape::AndroidSquircle, u"squircle"_s},
            {MaskShape::AndroidRoundedSquare, u"rounded square"_s},
            {MaskShape::AndroidFourSidedCookie, u"4-sided cookie"_s},
            {MaskShape::AndroidSevenSidedCookie, u"7-sided cookie"_s},
            {MaskShape::AndroidArch, u"arch"_s}};
}

// How the launcher shows the adaptive layers, as the writer lays them out: art that is opaque all over is
// the background layer, edge to edge; anything else is the foreground at the inset, over the Background
// colour. The monochrome layer sits at the inset either way.
struct AdaptiveLayout {
    bool fullBleed = false;
    double artShare = 66.0 / viewportDp; // of the viewport

    double colourShare() const { return fullBleed ? layerDp / viewportDp : artShare; }
};

// Every tile as data: the group, the label, the backdrop and what it shows.
QList<TilePlan> tilePlans(AppearanceGroup group) {
    switch (group) {
    case AppearanceGroup::IOS:
        // 180 px is the home screen's 60 points at 3×.
        return {{group, u"iOS · light"_s, Scene::IosHome, Look::Light, 180, MaskShape::IosSquircle},
                {group, u"iOS · dark"_s, Scene::IosHome, Look::Dark, 180, MaskShape::IosSquircle},
                {group, u"iOS · tinted"_s, Scene::IosHome, Look::Tinted, 180, MaskShape::IosSquircle},
                {group, u"iOS · light · 360 px"_s, Scene::IosHome, Look::Light, 360, MaskShape::IosSquircle}};
    case AppearanceGroup::WatchOS:
        // 196 px: the 44 mm watch's largest app icon, 98 points at 2×.
        return {{group, u"watchOS · circle"_s, Scene::Watch, Look::Light, 196, MaskShape::Circle}};
    case AppearanceGroup::MacOS:
        return {{group, u"macOS · light Dock"_s, Scene::Dock, Look::Light, 128},
                {group, u"macOS · dark Dock"_s, Scene::Dock, Look::Dark, 128}};
    case AppearanceGroup::Android: {
        QList<TilePlan> plans;
        for (const AndroidShape &shape : androidShapes()) {
            plans.append({group, u"Android · full colour · "_s + shape.name, Scene::Launcher,
                          Look::FullColour, 88, shape.shape});
            plans.append({group, u"Android · themed · "_s + shape.name, Scene::Launcher, Look::Themed, 88,
                          shape.shape});
        }
        return plans;
    }
    case AppearanceGroup::Web:
        return {
            {group, u"Web · maskable · circle"_s, Scene::Maskable, Look::FullColour, 88, MaskShape::Circle},
            {group, u"Web · maskable · rounded square"_s, Scene::Maskable, Look::FullColour, 88,
             MaskShape::AndroidRoundedSquare},
            {group, u"Web · favicon · light"_s, Scene::TabStrip, Look::Light, 16},
            {group, u"Web · favicon · dark"_s, Scene::TabStrip, Look::Dark, 16}};
    }
    return {};
}

QImage blankCanvas(int width, int height, const QColor &fill = Qt::transparent) {
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(fill);
    return canvas;
}

// Squashed to a square, as the sets squash a picture that is not one. A large picture is first halved in
// 2 × 2 boxes for as long as it stays above the base: the one Lanczos pass from the full source cost half
// of all the tiles' time, and at these sizes the two look the same. (Of an odd edge the last box is
// partial and stands in for a whole pixel here, a stretch of less than one pixel in a thousand.)
QImage reducedBitmap(const Image &picture) {
    if (picture.isNull())
        return {};
    const QImage bitmap = picture.bitmap().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (bitmap.width() == baseEdge && bitmap.height() == baseEdge)
        return bitmap;
    SourceLevels levels(bitmap);
    levels.prepare({QSize(baseEdge / 2, baseEdge / 2)});
    QImage start = bitmap;
    for (int depth = 1; !levels.level(depth).isNull(); ++depth)
        if (const QImage level = levels.level(depth); level.width() >= baseEdge && level.height() >= baseEdge)
            start = level;
    return resample(start, baseEdge, baseEdge);
}

// The effects as applyEffects makes them on its 1024 canvas, made on the picture reduced to the base with
// the radius and the padding scaled to its edge: the tiles need no more pixels than that, and a change of
// the settings then costs the tiles alone instead of the effects on the whole source first.
Image withEffectsAtBase(const Image &reduced, const EffectSettings &effects) {
    return applyEffectsAtScale(reduced, effects, double(baseEdge) / 1024.0);
}

// One picture at one edge, as a tile draws it.
struct PictureUse {
    Picture picture;
    int edge;

    friend bool operator==(const PictureUse &, const PictureUse &) = default;
};

// A picture whose square sits inside a share of the edge, keeping the margin whole on both sides.
int innerEdge(int edge, double share) {
    const int margin = int(std::lround((edge - edge * share) / 2));
    return edge - 2 * margin;
}

// The edge of the launcher's picture: the foreground's, or the whole background layer's, larger than the
// icon, whose mask cuts it.
int launcherPictureEdge(const TilePlan &plan, const AdaptiveLayout &layout) {
    return innerEdge(plan.iconEdge, plan.look == Look::Themed ? layout.artShare : layout.colourShare());
}

// What a tile draws, so every render is made once, before the tiles, however many tiles share it.
QList<PictureUse> usesOf(const TilePlan &plan, const AdaptiveLayout &layout) {
    switch (plan.scene) {
    case Scene::IosHome:
        return {{plan.look == Look::Dark     ? Picture::Dark
                 : plan.look == Look::Tinted ? Picture::Tinted
                                             : Picture::Flattened,
                 plan.iconEdge}};
    case Scene::Watch:
        return {{Picture::Flattened, plan.iconEdge}};
    case Scene::Dock:
        return {{Picture::Art, innerEdge(128, macosGridShare)},
                {Picture::Art, innerEdge(64, macosGridShare)}};
    case Scene::Launcher:
        return {{plan.look == Look::Themed ? Picture::Monochrome : Picture::Adaptive,
                 launcherPictureEdge(plan, layout)}};
    case Scene::Maskable:
        return {{Picture::Maskable, plan.iconEdge}};
    case Scene::TabStrip:
        return {{Picture::Art, 16}, {Picture::Art, 32}};
    }
    return {};
}

// The pictures every tile draws from: the art (and each hand-made picture) reduced once to the largest icon
// shown, every edge a tile asks for rendered from that once, however many tiles share it, and the derived
// pictures made from the render at its own size, where they cost a fraction of what they would on the
// source. Made up front and spread over the cores; afterwards only read, so tiles draw from any thread.
class Pictures {
public:
    Pictures(const AppearanceInputs &inputs, const QList<TilePlan> &plans, const AdaptiveLayout &layout) {
        for (const TilePlan &plan : plans)
            for (const PictureUse &use : usesOf(plan, layout))
                if (!m_uses.contains(use))
                    m_uses.append(use);
        QList<QSize> sizes;
        for (const PictureUse &use : m_uses)
            sizes.append(QSize(use.edge, use.edge));
        const auto levelsOf = [&sizes](const Image &picture) {
            std::optional<SourceLevels> levels(std::in_place, reducedBitmap(picture));
            levels->prepare(sizes);
            return levels;
        };
        // The art in each form a platform takes it, and each hand-made picture that replaces a derived one.
        // A form that is the same picture as the one before it shares its levels.
        const Image &unrounded = inputs.unrounded.isNull() ? inputs.art : inputs.unrounded;
        const Image &adaptive = inputs.adaptive.isNull() ? unrounded : inputs.adaptive;
        const auto same = [](const Image &a, const Image &b) {
            return a.bitmap().cacheKey() == b.bitmap().cacheKey();
        };
        const Picture unroundedFrom = same(unrounded, inputs.art) ? Picture::Art : Picture::Unrounded;
        const Picture adaptiveFrom = same(adaptive, unrounded) ? unroundedFrom : Picture::Adaptive;
        std::array<std::optional<SourceLevels>, pictureCount> sources;
        sources[int(Picture::Art)] = levelsOf(inputs.art);
        if (unroundedFrom == Picture::Unrounded)
            sources[int(Picture::Unrounded)] = levelsOf(unrounded);
        if (adaptiveFrom == Picture::Adaptive)
            sources[int(Picture::Adaptive)] = levelsOf(adaptive);
        if (inputs.darkSource)
            sources[int(Picture::Dark)] = levelsOf(*inputs.darkSource);
        if (inputs.tintedSource)
            sources[int(Picture::Tinted)] = levelsOf(*inputs.tintedSource);
        if (inputs.monochromeSource)
            sources[int(Picture::Monochrome)] = levelsOf(*inputs.monochromeSource);
        const auto handMade = [&sources](Picture picture) {
            return sources[std::size_t(int(picture))].has_value();
        };
        const auto sourceOf = [&](Picture picture) {
            switch (picture) {
            case Picture::Art:
                return Picture::Art;
            case Picture::Unrounded:
            case Picture::Flattened:
            case Picture::Maskable:
                return unroundedFrom;
            case Picture::Adaptive:
                return adaptiveFrom;
            case Picture::Dark:
            case Picture::Tinted:
                return handMade(picture) ? picture : unroundedFrom;
            case Picture::Monochrome:
                return handMade(picture) ? picture : adaptiveFrom;
            }
            return Picture::Art;
        };
        // The maskable icon scales the art by what it covers, so it is made from the reduced picture itself.
        const Image maskableFrom(reducedBitmap(unrounded));
        // Each source at each edge once (light, dark and tinted at 180 px share one render of the art), then
        // the derived pictures from those.
        QList<PictureUse> resized;
        for (const PictureUse &use : m_uses)
            if (const PictureUse at{sourceOf(use.picture), use.edge};
                use.picture != Picture::Maskable && !resized.contains(at))
                resized.append(at);
        std::vector<QImage> renders(std::size_t(resized.size()));
        parallelFor(int(resized.size()), [&](int i) {
            renders[std::size_t(i)] =
                sources[std::size_t(int(resized[i].picture))]->render(resized[i].edge, resized[i].edge);
        });
        m_renders.resize(std::size_t(m_uses.size()));
        parallelFor(int(m_uses.size()), [&](int i) {
            const PictureUse &use = m_uses[i];
            if (use.picture == Picture::Maskable) {
                m_renders[std::size_t(i)] =
                    maskableVariant(maskableFrom, inputs.background, use.edge).bitmap();
                return;
            }
            const Image sized(
                renders[std::size_t(resized.indexOf(PictureUse{sourceOf(use.picture), use.edge}))]);
            switch (use.picture) {
            case Picture::Art:
            case Picture::Unrounded:
            case Picture::Adaptive:
            case Picture::Maskable:
                m_renders[std::size_t(i)] = sized.bitmap();
                break;
            case Picture::Flattened:
                m_renders[std::size_t(i)] = flattenOnto(sized, inputs.background).bitmap();
                break;
            // A hand-made dark picture is taken as it is, a hand-made tinted one for its greys, as the
            // writers take them.
            case Picture::Dark:
                m_renders[std::size_t(i)] =
                    handMade(Picture::Dark) ? sized.bitmap() : darkVariant(sized).bitmap();
                break;
            case Picture::Tinted:
                m_renders[std::size_t(i)] =
                    handMade(Picture::Tinted)
                        ? flattenOnto(greyscale(sized), Color{0.0, 0.0, 0.0, 1.0}).bitmap()
                        : tintedVariant(sized).bitmap();
                break;
            case Picture::Monochrome:
                m_renders[std::size_t(i)] = monochromeVariant(sized).bitmap();
                break;
            }
        });
    }

    QImage render(Picture picture, int edge) const {
        const qsizetype at = m_uses.indexOf(PictureUse{picture, edge});
        return at < 0 ? QImage() : m_renders[std::size_t(at)];
    }

private:
    QList<PictureUse> m_uses;
    std::vector<QImage> m_renders;
};

// The premultiplied grey picture drawn in one colour: each channel of the colour scaled by the grey.
QImage inColour(const QImage &grey, const QColor &color) {
    QImage out = grey.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.detach();
    const quint32 red = quint32(color.red()), green = quint32(color.green()), blue = quint32(color.blue());
    for (int y = 0; y < out.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const quint32 level = quint32(qRed(row[x]));
            row[x] = qRgba(int((red * level + 127) / 255), int((green * level + 127) / 255),
                           int((blue * level + 127) / 255), qAlpha(row[x]));
        }
    }
    return out;
}

// A gradient wallpaper with two soft glows, drawn rather than copied so the sheet carries no one's art.
void paintWallpaper(QPainter &painter, const QRectF &rect, const QColor &top, const QColor &bottom,
                    const QColor &glow) {
    QLinearGradient ground(rect.topLeft(), rect.bottomRight());
    ground.setColorAt(0, top);
    ground.setColorAt(1, bottom);
    painter.fillRect(rect, ground);
    const auto spot = [&](QPointF centre, double radius, double strength) {
        QRadialGradient light(centre, radius);
        QColor inner = glow;
        inner.setAlphaF(float(strength));
        QColor outer = glow;
        outer.setAlphaF(0);
        light.setColorAt(0, inner);
        light.setColorAt(1, outer);
        painter.fillRect(rect, light);
    };
    spot(rect.topLeft() + QPointF(rect.width() * 0.8, rect.height() * 0.15), rect.width() * 0.6, 0.55);
    spot(rect.topLeft() + QPointF(rect.width() * 0.1, rect.height() * 0.95), rect.width() * 0.5, 0.35);
}

// The Docks of the macOS tiles: a shelf for the 128 px icon between two neighbours, and one for the 64 px
// icon between four.
struct Dock {
    QRect shelf;
    int edge;
    int places;

    int gap() const { return std::max(4, edge / 16); }
    // Where the icon in the middle goes, between neighbours that may run past the shelf's ends.
    QRect slot(int place) const {
        const int rowWidth = places * edge + (places - 1) * gap();
        const int x = shelf.left() + (shelf.width() - rowWidth) / 2 + place * (edge + gap());
        return {x, shelf.top() + (shelf.height() - edge) / 2, edge, edge};
    }
    QRect iconSlot() const { return slot(places / 2); }
};
constexpr QSize dockTileSize(400, 280);
const Dock docks[] = {{QRect(4, 16, 392, 144), 128, 3}, {QRect(44, 180, 312, 80), 64, 5}};

// A translucent shelf with neighbours drawn as plain bodies on the macOS grid, so the icon's size can be
// judged against theirs.
void paintDockShelf(QPainter &painter, const Dock &dock, bool dark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = dock.edge * 0.18;
    painter.setPen(QPen(dark ? QColor(255, 255, 255, 40) : QColor(255, 255, 255, 170), 1));
    painter.setBrush(dark ? QColor(0x28, 0x28, 0x2c, 190) : QColor(255, 255, 255, 120));
    painter.drawRoundedRect(QRectF(dock.shelf).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    QPainterPath inside;
    inside.addRoundedRect(QRectF(dock.shelf), radius, radius);
    painter.setClipPath(inside);
    painter.setPen(Qt::NoPen);
    for (int place = 0; place < dock.places; ++place) {
        if (place == dock.places / 2)
            continue;
        const QRectF cell(dock.slot(place));
        QLinearGradient body(cell.topLeft(), cell.bottomLeft());
        body.setColorAt(0, dark ? QColor(0x6a, 0x6f, 0x78) : QColor(0xe4, 0xe7, 0xec));
        body.setColorAt(1, dark ? QColor(0x45, 0x4a, 0x52) : QColor(0xb9, 0xbf, 0xc9));
        painter.setBrush(body);
        painter.drawPath(safeZonePath(SafeZone::MacosGrid, cell));
    }
    painter.restore();
}

// The backdrops, which do not depend on the icon.
enum class Wallpaper { IosLight, IosDark, AndroidLight, AndroidDark, DockLight, DockDark };

QImage paintedWallpaper(Wallpaper kind, QSize size) {
    QImage image = blankCanvas(size.width(), size.height());
    QPainter painter(&image);
    const QRectF rect(image.rect());
    switch (kind) {
    case Wallpaper::IosLight:
        paintWallpaper(painter, rect, QColor(0x8e, 0xc5, 0xfc), QColor(0xe0, 0xc3, 0xfc), Qt::white);
        break;
    case Wallpaper::IosDark:
        paintWallpaper(painter, rect, QColor(0x14, 0x1e, 0x30), QColor(0x2b, 0x1f, 0x45),
                       QColor(0x5b, 0x4b, 0x9a));
        break;
    case Wallpaper::AndroidLight:
        paintWallpaper(painter, rect, QColor(0xc8, 0xe6, 0xdc), QColor(0xf6, 0xdc, 0xc6), Qt::white);
        break;
    case Wallpaper::AndroidDark:
        paintWallpaper(painter, rect, QColor(0x12, 0x22, 0x26), QColor(0x0b, 0x10, 0x14),
                       QColor(0x2f, 0x6b, 0x66));
        break;
    case Wallpaper::DockLight:
    case Wallpaper::DockDark: {
        const bool dark = kind == Wallpaper::DockDark;
        if (dark)
            paintWallpaper(painter, rect, QColor(0x0f, 0x20, 0x27), QColor(0x2c, 0x53, 0x64),
                           QColor(0x3a, 0x7b, 0x8c));
        else
            paintWallpaper(painter, rect, QColor(0xa1, 0xc4, 0xfd), QColor(0xc2, 0xe9, 0xfb), Qt::white);
        for (const Dock &dock : docks)
            paintDockShelf(painter, dock, dark);
        break;
    }
    }
    painter.end();
    return image;
}

// Each backdrop is drawn once per size and kept for the life of the process: their gradients were the
// larger part of painting the tiles, and there are a dozen of them.
QImage wallpaper(Wallpaper kind, QSize size) {
    static QMutex mutex;
    static QHash<quint64, QImage> drawn;
    const quint64 key = (quint64(kind) << 48) | (quint64(size.width()) << 24) | quint64(size.height());
    const QMutexLocker lock(&mutex);
    auto found = drawn.find(key);
    if (found == drawn.end())
        found = drawn.insert(key, paintedWallpaper(kind, size));
    return *found;
}

// The ground the system lays under a dark or tinted icon: a near-black vertical gradient.
void paintSystemDarkGround(QPainter &painter, const QRectF &rect) {
    QLinearGradient ground(rect.topLeft(), rect.bottomLeft());
    ground.setColorAt(0, QColor(0x31, 0x31, 0x33));
    ground.setColorAt(1, QColor(0x14, 0x14, 0x15));
    painter.fillRect(rect, ground);
}

void strokeSafeZone(QPainter &painter, const QPainterPath &path, bool dashed = false) {
    QPen pen(safeZoneColor, 1.5);
    if (dashed)
        pen.setDashPattern({3, 2});
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen);
    painter.drawPath(path);
    painter.restore();
}

// The icon drawn at (x, y), cut to the shape; `ground` paints what lies under the picture inside the shape.
void drawMasked(QPainter &painter, QPoint at, int edge, MaskShape shape, const QImage &picture,
                const std::function<void(QPainter &, const QRectF &)> &ground = {}) {
    QImage icon = blankCanvas(edge, edge);
    QPainter inside(&icon);
    if (ground)
        ground(inside, QRectF(icon.rect()));
    inside.drawImage(QPoint((edge - picture.width()) / 2, (edge - picture.height()) / 2), picture);
    inside.end();
    painter.drawImage(at, applyMask(Image(icon), shape).bitmap());
}

QImage renderIosHome(const TilePlan &plan, const Pictures &pictures, bool safeZones) {
    const int margin = 20;
    const int side = plan.iconEdge + 2 * margin;
    QImage tile = blankCanvas(side, side);
    QPainter painter(&tile);
    painter.drawImage(
        0, 0, wallpaper(plan.look == Look::Light ? Wallpaper::IosLight : Wallpaper::IosDark, tile.size()));
    const QPoint at(margin, margin);
    switch (plan.look) {
    case Look::Dark:
        drawMasked(painter, at, plan.iconEdge, plan.shape, pictures.render(Picture::Dark, plan.iconEdge),
                   paintSystemDarkGround);
        break;
    case Look::Tinted:
        drawMasked(painter, at, plan.iconEdge, plan.shape,
                   inColour(pictures.render(Picture::Tinted, plan.iconEdge), iosTint), paintSystemDarkGround);
        break;
    default:
        drawMasked(painter, at, plan.iconEdge, plan.shape,
                   pictures.render(Picture::Flattened, plan.iconEdge));
        break;
    }
    // The square the art fills, dashed: whatever lies between it and the shape is cut.
    if (safeZones) {
        QPainterPath square;
        square.addRect(QRectF(at, QSizeF(plan.iconEdge, plan.iconEdge)).adjusted(0.75, 0.75, -0.75, -0.75));
        strokeSafeZone(painter, square, true);
        strokeSafeZone(painter, maskPath(plan.shape, QRectF(at, QSizeF(plan.iconEdge, plan.iconEdge))));
    }
    return tile;
}

QImage renderWatch(const TilePlan &plan, const Pictures &pictures, bool safeZones) {
    const int margin = 22;
    const int side = plan.iconEdge + 2 * margin;
    QImage tile = blankCanvas(side, side, Qt::black);
    QPainter painter(&tile);
    const QPoint at(margin, margin);
    drawMasked(painter, at, plan.iconEdge, plan.shape, pictures.render(Picture::Flattened, plan.iconEdge));
    if (safeZones) {
        QPainterPath square;
        square.addRect(QRectF(at, QSizeF(plan.iconEdge, plan.iconEdge)).adjusted(0.75, 0.75, -0.75, -0.75));
        strokeSafeZone(painter, square, true);
    }
    return tile;
}

QImage renderDock(const TilePlan &plan, const Pictures &pictures, bool safeZones) {
    const bool dark = plan.look == Look::Dark;
    QImage tile = wallpaper(dark ? Wallpaper::DockDark : Wallpaper::DockLight, dockTileSize).copy();
    QPainter painter(&tile);
    for (const Dock &dock : docks) {
        const QRect slot = dock.iconSlot();
        // The art on Apple's grid, as the .icns carries it.
        const QImage icon = pictures.render(Picture::Art, innerEdge(dock.edge, macosGridShare));
        painter.drawImage(
            slot.topLeft() + QPoint((dock.edge - icon.width()) / 2, (dock.edge - icon.height()) / 2), icon);
        if (safeZones)
            strokeSafeZone(painter, safeZonePath(SafeZone::MacosGrid, QRectF(slot)));
    }
    return tile;
}

// Two home screens side by side, light and dark, with the icon as the launcher shows it on each.
QImage renderLauncher(const TilePlan &plan, const Pictures &pictures, const Color &background,
                      const AdaptiveLayout &layout, bool safeZones) {
    const int edge = plan.iconEdge;
    const int margin = 12;
    const int panel = edge + 2 * margin;
    QImage tile = blankCanvas(2 * panel, panel);
    QPainter painter(&tile);
    const QImage picture =
        plan.scene == Scene::Maskable
            ? pictures.render(Picture::Maskable, edge)
            : pictures.render(plan.look == Look::Themed ? Picture::Monochrome : Picture::Adaptive,
                              launcherPictureEdge(plan, layout));
    QColor ground = background.toQColor();
    ground.setAlphaF(1.0f);
    for (const bool dark : {false, true}) {
        const QRect area(dark ? panel : 0, 0, panel, panel);
        painter.drawImage(area.topLeft(),
                          wallpaper(dark ? Wallpaper::AndroidDark : Wallpaper::AndroidLight, area.size()));
        const QPoint at = area.topLeft() + QPoint(margin, margin);
        if (plan.look == Look::Themed) {
            const QColor fill = dark ? themedDarkBackground : themedLightBackground;
            drawMasked(painter, at, edge, plan.shape,
                       inColour(picture, dark ? themedDarkForeground : themedLightForeground),
                       [&fill](QPainter &p, const QRectF &r) { p.fillRect(r, fill); });
        } else {
            drawMasked(painter, at, edge, plan.shape, picture,
                       [&ground](QPainter &p, const QRectF &r) { p.fillRect(r, ground); });
        }
        if (safeZones) {
            const QRectF icon(at, QSizeF(edge, edge));
            strokeSafeZone(painter, safeZonePath(plan.scene == Scene::Maskable ? SafeZone::WebMaskable
                                                                               : SafeZone::AndroidAdaptive,
                                                 icon));
        }
    }
    return tile;
}

// A browser's tab strip at 1× with the 16 px favicon, and below it at 2× with the 32 px one.
QImage renderTabStrip(const TilePlan &plan, const Pictures &pictures) {
    const bool dark = plan.look == Look::Dark;
    const QColor strip = dark ? QColor(0x20, 0x21, 0x24) : QColor(0xde, 0xe1, 0xe6);
    const QColor tab = dark ? QColor(0x35, 0x36, 0x3a) : Qt::white;
    QColor text = dark ? QColor(0xe8, 0xea, 0xed) : QColor(0x3c, 0x40, 0x43);
    text.setAlphaF(0.55f);
    QImage tile = blankCanvas(224, 138, strip);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    int top = 10;
    for (const int scale : {1, 2}) {
        const QRectF active(8 * scale, top, 100 * scale, 28 * scale);
        QPainterPath shape;
        shape.addRoundedRect(active.adjusted(0, 0, 0, 8.0 * scale), 7.0 * scale, 7.0 * scale);
        painter.fillPath(shape, tab);
        painter.fillRect(QRectF(0, active.bottom(), tile.width(), 8.0 * scale), tab);
        const int icon = 16 * scale;
        const QPoint at(int(active.left()) + 10 * scale, int(active.top() + (active.height() - icon) / 2));
        painter.drawImage(at, pictures.render(Picture::Art, icon));
        // The page title and a second tab, as bars: text would need a font, and the favicon is the point.
        painter.setPen(Qt::NoPen);
        painter.setBrush(text);
        painter.drawRoundedRect(
            QRectF(at.x() + icon + 8 * scale, active.center().y() - 2.5 * scale, 56 * scale, 5 * scale),
            2.5 * scale, 2.5 * scale);
        const double second = active.right() + 12 * scale;
        if (second + 40 * scale < tile.width())
            painter.drawRoundedRect(QRectF(second, active.center().y() - 2.5 * scale, 40 * scale, 5 * scale),
                                    2.5 * scale, 2.5 * scale);
        top = int(active.bottom() + 8 * scale) + 12;
    }
    return tile;
}

QImage renderTile(const TilePlan &plan, const Pictures &pictures, const AppearanceInputs &inputs,
                  const AdaptiveLayout &layout, bool safeZones) {
    switch (plan.scene) {
    case Scene::IosHome:
        return renderIosHome(plan, pictures, safeZones);
    case Scene::Watch:
        return renderWatch(plan, pictures, safeZones);
    case Scene::Dock:
        return renderDock(plan, pictures, safeZones);
    case Scene::Launcher:
    case Scene::Maskable:
        return renderLauncher(plan, pictures, inputs.background, layout, safeZones);
    case Scene::TabStrip:
        return renderTabStrip(plan, pictures);
    }
    return {};
}

} // namespace

QString appearanceGroupName(AppearanceGroup group) {
    switch (group) {
    case AppearanceGroup::IOS:
        return u"iOS"_s;
    case AppearanceGroup::WatchOS:
        return u"watchOS"_s;
    case AppearanceGroup::MacOS:
        return u"macOS"_s;
    case AppearanceGroup::Android:
        return u"Android"_s;
    case AppearanceGroup::Web:
        return u"Web"_s;
    }
    return {};
}

AppearanceInputs appearanceInputs(const GenerationInputs &inputs) {
    const auto processed = [&inputs](const std::optional<Image> &picture) -> std::optional<Image> {
        if (!picture)
            return std::nullopt;
        return withEffectsAtBase(Image(reducedBitmap(*picture)), inputs.effects);
    };
    // The source is reduced once for its three forms.
    const Image reduced(reducedBitmap(inputs.source));
    AppearanceInputs made;
    made.art = withEffectsAtBase(reduced, inputs.effects);
    EffectSettings effects = inputs.effects;
    if (effects.withRoundedCorners) {
        effects.withRoundedCorners = false;
        made.unrounded = withEffectsAtBase(reduced, effects);
    }
    if (effects.withPadding) {
        effects.withPadding = false;
        made.adaptive = withEffectsAtBase(reduced, effects);
    }
    made.background = inputs.background;
    made.androidInsetDp = inputs.androidInsetDp;
    made.darkSource = processed(inputs.darkSource);
    made.tintedSource = processed(inputs.tintedSource);
    made.monochromeSource = processed(inputs.monochromeSource);
    return made;
}

QList<AppearanceTile> renderAppearances(const AppearanceInputs &inputs, const AppearanceOptions &options) {
    if (inputs.art.isNull())
        return {};
    QList<TilePlan> plans;
    for (const AppearanceGroup group : allAppearanceGroups)
        if (options.groups.contains(group))
            plans += tilePlans(group);
    AdaptiveLayout layout;
    const Image &adaptive = !inputs.adaptive.isNull()   ? inputs.adaptive
                            : inputs.unrounded.isNull() ? inputs.art
                                                        : inputs.unrounded;
    layout.fullBleed = isOpaque(adaptive);
    const double inset = std::isfinite(inputs.androidInsetDp)
                             ? std::clamp(inputs.androidInsetDp, 0.0, maxAndroidInsetDp)
                             : defaultAndroidInsetDp;
    layout.artShare = (layerDp - 2.0 * inset) / viewportDp;
    const Pictures pictures(inputs, plans, layout);
    std::vector<QImage> images(std::size_t(plans.size()));
    parallelFor(int(plans.size()), [&](int i) {
        images[std::size_t(i)] = renderTile(plans[i], pictures, inputs, layout, options.safeZones);
    });
    QList<AppearanceTile> tiles;
    for (qsizetype i = 0; i < plans.size(); ++i)
        tiles.append({plans[i].group, plans[i].label, images[std::size_t(i)]});
    return tiles;
}

SheetLayout layoutSheet(const QList<AppearanceTile> &tiles, const SheetMetrics &metrics,
                        const std::function<int(const QString &)> &labelWidth) {
    SheetLayout layout;
    const int right = metrics.width - metrics.margin;
    int y = metrics.margin;
    int x = metrics.margin;
    int rowBottom = y;
    std::optional<AppearanceGroup> current;
    for (const AppearanceTile &tile : tiles) {
        const QSize size = tile.image.size();
        // A column as wide as the tile or its label, whichever is wider; the tile is centred in it.
        const int column = std::max(size.width(), labelWidth ? labelWidth(tile.label) : 0);
        if (tile.group != current) {
            if (current)
                y = rowBottom + metrics.sectionGap;
            layout.headings.append(
                {tile.group, QRect(metrics.margin, y, right - metrics.margin, metrics.headingHeight)});
            y += metrics.headingHeight + metrics.labelGap;
            x = metrics.margin;
            rowBottom = y;
            current = tile.group;
        } else if (x + column > right && x > metrics.margin) {
            y = rowBottom + metrics.spacing;
            x = metrics.margin;
        }
        const QRect tileRect(x + (column - size.width()) / 2, y, size.width(), size.height());
        const QRect labelRect(x, tileRect.bottom() + 1 + metrics.labelGap, column, metrics.labelHeight);
        layout.tiles.append(tileRect);
        layout.labels.append(labelRect);
        rowBottom = std::max(rowBottom, labelRect.bottom() + 1);
        x += column + metrics.spacing;
    }
    layout.size = QSize(metrics.width, rowBottom + metrics.margin);
    return layout;
}

QColor sheetBackground() {
    return QColor(0x1c, 0x1c, 0x1e);
}

QColor sheetHeadingColor() {
    return QColor(0xec, 0xec, 0xee);
}

QColor sheetLabelColor() {
    return QColor(0xa0, 0xa0, 0xa6);
}

namespace {

struct SheetFonts {
    QFont label;
    QFont heading;

    SheetFonts() {
        label.setPixelSize(13);
        heading = label;
        heading.setPixelSize(16);
        heading.setBold(true);
    }
};

} // namespace

SheetLayout composedLayout(const QList<AppearanceTile> &tiles, int width) {
    const SheetFonts fonts;
    const QFontMetrics labelMetrics(fonts.label);
    SheetMetrics metrics;
    metrics.width = width;
    metrics.labelHeight = labelMetrics.height();
    metrics.headingHeight = QFontMetrics(fonts.heading).height() + 4;
    return layoutSheet(tiles, metrics,
                       [&labelMetrics](const QString &text) { return labelMetrics.horizontalAdvance(text); });
}

QImage composeSheet(const QList<AppearanceTile> &tiles, int width) {
    const SheetFonts fonts;
    const SheetLayout layout = composedLayout(tiles, width);
    QImage sheet = blankCanvas(layout.size.width(), layout.size.height(), sheetBackground());
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(fonts.heading);
    painter.setPen(sheetHeadingColor());
    for (const SheetLayout::Heading &heading : layout.headings)
        painter.drawText(heading.rect, Qt::AlignLeft | Qt::AlignVCenter, appearanceGroupName(heading.group));
    painter.setFont(fonts.label);
    painter.setPen(sheetLabelColor());
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        painter.drawImage(layout.tiles[i].topLeft(), tiles[i].image);
        painter.drawText(layout.labels[i], Qt::AlignHCenter | Qt::AlignTop, tiles[i].label);
    }
    painter.end();
    return sheet;
}

} // namespace glyphon
