#include "writers/SetWriter.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

struct WebPng {
    const char *name;
    int edge;
};

const WebPng webPngs[] = {
    {"android-icon-36x36.png", 36},  {"android-icon-48x48.png", 48},    {"android-icon-72x72.png", 72},
    {"android-icon-96x96.png", 96},  {"android-icon-144x144.png", 144}, {"android-icon-192x192.png", 192},
    {"apple-icon-57x57.png", 57},    {"apple-icon-60x60.png", 60},      {"apple-icon-72x72.png", 72},
    {"apple-icon-76x76.png", 76},    {"apple-icon-114x114.png", 114},   {"apple-icon-120x120.png", 120},
    {"apple-icon-144x144.png", 144}, {"apple-icon-152x152.png", 152},   {"apple-icon-180x180.png", 180},
    {"ms-icon-70x70.png", 70},       {"ms-icon-144x144.png", 144},      {"ms-icon-150x150.png", 150},
    {"ms-icon-310x310.png", 310},    {"favicon-16x16.png", 16},         {"favicon-32x32.png", 32},
    {"favicon-96x96.png", 96},       {"apple-icon.png", 192},
};

quint16 le16(const QByteArray &bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 le32(const QByteArray &bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The one image of an ICO file read straight from its bytes, so the test does not trust any decoder.
struct IcoImage {
    int width = 0, height = 0, bitsPerPixel = 0;
    QByteArray bytes;
    qsizetype dib = 0;

    QRgb pixel(int x, int y) const { // straight ARGB, y from the top
        const qsizetype at = dib + 40 + (qsizetype(height - 1 - y) * width + x) * 4;
        const auto b = [&](int i) { return quint8(bytes.at(at + i)); };
        return qRgba(b(2), b(1), b(0), b(3));
    }
    bool masked(int x, int y) const {
        const qsizetype stride = ((width + 31) / 32) * 4;
        const qsizetype at = dib + 40 + qsizetype(width) * height * 4 + (height - 1 - y) * stride + x / 8;
        return quint8(bytes.at(at)) & (0x80 >> (x % 8));
    }
};

IcoImage parseIco(const QByteArray &bytes) {
    IcoImage ico;
    EXPECT_GE(bytes.size(), 6 + 16 + 40);
    if (bytes.size() < 6 + 16 + 40)
        return ico;
    EXPECT_EQ(le16(bytes, 0), 0);
    EXPECT_EQ(le16(bytes, 2), 1); // icon, not cursor
    EXPECT_EQ(le16(bytes, 4), 1); // one image
    const int entryWidth = quint8(bytes.at(6)) == 0 ? 256 : quint8(bytes.at(6));
    const int entryHeight = quint8(bytes.at(7)) == 0 ? 256 : quint8(bytes.at(7));
    EXPECT_EQ(le16(bytes, 10), 1);
    EXPECT_EQ(le16(bytes, 12), 32);
    const quint32 size = le32(bytes, 14);
    ico.dib = le32(bytes, 18);
    EXPECT_EQ(ico.dib + size, quint32(bytes.size()));
    EXPECT_EQ(le32(bytes, ico.dib), 40u);
    ico.width = int(le32(bytes, ico.dib + 4));
    ico.height = int(le32(bytes, ico.dib + 8)) / 2; // colour rows plus mask rows
    EXPECT_EQ(ico.width, entryWidth);
    EXPECT_EQ(ico.height, entryHeight);
    ico.bitsPerPixel = le16(bytes, ico.dib + 14);
    EXPECT_EQ(le32(bytes, ico.dib + 16), 0u); // uncompressed
    const qsizetype stride = ((ico.width + 31) / 32) * 4;
    EXPECT_EQ(size, 40 + quint32(ico.width * ico.height * 4 + stride * ico.height));
    ico.bytes = bytes;
    return ico;
}

class WebSet : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Image source{test::filled(1024, QColor(200, 40, 40))};

    WriteReport write(const Image &image, const QString &folder) {
        return writePlatform(Platform::Web, image, folder, [](const Error &) {});
    }
    WriteReport write(const Image &image) { return write(image, dir.path()); }
    WriteReport write() { return write(source); }

    QString favIcon(const QString &name = {}) const {
        return dir.filePath(QStringLiteral("FavIcon/") + name);
    }
    QStringList files() const {
        QStringList names = QDir(favIcon()).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    }
    static QStringList allNames() {
        QStringList names{QStringLiteral("favicon.ico"), QStringLiteral("manifest.json"),
                          QStringLiteral("browser_config.xml")};
        for (const WebPng &png : webPngs)
            names << QLatin1String(png.name);
        names.sort();
        return names;
    }
};

} // namespace

TEST_F(WebSet, WritesTwentySixFilesAtTheirSizes) {
    const WriteReport report = write();
    EXPECT_TRUE(report.failures.isEmpty());
    EXPECT_EQ(report.written, 26);
    EXPECT_EQ(files(), allNames());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("FavIcon")});
    for (const WebPng &png : webPngs) {
        QImageReader reader(favIcon(QLatin1String(png.name)));
        EXPECT_EQ(reader.format(), "png") << png.name;
        EXPECT_EQ(reader.size(), QSize(png.edge, png.edge)) << png.name;
        const QImage icon = reader.read();
        EXPECT_TRUE(icon.hasAlphaChannel()) << png.name;
        EXPECT_EQ(icon.pixel(png.edge / 2, png.edge / 2), qRgb(200, 40, 40)) << png.name;
    }
}

TEST_F(WebSet, FaviconIcoIsOne16PixelImageWithAlpha) {
    // Top half opaque red; bottom half half-transparent blue on the left, clear on the right.
    QImage picture = test::filled(1024, Qt::transparent);
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, 1024, 512, QColor(200, 40, 40));
    painter.fillRect(0, 512, 512, 512, QColor(0, 0, 255, 128));
    painter.end();
    ASSERT_TRUE(write(Image(picture)).failures.isEmpty());

    const IcoImage ico = parseIco(test::fileBytes(favIcon(QStringLiteral("favicon.ico"))));
    ASSERT_EQ(ico.width, 16);
    ASSERT_EQ(ico.height, 16);
    EXPECT_EQ(ico.bitsPerPixel, 32);
    EXPECT_EQ(ico.pixel(3, 3), qRgba(200, 40, 40, 255));
    EXPECT_FALSE(ico.masked(3, 3));
    const QRgb glass = ico.pixel(3, 12);
    EXPECT_NEAR(qAlpha(glass), 128, 1);
    EXPECT_NEAR(qBlue(glass), 255, 2);
    EXPECT_EQ(qAlpha(ico.pixel(12, 12)), 0);
    EXPECT_TRUE(ico.masked(12, 12));

    // A second decoder sees the same picture the right way up.
    const QImage decoded(favIcon(QStringLiteral("favicon.ico")), "ICO");
    ASSERT_EQ(decoded.size(), QSize(16, 16));
    EXPECT_EQ(decoded.pixel(3, 3), qRgba(200, 40, 40, 255));
    EXPECT_NEAR(qAlpha(decoded.pixel(3, 12)), 128, 1);

    // And icoutils, as the desktop's own tools read it: one 16-pixel 32-bit icon, the same picture.
    const QString icoFile = favIcon(QStringLiteral("favicon.ico"));
    const test::ToolRun listed = test::runTool(test::icotool, {QStringLiteral("--list"), icoFile});
    EXPECT_EQ(listed.output.trimmed(),
              "--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0");
    const test::ToolRun extracted =
        test::runTool(test::icotool, {QStringLiteral("--extract"), QStringLiteral("--output=-"), icoFile});
    const QImage png = QImage::fromData(extracted.output, "png");
    ASSERT_EQ(png.size(), QSize(16, 16)) << extracted.errors.toStdString();
    EXPECT_EQ(png.pixel(3, 3), qRgba(200, 40, 40, 255));
    EXPECT_NEAR(qAlpha(png.pixel(3, 12)), 128, 1);
    EXPECT_EQ(qAlpha(png.pixel(12, 12)), 0);
}

TEST_F(WebSet, WriteIcoKeepsToTheFormatsEdgeLimit) {
    const QString path = dir.filePath(QStringLiteral("big.ico"));
    const Result<void> big = writeIco(path, 256, 256, source);
    ASSERT_TRUE(big) << big.error().description().toStdString();
    EXPECT_EQ(quint8(test::fileBytes(path).at(6)), 0); // 256 is stored as 0
    EXPECT_EQ(QImage(path, "ICO").size(), QSize(256, 256));
    const QString hugePath = dir.filePath(QStringLiteral("huge.ico"));
    const Result<void> huge = writeIco(hugePath, 257, 257, source);
    ASSERT_FALSE(huge);
    EXPECT_EQ(huge.error().kind, ErrorKind::EncodeFailed);
    EXPECT_EQ(huge.error().path, hugePath);
    EXPECT_FALSE(QFileInfo::exists(hugePath));
}

TEST_F(WebSet, TextFilesAreTheResourcesUnchangedAndNameWrittenIcons) {
    ASSERT_TRUE(write().failures.isEmpty());
    const QByteArray manifest = test::fileBytes(favIcon(QStringLiteral("manifest.json")));
    const QByteArray config = test::fileBytes(favIcon(QStringLiteral("browser_config.xml")));
    EXPECT_EQ(manifest, test::fileBytes(
                            test::sourcePath(QStringLiteral("resources/web/favicon_android_manifest.json"))));
    EXPECT_EQ(config, test::fileBytes(test::sourcePath(QStringLiteral("resources/web/browser_config.xml"))));

    // Every icon the two files point browsers at must be one the writer made, at the size claimed.
    const QJsonArray icons =
        QJsonDocument::fromJson(manifest).object().value(QStringLiteral("icons")).toArray();
    EXPECT_EQ(icons.size(), 6);
    for (const auto &value : icons) {
        const QJsonObject icon = value.toObject();
        const QSize size = QImageReader(favIcon(icon.value(QStringLiteral("src")).toString())).size();
        EXPECT_EQ(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                  icon.value(QStringLiteral("sizes")).toString());
        EXPECT_EQ(icon.value(QStringLiteral("type")).toString(), QStringLiteral("image/png"));
    }
    const QRegularExpression tileSource(QStringLiteral("src=\"([^\"]+)\""));
    int tiles = 0;
    for (const auto &match : tileSource.globalMatch(QString::fromUtf8(config))) {
        EXPECT_TRUE(QFileInfo::exists(favIcon(match.captured(1)))) << match.captured(1).toStdString();
        ++tiles;
    }
    EXPECT_EQ(tiles, 3);
}

TEST_F(WebSet, BlockedFolderGivesOneMessageAndNoFiles) {
    QFile blocker(favIcon().chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const WriteReport report = write();
    ASSERT_EQ(report.failures.size(), 1);
    EXPECT_TRUE(report.failures.first().description().contains(QStringLiteral("FavIcon")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("FavIcon")});
}

TEST_F(WebSet, BlockedFileGivesOneMessageAndTheRestFollow) {
    struct Case {
        const char *blocked;
        int written;
    };
    // A failed manifest write keeps the browser configuration back as well.
    const Case cases[] = {{"ms-icon-150x150.png", 25}, {"favicon.ico", 25}, {"manifest.json", 24}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.blocked);
        QTemporaryDir run;
        const QString folder = run.filePath(QStringLiteral("FavIcon"));
        ASSERT_TRUE(QDir().mkpath(QDir(folder).filePath(QLatin1String(c.blocked))));
        const WriteReport report = write(source, run.path());
        EXPECT_EQ(report.written, c.written);
        ASSERT_EQ(report.failures.size(), 1);
        EXPECT_EQ(report.failures.first().kind, ErrorKind::WriteFailed);
        EXPECT_TRUE(report.failures.first().description().contains(QLatin1String(c.blocked)));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), c.written);
    }
}

TEST_F(WebSet, SecondRunReplacesFilesSilently) {
    EXPECT_TRUE(write(Image(test::filled(1024, Qt::green))).failures.isEmpty());
    EXPECT_TRUE(write().failures.isEmpty());
    EXPECT_EQ(QImage(favIcon(QStringLiteral("favicon-16x16.png"))).pixel(8, 8), qRgb(200, 40, 40));
    EXPECT_EQ(QImage(favIcon(QStringLiteral("favicon.ico")), "ICO").pixel(8, 8), qRgb(200, 40, 40));
    EXPECT_EQ(files(), allNames()); // no temporary files left behind
}
