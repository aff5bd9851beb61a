// The single-size iOS and watchOS sets and the Icon Composer document: their indexes as Xcode and Icon
// Composer save them, their files as the App Store and the system take them, and the pictures in them.
#include "imaging/Variants.h"
#include "writers/Generation.h"
#include "writers/XcodeJson.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

constexpr Color background{0.2, 0.4, 0.8, 1.0};
const QRgb backgroundRgb = qRgb(51, 102, 204);

// Opaque red on the left half, transparent on the right, and a band of half-transparent green along the
// bottom of the red.
Image halfTransparent() {
    QImage art(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    art.fill(Qt::transparent);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 512; ++x)
            art.setPixel(x, y, y < 900 ? qRgba(200, 40, 40, 255) : qRgba(0, 128, 0, 128));
    return Image(art);
}

// A black ring on a white square: an opaque picture drawn on a flat ground.
Image markOnWhite(int edge = 1024) {
    QImage art(edge, edge, QImage::Format_ARGB32_Premultiplied);
    art.fill(Qt::white);
    QPainter painter(&art);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, edge / 8.0));
    painter.drawEllipse(QRectF(edge * 0.25, edge * 0.25, edge * 0.5, edge * 0.5));
    painter.end();
    return Image(art);
}

QJsonObject readJson(const QString &path) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(test::fileBytes(path), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << path.toStdString();
    return document.object();
}

int colourType(const QString &png) {
    const QByteArray bytes = test::fileBytes(png);
    return bytes.size() > 25 ? uchar(bytes.at(25)) : -1;
}

// pngcheck's one-line summary of a file it accepts; it fails the test otherwise.
QString pngcheckSummary(const QString &png) {
    const test::ToolRun run = test::runTool(test::pngcheck, {png});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    return QString::fromUtf8(run.output);
}

QImage straight(const QString &png) {
    return QImage(png).convertToFormat(QImage::Format_ARGB32);
}

class AppleTargets : public ::testing::Test {
protected:
    QTemporaryDir dir;
    GenerationInputs inputs;

    AppleTargets() {
        inputs.source = halfTransparent();
        inputs.background = background;
    }
    QStringList write(std::initializer_list<Platform> platforms) {
        const Generation generation(inputs);
        QStringList failures;
        for (const Platform platform : platforms)
            for (const Error &error :
                 writeTarget(platform, generation, dir.path(), [](const Error &) {}).failures)
                failures << error.description();
        return failures;
    }
    QString ios(const char *file) const {
        return dir.filePath(QStringLiteral("iOS-single/AppIcon.appiconset/") + QLatin1String(file));
    }
    QString watch(const char *file) const {
        return dir.filePath(QStringLiteral("watchOS-single/AppIcon.appiconset/") + QLatin1String(file));
    }
    QString icon(const QString &file) const {
        return dir.filePath(QStringLiteral("IconComposer/AppIcon.icon/") + file);
    }
};

} // namespace

TEST_F(AppleTargets, IndexesAreWhatXcodeWritesForSingleSizeSets) {
    ASSERT_EQ(write({Platform::IOSSingle, Platform::WatchOSSingle}), QStringList());
    // As Xcode 16 saves an iOS set switched to "Single Size" with "Any, Dark, Tinted" appearances.
    const QJsonObject iosExpected = QJsonDocument::fromJson(R"({
      "images" : [
        { "filename" : "AppIcon.png", "idiom" : "universal", "platform" : "ios", "size" : "1024x1024" },
        { "appearances" : [ { "appearance" : "luminosity", "value" : "dark" } ],
          "filename" : "AppIcon-Dark.png", "idiom" : "universal", "platform" : "ios", "size" : "1024x1024" },
        { "appearances" : [ { "appearance" : "luminosity", "value" : "tinted" } ],
          "filename" : "AppIcon-Tinted.png", "idiom" : "universal", "platform" : "ios", "size" : "1024x1024" }
      ],
      "info" : { "author" : "xcode", "version" : 1 }
    })")
                                        .object();
    EXPECT_EQ(readJson(ios("Contents.json")), iosExpected);
    const QJsonObject watchExpected = QJsonDocument::fromJson(R"({
      "images" : [
        { "filename" : "AppIcon.png", "idiom" : "universal", "platform" : "watchos", "size" : "1024x1024" }
      ],
      "info" : { "author" : "xcode", "version" : 1 }
    })")
                                          .object();
    EXPECT_EQ(readJson(watch("Contents.json")), watchExpected);
    EXPECT_EQ(QDir(QFileInfo(ios("")).path()).entryList(QDir::Files).size(), 4);
    EXPECT_EQ(QDir(QFileInfo(watch("")).path()).entryList(QDir::Files).size(), 2);
    // Saved the way Xcode saves it, so a checked-in set does not change on its first save in Xcode.
    EXPECT_TRUE(test::fileBytes(watch("Contents.json"))
                    .startsWith("{\n  \"images\" : [\n    {\n      \"filename\" : \"AppIcon.png\",\n"));
}

TEST_F(AppleTargets, MarketingImagesHaveNoAlphaAndTheBackgroundFillsExactlyWhatWasTransparent) {
    ASSERT_EQ(write({Platform::IOSSingle, Platform::WatchOSSingle}), QStringList());
    for (const QString &path : {ios("AppIcon.png"), watch("AppIcon.png")}) {
        EXPECT_EQ(colourType(path), 2) << path.toStdString();
        EXPECT_TRUE(pngcheckSummary(path).contains(QStringLiteral("1024x1024, 24-bit RGB,")));
    }
    // The tinted image is grey, and as opaque: a grey PNG without alpha.
    EXPECT_EQ(colourType(ios("AppIcon-Tinted.png")), 0);
    EXPECT_TRUE(
        pngcheckSummary(ios("AppIcon-Tinted.png")).contains(QStringLiteral("1024x1024, 8-bit grayscale,")));
    EXPECT_EQ(test::fileBytes(ios("AppIcon.png")), test::fileBytes(watch("AppIcon.png")));

    const QImage any = straight(ios("AppIcon.png"));
    for (int y = 0; y < 1024; y += 7)
        for (int x = 0; x < 1024; x += 7) {
            // Transparent, opaque red, half green over the background.
            const QRgb want = x >= 512 ? backgroundRgb : y < 900 ? qRgb(200, 40, 40) : qRgb(25, 179, 102);
            ASSERT_EQ(any.pixel(x, y), want) << x << ',' << y;
        }
}

TEST_F(AppleTargets, DarkKeepsTheArtOnATransparentGroundAndTintedIsGreyOnBlack) {
    ASSERT_EQ(write({Platform::IOSSingle}), QStringList());
    EXPECT_EQ(colourType(ios("AppIcon-Dark.png")), 6);
    const QImage dark = straight(ios("AppIcon-Dark.png"));
    EXPECT_EQ(dark.pixel(100, 100), qRgba(200, 40, 40, 255));
    EXPECT_EQ(qAlpha(dark.pixel(800, 100)), 0);

    const QImage tinted = straight(ios("AppIcon-Tinted.png"));
    for (int y = 0; y < 1024; y += 11)
        for (int x = 0; x < 1024; x += 11) {
            const QRgb p = tinted.pixel(x, y);
            ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << ',' << y;
            if (x >= 512) {
                ASSERT_EQ(p, qRgb(0, 0, 0));
            }
        }
    // The lightest part of the mark (the green) is white where the gradient starts, and the red below it
    // in proportion to its lightness; the gradient darkens towards the bottom.
    EXPECT_GT(qRed(tinted.pixel(100, 100)), qRed(tinted.pixel(100, 850)));
    EXPECT_GT(qRed(tinted.pixel(100, 950)), qRed(tinted.pixel(100, 850)));
}

TEST_F(AppleTargets, NoRoundedCornersButPaddingShrinksTheArtOnItsGround) {
    inputs.source = Image(test::filled(2048, QColor(200, 40, 40)));
    inputs.effects.withRoundedCorners = true;
    inputs.effects.withPadding = true;
    inputs.effects.paddingPx = 100;
    ASSERT_EQ(write({Platform::IOSSingle, Platform::IconComposer}), QStringList());
    const QImage any = straight(ios("AppIcon.png"));
    const QImage tinted = straight(ios("AppIcon-Tinted.png"));
    const QImage layer = straight(icon(QStringLiteral("Assets/foreground.png")));
    EXPECT_EQ(any.size(), QSize(1024, 1024));
    EXPECT_EQ(any.pixel(50, 50), backgroundRgb);
    EXPECT_EQ(tinted.pixel(50, 50), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(layer.pixel(50, 50)), 0);
    // Right inside the art's corner: square, as the system masks these icons itself.
    EXPECT_EQ(any.pixel(101, 101), qRgb(200, 40, 40));
    EXPECT_EQ(layer.pixel(101, 101), qRgba(200, 40, 40, 255));
    EXPECT_EQ(any.pixel(922, 922), qRgb(200, 40, 40));
}

TEST_F(AppleTargets, TintColoursTheArtButNotHandMadeAppearances) {
    inputs.source = Image(test::filled(1024, QColor(255, 255, 255)));
    inputs.effects.withTint = true;
    inputs.effects.tintOpacity = 0.5;
    inputs.effects.colorSelection = {1.0, 0.0, 0.0, 1.0};
    inputs.darkSource = Image(test::filled(512, QColor(10, 200, 30)));
    QImage handTinted(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    handTinted.fill(Qt::transparent);
    QPainter(&handTinted).fillRect(0, 0, 1024, 512, QColor(0, 0, 255));
    inputs.tintedSource = Image(handTinted);
    ASSERT_EQ(write({Platform::IOSSingle}), QStringList());

    const QRgb any = straight(ios("AppIcon.png")).pixel(500, 500);
    EXPECT_EQ(any, qRgb(255, 128, 128));
    const QImage dark = straight(ios("AppIcon-Dark.png"));
    EXPECT_EQ(dark.size(), QSize(1024, 1024));
    EXPECT_EQ(dark.pixel(500, 500), qRgba(10, 200, 30, 255));
    // A hand-made tinted picture is only made grey and opaque: its blue's lightness, black where it is clear.
    const QImage tinted = straight(ios("AppIcon-Tinted.png"));
    EXPECT_EQ(tinted.pixel(500, 100), qRgb(18, 18, 18));
    EXPECT_EQ(tinted.pixel(500, 900), qRgb(0, 0, 0));
}

TEST_F(AppleTargets, IconComposerDocumentHasOnlyKnownKeysAndEveryImageItNames) {
    ASSERT_EQ(write({Platform::IconComposer}), QStringList());
    const QJsonObject document = readJson(icon(QStringLiteral("icon.json")));

    // Every key Icon Composer 1 saves in the parts of a document written here; nothing of its successor.
    static const QSet<QString> known = {
        QStringLiteral("fill"),
        QStringLiteral("fill-specializations"),
        QStringLiteral("groups"),
        QStringLiteral("supported-platforms"),
        QStringLiteral("layers"),
        QStringLiteral("shadow"),
        QStringLiteral("translucency"),
        QStringLiteral("kind"),
        QStringLiteral("opacity"),
        QStringLiteral("enabled"),
        QStringLiteral("value"),
        QStringLiteral("appearance"),
        QStringLiteral("solid"),
        QStringLiteral("name"),
        QStringLiteral("glass"),
        QStringLiteral("image-name"),
        QStringLiteral("image-name-specializations"),
        QStringLiteral("circles"),
        QStringLiteral("squares"),
    };
    QStringList names;
    const std::function<void(const QJsonValue &)> walk = [&](const QJsonValue &value) {
        if (value.isArray())
            for (const QJsonValue &each : value.toArray())
                walk(each);
        if (!value.isObject())
            return;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            EXPECT_TRUE(known.contains(it.key())) << it.key().toStdString();
            if (it.key() == QLatin1String("appearance")) {
                EXPECT_TRUE(it.value() == QLatin1String("dark") || it.value() == QLatin1String("tinted"));
            }
            if (it.key() == QLatin1String("image-name"))
                names << it.value().toString();
            if (it.key() == QLatin1String("image-name-specializations"))
                for (const QJsonValue &entry : it.value().toArray())
                    names << entry[QLatin1String("value")].toString();
            walk(it.value());
        }
    };
    walk(document);

    QStringList assets = QDir(icon(QStringLiteral("Assets"))).entryList(QDir::Files);
    assets.sort();
    names.sort();
    EXPECT_EQ(names, assets);
    EXPECT_EQ(names.size(), 3);
    for (const QString &name : assets) {
        const QString path = icon(QStringLiteral("Assets/") + name);
        const QString kind = name.contains(QLatin1String("tinted"))
                                 ? QStringLiteral("16-bit grayscale+alpha,")
                                 : QStringLiteral("32-bit RGB+alpha,");
        EXPECT_TRUE(pngcheckSummary(path).contains(QStringLiteral("1024x1024, ") + kind))
            << name.toStdString();
    }
    // The layer is the art itself: transparent where it is.
    const QImage layer = straight(icon(QStringLiteral("Assets/foreground.png")));
    EXPECT_EQ(layer.pixel(100, 100), qRgba(200, 40, 40, 255));
    EXPECT_EQ(qAlpha(layer.pixel(800, 100)), 0);

    const QJsonArray fill = document[QLatin1String("fill-specializations")].toArray();
    ASSERT_EQ(fill.size(), 3);
    EXPECT_FALSE(fill[0].toObject().contains(QLatin1String("appearance")));
    EXPECT_EQ(fill[0][QLatin1String("value")][QLatin1String("solid")],
              QStringLiteral("extended-srgb:0.20000,0.40000,0.80000,1.00000"));
    const QRegularExpression colour(QStringLiteral(R"(^extended-srgb:(\d\.\d{5},){3}1\.00000$)"));
    EXPECT_TRUE(colour.match(fill[2][QLatin1String("value")][QLatin1String("solid")].toString()).hasMatch());
    EXPECT_FALSE(document.contains(QLatin1String("fill")));
    EXPECT_EQ(document[QLatin1String("supported-platforms")].toObject(),
              QJsonDocument::fromJson(R"({"circles":["watchOS"],"squares":"shared"})").object());
}

TEST(XcodeJson, WritesTheToolsOwnLayout) {
    const QJsonObject value{{QStringLiteral("b"), QJsonArray{1, QStringLiteral("x\"y")}},
                            {QStringLiteral("a"), QJsonObject{{QStringLiteral("c"), 0.5}}},
                            {QStringLiteral("d"), false}};
    EXPECT_EQ(xcodeJson(value), QByteArray("{\n"
                                           "  \"a\" : {\n"
                                           "    \"c\" : 0.5\n"
                                           "  },\n"
                                           "  \"b\" : [\n"
                                           "    1,\n"
                                           "    \"x\\\"y\"\n"
                                           "  ],\n"
                                           "  \"d\" : false\n"
                                           "}\n"));
}

TEST(Variants, AFlatGroundIsRemovedAndTheArtComesBackOverIt) {
    const Image art = markOnWhite(256);
    const Foreground foreground = separateForeground(art);
    ASSERT_TRUE(foreground.ground.has_value());
    EXPECT_EQ(*foreground.ground, (Color{1.0, 1.0, 1.0, 1.0}));
    const QImage removed = foreground.image.bitmap().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(removed.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(removed.pixel(128, 5)), 0);
    EXPECT_EQ(removed.pixel(128, 64), qRgba(0, 0, 0, 255)); // on the ring
    // Over the ground it was drawn on, the foreground is the art again, but for the faintest edge pixels.
    const QImage back = flattenOnto(foreground.image, *foreground.ground).bitmap();
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_NEAR(qRed(back.pixel(x, y)), qRed(art.bitmap().pixel(x, y)), 27) << x << ',' << y;

    // Noise along the edge is no flat ground: a photograph is kept whole.
    QImage noisy = markOnWhite(256).bitmap();
    for (int x = 0; x < 256; x += 2)
        noisy.setPixel(x, 0, qRgb(x, 255 - x, 90));
    EXPECT_FALSE(separateForeground(Image(noisy)).ground.has_value());
    EXPECT_EQ(separateForeground(Image(noisy)).image.bitmap(), noisy);
}

TEST(Variants, DarkMarksTurnLightAndNeutralMarksTakeAColourfulGround) {
    // Black ink on white: light ink on a transparent ground, readable on the dark backdrop.
    const QImage onWhite = darkVariant(markOnWhite(256)).bitmap().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(onWhite.pixel(5, 5)), 0);
    EXPECT_EQ(onWhite.pixel(128, 64), qRgba(255, 255, 255, 255));

    // A white mark on blue, the way the system's own dark icons do it: the mark takes the blue.
    QImage mail(256, 256, QImage::Format_ARGB32_Premultiplied);
    mail.fill(QColor(42, 109, 244));
    QPainter(&mail).fillRect(64, 96, 128, 64, Qt::white);
    const QImage dark = darkVariant(Image(mail)).bitmap().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(dark.pixel(5, 5)), 0);
    EXPECT_EQ(dark.pixel(128, 128), qRgba(42, 109, 244, 255));

    // A picture filling its square has nothing to separate and stays as it is.
    QImage photo(64, 64, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            photo.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
    EXPECT_EQ(darkVariant(Image(photo)).bitmap(), photo);
}

TEST(Variants, ADarkGreyMarkWithAWhiteDetailIsLightWhenTinted) {
    // Dark grey rock with a little white snow on white: the rock must not stay dark under the tint.
    QImage peak(256, 256, QImage::Format_ARGB32_Premultiplied);
    peak.fill(Qt::white);
    QPainter painter(&peak);
    painter.fillRect(64, 96, 128, 128, QColor(60, 62, 66));
    painter.fillRect(112, 96, 32, 12, QColor(250, 250, 250));
    painter.end();
    const QImage tinted = tintedVariant(Image(peak)).bitmap().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(tinted.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_GT(qRed(tinted.pixel(128, 160)), 150);
}

TEST(Variants, TintedIsAnOpaqueGreySilhouetteOfADarkMark) {
    const QImage tinted = tintedVariant(markOnWhite(256)).bitmap().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(isOpaque(Image(tinted)));
    EXPECT_EQ(tinted.pixel(5, 5), qRgb(0, 0, 0));
    // The black ring becomes the white of the silhouette, shaded from full at the top to 70 % at the bottom.
    EXPECT_EQ(tinted.pixel(128, 64), qRgb(236, 236, 236));
    EXPECT_NEAR(qRed(tinted.pixel(128, 192)), 255 * (1.0 - 0.3 * 192 / 255), 1);
}

// The ground removal and the tinted grey run as vectorised row passes, on AVX2 where there is one. Held
// here against the same arithmetic done one pixel at a time, for every value of every channel and alpha:
// a build that fused a multiply and an add, or divided by an approximate reciprocal, would move pixels.
TEST(Variants, TheRowPassesGiveExactlyThePerPixelArithmetic) {
    const auto byte = [](float value) { return int(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); };
    const auto luma = [](QRgb p) {
        return int(
            (13933u * quint32(qRed(p)) + 46871u * quint32(qGreen(p)) + 4732u * quint32(qBlue(p)) + 32768u) >>
            16);
    };

    // Every red and green value against a ground of (200, 40, 0), inside a ring of that ground.
    const int groundByte[3] = {200, 40, 0};
    QImage art(260, 260, QImage::Format_ARGB32_Premultiplied);
    art.fill(qRgb(groundByte[0], groundByte[1], groundByte[2]));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            art.setPixel(x + 2, y + 2, qRgb(x, y, (x * 7 + y * 3) & 0xff));
    const Foreground foreground = separateForeground(Image(art));
    ASSERT_TRUE(foreground.ground.has_value());
    const QImage removed = foreground.image.bitmap();
    constexpr float floor = 24.0f / 255.0f;
    for (int y = 0; y < 260; ++y)
        for (int x = 0; x < 260; ++x) {
            const QRgb p = art.pixel(x, y);
            const int c[3] = {qRed(p), qGreen(p), qBlue(p)};
            float least = 0.0f, offset[3];
            for (int i = 0; i < 3; ++i) {
                const float ground = float(groundByte[i]) / 255.0f, value = float(c[i]) / 255.0f;
                offset[i] = value - ground;
                least = std::max(least, value > ground   ? (value - ground) / (1.0f - ground)
                                        : value < ground ? (ground - value) / ground
                                                         : 0.0f);
            }
            QRgb expected = 0;
            if (least > floor) {
                const float alpha = (least - floor) / (1.0f - floor);
                const float spread = 1.0f / alpha;
                int colour[3];
                for (int i = 0; i < 3; ++i)
                    colour[i] = byte(float(groundByte[i]) / 255.0f + offset[i] * spread);
                expected = qPremultiply(qRgba(colour[0], colour[1], colour[2], byte(alpha)));
            }
            ASSERT_EQ(reinterpret_cast<const QRgb *>(removed.constScanLine(y))[x], expected) << x << ',' << y;
        }

    // Every luma with every alpha, the lightest covered pixel somewhere in between.
    QImage straight(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            straight.setPixel(x, y, qRgba(std::min(x, 180), (x * 5) & 0x7f, x / 3, y));
    const QImage mark = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage grey = tintedFromDark(Image(mark)).bitmap();
    const QImage backAgain = mark.convertToFormat(QImage::Format_ARGB32);
    int lightest = 0;
    for (int y = 128; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            lightest = std::max(lightest, luma(backAgain.pixel(x, y)));
    ASSERT_GE(lightest, 51);
    for (int y = 0; y < 256; ++y) {
        const float shade = 1.0f - 0.3f * float(y) / 255.0f;
        for (int x = 0; x < 256; ++x) {
            const QRgb p = backAgain.pixel(x, y);
            const float stretched = std::min(1.0f, float(luma(p)) / float(lightest));
            const int level = int(stretched * shade * 255.0f + 0.5f);
            ASSERT_EQ(reinterpret_cast<const QRgb *>(grey.constScanLine(y))[x],
                      qPremultiply(qRgba(level, level, level, qAlpha(p))))
                << x << ',' << y;
        }
    }
}
