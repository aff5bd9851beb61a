#include "imaging/PngEncoder.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <tuple>

using namespace glyphon;

namespace {

QImage decodeWithQt(const QByteArray &png) {
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    return reader.read().convertToFormat(QImage::Format_RGBA8888);
}

// Straight RGBA bytes of the PNG as ImageMagick (libpng) reads them.
QByteArray decodeWithImageMagick(const QByteArray &png) {
    const test::ToolRun run = test::runTool(
        test::imageMagickConvert,
        {QStringLiteral("png:-"), QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:-")},
        png);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    return run.output;
}

// pngcheck's verdict on the file: CRCs, chunk order, the zlib stream, every row's filter type.
bool pngcheckAccepts(const QByteArray &png) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("check.png"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size())
        return false;
    file.close();
    const test::ToolRun run = test::runTool(test::pngcheck, {QStringLiteral("-q"), path});
    return run.exitCode == 0;
}

QByteArray rgbaBytes(const QImage &rgba) {
    QByteArray bytes;
    for (int y = 0; y < rgba.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(rgba.constScanLine(y)), rgba.width() * 4);
    return bytes;
}

// What the PNG must hold for a premultiplied pixel: round(colour × 255 / alpha), nothing where clear.
QImage expectedStraight(const QImage &premultiplied) {
    QImage out(premultiplied.size(), QImage::Format_RGBA8888);
    for (int y = 0; y < premultiplied.height(); ++y)
        for (int x = 0; x < premultiplied.width(); ++x) {
            const QRgb p = premultiplied.pixel(x, y);
            const int a = qAlpha(p);
            const auto straight = [a](int c) { return a == 0 ? 0 : std::min(255, (c * 255 + a / 2) / a); };
            uchar *o = out.scanLine(y) + x * 4;
            o[0] = uchar(straight(qRed(p)));
            o[1] = uchar(straight(qGreen(p)));
            o[2] = uchar(straight(qBlue(p)));
            o[3] = uchar(a);
        }
    return out;
}

QImage noise(int width, int height, bool translucent) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int a = translucent ? int(seed >> 24) : 255;
            const auto c = [&](int shift) { return std::min(a, int((seed >> shift) & 255)); };
            image.setPixel(x, y, qRgba(c(16), c(8), c(0), a));
        }
    return image;
}

// Large flat areas with a few shapes and soft edges, as icons have: the encoder's other road.
QImage flatArt(int edge) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = edge / 4; y < edge * 3 / 4; ++y)
        for (int x = edge / 4; x < edge * 3 / 4; ++x)
            image.setPixel(x, y, x < edge / 2 ? qRgba(200, 20, 40, 255) : qRgba(60, 60, 10, 128));
    return image;
}

void expectDecodesTo(const QByteArray &png, const QImage &want) {
    ASSERT_FALSE(png.isEmpty());
    const QImage qt = decodeWithQt(png);
    ASSERT_EQ(qt.size(), want.size());
    EXPECT_EQ(rgbaBytes(qt), rgbaBytes(want)) << "Qt's decoder disagrees";
    EXPECT_EQ(decodeWithImageMagick(png), rgbaBytes(want)) << "ImageMagick's decoder disagrees";
    EXPECT_TRUE(pngcheckAccepts(png)) << "pngcheck rejects the file";
}

// The encoder's bytes; a failure fails the test and gives none.
QByteArray pngOf(const QImage &image) {
    const Result<QByteArray> png = encodePng(image);
    EXPECT_TRUE(png) << png.error().description().toStdString();
    return png.valueOr({});
}

} // namespace

TEST(PngEncoder, EveryAlphaAndColourComesOutStraightAndExact) {
    // All 256 alphas times all valid premultiplied values: the unpremultiplying is exact everywhere.
    QImage all(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c)
            all.setPixel(c, a, qRgba(std::min(c, a), std::min(c / 2, a), std::min(255 - c, a), a));
    expectDecodesTo(pngOf(all), expectedStraight(all));
}

TEST(PngEncoder, PhotographsAndFlatArtBothDecodeExactly) {
    // Noise takes the filtered road, flat art the unfiltered one; both must give back every pixel.
    for (const QImage &image : {noise(97, 61, false), noise(64, 64, true), flatArt(180), flatArt(16)})
        expectDecodesTo(pngOf(image), expectedStraight(image));
}

// The filter type of every row, read back from the one IDAT chunk the encoder writes.
QList<int> rowFilters(const QByteArray &png, int width, int height) {
    const qsizetype idat = png.indexOf("IDAT");
    if (idat < 4)
        return {};
    const quint32 length = qFromBigEndian<quint32>(png.constData() + idat - 4);
    const qsizetype rowBytes = qsizetype(width) * 4 + 1;
    QByteArray zlib(4, 0);
    qToBigEndian<quint32>(quint32(rowBytes * height), zlib.data());
    zlib.append(png.mid(idat + 4, length));
    const QByteArray raw = qUncompress(zlib);
    QList<int> filters;
    for (int y = 0; y < height && (y + 1) * rowBytes <= raw.size(); ++y)
        filters.append(uchar(raw.at(y * rowBytes)));
    return filters;
}

TEST(PngEncoder, AClearMarginDoesNotMakeAPhotographFlat) {
    // A photograph on the .icns grid: a fifth of the canvas clear all round. Its rows are filtered, as the
    // photograph's own are; flat art in the same margin stays unfiltered.
    const QImage photo = noise(300, 300, false);
    QImage onGrid(500, 500, QImage::Format_ARGB32_Premultiplied);
    onGrid.fill(Qt::transparent);
    QPainter(&onGrid).drawImage(100, 100, photo);
    const QList<int> filters = rowFilters(pngOf(onGrid), 500, 500);
    ASSERT_EQ(filters.size(), 500);
    EXPECT_EQ(filters[250], 2);
    QImage flatOnGrid(500, 500, QImage::Format_ARGB32_Premultiplied);
    flatOnGrid.fill(Qt::transparent);
    QPainter(&flatOnGrid).drawImage(100, 100, flatArt(300));
    const QList<int> flat = rowFilters(pngOf(flatOnGrid), 500, 500);
    ASSERT_EQ(flat.size(), 500);
    EXPECT_EQ(flat[250], 0);
    expectDecodesTo(pngOf(onGrid), expectedStraight(onGrid));
}

TEST(PngEncoder, OddShapesDecodeExactly) {
    for (const QSize size : {QSize(1, 1), QSize(3, 5), QSize(1000, 1), QSize(1, 300), QSize(67, 2)}) {
        const QImage image = noise(size.width(), size.height(), true);
        expectDecodesTo(pngOf(image), expectedStraight(image));
    }
}

TEST(PngEncoder, OtherFormatsAreEncodedByTheirPixels) {
    QImage straight(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            straight.setPixel(x, y, qRgba(x * 6, y * 8, 255, x < 20 ? 255 : 0));
    const QByteArray png = pngOf(straight);
    const QImage decoded = decodeWithQt(png);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const QRgb want = straight.pixel(x, y);
            const uchar *got = decoded.constScanLine(y) + x * 4;
            ASSERT_EQ(got[3], qAlpha(want));
            if (qAlpha(want)) {
                ASSERT_EQ(got[0], qRed(want));
                ASSERT_EQ(got[1], qGreen(want));
                ASSERT_EQ(got[2], qBlue(want));
            }
        }
}

TEST(PngEncoder, SameImageGivesSameBytesOnAnyThread) {
    // Each thread keeps its own compressor and buffers; what they held before must not leak in.
    const QImage big = noise(300, 300, true);
    const QImage small = flatArt(40);
    const QByteArray first = pngOf(small);
    pngOf(big);
    EXPECT_EQ(pngOf(small), first);
}

TEST(PngEncoder, OpaqueFilesHaveNoAlphaChannelAndKeepEveryColour) {
    // Both compression roads, and a picture that is not opaque: its alpha is left out as it shows over black.
    for (const QImage &image : {noise(97, 61, false), flatArt(180), noise(33, 17, true)}) {
        const Result<QByteArray> png = encodePngRgb(image);
        ASSERT_TRUE(png) << png.error().description().toStdString();
        EXPECT_EQ(uchar(png->at(25)), 2) << "IHDR colour type";
        EXPECT_TRUE(pngcheckAccepts(*png));
        const QByteArray magick = test::runTool(test::imageMagickConvert,
                                                {QStringLiteral("png:-"), QStringLiteral("-depth"),
                                                 QStringLiteral("8"), QStringLiteral("rgb:-")},
                                                *png)
                                      .output;
        QByteArray want;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = reinterpret_cast<const QRgb *>(image.constScanLine(y))[x]; // premultiplied
                want.append(char(qRed(p))).append(char(qGreen(p))).append(char(qBlue(p)));
            }
        EXPECT_EQ(magick, want);
    }
    EXPECT_FALSE(encodePngRgb(QImage()));
}

TEST(PngEncoder, GreyFilesKeepTheGreyAndItsAlpha) {
    QImage grey(61, 37, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const int alpha = (x * 37 + y * 11) % 256;
            const int level = std::min(alpha, (x * 5 + y * 3) % 256);
            grey.setPixel(x, y, qRgba(level, level, level, alpha));
        }
    for (const auto &[colour, type, magickFormat] :
         {std::tuple{PngColour::Grey, 0, "gray:-"}, std::tuple{PngColour::GreyAlpha, 4, "graya:-"}}) {
        const Result<QByteArray> png = encodePng(grey, colour);
        ASSERT_TRUE(png);
        EXPECT_EQ(uchar(png->at(25)), type);
        EXPECT_TRUE(pngcheckAccepts(*png));
        QByteArray want;
        const QImage straight = expectedStraight(grey);
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x) {
                if (colour == PngColour::Grey) {
                    want.append(char(qRed(reinterpret_cast<const QRgb *>(grey.constScanLine(y))[x])));
                } else {
                    const uchar *p = straight.constScanLine(y) + x * 4;
                    want.append(char(p[0])).append(char(p[3]));
                }
            }
        const QByteArray magick = test::runTool(test::imageMagickConvert,
                                                {QStringLiteral("png:-"), QStringLiteral("-depth"),
                                                 QStringLiteral("8"), QString::fromLatin1(magickFormat)},
                                                *png)
                                      .output;
        EXPECT_EQ(magick, want) << magickFormat;
    }
}
