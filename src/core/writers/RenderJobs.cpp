#include "RenderJobs.h"

#include "imaging/IcoEncoder.h"
#include "imaging/ParallelFor.h"
#include "imaging/PngEncoder.h"
#include "imaging/Resampler.h"

#include <algorithm>

namespace glyphon {

namespace {

Result<QByteArray> encode(const QImage &icon, IconEncoding encoding) {
    switch (encoding) {
    case IconEncoding::Png:
        return encodePng(icon);
    case IconEncoding::Ico:
        return encodeIco(icon);
    }
    return Error{ErrorKind::EncodeFailed, {}, QStringLiteral("the file format is unknown")};
}

Error unrenderable(int edge) {
    return {ErrorKind::RenderFailed, {}, QStringLiteral("no %1×%1 picture could be made").arg(edge)};
}

} // namespace

QList<Result<QByteArray>> renderIcons(const Image &image, const QList<RenderJob> &jobs) {
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
        SourceLevels levels(image.bitmap());
        QList<QSize> sizes;
        for (const Edge &e : distinct)
            sizes.append(QSize(e.edge, e.edge));
        levels.prepare(sizes);
        Edge *const edges = distinct.data();
        parallelFor(int(distinct.size()), [&](int i) {
            Edge &e = edges[i];
            const QImage icon = levels.render(e.edge, e.edge);
            for (const IconEncoding encoding : e.encodings)
                e.made.append(icon.isNull() ? Result<QByteArray>(unrenderable(e.edge))
                                            : encode(icon, encoding));
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

QList<QImage> renderPictures(const Image &image, const QList<int> &edges) {
    QList<QImage> pictures(edges.size());
    if (image.isNull())
        return pictures;
    SourceLevels levels(image.bitmap());
    QList<QSize> sizes;
    for (const int edge : edges)
        if (edge > 0)
            sizes.append(QSize(edge, edge));
    levels.prepare(sizes);
    QImage *const made = pictures.data();
    parallelFor(int(edges.size()), [&](int i) {
        if (edges[i] > 0)
            made[i] = levels.render(edges[i], edges[i]);
    });
    return pictures;
}

} // namespace glyphon
