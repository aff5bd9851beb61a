#include "imaging/Effects.h"
#include "imaging/Renderer.h"

#include "TestSupport.h"

#include <QColorSpace>
#include <QRandomGenerator>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace glyphon;

namespace {

int alphaAt(const QImage &image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

// The radius a person would read off a corner: an antialiased corner's missing coverage is exactly the
// area between the square corner and the arc, r² × (1 − π/4). The corner's square starts at `offset`.
double cornerRadius(const QImage &image, int offset, int extent) {
    double missing = 0.0;
    for (int y = offset; y < offset + extent; ++y)
        for (int x = offset; x < offset + extent; ++x)
            missing += 1.0 - alphaAt(image, x, y) / 255.0;
    return std::sqrt(missing / (1.0 - std::numbers::pi / 4.0));
}

bool allAlpha(const QImage &image, const QRect &area, int alpha) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (alphaAt(image, x, y) != alpha)
                return false;
    return true;
}

// Every alpha level with colours that are valid premultiplied values, so tint maths sees each case.
QImage premultipliedNoise(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QRandomGenerator random(1024);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int a = (y * width + x) % 256;
            const auto channel = [&] { return a == 0 ? 0 : int(random.bounded(a + 1)); };
            image.setPixel(x, y, qRgba(channel(), channel(), channel(), a));
        }
    return image;
}

EffectSettings only(bool corners, bool padding, bool tint) {
    EffectSettings settings;
    settings.withRoundedCorners = corners;
    settings.withPadding = padding;
    settings.withTint = tint;
    return settings;
}

} // namespace

TEST(Effects, NoEffectReturnsTheSourceItself) {
    const Image source(test::filled(300, Qt::red));
    const Image result = applyEffects(source, EffectSettings{});
    EXPECT_EQ(result.bitmap().cacheKey(), source.bitmap().cacheKey());
    EXPECT_EQ(result.size(), source.size());
}

TEST(Effects, PaddingLeavesATransparentBandAroundTheWholePicture) {
    // A 512 source shows that the band is measured on the normalised 1024 canvas.
    const Image result = applyEffects(Image(test::filled(512, Qt::red)), only(false, true, false));
    const QImage &bitmap = result.bitmap();
    ASSERT_EQ(bitmap.size(), QSize(1024, 1024));
    EXPECT_TRUE(allAlpha(bitmap, QRect(0, 0, 1024, 100), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(0, 924, 1024, 100), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(0, 100, 100, 824), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(924, 100, 100, 824), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(100, 100, 824, 824), 255));
    EXPECT_EQ(bitmap.pixel(100, 100), qRgb(255, 0, 0));
    EXPECT_EQ(bitmap.pixel(923, 923), qRgb(255, 0, 0));
}

TEST(Effects, AnOblongSourceKeepsItsProportionsOnTheProportionalCanvas) {
    // 1200 × 800 is normalised to 1024 × 683 there, and the padding shrinks it evenly: 100 at the sides,
    // 100 × 683 / 1024 above and below.
    QImage wide(1200, 800, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::red);
    EffectSettings settings = only(true, true, false);
    settings.roundedCornersPx = 200;
    settings.paddingPx = 100;
    // Icons are still cut from the square the source is squashed into.
    EXPECT_EQ(applyEffects(Image(wide), settings).bitmap().size(), QSize(1024, 1024));
    const QImage bitmap = applyEffects(Image(wide), settings, EffectCanvas::Proportional).bitmap();
    ASSERT_EQ(bitmap.size(), QSize(1024, 683));
    EXPECT_TRUE(allAlpha(bitmap, QRect(0, 0, 1024, 66), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(0, 617, 1024, 66), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(0, 0, 100, 683), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(924, 0, 100, 683), 0));
    EXPECT_TRUE(allAlpha(bitmap, QRect(300, 200, 424, 283), 255));
    // Round corners, not ellipses: a quarter circle of the radius shrunk with the picture.
    const double radius = 200 * 824.0 / 1024;
    for (const QImage &picture : {bitmap, bitmap.mirrored(true, true)}) {
        const QImage corner = picture.copy(100, 67, 200, 200);
        EXPECT_NEAR(cornerRadius(corner, 0, 200), radius, 1.5);
        // As far in along the top edge as down the side: a circle's arc, not an ellipse's.
        const auto firstOpaque = [&corner](QPoint from, QPoint step) {
            int n = 0;
            for (QPoint p = from; alphaAt(corner, p.x(), p.y()) < 128; p += step)
                ++n;
            return n;
        };
        EXPECT_NEAR(firstOpaque({0, 20}, {1, 0}), firstOpaque({20, 0}, {0, 1}), 1);
    }
}

TEST(Effects, CornersAreCutBeforePaddingSoTheyShrinkWithThePicture) {
    EffectSettings settings = only(true, true, false);
    settings.roundedCornersPx = 200;
    settings.paddingPx = 100;
    const QImage bitmap = applyEffects(Image(test::filled(1024, Qt::blue)), settings).bitmap();
    // 200 × 824 / 1024 on the canvas, at each of the four corners.
    const double expected = 160.9375;
    EXPECT_NEAR(cornerRadius(bitmap, 100, 200), expected, 0.3);
    EXPECT_NEAR(cornerRadius(bitmap.mirrored(true, false), 100, 200), expected, 0.3);
    EXPECT_NEAR(cornerRadius(bitmap.mirrored(false, true), 100, 200), expected, 0.3);
    EXPECT_NEAR(cornerRadius(bitmap.mirrored(true, true), 100, 200), expected, 0.3);
    // The margin has no rounding of its own: the picture's straight edges reach the band.
    EXPECT_EQ(alphaAt(bitmap, 512, 100), 255);
    EXPECT_EQ(alphaAt(bitmap, 512, 99), 0);
}

TEST(Effects, RadiusIsMeasuredOnTheNormalisedCanvas) {
    EffectSettings settings = only(true, false, false);
    settings.roundedCornersPx = 229;
    const Image result = applyEffects(Image(test::filled(2048, Qt::green)), settings);
    ASSERT_EQ(result.bitmap().size(), QSize(1024, 1024));
    EXPECT_NEAR(cornerRadius(result.bitmap(), 0, 300), 229.0, 0.3);
}

TEST(Effects, CornersScaleWithTheOutputSize) {
    EffectSettings settings = only(true, false, false);
    settings.roundedCornersPx = 200;
    const Image processed = applyEffects(Image(test::filled(1024, Qt::red)), settings);
    const auto icon = resizeImage(processed, 512, 512);
    ASSERT_TRUE(icon);
    EXPECT_NEAR(cornerRadius(icon->bitmap(), 0, 150), 100.0, 0.5);
}

TEST(Effects, RoundedCornersAreAntialiasedAlongTheArc) {
    const QImage bitmap = roundCorners(Image(test::filled(1024, Qt::red)), 229).bitmap();
    int partial = 0;
    for (int y = 0; y < 229; ++y)
        for (int x = 0; x < 229; ++x) {
            const int alpha = alphaAt(bitmap, x, y);
            partial += alpha > 0 && alpha < 255;
            // Only pixels the arc passes through may be partly covered.
            const double distance = std::hypot(229.0 - (x + 0.5), 229.0 - (y + 0.5));
            if (distance > 229.0 + std::numbers::sqrt2 / 2) {
                EXPECT_EQ(alpha, 0) << x << "," << y;
            } else if (distance < 229.0 - std::numbers::sqrt2 / 2) {
                EXPECT_EQ(alpha, 255) << x << "," << y;
            }
        }
    // A quarter arc of radius 229 crosses well over 300 pixels; a hard clip leaves none partial.
    EXPECT_GT(partial, 300);
    EXPECT_NEAR(cornerRadius(bitmap, 0, 240), 229.0, 0.05);
    // Premultiplied colour fades with the coverage instead of leaving a dark or bright fringe.
    for (int k = 0; k < 120; ++k) {
        const QRgb pixel = bitmap.pixel(k, k);
        EXPECT_EQ(qRed(pixel), qAlpha(pixel));
        EXPECT_EQ(qGreen(pixel), 0);
    }
}

TEST(Effects, RoundCornersClampsTheRadius) {
    const Image square(test::filled(256, Qt::red));
    // Beyond half the edge the picture becomes a disc, and no larger.
    const QImage disc = roundCorners(square, 1000).bitmap();
    EXPECT_NEAR(cornerRadius(disc, 0, 128), 128.0, 0.05);
    EXPECT_EQ(alphaAt(disc, 128, 0), 255);
    EXPECT_EQ(alphaAt(disc, 0, 128), 255);
    EXPECT_EQ(alphaAt(disc, 0, 0), 0);
    for (double radius : {0.0, -40.0, std::nan("")})
        EXPECT_TRUE(allAlpha(roundCorners(square, radius).bitmap(), QRect(0, 0, 256, 256), 255)) << radius;
}

TEST(Effects, RoundCornersHandlesOddAndOblongPictures) {
    // The two arcs of an odd edge meet in its middle column without covering it twice.
    const QImage odd = roundCorners(Image(test::filled(255, Qt::red)), 200).bitmap();
    // Measured over the whole picture: a disc misses four corners' worth, as if of radius 2r.
    EXPECT_NEAR(cornerRadius(odd, 0, 255), 255.0, 0.05);
    EXPECT_GE(alphaAt(odd, 127, 0), 250);
    EXPECT_GE(alphaAt(odd, 0, 127), 250);

    QImage oblong(400, 100, QImage::Format_ARGB32_Premultiplied);
    oblong.fill(Qt::red);
    const Image wide(oblong, QSizeF(200, 50));
    const Image rounded = roundCorners(wide, 80);
    EXPECT_EQ(rounded.bitmap().size(), QSize(400, 100));
    EXPECT_EQ(rounded.size(), wide.size());
    EXPECT_NEAR(cornerRadius(rounded.bitmap(), 0, 50), 50.0, 0.05);
    EXPECT_EQ(alphaAt(rounded.bitmap(), 200, 0), 255);
}

TEST(Effects, RoundedCornersKeepWhatThePictureCarries) {
    QImage picture = test::filled(64, Qt::blue);
    picture.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    picture.setDotsPerMeterX(5000);
    picture.setDotsPerMeterY(4000);
    picture.setText(QStringLiteral("Title"), QStringLiteral("Glyph"));
    const QImage rounded = roundCorners(Image(picture), 16).bitmap();
    EXPECT_EQ(rounded.colorSpace(), picture.colorSpace());
    EXPECT_EQ(rounded.dotsPerMeterX(), 5000);
    EXPECT_EQ(rounded.dotsPerMeterY(), 4000);
    EXPECT_EQ(rounded.text(QStringLiteral("Title")), QStringLiteral("Glyph"));
    EXPECT_EQ(rounded.pixel(32, 32), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 0, 255)) << "the source is left alone";
}

TEST(Effects, TintIsSourceAtopAtTheOpacity) {
    const QImage noise = premultipliedNoise(512, 128);
    const Color tint{51 / 255.0, 102 / 255.0, 153 / 255.0, 0.3}; // its own alpha is not used
    const int tintChannels[] = {51, 102, 153};
    for (double opacity : {0.0, 0.5, 1.0}) {
        const QImage tinted = tintImage(Image(noise), tint, opacity).bitmap();
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x) {
                const QRgb before = noise.pixel(x, y), after = tinted.pixel(x, y);
                const int alpha = qAlpha(before);
                ASSERT_EQ(qAlpha(after), alpha);
                const int channelsBefore[] = {qRed(before), qGreen(before), qBlue(before)};
                const int channelsAfter[] = {qRed(after), qGreen(after), qBlue(after)};
                for (int c = 0; c < 3; ++c) {
                    // Premultiplied: tint × opacity × alpha + colour × (1 − opacity).
                    const double expected =
                        tintChannels[c] * opacity * alpha / 255.0 + channelsBefore[c] * (1.0 - opacity);
                    ASSERT_NEAR(channelsAfter[c], expected, 0.51) << x << "," << y << " at " << opacity;
                    ASSERT_LE(channelsAfter[c], alpha);
                }
            }
        // The two ends are exact: nothing changes at 0, and opaque pixels become the tint at 1.
        if (opacity == 0.0) {
            EXPECT_EQ(tinted, noise);
        } else if (opacity == 1.0) {
            EXPECT_EQ(tinted.pixel(255, 0), qRgba(51, 102, 153, 255));
            EXPECT_EQ(tinted.pixel(511, 127), qRgba(51, 102, 153, 255));
        }
    }
}

// Pixels are tinted in groups with the rest one by one: a pixel must come out the same wherever a
// row's width puts it, the last ones of narrow and odd rows included.
TEST(Effects, TintIsTheSameWhateverTheRowWidth) {
    const QImage noise = premultipliedNoise(12, 64);
    const Color tint{0.9, 0.3, 0.1, 1.0};
    const QImage whole = tintImage(Image(noise), tint, 0.6).bitmap();
    for (int width = 1; width < noise.width(); ++width) {
        const QImage part = tintImage(Image(noise.copy(0, 0, width, noise.height())), tint, 0.6).bitmap();
        EXPECT_EQ(part, whole.copy(0, 0, width, noise.height())) << width << " pixels wide";
    }
}

TEST(Effects, TintAloneWorksAtTheSourceSize) {
    EffectSettings settings = only(false, false, true);
    settings.tintOpacity = 1.0;
    settings.colorSelection = Color{0.0, 1.0, 0.0, 1.0};
    const Image source(test::filled(300, Qt::red), QSizeF(150, 150));
    const Image result = applyEffects(source, settings);
    EXPECT_EQ(result.bitmap().size(), QSize(300, 300));
    EXPECT_EQ(result.size(), QSizeF(150, 150));
    EXPECT_EQ(result.bitmap().pixel(10, 10), qRgb(0, 255, 0));
}

TEST(Effects, TintComesLastAndLeavesCornersAndMarginClear) {
    EffectSettings settings = only(true, true, true);
    settings.tintOpacity = 1.0;
    const QImage bitmap = applyEffects(Image(test::filled(1024, Qt::red)), settings).bitmap();
    EXPECT_TRUE(allAlpha(bitmap, QRect(0, 0, 1024, 100), 0));
    EXPECT_EQ(alphaAt(bitmap, 110, 110), 0);
    EXPECT_EQ(bitmap.pixel(512, 512), qRgb(0, 0, 255));
}

TEST(Effects, PaddingThatLeavesNoPictureGivesAnEmptyCanvas) {
    for (double padding : {512.0, 600.0, 511.8}) {
        EffectSettings settings = only(true, true, true);
        settings.paddingPx = padding;
        const Image result = applyEffects(Image(test::filled(1024, Qt::red)), settings);
        ASSERT_EQ(result.bitmap().size(), QSize(1024, 1024)) << padding;
        EXPECT_TRUE(allAlpha(result.bitmap(), QRect(0, 0, 1024, 1024), 0)) << padding;
    }
}

TEST(Effects, NegativeOrUnknownPaddingMeansNoMargin) {
    for (double padding : {-50.0, std::nan("")}) {
        EffectSettings settings = only(false, true, false);
        settings.paddingPx = padding;
        const Image result = applyEffects(Image(test::filled(1024, Qt::red)), settings);
        EXPECT_TRUE(allAlpha(result.bitmap(), QRect(0, 0, 1024, 1024), 255)) << padding;
    }
}

TEST(Effects, NothingToDoOnAnImageWithoutPixels) {
    EffectSettings settings = only(true, true, true);
    EXPECT_TRUE(applyEffects(Image(), settings).isNull());
    EXPECT_TRUE(roundCorners(Image(), 100).isNull());
    EXPECT_TRUE(tintImage(Image(), Color{}, 0.5).isNull());
}
