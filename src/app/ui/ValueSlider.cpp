#include "ValueSlider.h"

#include "Theme.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
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
    setStyleSheet(styleSheetText());
    connect(this, &QSlider::valueChanged, this, &ValueSlider::onValueChanged);
}

QString ValueSlider::styleSheetText() {
    const QString accent = namedColor(u"AppColor").name();
    return QStringLiteral("QSlider { min-height: 20px; }"
                          "QSlider::groove:horizontal { height: 4px; border-radius: 2px;"
                          " background: rgba(255, 255, 255, 36); }"
                          "QSlider::sub-page:horizontal { height: 4px; border-radius: 2px; background: %1; }"
                          "QSlider::handle:horizontal { width: 14px; height: 14px; margin: -5px 0;"
                          " border-radius: 7px; background: #f2f2f4; }"
                          "QSlider::sub-page:horizontal:disabled { background: rgba(255, 255, 255, 50); }"
                          "QSlider::handle:horizontal:disabled { background: #6a6a70; }")
        .arg(accent);
}

void ValueSlider::paintEvent(QPaintEvent *event) {
    QSlider::paintEvent(event);
    if (!hasFocus())
        return;
    // Around the handle with a gap: on the light handle itself a ring would not show.
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRectF handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    QPainter painter(this);
    const qreal room = 3;
    drawFocusRing(painter, handle.adjusted(-room, -room, room, room), handle.height() / 2 + room);
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
