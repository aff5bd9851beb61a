#include "writers/Generation.h"
#include "imaging/Variants.h"
#include "writers/TargetFiles.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

// Opaque red on the left half, transparent on the right, half-transparent green in the bottom-left corner.
Image halfTransparent() {
    QImage bitmap(64, 64, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::transparent);
    QPainter painter(&bitmap);
    painter.fillRect(0, 0, 32, 64, Qt::red);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 48, 16, 16, QColor(0, 255, 0, 128));
    painter.end();
    return Image(bitmap);
}

} // namespace

TEST(Targets, KeysAreUniqueAndTheClassicFiveStayTheDefault) {
    QSet<QString> keys;
    for (const Platform platform : allPlatforms)
        keys.insert(platformKey(platform));
    EXPECT_EQ(keys.size(), qsizetype(allPlatforms.size()));
    for (const Platform platform : defaultPlatforms)
        EXPECT_TRUE(isClassicSet(platform)) << platformKey(platform).toStdString();
    EXPECT_EQ(platformKey(Platform::Web), QStringLiteral("web"));
    EXPECT_EQ(platformKey(Platform::IOSSingle), QStringLiteral("ios-single"));
    EXPECT_EQ(platformKey(Platform::AndroidAdaptive), QStringLiteral("android-adaptive"));
    EXPECT_FALSE(isClassicSet(Platform::Linux));
}

TEST(Targets, OnlyPortableNamesBecomeFileNames) {
    for (const char *good : {"app", "my-app", "org.example.App", "a_b", "9lives"})
        EXPECT_TRUE(isSafeFileName(QString::fromUtf8(good))) << good;
    for (const char *bad :
         {"", ".hidden", "-rf", "../etc", "a/b", "a\\b", "with space", "née", "a:b", "..", "x\nb", "a*"})
        EXPECT_FALSE(isSafeFileName(QString::fromUtf8(bad))) << bad;
    EXPECT_TRUE(isSafeFileName(QString(64, u'a')));
    EXPECT_FALSE(isSafeFileName(QString(65, u'a')));
}

TEST(Targets, ProcessedPictureHasTheEffectsApplied) {
    GenerationInputs inputs;
    inputs.source = halfTransparent();
    inputs.effects.withPadding = true;
    const Generation generation(inputs);
    const Image expected = applyEffects(inputs.source, inputs.effects);
    EXPECT_EQ(generation.processed().bitmap(), expected.bitmap());
    // Asked again, the same picture, not a second one.
    EXPECT_EQ(&generation.processed(), &generation.processed());
}

TEST(Targets, FilesOfATargetReportWhatCouldNotBeWritten) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QList<Error> seen;
    const FailureSink sink = [&seen](const Error &error) { seen.append(error); };

    TargetFiles files(dir.path(), QStringLiteral("Target"), sink);
    ASSERT_TRUE(files.ready());
    EXPECT_TRUE(files.write(QStringLiteral("deep/er/file.txt"), QByteArray("x")));
    EXPECT_FALSE(files.write(QStringLiteral("bad.txt"),
                             Result<QByteArray>(Error{ErrorKind::EncodeFailed, {}, QStringLiteral("no")})));
    EXPECT_EQ(files.report().written, 1);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first().path, files.pathOf(QStringLiteral("bad.txt")));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Target/deep/er/file.txt"))));

    TargetFiles blocked(dir.path(), QStringLiteral("blocked/Target"), sink);
    EXPECT_FALSE(blocked.ready());
    EXPECT_FALSE(blocked.write(QStringLiteral("file.txt"), QByteArray("x")));
    EXPECT_EQ(blocked.report().written, 0);
    EXPECT_EQ(blocked.report().failures.size(), 2);
}

TEST(Variants, FlatteningFillsExactlyWhatWasTransparent) {
    const Image source = halfTransparent();
    const QImage flat = flattenOnto(source, Color{0.0, 0.0, 1.0, 1.0}).bitmap();
    EXPECT_TRUE(isOpaque(Image(flat)));
    EXPECT_FALSE(isOpaque(source));
    EXPECT_EQ(flat.pixel(10, 10), qRgb(255, 0, 0)); // opaque art untouched
    EXPECT_EQ(flat.pixel(50, 10), qRgb(0, 0, 255)); // transparent → background
    const QRgb mixed = flat.pixel(5, 60);           // half green over blue
    EXPECT_NEAR(qGreen(mixed), 128, 1);
    EXPECT_NEAR(qBlue(mixed), 127, 1);
}

TEST(Variants, MonochromeIsOneColourAndTintedIsGrey) {
    const Image source = halfTransparent();
    const QImage mono = monochromeVariant(source).bitmap().convertToFormat(QImage::Format_ARGB32);
    const QImage tinted = tintedVariant(source).bitmap().convertToFormat(QImage::Format_ARGB32);
    const QImage straight = source.bitmap().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 64; y += 3)
        for (int x = 0; x < 64; x += 3) {
            const QRgb m = mono.pixel(x, y), t = tinted.pixel(x, y);
            EXPECT_EQ(qAlpha(m), qAlpha(straight.pixel(x, y)));
            if (qAlpha(m) > 0) {
                EXPECT_EQ(qRed(m), 255);
                EXPECT_EQ(qGreen(m), 255);
                EXPECT_EQ(qBlue(m), 255);
            }
            EXPECT_NEAR(qRed(t), qGreen(t), 1);
            EXPECT_NEAR(qGreen(t), qBlue(t), 1);
        }
    // Opaque art has no alpha to go by: its lightness makes the silhouette.
    QImage opaque(8, 8, QImage::Format_ARGB32_Premultiplied);
    opaque.fill(Qt::black);
    opaque.setPixel(1, 1, qRgb(255, 255, 255));
    const QImage opaqueMono =
        monochromeVariant(Image(opaque)).bitmap().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(opaqueMono.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(opaqueMono.pixel(1, 1)), 255);
}
