#include "ButtonStyles.h"
#include "ContentView.h"
#include "DisclosureGroup.h"
#include "SettingsPanel.h"
#include "Theme.h"
#include "UiTestSupport.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

namespace glyphon::test {
namespace {

// Pixels of a grab within reach of the ring's colour, antialiased edges included.
int ringPixels(QWidget *widget) {
    const QImage shot = widget->grab().toImage();
    const QColor ring = focusRingColor();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            count += qAbs(c.red() - ring.red()) < 40 && qAbs(c.green() - ring.green()) < 40 &&
                             qAbs(c.blue() - ring.blue()) < 40
                         ? 1
                         : 0;
        }
    return count;
}

class FocusRingTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    // Every widget of the window that Tab can land on, with the image and all settings shown.
    QList<QWidget *> tabStops(bool grid = false) {
        dropPicture();
        state().setShowGridView(grid);
        state().setWithRoundedCorners(true);
        state().setWithPadding(true);
        state().setWithTint(true);
        state().setIsExpanded(true);
        view().settingsGroup()->finishAnimation();
        QApplication::processEvents();
        QList<QWidget *> stops;
        for (QWidget *widget : m_window->findChildren<QWidget *>())
            if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
                widget->window() == m_window.get() && !widget->inherits("QScrollBar"))
                stops << widget;
        return stops;
    }
};

TEST_F(FocusRingTest, everyTabStopIsAControlThatShowsTheRing) {
    const QList<QWidget *> stops = tabStops();
    ASSERT_GE(stops.size(), 12);
    for (QWidget *stop : stops) {
        const std::string name = stop->accessibleName().toStdString();
        // Containers are passed over: the scroll areas hold controls, they are none.
        EXPECT_FALSE(stop->inherits("QAbstractScrollArea")) << stop->metaObject()->className();
        stop->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), stop) << name;
        const int focused = ringPixels(stop);
        stop->clearFocus();
        QApplication::processEvents();
        const int unfocused = ringPixels(stop);
        EXPECT_GE(focused - unfocused, 30) << name << ": " << focused << " vs " << unfocused;
    }
    // The size grid's scroll area is no stop either.
    for (QWidget *stop : tabStops(true))
        EXPECT_FALSE(stop->inherits("QAbstractScrollArea")) << stop->metaObject()->className();
}

TEST_F(FocusRingTest, aClickOnAButtonLeavesNoRingBehind) {
    tabStops();
    QWidget *checkBox = view().settingsPanel()->paddingCheckBox();
    checkBox->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(view().settingsPanel()->resetButton(), Qt::LeftButton);
    EXPECT_FALSE(state().withTint());
    EXPECT_EQ(QApplication::focusWidget(), checkBox);
    // Closing the panel takes its checkbox away; the focus then sits on a control outside it.
    QWidget *generate = view().generateButton();
    generate->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(view().settingsGroup()->header(), Qt::LeftButton);
    EXPECT_FALSE(state().isExpanded());
    EXPECT_EQ(QApplication::focusWidget(), generate);
}

} // namespace
} // namespace glyphon::test
