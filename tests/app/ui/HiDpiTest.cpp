// Runs with QT_SCALE_FACTOR=2: every point is two device pixels, as on a high-density screen.
#include "ButtonStyles.h"
#include "ContentView.h"
#include "IconButton.h"
#include "ImageArea.h"
#include "MainWindow.h"
#include "UiTestSupport.h"

#include <QTest>

namespace glyphon::test {
namespace {

class HiDpiTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        ASSERT_EQ(m_window->devicePixelRatioF(), 2.0);
    }
};

TEST_F(HiDpiTest, thePreviewIsResampledToTheScreensPixels) {
    // The disc's rim must be as fine as a picture made for that many pixels, not a 1× picture blown up
    // into 2 × 2 blocks.
    dropPicture();
    ImageArea *area = m_window->contentView()->imageArea();
    // At this width the corner buttons lie over the picture's top right; only the picture is measured.
    for (IconButton *button : {area->clearButton(), area->appearancesButton(), area->gridButton()})
        button->hide();
    const QImage shot = area->grab().toImage();
    ASSERT_EQ(shot.size(), area->size() * 2);
    const QRect pixels =
        QRectF(area->previewRect().topLeft() * 2, area->previewRect().size() * 2).toAlignedRect();
    const QImage reference = state().processedPreviewImage()->bitmap().scaled(
        pixels.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int differing = 0;
    for (int y = 0; y < pixels.height(); y += 3)
        for (int x = 0; x < pixels.width(); ++x)
            differing += qAbs(qGray(shot.pixel(pixels.left() + x, pixels.top() + y)) -
                              qGray(reference.pixel(x, y))) > 8
                             ? 1
                             : 0;
    EXPECT_LE(differing, 2);
}

TEST_F(HiDpiTest, symbolsAreDrawnAtTheScreensPixels) {
    dropPicture();
    state().toggleGridView();
    IconButton *button = m_window->contentView()->imageArea()->gridButton();
    ASSERT_EQ(button->symbol(), QStringLiteral("square.fill"));
    const QImage shot = button->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(64, 64));
    // Across the middle of the filled square, the edge from backing to white takes at most one
    // in-between pixel on each side.
    int soft = 0;
    for (int x = 0; x < 64; ++x) {
        const int level = qGray(shot.pixel(x, 32));
        soft += level > 90 && level < 235 ? 1 : 0;
    }
    EXPECT_LE(soft, 2);
}

TEST_F(HiDpiTest, generateStaysSixtyPointsHigh) {
    StyledButton *generate = m_window->contentView()->generateButton();
    EXPECT_EQ(generate->height(), CustomButtonStyle::height);
    EXPECT_EQ(generate->grab().height(), 2 * CustomButtonStyle::height);
}

} // namespace
} // namespace glyphon::test
