#include "imaging/IcnsEncoder.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace {

const int allEdges[] = {16, 32, 64, 128, 256, 512, 1024};

struct Element {
    QByteArray type;
    QByteArray data;
};

// The elements of an icns file, read by hand: a length that runs past the end fails the test.
QList<Element> elementsOf(const QByteArray &icns) {
    QList<Element> elements;
    EXPECT_TRUE(icns.startsWith("icns"));
    EXPECT_EQ(qFromBigEndian<quint32>(icns.constData() + 4), quint32(icns.size()));
    qsizetype at = 8;
    while (at + 8 <= icns.size()) {
        const quint32 length = qFromBigEndian<quint32>(icns.constData() + at + 4);
        EXPECT_GE(length, 8u);
        EXPECT_LE(at + length, icns.size());
        if (length < 8 || at + length > icns.size())
            break;
        elements.append({icns.mid(at, 4), icns.mid(at + 8, length - 8)});
        at += length;
    }
    EXPECT_EQ(at, icns.size());
    return elements;
}

QByteArray elementData(const QList<Element> &elements, const char *type) {
    for (const Element &element : elements) {
        if (element.type == type)
            return element.data;
    }
    ADD_FAILURE() << "no element " << type;
    return {};
}

// The colour planes of a run-length element, decoded strictly: every packet ends inside its channel
// and the data ends with the last pixel. Empty when it does not.
QByteArray unpack(const QByteArray &data, int edge, bool padded) {
    const qsizetype pixels = qsizetype(edge) * edge;
    QByteArray planes;
    qsizetype at = 0;
    if (padded) {
        EXPECT_EQ(data.left(4), QByteArray(4, '\0'));
        at = 4;
    }
    for (int channel = 0; channel < 3; ++channel) {
        const qsizetype end = pixels * (channel + 1);
        while (planes.size() < end) {
            if (at >= data.size())
                return {};
            const int control = quint8(data.at(at++));
            if (control & 0x80) {
                const int count = control - 0x80 + 3;
                if (planes.size() + count > end || at >= data.size())
                    return {};
                planes.append(count, data.at(at++));
            } else {
                const int count = control + 1;
                if (planes.size() + count > end || at + count > data.size())
                    return {};
                planes.append(data.mid(at, count));
                at += count;
            }
        }
    }
    return at == data.size() ? planes : QByteArray();
}

// Straight colour as the file must hold it: round(c × 255 / alpha), as the PNG elements have it too.
QRgb straight(QRgb premultiplied) {
    const int a = qAlpha(premultiplied);
    const auto s = [a](int c) { return a == 0 ? 0 : std::min(255, (c * 255 + a / 2) / a); };
    return qRgba(s(qRed(premultiplied)), s(qGreen(premultiplied)), s(qBlue(premultiplied)), a);
}

// The planes an RGB element must unpack to, and the mask beside it.
QByteArray colourPlanes(const QImage &picture) {
    QByteArray planes;
    for (const int shift : {16, 8, 0}) { // red, green, blue
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                planes.append(char(straight(picture.pixel(x, y)) >> shift));
    }
    return planes;
}

QByteArray alphaPlane(const QImage &picture) {
    QByteArray plane;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            plane.append(char(qAlpha(picture.pixel(x, y))));
    return plane;
}

// Exactly the straight pixels written: alpha everywhere, colour wherever there is any.
bool sameStraightPixels(const QImage &premultiplied, const QImage &decoded) {
    if (premultiplied.size() != decoded.size())
        return false;
    const QImage straightDecoded = decoded.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < premultiplied.height(); ++y)
        for (int x = 0; x < premultiplied.width(); ++x) {
            const QRgb expected = straight(premultiplied.pixel(x, y));
            const QRgb actual = straightDecoded.pixel(x, y);
            if (qAlpha(expected) != qAlpha(actual) || (qAlpha(expected) != 0 && expected != actual))
                return false;
        }
    return true;
}

class IcnsFile : public ::testing::Test {
protected:
    void SetUp() override {
        for (const int edge : allEdges)
            pictures.append(test::iconPicture(edge));
        const Result<QByteArray> encoded = encodeIcns(pictures);
        ASSERT_TRUE(encoded) << encoded.error().description().toStdString();
        icns = *encoded;
        path = dir.filePath(u"AppIcon.icns"_s);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(icns), icns.size());
    }

    const QImage &picture(int edge) const {
        return *std::find_if(pictures.begin(), pictures.end(),
                             [edge](const QImage &p) { return p.width() == edge; });
    }

    QTemporaryDir dir;
    QList<QImage> pictures;
    QByteArray icns;
    QString path;
};

TEST_F(IcnsFile, HoldsEachEdgeInItsTypesAfterATableOfContents) {
    const QList<Element> elements = elementsOf(icns);
    QList<QByteArray> types;
    for (const Element &element : elements)
        types.append(element.type);
    EXPECT_EQ(types, (QList<QByteArray>{"TOC ", "is32", "s8mk", "il32", "l8mk", "ic11", "ic12", "it32",
                                        "t8mk", "ic08", "ic13", "ic09", "ic14", "ic10"}));

    // The table names every other element with its length, in file order.
    QByteArray expectedToc;
    for (const Element &element : elements.mid(1)) {
        expectedToc.append(element.type);
        char length[4];
        qToBigEndian<quint32>(quint32(element.data.size() + 8), length);
        expectedToc.append(length, 4);
    }
    EXPECT_EQ(elements.first().data, expectedToc);

    // The PNG elements are the pictures as PNG; ic08 and ic13 are the same 256-pixel picture.
    const QList<std::pair<const char *, int>> pngTypes = {{"ic11", 32},  {"ic12", 64},  {"ic08", 256},
                                                          {"ic13", 256}, {"ic09", 512}, {"ic14", 512},
                                                          {"ic10", 1024}};
    for (const auto &[type, edge] : pngTypes) {
        const QImage decoded = QImage::fromData(elementData(elements, type), "png");
        EXPECT_TRUE(sameStraightPixels(picture(edge), decoded)) << type;
    }

    // The pictures' order in the call does not matter.
    QList<QImage> shuffled = pictures;
    std::reverse(shuffled.begin(), shuffled.end());
    const Result<QByteArray> again = encodeIcns(shuffled);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, icns);
}

TEST_F(IcnsFile, RunLengthElementsUnpackToTheStraightPixels) {
    const QList<Element> elements = elementsOf(icns);
    const QList<std::tuple<const char *, const char *, int>> rgbTypes = {
        {"is32", "s8mk", 16}, {"il32", "l8mk", 32}, {"it32", "t8mk", 128}};
    for (const auto &[type, maskType, edge] : rgbTypes) {
        const QByteArray data = elementData(elements, type);
        EXPECT_EQ(unpack(data, edge, edge == 128), colourPlanes(picture(edge))) << type;
        // Runs of clear background do pack: the data is well under the raw planes.
        EXPECT_LT(data.size(), edge * edge * 3 * 3 / 4) << type;
        EXPECT_EQ(elementData(elements, maskType), alphaPlane(picture(edge))) << maskType;
    }
}

TEST_F(IcnsFile, Icns2pngListsEveryElement) {
    const test::ToolRun listed = test::runTool(test::icns2png, {u"-l"_s, path});
    ASSERT_EQ(listed.exitCode, 0) << listed.errors.toStdString();
    QMap<QByteArray, QByteArray> descriptions;
    static const QRegularExpression line(u"^  '(.{4})' (.*)$"_s, QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &m : line.globalMatch(QString::fromLatin1(listed.output)))
        descriptions.insert(m.captured(1).toLatin1(), m.captured(2).toLatin1());

    const QList<Element> elements = elementsOf(icns);
    const auto bytes = [&](const char *type) {
        return QByteArray::number(elementData(elements, type).size());
    };
    EXPECT_EQ(descriptions.value("TOC "), "table of contents");
    EXPECT_EQ(descriptions.value("is32"),
              "16x16 32-bit icon (1024 bytes compressed to " + bytes("is32") + ")");
    EXPECT_EQ(descriptions.value("s8mk"), "16x16 8-bit mask (256 bytes)");
    EXPECT_EQ(descriptions.value("il32"),
              "32x32 32-bit icon (4096 bytes compressed to " + bytes("il32") + ")");
    EXPECT_EQ(descriptions.value("l8mk"), "32x32 8-bit mask (1024 bytes)");
    EXPECT_EQ(descriptions.value("it32"),
              "128x128 32-bit icon (65536 bytes compressed to " + bytes("it32") + ")");
    EXPECT_EQ(descriptions.value("t8mk"), "128x128 8-bit mask (16384 bytes)");
    EXPECT_EQ(descriptions.value("ic08"),
              "256x256 32-bit icon (262144 bytes compressed to " + bytes("ic08") + ")");
    EXPECT_EQ(descriptions.value("ic09"),
              "512x512 32-bit icon (1048576 bytes compressed to " + bytes("ic09") + ")");
    EXPECT_EQ(descriptions.value("ic10"),
              "1024x1024 32-bit icon (4194304 bytes compressed to " + bytes("ic10") + ")");
    // libicns 0.8.1 predates the @2x types: it lists them, but knows no size for them.
    for (const char *type : {"ic11", "ic12", "ic13", "ic14"})
        EXPECT_EQ(descriptions.value(type), "0x0 0-bit (" + bytes(type) + " bytes)") << type;
    EXPECT_EQ(descriptions.size(), 14);
    EXPECT_TRUE(listed.output.contains("14 elements total found"));
}

TEST_F(IcnsFile, Icns2pngExtractsTheWrittenPixels) {
    const QString out = dir.filePath(u"extracted"_s);
    ASSERT_TRUE(QDir().mkpath(out));
    const test::ToolRun extracted = test::runTool(test::icns2png, {u"-x"_s, u"-o"_s, out, path});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.errors.toStdString();
    EXPECT_TRUE(extracted.output.contains("Extracted 6 images")) << extracted.output.toStdString();
    // One file per size: the types libicns knows, the RGB ones with their masks applied.
    for (const int edge : {16, 32, 128, 256, 512, 1024}) {
        const QString file = QDir(out).filePath(u"AppIcon_%1x%1x32.png"_s.arg(edge));
        const QImage image(file);
        ASSERT_FALSE(image.isNull()) << file.toStdString();
        EXPECT_TRUE(sameStraightPixels(picture(edge), image)) << edge;
    }
}

TEST_F(IcnsFile, QtReadsEveryImage) {
    QBuffer buffer(&icns);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QImageReader reader(&buffer, "icns");
    const QList<std::pair<QByteArray, int>> images = {
        {"is32", 16},  {"il32", 32},  {"ic11", 32},  {"ic12", 64},  {"it32", 128},
        {"ic08", 256}, {"ic13", 256}, {"ic09", 512}, {"ic14", 512}, {"ic10", 1024}};
    ASSERT_EQ(reader.imageCount(), images.size());
    for (int i = 0; i < images.size(); ++i) {
        ASSERT_TRUE(reader.jumpToImage(i));
        EXPECT_EQ(reader.subType(), images[i].first);
        const QImage image = reader.read();
        // Qt lays the mask over the colour premultiplied, which rounds; opaque pixels stay exact.
        const QImage &written = picture(images[i].second);
        EXPECT_LE(test::premultipliedDistance(written, image), 1) << images[i].first.constData();
        EXPECT_EQ(test::premultipliedDistance(written, image, true), 0) << images[i].first.constData();
    }
}

// A picture of one edge given pixel by pixel, in rows from the top.
QImage fromPixels(int edge, const std::function<QRgb(int)> &pixel) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < edge * edge; ++i)
        image.setPixel(i % edge, i / edge, pixel(i));
    return image;
}

QImage readWithQt(const QByteArray &icns, const QByteArray &subType) {
    QByteArray bytes = icns;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "icns");
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        if (reader.subType() == subType)
            return reader.read();
    }
    return {};
}

TEST(IcnsEncoder, PacksEveryRunAndLiteralLengthAtTheFormatsLimits) {
    // Runs of 1 to 4 and around the 130 limit, literals around the 128 limit, in one 32-pixel red
    // channel; green counts up, blue is one colour throughout.
    QList<int> sequence;
    const QList<int> runs = {1, 2, 3, 4, 129, 130, 131, 133};
    for (int k = 0; k < runs.size(); ++k)
        sequence.append(QList<int>(runs[k], k % 2 ? 200 : 10));
    for (int literal : {127, 128, 129}) {
        for (int i = 0; i < literal; ++i)
            sequence.append(i % 2 ? 50 + i % 100 : 150);
        sequence.append(QList<int>(3, 255));
    }
    ASSERT_LE(sequence.size(), 32 * 32);
    sequence.resize(32 * 32, 77);
    const QImage picture = fromPixels(32, [&](int i) { return qRgb(sequence[i], i % 256, 30); });

    const Result<QByteArray> icns = encodeIcns({picture});
    ASSERT_TRUE(icns);
    const QByteArray data = elementData(elementsOf(*icns), "il32");
    EXPECT_EQ(unpack(data, 32, false), colourPlanes(picture));
    // One colour throughout packs into longest repeats: 7 of 130 bytes and one of 114.
    EXPECT_TRUE(data.endsWith(QByteArray("\xFF\x1E", 2).repeated(7) + QByteArray("\xEF\x1E", 2)));
    EXPECT_EQ(test::premultipliedDistance(picture, readWithQt(*icns, "il32")), 0);
}

TEST(IcnsEncoder, StaysReadableWhereQtGuessesTheLayout) {
    // A first red byte on its own would make the data start with a zero, which Qt takes for padding.
    const QImage dot = fromPixels(16, [](int i) { return i == 0 ? qRgb(255, 0, 0) : qRgb(0, 0, 255); });
    const Result<QByteArray> dotIcns = encodeIcns({dot});
    ASSERT_TRUE(dotIcns);
    const QByteArray dotData = elementData(elementsOf(*dotIcns), "is32");
    EXPECT_NE(dotData.at(0), '\0');
    EXPECT_EQ(unpack(dotData, 16, false), colourPlanes(dot));
    EXPECT_EQ(test::premultipliedDistance(dot, readWithQt(*dotIcns, "is32")), 0);

    // 982 red bytes with no three alike then one red to the end, green and blue flat: packed plainly,
    // 1024 bytes, the length of raw 16-pixel data, which Qt would read as such.
    const QImage crafted =
        fromPixels(32, [](int i) { return qRgb(i < 982 ? (i * 37) % 251 : 255, 128, 64); });
    const Result<QByteArray> craftedIcns = encodeIcns({crafted});
    ASSERT_TRUE(craftedIcns);
    const QByteArray craftedData = elementData(elementsOf(*craftedIcns), "il32");
    EXPECT_EQ(craftedData.size(), 1025);
    EXPECT_EQ(unpack(craftedData, 32, false), colourPlanes(crafted));
    EXPECT_EQ(test::premultipliedDistance(crafted, readWithQt(*craftedIcns, "il32")), 0);
}

TEST(IcnsEncoder, RefusesPicturesItCannotPlace) {
    const auto refused = [](const QList<QImage> &pictures, const char *message) {
        const Result<QByteArray> icns = encodeIcns(pictures);
        ASSERT_FALSE(icns) << message;
        EXPECT_EQ(icns.error().kind, ErrorKind::EncodeFailed);
        EXPECT_EQ(icns.error().message.toStdString(), message);
    };
    refused({}, "there is no picture to encode");
    refused({QImage()}, "there is no picture to encode");
    refused({test::filled(16, Qt::red), test::filled(48, Qt::red)},
            "an ICNS file has no image type for 48×48 pixels");
    refused({test::filled(32, Qt::red), test::filled(32, Qt::blue)},
            "an ICNS file holds one 32×32 image, not two");
    refused({QImage(32, 16, QImage::Format_ARGB32_Premultiplied)},
            "an ICNS image must be square (currently 32×16)");
}

} // namespace
