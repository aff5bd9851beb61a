#include "CrossFade.h"

#include "SpringCurve.h"

#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace glyphon {

CrossFade *CrossFade::start(QWidget *target) {
    if (!target->isVisible() || target->size().isEmpty())
        return nullptr;
    // The picture is taken with any running cover in it, so a change made mid-fade starts from what is seen.
    const QPixmap picture = target->grab();
    qDeleteAll(target->findChildren<CrossFade *>(Qt::FindDirectChildrenOnly));
    return new CrossFade(target, picture);
}

CrossFade::CrossFade(QWidget *target, const QPixmap &picture)
    : QWidget(target), m_picture(picture), m_animation(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(target->rect());
    target->installEventFilter(this);

    m_animation->setDuration(FadeSpring::durationMs);
    m_animation->setEasingCurve(FadeSpring::easingCurve());
    m_animation->setStartValue(1.0);
    m_animation->setEndValue(0.0);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_opacity = value.toReal();
        update();
    });
    connect(m_animation, &QAbstractAnimation::finished, this, &QObject::deleteLater);
    show();
    raise();
    m_animation->start();
}

void CrossFade::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.drawPixmap(QPoint(0, 0), m_picture);
}

bool CrossFade::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        hide();
        m_animation->stop();
        deleteLater();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace glyphon
