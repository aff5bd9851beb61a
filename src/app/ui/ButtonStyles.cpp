#include "ButtonStyles.h"

#include "Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace glyphon {

namespace {

QPen outlinePen(const QColor &color) {
    QPen pen(color, 1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

} // namespace

QFont CustomButtonStyle::labelFont(const QFont &base) const {
    QFont font = base;
    font.setWeight(QFont::Medium);
    return font;
}

QSize CustomButtonStyle::bodySize(const QFontMetrics &metrics, const QString &label) const {
    return {metrics.horizontalAdvance(label), height};
}

void CustomButtonStyle::makeBody(QPainter &painter, const QRectF &rect,
                                 const ButtonStyleConfiguration &configuration) const {
    painter.save();
    painter.setOpacity(painter.opacity() * (configuration.isPressed ? pressedOpacity : 1.0));
    painter.fillRect(rect, namedColor(u"AppColor"));
    painter.setFont(configuration.font);
    painter.setPen(Qt::white);
    painter.drawText(rect.adjusted(0, 12, 0, -12), Qt::AlignCenter, configuration.label);
    painter.restore();
}

QSize CapsuleButtonStyle::bodySize(const QFontMetrics &metrics, const QString &label) const {
    return {metrics.horizontalAdvance(label) + 2 * 12, metrics.height() + 2 * 6};
}

void CapsuleButtonStyle::makeBody(QPainter &painter, const QRectF &rect,
                                  const ButtonStyleConfiguration &configuration) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * (configuration.isPressed ? pressedOpacity : 1.0));
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    painter.fillPath(shape, fillColor());
    painter.setFont(configuration.font);
    painter.setPen(textColor(configuration.palette));
    painter.drawText(rect.adjusted(12, 6, -12, -6), Qt::AlignCenter, configuration.label);
    // A 1-point line centred on the edge would be half clipped away; draw it just inside.
    painter.setPen(outlinePen(outlineColor()));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    painter.restore();
}

QColor PrimaryButtonStyle::textColor(const QPalette &) const {
    return Qt::white;
}

QColor PrimaryButtonStyle::fillColor() const {
    return namedColor(u"AppColor");
}

QColor PrimaryButtonStyle::outlineColor() const {
    return QColor::fromRgbF(1, 1, 1, 0.1f);
}

QColor SecondaryButtonStyle::textColor(const QPalette &palette) const {
    return palette.color(QPalette::Active, QPalette::WindowText);
}

QColor SecondaryButtonStyle::fillColor() const {
    QColor gray(Qt::gray);
    gray.setAlphaF(0.2f);
    return gray;
}

QColor SecondaryButtonStyle::outlineColor() const {
    QColor gray(Qt::gray);
    gray.setAlphaF(0.3f);
    return gray;
}

StyledButton::StyledButton(const QString &label, std::unique_ptr<ButtonStyle> style, QWidget *parent)
    : QPushButton(label, parent), m_style(std::move(style)) {
    setAccessibleName(label);
    setCursor(Qt::PointingHandCursor);
    // Reached by Tab, not taken by a click: the ring then only marks where the keyboard is.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(m_style->spansWidth() ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    applyStyleFont();
}

QSize StyledButton::sizeHint() const {
    return m_style->bodySize(fontMetrics(), text());
}

QSize StyledButton::minimumSizeHint() const {
    return sizeHint();
}

void StyledButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    // The styles draw no disabled state; like any other control, a disabled one is faded as a whole.
    if (!isEnabled())
        painter.setOpacity(0.45);
    m_style->makeBody(painter, QRectF(rect()), {text(), isDown(), font(), palette()});
    // Inside the body's edge, so it shows on the full-width band as well as on the rounded buttons.
    if (hasFocus())
        drawFocusRing(painter, QRectF(rect()).adjusted(3, 3, -3, -3), 5);
}

void StyledButton::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange && font() != m_style->labelFont(font()))
        applyStyleFont();
    QPushButton::changeEvent(event);
}

void StyledButton::applyStyleFont() {
    setFont(m_style->labelFont(font()));
    updateGeometry();
}

} // namespace glyphon
