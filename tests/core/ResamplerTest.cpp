#include "imaging/Resampler.h"

#include "TestSupport.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

QImage premultipliedCanvas(int width, int height) {
    return QImage(width, height, QImage::Format_ARGB32_Premultiplied);
}

// A horizontal grey ramp from `low` to `high` that jumps at the middle column: a step edge.
QImage stepEdge(int edge, int low, int high) {
    QImage image = premultipliedCanvas(edge, edge);
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x) {
            const int v = x < edge / 2 ? low : high;
            image.setPixel(x, y, qRgb(v, v, v));
        }
    return image;
}

// cos(k r²): its local frequency grows from zero at the centre to the source's Nyquist limit at the
// edge, so a shrink that aliases paints rings (moiré) all over; a filtered one leaves flat grey.
QImage zonePlate(int edge) {
    QImage image = premultipliedCanvas(edge, edge);
    const double k = M_PI / edge;
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x) {
            const double dx = x + 0.5 - edge / 2.0, dy = y + 0.5 - edge / 2.0;
            const int v = int(std::lround(127.5 + 127.5 * std::cos(k * (dx * dx + dy * dy))));
            image.setPixel(x, y, qRgb(v, v, v));
        }
    return image;
}

// An opaque red disc on a transparent background whose hidden colour is green.
QImage redDiscOnHiddenGreen(int edge) {
    QImage straight(edge, edge, QImage::Format_ARGB32);
    straight.fill(QColor(0, 255, 0, 0));
    QPainter painter(&straight);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(QRectF(edge / 6.0, edge / 6.0, edge * 2 / 3.0, edge * 2 / 3.0));
    painter.end();
    return straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

int grey(const QImage &image, int x, int y) {
    return qRed(image.pixel(x, y));
}

// Valid premultiplied pixels of every alpha, each channel from its own cheap hash of the position,
// so that any box grouped wrongly shows in its mean.
QImage noise(int width, int height) {
    QImage image = premultipliedCanvas(width, height);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 h = (quint32(x) * 73856093u) ^ (quint32(y) * 19349663u) * 83492791u;
            const int alpha = int(h >> 24);
            row[x] = qRgba(int(h % 256) * alpha / 255, int(h >> 8 & 255) * alpha / 255,
                           int(h >> 16 & 255) * alpha / 255, alpha);
        }
    }
    return image;
}

// A smooth picture with a bright one-pixel frame, which a partial last box holds alone.
QImage framedPicture(int edge) {
    QImage image = premultipliedCanvas(edge, edge);
    for (int y = 0; y < edge; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < edge; ++x) {
            const double u = (x + 0.5) / edge - 0.5, v = (y + 0.5) / edge - 0.5;
            const int g = int(std::lround(60 + 50 * std::cos(9 * (u * u + v * v))));
            const bool frame = x == 0 || y == 0 || x == edge - 1 || y == edge - 1;
            row[x] = frame ? qRgb(255, 255, 255) : qRgb(g, 2 * g, 40);
        }
    }
    return image;
}

// Noise on a clear 1000 px canvas, off centre, so every level has a clear margin of its own on each side.
QImage noiseOnAClearMargin() {
    QImage art = premultipliedCanvas(1000, 1000);
    art.fill(Qt::transparent);
    QPainter painter(&art);
    painter.drawImage(QPoint(137, 200), noise(474, 750));
    painter.end();
    return art;
}

} // namespace

TEST(Resampler, FlatColoursStayExactlyTheSame) {
    // Weights that do not sum to exactly one would shift every flat area by a step or two.
    const QColor colours[] = {QColor(200, 30, 90), QColor(10, 250, 128, 128), QColor(255, 255, 255, 1)};
    const QSize cases[][2] = {{{1024, 1024}, {16, 16}}, {{1024, 1024}, {57, 57}}, {{1024, 1024}, {250, 250}},
                              {{4096, 64}, {87, 3}},    {{1025, 1025}, {16, 16}}, {{100, 100}, {1024, 1024}},
                              {{1, 1}, {16, 16}},       {{300, 200}, {77, 131}}};
    for (const QColor &colour : colours) {
        for (const auto &[from, to] : cases) {
            QImage source = premultipliedCanvas(from.width(), from.height());
            source.fill(colour);
            const QImage result = resample(source, to.width(), to.height());
            ASSERT_EQ(result.size(), to);
            ASSERT_EQ(result.format(), QImage::Format_ARGB32_Premultiplied);
            const QRgb want = source.pixel(0, 0);
            for (int y = 0; y < to.height(); ++y)
                for (int x = 0; x < to.width(); ++x)
                    ASSERT_EQ(result.pixel(x, y), want)
                        << colour.name(QColor::HexArgb).toStdString() << " " << from.width() << "→"
                        << to.width() << " at " << x << "," << y;
        }
    }
}

TEST(Resampler, StepEdgeStaysMonotoneApartFromBoundedRinging) {
    // Lanczos-3 rings by about a tenth of a step's height next to it and nowhere else: no value
    // leaves the band by more than an eighth, none drops below an earlier one by more than a fifth
    // (an overshoot and the dip after it), and beyond the filter's reach both sides are exactly
    // their own level.
    const int low = 64, high = 192;
    const int ringing = (high - low) / 8;
    const int dip = (high - low) / 5;
    for (const auto &[from, to] : {std::pair{1024, 57}, {1024, 16}, {1024, 250}, {64, 200}, {1000, 87}}) {
        const QImage result = resample(stepEdge(from, low, high), to, to);
        const double edgeAt = to / 2.0 * (from / 2 * 2) / from;
        const double reach = 3.0 * std::max(1.0, double(to) / from) + 1.0;
        int highest = 0;
        for (int x = 0; x < to; ++x) {
            const int v = grey(result, x, to / 2);
            SCOPED_TRACE(testing::Message() << from << "→" << to << " x " << x << " value " << v);
            EXPECT_GE(v, low - ringing);
            EXPECT_LE(v, high + ringing);
            EXPECT_GE(v, highest - dip);
            highest = std::max(highest, v);
            if (std::abs(x + 0.5 - edgeAt) > reach) {
                EXPECT_EQ(v, x < edgeAt ? low : high);
            }
        }
    }
}

TEST(Resampler, ShrunkStepIsAsCrispAsTheSizeAllows) {
    // Area averaging spreads a step over two output pixels or more; Lanczos keeps the ramp about one
    // pixel wide: between the 10 % and 90 % levels lies at most one pixel.
    const QImage result = resample(stepEdge(1024, 0, 255), 57, 57);
    int inside = 0;
    for (int x = 0; x < 57; ++x) {
        const int v = grey(result, x, 28);
        inside += v > 26 && v < 229;
    }
    EXPECT_LE(inside, 1);
}

TEST(Resampler, ZonePlateShrinksToCalmGrey) {
    const QImage result = resample(zonePlate(1024), 16, 16);
    // Only the centre holds frequencies low enough to survive at 16 px.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (std::abs(x - 7.5) < 2 && std::abs(y - 7.5) < 2) {
                continue;
            }
            EXPECT_NEAR(grey(result, x, y), 128, 6) << x << "," << y;
        }
}

TEST(Resampler, TransparentEdgesGetNoFringeFromHiddenColour) {
    for (const auto &[from, to] : {std::pair{1024, 16}, {1024, 57}, {1024, 180}, {96, 300}}) {
        const QImage straight =
            resample(redDiscOnHiddenGreen(from), to, to).convertToFormat(QImage::Format_ARGB32);
        int translucent = 0;
        for (int y = 0; y < to; ++y)
            for (int x = 0; x < to; ++x) {
                const QRgb p = straight.pixel(x, y);
                if (qAlpha(p) < 16)
                    continue; // the straight colour of an almost clear pixel is rounding noise
                translucent += qAlpha(p) < 255;
                ASSERT_LE(qGreen(p), 3) << from << "→" << to << " at " << x << "," << y;
                ASSERT_LE(qBlue(p), 3) << from << "→" << to << " at " << x << "," << y;
                ASSERT_GE(qRed(p), 245) << from << "→" << to << " at " << x << "," << y;
            }
        EXPECT_GT(translucent, 0) << "the disc's rim is antialiased";
    }
}

TEST(Resampler, ResultIsValidPremultiplied) {
    // Half-transparent black beside half-transparent white: the colour rings above the flat alpha
    // next to the edge, which would be a brighter-than-possible pixel if it were not held to it.
    QImage source = premultipliedCanvas(1024, 1024);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x)
            source.setPixel(x, y, x < 512 ? qRgba(0, 0, 0, 128) : qRgba(128, 128, 128, 128));
    for (const int edge : {87, 250}) {
        const QImage result = resample(source, edge, edge);
        for (int x = 0; x < edge; ++x) {
            const QRgb p = result.pixel(x, edge / 2);
            ASSERT_EQ(qAlpha(p), 128) << x;
            ASSERT_LE(qRed(p), 128) << x;
        }
    }
}

TEST(Resampler, SharedLevelsRenderWhatASingleResizeRenders) {
    const QImage source = zonePlate(1024);
    SourceLevels levels(source);
    const QList<int> edges = {1024, 512, 250, 180, 87, 57, 16};
    QList<QSize> sizes;
    for (int edge : edges)
        sizes.append(QSize(edge, edge));
    levels.prepare(sizes);
    for (int edge : edges)
        EXPECT_EQ(levels.render(edge, edge), resample(source, edge, edge)) << edge;
}

TEST(Resampler, SplittingOverThreadsChangesNothing) {
    const QImage source = redDiscOnHiddenGreen(2048);
    SourceLevels levels(source);
    levels.prepare({QSize(700, 700)});
    EXPECT_EQ(levels.render(700, 700, true), levels.render(700, 700, false));
}

TEST(Resampler, StraightSourcesArePremultipliedFirst) {
    QImage straight(64, 64, QImage::Format_ARGB32);
    straight.fill(QColor(0, 255, 0, 0));
    for (int y = 0; y < 64; ++y)
        for (int x = 32; x < 64; ++x)
            straight.setPixel(x, y, qRgba(255, 0, 0, 255));
    const QImage result = resample(straight, 8, 8).convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < 8; ++x) {
        if (qAlpha(result.pixel(x, 4)) > 16) {
            EXPECT_LE(qGreen(result.pixel(x, 4)), 3) << x;
        }
    }
}

TEST(Resampler, ImpossibleSizesGiveNothing) {
    const QImage source = test::filled(32, Qt::red);
    EXPECT_TRUE(resample(source, 0, 16).isNull());
    EXPECT_TRUE(resample(source, 16, -1).isNull());
    EXPECT_TRUE(resample(QImage(), 16, 16).isNull());
}

TEST(Resampler, ReductionsAreBoxMeansOfWhatTheyCoverForAnyEdge) {
    // Each pixel of the reduction d halvings deep is the mean of the source box of 2^d × 2^d pixels it
    // stands for, cut off where the source ends. Every halving rounds once, by at most half a step.
    const QSize sizes[] = {{2, 2},  {3, 3},  {5, 5},   {7, 7},   {9, 9},
                           {13, 6}, {6, 13}, {31, 33}, {67, 45}, {64, 65}};
    for (const QSize size : sizes) {
        const QImage source = noise(size.width(), size.height());
        SourceLevels levels(source);
        levels.prepare({QSize(1, 1)});
        int depth = 1;
        for (; !levels.level(depth).isNull(); ++depth) {
            const QImage level = levels.level(depth);
            const int box = 1 << depth;
            ASSERT_EQ(level.size(), QSize((size.width() + box - 1) / box, (size.height() + box - 1) / box))
                << size.width() << "×" << size.height() << " depth " << depth;
            for (int y = 0; y < level.height(); ++y)
                for (int x = 0; x < level.width(); ++x) {
                    double sums[4] = {}, count = 0;
                    for (int sy = y * box; sy < std::min((y + 1) * box, size.height()); ++sy)
                        for (int sx = x * box; sx < std::min((x + 1) * box, size.width()); ++sx, ++count)
                            for (int c = 0; c < 4; ++c)
                                sums[c] += (source.pixel(sx, sy) >> (8 * c)) & 0xff;
                    const QRgb got = level.pixel(x, y);
                    for (int c = 0; c < 4; ++c)
                        ASSERT_LE(std::abs(int((got >> (8 * c)) & 0xff) - sums[c] / count), 0.5 * depth)
                            << size.width() << "×" << size.height() << " depth " << depth << " at " << x
                            << "," << y << " channel " << c;
                    ASSERT_LE(qRed(got), qAlpha(got));
                }
        }
        // Halving goes on as long as a level keeps two pixels, the last of them maybe partial.
        const QImage deepest = levels.level(depth - 1);
        EXPECT_EQ(std::min(deepest.width(), deepest.height()), 2) << size.width() << "×" << size.height();
    }
}

TEST(Resampler, OddSourcesRenderCloseToTheFullSource) {
    // Rendering from the reductions stays within a few steps of rendering straight from the whole
    // source, as it does for even edges (at most 8 at the frame, 0.7 on average). A last, partial box
    // counted as a whole one or placed at a whole one's centre moves the far frame by dozens.
    for (const int edge : {1025, 2049}) {
        const QImage source = framedPicture(edge);
        SourceLevels direct(source);
        SourceLevels reduced(source);
        reduced.prepare({QSize(16, 16)});
        for (const int target : {16, 57, 250}) {
            const QImage near = reduced.render(target, target), far = direct.render(target, target);
            double sum = 0.0;
            int worst = 0;
            for (int y = 0; y < target; ++y)
                for (int x = 0; x < target; ++x) {
                    const int d = std::abs(qGreen(near.pixel(x, y)) - qGreen(far.pixel(x, y)));
                    worst = std::max(worst, d);
                    sum += d;
                }
            EXPECT_LE(worst, 10) << edge << "→" << target;
            EXPECT_LE(sum / (target * target), 1.0) << edge << "→" << target;
        }
    }
}

// Only the part of a level that holds anything is summed; what comes out must be what summing all of it
// gives. The same art with a faint speck in each corner has bounds as large as the canvas: the renders
// agree bit for bit everywhere the specks' filter does not reach.
TEST(Resampler, ArtOnAClearMarginRendersAsIfTheWholeCanvasWereSummed) {
    const QImage art = noiseOnAClearMargin();
    QImage specked = art.copy();
    for (const QPoint corner : {QPoint(0, 0), QPoint(999, 0), QPoint(0, 999), QPoint(999, 999)})
        specked.setPixel(corner, qRgba(0, 0, 0, 1));

    SourceLevels levels(art), full(specked);
    levels.prepare({QSize(1, 1)});
    full.prepare({QSize(1, 1)});
    for (const int edge : {1000, 824, 512, 333, 100, 37, 16}) {
        const QImage a = levels.render(edge, edge, true), b = full.render(edge, edge, true);
        ASSERT_EQ(a.size(), QSize(edge, edge));
        const int reach = 6;
        int compared = 0;
        for (int y = 0; y < edge; ++y)
            for (int x = 0; x < edge; ++x) {
                const bool nearCorner =
                    std::min(x, edge - 1 - x) < reach && std::min(y, edge - 1 - y) < reach;
                if (nearCorner)
                    continue;
                ++compared;
                ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << edge << " at " << x << ", " << y;
            }
        EXPECT_EQ(compared, edge * edge - 4 * reach * reach);
    }

    QImage clear = premultipliedCanvas(300, 300);
    clear.fill(Qt::transparent);
    const QImage nothing = resample(clear, 100, 100);
    ASSERT_FALSE(nothing.isNull());
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(nothing.pixel(x, y), 0u) << x << ", " << y;
}

// A window of a render is cut from the whole render: the same pixels, whether the window lies in the
// middle, against an edge, over the clear margin or covers everything, and from whichever level.
TEST(Resampler, AWindowHoldsExactlyThoseBitsOfTheWholeRender) {
    const QImage art = noiseOnAClearMargin();
    for (const QImage &source : {art, noise(640, 640)}) {
        SourceLevels levels(source);
        levels.prepare({QSize(1, 1)});
        for (const int edge : {768, 288, 100, 16}) {
            const QImage whole = levels.render(edge, edge, true);
            const int quarter = edge / 4;
            for (const QRect window :
                 {QRect(quarter, quarter, edge - 2 * quarter, edge - 2 * quarter), QRect(0, 0, edge, edge),
                  QRect(0, edge / 3, edge / 2, 5), QRect(edge - 7, 0, 7, edge), QRect(0, 0, 3, 3),
                  QRect(edge - 1, edge - 1, 1, 1)}) {
                const QImage part = levels.render(edge, edge, window, true);
                ASSERT_EQ(part.size(), window.size()) << edge;
                EXPECT_EQ(part, whole.copy(window)) << edge << " window " << window.x() << ", " << window.y()
                                                    << " " << window.width() << " × " << window.height();
            }
            EXPECT_TRUE(levels.render(edge, edge, QRect(1, 1, edge, edge)).isNull());
            EXPECT_TRUE(levels.render(edge, edge, QRect(0, 0, 0, 0)).isNull());
        }
    }
}
