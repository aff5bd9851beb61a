#include "ColorWell.h"

#include "Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace glyphon {

ColorWell::ColorWell(QWidget *parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void ColorWell::setColor(const QColor &color) {
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void ColorWell::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath outer;
    outer.addRoundedRect(frame, 5, 5);
    painter.fillPath(outer, QColor::fromRgbF(1, 1, 1, isDown() ? 0.2f : 0.12f));

    const QRectF swatch = frame.adjusted(3, 3, -3, -3);
    QPainterPath inner;
    inner.addRoundedRect(swatch, 3, 3);
    painter.save();
    painter.setClipPath(inner);
    const int cell = 5;
    for (int y = 0; y * cell < swatch.height(); ++y)
        for (int x = 0; x * cell < swatch.width(); ++x)
            painter.fillRect(QRectF(swatch.left() + x * cell, swatch.top() + y * cell, cell, cell),
                             (x + y) % 2 ? QColor(0x9a, 0x9a, 0x9a) : QColor(0xe0, 0xe0, 0xe0));
    painter.fillRect(swatch, m_color);
    painter.restore();

    painter.setPen(QPen(QColor(255, 255, 255, 40), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outer);
    if (hasFocus())
        drawFocusRing(painter, QRectF(rect()), 6);
}

} // namespace glyphon
