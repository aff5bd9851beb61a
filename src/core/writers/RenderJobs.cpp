#include "RenderJobs.h"

#include "imaging/ParallelFor.h"
#include "imaging/Renderer.h"

namespace glyphon {

QList<QByteArray> renderPngs(const Image &image, const QList<int> &edges) {
    QList<QByteArray> pngs(edges.size());
    // Largest first, so the long renders do not end up alone at the tail of the batch.
    QList<int> order(edges.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return edges[a] > edges[b]; });
    parallelFor(int(order.size()), [&](int k) {
        const int i = order[k];
        if (const auto icon = resizeImage(image, edges[i], edges[i]))
            pngs[i] = pngData(*icon);
    });
    return pngs;
}

} // namespace glyphon
