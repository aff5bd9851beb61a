#include "IconButton.h"

#include "Symbols.h"
#include "Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace glyphon {

IconButton::IconButton(const QString &symbol, const QString &helpText, QWidget *parent)
    : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    // Repaints on pointer enter and leave, so the hover backing follows underMouse().
    setAttribute(Qt::WA_Hover);
    setFixedSize(sizeHint());
    setSymbol(symbol, helpText);
}

void IconButton::setSymbol(const QString &symbol, const QString &helpText) {
    m_symbol = symbol;
    setToolTip(helpText);
    setAccessibleName(helpText);
    update();
}

void IconButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 6, 6);
    const float backing = isDown() ? 0.55f : (underMouse() ? 0.45f : 0.3f);
    painter.fillPath(shape, QColor::fromRgbF(0, 0, 0, backing));
    symbolIcon(m_symbol, Qt::white).paint(&painter, QRect(inset, inset, symbolSize, symbolSize));
    if (hasFocus())
        drawFocusRing(painter, QRectF(rect()), 6);
}

} // namespace glyphon
