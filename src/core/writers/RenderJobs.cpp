#include "RenderJobs.h"

#include "imaging/ParallelFor.h"
#include "imaging/PngEncoder.h"
#include "imaging/Resampler.h"

#include <algorithm>

namespace glyphon {

QList<QByteArray> renderPngs(const Image &image, const QList<int> &edges) {
    QList<QByteArray> pngs(edges.size());
    if (image.isNull())
        return pngs;

    // A render depends only on the source and the edge, so an edge asked for twice is made once
    // and both entries get the same bytes, exactly what two renders would have given.
    QList<int> distinct;
    for (const int edge : edges)
        if (edge >= 1 && !distinct.contains(edge))
            distinct.append(edge);
    // Largest first, so the long renders do not end up alone at the tail of the batch.
    std::sort(distinct.begin(), distinct.end(), std::greater<>());

    SourceLevels levels(image.bitmap());
    QList<QSize> sizes;
    for (const int edge : distinct)
        sizes.append(QSize(edge, edge));
    levels.prepare(sizes);

    QList<QByteArray> made(distinct.size());
    parallelFor(int(distinct.size()), [&](int i) {
        const QImage icon = levels.render(distinct[i], distinct[i]);
        if (!icon.isNull())
            made[i] = encodePng(icon);
    });
    for (qsizetype i = 0; i < edges.size(); ++i) {
        const qsizetype at = distinct.indexOf(edges[i]);
        if (at >= 0)
            pngs[i] = made[at];
    }
    return pngs;
}

} // namespace glyphon
