#include "ParallelFor.h"

#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QWaitCondition>
#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <vector>

namespace glyphon {

namespace {

struct Batch {
    explicit Batch(int count, std::function<void(int)> body) : count(count), body(std::move(body)) {}
    const int count;
    const std::function<void(int)> body;
    std::atomic<int> next{0};
    int finished = 0;
    QMutex mutex;
    QWaitCondition allDone;

    // Claims items until none is left; helpers that start late claim nothing and leave at once.
    void drain() {
        int ran = 0;
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            body(i);
            ++ran;
        }
        if (ran == 0)
            return;
        QMutexLocker lock(&mutex);
        finished += ran;
        if (finished == count)
            allDone.wakeAll();
    }
};

// A pool of its own, a thread per core, never torn down (threads may still run at exit).
QThreadPool *poolOfCores() {
    auto *made = new QThreadPool;
    made->setMaxThreadCount(QThread::idealThreadCount());
    return made;
}

// The engine's own threads. Qt splits a large QImage conversion over its global pool and waits for the
// parts; a thread of ours that waits for another's picture (a once-made render, say) while that one
// converts would, on the global pool, hold a thread those parts need, and with every thread so held the
// run would never end.
QThreadPool *enginePool() {
    static QThreadPool *const pool = poolOfCores();
    return pool;
}

// Whole jobs run here, apart from the engine's threads: a job waits for its parallelFor batches, and on
// the engine's pool it would hold a thread its own batch could use.
QThreadPool *jobPool() {
    static QThreadPool *const pool = poolOfCores();
    return pool;
}

} // namespace

void parallelFor(int count, const std::function<void(int)> &body) {
    if (count <= 0)
        return;
    if (count == 1) {
        body(0);
        return;
    }
    auto batch = std::make_shared<Batch>(count, body);
    QThreadPool *pool = enginePool();
    const int helpers = qMin(count - 1, qMax(0, pool->maxThreadCount() - 1));
    for (int i = 0; i < helpers; ++i)
        pool->start([batch] { batch->drain(); });
    batch->drain();
    QMutexLocker lock(&batch->mutex);
    while (batch->finished < count)
        batch->allDone.wait(&batch->mutex);
}

void sideBySide(int count, const std::function<void(int)> &job, const std::function<void(int)> &deliver,
                const std::vector<int> &startOrder) {
    if (count <= 0)
        return;
    QThreadPool *pool = jobPool();
    if (pool->contains(QThread::currentThread())) {
        for (int i = 0; i < count; ++i) {
            job(i);
            deliver(i);
        }
        return;
    }
    struct Progress {
        QMutex mutex;
        QWaitCondition changed;
        std::vector<bool> done;
    };
    // Shared, as a job may still be leaving the mutex when the last delivery returns.
    const auto progress = std::make_shared<Progress>();
    progress->done.assign(size_t(count), false);
    // Without a usable start order, the first jobs, delivered first, also start first.
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    if (std::is_permutation(startOrder.cbegin(), startOrder.cend(), order.cbegin(), order.cend()))
        order = startOrder;
    for (const int i : order)
        pool->start([progress, &job, i] {
            job(i);
            const QMutexLocker lock(&progress->mutex);
            progress->done[size_t(i)] = true;
            progress->changed.wakeAll();
        });
    for (int i = 0; i < count; ++i) {
        {
            QMutexLocker lock(&progress->mutex);
            while (!progress->done[size_t(i)])
                progress->changed.wait(&progress->mutex);
        }
        deliver(i);
    }
}

} // namespace glyphon
