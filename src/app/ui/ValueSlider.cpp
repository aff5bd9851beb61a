#include "ValueSlider.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

namespace glyphon {

ValueSlider::ValueSlider(double minimum, double maximum, double step, int unitsPerValue, QWidget *parent)
    : QSlider(Qt::Horizontal, parent), m_minimum(minimum), m_maximum(maximum), m_step(step),
      m_units(unitsPerValue) {
    setRange(qRound(minimum * m_units), qRound(maximum * m_units));
    setSingleStep(qRound(step * m_units));
    setPageStep(qRound(step * m_units) * 5);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::valueChanged, this, &ValueSlider::onValueChanged);
}

void ValueSlider::showValue(double value) {
    const QSignalBlocker blocker(this);
    if (!std::isfinite(value))
        value = m_minimum;
    setValue(int(std::lround(std::clamp(value, m_minimum, m_maximum) * m_units)));
}

void ValueSlider::onValueChanged(int units) {
    const int stepUnits = singleStep();
    const int snapped =
        qBound(minimum(), minimum() + int(std::lround(double(units - minimum()) / stepUnits)) * stepUnits,
               maximum());
    if (snapped != units) {
        // Dragging lands between steps; the snapped value reports itself through this same slot.
        setValue(snapped);
        return;
    }
    emit valueEdited(units / double(m_units));
}

} // namespace glyphon
