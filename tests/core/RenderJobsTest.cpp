#include "writers/RenderJobs.h"

#include "imaging/ParallelFor.h"
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

} // namespace

TEST(RenderJobs, EachEntryIsWhatItsOwnRenderWouldWrite) {
    // Shared reductions and edges made once must give the bytes of one resizeImage + pngData each,
    // odd sources with their partial boxes included.
    for (const int edge : {1024, 1025, 1531}) {
        const Image source = picture(edge);
        const QList<QByteArray> pngs = renderPngs(source, iosEdges);
        ASSERT_EQ(pngs.size(), iosEdges.size());
        for (qsizetype i = 0; i < iosEdges.size(); ++i) {
            const auto icon = resizeImage(source, iosEdges[i], iosEdges[i]);
            ASSERT_TRUE(icon);
            EXPECT_EQ(pngs[i], pngData(*icon)) << edge << "→" << iosEdges[i];
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
    // The window runs the writers on the pool, so renderPngs spreads its work from a pool thread.
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

TEST(RenderJobs, ImpossibleEdgesGiveEmptyEntries) {
    const QList<QByteArray> pngs = renderPngs(picture(64), {0, 16, -3});
    ASSERT_EQ(pngs.size(), 3);
    EXPECT_TRUE(pngs[0].isEmpty());
    EXPECT_FALSE(pngs[1].isEmpty());
    EXPECT_TRUE(pngs[2].isEmpty());
    EXPECT_TRUE(renderPngs(Image(), {16}).value(0).isEmpty());
    EXPECT_TRUE(renderPngs(picture(64), {}).isEmpty());
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
