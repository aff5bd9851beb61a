#include "imaging/ParallelFor.h"
#include "imaging/PngCache.h"
#include "imaging/RenderCache.h"
#include "imaging/Resampler.h"
#include "imaging/Variants.h"
#include "writers/Generation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace {

// A disc with a soft edge and a stripe of noise on a transparent square: every encoder path and every
// render edge sees colour, alpha and detail.
QImage testPicture(int edge, int seed = 1) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40 * seed % 256, 120, 200));
    painter.drawEllipse(QRectF(edge * 0.1, edge * 0.1, edge * 0.8, edge * 0.8));
    painter.end();
    quint32 state = quint32(seed) * 2654435761u;
    for (int y = edge / 3; y < edge / 2; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < edge; ++x) {
            state = state * 1664525u + 1013904223u;
            const int v = int(state >> 24);
            row[x] = qRgba(v, 255 - v, v / 2, 255);
        }
    }
    return image;
}

QMap<QString, QByteArray> treeBytes(const QString &root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        files.insert(QDir(root).relativeFilePath(path), file.readAll());
    }
    return files;
}

} // namespace

TEST(PngCache, EqualPicturesShareOneEncodeAndOthersGetTheirOwn) {
    PngCache cache;
    const QImage picture = testPicture(96);
    const QByteArray fresh = *encodePng(picture, PngColour::Rgba);
    // The same pixels in another QImage, and in another format, are the same picture.
    QImage copy = picture.copy();
    EXPECT_EQ(*cache.encode(picture, PngColour::Rgba), fresh);
    EXPECT_EQ(*cache.encode(copy, PngColour::Rgba), fresh);
    EXPECT_EQ(*cache.encode(picture.convertToFormat(QImage::Format_ARGB32), PngColour::Rgba), fresh);
    EXPECT_EQ(cache.reused(), 2);
    // Another colour type, or one pixel changed, is another file.
    EXPECT_EQ(*cache.encode(picture, PngColour::Rgb), *encodePng(picture, PngColour::Rgb));
    copy.setPixel(95, 95, qRgba(1, 2, 3, 255));
    EXPECT_EQ(*cache.encode(copy, PngColour::Rgba), *encodePng(copy, PngColour::Rgba));
    EXPECT_NE(*cache.encode(copy, PngColour::Rgba), fresh);
    EXPECT_EQ(cache.reused(), 3);
    // Nothing to encode stays a failure, and is not remembered as a picture.
    EXPECT_FALSE(cache.encode(QImage(), PngColour::Rgba));
    EXPECT_EQ(*encodePng(picture, PngColour::Rgba, nullptr), fresh);
}

// A picture filled with a ground as it is encoded: the bytes of the filled copy, made once per picture
// and ground. Over black nothing is filled, and a picture with clear parts still gives the bytes its
// black-filled copy gives, in both colour types without alpha.
TEST(PngCache, APictureShownOverAGroundIsTheFilledPictureEncodedOnce) {
    PngCache cache;
    const QImage picture = testPicture(200, 2);
    const Color teal{0.0, 0.5, 0.5, 1.0}, black{0.0, 0.0, 0.0, 1.0};
    for (const PngColour colour : {PngColour::Rgb, PngColour::Grey})
        for (const Color &ground : {teal, black})
            EXPECT_EQ(*cache.encodeOver(picture, colour, ground),
                      *encodePng(flattenOnto(Image(picture), ground).bitmap(), colour))
                << int(colour) << " over " << ground.red;
    EXPECT_EQ(cache.reused(), 0);
    // Asked again, as the same image or as a copy of its pixels: the same bytes, not made again.
    const QByteArray overTeal = *cache.encodeOver(picture, PngColour::Rgb, teal);
    EXPECT_EQ(*cache.encodeOver(picture.copy(), PngColour::Rgb, teal), overTeal);
    EXPECT_EQ(cache.reused(), 2);
    // Another ground is another file; the picture as it is, without a ground, is one too.
    EXPECT_NE(*cache.encodeOver(picture, PngColour::Rgb, Color{0.5, 0.5, 0.5, 1.0}), overTeal);
    EXPECT_EQ(*cache.encode(picture, PngColour::Rgb), *encodePng(picture, PngColour::Rgb));
    EXPECT_EQ(cache.reused(), 2);
}

TEST(PngCache, ManyThreadsAskingForOnePictureGetOneEncode) {
    PngCache cache;
    const QImage picture = testPicture(256, 3);
    const QByteArray fresh = *encodePng(picture, PngColour::Rgba);
    std::vector<QByteArray> got(32);
    parallelFor(32, [&](int i) { got[size_t(i)] = *cache.encode(picture.copy(), PngColour::Rgba); });
    for (const QByteArray &bytes : got)
        EXPECT_EQ(bytes, fresh);
    EXPECT_EQ(cache.reused(), 31);
}

TEST(RenderCache, RendersAreThoseOfAFreshRenderAtEveryEdge) {
    RenderCache cache;
    for (const int source : {1024, 1023, 100}) {
        const Image picture(testPicture(source, source));
        const QList<int> edges{512, 1, 17, 180, 16, source, 300};
        const QList<QImage> cached = cache.squares(picture, edges);
        ASSERT_EQ(cached.size(), edges.size());
        for (qsizetype i = 0; i < edges.size(); ++i) {
            // Uncached, with only this edge's levels made.
            SourceLevels levels(picture.bitmap());
            levels.prepare({QSize(edges[i], edges[i])});
            EXPECT_EQ(cached[i], levels.render(edges[i], edges[i])) << source << " at " << edges[i];
        }
    }
}

TEST(RenderCache, EachPictureAndEdgeIsRenderedOnce) {
    RenderCache cache;
    const Image first(testPicture(200, 1));
    const Image second(testPicture(200, 2));
    const QList<QImage> a = cache.squares(first, {64, 32, 64, 0});
    ASSERT_EQ(a.size(), 4);
    EXPECT_EQ(a[0], a[2]);
    EXPECT_TRUE(a[3].isNull());
    EXPECT_EQ(cache.reused(), 0);
    // A copy of the Image is the same picture; another picture of the same size is not.
    const QList<QImage> again = cache.squares(Image(first), {32});
    EXPECT_EQ(again[0].cacheKey(), a[1].cacheKey());
    EXPECT_EQ(cache.reused(), 1);
    EXPECT_NE(cache.squares(second, {32})[0], a[1]);
    EXPECT_EQ(cache.reused(), 1);
    EXPECT_TRUE(cache.squares(Image(), {32})[0].isNull());
}

// A part of a render is made once per edge and window, apart from the whole render at that edge, and
// holds that render's pixels.
TEST(RenderCache, PartsAreCutFromTheirRenderAndMadeOnceEach) {
    RenderCache cache;
    const Image picture(testPicture(300, 3));
    const RenderCache::SquarePart middle{120, QRect(30, 30, 60, 60)};
    const QList<QImage> parts =
        cache.parts(picture, {middle, {120, QRect(0, 0, 120, 120)}, middle, {120, QRect(100, 0, 40, 10)}});
    ASSERT_EQ(parts.size(), 4);
    EXPECT_EQ(cache.reused(), 0);
    EXPECT_EQ(parts[0].cacheKey(), parts[2].cacheKey());
    EXPECT_EQ(parts[0], parts[1].copy(middle.window));
    EXPECT_TRUE(parts[3].isNull()) << "a window reaching past the render";
    // The whole square is the one squares() hands out; the middle is another render.
    EXPECT_EQ(cache.squares(picture, {120})[0].cacheKey(), parts[1].cacheKey());
    EXPECT_EQ(cache.reused(), 1);
}

// Sharing renders and encodes between the targets of a run, written side by side, changes nothing: every
// target written in one run has the bytes it has when written alone, and the reports come in order.
TEST(SharedWork, EveryTargetWrittenTogetherMatchesItWrittenAlone) {
    GenerationInputs inputs;
    inputs.source = Image(testPicture(1024, 5));
    inputs.effects.withRoundedCorners = true;
    inputs.effects.withPadding = true;
    inputs.effects.paddingPx = 60;
    inputs.effects.withTint = true;
    inputs.effects.colorSelection = Color{0.2, 0.4, 0.9, 1.0};
    QTemporaryDir together, alone;
    const QList<Platform> platforms(allPlatforms.begin(), allPlatforms.end());
    {
        const Generation generation(inputs);
        QList<Platform> reported;
        writeTargets(
            platforms, generation, together.path(),
            [&](Platform platform, const WriteReport &report) {
                reported.append(platform);
                EXPECT_TRUE(report.failures.isEmpty()) << platformName(platform).toStdString();
                EXPECT_GT(report.written, 0) << platformName(platform).toStdString();
            },
            [](const Error &error) { ADD_FAILURE() << error.description().toStdString(); });
        EXPECT_EQ(reported, platforms);
    }
    for (const Platform platform : allPlatforms) {
        const Generation generation(inputs);
        EXPECT_TRUE(writeTarget(platform, generation, alone.path(), [](const Error &) {}).failures.isEmpty());
    }
    const QMap<QString, QByteArray> a = treeBytes(together.path()), b = treeBytes(alone.path());
    EXPECT_EQ(a.keys(), b.keys());
    for (auto it = a.cbegin(); it != a.cend(); ++it)
        EXPECT_TRUE(it.value() == b.value(it.key())) << it.key().toStdString();
    EXPECT_GT(a.size(), 100);
}

// Targets that fail and targets that succeed, written side by side: each failure reaches the sink in the
// order of the platforms, before its target's report, as one target after another would give them.
TEST(SharedWork, FailuresOfTargetsWrittenSideBySideComeInTheirOrder) {
    GenerationInputs inputs;
    inputs.source = Image(testPicture(256, 3));
    QTemporaryDir dir;
    // A file where a target's folder belongs: that target writes nothing.
    const QList<Platform> blocked{Platform::IOS, Platform::Linux, Platform::Web};
    for (const Platform platform : blocked) {
        QFile stone(QDir(dir.path()).filePath(targetFolder(platform)));
        ASSERT_TRUE(stone.open(QIODevice::WriteOnly));
    }
    const QList<Platform> platforms(allPlatforms.begin(), allPlatforms.end());
    QStringList events;
    const Generation generation(inputs);
    writeTargets(
        platforms, generation, dir.path(),
        [&](Platform platform, const WriteReport &report) {
            events.append(u"report "_s + platformName(platform) + u' ' +
                          QString::number(report.failures.size()));
        },
        // Named by the target's folder the failing path lies in.
        [&](const Error &error) {
            events.append(u"failure "_s + QDir(dir.path()).relativeFilePath(error.path).section(u'/', 0, 0));
        });

    QStringList expected;
    for (const Platform platform : platforms) {
        const bool fails = blocked.contains(platform);
        if (fails)
            expected.append(u"failure "_s + targetFolder(platform));
        expected.append(u"report "_s + platformName(platform) + (fails ? u" 1"_s : u" 0"_s));
    }
    EXPECT_EQ(events.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}
