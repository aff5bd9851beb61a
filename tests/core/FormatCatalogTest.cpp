#include "catalog/FormatCatalog.h"

#include <gtest/gtest.h>
#include <thread>

using namespace glyphon;

TEST(FormatCatalog, HoldsThirtyFiveSlotsInThreePlatforms) {
    const auto &catalog = formatCatalog();
    EXPECT_EQ(catalog.size(), 3);
    EXPECT_EQ(formatsFor(QStringLiteral("macOS")).size(), 5);
    EXPECT_EQ(formatsFor(QStringLiteral("watchOS")).size(), 20);
    EXPECT_EQ(formatsFor(QStringLiteral("iOS")).size(), 10);
}

TEST(FormatCatalog, UnknownKeyYieldsNoList) {
    EXPECT_TRUE(formatsFor(QStringLiteral("tvOS")).isEmpty());
    EXPECT_TRUE(formatsFor(QStringLiteral("macos")).isEmpty());
    EXPECT_TRUE(formatsFor(QString()).isEmpty());
}

TEST(FormatCatalog, IdiomsAndPlatformsPerKey) {
    for (const auto &f : formatsFor(QStringLiteral("macOS"))) {
        EXPECT_EQ(f->idiom, QStringLiteral("mac"));
        EXPECT_TRUE(f->platform.isEmpty());
        EXPECT_EQ(f->scales, (QList<qint64>{1, 2}));
    }
    for (const auto &f : formatsFor(QStringLiteral("watchOS"))) {
        EXPECT_EQ(f->idiom, QStringLiteral("universal"));
        EXPECT_EQ(f->platform, QStringLiteral("watchos"));
    }
    for (const auto &f : formatsFor(QStringLiteral("iOS"))) {
        EXPECT_EQ(f->idiom, QStringLiteral("universal"));
        EXPECT_EQ(f->platform, QStringLiteral("ios"));
    }
}

TEST(FormatCatalog, FractionalSizesStayExactAndTruncate) {
    const auto &watch = formatsFor(QStringLiteral("watchOS"));
    EXPECT_EQ(watch.at(2)->size, 27.5f);
    EXPECT_EQ(watch.at(8)->size, 43.5f);
    EXPECT_EQ(formatsFor(QStringLiteral("iOS")).at(8)->size, 83.5f);
    EXPECT_EQ(pixelEdge(83.5f, 3), 250);
    EXPECT_EQ(pixelEdge(83.5f, 2), 167);
    EXPECT_EQ(pixelEdge(43.5f, 2), 87);
}

TEST(FormatCatalog, LastSlots) {
    const auto &watch = formatsFor(QStringLiteral("watchOS"));
    const auto &ios = formatsFor(QStringLiteral("iOS"));
    const auto &mac = formatsFor(QStringLiteral("macOS"));
    EXPECT_EQ(watch.last()->size, 1024.0f);
    EXPECT_EQ(watch.last()->scales, QList<qint64>{1});
    EXPECT_EQ(ios.last()->size, 1024.0f);
    EXPECT_EQ(ios.last()->scales, QList<qint64>{1});
    EXPECT_EQ(mac.last()->size, 512.0f);
    EXPECT_EQ(pixelEdge(mac.last()->size, mac.last()->scales.last()), 1024);
}

TEST(FormatCatalog, PixelEdgesMatchTheTables) {
    auto edges = [](const QString &key) {
        QList<int> out;
        for (const auto &f : formatsFor(key))
            for (qint64 s : f->scales)
                out << pixelEdge(f->size, s);
        return out;
    };
    EXPECT_EQ(edges(QStringLiteral("macOS")), (QList<int>{16, 32, 32, 64, 128, 256, 256, 512, 512, 1024}));
    EXPECT_EQ(edges(QStringLiteral("iOS")), (QList<int>{40, 60, 58, 87, 76, 114, 80, 120, 120, 180, 128, 192,
                                                        136, 204, 152, 228, 167, 250, 1024}));
    EXPECT_EQ(edges(QStringLiteral("watchOS")),
              (QList<int>{44, 48,  55,  58,  60,  64,  66,  80,  87,  88,
                          92, 100, 102, 108, 172, 196, 216, 234, 258, 1024}));
}

TEST(FormatCatalog, ConcurrentFirstUseSeesOneCatalog) {
    std::vector<std::thread> threads;
    std::vector<const void *> seen(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { seen[i] = &formatsFor(QStringLiteral("iOS")); });
    for (auto &t : threads)
        t.join();
    for (const void *p : seen)
        EXPECT_EQ(p, seen.front());
}
