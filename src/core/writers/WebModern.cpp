#include "Generation.h"
#include "NewTargets.h"
#include "RenderJobs.h"
#include "TargetFiles.h"
#include "imaging/IcoEncoder.h"
#include "imaging/ParallelFor.h"
#include "imaging/PngEncoder.h"
#include "imaging/Resampler.h"
#include "imaging/SvgEffects.h"
#include "imaging/Variants.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <optional>
#include <vector>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

constexpr int faviconEdges[] = {16, 32, 48};
constexpr int touchEdge = 180;
constexpr int smallEdge = 192;
constexpr int largeEdge = 512;

Result<QByteArray> png(const QImage &picture, int edge, PngCache &pngs) {
    return picture.isNull() ? Result<QByteArray>(unrenderable(edge)) : pngs.encode(picture, PngColour::Rgba);
}

// The bytes of every icon, made side by side.
struct Icons {
    std::optional<Result<QByteArray>> favicon, touch, small, large, maskable;
};

// The favicon and the "any" icons are the picture with every effect, as the classic sets are. The touch
// icon and the maskable one leave the corners out: iOS and the launchers cut their own shape, in which
// the rounded corners would show as notches of the fill. Padding and tint apply to all.
Icons makeIcons(const Generation &generation) {
    const GenerationInputs &inputs = generation.inputs();
    const Image &any = generation.processed();
    const Image unrounded = generation.processedWithout(true, false);
    SharedWork &shared = generation.shared();
    Icons icons;
    if (any.isNull() || unrounded.isNull()) {
        icons.favicon = unrenderable(faviconEdges[0]);
        icons.touch = unrenderable(touchEdge);
        icons.small = unrenderable(smallEdge);
        icons.large = icons.maskable = unrenderable(largeEdge);
        return icons;
    }

    // The renders of the processed picture are those the other sets of the run make of it too.
    QList<int> anyEdges{largeEdge, smallEdge};
    for (const int edge : faviconEdges)
        anyEdges.append(edge);
    const QList<QImage> anyRenders = renderSquares(any, anyEdges, &shared);
    const QImage touch = renderSquares(unrounded, {touchEdge}, &shared).constFirst();

    const std::function<void()> jobs[] = {
        [&] { icons.large = png(anyRenders[0], largeEdge, shared.pngs); },
        [&] {
            icons.maskable =
                png(maskableVariant(unrounded, inputs.background, largeEdge, &shared.renders).bitmap(),
                    largeEdge, shared.pngs);
        },
        [&] { icons.small = png(anyRenders[1], smallEdge, shared.pngs); },
        [&] {
            icons.touch = png(touch.isNull() ? touch : flattenOnto(Image(touch), inputs.background).bitmap(),
                              touchEdge, shared.pngs);
        },
        [&] {
            const QList<QImage> entries = anyRenders.mid(2);
            for (qsizetype i = 0; i < entries.size(); ++i)
                if (entries[i].isNull()) {
                    icons.favicon = unrenderable(faviconEdges[i]);
                    return;
                }
            icons.favicon = encodeIcoEntries(entries, &shared.pngs);
        },
    };
    parallelFor(int(std::size(jobs)), [&](int i) { jobs[i](); });
    return icons;
}

// With hashed names an installed web app sees a new URL whenever the picture changes, which is what
// makes it fetch the new icon.
QString iconName(const QString &stem, const QString &suffix, const Result<QByteArray> &bytes, bool hashed) {
    if (!hashed || !bytes)
        return stem + suffix;
    const QByteArray digest = QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256).toHex().left(8);
    return stem + u'.' + QString::fromLatin1(digest) + suffix;
}

QJsonObject manifestIcon(const QString &src, const QString &sizes, const QString &type,
                         const QString &purpose) {
    return {{u"src"_s, src}, {u"sizes"_s, sizes}, {u"type"_s, type}, {u"purpose"_s, purpose}};
}

} // namespace

WriteReport writeWebModern(const Generation &generation, const QString &outputFolder,
                           const FailureSink &sink) {
    TargetFiles files(outputFolder, targetFolder(Platform::WebModern), sink);
    if (!files.ready())
        return files.report();
    const GenerationInputs &inputs = generation.inputs();
    const bool hashed = inputs.hashNames;
    const Icons icons = makeIcons(generation);

    // The favicon keeps its name: browsers ask for /favicon.ico by it when a page names no icon.
    files.write(u"favicon.ico"_s, *icons.favicon);
    QString svgName;
    if (!inputs.svgSource.isEmpty()) {
        const Result<QByteArray> svg = svgWithEffects(inputs.svgSource, inputs.effects);
        svgName = iconName(u"icon"_s, u".svg"_s, svg, hashed);
        files.write(svgName, svg);
    }
    const QString touchName = iconName(u"apple-touch-icon"_s, u".png"_s, *icons.touch, hashed);
    files.write(touchName, *icons.touch);
    const QString smallName = iconName(u"icon-192"_s, u".png"_s, *icons.small, hashed);
    files.write(smallName, *icons.small);
    const QString largeName = iconName(u"icon-512"_s, u".png"_s, *icons.large, hashed);
    files.write(largeName, *icons.large);
    const QString maskableName = iconName(u"icon-maskable-512"_s, u".png"_s, *icons.maskable, hashed);
    files.write(maskableName, *icons.maskable);

    QJsonArray manifestIcons{
        manifestIcon(smallName, u"192x192"_s, u"image/png"_s, u"any"_s),
        manifestIcon(largeName, u"512x512"_s, u"image/png"_s, u"any"_s),
        manifestIcon(maskableName, u"512x512"_s, u"image/png"_s, u"maskable"_s),
    };
    if (!svgName.isEmpty())
        manifestIcons.append(manifestIcon(svgName, u"any"_s, u"image/svg+xml"_s, u"any"_s));
    const QJsonObject manifest{
        {u"name"_s, inputs.appName},
        {u"short_name"_s, inputs.appName},
        {u"start_url"_s, u"."_s},
        {u"display"_s, u"standalone"_s},
        // The splash screen shows the icon on this colour; the fill of the opaque icons matches it.
        {u"background_color"_s, inputs.background.toQColor().name(QColor::HexRgb)},
        {u"icons"_s, manifestIcons},
    };
    files.write(u"manifest.webmanifest"_s, QJsonDocument(manifest).toJson(QJsonDocument::Indented));

    // The links are absolute from the site's root, where the files go, so every page can paste the same.
    // The ICO names the sizes it holds; the SVG draws at any size.
    QString head = u"<link rel=\"icon\" href=\"/favicon.ico\" sizes=\"16x16 32x32 48x48\">\n"_s;
    if (!svgName.isEmpty())
        head += u"<link rel=\"icon\" href=\"/%1\" type=\"image/svg+xml\" sizes=\"any\">\n"_s.arg(svgName);
    head += u"<link rel=\"apple-touch-icon\" href=\"/%1\">\n"_s.arg(touchName);
    head += u"<link rel=\"manifest\" href=\"/manifest.webmanifest\">\n"_s;
    files.write(u"head.html"_s, head.toUtf8());
    return files.report();
}

} // namespace glyphon
