#include "imaging/Resampler.h"
#include "imaging/Variants.h"
#include "writers/Generation.h"

#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace Qt::StringLiterals;

namespace {

const struct Density {
    const char *name;
    int layer, legacy;
} densities[] = {
    {"xxxhdpi", 432, 192}, {"xxhdpi", 324, 144}, {"xhdpi", 216, 96}, {"hdpi", 162, 72}, {"mdpi", 108, 48}};

const QRgb blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0), red = qRgb(220, 30, 30);

// Red all over, left half and right half as given, with a clear square in the top-left corner unless opaque.
Image art(QRgb right, bool opaque) {
    QImage bitmap = test::filled(1024, QColor(red));
    QPainter painter(&bitmap);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(512, 0, 512, 1024, QColor(right));
    if (!opaque)
        painter.fillRect(0, 0, 64, 64, Qt::transparent);
    return Image(bitmap);
}

// The art's margin at the default inset, 21 of 108 dp; hdpi's half pixel goes to the art.
int defaultMargin(int layer) {
    return layer == 162 ? 31 : layer * 21 / 108;
}

// The first and one past the last x of the middle row whose alpha is above half.
std::pair<int, int> opaqueSpan(const QImage &image) {
    int first = -1, end = -1;
    for (int x = 0; x < image.width(); ++x)
        if (qAlpha(image.pixel(x, image.height() / 2)) > 127) {
            first = first < 0 ? x : first;
            end = x + 1;
        }
    return {first, end};
}

class AndroidAdaptive : public ::testing::Test {
protected:
    QTemporaryDir dir;

    WriteReport write(const Image &source, const std::function<void(GenerationInputs &)> &adjust = {}) {
        GenerationInputs inputs;
        inputs.source = source;
        inputs.background = Color::fromQColor(QColor(blue));
        if (adjust)
            adjust(inputs);
        return writeTarget(Platform::AndroidAdaptive, Generation(inputs), dir.path(), [](const Error &) {});
    }
    QString path(const QString &relative) const { return dir.filePath(u"Android-adaptive/"_s + relative); }
    QImage image(const Density &d, const char *name) const {
        return QImage(path(QStringLiteral("res/mipmap-%1/%2.png")
                               .arg(QLatin1String(d.name), QLatin1String(name))))
            .convertToFormat(QImage::Format_ARGB32);
    }
    // Each element of the adaptive-icon description and the drawable it names.
    QMap<QString, QString> layersNamed() const {
        QMap<QString, QString> named;
        QXmlStreamReader xml(test::fileBytes(path(QStringLiteral("res/mipmap-anydpi-v26/ic_launcher.xml"))));
        EXPECT_TRUE(xml.readNextStartElement() && xml.name() == QLatin1String("adaptive-icon"));
        while (xml.readNextStartElement()) {
            named.insert(xml.name().toString(),
                         xml.attributes()
                             .value(u"http://schemas.android.com/apk/res/android"_s, u"drawable"_s)
                             .toString());
            xml.skipCurrentElement();
        }
        EXPECT_FALSE(xml.hasError());
        EXPECT_EQ(test::fileBytes(path(QStringLiteral("res/mipmap-anydpi-v26/ic_launcher_round.xml"))),
                  test::fileBytes(path(QStringLiteral("res/mipmap-anydpi-v26/ic_launcher.xml"))));
        return named;
    }
};

} // namespace

TEST_F(AndroidAdaptive, ArtWithTransparencyIsInsetOverTheBackgroundColour) {
    const WriteReport report = write(art(red, false), [](GenerationInputs &inputs) {
        // The tint colours the art; corners and padding would only fight the launcher's mask and the inset.
        inputs.effects = {.withRoundedCorners = true,
                          .withPadding = true,
                          .withTint = true,
                          .tintOpacity = 1.0,
                          .colorSelection = {0, 1, 0, 1}};
    });
    EXPECT_TRUE(report.failures.isEmpty());
    EXPECT_EQ(report.written, 24);
    for (const Density &d : densities) {
        SCOPED_TRACE(d.name);
        const QImage foreground = image(d, "ic_launcher_foreground");
        ASSERT_EQ(foreground.size(), QSize(d.layer, d.layer));
        const int margin = defaultMargin(d.layer);
        EXPECT_EQ(opaqueSpan(foreground), std::pair(margin, d.layer - margin));
        EXPECT_EQ(foreground.pixel(d.layer - margin - 1, d.layer - margin - 1), green) << "a square corner";
        EXPECT_EQ(qAlpha(foreground.pixel(margin + 2, margin + 2)), 0) << "the art's own clear corner";

        const QImage monochrome = image(d, "ic_launcher_monochrome");
        ASSERT_EQ(monochrome.size(), QSize(d.layer, d.layer));
        for (int y = 0; y < d.layer; ++y)
            for (int x = 0; x < d.layer; ++x) {
                const QRgb m = monochrome.pixel(x, y);
                ASSERT_EQ(qAlpha(m), qAlpha(foreground.pixel(x, y))) << x << "," << y;
                ASSERT_TRUE(qAlpha(m) == 0 || (m | 0xff000000u) == 0xffffffffu) << "white: " << x << "," << y;
            }

        // Legacy icons show the launcher's 72 dp on the Background colour; the round one as an antialiased
        // disc.
        const QImage legacy = image(d, "ic_launcher"), round = image(d, "ic_launcher_round");
        ASSERT_EQ(legacy.size(), QSize(d.legacy, d.legacy));
        ASSERT_EQ(round.size(), QSize(d.legacy, d.legacy));
        EXPECT_EQ(legacy.pixel(1, d.legacy / 2), blue);
        EXPECT_EQ(legacy.pixel(d.legacy / 2, d.legacy / 2), green);
        EXPECT_EQ(qAlpha(round.pixel(0, 0)), 0);
        int soft = 0;
        for (int y = 0; y < d.legacy; ++y)
            for (int x = 0; x < d.legacy; ++x) {
                soft += qAlpha(round.pixel(x, y)) % 255 != 0;
                ASSERT_EQ(qAlpha(round.pixel(x, y)), qAlpha(round.pixel(d.legacy - 1 - x, y)));
            }
        EXPECT_GT(soft, d.legacy);
    }

    QXmlStreamReader values(test::fileBytes(path(QStringLiteral("res/values/ic_launcher_background.xml"))));
    ASSERT_TRUE(values.readNextStartElement() && values.readNextStartElement());
    EXPECT_EQ(values.attributes().value(u"name"_s), u"ic_launcher_background"_s);
    EXPECT_EQ(values.readElementText(), QStringLiteral("#0000FF"));
    EXPECT_EQ(layersNamed(),
              (QMap<QString, QString>{{u"background"_s, u"@color/ic_launcher_background"_s},
                                      {u"foreground"_s, u"@mipmap/ic_launcher_foreground"_s},
                                      {u"monochrome"_s, u"@mipmap/ic_launcher_monochrome"_s}}));

    const QString play = path(QStringLiteral("playstore-icon.png"));
    const test::ToolRun check = test::runTool(test::pngcheck, {QStringLiteral("-v"), play});
    EXPECT_TRUE(check.exitCode == 0 && check.output.contains("512 x 512 image, 24-bit RGB"))
        << check.output.data();
    EXPECT_LE(QFileInfo(play).size(), 1024 * 1024);
    EXPECT_EQ(QImage(play).pixel(256, 256), green);
    EXPECT_EQ(QImage(play).pixel(30, 30), blue) << "the art's clear corner";
}

TEST_F(AndroidAdaptive, OpaqueArtBecomesAFullBleedBackgroundLayer) {
    EXPECT_EQ(write(art(green, true)).written, 28);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("res/values/ic_launcher_background.xml"))));
    EXPECT_EQ(layersNamed().value(u"background"_s), u"@mipmap/ic_launcher_background"_s);
    for (const Density &d : densities) {
        SCOPED_TRACE(d.name);
        const QImage background = image(d, "ic_launcher_background");
        ASSERT_EQ(background.size(), QSize(d.layer, d.layer));
        EXPECT_EQ(background.pixel(0, 0), red);
        EXPECT_EQ(background.pixel(d.layer - 1, d.layer - 1), green);
        EXPECT_EQ(opaqueSpan(image(d, "ic_launcher_foreground")), std::pair(-1, -1)) << "a clear foreground";
        // No alpha to go by: the art's lightness makes the silhouette, in the safe zone all the same.
        const QImage monochrome = image(d, "ic_launcher_monochrome");
        const int margin = defaultMargin(d.layer), y = d.layer / 2;
        EXPECT_EQ(qAlpha(monochrome.pixel(margin - 1, y)), 0);
        EXPECT_NEAR(qAlpha(monochrome.pixel(margin + 2, y)), 70, 1);            // red's luma
        EXPECT_NEAR(qAlpha(monochrome.pixel(d.layer - margin - 3, y)), 182, 1); // green's
        // The legacy icon is the middle 72 of the 108 dp.
        EXPECT_EQ(image(d, "ic_launcher").pixel(0, 0), red);
        // Stored in no more channels than they use: the background without alpha, the silhouette as grey
        // and alpha (PNG colour types 2 and 4).
        const auto colourType = [&](const char *name) {
            const QByteArray bytes = test::fileBytes(
                path(QStringLiteral("res/mipmap-%1/%2.png").arg(QLatin1String(d.name), QLatin1String(name))));
            return bytes.size() > 25 ? int(uchar(bytes.at(25))) : -1;
        };
        EXPECT_EQ(colourType("ic_launcher_background"), 2);
        EXPECT_EQ(colourType("ic_launcher_monochrome"), 4);
    }
}

TEST_F(AndroidAdaptive, InsetSetsTheArtsMarginAndKeepsItCentred) {
    for (const double inset : {0.0, 10.5, 30.0, 42.0}) {
        write(art(red, false), [inset](GenerationInputs &inputs) { inputs.androidInsetDp = inset; });
        for (const Density &d : densities) {
            const auto [first, end] = opaqueSpan(image(d, "ic_launcher_foreground"));
            EXPECT_EQ(first, d.layer - end) << inset << " " << d.name;
            EXPECT_NEAR(end - first, d.layer * (108 - 2 * inset) / 108, 1.0) << inset << " " << d.name;
        }
    }
}

TEST_F(AndroidAdaptive, LayersAreResampledOnceFromTheFullPicture) {
    // Noise shows any second scaling or sub-pixel shift at once.
    QImage noise(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    quint32 seed = 7;
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x) {
            seed = seed * 1664525u + 1013904223u;
            noise.setPixel(x, y, qRgba(int(seed >> 24), int(seed >> 16) & 255, int(seed >> 8) & 255, 255));
        }
    noise.setPixel(0, 0, 0); // one clear pixel keeps it foreground art
    write(Image(noise));
    // Compared away from that pixel, whose neighbours' unpremultiplying may round either way.
    const QImage expected = resample(noise, 264, 264).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image(densities[0], "ic_launcher_foreground").copy(92, 92, 256, 256),
              expected.copy(8, 8, 256, 256));
}

TEST_F(AndroidAdaptive, EveryFilePassesAapt2) {
    for (const Image &source : {art(red, false), art(green, true)}) {
        QTemporaryDir compiled;
        write(source);
        const QString res = path(QStringLiteral("res"));
        int checked = 0;
        for (QDirIterator it(res, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); ++checked) {
            const QString file = it.next();
            const test::ToolRun run = test::runTool(
                test::aapt2, {QStringLiteral("compile"), QStringLiteral("-o"), compiled.path(), file});
            EXPECT_EQ(run.exitCode, 0) << file.toStdString() << ": " << run.errors.toStdString();
        }
        EXPECT_GE(checked, 23);
        const test::ToolRun whole =
            test::runTool(test::aapt2, {QStringLiteral("compile"), QStringLiteral("--dir"), res,
                                        QStringLiteral("-o"), compiled.filePath(QStringLiteral("res.zip"))});
        EXPECT_EQ(whole.exitCode, 0) << whole.errors.toStdString();
        QDir(path(QString())).removeRecursively();
    }
}

TEST(Variants, SilhouetteCoverageAndCentredPlacement) {
    QImage art(3, 1, QImage::Format_ARGB32_Premultiplied);
    art.setPixel(0, 0, qRgba(255, 255, 255, 255));
    art.setPixel(1, 0, qRgba(0, 0, 0, 255));
    art.setPixel(2, 0, qRgba(64, 0, 0, 128));
    const QImage byAlpha = silhouette(Image(art), Coverage::Alpha).bitmap();
    const QImage byLight = silhouette(Image(art), Coverage::Luminance).bitmap();
    const int alphas[] = {255, 255, 128}, lights[] = {255, 0, 14}; // lightness as seen over black
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(byAlpha.pixel(x, 0), qRgba(alphas[x], alphas[x], alphas[x], alphas[x]));
        EXPECT_EQ(byLight.pixel(x, 0), qRgba(lights[x], lights[x], lights[x], lights[x]));
    }
    // A margin of exactly half a pixel goes to the picture, however the fraction rounds.
    EXPECT_EQ(centredPlacement(162, 66.0 / 108).margin, 31);
    EXPECT_EQ(centredPlacement(48, 1.5).margin, -12);
}
