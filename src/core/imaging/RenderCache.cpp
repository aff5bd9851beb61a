#include "RenderCache.h"

#include "ParallelFor.h"
#include "Resampler.h"

#include <QHash>
#include <QMutex>
#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>

namespace glyphon {

struct RenderCache::State {
    struct Render {
        std::once_flag once;
        QImage image;
    };
    struct Picture {
        QImage bitmap;
        std::once_flag levelsOnce;
        std::optional<SourceLevels> levels;
        // By edge and window (left, top, width, height).
        std::map<std::array<int, 5>, std::shared_ptr<Render>> renders;
    };

    QMutex mutex;
    QHash<qint64, std::shared_ptr<Picture>> pictures;
    std::atomic<int> reused{0};
};

RenderCache::RenderCache() : m_state(std::make_unique<State>()) {}

RenderCache::~RenderCache() = default;

QList<QImage> RenderCache::squares(const Image &picture, const QList<int> &edges) {
    QList<SquarePart> whole;
    whole.reserve(edges.size());
    for (const int edge : edges)
        whole.append({edge, QRect(0, 0, edge, edge)});
    return parts(picture, whole);
}

QList<QImage> RenderCache::parts(const Image &picture, const QList<SquarePart> &wanted) {
    const auto keyOf = [](const SquarePart &part) {
        const QRect &w = part.window;
        return std::array<int, 5>{part.edge, w.left(), w.top(), w.width(), w.height()};
    };
    const auto valid = [](const SquarePart &part) {
        return part.edge >= 1 && !part.window.isEmpty() &&
               QRect(0, 0, part.edge, part.edge).contains(part.window);
    };
    QList<SquarePart> distinct;
    for (const SquarePart &part : wanted)
        if (valid(part) && std::none_of(distinct.cbegin(), distinct.cend(),
                                        [&](const SquarePart &seen) { return keyOf(seen) == keyOf(part); }))
            distinct.append(part);
    // Largest first, so a long render does not end up alone at the tail of the batch.
    std::stable_sort(distinct.begin(), distinct.end(), [](const SquarePart &a, const SquarePart &b) {
        return qint64(a.window.width()) * a.window.height() > qint64(b.window.width()) * b.window.height();
    });

    QList<std::shared_ptr<State::Render>> renders;
    std::shared_ptr<State::Picture> source;
    if (!distinct.isEmpty() && !picture.isNull()) {
        const QMutexLocker lock(&m_state->mutex);
        std::shared_ptr<State::Picture> &slot = m_state->pictures[picture.bitmap().cacheKey()];
        if (!slot) {
            slot = std::make_shared<State::Picture>();
            slot->bitmap = picture.bitmap();
        }
        source = slot;
        for (const SquarePart &part : distinct) {
            std::shared_ptr<State::Render> &render = source->renders[keyOf(part)];
            if (render)
                ++m_state->reused;
            else
                render = std::make_shared<State::Render>();
            renders.append(render);
        }
    }
    if (source) {
        // Every level down to a single pixel: a few kilobytes more than the largest edge needs, and a render
        // then starts from the deepest level that fits it, as it would with only its own edges prepared.
        std::call_once(source->levelsOnce, [&] {
            source->levels.emplace(source->bitmap);
            source->levels->prepare({QSize(1, 1)});
        });
        const SourceLevels &levels = *source->levels;
        // A large render is spread over the cores too: one 1024 or 824 render would otherwise hold a core
        // while the others, done with the small ones, wait. The rows come out the same either way.
        parallelFor(int(distinct.size()), [&](int i) {
            State::Render &render = *renders[i];
            const SquarePart &part = distinct[i];
            std::call_once(render.once, [&] {
                render.image = levels.render(part.edge, part.edge, part.window, part.edge >= 256);
            });
        });
    }

    QList<QImage> results;
    results.reserve(wanted.size());
    for (const SquarePart &part : wanted) {
        const auto at = std::find_if(distinct.cbegin(), distinct.cend(),
                                     [&](const SquarePart &seen) { return keyOf(seen) == keyOf(part); });
        results.append(at == distinct.cend() || !source ? QImage() : renders[at - distinct.cbegin()]->image);
    }
    return results;
}

int RenderCache::reused() const {
    return m_state->reused.load();
}

} // namespace glyphon
