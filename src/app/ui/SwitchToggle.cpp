#include "SwitchToggle.h"

#include "Theme.h"

#include <QPainter>
#include <QVariantAnimation>

namespace glyphon {

namespace {
constexpr int trackWidth = 34;
constexpr int trackHeight = 20;
constexpr int gap = 8;
// Room around the track for the focus ring.
constexpr int ringRoom = 3;
} // namespace

SwitchToggle::SwitchToggle(const QString &title, QWidget *parent)
    : QCheckBox(title, parent), m_knob(new QVariantAnimation(this)) {
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    m_knob->setDuration(140);
    m_knob->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_knob, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(this, &QCheckBox::toggled, this, [this](bool on) {
        m_knob->stop();
        m_knob->setStartValue(on ? 0.0 : 1.0);
        m_knob->setEndValue(on ? 1.0 : 0.0);
        if (isVisible())
            m_knob->start();
        else
            m_knob->setCurrentTime(m_knob->duration());
    });
    m_knob->setStartValue(0.0);
    m_knob->setEndValue(0.0);
}

QSize SwitchToggle::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {ringRoom + trackWidth + gap + metrics.horizontalAdvance(text()) + 2,
            qMax(trackHeight + 2 * ringRoom, metrics.height() + 4)};
}

bool SwitchToggle::hitButton(const QPoint &pos) const {
    return rect().contains(pos);
}

void SwitchToggle::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const qreal on = m_knob->state() == QAbstractAnimation::Running ? m_knob->currentValue().toReal()
                                                                    : (isChecked() ? 1.0 : 0.0);
    const QRectF track(ringRoom, (height() - trackHeight) / 2.0, trackWidth, trackHeight);

    const QColor offColor = QColor::fromRgbF(1, 1, 1, 0.16f);
    const QColor onColor = namedColor(u"AppColor");
    const QColor fill = QColor::fromRgbF(offColor.redF() + (onColor.redF() - offColor.redF()) * on,
                                         offColor.greenF() + (onColor.greenF() - offColor.greenF()) * on,
                                         offColor.blueF() + (onColor.blueF() - offColor.blueF()) * on,
                                         offColor.alphaF() + (1.0f - offColor.alphaF()) * float(on));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);

    const qreal knobEdge = trackHeight - 4;
    const qreal knobX = track.left() + 2 + (trackWidth - knobEdge - 4) * on;
    painter.setBrush(QColor(0, 0, 0, 60));
    painter.drawEllipse(QRectF(knobX, track.top() + 2.6, knobEdge, knobEdge));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(knobX, track.top() + 2, knobEdge, knobEdge));

    if (hasFocus())
        drawFocusRing(painter, track.adjusted(-ringRoom, -ringRoom, ringRoom, ringRoom),
                      trackHeight / 2.0 + ringRoom);

    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    painter.drawText(QRectF(track.right() + gap, 0, width() - track.right() - gap, height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
}

} // namespace glyphon
