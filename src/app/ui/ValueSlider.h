#pragma once

#include <QSlider>

namespace glyphon {

// A horizontal slider over a closed range of doubles that moves in fixed steps from its lower bound.
// It works in integer units (value × unitsPerValue) so keyboard, wheel and accessibility report real
// values; a value shown from outside may sit between steps until the user moves the slider.
class ValueSlider : public QSlider {
    Q_OBJECT
public:
    ValueSlider(double minimum, double maximum, double step, int unitsPerValue, QWidget *parent = nullptr);

    double minimumValue() const { return m_minimum; }
    double maximumValue() const { return m_maximum; }
    double step() const { return m_step; }
    // The value the handle stands for.
    double currentValue() const { return value() / double(m_units); }
    // Moves the handle to a value from the model without reporting it back.
    void showValue(double value);

signals:
    // The user moved the slider to a value on a step.
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static QString styleSheetText();
    void onValueChanged(int units);

    double m_minimum;
    double m_maximum;
    double m_step;
    int m_units;
};

} // namespace glyphon
