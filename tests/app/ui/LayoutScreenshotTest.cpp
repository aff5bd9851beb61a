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
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

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
    QImage capture(const QString &name) {
        settle();
        view().settingsGroup()->finishAnimation();
        QTest::qWait(50);
        QApplication::processEvents();
        const QRect area = m_window->frameGeometry();
        QImage shot =
            m_window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        EXPECT_TRUE(shot.save(screenshotPath(name)));
        return shot;
    }

    void dropFile(const QString &relative) {
        const QString file = sourcePath(relative);
        LoadResult loaded = loadSourceImage(file);
        ASSERT_TRUE(loaded.image.has_value());
        state().acceptImage(QUrl::fromLocalFile(file), *loaded.image);
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
    state().setImageValidation(ImageValidation{true, QStringLiteral("Odd edge"), ValidationType::warning});
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

} // namespace
} // namespace glyphon::test
