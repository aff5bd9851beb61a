#include "imaging/RenderCache.h"
#include "imaging/Resampler.h"
#include "imaging/SourceLoader.h"
#include "imaging/SvgEffects.h"
#include "imaging/Variants.h"
#include "writers/Generation.h"

#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

const Color teal{0.0, 0.5, 0.5, 1.0};
const QRgb tealPixel = qRgb(0, 128, 128);

// Opaque red with the top-right quadrant transparent.
Image redWithClearQuadrant() {
    QImage bitmap = test::filled(1024, QColor(220, 30, 30));
    QPainter painter(&bitmap);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(512, 0, 512, 512, Qt::transparent);
    painter.end();
    return Image(bitmap);
}

Image disc(int edge, double diameter, const QColor &color) {
    QImage bitmap = test::filled(edge, Qt::transparent);
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(edge / 2.0, edge / 2.0), diameter / 2.0, diameter / 2.0);
    painter.end();
    return Image(bitmap);
}

double distanceFromCentre(int x, int y, int edge) {
    return std::hypot(x + 0.5 - edge / 2.0, y + 0.5 - edge / 2.0);
}

// The pixels whose centres lie outside the circle 80 % of the edge across that are not the fill, and the
// farthest distance from the centre of any pixel that is not.
struct SafeZoneCheck {
    int strayPixels = 0;
    double farthestArt = 0.0;
};

SafeZoneCheck checkSafeZone(const QImage &picture, QRgb fill) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    SafeZoneCheck check;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == fill)
                continue;
            const double distance = distanceFromCentre(x, y, image.width());
            check.farthestArt = std::max(check.farthestArt, distance);
            if (distance > 0.4 * image.width())
                ++check.strayPixels;
        }
    return check;
}

QImage readImage(const QString &path) {
    QImageReader reader(path);
    const QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << path.toStdString() << ": " << reader.errorString().toStdString();
    return image;
}

class WebModern : public ::testing::Test {
protected:
    QTemporaryDir dir;
    GenerationInputs inputs;

    void SetUp() override {
        inputs.source = Image(test::iconPicture(1024));
        inputs.background = teal;
        inputs.appName = QStringLiteral("Glyphon \"Test\" <App>");
    }

    WriteReport write() {
        const Generation generation(inputs);
        return writeTarget(Platform::WebModern, generation, dir.path(),
                           [](const Error &error) { ADD_FAILURE() << error.description().toStdString(); });
    }
    QString file(const QString &name) const { return dir.filePath(QStringLiteral("web-modern/") + name); }
    QStringList files() const {
        QStringList names = QDir(file({})).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    }
    QJsonObject manifest() const {
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(test::fileBytes(file(QStringLiteral("manifest.webmanifest"))), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return document.object();
    }
    // The href of every link in head.html, by its rel (the two icons joined by a space).
    QMap<QString, QStringList> headLinks() const {
        static const QRegularExpression link(QStringLiteral("<link rel=\"([^\"]+)\" href=\"([^\"]+)\""));
        QMap<QString, QStringList> links;
        const QString head = QString::fromUtf8(test::fileBytes(file(QStringLiteral("head.html"))));
        for (const auto &match : link.globalMatch(head))
            links[match.captured(1)].append(match.captured(2));
        return links;
    }
    // The manifest's icons by purpose and size, as "purpose sizes type" → src.
    QMap<QString, QString> manifestIcons() const {
        QMap<QString, QString> icons;
        for (const QJsonValue &icon : manifest().value(QStringLiteral("icons")).toArray()) {
            const QJsonObject o = icon.toObject();
            icons.insert(QStringList{o.value(QStringLiteral("purpose")).toString(),
                                     o.value(QStringLiteral("sizes")).toString(),
                                     o.value(QStringLiteral("type")).toString()}
                             .join(u' '),
                         o.value(QStringLiteral("src")).toString());
        }
        return icons;
    }
};

} // namespace

TEST_F(WebModern, WritesEveryFileAtItsSize) {
    const WriteReport report = write();
    EXPECT_EQ(report.written, 7);
    EXPECT_EQ(files(), (QStringList{"apple-touch-icon.png", "favicon.ico", "head.html", "icon-192.png",
                                    "icon-512.png", "icon-maskable-512.png", "manifest.webmanifest"}));
    const std::pair<const char *, int> pngs[] = {{"apple-touch-icon.png", 180},
                                                 {"icon-192.png", 192},
                                                 {"icon-512.png", 512},
                                                 {"icon-maskable-512.png", 512}};
    for (const auto &[name, edge] : pngs) {
        const QString path = file(QLatin1String(name));
        EXPECT_EQ(QImageReader(path).size(), QSize(edge, edge)) << name;
        const test::ToolRun check = test::runTool(test::pngcheck, {path});
        EXPECT_EQ(check.exitCode, 0) << name << ": " << check.output.toStdString();
    }
    // Both opaque ones are filled where the art is clear.
    EXPECT_TRUE(isOpaque(Image(readImage(file(QStringLiteral("apple-touch-icon.png"))))));
    EXPECT_TRUE(isOpaque(Image(readImage(file(QStringLiteral("icon-maskable-512.png"))))));
    EXPECT_FALSE(isOpaque(Image(readImage(file(QStringLiteral("icon-512.png"))))));

    const test::ToolRun listed =
        test::runTool(test::icotool, {QStringLiteral("-l"), file(QStringLiteral("favicon.ico"))});
    EXPECT_EQ(listed.exitCode, 0);
    static const QRegularExpression entry(QStringLiteral("--width=(\\d+) --height=(\\d+) --bit-depth=32"));
    QList<int> widths;
    for (const auto &match : entry.globalMatch(QString::fromUtf8(listed.output))) {
        EXPECT_EQ(match.captured(1), match.captured(2));
        widths.append(match.captured(1).toInt());
    }
    std::sort(widths.begin(), widths.end());
    EXPECT_EQ(widths, (QList<int>{16, 32, 48})) << listed.output.toStdString();
}

TEST_F(WebModern, CornersRoundOnlyWhereNoSystemCutsItsOwnShape) {
    inputs.source = redWithClearQuadrant();
    inputs.effects.withRoundedCorners = true;
    ASSERT_TRUE(write().failures.isEmpty());
    const QRgb red = qRgb(220, 30, 30);
    for (const char *rounded : {"icon-192.png", "icon-512.png"}) {
        const QImage icon = readImage(file(QLatin1String(rounded)));
        EXPECT_EQ(qAlpha(icon.pixel(0, icon.height() - 1)), 0) << rounded;
        EXPECT_EQ(icon.pixel(icon.width() / 4, icon.height() * 3 / 4), red) << rounded;
    }
    const QImage touch = readImage(file(QStringLiteral("apple-touch-icon.png")));
    EXPECT_EQ(touch.pixel(0, 179), red);       // a square corner: iOS rounds it
    EXPECT_EQ(touch.pixel(179, 0), tealPixel); // the clear quadrant takes the background
    EXPECT_EQ(touch.pixel(40, 140), red);
    const QImage maskable = readImage(file(QStringLiteral("icon-maskable-512.png")));
    EXPECT_EQ(checkSafeZone(maskable, tealPixel).strayPixels, 0);
    // The art's bottom-left corner reaches the circle square, not rounded.
    const int reach = int(std::floor(256 - (0.4 * 512 - 4) / std::sqrt(2.0))) + 2;
    EXPECT_EQ(maskable.pixel(reach, 511 - reach), red);
}

TEST_F(WebModern, ManifestAndHeadNameEveryIconThatIsThere) {
    ASSERT_TRUE(write().failures.isEmpty());
    const QJsonObject m = manifest();
    EXPECT_EQ(m.value(QStringLiteral("name")).toString(), inputs.appName);
    EXPECT_EQ(m.value(QStringLiteral("short_name")).toString(), inputs.appName);
    EXPECT_EQ(m.value(QStringLiteral("start_url")).toString(), QStringLiteral("."));
    EXPECT_EQ(m.value(QStringLiteral("display")).toString(), QStringLiteral("standalone"));
    EXPECT_EQ(m.value(QStringLiteral("background_color")).toString(), QStringLiteral("#008080"));
    const QMap<QString, QString> icons = manifestIcons();
    EXPECT_EQ(icons, (QMap<QString, QString>{{"any 192x192 image/png", "icon-192.png"},
                                             {"any 512x512 image/png", "icon-512.png"},
                                             {"maskable 512x512 image/png", "icon-maskable-512.png"}}));
    for (const QString &src : icons) {
        const int edge = src.contains(QStringLiteral("192")) ? 192 : 512;
        EXPECT_EQ(QImageReader(file(src)).size(), QSize(edge, edge)) << src.toStdString();
    }
    const auto links = headLinks();
    EXPECT_EQ(links, (QMap<QString, QStringList>{{"icon", {"/favicon.ico"}},
                                                 {"apple-touch-icon", {"/apple-touch-icon.png"}},
                                                 {"manifest", {"/manifest.webmanifest"}}}));
}

TEST_F(WebModern, HashedNamesFollowTheBytes) {
    inputs.hashNames = true;
    ASSERT_TRUE(write().failures.isEmpty());
    const QStringList first = files();
    static const QRegularExpression hashed(QStringLiteral("^(.+)\\.([0-9a-f]{8})\\.png$"));
    QStringList stems;
    for (const QString &name : first) {
        const auto match = hashed.match(name);
        if (!match.hasMatch())
            continue;
        stems.append(match.captured(1));
        const QByteArray digest =
            QCryptographicHash::hash(test::fileBytes(file(name)), QCryptographicHash::Sha256).toHex();
        EXPECT_TRUE(digest.startsWith(match.captured(2).toLatin1())) << name.toStdString();
    }
    stems.sort();
    EXPECT_EQ(stems, (QStringList{"apple-touch-icon", "icon-192", "icon-512", "icon-maskable-512"}));
    // Browsers ask for the favicon by its plain name; the manifest's own name is its identity.
    EXPECT_TRUE(first.contains(QStringLiteral("favicon.ico")));
    EXPECT_TRUE(first.contains(QStringLiteral("manifest.webmanifest")));
    for (const QString &src : manifestIcons())
        EXPECT_TRUE(first.contains(src)) << src.toStdString();
    const QString touch = headLinks().value(QStringLiteral("apple-touch-icon")).value(0);
    EXPECT_TRUE(touch.startsWith(u'/') && first.contains(touch.mid(1))) << touch.toStdString();

    // The same picture keeps its names; a changed one gets new ones.
    ASSERT_TRUE(write().failures.isEmpty());
    EXPECT_EQ(files(), first);
    inputs.effects.withTint = true;
    ASSERT_TRUE(QDir(file({})).removeRecursively());
    ASSERT_TRUE(write().failures.isEmpty());
    for (const QString &name : files()) {
        if (hashed.match(name).hasMatch()) {
            EXPECT_FALSE(first.contains(name)) << name.toStdString();
        }
    }
}

TEST_F(WebModern, AVectorSourceAlsoBecomesTheSvgIcon) {
    const QString path = test::dataPath(QStringLiteral("mountain.svg"));
    inputs.source = *loadSourceImage(path);
    inputs.svgSource = svgSourceText(path);
    ASSERT_FALSE(inputs.svgSource.isEmpty());
    const WriteReport report = write();
    EXPECT_EQ(report.written, 8);
    EXPECT_EQ(test::fileBytes(file(QStringLiteral("icon.svg"))), inputs.svgSource);
    EXPECT_EQ(manifestIcons().value(QStringLiteral("any any image/svg+xml")), QStringLiteral("icon.svg"));
    EXPECT_EQ(headLinks().value(QStringLiteral("icon")), (QStringList{"/favicon.ico", "/icon.svg"}));
}

TEST(SvgSource, IsTheCleanedTextOfVectorFilesOnly) {
    const QByteArray plain = svgSourceText(test::dataPath(QStringLiteral("wide.svg")));
    EXPECT_TRUE(plain.contains("<svg"));
    EXPECT_EQ(svgSourceText(test::dataPath(QStringLiteral("wide.svgz"))), plain);
    EXPECT_TRUE(
        svgSourceText(test::sourcePath(QStringLiteral("resources/samples/apple-1024.png"))).isEmpty());
    EXPECT_TRUE(svgSourceText(test::dataPath(QStringLiteral("no-such-file.svg"))).isEmpty());
    const QByteArray hostile =
        "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 4 4\">"
        "<image href=\"file:///etc/passwd\"/><rect width=\"4\" height=\"4\"/></svg>";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hostile.svg"));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(hostile);
    out.close();
    const QByteArray cleaned = svgSourceText(path);
    EXPECT_TRUE(cleaned.contains("<rect"));
    EXPECT_FALSE(cleaned.contains("passwd"));
    EXPECT_FALSE(cleaned.contains("DOCTYPE"));
}

// The effects drawn as SVG, rendered by librsvg (what desktops draw scalable icons with), look like the
// effects drawn on the bitmap.
TEST(SvgEffects, DrawLikeTheBitmapPipeline) {
    const QString path = test::dataPath(QStringLiteral("mountain.svg"));
    const QByteArray svg = svgSourceText(path);
    EffectSettings effects;
    EXPECT_EQ(*svgWithEffects(svg, effects), svg);
    effects.withRoundedCorners = effects.withPadding = effects.withTint = true;
    effects.roundedCornersPx = 300;
    effects.paddingPx = 120;
    effects.tintOpacity = 0.5;
    effects.colorSelection = {0.1, 0.2, 0.9, 1.0};
    const Result<QByteArray> drawn = svgWithEffects(svg, effects);
    ASSERT_TRUE(drawn);
    const test::ToolRun rendered = test::runTool(
        test::rsvgConvert,
        {QStringLiteral("-w"), QStringLiteral("256"), QStringLiteral("-h"), QStringLiteral("256")}, *drawn);
    ASSERT_EQ(rendered.exitCode, 0) << rendered.errors.toStdString();
    const QImage vector =
        QImage::fromData(rendered.output).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage bitmap = resample(applyEffects(*loadSourceImage(path), effects).bitmap(), 256, 256);
    ASSERT_EQ(vector.size(), bitmap.size());
    // Edges antialias a little differently; areas must agree.
    EXPECT_LT(test::meanPremultipliedDistance(bitmap, vector), 2.0);
    // The corners are clipped and the padding is clear.
    EXPECT_EQ(qAlpha(vector.pixel(32, 224)), 0);
    EXPECT_EQ(qAlpha(vector.pixel(128, 250)), 0);
    EXPECT_EQ(qAlpha(vector.pixel(128, 224)), 255);

    EXPECT_FALSE(svgWithEffects("<svg", effects));
}

TEST(MaskableVariant, NothingButTheFillOutsideTheSafeCircle) {
    QImage dot = test::filled(1024, Qt::transparent);
    dot.setPixel(1023, 0, qRgba(0, 0, 1, 1)); // a faint speck in a corner still counts as art
    QImage wide(1024, 512, QImage::Format_ARGB32_Premultiplied); // squared as it is drawn
    wide.fill(Qt::darkGreen);
    const std::pair<const char *, Image> arts[] = {
        {"opaque square", Image(test::filled(1024, QColor(220, 30, 30)))},
        {"icon picture", Image(test::iconPicture(1024))},
        {"disc", disc(1024, 1024, Qt::black)},
        {"speck", Image(dot)},
        {"small source", Image(test::iconPicture(100))},
        {"wide", Image(wide)},
    };
    for (const auto &[name, art] : arts)
        for (const int edge : {512, 1024, 48}) {
            const Image made = maskableVariant(art, teal, edge);
            ASSERT_EQ(made.bitmap().size(), QSize(edge, edge)) << name;
            EXPECT_TRUE(isOpaque(made)) << name;
            const SafeZoneCheck check = checkSafeZone(made.bitmap(), tealPixel);
            EXPECT_EQ(check.strayPixels, 0) << name << " at " << edge;
            // The run's shared renders give the same picture.
            RenderCache renders;
            EXPECT_TRUE(maskableVariant(art, teal, edge, &renders).bitmap() == made.bitmap())
                << name << " at " << edge;
        }
    const Image sameSize = maskableVariant(Image(test::iconPicture(300)), teal);
    EXPECT_EQ(sameSize.bitmap().size(), QSize(300, 300));
}

TEST(MaskableVariant, TheArtFillsAsMuchOfTheCircleAsItsShapeAllows) {
    // A full square reaches the circle with its corners, a disc with its rim; art already inside stays
    // at its size.
    const auto farthest = [](const Image &art) {
        return checkSafeZone(maskableVariant(art, teal, 512).bitmap(), tealPixel).farthestArt;
    };
    EXPECT_GT(farthest(Image(test::filled(1024, Qt::black))), 0.4 * 512 - 8);
    EXPECT_GT(farthest(disc(1024, 1024, Qt::black)), 0.4 * 512 - 8);
    const QImage square = maskableVariant(Image(test::filled(1024, Qt::black)), teal, 512).bitmap();
    EXPECT_EQ(square.pixel(256, 120), qRgb(0, 0, 0)); // half-edge 140: 0.566 of the edge
    EXPECT_EQ(square.pixel(256, 112), tealPixel);
    const QImage round = maskableVariant(disc(1024, 1024, Qt::black), teal, 512).bitmap();
    EXPECT_EQ(round.pixel(256, 62), qRgb(0, 0, 0)); // radius about 200
    EXPECT_EQ(round.pixel(256, 48), tealPixel);
    const QImage small = maskableVariant(disc(1024, 400, Qt::black), teal, 512).bitmap();
    EXPECT_EQ(small.pixel(256, 162), qRgb(0, 0, 0)); // radius 100: not enlarged
    EXPECT_EQ(small.pixel(256, 148), tealPixel);
}
