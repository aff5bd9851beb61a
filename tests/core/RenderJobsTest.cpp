#include "writers/RenderJobs.h"

#include "imaging/IcoEncoder.h"
#include "imaging/ParallelFor.h"
#include "imaging/PngEncoder.h"
#include "imaging/Renderer.h"

#include <QPainter>
#include <QSemaphore>
#include <QThreadPool>
#include <atomic>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

Image picture(int edge) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(220, 40, 60));
    painter.setPen(QPen(QColor(20, 120, 40), edge / 40.0));
    painter.drawEllipse(QRectF(edge * 0.1, edge * 0.15, edge * 0.8, edge * 0.7));
    painter.drawLine(QPointF(edge * 0.5, 0), QPointF(edge * 0.55, edge * 0.3));
    painter.end();
    return Image(image);
}

// Runs the body with the global pool limited to `threads`, then restores it.
template <typename Body> auto withThreads(int threads, Body body) {
    QThreadPool *pool = QThreadPool::globalInstance();
    const int saved = pool->maxThreadCount();
    pool->setMaxThreadCount(threads);
    auto result = body();
    pool->setMaxThreadCount(saved);
    return result;
}

const QList<int> iosEdges = {40,  60,  58,  87,  76,  114, 80,  120, 120, 180,
                             128, 192, 136, 204, 152, 228, 167, 250, 1024};

QList<RenderJob> pngJobs(const QList<int> &edges) {
    QList<RenderJob> jobs;
    for (const int edge : edges)
        jobs.append({edge, IconEncoding::Png});
    return jobs;
}

// Each job's bytes; empty where it failed.
QList<QByteArray> renderPngs(const Image &image, const QList<int> &edges) {
    QList<QByteArray> bytes;
    for (const Result<QByteArray> &made : renderIcons(image, pngJobs(edges)))
        bytes.append(made.valueOr({}));
    return bytes;
}

} // namespace

TEST(RenderJobs, EachEntryIsWhatItsOwnRenderWouldWrite) {
    // Shared reductions and edges made once must give the bytes of one resizeImage and encoding each, in
    // either format, also where one edge is asked for in both, odd sources with their partial boxes included.
    for (const int edge : {1024, 1025, 1531}) {
        const Image source = picture(edge);
        QList<RenderJob> jobs = pngJobs(iosEdges);
        jobs.append({16, IconEncoding::Ico});
        jobs.append({16, IconEncoding::Png});
        jobs.append({120, IconEncoding::Ico});
        const QList<Result<QByteArray>> made = renderIcons(source, jobs);
        ASSERT_EQ(made.size(), jobs.size());
        for (qsizetype i = 0; i < jobs.size(); ++i) {
            const RenderJob &job = jobs[i];
            const auto icon = resizeImage(source, job.edge, job.edge);
            ASSERT_TRUE(icon);
            const Result<QByteArray> expected =
                job.encoding == IconEncoding::Png ? encodePng(icon->bitmap()) : encodeIco(icon->bitmap());
            ASSERT_TRUE(made[i]) << job.edge;
            EXPECT_EQ(*made[i], *expected) << edge << "→" << job.edge;
        }
    }
}

TEST(RenderJobs, ParallelFilesAreIdenticalToSingleThreaded) {
    const Image source = picture(2047);
    const QList<int> edges = {16, 32, 32, 64, 128, 256, 256, 512, 512, 1024, 57, 310};
    const auto single = withThreads(1, [&] { return renderPngs(source, edges); });
    const auto parallel = withThreads(4, [&] { return renderPngs(source, edges); });
    EXPECT_EQ(single, parallel);
}

TEST(RenderJobs, CalledFromPoolThreadsItNeitherDeadlocksNorDiffers) {
    // The window runs the writers on the pool, so renderIcons spreads its work from a pool thread.
    const Image source = picture(1024);
    const QList<int> edges = {16, 48, 96, 144, 192};
    const QList<QByteArray> direct = renderPngs(source, edges);
    for (const int threads : {1, 2, 3}) {
        const auto results = withThreads(threads, [&] {
            QList<QList<QByteArray>> made(3);
            QSemaphore done;
            for (int job = 0; job < 3; ++job)
                QThreadPool::globalInstance()->start([&, job] {
                    made[job] = renderPngs(source, edges);
                    done.release();
                });
            done.acquire(3);
            return made;
        });
        for (const auto &result : results)
            EXPECT_EQ(result, direct) << threads << " threads";
    }
}

TEST(RenderJobs, ImpossibleJobsAreFailuresOfTheirOwn) {
    const QList<Result<QByteArray>> made = renderIcons(
        picture(64),
        {{0, IconEncoding::Png}, {16, IconEncoding::Png}, {-3, IconEncoding::Png}, {300, IconEncoding::Ico}});
    ASSERT_EQ(made.size(), 4);
    ASSERT_FALSE(made[0]);
    EXPECT_EQ(made[0].error().kind, ErrorKind::RenderFailed);
    EXPECT_TRUE(made[1]);
    ASSERT_FALSE(made[2]);
    EXPECT_EQ(made[2].error().kind, ErrorKind::RenderFailed);
    // An ICO entry holds at most 256 pixels a side.
    ASSERT_FALSE(made[3]);
    EXPECT_EQ(made[3].error().kind, ErrorKind::EncodeFailed);

    const QList<Result<QByteArray>> none = renderIcons(Image(), {{16, IconEncoding::Png}});
    ASSERT_EQ(none.size(), 1);
    ASSERT_FALSE(none[0]);
    EXPECT_EQ(none[0].error().kind, ErrorKind::RenderFailed);
    EXPECT_TRUE(renderIcons(picture(64), {}).isEmpty());
}

TEST(ParallelFor, RunsEveryIndexExactlyOnce) {
    for (const int count : {0, 1, 2, 7, 100}) {
        std::vector<std::atomic<int>> runs(size_t(std::max(count, 1)));
        parallelFor(count, [&](int i) { runs[size_t(i)]++; });
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(runs[size_t(i)].load(), 1) << count << " items, index " << i;
    }
}

TEST(ParallelFor, NestedCallsFinishEvenWithOnePoolThread) {
    for (const int threads : {1, 2}) {
        const int total = withThreads(threads, [] {
            std::atomic<int> sum = 0;
            parallelFor(4, [&](int) { parallelFor(5, [&](int j) { sum += j; }); });
            return sum.load();
        });
        EXPECT_EQ(total, 4 * 10) << threads << " threads";
    }
}

// Later jobs that finish first still wait for the earlier ones to be delivered; each job runs once, and a
// call from within a job runs its own jobs in turn instead of waiting for the threads it holds.
TEST(SideBySide, DeliversInOrderWhateverOrderTheJobsFinishIn) {
    constexpr int count = 6;
    std::vector<std::atomic<int>> runs(count);
    QList<int> delivered;
    QThread *const caller = QThread::currentThread();
    sideBySide(
        count,
        [&](int i) {
            // The first job is the slowest.
            if (i == 0)
                QThread::msleep(50);
            runs[size_t(i)]++;
        },
        [&](int i) {
            EXPECT_EQ(QThread::currentThread(), caller);
            EXPECT_EQ(runs[size_t(i)].load(), 1);
            delivered.append(i);
        });
    EXPECT_EQ(delivered, QList<int>({0, 1, 2, 3, 4, 5}));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(runs[size_t(i)].load(), 1) << i;

    std::atomic<int> inner = 0;
    QList<int> outer;
    sideBySide(
        QThread::idealThreadCount() + 2,
        [&](int) {
            sideBySide(
                3, [&](int j) { inner += j; }, [](int) {});
        },
        [&](int i) { outer.append(i); });
    EXPECT_EQ(inner.load(), (QThread::idealThreadCount() + 2) * 3);
    EXPECT_EQ(outer.size(), QThread::idealThreadCount() + 2);
}

// A start order puts the long jobs on the threads first; the deliveries still follow the jobs' own order,
// and an order that does not list every job once is ignored rather than dropping or repeating any.
TEST(SideBySide, StartsInTheGivenOrderAndDeliversInTheJobsOwn) {
    const int count = QThread::idealThreadCount() + 3;
    std::vector<int> reversed(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        reversed[size_t(i)] = count - 1 - i;
    std::atomic<int> begun = 0;
    std::vector<int> beginRank(size_t(count), -1);
    QList<int> delivered;
    sideBySide(
        count,
        [&](int i) {
            beginRank[size_t(i)] = begun++;
            // Long enough that a job queued later cannot begin before one queued earlier has.
            QThread::msleep(30);
        },
        [&](int i) { delivered.append(i); }, reversed);
    QList<int> inOrder;
    for (int i = 0; i < count; ++i)
        inOrder.append(i);
    EXPECT_EQ(delivered, inOrder);
    EXPECT_GT(beginRank[0], beginRank[size_t(count - 1)]);
    EXPECT_EQ(beginRank[0], count - 1);

    for (const std::vector<int> &unusable : {std::vector<int>{0, 0, 1}, std::vector<int>{2, 1}}) {
        std::vector<std::atomic<int>> runs(3);
        delivered.clear();
        sideBySide(
            3, [&](int i) { runs[size_t(i)]++; }, [&](int i) { delivered.append(i); }, unusable);
        EXPECT_EQ(delivered, QList<int>({0, 1, 2}));
        for (const auto &ran : runs)
            EXPECT_EQ(ran.load(), 1);
    }
}
