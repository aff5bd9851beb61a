#include "writers/Generation.h"
#include "writers/SetWriter.h"

#include "TestSupport.h"

#include <QDir>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace {

// Every element type Qt reads, with its edge in pixels.
const QList<std::pair<QByteArray, int>> imageTypes = {
    {"is32", 16},  {"il32", 32},  {"ic11", 32},  {"ic12", 64},  {"it32", 128},
    {"ic08", 256}, {"ic13", 256}, {"ic09", 512}, {"ic14", 512}, {"ic10", 1024}};

class MacosIcns : public ::testing::Test {
protected:
    void SetUp() override { inputs.source = Image(test::iconPicture(1024)); }

    WriteReport write() {
        const Generation generation(inputs);
        return writeTarget(Platform::MacOSIcns, generation, dir.path(),
                           [this](const Error &error) { failures.append(error); });
    }
    QString icns() const { return dir.filePath(u"macOS-icns/AppIcon.icns"_s); }

    // Every image of the file as Qt's own icns reader decodes it, by element type.
    QMap<QByteArray, QImage> readWithQt() const {
        QImageReader reader(icns(), "icns");
        EXPECT_EQ(reader.imageCount(), imageTypes.size());
        QMap<QByteArray, QImage> images;
        for (int i = 0; i < reader.imageCount(); ++i) {
            EXPECT_TRUE(reader.jumpToImage(i));
            images.insert(reader.subType(), reader.read());
        }
        return images;
    }

    QTemporaryDir dir;
    GenerationInputs inputs;
    QList<Error> failures;
};

// How far the art reaches across the middle row, in pixels: the sum of its alpha.
double middleRowCoverage(const QImage &image) {
    const int y = image.height() / 2;
    double sum = 0;
    for (int x = 0; x < image.width(); ++x)
        sum += qAlpha(image.pixel(x, y)) / 255.0;
    return sum;
}

// The radius of the top-left corner of a square tile that starts at `from`: a quarter circle of radius r
// cuts k·r² (k = 1 − π/4) out of the square in the corner. A straight edge the filter has softened misses
// `edge` of its own per row (measured in the middle row), along reach − r rows and as many columns, so
// corner = k·r² + 2·(reach − r)·edge.
double cornerRadius(const QImage &image, int from, int reach) {
    const auto missing = [&image](int x, int y) { return 1.0 - qAlpha(image.pixel(x, y)) / 255.0; };
    double edge = 0;
    for (int x = from; x < from + reach; ++x)
        edge += missing(x, image.height() / 2);
    double corner = 0;
    for (int y = from; y < from + reach; ++y)
        for (int x = from; x < from + reach; ++x)
            corner += missing(x, y);
    const double k = 1.0 - M_PI / 4.0;
    return (edge + std::sqrt(edge * edge + k * (corner - 2 * reach * edge))) / k;
}

} // namespace

TEST_F(MacosIcns, ListsCompletelyAndBothDecodersAgree) {
    EXPECT_EQ(write().written, 1);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(QDir(dir.filePath(u"macOS-icns"_s)).entryList(QDir::Files), QStringList{u"AppIcon.icns"_s});

    const test::ToolRun listed = test::runTool(test::icns2png, {u"-l"_s, icns()});
    ASSERT_EQ(listed.exitCode, 0) << listed.errors.toStdString();
    QStringList described;
    static const QRegularExpression line(u"^  '(.{4})' (\\d+x\\d+ \\d+-bit(?: icon| mask)?)"_s,
                                         QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &m : line.globalMatch(QString::fromLatin1(listed.output)))
        described.append(m.captured(1) + u' ' + m.captured(2));
    // libicns 0.8.1 knows no size for the @2x types, which Qt reads below.
    EXPECT_EQ(described,
              (QStringList{u"is32 16x16 32-bit icon"_s, u"s8mk 16x16 8-bit mask"_s,
                           u"il32 32x32 32-bit icon"_s, u"l8mk 32x32 8-bit mask"_s, u"ic11 0x0 0-bit"_s,
                           u"ic12 0x0 0-bit"_s, u"it32 128x128 32-bit icon"_s, u"t8mk 128x128 8-bit mask"_s,
                           u"ic08 256x256 32-bit icon"_s, u"ic13 0x0 0-bit"_s, u"ic09 512x512 32-bit icon"_s,
                           u"ic14 0x0 0-bit"_s, u"ic10 1024x1024 32-bit icon"_s}))
        << listed.output.toStdString();
    EXPECT_TRUE(listed.output.contains("14 elements total found"));

    const QMap<QByteArray, QImage> qt = readWithQt();
    for (const auto &[type, edge] : imageTypes)
        EXPECT_EQ(qt.value(type).size(), QSize(edge, edge)) << type.constData();
    // An @2x type holds the same picture as the type of its pixel edge.
    for (const auto &[doubled, single] : {std::pair("ic11", "il32"), {"ic13", "ic08"}, {"ic14", "ic09"}})
        EXPECT_LE(test::premultipliedDistance(qt.value(single), qt.value(doubled)), 1) << doubled;

    // libicns decodes the same pixels as Qt, the run-length types with their masks laid over.
    const QString out = dir.filePath(u"extracted"_s);
    ASSERT_TRUE(QDir().mkpath(out));
    const test::ToolRun extracted = test::runTool(test::icns2png, {u"-x"_s, u"-o"_s, out, icns()});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.errors.toStdString();
    for (const auto &[type, edge] :
         {std::pair("is32", 16), {"il32", 32}, {"it32", 128}, {"ic08", 256}, {"ic09", 512}, {"ic10", 1024}}) {
        const QImage libicns(QDir(out).filePath(u"AppIcon_%1x%1x32.png"_s.arg(edge)));
        EXPECT_LE(test::premultipliedDistance(libicns, qt.value(type)), 1) << type;
        EXPECT_EQ(test::premultipliedDistance(libicns, qt.value(type), true), 0) << type;
    }
}

// The grid is a 100-pixel margin on the 1024 canvas around the picture as the classic set draws it, which
// is what the classic set writes with 100 pixels of padding added: the corners then scale with it.
TEST_F(MacosIcns, HoldsTheClassicPicturesShrunkOntoTheGrid) {
    for (const bool corners : {false, true}) {
        inputs.effects.withRoundedCorners = corners;
        ASSERT_EQ(write().written, 1);
        const QMap<QByteArray, QImage> qt = readWithQt();

        EffectSettings gridded = inputs.effects;
        gridded.withPadding = true;
        gridded.paddingPx = 100;
        const QString classic = dir.filePath(u"classic"_s);
        ASSERT_TRUE(
            writePlatform(Platform::MacOS, applyEffects(inputs.source, gridded), classic, [](const Error &) {
            }).failures.isEmpty());
        for (const auto &[type, edge] : imageTypes) {
            const QImage expected(QDir(classic).filePath(u"macOS/AppIcon.appiconset/%1.png"_s.arg(edge)));
            EXPECT_LE(test::premultipliedDistance(expected, qt.value(type)), 1) << type.constData();
            EXPECT_EQ(test::premultipliedDistance(expected, qt.value(type), true), 0) << type.constData();
        }
    }
}

TEST_F(MacosIcns, ScalesTheGridAndTheEffectsWithEveryEdge) {
    // Opaque full-bleed art shows where the tile ends.
    inputs.source = Image(test::filled(1024, QColor(40, 160, 90)));
    const auto coverage = [this](bool padding) {
        inputs.effects.withPadding = padding;
        EXPECT_EQ(write().written, 1);
        QMap<int, double> reach;
        for (const auto &[type, image] : readWithQt().asKeyValueRange())
            reach.insert(image.width(), middleRowCoverage(image) / image.width());
        return reach;
    };
    // The tile is 824 / 1024 of every edge, the default padding of 100 takes its share inside it.
    for (const auto &[padding, share] : {std::pair(false, 824.0 / 1024), {true, 824.0 * 824 / 1024 / 1024}}) {
        const QMap<int, double> reach = coverage(padding);
        EXPECT_EQ(reach.size(), 7);
        for (const auto &[edge, measured] : reach.asKeyValueRange())
            EXPECT_NEAR(measured * edge, share * edge, 0.15) << edge << (padding ? " padded" : "");
    }

    // The margin stays clear under the tint; the tile is tinted.
    inputs.effects.withPadding = false;
    inputs.effects.withTint = true;
    inputs.effects.tintOpacity = 0.5;
    inputs.effects.colorSelection = Color{1.0, 0.0, 0.0, 1.0};
    ASSERT_EQ(write().written, 1);
    const QImage large = readWithQt().value("ic10");
    for (const QPoint clear : {QPoint(99, 512), QPoint(512, 99), QPoint(924, 512), QPoint(0, 0)})
        EXPECT_EQ(qAlpha(large.pixel(clear)), 0) << clear.x() << "," << clear.y();
    EXPECT_EQ(large.pixel(100, 512), qRgb(148, 80, 45));
    EXPECT_EQ(large.pixel(512, 512), qRgb(148, 80, 45));

    // The corner radius, set on the 1024 canvas, shrinks with the tile: the default 229 comes within
    // 1.2 pixels of the 185.4 of Apple's grid.
    inputs.effects.withTint = false;
    inputs.effects.withRoundedCorners = true;
    for (const double radius : {229.0, 400.0}) {
        inputs.effects.roundedCornersPx = radius;
        ASSERT_EQ(write().written, 1);
        const QMap<QByteArray, QImage> qt = readWithQt();
        EXPECT_NEAR(cornerRadius(qt.value("ic10"), 100, 412), radius * 824 / 1024, 0.1) << radius;
        EXPECT_NEAR(cornerRadius(qt.value("ic09"), 50, 206), radius * 412 / 1024, 0.1) << radius;
    }
}
