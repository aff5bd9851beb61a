#include "RenderCache.h"

#include "ParallelFor.h"
#include "Resampler.h"

#include <QHash>
#include <QMutex>
#include <algorithm>
#include <atomic>
#include <functional>
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
        QHash<int, std::shared_ptr<Render>> renders;
    };

    QMutex mutex;
    QHash<qint64, std::shared_ptr<Picture>> pictures;
    std::atomic<int> reused{0};
};

RenderCache::RenderCache() : m_state(std::make_unique<State>()) {}

RenderCache::~RenderCache() = default;

QList<QImage> RenderCache::squares(const Image &picture, const QList<int> &edges) {
    QList<int> distinct;
    for (const int edge : edges)
        if (edge >= 1 && !distinct.contains(edge))
            distinct.append(edge);
    std::sort(distinct.begin(), distinct.end(), std::greater<>());

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
        for (const int edge : distinct) {
            std::shared_ptr<State::Render> &render = source->renders[edge];
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
            std::call_once(render.once, [&] {
                render.image = levels.render(distinct[i], distinct[i], distinct[i] >= 256);
            });
        });
    }

    QList<QImage> results;
    results.reserve(edges.size());
    for (const int edge : edges) {
        const qsizetype at = distinct.indexOf(edge);
        results.append(at < 0 || !source ? QImage() : renders[at]->image);
    }
    return results;
}

int RenderCache::reused() const {
    return m_state->reused.load();
}

} // namespace glyphon
