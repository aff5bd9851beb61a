#include "BusyIndicator.h"

#include <QPainter>
#include <QVariantAnimation>

namespace glyphon {

namespace {
constexpr int spokes = 12;
} // namespace

BusyIndicator::BusyIndicator(int edge, QWidget *parent)
    : QWidget(parent), m_edge(edge), m_turn(new QVariantAnimation(this)) {
    setFixedSize(edge, edge);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(QStringLiteral("Working"));
    m_turn->setStartValue(0);
    m_turn->setEndValue(spokes);
    m_turn->setDuration(1000);
    m_turn->setLoopCount(-1);
    connect(m_turn, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void BusyIndicator::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const int lead = m_turn->currentValue().toInt() % spokes;
    const qreal outer = m_edge / 2.0;
    const qreal thickness = m_edge / 11.0;
    for (int i = 0; i < spokes; ++i) {
        // The leading spoke is brightest; the ones behind it fade like a trail.
        const int behind = (lead - i + spokes) % spokes;
        QPen pen(QColor::fromRgbF(1, 1, 1, float(1.0 - behind * 0.07)), thickness, Qt::SolidLine,
                 Qt::RoundCap);
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -outer * 0.5), QPointF(0, -outer + thickness / 2));
        painter.restore();
    }
}

void BusyIndicator::showEvent(QShowEvent *event) {
    m_turn->start();
    QWidget::showEvent(event);
}

void BusyIndicator::hideEvent(QHideEvent *event) {
    m_turn->stop();
    QWidget::hideEvent(event);
}

BusyOverlay::BusyOverlay(QWidget *parent) : QWidget(parent), m_indicator(new BusyIndicator(56, this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BusyOverlay::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.3f));
}

void BusyOverlay::resizeEvent(QResizeEvent *) {
    m_indicator->move((width() - m_indicator->width()) / 2, (height() - m_indicator->height()) / 2);
}

} // namespace glyphon
