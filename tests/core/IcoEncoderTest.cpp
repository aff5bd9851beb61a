#include "imaging/IcoEncoder.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace {

const int icoEdges[] = {16, 24, 32, 48, 64, 256};

quint16 le16(const QByteArray &bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 le32(const QByteArray &bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The largest straight-colour difference where there is colour at all, or 256 when alpha differs: the
// bitmap and the PNG each divide the colour out by their own rounding.
int straightDistance(const QImage &expected, const QImage &actual) {
    if (expected.size() != actual.size())
        return 256;
    const QImage a = expected.convertToFormat(QImage::Format_ARGB32);
    const QImage b = actual.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAlpha(p) != qAlpha(q))
                return 256;
            if (qAlpha(p) == 0)
                continue;
            for (const int shift : {16, 8, 0})
                worst = std::max(worst, std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)));
        }
    return worst;
}

class IcoFile : public ::testing::Test {
protected:
    void SetUp() override {
        for (const int edge : icoEdges)
            pictures.append(test::iconPicture(edge));
        const Result<QByteArray> encoded = encodeIcoEntries(pictures);
        ASSERT_TRUE(encoded) << encoded.error().description().toStdString();
        ico = *encoded;
        path = dir.filePath(u"favicon.ico"_s);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(ico), ico.size());
    }

    QTemporaryDir dir;
    QList<QImage> pictures;
    QByteArray ico;
    QString path;
};

TEST_F(IcoFile, IcotoolListsEveryEntry) {
    const test::ToolRun listed = test::runTool(test::icotool, {u"--list"_s, path});
    ASSERT_EQ(listed.exitCode, 0) << listed.errors.toStdString();
    EXPECT_EQ(listed.output, "--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=2 --width=24 --height=24 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=3 --width=32 --height=32 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=4 --width=48 --height=48 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=5 --width=64 --height=64 --bit-depth=32 --palette-size=0\n"
                             "--icon --index=6 --width=256 --height=256 --bit-depth=32 --palette-size=0\n");
    EXPECT_TRUE(listed.errors.isEmpty()) << listed.errors.toStdString();
}

TEST_F(IcoFile, IcotoolAndQtDecodeEveryEntryToTheWrittenPixels) {
    const QString out = dir.filePath(u"extracted"_s);
    ASSERT_TRUE(QDir().mkpath(out));
    const test::ToolRun extracted = test::runTool(test::icotool, {u"--extract"_s, u"--output"_s, out, path});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.errors.toStdString();

    QBuffer buffer(&ico);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QImageReader reader(&buffer, "ico");
    ASSERT_EQ(reader.imageCount(), pictures.size());
    for (int i = 0; i < pictures.size(); ++i) {
        const QImage &written = pictures[i];
        const int edge = written.width();
        const QImage fromIcotool(QDir(out).filePath(u"favicon_%1_%2x%2x32.png"_s.arg(i + 1).arg(edge)));
        EXPECT_LE(straightDistance(written, fromIcotool), 1) << edge;

        ASSERT_TRUE(reader.jumpToImage(i));
        const QImage fromQt = reader.read();
        ASSERT_EQ(fromQt.size(), QSize(edge, edge));
        // Qt premultiplies what it reads, which rounds translucent colour; opaque pixels stay exact.
        EXPECT_LE(test::premultipliedDistance(written, fromQt), 1) << edge;
        EXPECT_EQ(test::premultipliedDistance(written, fromQt, true), 0) << edge;
    }
}

TEST_F(IcoFile, BitmapEntriesCarryAnAndMaskAndTheLargestIsPng) {
    ASSERT_GE(ico.size(), 6 + 16 * 6);
    EXPECT_EQ(le16(ico, 0), 0);
    EXPECT_EQ(le16(ico, 2), 1);
    ASSERT_EQ(le16(ico, 4), 6);
    quint32 expectedOffset = 6 + 16 * 6;
    for (int i = 0; i < 6; ++i) {
        const qsizetype entry = 6 + 16 * i;
        const int edge = icoEdges[i];
        EXPECT_EQ(quint8(ico.at(entry)), edge == 256 ? 0 : edge);
        EXPECT_EQ(le16(ico, entry + 6), 32);
        const quint32 size = le32(ico, entry + 8);
        const quint32 offset = le32(ico, entry + 12);
        // The images follow the directory back to back.
        EXPECT_EQ(offset, expectedOffset);
        expectedOffset += size;
        ASSERT_LE(qsizetype(offset) + size, ico.size());
        const QByteArray data = ico.mid(offset, size);
        if (edge == 256) {
            EXPECT_TRUE(data.startsWith("\x89PNG\r\n\x1a\n"));
            continue;
        }
        const qsizetype stride = ((edge + 31) / 32) * 4;
        ASSERT_EQ(data.size(), 40 + edge * edge * 4 + stride * edge);
        EXPECT_EQ(le32(data, 8), quint32(2 * edge));
        EXPECT_EQ(le16(data, 14), 32);
        // A mask bit is set exactly where the pixel is clear; rows run bottom-up in both.
        int masked = 0;
        for (int row = 0; row < edge; ++row)
            for (int x = 0; x < edge; ++x) {
                const bool clear = data.at(40 + (row * edge + x) * 4 + 3) == 0;
                const bool bit =
                    quint8(data.at(40 + edge * edge * 4 + row * stride + x / 8)) & (0x80 >> (x % 8));
                EXPECT_EQ(bit, clear) << edge << " at " << x << "," << row;
                masked += bit;
            }
        EXPECT_GT(masked, 0) << edge;
        EXPECT_LT(masked, edge * edge) << edge;
    }
    EXPECT_EQ(expectedOffset, quint32(ico.size()));
}

TEST(IcoEncoder, OneBitmapEntryIsTheSingleIconFile) {
    const QImage picture = test::iconPicture(32);
    const Result<QByteArray> entries = encodeIcoEntries({picture});
    const Result<QByteArray> single = encodeIco(picture);
    ASSERT_TRUE(entries);
    ASSERT_TRUE(single);
    EXPECT_EQ(*entries, *single);
    // encodeIco stays a bitmap at 256.
    const Result<QByteArray> large = encodeIco(test::iconPicture(256));
    ASSERT_TRUE(large);
    EXPECT_EQ(large->size(), 6 + 16 + 40 + 256 * 256 * 4 + 32 * 256);
}

TEST(IcoEncoder, RefusesEntriesItCannotStore) {
    const auto refused = [](const QList<QImage> &pictures, const char *message) {
        const Result<QByteArray> ico = encodeIcoEntries(pictures);
        ASSERT_FALSE(ico) << message;
        EXPECT_EQ(ico.error().kind, ErrorKind::EncodeFailed);
        EXPECT_EQ(ico.error().message.toStdString(), message);
    };
    refused({}, "there is no picture to encode");
    refused({test::filled(16, Qt::red), QImage()}, "there is no picture to encode");
    refused({test::filled(257, Qt::red)}, "an ICO image is at most 256×256");
    refused({QImage(32, 16, QImage::Format_ARGB32_Premultiplied)},
            "an ICO image must be square (currently 32×16)");
    refused({test::filled(32, Qt::red), test::filled(32, Qt::blue)},
            "an ICO file holds one 32×32 image, not two");
}

} // namespace
