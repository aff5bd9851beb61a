#include "Generation.h"
#include "NewTargets.h"
#include "RenderJobs.h"
#include "TargetFiles.h"
#include "imaging/Effects.h"
#include "imaging/ParallelFor.h"
#include "imaging/PngEncoder.h"
#include "imaging/RenderCache.h"
#include "imaging/Variants.h"

#include <QHash>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

// Every adaptive layer is 108 dp square; a launcher shows its middle 72 dp through its mask and keeps the
// rest for parallax and pulsing.
constexpr double layerDp = 108.0;
constexpr double viewportDp = 72.0;
constexpr int playEdge = 512;

struct Density {
    const char16_t *folder;
    int layer;  // 108 dp
    int legacy; // 48 dp, the launcher icon of the devices before adaptive icons
};

// Largest first, as in the classic set.
constexpr Density densities[] = {
    {u"mipmap-xxxhdpi", 432, 192}, {u"mipmap-xxhdpi", 324, 144}, {u"mipmap-xhdpi", 216, 96},
    {u"mipmap-hdpi", 162, 72},     {u"mipmap-mdpi", 108, 48},
};

// How the pictures sit in the layers. Art that is opaque all over is full-bleed art: it becomes the
// background layer, edge to edge, because shrunk into the safe zone it would show as a square on a plate
// inside the launcher's own shape. Anything else is the foreground, inset, over the Background colour.
struct Layout {
    bool fullBleed = false;
    double artDp = layerDp; // the foreground art's (and the monochrome's) edge
    // The colour pictures' edge: what the legacy and store icons, cut from the viewport, show of them.
    double shownDp() const { return fullBleed ? layerDp : artDp; }
};

// The picture drawn at the margin on a canvas of the ground colour; overhang is cut off. A null picture
// leaves the canvas bare.
Result<QImage> placed(int canvasEdge, const QImage &picture, int margin, const QColor &ground) {
    QImage canvas(canvasEdge, canvasEdge, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return unrenderable(canvasEdge);
    canvas.fill(ground);
    if (!picture.isNull()) {
        QPainter painter(&canvas);
        painter.drawImage(margin, margin, picture);
        painter.end();
    }
    return canvas;
}

Result<QByteArray> encoded(PngCache &pngs, const Result<QImage> &picture, bool opaque = false) {
    if (!picture)
        return picture.error();
    return pngs.encode(*picture, opaque ? PngColour::Rgb : PngColour::Rgba);
}

QByteArray adaptiveIconXml(bool fullBleed) {
    const QString background =
        fullBleed ? u"@mipmap/ic_launcher_background"_s : u"@color/ic_launcher_background"_s;
    return uR"(<?xml version="1.0" encoding="utf-8"?>
<adaptive-icon xmlns:android="http://schemas.android.com/apk/res/android">
    <background android:drawable="%1"/>
    <foreground android:drawable="@mipmap/ic_launcher_foreground"/>
    <monochrome android:drawable="@mipmap/ic_launcher_monochrome"/>
</adaptive-icon>
)"_s.arg(background)
        .toUtf8();
}

QByteArray backgroundColourXml(const QColor &colour) {
    return uR"(<?xml version="1.0" encoding="utf-8"?>
<resources>
    <color name="ic_launcher_background">%1</color>
</resources>
)"_s.arg(colour.name(QColor::HexRgb).toUpper())
        .toUtf8();
}

struct File {
    QString path;
    std::function<Result<QByteArray>()> make;
};

} // namespace

WriteReport writeAndroidAdaptive(const Generation &generation, const QString &outputFolder,
                                 const FailureSink &sink) {
    TargetFiles files(outputFolder, targetFolder(Platform::AndroidAdaptive), sink);
    if (!files.ready())
        return files.report();
    const GenerationInputs &inputs = generation.inputs();

    // The launcher masks the layers itself, so rounded corners would only cut into its shape, and the inset
    // is this target's margin in place of the padding. The tint colours the art as everywhere else.
    const Image art = generation.processedWithout(true, true);
    SharedWork &shared = generation.shared();
    PngCache &pngs = shared.pngs;

    const double inset = std::isfinite(inputs.androidInsetDp)
                             ? std::clamp(inputs.androidInsetDp, 0.0, maxAndroidInsetDp)
                             : defaultAndroidInsetDp;
    Layout layout;
    layout.fullBleed = isOpaque(inputs.source);
    layout.artDp = layerDp - 2.0 * inset;

    // The monochrome layer has the foreground's geometry whatever the art, since it stands in for both
    // layers; a hand-made one is taken for its shape, like the art it replaces.
    // The art keeps the source's alpha (the tint leaves it as it is), so its coverage is the source's.
    const Image &shape = inputs.monochromeSource ? *inputs.monochromeSource : art;
    const Coverage coverage = inputs.monochromeSource ? coverageOf(shape)
                              : layout.fullBleed      ? Coverage::Luminance
                                                      : Coverage::Alpha;

    QColor ground = inputs.background.toQColor();
    ground.setAlphaF(1.0);

    const auto artIn = [&](int canvasEdge) { return centredPlacement(canvasEdge, layout.artDp / layerDp); };
    const auto shownIn = [&](int canvasEdge) {
        return centredPlacement(canvasEdge, layout.shownDp() / viewportDp);
    };

    // Each picture is resampled once per edge from the full-resolution art; the files are composed from
    // those renders by whole-pixel placement only, so nothing is scaled twice.
    QList<int> artEdges, shapeEdges;
    for (const Density &d : densities) {
        artEdges << (layout.fullBleed ? d.layer : artIn(d.layer).edge);
        shapeEdges << artIn(d.layer).edge;
    }
    if (!inputs.monochromeSource)
        artEdges << shapeEdges;
    // Full-bleed art overhangs the viewport by a quarter of its edge on each side: only the part that shows
    // is rendered, unless the whole render is made for a layer anyway.
    QList<int> viewportEdges;
    for (const Density &d : densities)
        viewportEdges << d.legacy;
    viewportEdges << playEdge;
    QList<RenderCache::SquarePart> parts;
    QList<int> windowed;
    for (const int edge : viewportEdges) {
        const Placement shown = shownIn(edge);
        if (shown.margin < 0 && !artEdges.contains(shown.edge)) {
            parts.append({shown.edge, QRect(-shown.margin, -shown.margin, edge, edge)});
            windowed << edge;
        } else {
            artEdges << shown.edge;
        }
    }
    for (const int edge : artEdges)
        parts.append({edge, QRect(0, 0, edge, edge)});
    QHash<int, QImage> artAt, shapeAt, viewportAt;
    const QList<QImage> artRenders = shared.renders.parts(art, parts);
    for (qsizetype i = 0; i < windowed.size(); ++i)
        viewportAt.insert(windowed.at(i), artRenders.at(i));
    for (qsizetype i = windowed.size(); i < parts.size(); ++i)
        artAt.insert(parts.at(i).edge, artRenders.at(i));
    if (inputs.monochromeSource) {
        const QList<QImage> shapeRenders = renderSquares(shape, shapeEdges, &shared);
        for (qsizetype i = 0; i < shapeEdges.size(); ++i)
            shapeAt.insert(shapeEdges.at(i), shapeRenders.at(i));
    } else {
        shapeAt = artAt;
    }

    // What a launcher with a square mask shows at rest: the viewport of both layers.
    const auto viewport = [&](int edge) -> Result<QImage> {
        const Placement shown = shownIn(edge);
        const bool cut = viewportAt.contains(edge);
        const QImage render = cut ? viewportAt.value(edge) : artAt.value(shown.edge);
        if (render.isNull())
            return unrenderable(edge);
        return placed(edge, render, cut ? 0 : shown.margin, ground);
    };

    QList<File> outputs;
    for (const Density &d : densities) {
        const QString folder = u"res/"_s + QString::fromUtf16(d.folder) + u'/';
        outputs.append({folder + u"ic_launcher_foreground.png"_s, [&, d] {
                            // Full-bleed art is all background; the foreground is left clear for it.
                            if (layout.fullBleed)
                                return encoded(pngs, placed(d.layer, QImage(), 0, Qt::transparent));
                            const Placement at = artIn(d.layer);
                            const QImage render = artAt.value(at.edge);
                            if (render.isNull())
                                return Result<QByteArray>(unrenderable(d.layer));
                            return encoded(pngs, placed(d.layer, render, at.margin, Qt::transparent));
                        }});
        if (layout.fullBleed)
            outputs.append({folder + u"ic_launcher_background.png"_s, [&, d] {
                                // Opaque all over, so without an alpha channel: a quarter fewer bytes.
                                const QImage layer = artAt.value(d.layer);
                                if (layer.isNull())
                                    return Result<QByteArray>(unrenderable(d.layer));
                                return pngs.encode(layer, PngColour::Rgb);
                            }});
        outputs.append({folder + u"ic_launcher_monochrome.png"_s, [&, d] {
                            const Placement at = artIn(d.layer);
                            const QImage render = shapeAt.value(at.edge);
                            if (render.isNull())
                                return Result<QByteArray>(unrenderable(d.layer));
                            // White with the coverage as alpha: grey and alpha hold it in half the bytes.
                            const Result<QImage> layer =
                                placed(d.layer, silhouette(Image(render), coverage).bitmap(), at.margin,
                                       Qt::transparent);
                            if (!layer)
                                return Result<QByteArray>(layer.error());
                            return pngs.encode(*layer, PngColour::GreyAlpha);
                        }});
        outputs.append({folder + u"ic_launcher.png"_s, [&, d] { return encoded(pngs, viewport(d.legacy)); }});
        outputs.append({folder + u"ic_launcher_round.png"_s, [&, d] {
                            const Result<QImage> square = viewport(d.legacy);
                            if (!square)
                                return Result<QByteArray>(square.error());
                            return pngs.encode(roundCorners(Image(*square), d.legacy / 2.0).bitmap(),
                                               PngColour::Rgba);
                        }});
    }
    if (!layout.fullBleed)
        outputs.append({u"res/values/ic_launcher_background.xml"_s,
                        [&] { return Result<QByteArray>(backgroundColourXml(ground)); }});
    // The descriptions come after the layers they name.
    for (const QString &name : {u"ic_launcher.xml"_s, u"ic_launcher_round.xml"_s})
        outputs.append({u"res/mipmap-anydpi-v26/"_s + name,
                        [&] { return Result<QByteArray>(adaptiveIconXml(layout.fullBleed)); }});
    // Play wants no alpha channel, and masks and shades the square itself.
    outputs.append({u"playstore-icon.png"_s, [&] { return encoded(pngs, viewport(playEdge), true); }});

    QList<Result<QByteArray>> bytes(outputs.size(), Result<QByteArray>(QByteArray()));
    Result<QByteArray> *const made = bytes.data();
    parallelFor(int(outputs.size()), [&](int i) { made[i] = outputs.at(i).make(); });
    for (qsizetype i = 0; i < outputs.size(); ++i)
        files.write(outputs.at(i).path, bytes.at(i));
    return files.report();
}

} // namespace glyphon
