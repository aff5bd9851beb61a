#include "AppleArtwork.h"
#include "Generation.h"
#include "NewTargets.h"
#include "TargetFiles.h"
#include "XcodeJson.h"

#include <QJsonArray>
#include <QJsonObject>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

using File = AppleArtwork::File;

struct LayerImage {
    QString filename;
    File file;
    QString appearance; // empty for the image every appearance starts from
};

const QList<LayerImage> layerImages = {
    {u"foreground.png"_s, File::Layer, {}},
    {u"foreground-dark.png"_s, File::Dark, u"dark"_s},
    {u"foreground-tinted.png"_s, File::LayerTinted, u"tinted"_s},
};

// Colours as Icon Composer saves them: five decimals, alpha last.
QString extendedSrgb(const Color &colour) {
    return u"extended-srgb:%1,%2,%3,%4"_s.arg(colour.red, 0, 'f', 5)
        .arg(colour.green, 0, 'f', 5)
        .arg(colour.blue, 0, 'f', 5)
        .arg(1.0, 0, 'f', 5);
}

// A property with values per appearance, in the shape Icon Composer saves one: the first entry, without
// an appearance, is what every appearance starts from. (A plain property beside its specializations is
// not what it writes, and the dark value is then dropped.)
QJsonArray specializations(const QJsonValue &base, const QList<std::pair<QString, QJsonValue>> &others) {
    QJsonArray list{QJsonObject{{u"value"_s, base}}};
    for (const auto &[appearance, value] : others)
        list.append(QJsonObject{{u"appearance"_s, appearance}, {u"value"_s, value}});
    return list;
}

// Only keys Icon Composer 1 (Xcode 26) saves. The ground is the Background colour, the system's own dark
// gradient in the dark appearance and black in the tinted one, under which the tinted grey was made; the
// art is one layer with its dark and tinted images, not glass, so a flat picture keeps its colours; the
// shadow is the system's default one, drawn by the system.
QJsonObject document(const Color &background) {
    QJsonValue base;
    QList<std::pair<QString, QJsonValue>> byAppearance;
    for (const LayerImage &image : layerImages) {
        if (image.appearance.isEmpty())
            base = image.filename;
        else
            byAppearance.append({image.appearance, image.filename});
    }
    const QJsonObject layer{{u"glass"_s, false},
                            {u"image-name-specializations"_s, specializations(base, byAppearance)},
                            {u"name"_s, u"foreground"_s}};
    const QJsonObject group{
        {u"layers"_s, QJsonArray{layer}},
        {u"shadow"_s, QJsonObject{{u"kind"_s, u"neutral"_s}, {u"opacity"_s, 0.5}}},
        {u"translucency"_s, QJsonObject{{u"enabled"_s, false}, {u"value"_s, 0.5}}},
    };
    const QJsonArray fill =
        specializations(QJsonObject{{u"solid"_s, extendedSrgb(background)}},
                        {{u"dark"_s, u"system-dark"_s},
                         {u"tinted"_s, QJsonObject{{u"solid"_s, extendedSrgb({0, 0, 0, 1})}}}});
    return QJsonObject{
        {u"fill-specializations"_s, fill},
        {u"groups"_s, QJsonArray{group}},
        {u"supported-platforms"_s,
         QJsonObject{{u"circles"_s, QJsonArray{u"watchOS"_s}}, {u"squares"_s, u"shared"_s}}},
    };
}

} // namespace

WriteReport writeIconComposer(const Generation &generation, const QString &outputFolder,
                              const FailureSink &sink) {
    TargetFiles files(outputFolder, targetFolder(Platform::IconComposer) + u"/AppIcon.icon"_s, sink);
    if (!files.ready())
        return files.report();
    const AppleArtwork &artwork = generation.appleArtwork();
    QList<File> wanted;
    for (const LayerImage &image : layerImages)
        wanted.append(image.file);
    artwork.prepare(wanted);
    for (const LayerImage &image : layerImages)
        files.write(u"Assets/"_s + image.filename, artwork.file(image.file));
    files.write(u"icon.json"_s, xcodeJson(document(generation.inputs().background)));
    return files.report();
}

} // namespace glyphon
