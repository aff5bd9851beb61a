#include "writers/AssetCatalogWriter.h"

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

using Recorded = test::RecordedFailures;

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

class AssetCatalogWriter : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Image source{test::filled(1024, QColor(200, 40, 40))};
    QString set(const char *key) {
        return dir.filePath(QLatin1String(key) + QStringLiteral("/AppIcon.appiconset"));
    }
};

} // namespace

TEST_F(AssetCatalogWriter, MacOSSetMatchesTheExpectedIndex) {
    Recorded rec;
    EXPECT_EQ(writeAssetCatalog(source, QStringLiteral("macOS"), dir.path(), rec.sink()), 0);
    EXPECT_TRUE(rec.messages.isEmpty());
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

TEST_F(AssetCatalogWriter, IOSSetMatchesTheExpectedIndex) {
    EXPECT_EQ(writeAssetCatalog(source, QStringLiteral("iOS"), dir.path(), [](const QString &) {}), 0);
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

TEST_F(AssetCatalogWriter, WatchOSSetHasTwentyDistinctFiles) {
    EXPECT_EQ(writeAssetCatalog(source, QStringLiteral("watchOS"), dir.path(), [](const QString &) {}), 0);
    const QJsonArray images = readImages(set("watchOS"));
    ASSERT_EQ(images.size(), 20);
    EXPECT_EQ(images.at(2).toObject(), entry("55.png", "universal", "watchos", "2x", "27.5x27.5"));
    EXPECT_EQ(images.at(8).toObject(), entry("87.png", "universal", "watchos", "2x", "43.5x43.5"));
    EXPECT_EQ(images.at(19).toObject(), entry("1024.png", "universal", "watchos", nullptr, "1024x1024"));
    EXPECT_EQ(pngFiles(set("watchOS")).size(), 20);
}

TEST_F(AssetCatalogWriter, EveryFileIsAnRgbaPngOfItsNamedEdge) {
    ASSERT_EQ(writeAssetCatalog(source, QStringLiteral("iOS"), dir.path(), [](const QString &) {}), 0);
    for (const QString &name : pngFiles(set("iOS"))) {
        QImageReader reader(QDir(set("iOS")).filePath(name));
        const int edge = name.chopped(4).toInt();
        EXPECT_EQ(reader.size(), QSize(edge, edge)) << name.toStdString();
        const QImage image = reader.read();
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(image.pixel(edge / 2, edge / 2), qRgb(200, 40, 40));
    }
}

TEST_F(AssetCatalogWriter, BlockedFolderGivesOneMessageAndNoFiles) {
    QFile blocker(dir.filePath(QStringLiteral("macOS")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Recorded rec;
    int written = 0;
    EXPECT_EQ(writeAssetCatalog(source, QStringLiteral("macOS"), dir.path(), rec.sink(), &written), 1);
    EXPECT_EQ(written, 0);
    ASSERT_EQ(rec.messages.size(), 1);
    EXPECT_TRUE(rec.messages.first().contains(QStringLiteral("macOS")));
    EXPECT_EQ(writeAssetCatalog(source, QStringLiteral("iOS"), dir.path(), rec.sink()), 0);
    EXPECT_EQ(pngFiles(set("iOS")).size(), 18);
}

TEST_F(AssetCatalogWriter, BlockedFileGivesAMessageAndTheEntryStays) {
    ASSERT_TRUE(QDir().mkpath(set("macOS") + QStringLiteral("/64.png")));
    Recorded rec;
    int written = 0;
    EXPECT_EQ(writeAssetCatalog(source, QStringLiteral("macOS"), dir.path(), rec.sink(), &written), 1);
    // Ten slots share seven file names; each write counts, Contents.json too, the blocked one not.
    EXPECT_EQ(written, 10);
    EXPECT_EQ(rec.messages.size(), 1);
    EXPECT_EQ(readImages(set("macOS")).size(), 10);
    EXPECT_EQ(pngFiles(set("macOS")).size(), 6);
}

TEST_F(AssetCatalogWriter, SecondRunReplacesFilesSilently) {
    Recorded rec;
    writeAssetCatalog(Image(test::filled(1024, Qt::green)), QStringLiteral("macOS"), dir.path(), rec.sink());
    EXPECT_EQ(writeAssetCatalog(source, QStringLiteral("macOS"), dir.path(), rec.sink()), 0);
    EXPECT_TRUE(rec.messages.isEmpty());
    const QImage icon(QDir(set("macOS")).filePath(QStringLiteral("16.png")));
    EXPECT_EQ(icon.pixel(8, 8), qRgb(200, 40, 40));
    EXPECT_EQ(QDir(set("macOS")).entryList(QDir::Files).size(), 8); // no temporary files left behind
}
