#include "Generation.h"
#include "NewTargets.h"
#include "RenderJobs.h"
#include "TargetFiles.h"
#include "imaging/IcnsEncoder.h"
#include "imaging/ParallelFor.h"
#include "imaging/PixelBuffer.h"
#include "imaging/Resampler.h"

#include <QPainter>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

// Apple's grid since macOS 11: the tile fills the middle 824 pixels of a 1024 canvas, the margin stays
// clear for the shadow the system draws.
constexpr int gridCanvas = 1024;
constexpr int gridTile = 824;

// Largest first, so the long renders do not end up alone at the tail of the batch.
constexpr int smallerEdges[] = {512, 256, 128, 64, 32, 16};

// The picture shrunk onto the tile as a whole, so its corners and padding keep their proportions: a
// radius measured on the 1024 canvas becomes radius × 824 / 1024 on the tile.
QImage onGrid(const Image &picture, SharedWork &shared) {
    // From the run's own reductions of the picture, spread over the cores (nothing else of the file can
    // start before the tile is made).
    const QImage tile = renderSquares(picture, {gridTile}, &shared).constFirst();
    QImage canvas = freshCanvas(QSize(gridCanvas, gridCanvas));
    if (tile.isNull() || canvas.isNull())
        return {};
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const int margin = (gridCanvas - gridTile) / 2;
    painter.drawImage(QPoint(margin, margin), tile);
    painter.end();
    return canvas;
}

// Every smaller edge is rendered from the whole 1024 canvas, which scales the margin with it: 1.5625
// pixels at 16, left to the filter to spread over the edge pixels rather than rounded to whole ones.
Result<QByteArray> icnsBytes(const Image &picture, SharedWork &shared) {
    PngCache &pngs = shared.pngs;
    if (picture.isNull())
        return unrenderable(gridCanvas);
    const QImage canvas = onGrid(picture, shared);
    if (canvas.isNull())
        return unrenderable(gridCanvas);
    // The 1024 picture's PNG, the longest single job, is made while the smaller pictures are rendered; the
    // file then takes its bytes from the cache.
    const QList<int> edges(std::begin(smallerEdges), std::end(smallerEdges));
    QList<QImage> pictures;
    parallelFor(2, [&](int job) {
        if (job == 0)
            static_cast<void>(pngs.encode(canvas, PngColour::Rgba));
        else
            pictures = renderSquares(Image(canvas), edges);
    });
    for (qsizetype i = 0; i < edges.size(); ++i)
        if (pictures[i].isNull())
            return unrenderable(edges[i]);
    pictures.prepend(canvas);
    return encodeIcns(pictures, &pngs);
}

} // namespace

// The icons are the picture with every effect, as the classic macOS set has it, placed on the grid:
// macOS cuts no .icns to its shape, so the file brings its own margin and corners.
WriteReport writeMacosIcns(const Generation &generation, const QString &outputFolder,
                           const FailureSink &sink) {
    TargetFiles files(outputFolder, targetFolder(Platform::MacOSIcns), sink);
    if (files.ready())
        files.write(u"AppIcon.icns"_s, icnsBytes(generation.processed(), generation.shared()));
    return files.report();
}

} // namespace glyphon
