#include "RenderJobs.h"

#include "imaging/IcoEncoder.h"
#include "imaging/ParallelFor.h"
#include "imaging/PngEncoder.h"

#include <algorithm>

namespace glyphon {

namespace {

Result<QByteArray> encode(const QImage &icon, IconEncoding encoding, const Color &background,
                          PngCache *pngs) {
    switch (encoding) {
    case IconEncoding::Png:
        return encodePng(icon, PngColour::Rgba, pngs);
    case IconEncoding::OpaquePng:
        return encodePngOver(icon, PngColour::Rgb, background, pngs);
    case IconEncoding::Ico:
        return encodeIco(icon);
    }
    return Error{ErrorKind::EncodeFailed, {}, QStringLiteral("the file format is unknown")};
}

} // namespace

Error unrenderable(int edge) {
    return {ErrorKind::RenderFailed, {}, QStringLiteral("no %1×%1 picture could be made").arg(edge)};
}

QList<Result<QByteArray>> renderIcons(const Image &image, const QList<RenderJob> &jobs,
                                      const Color &background, SharedWork *shared) {
    // A render depends only on the source and the edge, so an edge asked for twice is made once, and
    // encoded once per format: every job gets exactly the bytes its own render would have given.
    struct Edge {
        int edge;
        QList<IconEncoding> encodings;
        QList<Result<QByteArray>> made;
    };
    QList<Edge> distinct;
    for (const RenderJob &job : jobs) {
        if (job.edge < 1 || image.isNull())
            continue;
        auto at =
            std::find_if(distinct.begin(), distinct.end(), [&](const Edge &e) { return e.edge == job.edge; });
        if (at == distinct.end())
            at = distinct.insert(distinct.end(), Edge{job.edge, {}, {}});
        if (!at->encodings.contains(job.encoding))
            at->encodings.append(job.encoding);
    }
    // Largest first, so the long renders do not end up alone at the tail of the batch.
    std::sort(distinct.begin(), distinct.end(), [](const Edge &a, const Edge &b) { return a.edge > b.edge; });

    if (!distinct.isEmpty()) {
        QList<int> edges;
        for (const Edge &e : distinct)
            edges.append(e.edge);
        const QList<QImage> icons = renderSquares(image, edges, shared);
        PngCache *const pngs = shared ? &shared->pngs : nullptr;
        Edge *const made = distinct.data();
        parallelFor(int(distinct.size()), [&](int i) {
            Edge &e = made[i];
            for (const IconEncoding encoding : e.encodings)
                e.made.append(icons[i].isNull() ? Result<QByteArray>(unrenderable(e.edge))
                                                : encode(icons[i], encoding, background, pngs));
        });
    }

    QList<Result<QByteArray>> results;
    results.reserve(jobs.size());
    for (const RenderJob &job : jobs) {
        const auto at = std::find_if(distinct.cbegin(), distinct.cend(),
                                     [&](const Edge &e) { return e.edge == job.edge; });
        if (at == distinct.cend())
            results.append(unrenderable(job.edge));
        else
            results.append(at->made.at(at->encodings.indexOf(job.encoding)));
    }
    return results;
}

QList<QImage> renderSquares(const Image &image, const QList<int> &edges, SharedWork *shared) {
    if (shared)
        return shared->renders.squares(image, edges);
    // Without a run to share with, a cache of this call alone: the same renders, made the same way.
    RenderCache own;
    return own.squares(image, edges);
}

} // namespace glyphon
