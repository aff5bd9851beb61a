#include "imaging/Masks.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace glyphon::test {
namespace {

int alphaAt(const Image &image, int x, int y) {
    return qAlpha(image.bitmap().pixel(x, y));
}

Image maskedSquare(MaskShape shape, int edge) {
    return applyMask(Image(filled(edge, Qt::white)), shape);
}

int partialPixels(const Image &image) {
    int partial = 0;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x)
            partial += alphaAt(image, x, y) > 0 && alphaAt(image, x, y) < 255 ? 1 : 0;
    return partial;
}

// The continuous corner crosses the diagonal 0.2915 radii from the corner (the midpoint of its middle
// Bézier); at 180 px the radius is 40.25 px, so the edge passes through (11.73, 11.73).
TEST(Masks, theIosMaskCutsItsCornersWhereTheContinuousCurveRuns) {
    const Image icon = maskedSquare(MaskShape::IosSquircle, 180);
    for (const auto &[x, y] : {std::pair{0, 0}, {179, 0}, {0, 179}, {179, 179}})
        EXPECT_EQ(alphaAt(icon, x, y), 0) << x << "," << y;
    // Along the diagonal of each corner: outside, on the edge, inside.
    for (const auto &[toX, toY] : {std::pair{0, 0}, {179, 0}, {0, 179}, {179, 179}}) {
        const auto at = [&](int d) { return alphaAt(icon, toX ? 179 - d : d, toY ? 179 - d : d); };
        EXPECT_EQ(at(10), 0) << "just outside, corner " << toX << "," << toY;
        EXPECT_GT(at(11), 0);
        EXPECT_LT(at(11), 255) << "the pixel the edge runs through is partly covered";
        EXPECT_EQ(at(12), 255) << "just inside";
    }
    EXPECT_EQ(alphaAt(icon, 90, 0), 255);
    EXPECT_EQ(alphaAt(icon, 0, 90), 255);
    EXPECT_EQ(alphaAt(icon, 90, 90), 255);
}

TEST(Masks, theIosCornerLeavesTheEdgeEarlierThanACircularCornerWould) {
    // A circular corner of radius 229 meets the straight edge 229 px from the corner; the continuous one
    // bends away 1.53 radii out, so 240 px along the top edge the top row is already cut.
    const Image icon = maskedSquare(MaskShape::IosSquircle, 1024);
    EXPECT_EQ(alphaAt(icon, 240, 0), 0);
    EXPECT_EQ(alphaAt(icon, 240, 3), 255);
    EXPECT_EQ(alphaAt(icon, 400, 0), 255);
    EXPECT_EQ(alphaAt(icon, 1023 - 240, 0), 0);
    QPainterPath circular;
    circular.addRoundedRect(QRectF(0, 0, 1024, 1024), 229, 229);
    EXPECT_TRUE(circular.contains(QPointF(240.5, 0.5)));
    EXPECT_FALSE(maskPath(MaskShape::IosSquircle, QRectF(0, 0, 1024, 1024)).contains(QPointF(240.5, 0.5)));
}

TEST(Masks, theCircleAndAnAndroidSixteenShapeCutWhereTheirPathsRun) {
    // The circle of 100 px crosses the diagonal at 14.64 px from each corner.
    const Image circle = maskedSquare(MaskShape::Circle, 100);
    EXPECT_EQ(alphaAt(circle, 13, 13), 0);
    EXPECT_GT(alphaAt(circle, 14, 14), 0);
    EXPECT_LT(alphaAt(circle, 14, 14), 255);
    EXPECT_EQ(alphaAt(circle, 16, 16), 255);
    EXPECT_EQ(alphaAt(circle, 86, 86), 0);
    EXPECT_EQ(alphaAt(circle, 50, 1), 255);

    // The four-sided cookie dips in the middle of each side: its top edge at x = 50 lies at y = 6.62.
    const Image cookie = maskedSquare(MaskShape::AndroidFourSidedCookie, 100);
    EXPECT_EQ(alphaAt(cookie, 49, 5), 0);
    EXPECT_GT(alphaAt(cookie, 49, 6), 0);
    EXPECT_LT(alphaAt(cookie, 49, 6), 255);
    EXPECT_EQ(alphaAt(cookie, 49, 7), 255);
    EXPECT_EQ(alphaAt(cookie, 5, 49), 0);
    EXPECT_EQ(alphaAt(cookie, 50, 50), 255);

    // The arch is round above and square-ish below.
    const Image arch = maskedSquare(MaskShape::AndroidArch, 100);
    EXPECT_EQ(alphaAt(arch, 5, 5), 0);
    EXPECT_EQ(alphaAt(arch, 8, 91), 255);
}

TEST(Masks, everyShapeIsAntialiasedAtOneAndTwoTimes) {
    // Every pixel a curved edge runs through carries part of the picture: roughly one per pixel of
    // perimeter. The rounded square's straight sides lie on pixel edges and cross none.
    for (const MaskShape shape : {MaskShape::IosSquircle, MaskShape::Circle, MaskShape::AndroidSquircle,
                                  MaskShape::AndroidRoundedSquare, MaskShape::AndroidFourSidedCookie,
                                  MaskShape::AndroidSevenSidedCookie, MaskShape::AndroidArch}) {
        for (const int edge : {60, 120}) {
            const Image icon = maskedSquare(shape, edge);
            const double perimeter = maskPath(shape, QRectF(0, 0, edge, edge)).length();
            const double curved = shape == MaskShape::AndroidRoundedSquare ? 0.2 : 1.0;
            EXPECT_GT(partialPixels(icon), 0.6 * curved * perimeter) << int(shape) << " at " << edge;
            // And the covered area is the shape's: nothing spills, nothing is lost.
            double covered = 0;
            for (int y = 0; y < edge; ++y)
                for (int x = 0; x < edge; ++x)
                    covered += alphaAt(icon, x, y) / 255.0;
            // The shape's own area, by the shoelace formula over its flattened outline.
            const QPolygonF outline = maskPath(shape, QRectF(0, 0, edge, edge)).toFillPolygon();
            double area = 0;
            for (qsizetype i = 0; i < outline.size(); ++i) {
                const QPointF a = outline[i];
                const QPointF b = outline[(i + 1) % outline.size()];
                area += a.x() * b.y() - b.x() * a.y();
            }
            // Within a tenth of a pixel along the whole edge.
            EXPECT_NEAR(covered, std::abs(area) / 2, 0.1 * perimeter) << int(shape) << " at " << edge;
        }
    }
}

TEST(Masks, aMaskKeepsColoursAndOnlyScalesThemByCoverage) {
    const Image icon = applyMask(Image(filled(90, QColor(200, 40, 10))), MaskShape::Circle);
    EXPECT_EQ(icon.bitmap().pixel(45, 45), qRgba(200, 40, 10, 255));
    // On the edge a premultiplied pixel keeps its hue: each channel scaled as the alpha is.
    const QRgb edge = icon.bitmap().pixel(13, 13);
    ASSERT_GT(qAlpha(edge), 0);
    ASSERT_LT(qAlpha(edge), 255);
    EXPECT_NEAR(qRed(edge), 200 * qAlpha(edge) / 255.0, 2);
    EXPECT_EQ(icon.size(), QSizeF(90, 90));
}

TEST(Masks, safeZonesAreThePublishedShares) {
    const QRectF bounds(0, 0, 72, 72);
    EXPECT_NEAR(safeZonePath(SafeZone::AndroidAdaptive, bounds).boundingRect().width(), 66, 0.01);
    EXPECT_NEAR(safeZonePath(SafeZone::WebMaskable, QRectF(0, 0, 100, 100)).boundingRect().width(), 80, 0.01);
    const QRectF body = safeZonePath(SafeZone::MacosGrid, QRectF(0, 0, 1024, 1024)).boundingRect();
    EXPECT_NEAR(body.left(), 100, 0.01);
    EXPECT_NEAR(body.width(), 824, 0.01);
    // The body's corners are continuous, 185.4 px on the 1024 grid.
    EXPECT_FALSE(safeZonePath(SafeZone::MacosGrid, QRectF(0, 0, 1024, 1024)).contains(QPointF(110, 110)));
    EXPECT_TRUE(safeZonePath(SafeZone::MacosGrid, QRectF(0, 0, 1024, 1024)).contains(QPointF(160, 160)));
}

TEST(Masks, svgPathDataAsPlatformsPublishIt) {
    const struct {
        const char *data;
        QRectF bounds;
    } readable[] = {
        {"M10 10 h 20 v 20 h -20 z", {10, 10, 20, 20}},
        {"m10,10l20,0 0,20L10 30Z", {10, 10, 20, 20}},
        // Numbers run together: ".5.5" is two, "1e1" is ten.
        {"M.5.5L1e1,10", {0.5, 0.5, 9.5, 9.5}},
        // An upper half circle, and the same with the flags written without separators.
        {"M0 50 A50 50 0 0 1 100 50", {0, 0, 100, 50}},
        {"M0 50a50 50 0 0110 0", {0, 49.749, 10, 0.251}},
        {"M50 0A50 50,0,1,1,50 100A50 50,0,1,1,50 0", {0, 0, 100, 100}},
        {"M0 0C0 10 10 10 10 0 10 -10 20 -10 20 0", {0, -7.5, 20, 15}},
    };
    for (const auto &c : readable) {
        const auto path = parseSvgPath(QString::fromLatin1(c.data));
        ASSERT_TRUE(path.has_value()) << c.data;
        const QRectF box = path->boundingRect();
        EXPECT_NEAR(box.left(), c.bounds.left(), 0.05) << c.data;
        EXPECT_NEAR(box.top(), c.bounds.top(), 0.05) << c.data;
        EXPECT_NEAR(box.width(), c.bounds.width(), 0.05) << c.data;
        EXPECT_NEAR(box.height(), c.bounds.height(), 0.05) << c.data;
    }
    for (const char *bad : {"", "M10", "L10 10", "M0 0 X 1 2", "M0 0 C 1 2 3", "M0 0 A 5 5 0 2 0 10 10"})
        EXPECT_FALSE(parseSvgPath(QString::fromLatin1(bad)).has_value()) << bad;
}

} // namespace
} // namespace glyphon::test
