// The window at its smallest size and in the states where its layout used to fail: saved as PNGs under
// the build folder and measured as a person would look at them.
#include "ContentView.h"
#include "DisclosureGroup.h"
#include "IconButton.h"
#include "IconGridPreview.h"
#include "ImageArea.h"
#include "SettingsPanel.h"
#include "TestSupport.h"
#include "Theme.h"
#include "UiTestSupport.h"
#include "imaging/SourceLoader.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <functional>

namespace glyphon::test {
namespace {

QString screenshotPath(const QString &name) {
    QDir().mkpath(QStringLiteral(GLYPHON_SCREENSHOT_DIR));
    return QDir(QStringLiteral(GLYPHON_SCREENSHOT_DIR)).filePath(name + QStringLiteral(".png"));
}

bool near(const QColor &a, const QColor &b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

// Screen pixels in rect (window coordinates) close to colour.
int pixelsNear(const QImage &shot, const QRect &rect, const QColor &color, int tolerance = 40) {
    int count = 0;
    const QRect inside = rect.intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += near(shot.pixelColor(x, y), color, tolerance) ? 1 : 0;
    return count;
}

class LayoutScreenshotTest : public WindowFixture {
protected:
    QImage capture(const QString &name) { return captureWindow(screenshotPath(name)); }

    void dropFile(const QString &relative) {
        const QString file = sourcePath(relative);
        const Result<Image> loaded = loadSourceImage(file);
        ASSERT_TRUE(loaded);
        state().acceptImage(QUrl::fromLocalFile(file), *loaded);
        settle();
    }

    // Where a widget sits in the captured picture of the window.
    QRect onScreen(QWidget *widget) { return QRect(widget->mapTo(m_window.get(), QPoint()), widget->size()); }

    bool windowScrolls() { return view().scrollArea()->verticalScrollBar()->isVisible(); }
};

TEST_F(LayoutScreenshotTest, theKeyboardFocusOnResetShowsItsRing) {
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    dropFile(QStringLiteral("resources/samples/apple-1024.png"));
    state().setWithRoundedCorners(true);
    state().setIsExpanded(true);
    view().settingsGroup()->finishAnimation();
    QPushButton *reset = view().settingsPanel()->resetButton();
    const QImage before = capture(QStringLiteral("focus-0-none"));
    reset->setFocus(Qt::TabFocusReason);
    const QImage after = capture(QStringLiteral("focus-1-reset"));
    // The ring runs along the button's edge, where nothing else is drawn.
    const QRect button = onScreen(reset);
    const QRect edge(button.left() + 8, button.top(), button.width() - 16, 2);
    EXPECT_EQ(pixelsNear(before, edge, focusRingColor(), 24), 0);
    EXPECT_GT(pixelsNear(after, edge, focusRingColor(), 24), edge.width());
}

TEST_F(LayoutScreenshotTest, everySettingOnAtTheSmallestSizeFitsWithoutAScrollBar) {
    dropFile(QStringLiteral("resources/samples/apple-1024.png"));
    state().setWithRoundedCorners(true);
    state().setWithPadding(true);
    state().setIsExpanded(true);
    capture(QStringLiteral("layout-1-corners-padding"));
    state().setWithTint(true);
    capture(QStringLiteral("layout-2-tint-on"));
    ASSERT_EQ(m_window->size(), QSize(500, 500));
    EXPECT_FALSE(windowScrolls());
    // The image area spans the window, so the grid button keeps its place 10 from the right edge.
    ImageArea *area = view().imageArea();
    EXPECT_EQ(area->width(), m_window->width());
    EXPECT_EQ(onScreen(area->gridButton()).right(), m_window->width() - 1 - 10);
    EXPECT_GE(area->height(), ImageArea::minimumAreaHeight);

    // A banner on top of it all still fits.
    state().setImageValidation(ImageValidation{true, QStringLiteral("Odd edge"), ValidationType::Warning});
    capture(QStringLiteral("layout-3-tint-and-banner"));
    EXPECT_FALSE(windowScrolls());
    EXPECT_GE(area->height(), ImageArea::minimumAreaHeight);
}

TEST_F(LayoutScreenshotTest, theGridsCaptionsStayBelowItsArtAtTheSmallestSize) {
    dropFile(QStringLiteral("resources/samples/apple-1024.png"));
    state().setWithRoundedCorners(true);
    state().toggleGridView();
    for (bool open : {false, true}) {
        state().setIsExpanded(open);
        capture(open ? QStringLiteral("layout-5-grid-settings-open") : QStringLiteral("layout-4-grid"));
        IconGridPreview *grid = view().imageArea()->grid();
        QWidget *content = grid->widget();
        const QList<ThumbnailTile *> tiles = grid->tiles();
        ASSERT_EQ(tiles.size(), 4);
        for (QLabel *caption : content->findChildren<QLabel *>()) {
            const QRect text(caption->mapTo(content, QPoint()), caption->size());
            for (ThumbnailTile *tile : tiles)
                EXPECT_FALSE(text.intersects(QRect(tile->mapTo(content, QPoint()), tile->size())))
                    << caption->text().toStdString() << " over the " << tile->edge() << " tile";
        }
        // One scroll bar, the grid's own, and the corner buttons beside it rather than over it.
        EXPECT_FALSE(windowScrolls());
        QScrollBar *bar = grid->verticalScrollBar();
        ASSERT_TRUE(bar->isVisible());
        EXPECT_FALSE(onScreen(bar).intersects(onScreen(view().imageArea()->gridButton())));
    }
}

// The bounding box of the pixels in area that pass the test.
QRect boundsOf(const QImage &shot, const QRect &area, const std::function<bool(const QColor &)> &test) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(shot.pixelColor(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST_F(LayoutScreenshotTest, aPictureThatIsNotSquareKeepsItsProportions) {
    // 1200 × 800: a blue field with a white disc, which a squashed preview would show as an ellipse.
    QImage wide(1200, 800, QImage::Format_ARGB32_Premultiplied);
    wide.fill(QColor(0x2f, 0x80, 0xed));
    {
        QPainter painter(&wide);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(400, 200, 400, 400));
    }
    m_window->resize(640, 820);
    state().acceptImage(QUrl::fromLocalFile(path(QStringLiteral("wide.png"))), Image(wide));
    state().setWithRoundedCorners(true);
    const auto blue = [](const QColor &c) { return c.blue() > 200 && c.red() < 90; };
    const auto white = [](const QColor &c) { return c.lightness() > 240; };

    const QImage single = capture(QStringLiteral("layout-6-wide-picture"));
    const QRect area = onScreen(view().imageArea());
    const QRect field = boundsOf(single, area, blue);
    EXPECT_NEAR(double(field.width()) / field.height(), 1.5, 0.02);
    const QRect disc = boundsOf(single, field, white);
    EXPECT_NEAR(disc.width(), disc.height(), 2);
    EXPECT_NEAR(disc.width(), field.width() / 3.0, 3);

    state().toggleGridView();
    const QImage grid = capture(QStringLiteral("layout-7-wide-picture-grid"));
    const QRect tile = onScreen(view().imageArea()->grid()->tiles().first());
    const QRect tileField = boundsOf(grid, tile, blue);
    EXPECT_NEAR(tileField.width(), 256, 1);
    EXPECT_NEAR(double(tileField.width()) / tileField.height(), 1.5, 0.03);
    const QRect tileDisc = boundsOf(grid, tileField, white);
    EXPECT_NEAR(tileDisc.width(), tileDisc.height(), 2);
}

TEST_F(LayoutScreenshotTest, theEmptyWindowSaysWhatToDoBelowThePlaceholder) {
    ImageArea *area = view().imageArea();
    for (bool open : {false, true}) {
        state().setIsExpanded(open);
        const QImage shot =
            capture(open ? QStringLiteral("empty-2-settings-open") : QStringLiteral("empty-1"));
        const QRectF art = area->previewRect();
        const QRectF hint = area->hintRect();
        ASSERT_FALSE(hint.isEmpty());
        EXPECT_GE(hint.top(), art.bottom());
        EXPECT_LE(hint.bottom(), area->height() - ImageArea::previewInset);
        // The line is really drawn there: light text pixels inside the hint's box.
        const QRect box = QRectF(QPointF(area->mapTo(m_window.get(), QPoint())) + hint.topLeft(), hint.size())
                              .toAlignedRect();
        int text = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                text += shot.pixelColor(x, y).lightness() > 110 ? 1 : 0;
        EXPECT_GT(text, 150) << open;
    }
    EXPECT_EQ(area->accessibleDescription(), QStringLiteral("Drop an image here or click to choose one"));
}

} // namespace
} // namespace glyphon::test
