#include "imaging/Renderer.h"
#include "imaging/PngEncoder.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

// An opaque red disc on a transparent background whose hidden colour is green: any fringe
// in a downscale shows as green or as darkened red.
Image redDiscOnHiddenGreen(int edge) {
    QImage straight(edge, edge, QImage::Format_ARGB32);
    straight.fill(QColor(0, 255, 0, 0));
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x) {
            const double dx = x + 0.5 - edge / 2.0, dy = y + 0.5 - edge / 2.0;
            if (dx * dx + dy * dy < edge * edge / 9.0)
                straight.setPixel(x, y, qRgba(255, 0, 0, 255));
        }
    return Image(straight);
}

QImage decode(const QByteArray &png) {
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    return reader.read();
}

} // namespace

TEST(Renderer, ResizeTruncatesPixelsAndKeepsPointSize) {
    const Image source(test::filled(1024, Qt::red));
    const auto image = resizeImage(source, 250.5, 250.5);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 250);
    EXPECT_EQ(image->pixelHeight(), 250);
    EXPECT_DOUBLE_EQ(image->size().width(), 250.5);
    EXPECT_DOUBLE_EQ(image->size().height(), 250.5);
}

TEST(Renderer, ResizeRefusesImpossibleCanvases) {
    const Image source(test::filled(64, Qt::red));
    EXPECT_FALSE(resizeImage(source, 0, 16));
    EXPECT_FALSE(resizeImage(source, 0.5, 0.5));
    EXPECT_FALSE(resizeImage(source, std::nan(""), 16));
    EXPECT_FALSE(resizeImage(source, INFINITY, 16));
    EXPECT_FALSE(resizeImage(source, -16, 16));
    EXPECT_FALSE(resizeImage(Image(), 16, 16));
}

TEST(Renderer, ResizeCarriesTransparencyOver) {
    const Image clear(test::filled(1024, Qt::transparent));
    const auto small = resizeImage(clear, 16, 16);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), QSizeF(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(qAlpha(small->bitmap().pixel(x, y)), 0);
}

TEST(Renderer, ResizeDependsOnlyOnPixelsNotPointSize) {
    const QImage pixels = redDiscOnHiddenGreen(256).bitmap();
    const auto a = resizeImage(Image(pixels), 32, 32);
    const auto b = resizeImage(Image(pixels, QSizeF(128, 128)), 32, 32);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->bitmap(), b->bitmap());
}

TEST(Renderer, DownscaleHasNoFringeFromHiddenColour) {
    const auto small = resizeImage(redDiscOnHiddenGreen(1024), 16, 16);
    ASSERT_TRUE(small);
    const QImage straight = small->bitmap().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb p = straight.pixel(x, y);
            if (qAlpha(p) < 8)
                continue; // straight colour of nearly clear pixels is rounding noise
            EXPECT_LE(qGreen(p), 2) << x << "," << y;
            EXPECT_GE(qRed(p), 250) << x << "," << y;
        }
}

TEST(Renderer, DownscaledStripesAverageInsteadOfAliasing) {
    // One-pixel black and white stripes: a point-sampling shrink picks whole stripes and
    // shows bands of black or white; a proper filter lands every pixel near mid grey.
    QImage stripes(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x)
            stripes.setPixel(x, y, (x % 2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const auto small = resizeImage(Image(stripes), 16, 16);
    ASSERT_TRUE(small);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_NEAR(qRed(small->bitmap().pixel(x, y)), 128, 12) << x << "," << y;
}

TEST(Renderer, PadZeroEqualsPlainResize) {
    const Image source = redDiscOnHiddenGreen(1024);
    const auto padded = padImage(source, 0);
    const auto resized = resizeImage(source, 1024, 1024);
    ASSERT_TRUE(padded && resized);
    EXPECT_EQ(padded->bitmap(), resized->bitmap());
}

TEST(Renderer, PadLeavesATransparentBandAndFillsTheInnerSquare) {
    const auto padded = padImage(Image(test::filled(1024, Qt::blue)), 100);
    ASSERT_TRUE(padded);
    ASSERT_EQ(padded->bitmap().size(), QSize(1024, 1024));
    const QImage &b = padded->bitmap();
    for (int i = 0; i < 1024; ++i) {
        for (int band : {0, 50, 99, 924, 1000, 1023}) {
            ASSERT_EQ(qAlpha(b.pixel(band, i)), 0);
            ASSERT_EQ(qAlpha(b.pixel(i, band)), 0);
        }
    }
    for (int i = 100; i < 924; ++i) {
        ASSERT_EQ(b.pixel(100, i), qRgba(0, 0, 255, 255));
        ASSERT_EQ(b.pixel(923, i), qRgba(0, 0, 255, 255));
    }
}

TEST(Renderer, PadShrinksAnOblongPictureEvenlyOnItsOwnCanvas) {
    // 400 × 200 padded by 20: the picture becomes 360 × 180, centred: 20 at the sides, 10 above and below.
    QImage wide(400, 200, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::blue);
    const auto padded = padImage(Image(wide), 20);
    ASSERT_TRUE(padded);
    const QImage &b = padded->bitmap();
    ASSERT_EQ(b.size(), QSize(400, 200));
    EXPECT_EQ(padded->size(), QSizeF(400, 200));
    for (const QPoint outside : {QPoint(19, 100), QPoint(380, 100), QPoint(200, 9), QPoint(200, 190)})
        EXPECT_EQ(qAlpha(b.pixel(outside)), 0) << outside.x() << "," << outside.y();
    for (const QPoint inside : {QPoint(20, 10), QPoint(379, 189), QPoint(200, 100)})
        EXPECT_EQ(b.pixel(inside), qRgba(0, 0, 255, 255)) << inside.x() << "," << inside.y();
    EXPECT_FALSE(padImage(Image(wide), 200));
}

TEST(Renderer, PadThatLeavesNoPictureYieldsNothing) {
    const Image source(test::filled(1024, Qt::blue));
    EXPECT_FALSE(padImage(source, 512));
    EXPECT_FALSE(padImage(source, 600));
    EXPECT_FALSE(padImage(source, std::nan("")));
    EXPECT_TRUE(padImage(source, 511));
}

TEST(Renderer, PadToSquareCentresTheSourceUnscaledOnTheLongerSide) {
    const struct {
        QSize source;
        int edge;
        QPoint origin;
    } cases[] = {
        {{1200, 800}, 1200, {0, 200}},
        {{800, 1201}, 1201, {200, 0}}, // the odd pixel of margin goes to the right
        {{5, 2}, 5, {0, 1}},
        {{1024, 1024}, 1024, {0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source.width());
        QImage source(c.source, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y, qRgba(x % 256, y % 256, 90, 255));
        const auto square = padToSquare(Image(source));
        ASSERT_TRUE(square);
        ASSERT_EQ(square->bitmap().size(), QSize(c.edge, c.edge));
        EXPECT_EQ(square->size(), QSizeF(c.edge, c.edge));
        const QRect placed(c.origin, c.source);
        EXPECT_EQ(square->bitmap().copy(placed), source);
        for (int y = 0; y < c.edge; ++y) {
            for (int x = 0; x < c.edge; ++x) {
                if (!placed.contains(x, y)) {
                    ASSERT_EQ(square->bitmap().pixel(x, y), 0u) << x << "," << y;
                }
            }
        }
    }
}

TEST(Renderer, PadToSquareRefusesSquaresBeyondTheSourceLimit) {
    EXPECT_TRUE(fitsPaddedToSquare({16383, 10}));
    EXPECT_FALSE(fitsPaddedToSquare({16384, 10}));
    EXPECT_FALSE(fitsPaddedToSquare({10, 20000}));
    EXPECT_FALSE(fitsPaddedToSquare({0, 10}));
    EXPECT_FALSE(padToSquare(Image()));
}

TEST(PngEncoder, WritesRgbaWithStraightAlphaThatDecodesExactly) {
    QImage straight(48, 48, QImage::Format_ARGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            straight.setPixel(x, y, qRgba(x * 5, y * 5, 200, (x + y) * 2 + 10));
    const QByteArray png = pngData(Image(straight)).valueOr({});
    ASSERT_GT(png.size(), 33);
    EXPECT_EQ(png.mid(1, 3), QByteArray("PNG"));
    EXPECT_EQ(png.mid(12, 4), QByteArray("IHDR"));
    EXPECT_EQ(uchar(png.at(24)), 8); // bit depth
    EXPECT_EQ(uchar(png.at(25)), 6); // colour type RGBA
    const QImage decoded = decode(png);
    ASSERT_EQ(decoded.size(), QSize(48, 48));
    EXPECT_TRUE(decoded.hasAlphaChannel());
    // Premultiplying on the way in rounds straight colours of translucent pixels slightly.
    const QImage back = decoded.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const QRgb want = straight.pixel(x, y), got = back.pixel(x, y);
            ASSERT_EQ(qAlpha(got), qAlpha(want));
            ASSERT_NEAR(qRed(got), qRed(want), 255 / qAlpha(want) + 1);
            ASSERT_NEAR(qBlue(got), qBlue(want), 255 / qAlpha(want) + 1);
        }
}

TEST(PngEncoder, FlatAndPhotoLikeImagesRoundTrip) {
    QImage photo(97, 61, QImage::Format_ARGB32);
    quint32 seed = 7;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            photo.setPixel(x, y, qRgb(seed >> 24, (seed >> 16) & 255, (seed >> 8) & 255));
        }
    const QImage flat = test::filled(61, QColor(10, 20, 30)).convertToFormat(QImage::Format_ARGB32);
    for (const QImage &image : {photo, flat}) {
        const QImage decoded = decode(encodePng(image).valueOr({})).convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(decoded, image);
    }
}

TEST(PngEncoder, NullImageGivesNoBytes) {
    const Result<QByteArray> none = pngData(Image());
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().kind, ErrorKind::EncodeFailed);
}
