#pragma once

#include "SettingsSchema.h"

#include <QColorDialog>
#include <QList>
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace glyphon {

class ColorWell;
class ContentViewState;
class ValueSlider;

// The effect settings: three checkboxes, each with a value row that holds its place with an empty
// 20-point block while the effect is off, a divider and "Reset to Defaults". Bound to the state; it
// holds nothing of its own except the open colour picker.
class SettingsPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int hiddenRowHeight = 20;

    explicit SettingsPanel(ContentViewState &state, QWidget *parent = nullptr);

    // "229 px": whole pixels, truncated toward zero.
    static QString pixelText(double pixels);
    // "20%": an opacity from 0 to 1 as whole percent, truncated toward zero.
    static QString percentText(double opacity);

    QCheckBox *roundedCornersCheckBox() const { return m_roundedCorners; }
    QCheckBox *paddingCheckBox() const { return m_padding; }
    QCheckBox *tintCheckBox() const { return m_tint; }
    QWidget *radiusRow() const { return m_radiusRow; }
    QWidget *paddingRow() const { return m_paddingRow; }
    QWidget *tintRow() const { return m_tintRow; }
    ValueSlider *radiusSlider() const { return m_radiusSlider; }
    ValueSlider *paddingSlider() const { return m_paddingSlider; }
    ValueSlider *opacitySlider() const { return m_opacitySlider; }
    QLabel *radiusText() const { return m_radiusText; }
    QLabel *paddingText() const { return m_paddingText; }
    QLabel *opacityText() const { return m_opacityText; }
    ColorWell *colorWell() const { return m_colorWell; }
    QPushButton *resetButton() const { return m_reset; }
    QColorDialog *colorPicker() const { return m_picker; }

    // Opens the colour picker on the selected colour, editing it live.
    void openColorPicker();

signals:
    // Sent just before "Reset to Defaults" changes the settings, while the old look is still on screen.
    void fadeRequested();

private:
    // An effect's checkbox, the setting it switches and the row it shows while on.
    struct EffectSwitch {
        QCheckBox *box;
        Setting<bool> setting;
        QWidget *row;
    };
    // A slider, the setting it moves and the text that shows the value.
    struct EffectValue {
        ValueSlider *slider;
        Setting<double> setting;
        QLabel *text;
        QString (*format)(double);
    };

    void bind();
    void refresh();

    ContentViewState &m_state;
    QCheckBox *m_roundedCorners;
    QCheckBox *m_padding;
    QCheckBox *m_tint;
    QWidget *m_radiusRow;
    QWidget *m_paddingRow;
    QWidget *m_tintRow;
    ValueSlider *m_radiusSlider;
    ValueSlider *m_paddingSlider;
    ValueSlider *m_opacitySlider;
    QLabel *m_radiusText;
    QLabel *m_paddingText;
    QLabel *m_opacityText;
    ColorWell *m_colorWell;
    QPushButton *m_reset;
    QPointer<QColorDialog> m_picker;
    QList<EffectSwitch> m_switches;
    QList<EffectValue> m_values;
};

} // namespace glyphon
