#include "SetWriter.h"

#include "AssetCatalogIndex.h"
#include "FileOps.h"
#include "RenderJobs.h"
#include "imaging/IcoEncoder.h"
#include "imaging/Renderer.h"

#include <QDir>
#include <QFileInfo>

namespace glyphon {

namespace {

// A failure of making an output's bytes, placed at its file unless it names its own source.
Error placedAt(const Error &error, const QString &path) {
    return error.path.isEmpty() ? error.withPath(path) : error;
}

bool isIcon(const Output &output) {
    return output.kind == OutputKind::Png || output.kind == OutputKind::OpaquePng ||
           output.kind == OutputKind::Ico;
}

RenderJob renderJob(const Output &output) {
    switch (output.kind) {
    case OutputKind::OpaquePng:
        return {output.edge, IconEncoding::OpaquePng};
    case OutputKind::Ico:
        return {output.edge, IconEncoding::Ico};
    default:
        return {output.edge, IconEncoding::Png};
    }
}

// The bytes of an output that is not an icon.
Result<QByteArray> contents(const Output &output) {
    switch (output.kind) {
    case OutputKind::AssetCatalogIndex:
        return assetCatalogIndex(output.source);
    case OutputKind::TextResource:
        return readResourceText(output.source);
    case OutputKind::Png:
    case OutputKind::OpaquePng:
    case OutputKind::Ico:
        break;
    }
    return Error{ErrorKind::EncodeFailed, {}, QStringLiteral("it is not a text file")};
}

} // namespace

WriteReport writeOutputSet(const OutputSet &set, const Image &image, const QString &outputFolder,
                           const FailureSink &sink, const Color &background, SharedWork *shared) {
    WriteReport report;
    const auto fail = [&](const Error &error) {
        sink(error);
        report.failures.append(error);
    };

    const QDir folder(QDir(outputFolder).filePath(set.folder));
    if (const Result<void> made = makeFolder(folder.path()); !made) {
        fail(made.error());
        return report;
    }

    QList<RenderJob> jobs;
    for (const Output &output : set.outputs)
        if (isIcon(output))
            jobs.append(renderJob(output));
    const QList<Result<QByteArray>> icons = renderIcons(image, jobs, background, shared);

    qsizetype nextIcon = 0;
    QStringList madeFolders;
    for (const Output &output : set.outputs) {
        const QString path = folder.filePath(output.path);
        const QString subfolder = QFileInfo(output.path).path();
        if (subfolder != u"." && !madeFolders.contains(subfolder)) {
            if (const Result<void> made = makeFolder(folder.filePath(subfolder)); !made) {
                fail(made.error());
                return report;
            }
            madeFolders.append(subfolder);
        }
        const Result<QByteArray> bytes = isIcon(output) ? icons.at(nextIcon++) : contents(output);
        const Result<void> written =
            bytes ? writeFile(path, *bytes) : Result<void>(placedAt(bytes.error(), path));
        if (written) {
            ++report.written;
        } else {
            fail(written.error());
            if (output.onFailure == OnFailure::AbandonSet)
                return report;
        }
    }
    return report;
}

WriteReport writePlatform(Platform platform, const Image &image, const QString &outputFolder,
                          const FailureSink &sink, const Color &background, SharedWork *shared) {
    return writeOutputSet(outputSet(platform), image, outputFolder, sink, background, shared);
}

Result<void> writeIco(const QString &path, double width, double height, const Image &image) {
    const auto icon = resizeImage(image, width, height);
    if (!icon)
        return Error{ErrorKind::RenderFailed, path,
                     QStringLiteral("no %1×%2 picture could be made").arg(width).arg(height)};
    Result<QByteArray> bytes = encodeIco(icon->bitmap());
    if (!bytes)
        return bytes.error().withPath(path);
    return writeFile(path, *bytes);
}

} // namespace glyphon
