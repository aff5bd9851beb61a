#include "imaging/PngDecoder.h"
#include "imaging/SourceLoader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <libdeflate.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace {

enum class Status { Decoded, NotPlain, TooLarge, Damaged, Other };

Status statusOf(const std::optional<Result<QImage>> &decoded) {
    if (!decoded)
        return Status::NotPlain;
    if (*decoded)
        return Status::Decoded;
    switch (decoded->error().kind) {
    case ErrorKind::TooLarge:
        return Status::TooLarge;
    case ErrorKind::Damaged:
        return Status::Damaged;
    default:
        return Status::Other;
    }
}

std::string reasonOf(const std::optional<Result<QImage>> &decoded) {
    return decoded && !*decoded ? decoded->error().message.toStdString() : std::string();
}

QImage decodedImage(QByteArrayView bytes) {
    const auto decoded = decodePlainPng(bytes);
    return decoded ? decoded->valueOr(QImage()) : QImage();
}

QByteArray bigEndian(quint32 value) {
    const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    return QByteArray(bytes, 4);
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray out;
    for (const int value : values)
        out += char(value);
    return out;
}

QByteArray chunk(const char *type, const QByteArray &body) {
    const QByteArray typed = QByteArray(type, 4) + body;
    return bigEndian(quint32(body.size())) + typed +
           bigEndian(libdeflate_crc32(0, typed.constData(), size_t(typed.size())));
}

QByteArray header(quint32 width, quint32 height, int depth = 8, int colourType = 6, int interlace = 0) {
    return chunk("IHDR", bigEndian(width) + bigEndian(height) + char(depth) + char(colourType) + '\0' + '\0' +
                             char(interlace));
}

QByteArray zlib(const QByteArray &raw) {
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(6);
    QByteArray out(qsizetype(libdeflate_zlib_compress_bound(compressor, size_t(raw.size()))), '\0');
    out.resize(qsizetype(libdeflate_zlib_compress(compressor, raw.constData(), size_t(raw.size()), out.data(),
                                                  size_t(out.size()))));
    libdeflate_free_compressor(compressor);
    return out;
}

int predictor(int filter, int left, int up, int upLeft) {
    switch (filter) {
    case 1:
        return left;
    case 2:
        return up;
    case 3:
        return (left + up) / 2;
    case 4: {
        const int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up),
                  pc = std::abs(p - upLeft);
        return pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
    }
    default:
        return 0;
    }
}

// The filtered scanlines of an 8-bit picture, each row with the filter the callback picks.
QByteArray filtered(const QByteArray &pixels, int width, int height, int channels,
                    const std::function<int(int)> &filterOf) {
    const int stride = width * channels;
    QByteArray out;
    for (int y = 0; y < height; ++y) {
        const int filter = filterOf(y);
        out += char(filter);
        const auto at = [&](int row, int i) {
            return row < 0 || i < 0 ? 0 : int(uchar(pixels[row * stride + i]));
        };
        for (int i = 0; i < stride; ++i)
            out += char(at(y, i) -
                        predictor(filter, at(y, i - channels), at(y - 1, i), at(y - 1, i - channels)));
    }
    return out;
}

QByteArray randomPixels(int width, int height, int channels, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray pixels(width * height * channels, '\0');
    for (char &byte : pixels)
        byte = char(random.bounded(256));
    // Many fully clear and fully opaque pixels, as drawn art has.
    if (channels == 4)
        for (int i = 3; i < pixels.size(); i += 4)
            if (random.bounded(3) == 0)
                pixels[i] = random.bounded(2) ? char(255) : char(0);
    return pixels;
}

QByteArray png(const QByteArray &ihdr, const QByteArray &compressed, const QByteArray &before = {},
               int idatPieces = 1) {
    QByteArray out = QByteArray("\x89PNG\r\n\x1a\n") + ihdr + before;
    const qsizetype piece = compressed.size() / idatPieces + 1;
    for (qsizetype at = 0; at < compressed.size(); at += piece)
        out += chunk("IDAT", compressed.mid(at, piece));
    return out + chunk("IEND", {});
}

QByteArray plainPng(int width, int height, int channels, const std::function<int(int)> &filterOf,
                    quint32 seed = 1) {
    const QByteArray raw =
        filtered(randomPixels(width, height, channels, seed), width, height, channels, filterOf);
    return png(header(quint32(width), quint32(height), 8, channels == 4 ? 6 : 2), zlib(raw), {}, 3);
}

QImage qtDecoded(const QByteArray &bytes) {
    return QImage::fromData(bytes, "png").convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QString firstDifference(const QImage &actual, const QImage &expected) {
    if (actual.size() != expected.size() || actual.format() != expected.format())
        return u"size or format differs"_s;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return u"(%1, %2): %3, expected %4"_s.arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y), 8, 16)
                    .arg(expected.pixel(x, y), 8, 16);
    return {};
}

void expectSameAsQt(const QByteArray &bytes) {
    const auto decoded = decodePlainPng(bytes);
    ASSERT_EQ(statusOf(decoded), Status::Decoded) << reasonOf(decoded);
    EXPECT_EQ((*decoded)->format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(firstDifference(**decoded, qtDecoded(bytes)).toStdString(), "");
}

QByteArray qtEncoded(const QImage &image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    EXPECT_TRUE(writer.write(image));
    return buffer.data();
}

} // namespace

TEST(PngDecoder, DecodesEveryFilterAsQtDoes) {
    for (const int channels : {3, 4})
        for (const QSize size : {QSize(1, 1), QSize(7, 5), QSize(33, 17), QSize(2, 40)}) {
            for (int filter = 0; filter <= 4; ++filter) {
                SCOPED_TRACE(testing::Message() << channels << " channels, " << size.width() << "×"
                                                << size.height() << ", filter " << filter);
                expectSameAsQt(plainPng(size.width(), size.height(), channels, [=](int) { return filter; }));
            }
            SCOPED_TRACE(testing::Message() << channels << " channels, mixed filters");
            expectSameAsQt(
                plainPng(size.width(), size.height(), channels, [](int y) { return (y * 3 + 1) % 5; }));
        }
}

TEST(PngDecoder, PremultipliesEveryColourAndAlphaAsQtDoes) {
    QByteArray pixels;
    for (int alpha = 0; alpha < 256; ++alpha)
        for (int level = 0; level < 256; ++level)
            pixels += bytesOf({level, 255 - level, level * 7, alpha});
    const QByteArray bytes =
        png(header(256, 256), zlib(filtered(pixels, 256, 256, 4, [](int y) { return y % 5; })));
    expectSameAsQt(bytes);
    const QImage decoded = decodedImage(bytes);
    EXPECT_EQ(decoded.pixel(255, 128), qRgba(128, 0, 125, 128)); // 249 × 128 / 255 = 124.99 rounds up
}

TEST(PngDecoder, DecodesQtsOwnFilesAsQtDoes) {
    QImage translucent(61, 43, QImage::Format_ARGB32);
    QRandomGenerator random(3);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            translucent.setPixel(x, y, x < 20 ? random.generate() : qRgba(x * 4, y * 5, 90, (x * y) & 255));
    expectSameAsQt(qtEncoded(translucent));
    expectSameAsQt(qtEncoded(translucent.convertToFormat(QImage::Format_RGB32)));
}

TEST(PngDecoder, RefusesDamagedFilesWithoutCrashing) {
    const QByteArray good = plainPng(20, 12, 4, [](int y) { return y % 5; });
    ASSERT_EQ(statusOf(decodePlainPng(good)), Status::Decoded);
    const auto refused = [](const QByteArray &bytes) {
        const auto result = decodePlainPng(bytes);
        return statusOf(result) == Status::Damaged && !reasonOf(result).empty();
    };
    for (const qsizetype end : {qsizetype(9), qsizetype(20), qsizetype(33), qsizetype(40), good.size() / 2,
                                good.size() - 12, good.size() - 1})
        EXPECT_TRUE(refused(good.left(end))) << "cut at " << end;

    QByteArray badChecksum = good;
    badChecksum[50] = char(badChecksum[50] ^ 1); // inside the first IDAT
    EXPECT_TRUE(refused(badChecksum));

    QByteArray pastTheEnd = good;
    pastTheEnd.replace(33, 4, bigEndian(quint32(good.size())));
    EXPECT_TRUE(refused(pastTheEnd));

    const QByteArray raw = filtered(randomPixels(20, 12, 4, 1), 20, 12, 4, [](int) { return 1; });
    EXPECT_TRUE(refused(png(header(20, 12), zlib(raw.left(raw.size() - 81))))) << "a row short";
    EXPECT_TRUE(refused(png(header(20, 12), zlib(raw + QByteArray(81, '\0'))))) << "a row long";
    EXPECT_TRUE(refused(png(header(20, 12), QByteArray(40, 'x')))) << "not zlib";
    QByteArray badFilter = raw;
    badFilter[5 * 81] = 5;
    EXPECT_TRUE(refused(png(header(20, 12), zlib(badFilter))));

    const QByteArray compressed = zlib(raw);
    EXPECT_TRUE(refused(png(header(20, 12), compressed.left(10),
                            chunk("IDAT", compressed.mid(10)).prepend(chunk("tEXt", "Note\0x")))))
        << "IDAT chunks apart";
    EXPECT_TRUE(refused(QByteArray("\x89PNG\r\n\x1a\n") + chunk("IDAT", compressed) + header(20, 12) +
                        chunk("IEND", {})))
        << "no IHDR first";
    EXPECT_TRUE(refused(png(header(0, 12), compressed)));
    EXPECT_TRUE(refused(png(header(20, 12), {}).replace("IDAT", "tEXt"))) << "no IDAT";
}

TEST(PngDecoder, RefusesAHugeClaimedSizeBeforeAllocating) {
    const QByteArray tiny = zlib(QByteArray(64, '\0'));
    const auto huge = decodePlainPng(png(header(20000, 20000), tiny));
    EXPECT_EQ(statusOf(huge), Status::TooLarge);
    EXPECT_TRUE(QString::fromStdString(reasonOf(huge)).contains(QString::fromUtf8("20000×20000")))
        << reasonOf(huge);
    // Within the limit but gigabytes larger than the data could ever inflate to.
    EXPECT_EQ(statusOf(decodePlainPng(png(header(16000, 16000), tiny))), Status::Damaged);
}

TEST(PngDecoder, LeavesEverythingButPlainPngsToQt) {
    const QByteArray raw = zlib(filtered(randomPixels(8, 8, 4, 2), 8, 8, 4, [](int) { return 0; }));
    const QByteArray other[] = {
        png(header(8, 8), raw, chunk("iCCP", QByteArray("icc\0\0", 5) + zlib("profile"))),
        png(header(8, 8), raw, chunk("eXIf", QByteArray("MM\0*\0\0\0\x08\0\0", 10))),
        png(header(8, 8), raw, chunk("gAMA", bigEndian(45455))),
        png(header(8, 8, 8, 2), raw, chunk("tRNS", QByteArray(6, '\0'))),
        png(header(8, 8), raw, chunk("ZzZz", "?")),
        png(header(8, 8, 16), raw),
        png(header(8, 8, 8, 6, 1), raw),
        png(header(8, 8, 8, 3), raw, chunk("PLTE", QByteArray(3, '\0'))),
        png(header(8, 8), raw, chunk("tEXt", "Note\0x").replace(12, 1, "y")), // an ancillary checksum error
        QByteArray("GIF89a"),
    };
    for (const QByteArray &bytes : other)
        EXPECT_EQ(statusOf(decodePlainPng(bytes)), Status::NotPlain) << bytes.mid(33, 8).toHex().constData();
    // Colour-neutral ancillary chunks do not stand in the way.
    EXPECT_EQ(statusOf(decodePlainPng(png(header(8, 8), raw, chunk("tEXt", QByteArray("Note\0x", 6))))),
              Status::Decoded);
}

TEST(PngDecoder, LoaderGivesWhatQtGivesOnEitherRoad) {
    QTemporaryDir dir;
    const auto load = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        return loadSourceImage(file.fileName());
    };
    const auto viaQt = [](const QByteArray &bytes) {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer, "png");
        reader.setAutoTransform(true);
        return reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    const QByteArray pixels = randomPixels(9, 6, 3, 4);
    const QByteArray transparentFirst =
        png(header(9, 6, 8, 2), zlib(filtered(pixels, 9, 6, 3, [](int) { return 4; })),
            chunk("tRNS", bytesOf({0, uchar(pixels[0]), 0, uchar(pixels[1]), 0, uchar(pixels[2])})));
    QImage deep(10, 7, QImage::Format_RGBA64);
    deep.fill(QColor::fromRgba64(40000, 3000, 65535, 30000));
    const QByteArray exif =
        png(header(9, 6), zlib(filtered(randomPixels(9, 6, 4, 5), 9, 6, 4, [](int) { return 2; })),
            chunk("eXIf", QByteArray("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0"
                                     "\0\0\0\0",
                                     26)));
    const QByteArray cases[] = {plainPng(31, 9, 4, [](int y) { return y % 5; }), transparentFirst,
                                qtEncoded(deep), exif};
    int index = 0;
    for (const QByteArray &bytes : cases) {
        const auto loaded = load(u"case%1.png"_s.arg(index++), bytes);
        ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
        EXPECT_EQ(firstDifference(loaded->bitmap(), viaQt(bytes)).toStdString(), "") << "case " << index;
    }
    EXPECT_EQ(qAlpha(load(u"trns.png"_s, transparentFirst)->bitmap().pixel(0, 0)), 0);

    const QByteArray good = cases[0];
    const auto cut = load(u"cut.png"_s, good.left(good.size() - 12));
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error().kind, ErrorKind::Damaged);
    EXPECT_TRUE(cut.error().description().contains(u"damaged or incomplete"_s))
        << cut.error().description().toStdString();
    const auto huge = load(u"huge.png"_s, png(header(20000, 20000), zlib("x")));
    ASSERT_FALSE(huge);
    EXPECT_EQ(huge.error().kind, ErrorKind::TooLarge);
    EXPECT_TRUE(huge.error().description().contains(QString::fromUtf8("20000×20000")))
        << huge.error().description().toStdString();
}
