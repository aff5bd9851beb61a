#include "AppearancesView.h"
#include "ContentView.h"
#include "IconButton.h"
#include "IconGridPreview.h"
#include "ImageArea.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QTest>

namespace glyphon::test {
namespace {

class AppearancesViewTest : public WindowFixture {
protected:
    ImageArea &area() { return *view().imageArea(); }
    IconButton &button() { return *area().appearancesButton(); }
    AppearancesView &appearances() { return *area().appearances(); }

    void showTiles() {
        dropPicture();
        QTest::mouseClick(&button(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([this] {
            settle();
            return !state().appearanceTiles().isEmpty() && !state().isRenderingAppearances();
        }));
        QApplication::processEvents();
    }
};

TEST_F(AppearancesViewTest, theThirdButtonSitsBesideTheGridButtonAndSwapsTheViews) {
    EXPECT_FALSE(button().isVisible());
    dropPicture();
    ASSERT_TRUE(button().isVisible());
    EXPECT_EQ(button().symbol(), QStringLiteral("circle.lefthalf.filled"));
    EXPECT_EQ(button().toolTip(), QStringLiteral("Show appearances"));
    const QRect clear = area().clearButton()->geometry();
    const QRect middle = button().geometry();
    const QRect grid = area().gridButton()->geometry();
    EXPECT_EQ(middle.size(), grid.size());
    EXPECT_EQ(middle.top(), grid.top());
    EXPECT_EQ(grid.left() - middle.right() - 1, 8);
    EXPECT_LT(clear.right(), middle.left());

    QTest::mouseClick(&button(), Qt::LeftButton);
    EXPECT_TRUE(state().showAppearances());
    EXPECT_TRUE(appearances().isVisible());
    EXPECT_FALSE(area().grid()->isVisible());
    EXPECT_TRUE(area().previewRect().isEmpty());
    EXPECT_EQ(button().symbol(), QStringLiteral("square.fill"));
    EXPECT_EQ(button().accessibleName(), QStringLiteral("Show single preview"));
    EXPECT_EQ(area().gridButton()->symbol(), QStringLiteral("square.grid.2x2.fill"));

    // From the appearances straight to the grid, and back to the single preview.
    QTest::mouseClick(area().gridButton(), Qt::LeftButton);
    EXPECT_TRUE(area().grid()->isVisible());
    EXPECT_FALSE(appearances().isVisible());
    EXPECT_EQ(button().symbol(), QStringLiteral("circle.lefthalf.filled"));
    QTest::mouseClick(&button(), Qt::LeftButton);
    QTest::mouseClick(&button(), Qt::LeftButton);
    EXPECT_FALSE(appearances().isVisible());
    EXPECT_FALSE(area().grid()->isVisible());
    EXPECT_FALSE(area().previewRect().isEmpty());
}

TEST_F(AppearancesViewTest, theContactSheetsTilesMatchTheWindows) {
    showTiles();
    const QList<AppearanceTile> &tiles = state().appearanceTiles();
    ASSERT_EQ(appearances().tiles().size(), tiles.size());
    const QImage sheet = composeSheet(tiles);
    const SheetLayout sheetLayout = composedLayout(tiles);
    const SheetLayout viewLayout = appearances().sheetLayout();
    ASSERT_EQ(viewLayout.tiles.size(), tiles.size());
    const QImage shown = appearances().canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        const QImage inWindow = shown.copy(viewLayout.tiles[i]);
        const QImage inSheet = sheet.copy(sheetLayout.tiles[i]).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(inWindow, inSheet) << tiles[i].label.toStdString();
    }
}

TEST_F(AppearancesViewTest, theSafeZonesToggleIsBoundToTheStateBothWays) {
    showTiles();
    QCheckBox *toggle = appearances().safeZonesToggle();
    EXPECT_EQ(toggle->text(), QStringLiteral("show safe zones"));
    EXPECT_TRUE(toggle->isVisible());
    EXPECT_FALSE(toggle->isChecked());
    const QImage before = appearances().tiles().first().image;
    toggle->click();
    EXPECT_TRUE(state().showSafeZones());
    ASSERT_TRUE(waitUntil([this] {
        settle();
        return !state().isRenderingAppearances();
    }));
    EXPECT_NE(appearances().tiles().first().image, before);
    state().setShowSafeZones(false);
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(AppearancesViewTest, theViewScrollsOverTheAreasOwnGroundWithEveryLabel) {
    showTiles();
    QScrollBar *bar = appearances().verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0) << "the tiles are taller than the window";
    // The corner buttons stay clear of the scroll bar.
    EXPECT_LE(area().gridButton()->geometry().right(), area().width() - bar->width() - 10);
    // No ground of its own: above the toggle the area's colour shows as it does around the single preview.
    const QPoint probe(area().width() / 2, 4);
    const QColor withTiles = area().grab().toImage().pixelColor(probe);
    QTest::mouseClick(&button(), Qt::LeftButton);
    const QColor single = area().grab().toImage().pixelColor(probe);
    EXPECT_EQ(withTiles, single);

    // Every label is as wide as its text needs and lies under its tile.
    QTest::mouseClick(&button(), Qt::LeftButton);
    const SheetLayout layout = appearances().sheetLayout();
    QFont font = appearances().canvas()->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    const QFontMetrics metrics(font);
    for (qsizetype i = 0; i < layout.labels.size(); ++i) {
        EXPECT_GE(layout.labels[i].width(), metrics.horizontalAdvance(appearances().tiles()[i].label));
        EXPECT_GT(layout.labels[i].top(), layout.tiles[i].bottom());
    }
}

} // namespace
} // namespace glyphon::test
