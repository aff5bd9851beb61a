#include "ButtonStyles.h"
#include "Symbols.h"
#include "Theme.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace glyphon::test {
namespace {

// The button drawn alone onto a transparent canvas at 1×.
QImage render(QWidget &button, QSize size) {
    button.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(ButtonStyles, generateIsAFullWidthBandOfAppColorSixtyPointsHigh) {
    StyledButton generate(QStringLiteral("Generate"), std::make_unique<CustomButtonStyle>());
    EXPECT_EQ(generate.sizeHint().height(), 60);
    EXPECT_EQ(generate.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(generate.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(generate.font().weight(), QFont::Medium);

    const QImage image = render(generate, {400, 60});
    // A plain rectangle: the very corners are filled.
    EXPECT_EQ(image.pixelColor(0, 0), namedColor(u"AppColor"));
    EXPECT_EQ(image.pixelColor(399, 59), namedColor(u"AppColor"));
    // White text in the middle.
    int white = 0;
    for (int x = 150; x < 250; ++x)
        white += image.pixelColor(x, 30).lightness() > 240 ? 1 : 0;
    EXPECT_GT(white, 3);
}

TEST(ButtonStyles, pressingDimsTheWholeButtonToEightyPercent) {
    for (bool sheet : {false, true}) {
        std::unique_ptr<ButtonStyle> style;
        if (sheet)
            style = std::make_unique<PrimaryButtonStyle>();
        else
            style = std::make_unique<CustomButtonStyle>();
        StyledButton button(QStringLiteral("Go"), std::move(style));
        const QSize size = sheet ? button.sizeHint() : QSize(200, 60);
        const QColor released = render(button, size).pixelColor(size.width() / 2, 3);
        button.setDown(true);
        const QColor pressed = render(button, size).pixelColor(size.width() / 2, 3);
        EXPECT_NEAR(pressed.alphaF(), released.alphaF() * 0.8, 0.01) << sheet;
        // Only the opacity changes, not the colour.
        EXPECT_NEAR(pressed.redF(), released.redF(), 0.02);
        EXPECT_NEAR(pressed.blueF(), released.blueF(), 0.02);
    }
}

TEST(ButtonStyles, sheetButtonsHugTheirTextWithRoundedOutlinedCorners) {
    StyledButton create(QStringLiteral("Create Icons"), std::make_unique<PrimaryButtonStyle>());
    StyledButton cancel(QStringLiteral("Cancel"), std::make_unique<SecondaryButtonStyle>());
    const QFontMetrics metrics = create.fontMetrics();
    EXPECT_EQ(create.sizeHint().width(), metrics.horizontalAdvance(QStringLiteral("Create Icons")) + 24);
    EXPECT_EQ(create.sizeHint().height(), metrics.height() + 12);
    EXPECT_EQ(create.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);

    const QImage primary = render(create, create.sizeHint());
    // Radius 8 clips the corner pixel away; the edge's middle carries the fill.
    EXPECT_LT(primary.pixelColor(0, 0).alpha(), 40);
    const QColor middle = primary.pixelColor(primary.width() / 2, 3);
    const QColor app = namedColor(u"AppColor");
    EXPECT_NEAR(middle.red(), app.red(), 3);
    EXPECT_NEAR(middle.blue(), app.blue(), 3);

    // "Cancel": gray at 0.2 inside, the outline (gray at 0.3) at the edge is denser than the fill.
    const QImage secondary = render(cancel, cancel.sizeHint());
    const QColor fill = secondary.pixelColor(secondary.width() / 2, 3);
    const QColor outline = secondary.pixelColor(secondary.width() / 2, 0);
    EXPECT_NEAR(fill.alphaF(), 0.2, 0.03);
    EXPECT_GT(outline.alphaF(), fill.alphaF() + 0.1);
}

TEST(ButtonStyles, aDisabledGenerateKeepsItsShapeButFades) {
    StyledButton generate(QStringLiteral("Generate"), std::make_unique<CustomButtonStyle>());
    const QColor enabled = render(generate, {200, 60}).pixelColor(5, 5);
    generate.setEnabled(false);
    const QColor disabled = render(generate, {200, 60}).pixelColor(5, 5);
    EXPECT_EQ(generate.sizeHint().height(), 60);
    EXPECT_LT(disabled.alpha(), enabled.alpha());
    EXPECT_GT(disabled.alpha(), 0);
}

TEST(Symbols, everySymbolTheWindowNamesIsDrawn) {
    for (const char *name : {"arrow.left", "square.grid.2x2.fill", "square.fill", "gearshape.fill",
                             "checkmark", "exclamationmark.triangle", "exclamationmark.circle",
                             "arrow.counterclockwise", "circle.lefthalf.filled"}) {
        const QString symbol = QString::fromLatin1(name);
        ASSERT_TRUE(hasSymbol(symbol)) << name;
        const QImage image = renderSymbol(symbol, Qt::white, 16);
        int covered = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                covered += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GT(covered, 12) << name;
        EXPECT_LT(covered, 16 * 16) << name;
    }
    EXPECT_FALSE(hasSymbol(QStringLiteral("no.such.symbol")));
}

TEST(Symbols, drawnInTheColourAskedFor) {
    const QImage image = renderSymbol(QStringLiteral("square.fill"), QColor(0, 200, 0), 16);
    EXPECT_EQ(image.pixelColor(8, 8), QColor(0, 200, 0));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}

TEST(Symbols, renderedAtTheScreensPixelsAtTwoX) {
    const QIcon icon = symbolIcon(QStringLiteral("square.fill"), Qt::white);
    const QPixmap one = icon.pixmap(QSize(16, 16), 1.0);
    const QPixmap two = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(one.size(), QSize(16, 16));
    EXPECT_EQ(two.size(), QSize(32, 32));
    EXPECT_EQ(two.devicePixelRatio(), 2.0);
    // Crisp, not upscaled: the square's straight edge is one soft pixel wide at 2× as at 1×.
    const QImage sharp = two.toImage();
    int soft = 0;
    for (int x = 0; x < 32; ++x) {
        const int alpha = qAlpha(sharp.pixel(x, 16));
        soft += alpha > 10 && alpha < 245 ? 1 : 0;
    }
    EXPECT_LE(soft, 2);
}

} // namespace
} // namespace glyphon::test
