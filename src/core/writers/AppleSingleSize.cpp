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

// One image of a single-size set: its file, the artwork in it and the appearance it stands for (empty for
// the one every appearance falls back to).
struct SingleImage {
    QString filename;
    File file;
    QString appearance;
};

// The entry Xcode 14 and later write for a single 1024 image of the platform.
QJsonObject catalogEntry(const SingleImage &image, const QString &platform) {
    QJsonObject entry{{u"filename"_s, image.filename},
                      {u"idiom"_s, u"universal"_s},
                      {u"platform"_s, platform},
                      {u"size"_s, u"1024x1024"_s}};
    if (!image.appearance.isEmpty())
        entry.insert(u"appearances"_s, QJsonArray{QJsonObject{{u"appearance"_s, u"luminosity"_s},
                                                              {u"value"_s, image.appearance}}});
    return entry;
}

// The images first, the index last: a set whose index is on disk has every file it names.
WriteReport writeSingleSize(const Generation &generation, const QString &outputFolder,
                            const FailureSink &sink, const QString &folder, const QString &platform,
                            const QList<SingleImage> &images) {
    TargetFiles files(outputFolder, folder + u"/AppIcon.appiconset"_s, sink);
    if (!files.ready())
        return files.report();
    const AppleArtwork &artwork = generation.appleArtwork();
    QList<File> wanted;
    for (const SingleImage &image : images)
        wanted.append(image.file);
    artwork.prepare(wanted);

    QJsonArray entries;
    for (const SingleImage &image : images) {
        files.write(image.filename, artwork.file(image.file));
        entries.append(catalogEntry(image, platform));
    }
    const QJsonObject index{{u"images"_s, entries},
                            {u"info"_s, QJsonObject{{u"author"_s, u"xcode"_s}, {u"version"_s, 1}}}};
    files.write(u"Contents.json"_s, xcodeJson(index));
    return files.report();
}

} // namespace

WriteReport writeIosSingle(const Generation &generation, const QString &outputFolder,
                           const FailureSink &sink) {
    return writeSingleSize(generation, outputFolder, sink, targetFolder(Platform::IOSSingle), u"ios"_s,
                           {{u"AppIcon.png"_s, File::Any, {}},
                            {u"AppIcon-Dark.png"_s, File::Dark, u"dark"_s},
                            {u"AppIcon-Tinted.png"_s, File::Tinted, u"tinted"_s}});
}

WriteReport writeWatchosSingle(const Generation &generation, const QString &outputFolder,
                               const FailureSink &sink) {
    return writeSingleSize(generation, outputFolder, sink, targetFolder(Platform::WatchOSSingle),
                           u"watchos"_s, {{u"AppIcon.png"_s, File::Any, {}}});
}

} // namespace glyphon
