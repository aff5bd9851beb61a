#include "DisclosureGroup.h"

#include "SpringCurve.h"
#include "Symbols.h"
#include "Theme.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace glyphon {

namespace {
constexpr int symbolSize = 16;
constexpr int chevronSize = 12;
} // namespace

DisclosureHeader::DisclosureHeader(const QString &title, const QString &symbol, QWidget *parent)
    : QAbstractButton(parent), m_symbol(symbol) {
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    // Repaints on pointer enter and leave, so the hover backing follows underMouse().
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void DisclosureHeader::setOpenFraction(qreal fraction) {
    m_openFraction = fraction;
    update();
}

QSize DisclosureHeader::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    // The label keeps an extra 4 points above and below.
    return {chevronSize + 8 + symbolSize + 6 + metrics.horizontalAdvance(text()) + 8,
            qMax(metrics.height(), symbolSize) + 2 * 4 + 2 * 4};
}

void DisclosureHeader::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (underMouse() || isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(1, 1, 1, isDown() ? 0.08f : 0.04f));
        painter.drawRoundedRect(area, 6, 6);
    }
    const QColor textColor =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    const qreal middle = height() / 2.0;

    painter.save();
    painter.translate(4 + chevronSize / 2.0, middle);
    painter.rotate(90.0 * m_openFraction);
    QColor chevronColor = textColor;
    chevronColor.setAlphaF(0.7f);
    symbolIcon(QStringLiteral("chevron.right"), chevronColor)
        .paint(&painter, QRect(-chevronSize / 2, -chevronSize / 2, chevronSize, chevronSize));
    painter.restore();

    const int symbolX = 4 + chevronSize + 8;
    symbolIcon(m_symbol, textColor)
        .paint(&painter, QRect(symbolX, qRound(middle - symbolSize / 2.0), symbolSize, symbolSize));
    painter.setPen(textColor);
    const QRect textRect(symbolX + symbolSize + 6, 0, width() - symbolX - symbolSize - 6, height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());

    if (hasFocus())
        drawFocusRing(painter, QRectF(rect()), 6);
}

// Shows the top part of the content, as much as the motion has revealed; the content keeps its full
// height inside, so it is uncovered rather than squeezed.
class DisclosureGroup::Clip : public QWidget {
public:
    Clip(QWidget *content, QWidget *parent) : QWidget(parent), m_content(content) {
        content->setParent(this);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    void setFraction(qreal fraction) {
        m_fraction = fraction;
        m_content->setVisible(fraction > 0.0);
        updateGeometry();
    }

    QSize sizeHint() const override {
        const QSize full = m_content->sizeHint();
        return {full.width(), qRound(full.height() * m_fraction)};
    }
    QSize minimumSizeHint() const override {
        return {m_content->minimumSizeHint().width(), sizeHint().height()};
    }

protected:
    void resizeEvent(QResizeEvent *) override { layoutContent(); }
    bool event(QEvent *event) override {
        if (event->type() == QEvent::LayoutRequest) {
            updateGeometry();
            layoutContent();
        }
        return QWidget::event(event);
    }

private:
    void layoutContent() { m_content->setGeometry(0, 0, width(), m_content->sizeHint().height()); }

    QWidget *m_content;
    qreal m_fraction = 0;
};

DisclosureGroup::DisclosureGroup(const QString &title, const QString &symbol, QWidget *content,
                                 QWidget *parent)
    : QWidget(parent), m_header(new DisclosureHeader(title, symbol, this)), m_clip(new Clip(content, this)),
      m_content(content), m_animation(new QVariantAnimation(this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_clip);

    m_animation->setDuration(SettingsSpring::durationMs);
    m_animation->setEasingCurve(SettingsSpring::easingCurve());
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setOpenFraction(value.toReal()); });
    connect(m_header, &QAbstractButton::clicked, this, [this](bool checked) {
        m_header->setChecked(m_expanded);
        emit expansionRequested(checked);
    });
    setOpenFraction(0);
}

void DisclosureGroup::setExpanded(bool expanded, bool animated) {
    m_header->setChecked(expanded);
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    const qreal from = m_animation->state() == QAbstractAnimation::Running
                           ? m_animation->currentValue().toReal()
                           : (expanded ? 0.0 : 1.0);
    m_animation->stop();
    if (!animated) {
        setOpenFraction(expanded ? 1.0 : 0.0);
        return;
    }
    m_animation->setStartValue(from);
    m_animation->setEndValue(expanded ? 1.0 : 0.0);
    m_animation->start();
}

void DisclosureGroup::finishAnimation() {
    if (m_animation->state() == QAbstractAnimation::Running)
        m_animation->setCurrentTime(m_animation->duration());
    m_animation->stop();
    setOpenFraction(m_expanded ? 1.0 : 0.0);
}

void DisclosureGroup::setOpenFraction(qreal fraction) {
    m_header->setOpenFraction(fraction);
    m_clip->setFraction(fraction);
}

} // namespace glyphon
