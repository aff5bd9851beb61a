// Runs on a virtual screen given by its registration: GLYPHON_EXPECTED_SCREEN names the screen's size in
// logical pixels, so a registration that did not get the screen it asked for fails instead of passing.
#include "ButtonStyles.h"
#include "ContentView.h"
#include "DisclosureGroup.h"
#include "ImageArea.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace glyphon::test {
namespace {

class ScreenFitWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        const QStringList expected =
            qEnvironmentVariable("GLYPHON_EXPECTED_SCREEN").split(QLatin1Char('x'), Qt::SkipEmptyParts);
        ASSERT_EQ(expected.size(), 2) << "GLYPHON_EXPECTED_SCREEN must be set, as 640x500";
        ASSERT_EQ(m_window->screen()->geometry().size(), QSize(expected[0].toInt(), expected[1].toInt()));
        // Let the fit run, a turn after the window is shown.
        QTest::qWait(50);
    }

    QImage capture(const QString &name) {
        const QSize screen = m_window->screen()->size() * m_window->devicePixelRatio();
        return captureWindow(
            QDir(QStringLiteral(GLYPHON_SCREENSHOT_DIR))
                .filePath(
                    QStringLiteral("fit-%1x%2-%3.png").arg(screen.width()).arg(screen.height()).arg(name)));
    }

    bool windowScrolls() { return view().scrollArea()->verticalScrollBar()->isVisible(); }
};

TEST_F(ScreenFitWindowTest, theWindowFitsTheScreensAvailableArea) {
    const QRect available = m_window->screen()->availableGeometry();
    capture(QStringLiteral("1-placeholder"));
    EXPECT_TRUE(available.contains(m_window->frameGeometry()))
        << m_window->frameGeometry().height() << " high in " << available.height();
    EXPECT_LE(m_window->minimumHeight(), available.height());
    EXPECT_LE(m_window->minimumWidth(), available.width());
    // Where the area allows, the window keeps its 500-point minimum.
    EXPECT_EQ(m_window->minimumSize(), QSize(500, 500).boundedTo(available.size()));
    // The collapsed window needs no scrolling even on the smallest of these screens.
    EXPECT_FALSE(windowScrolls());
    EXPECT_EQ(view().generateButton()->height(), CustomButtonStyle::height);
}

TEST_F(ScreenFitWindowTest, aWindowAskedToGrowPastTheScreenIsBroughtBack) {
    const QRect available = m_window->screen()->availableGeometry();
    m_window->resize(available.width() + 200, available.height() + 200);
    m_window->hide();
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    ASSERT_TRUE(waitUntil([&] { return available.contains(m_window->frameGeometry()); }, 2000))
        << m_window->frameGeometry().width() << "x" << m_window->frameGeometry().height();
}

TEST_F(ScreenFitWindowTest, withTheSettingsOpenWhatDoesNotFitIsAScrollAway) {
    dropPicture();
    state().setWithRoundedCorners(true);
    state().setWithPadding(true);
    state().setWithTint(true);
    state().setIsExpanded(true);
    capture(QStringLiteral("2-settings-open"));
    const QRect available = m_window->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(m_window->frameGeometry()));
    // The window scrolls only when its content really needs more room than it has.
    QWidget *column = view().scrollArea()->widget();
    const bool needsMore = column->minimumSizeHint().height() > view().scrollArea()->viewport()->height();
    EXPECT_EQ(windowScrolls(), needsMore);
    StyledButton *generate = view().generateButton();
    EXPECT_EQ(generate->height(), CustomButtonStyle::height);
    EXPECT_EQ(generate->mapTo(column, QPoint(0, generate->height())).y(), column->height());
}

} // namespace
} // namespace glyphon::test
