#include "Generation.h"
#include "NewTargets.h"
#include "RenderJobs.h"
#include "TargetFiles.h"
#include "imaging/IcoEncoder.h"

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

// Windows draws the title bar, context menu and tray icon at 16 pixels times the display scale (24, 32,
// 48 and 64 at 150 % to 400 %); it takes an exact size or scales the next larger one down, so 256 serves
// Explorer's large views and every size between.
constexpr int icoEdges[] = {16, 24, 32, 48, 64, 256};

Result<QByteArray> icoBytes(const Image &picture, SharedWork &shared) {
    const QList<int> edges(std::begin(icoEdges), std::end(icoEdges));
    const QList<QImage> pictures = renderSquares(picture, edges, &shared);
    for (qsizetype i = 0; i < edges.size(); ++i)
        if (pictures[i].isNull())
            return unrenderable(edges[i]);
    return encodeIcoEntries(pictures, &shared.pngs);
}

} // namespace

// The icons are the picture with every effect: Windows draws an application icon as it is.
WriteReport writeWindows(const Generation &generation, const QString &outputFolder, const FailureSink &sink) {
    TargetFiles files(outputFolder, targetFolder(Platform::Windows), sink);
    if (files.ready())
        files.write(u"app.ico"_s, icoBytes(generation.processed(), generation.shared()));
    return files.report();
}

} // namespace glyphon
