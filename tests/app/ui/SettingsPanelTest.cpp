#include "SettingsPanel.h"
#include "ColorWell.h"
#include "UiTestSupport.h"
#include "ValueSlider.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

namespace glyphon::test {
namespace {

class SettingsPanelTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        m_panel = std::make_unique<SettingsPanel>(state());
        m_panel->resize(460, m_panel->sizeHint().height());
        m_panel->show();
    }
    void TearDown() override {
        m_panel.reset();
        UiFixture::TearDown();
    }

    SettingsPanel &panel() { return *m_panel; }
    std::unique_ptr<SettingsPanel> m_panel;
};

TEST_F(SettingsPanelTest, withEffectsOffTheValueColumnHoldsThreeEmptyTwentyPointBlocks) {
    for (QWidget *row : {panel().radiusRow(), panel().paddingRow(), panel().tintRow()}) {
        EXPECT_EQ(row->height(), SettingsPanel::hiddenRowHeight);
        EXPECT_TRUE(row->isVisible());
    }
    EXPECT_FALSE(panel().radiusSlider()->isVisible());
    EXPECT_FALSE(panel().paddingSlider()->isVisible());
    EXPECT_FALSE(panel().opacitySlider()->isVisible());
    EXPECT_FALSE(panel().colorWell()->isVisible());
}

TEST_F(SettingsPanelTest, rowsStayLevelWithTheirCheckboxes) {
    state().setWithPadding(true);
    QApplication::processEvents();
    for (auto [box, row] :
         {std::pair<QWidget *, QWidget *>{panel().roundedCornersCheckBox(), panel().radiusRow()},
          {panel().paddingCheckBox(), panel().paddingRow()},
          {panel().tintCheckBox(), panel().tintRow()}})
        EXPECT_NEAR(box->geometry().center().y(), row->geometry().center().y(), 1);
}

TEST_F(SettingsPanelTest, beforeADropNoSettingCanBeChanged) {
    state().setWithRoundedCorners(true);
    state().setWithPadding(true);
    state().setWithTint(true);
    for (QWidget *control : std::initializer_list<QWidget *>{
             panel().roundedCornersCheckBox(), panel().paddingCheckBox(), panel().tintCheckBox(),
             panel().radiusSlider(), panel().paddingSlider(), panel().colorWell(), panel().resetButton(),
             panel().opacitySlider()})
        EXPECT_FALSE(control->isEnabled()) << control->accessibleName().toStdString();
    EXPECT_TRUE(panel().opacitySlider()->isVisible());

    // The opacity slider shows its value but neither keys nor the wheel move it.
    panel().opacitySlider()->setFocus();
    QTest::keyClick(panel().opacitySlider(), Qt::Key_Right);
    QWheelEvent wheel(QPointF(10, 10), panel().opacitySlider()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(panel().opacitySlider(), &wheel);
    EXPECT_DOUBLE_EQ(state().tintOpacity(), 0.2);

    dropPicture();
    for (QWidget *control : std::initializer_list<QWidget *>{
             panel().roundedCornersCheckBox(), panel().paddingCheckBox(), panel().tintCheckBox(),
             panel().radiusSlider(), panel().paddingSlider(), panel().colorWell(), panel().resetButton(),
             panel().opacitySlider()})
        EXPECT_TRUE(control->isEnabled()) << control->accessibleName().toStdString();

    state().clearImage();
    settle();
    EXPECT_FALSE(panel().tintCheckBox()->isEnabled());
    EXPECT_FALSE(panel().opacitySlider()->isEnabled());
}

TEST_F(SettingsPanelTest, checkboxesWriteTheirSettingsAndShowTheirRows) {
    dropPicture();
    QTest::mouseClick(panel().roundedCornersCheckBox(), Qt::LeftButton);
    EXPECT_TRUE(state().withRoundedCorners());
    EXPECT_TRUE(panel().radiusSlider()->isVisible());
    EXPECT_EQ(panel().radiusText()->text(), QStringLiteral("229 px"));
    EXPECT_EQ(panel().radiusSlider()->currentValue(), 229.0);
    // Shown between steps, the default is not rewritten to the nearest step.
    EXPECT_EQ(state().roundedCornersPx(), 229.0);

    QTest::mouseClick(panel().roundedCornersCheckBox(), Qt::LeftButton);
    EXPECT_FALSE(state().withRoundedCorners());
    EXPECT_FALSE(panel().radiusSlider()->isVisible());
    EXPECT_EQ(panel().radiusRow()->height(), SettingsPanel::hiddenRowHeight);
    // The value under a hidden row stays.
    EXPECT_EQ(state().roundedCornersPx(), 229.0);
}

TEST_F(SettingsPanelTest, slidersHaveTheirRangesAndSteps) {
    struct Expectation {
        ValueSlider *slider;
        double minimum, maximum, step;
    };
    for (const Expectation &e :
         {Expectation{panel().radiusSlider(), 100, 300, 5}, Expectation{panel().paddingSlider(), 0, 300, 10},
          Expectation{panel().opacitySlider(), 0, 1, 0.05}}) {
        EXPECT_EQ(e.slider->minimumValue(), e.minimum);
        EXPECT_EQ(e.slider->maximumValue(), e.maximum);
        EXPECT_EQ(e.slider->step(), e.step);
        EXPECT_EQ(e.slider->width(), 150);
    }
}

TEST_F(SettingsPanelTest, theRadiusMovesInStepsOfFiveFromItsLowerBound) {
    dropPicture();
    state().setWithRoundedCorners(true);
    ValueSlider *slider = panel().radiusSlider();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(state().roundedCornersPx(), 235.0);
    EXPECT_EQ(panel().radiusText()->text(), QStringLiteral("235 px"));
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(state().roundedCornersPx(), 225.0);
    // A drag that lands between steps reports the nearest step.
    slider->setValue(183);
    EXPECT_EQ(state().roundedCornersPx(), 185.0);
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(state().roundedCornersPx(), 100.0);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(state().roundedCornersPx(), 300.0);
}

TEST_F(SettingsPanelTest, paddingReachesZeroAndSaysSo) {
    dropPicture();
    state().setWithPadding(true);
    EXPECT_EQ(panel().paddingText()->text(), QStringLiteral("100 px"));
    panel().paddingSlider()->setFocus();
    QTest::keyClick(panel().paddingSlider(), Qt::Key_Home);
    EXPECT_EQ(state().paddingPx(), 0.0);
    EXPECT_EQ(panel().paddingText()->text(), QStringLiteral("0 px"));
    QTest::keyClick(panel().paddingSlider(), Qt::Key_Right);
    EXPECT_EQ(state().paddingPx(), 10.0);
}

TEST_F(SettingsPanelTest, theTintRowShowsTwentyPercentAndMovesInFivePercentSteps) {
    dropPicture();
    state().setWithTint(true);
    EXPECT_EQ(panel().opacityText()->text(), QStringLiteral("20%"));
    panel().opacitySlider()->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(panel().opacitySlider(), Qt::Key_Right);
    EXPECT_DOUBLE_EQ(state().tintOpacity(), 0.35);
    EXPECT_EQ(panel().opacityText()->text(), QStringLiteral("35%"));
    QTest::keyClick(panel().opacitySlider(), Qt::Key_End);
    EXPECT_EQ(panel().opacityText()->text(), QStringLiteral("100%"));
    QTest::keyClick(panel().opacitySlider(), Qt::Key_Home);
    EXPECT_EQ(panel().opacityText()->text(), QStringLiteral("0%"));
}

TEST(SettingsPanelTexts, valueTextsTruncateTowardZero) {
    EXPECT_EQ(SettingsPanel::pixelText(229.0), QStringLiteral("229 px"));
    EXPECT_EQ(SettingsPanel::pixelText(229.9), QStringLiteral("229 px"));
    EXPECT_EQ(SettingsPanel::pixelText(0.0), QStringLiteral("0 px"));
    EXPECT_EQ(SettingsPanel::pixelText(-0.5), QStringLiteral("0 px"));
    EXPECT_EQ(SettingsPanel::percentText(0.2), QStringLiteral("20%"));
    EXPECT_EQ(SettingsPanel::percentText(0.999), QStringLiteral("99%"));
    // 0.29 × 100 is 28.999… in binary; a person set 29 %.
    EXPECT_EQ(SettingsPanel::percentText(0.29), QStringLiteral("29%"));
    // Values no slider makes, from a damaged store, show something sane instead of garbage.
    EXPECT_EQ(SettingsPanel::pixelText(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("0 px"));
    EXPECT_EQ(SettingsPanel::pixelText(std::numeric_limits<double>::infinity()), QStringLiteral("0 px"));
    EXPECT_EQ(SettingsPanel::pixelText(1e300), QStringLiteral("0 px"));
}

TEST_F(SettingsPanelTest, resetRestoresTheDefaultsAndHidesTheRows) {
    dropPicture();
    state().setWithRoundedCorners(true);
    state().setRoundedCornersPx(150);
    state().setWithTint(true);
    state().setTintOpacity(0.6);
    QTest::mouseClick(panel().resetButton(), Qt::LeftButton);
    EXPECT_FALSE(state().withRoundedCorners());
    EXPECT_EQ(state().roundedCornersPx(), 229.0);
    EXPECT_FALSE(state().withTint());
    EXPECT_DOUBLE_EQ(state().tintOpacity(), 0.2);
    EXPECT_FALSE(panel().radiusSlider()->isVisible());
    EXPECT_FALSE(panel().opacitySlider()->isVisible());
    EXPECT_FALSE(panel().roundedCornersCheckBox()->isChecked());
}

TEST_F(SettingsPanelTest, pickingAColourStoresItsComponentsAndCancelPutsItBack) {
    dropPicture();
    state().setWithTint(true);
    QTest::mouseClick(panel().colorWell(), Qt::LeftButton);
    QColorDialog *picker = panel().colorPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->testOption(QColorDialog::ShowAlphaChannel));
    EXPECT_TRUE(picker->isVisible());

    picker->setCurrentColor(QColor::fromRgbF(1.0f, 0.5f, 0.0f, 0.5f));
    EXPECT_NEAR(state().colorSelection().red, 1.0, 1e-3);
    EXPECT_NEAR(state().colorSelection().alpha, 0.5, 3e-3);
    EXPECT_NEAR(state().tintColorRed(), 1.0, 1e-3);
    EXPECT_NEAR(state().tintColorGreen(), 0.5, 1e-2);
    EXPECT_NEAR(state().tintColorOpacity(), 0.5, 3e-3);
    EXPECT_EQ(panel().colorWell()->color().red(), 255);

    picker->reject();
    EXPECT_EQ(state().colorSelection(), (Color{0, 0, 1, 1}));
    EXPECT_EQ(state().tintColorBlue(), 1.0);
    EXPECT_EQ(state().tintColorRed(), 0.0);
}

TEST_F(SettingsPanelTest, everyControlExplainsItself) {
    const QList<std::pair<QWidget *, const char *>> help = {
        {panel().roundedCornersCheckBox(), "Apply rounded corners to the icon (recommended for macOS apps)"},
        {panel().paddingCheckBox(), "Add padding around the icon"},
        {panel().tintCheckBox(), "Overlay a color tint on the icon"},
        {panel().radiusSlider(), "Adjust the corner radius in pixels"},
        {panel().paddingSlider(), "Adjust the padding amount in pixels"},
        {panel().colorWell(), "Choose tint color"},
        {panel().opacitySlider(), "Adjust tint opacity"},
        {panel().resetButton(), "Reset all settings to their default values"}};
    for (const auto &[control, text] : help) {
        EXPECT_EQ(control->toolTip(), QString::fromUtf8(text));
        EXPECT_FALSE(control->accessibleName().isEmpty()) << text;
    }
    EXPECT_EQ(panel().roundedCornersCheckBox()->text(), QStringLiteral("Rounded corners"));
    EXPECT_EQ(panel().paddingCheckBox()->text(), QStringLiteral("With padding"));
    EXPECT_EQ(panel().tintCheckBox()->text(), QStringLiteral("Apply color tint"));
    EXPECT_EQ(panel().resetButton()->text(), QStringLiteral("Reset to Defaults"));
}

} // namespace
} // namespace glyphon::test
