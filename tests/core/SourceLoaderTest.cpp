#include "imaging/SourceLoader.h"
#include "imaging/SvgRasteriser.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QByteArray encoded(const QImage &image, const QByteArray &format, bool progressive = false) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image)) << format.constData();
    return buffer.data();
}

QImage noise(int edge) {
    QImage image(edge, edge, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    return image;
}

// A JPEG whose EXIF block asks for the stored picture to be shown turned (6: a quarter turn clockwise).
QByteArray withExifOrientation(QByteArray jpeg, quint8 orientation) {
    QByteArray segment("\xff\xe1\x00\x22"
                       "Exif\0\0"
                       "MM\x00\x2a\x00\x00\x00\x08"
                       "\x00\x01"
                       "\x01\x12\x00\x03\x00\x00\x00\x01\x00",
                       4 + 6 + 8 + 2 + 9);
    segment += char(orientation);
    segment += QByteArray(2 + 4, '\0');
    jpeg.insert(2, segment);
    return jpeg;
}

bool near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance &&
           std::abs(qAlpha(actual) - qAlpha(expected)) <= tolerance;
}

// Display P3 and sRGB share a transfer curve and a white point; only the primaries differ.
QRgb displayP3ToSrgb(int red, int green, int blue) {
    const auto linear = [](int v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const auto encode = [](double l) {
        l = std::clamp(l, 0.0, 1.0);
        return int(std::lround(255.0 * (l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055)));
    };
    const double r = linear(red), g = linear(green), b = linear(blue);
    return qRgb(encode(1.2249401 * r - 0.2249404 * g), encode(-0.0420569 * r + 1.0420571 * g),
                encode(-0.0196376 * r - 0.0786361 * g + 1.0982735 * b));
}

bool everyPixelIs(const QImage &image, QRgb colour, int tolerance) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!near(image.pixel(x, y), colour, tolerance))
                return false;
    return true;
}

// Every way an SVG can point outside itself, drawn over a green square.
QByteArray referencingSvg(const QString &picture, const QString &style) {
    const QString fileUrl = QUrl::fromLocalFile(picture).toString();
    return uR"(<?xml version="1.0"?>
<?xml-stylesheet type="text/css" href="%2"?>
<!DOCTYPE svg [ <!ENTITY secret SYSTEM "%3"> ]>
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="64" height="64">
  <title>&secret;</title>
  <style>@import url(%2);</style>
  <rect width="64" height="64" fill="#00ff00"/>
  <image x="0" y="0" width="64" height="64" xlink:href="%1"/>
  <image x="0" y="0" width="64" height="64" href="%1"/>
  <image x="0" y="0" width="64" height="64" xlink:href="%3"/>
  <image x="0" y="0" width="64" height="64" xlink:href="secret.png"><title>inner</title></image>
  <image x="0" y="0" width="64" height="64" xlink:href="http://127.0.0.1:9/secret.png"/>
  <use xlink:href="%1#part"/>
</svg>)"_s.arg(picture, style, fileUrl)
        .toUtf8();
}

} // namespace

TEST(SourceLoader, TurnsAnExifRotatedPhotoUpright) {
    // Stored 64 wide: red on the left, blue on the right. A quarter turn clockwise puts red on top.
    QImage stored(64, 32, QImage::Format_RGB32);
    stored.fill(Qt::red);
    for (int y = 0; y < 32; ++y)
        for (int x = 32; x < 64; ++x)
            stored.setPixel(x, y, qRgb(0, 0, 255));
    QTemporaryDir dir;
    const auto loaded =
        loadSourceImage(writeFile(dir, u"turned.jpg"_s, withExifOrientation(encoded(stored, "jpeg"), 6)));
    ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
    const QImage &upright = loaded->bitmap();
    ASSERT_EQ(upright.size(), QSize(32, 64));
    EXPECT_TRUE(near(upright.pixel(16, 8), qRgb(255, 0, 0), 24));
    EXPECT_TRUE(near(upright.pixel(16, 56), qRgb(0, 0, 255), 24));
}

TEST(SourceLoader, ConvertsADisplayP3PictureToSrgb) {
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(200, 60, 60), qRgb(90, 160, 70), qRgb(255, 255, 255)};
    QImage p3(4, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        p3.setPixel(x, 0, colours[x]);
    p3.setColorSpace(QColorSpace::DisplayP3);
    QTemporaryDir dir;
    const auto loaded = loadSourceImage(writeFile(dir, u"p3.png"_s, encoded(p3, "png")));
    ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
    const QImage &srgb = loaded->bitmap();
    for (int x = 0; x < 4; ++x) {
        const QRgb expected = displayP3ToSrgb(qRed(colours[x]), qGreen(colours[x]), qBlue(colours[x]));
        EXPECT_TRUE(near(srgb.pixel(x, 0), expected, 1))
            << x << ": got " << std::hex << srgb.pixel(x, 0) << ", expected " << expected;
    }
    // The saturated P3 red lies outside sRGB and is shown as the reddest sRGB red.
    EXPECT_EQ(srgb.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_FALSE(near(srgb.pixel(1, 0), colours[1], 5));
}

TEST(SourceLoader, LeavesAnSrgbPictureUntouched) {
    QImage tagged = noise(16);
    tagged.setColorSpace(QColorSpace::SRgb);
    QTemporaryDir dir;
    const auto loaded = loadSourceImage(writeFile(dir, u"srgb.png"_s, encoded(tagged, "png")));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->bitmap().convertToFormat(QImage::Format_RGB32), tagged);
}

TEST(SourceLoader, TakesTheFirstFrameOfAnAnimation) {
    const auto loaded = loadSourceImage(test::dataPath(u"two-frames.gif"_s));
    ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
    EXPECT_EQ(loaded->bitmap().size(), QSize(16, 16));
    EXPECT_TRUE(everyPixelIs(loaded->bitmap(), qRgb(255, 0, 0), 0));
}

TEST(SourceLoader, RefusesTruncatedFilesInEveryFormat) {
    const QImage picture = noise(64);
    QTemporaryDir dir;
    for (const QByteArray format : {"png", "jpeg", "bmp", "webp", "tiff"}) {
        if (!QImageWriter::supportedImageFormats().contains(format))
            continue;
        const QByteArray whole = encoded(picture, format);
        const QString name = u"cut."_s + QString::fromLatin1(format);
        // Qt pads some cut-off files with grey and calls that a success; the loader must not.
        const auto cut = loadSourceImage(writeFile(dir, name, whole.left(whole.size() * 6 / 10)));
        ASSERT_FALSE(cut) << format.constData();
        EXPECT_EQ(cut.error().kind, ErrorKind::Damaged) << format.constData();
        EXPECT_TRUE(cut.error().message.contains(u"damaged or incomplete"_s))
            << cut.error().message.toStdString();
        EXPECT_TRUE(loadSourceImage(writeFile(dir, name, whole))) << format.constData();
    }
    for (const QString &name : {u"truncated.png"_s, u"truncated.gif"_s}) {
        const auto loaded = loadSourceImage(test::dataPath(name));
        ASSERT_FALSE(loaded) << name.toStdString();
        EXPECT_TRUE(loaded.error().description().startsWith(QDir::toNativeSeparators(test::dataPath(name))))
            << name.toStdString();
    }
}

TEST(SourceLoader, AcceptsWholeJpegsOfEveryShape) {
    const QImage picture = noise(64);
    QTemporaryDir dir;
    // Progressive scans and data after the end marker (as in motion photos) are still whole pictures.
    EXPECT_TRUE(loadSourceImage(writeFile(dir, u"progressive.jpg"_s, encoded(picture, "jpeg", true))));
    const QByteArray trailed = encoded(picture, "jpeg") + QByteArray("\x00\x00\x00\x18"
                                                                     "ftypmp42",
                                                                     12);
    EXPECT_TRUE(loadSourceImage(writeFile(dir, u"trailed.jpg"_s, trailed)));
}

TEST(SourceLoader, RefusesAHugeClaimedSizeBeforeDecoding) {
    // The file holds a 20000 × 20000 header and almost no pixel data: only the header can say why.
    const auto loaded = loadSourceImage(test::dataPath(u"huge-claimed-size.png"_s));
    ASSERT_FALSE(loaded);
    EXPECT_TRUE(loaded.error().description().contains(QString::fromUtf8("20000×20000")))
        << loaded.error().description().toStdString();
    EXPECT_TRUE(loaded.error().description().contains(u"268402689"_s))
        << loaded.error().description().toStdString();
}

TEST(SourceLoader, LoadsASourceBeyondQtsDefaultAllocationLimit) {
    // 5793 × 5793 × 4 bytes is just over Qt's default 128 MB limit and well within ours.
    QImage large(5793, 5793, QImage::Format_RGB32);
    large.fill(qRgb(30, 120, 200));
    QTemporaryDir dir;
    const QString path = writeFile(dir, u"large.jpg"_s, encoded(large, "jpeg"));
    large = QImage();
    const auto loaded = loadSourceImage(path);
    ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
    EXPECT_EQ(loaded->bitmap().size(), QSize(5793, 5793));
}

TEST(SourceLoader, NamesTheFileAndTheReasonForEveryRefusal) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"missing.png"_s);
    const QString notImage = test::dataPath(u"not-an-image.png"_s);
    const QString empty = writeFile(dir, u"empty.png"_s, {});
    const struct {
        QString path;
        ErrorKind kind;
        QString reason;
    } cases[] = {
        {missing, ErrorKind::NotFound, u"no such file"_s},
        {dir.path(), ErrorKind::NotAFile, u"is a folder, not an image file"_s},
        {notImage, ErrorKind::Unsupported, u"not an image in a format this program can read"_s},
        {empty, ErrorKind::Unsupported, u"not an image in a format this program can read"_s},
    };
    for (const auto &c : cases) {
        const auto loaded = loadSourceImage(c.path);
        ASSERT_FALSE(loaded) << c.path.toStdString();
        EXPECT_EQ(loaded.error().kind, c.kind) << c.path.toStdString();
        EXPECT_EQ(loaded.error().path, c.path);
        EXPECT_EQ(loaded.error().description(), QDir::toNativeSeparators(c.path) + u": "_s + c.reason);
        EXPECT_EQ(loaded.error().message, c.reason);
    }
}

TEST(SourceLoader, RasterisesAnSvgAtTenTwentyFourOnItsLongerSide) {
    const auto loaded = loadSourceImage(test::dataPath(u"mountain.svg"_s));
    ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
    const QImage &bitmap = loaded->bitmap();
    ASSERT_EQ(bitmap.size(), QSize(1024, 1024));
    int opaque = 0;
    for (int y = 0; y < 1024; y += 8)
        for (int x = 0; x < 1024; x += 8)
            opaque += qAlpha(bitmap.pixel(x, y)) == 255;
    // The mountain covers a good part of the square but not all of it.
    EXPECT_GT(opaque, 1024 * 1024 / 64 / 4);
    EXPECT_LT(opaque, 1024 * 1024 / 64);
}

TEST(SourceLoader, KeepsTheAspectOfAnOblongSvgAndReadsCompressedOnes) {
    for (const QString &name : {u"wide.svg"_s, u"wide.svgz"_s}) {
        const auto loaded = loadSourceImage(test::dataPath(name));
        ASSERT_TRUE(loaded) << name.toStdString() << ": " << loaded.error().description().toStdString();
        EXPECT_EQ(loaded->bitmap().size(), QSize(1024, 512));
        EXPECT_TRUE(everyPixelIs(loaded->bitmap(), qRgb(0, 255, 0), 0)) << name.toStdString();
    }
}

TEST(SourceLoader, FindsAnSvgByItsContentWhateverItsName) {
    QTemporaryDir dir;
    const QByteArray body = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
                            "<rect width=\"10\" height=\"10\" fill=\"red\"/></svg>";
    const QByteArray declared = "\xef\xbb\xbf<?xml version=\"1.0\"?>\n" + body;
    for (const QByteArray &svg : {declared, "\n  " + body}) {
        const auto loaded = loadSourceImage(writeFile(dir, u"drawing.png"_s, svg));
        ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
        EXPECT_EQ(loaded->bitmap().size(), QSize(1024, 1024));
    }
}

TEST(SourceLoader, ShowsNothingAnSvgReferences) {
    QTemporaryDir dir;
    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString picture = writeFile(dir, u"secret.png"_s, encoded(red, "png"));
    const QString style = writeFile(dir, u"secret.css"_s, "rect { fill: #ff0000; }");
    const QByteArray svg = referencingSvg(picture, style);
    // Relative references would resolve against the working folder, so make it the one holding them.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const auto loaded = loadSourceImage(writeFile(dir, u"references.svg"_s, svg));
    ASSERT_TRUE(QDir::setCurrent(previous));
    ASSERT_TRUE(loaded) << loaded.error().description().toStdString();
    EXPECT_TRUE(everyPixelIs(loaded->bitmap(), qRgb(0, 255, 0), 0));

    const Result<QByteArray> clean = withoutExternalReferences(svg);
    ASSERT_TRUE(clean) << clean.error().message.toStdString();
    EXPECT_FALSE(clean->contains("secret")) << clean->constData();
    EXPECT_FALSE(clean->contains("ENTITY"));
}

#ifdef Q_OS_UNIX
TEST(SourceLoader, NeverOpensWhatAnSvgReferences) {
    // The referenced files are pipes: a reader's open() waits for a writer, and a writer's non-blocking
    // open() succeeds only while a reader waits, so the watcher sees every open and releases it.
    QTemporaryDir dir;
    const QString picture = dir.filePath(u"secret.png"_s), style = dir.filePath(u"secret.css"_s);
    for (const QString &pipe : {picture, style})
        ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    std::atomic<bool> done = false;
    std::atomic<int> opened = 0;
    std::thread watcher([&] {
        while (!done) {
            for (const QString &pipe : {picture, style}) {
                const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ++opened;
                    ::close(fd);
                }
            }
            std::this_thread::yield();
        }
    });
    const QString previous = QDir::currentPath();
    EXPECT_TRUE(QDir::setCurrent(dir.path()));
    const auto loaded = loadSourceImage(writeFile(dir, u"references.svg"_s, referencingSvg(picture, style)));
    EXPECT_TRUE(QDir::setCurrent(previous));
    done = true;
    watcher.join();
    EXPECT_TRUE(loaded) << loaded.error().description().toStdString();
    EXPECT_EQ(opened, 0);
}
#endif

TEST(SourceLoader, KeepsWhatAnSvgHoldsInsideItself) {
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const QByteArray inlinePng = "data:image/png;base64," + encoded(blue, "png").toBase64();
    const QByteArray svg =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
     width="64" height="32" viewBox="0 0 64 32">
  <defs><rect id="half" width="32" height="32" fill="#00ff00"/></defs>
  <use xlink:href="#half"/>
  <image x="32" y="0" width="32" height="32" xlink:href=")" +
        inlinePng + R"("/>
</svg>)";
    const Result<QImage> picture = rasteriseSvg(svg, 1024);
    ASSERT_TRUE(picture) << picture.error().message.toStdString();
    ASSERT_EQ(picture->size(), QSize(1024, 512));
    EXPECT_TRUE(near(picture->pixel(256, 256), qRgb(0, 255, 0), 0));
    EXPECT_TRUE(near(picture->pixel(768, 256), qRgb(0, 0, 255), 2));
}

TEST(SourceLoader, RefusesBrokenSvgDocuments) {
    QTemporaryDir dir;
    const QString broken = writeFile(dir, u"broken.svg"_s, "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect");
    const auto loaded = loadSourceImage(broken);
    ASSERT_FALSE(loaded);
    EXPECT_TRUE(loaded.error().description().startsWith(QDir::toNativeSeparators(broken) +
                                                        u": not a valid SVG document"_s))
        << loaded.error().description().toStdString();
    // An entity that expands without bound is stopped by the parser, not by running out of memory.
    QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i)
        bomb += QStringLiteral("<!ENTITY a%1 \"&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;\">")
                    .arg(i)
                    .arg(i - 1)
                    .toUtf8();
    bomb += "]><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"><title>&a9;</title></svg>";
    EXPECT_FALSE(loadSourceImage(writeFile(dir, u"bomb.svg"_s, bomb)));
    const QString gz =
        writeFile(dir, u"broken.svgz"_s, QByteArray("\x1f\x8b\x08\x00", 4) + QByteArray(40, 'x'));
    EXPECT_FALSE(loadSourceImage(gz));
}
