#include "writers/SetWriter.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

QJsonArray readImages(const QString &setFolder) {
    QFile file(QDir(setFolder).filePath(QStringLiteral("Contents.json")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(root.keys(), QStringList{QStringLiteral("images")});
    return root.value(QStringLiteral("images")).toArray();
}

QJsonObject entry(const char *filename, const char *idiom, const char *platform, const char *scale,
                  const char *size) {
    QJsonObject o{{QStringLiteral("filename"), QLatin1String(filename)},
                  {QStringLiteral("idiom"), QLatin1String(idiom)},
                  {QStringLiteral("size"), QLatin1String(size)}};
    if (platform)
        o.insert(QStringLiteral("platform"), QLatin1String(platform));
    if (scale)
        o.insert(QStringLiteral("scale"), QLatin1String(scale));
    return o;
}

QStringList pngFiles(const QString &folder) {
    QStringList files = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    files.sort();
    return files;
}

QStringList descriptions(const WriteReport &report) {
    QStringList lines;
    for (const Error &error : report.failures)
        lines << error.description();
    return lines;
}

class AppleSet : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Image source{test::filled(1024, QColor(200, 40, 40))};
    QString set(const char *key) {
        return dir.filePath(QLatin1String(key) + QStringLiteral("/AppIcon.appiconset"));
    }
    WriteReport write(Platform platform, const Image &image) {
        return writePlatform(platform, image, dir.path(), [](const Error &) {});
    }
    WriteReport write(Platform platform) { return write(platform, source); }
};

} // namespace

TEST_F(AppleSet, MacOSSetMatchesTheExpectedIndex) {
    const WriteReport report = write(Platform::MacOS);
    EXPECT_TRUE(report.failures.isEmpty()) << descriptions(report).join(u'\n').toStdString();
    EXPECT_EQ(report.written, 11);
    const QJsonArray expected{
        entry("16.png", "mac", nullptr, "1x", "16x16"),    entry("32.png", "mac", nullptr, "2x", "16x16"),
        entry("32.png", "mac", nullptr, "1x", "32x32"),    entry("64.png", "mac", nullptr, "2x", "32x32"),
        entry("128.png", "mac", nullptr, "1x", "128x128"), entry("256.png", "mac", nullptr, "2x", "128x128"),
        entry("256.png", "mac", nullptr, "1x", "256x256"), entry("512.png", "mac", nullptr, "2x", "256x256"),
        entry("512.png", "mac", nullptr, "1x", "512x512"), entry("1024.png", "mac", nullptr, "2x", "512x512"),
    };
    EXPECT_EQ(readImages(set("macOS")), expected);
    EXPECT_EQ(pngFiles(set("macOS")).size(), 7);
}

TEST_F(AppleSet, IOSSetMatchesTheExpectedIndex) {
    EXPECT_TRUE(write(Platform::IOS).failures.isEmpty());
    QJsonArray expected;
    const std::pair<const char *, std::array<const char *, 2>> table[] = {
        {"20x20", {"40.png", "60.png"}},       {"29x29", {"58.png", "87.png"}},
        {"38x38", {"76.png", "114.png"}},      {"40x40", {"80.png", "120.png"}},
        {"60x60", {"120.png", "180.png"}},     {"64x64", {"128.png", "192.png"}},
        {"68x68", {"136.png", "204.png"}},     {"76x76", {"152.png", "228.png"}},
        {"83.5x83.5", {"167.png", "250.png"}},
    };
    for (const auto &[size, files] : table) {
        expected.append(entry(files[0], "universal", "ios", "2x", size));
        expected.append(entry(files[1], "universal", "ios", "3x", size));
    }
    expected.append(entry("1024.png", "universal", "ios", nullptr, "1024x1024"));
    EXPECT_EQ(readImages(set("iOS")), expected);
    EXPECT_EQ(pngFiles(set("iOS")).size(), 18);
}

TEST_F(AppleSet, WatchOSSetHasTwentyDistinctFiles) {
    EXPECT_TRUE(write(Platform::WatchOS).failures.isEmpty());
    const QJsonArray images = readImages(set("watchOS"));
    ASSERT_EQ(images.size(), 20);
    EXPECT_EQ(images.at(2).toObject(), entry("55.png", "universal", "watchos", "2x", "27.5x27.5"));
    EXPECT_EQ(images.at(8).toObject(), entry("87.png", "universal", "watchos", "2x", "43.5x43.5"));
    EXPECT_EQ(images.at(19).toObject(), entry("1024.png", "universal", "watchos", nullptr, "1024x1024"));
    EXPECT_EQ(pngFiles(set("watchOS")).size(), 20);
}

TEST_F(AppleSet, EveryFileIsAPngOfItsNamedEdgeWithAlphaButTheMarketingIcon) {
    ASSERT_TRUE(write(Platform::IOS).failures.isEmpty());
    for (const QString &name : pngFiles(set("iOS"))) {
        QImageReader reader(QDir(set("iOS")).filePath(name));
        const int edge = name.chopped(4).toInt();
        EXPECT_EQ(reader.size(), QSize(edge, edge)) << name.toStdString();
        const QImage image = reader.read();
        EXPECT_EQ(image.hasAlphaChannel(), edge != 1024) << name.toStdString();
        EXPECT_EQ(image.pixel(edge / 2, edge / 2), qRgb(200, 40, 40));
    }
}

TEST_F(AppleSet, BlockedFolderGivesOneMessageAndNoFiles) {
    QFile blocker(dir.filePath(QStringLiteral("macOS")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const WriteReport report = write(Platform::MacOS);
    EXPECT_EQ(report.written, 0);
    ASSERT_EQ(report.failures.size(), 1);
    EXPECT_EQ(report.failures.first().kind, ErrorKind::FolderNotCreated);
    EXPECT_TRUE(report.failures.first().description().contains(QStringLiteral("macOS")));
    EXPECT_TRUE(write(Platform::IOS).failures.isEmpty());
    EXPECT_EQ(pngFiles(set("iOS")).size(), 18);
}

TEST_F(AppleSet, BlockedFileGivesAMessageAndTheEntryStays) {
    ASSERT_TRUE(QDir().mkpath(set("macOS") + QStringLiteral("/64.png")));
    const WriteReport report = write(Platform::MacOS);
    // Ten slots share seven file names; each write counts, Contents.json too, the blocked one not.
    EXPECT_EQ(report.written, 10);
    ASSERT_EQ(report.failures.size(), 1);
    EXPECT_EQ(report.failures.first().kind, ErrorKind::WriteFailed);
    EXPECT_EQ(readImages(set("macOS")).size(), 10);
    EXPECT_EQ(pngFiles(set("macOS")).size(), 6);
}

TEST_F(AppleSet, SecondRunReplacesFilesSilently) {
    EXPECT_TRUE(write(Platform::MacOS, Image(test::filled(1024, Qt::green))).failures.isEmpty());
    EXPECT_TRUE(write(Platform::MacOS).failures.isEmpty());
    const QImage icon(QDir(set("macOS")).filePath(QStringLiteral("16.png")));
    EXPECT_EQ(icon.pixel(8, 8), qRgb(200, 40, 40));
    EXPECT_EQ(QDir(set("macOS")).entryList(QDir::Files).size(), 8); // no temporary files left behind
}

// The App Store refuses a marketing icon with an alpha channel: iOS and watchOS write theirs as RGB, filled
// with the background where the picture is transparent, and nothing else of the sets changes.
TEST_F(AppleSet, MarketingIconsAreOpaqueOverTheBackground) {
    QImage art(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    art.fill(Qt::transparent);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 512; ++x)
            art.setPixel(x, y, y < 900 ? qRgba(200, 40, 40, 255) : qRgba(0, 128, 0, 128));
    const Color background{0.2, 0.4, 0.8, 1.0};
    for (const Platform platform : {Platform::MacOS, Platform::IOS, Platform::WatchOS})
        ASSERT_TRUE(writePlatform(
                        platform, Image(art), dir.path(), [](const Error &) {}, background)
                        .failures.isEmpty());

    for (const char *key : {"macOS", "iOS", "watchOS"}) {
        const bool marketing = QLatin1String(key) != QLatin1String("macOS");
        for (const QString &name : pngFiles(set(key))) {
            const QString path = QDir(set(key)).filePath(name);
            const bool opaque = marketing && name == QStringLiteral("1024.png");
            EXPECT_EQ(uchar(test::fileBytes(path).at(25)), opaque ? 2 : 6)
                << key << ' ' << name.toStdString();
            if (!opaque)
                continue;
            const test::ToolRun check = test::runTool(test::pngcheck, {path});
            EXPECT_EQ(check.exitCode, 0);
            EXPECT_TRUE(check.output.contains("24-bit RGB,")) << check.output.toStdString();
            const QImage written(path);
            EXPECT_EQ(written.pixel(100, 100), qRgb(200, 40, 40));
            EXPECT_EQ(written.pixel(900, 100), qRgb(51, 102, 204));
            // Half-transparent green over the background: 128 + 102 × 127 / 255 green, 204 × 127 / 255 blue.
            const QRgb mixed = written.pixel(100, 950);
            EXPECT_EQ(qRed(mixed), 25);
            EXPECT_EQ(qGreen(mixed), 179);
            EXPECT_EQ(qBlue(mixed), 102);
        }
    }
}
