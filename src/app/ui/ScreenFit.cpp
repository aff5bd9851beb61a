#include "ScreenFit.h"

#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace glyphon {

namespace {

QSize marginSize(QMargins margins) {
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

QMargins frameMargins(const QWidget *window) {
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

} // namespace

ScreenFit *ScreenFit::install(QWidget *window, QSize wantedMinimum) {
    return new ScreenFit(window, wantedMinimum);
}

ScreenFit::ScreenFit(QWidget *window, QSize wantedMinimum)
    : QObject(window), m_window(window), m_wanted(wantedMinimum) {
    window->installEventFilter(this);
}

QSize ScreenFit::fittedMinimum(QSize wantedMinimum, QSize available, QMargins frame) {
    return wantedMinimum.boundedTo(available - marginSize(frame)).expandedTo(QSize(1, 1));
}

QRect ScreenFit::fittedFrame(QRect frame, QRect available, QSize minimumFrame) {
    QRect fitted(frame.topLeft(), frame.size().boundedTo(available.size()).expandedTo(minimumFrame));
    // Pulled in from the far edges first, so a frame larger than the area keeps its top left corner visible.
    if (fitted.right() > available.right())
        fitted.moveRight(available.right());
    if (fitted.bottom() > available.bottom())
        fitted.moveBottom(available.bottom());
    if (fitted.left() < available.left())
        fitted.moveLeft(available.left());
    if (fitted.top() < available.top())
        fitted.moveTop(available.top());
    return fitted;
}

bool ScreenFit::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
            // The platform window exists only now; its screen and frame are known a turn later.
            if (QWindow *handle = m_window->windowHandle()) {
                connect(handle, &QWindow::screenChanged, this, &ScreenFit::follow, Qt::UniqueConnection);
                follow(handle->screen());
            }
            QTimer::singleShot(0, this, &ScreenFit::fit);
            break;
        case QEvent::Move:
        case QEvent::Resize:
            // The window manager framed the window after it was shown: the frame now takes room too.
            if (m_window->isVisible() && frameMargins(m_window) != m_frame)
                fit();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ScreenFit::follow(QScreen *screen) {
    if (m_screen)
        disconnect(m_screen, nullptr, this, nullptr);
    m_screen = screen;
    if (screen)
        connect(screen, &QScreen::availableGeometryChanged, this, &ScreenFit::fit);
    fit();
}

void ScreenFit::fit() {
    QScreen *screen = m_window->screen();
    if (!screen)
        return;
    m_frame = frameMargins(m_window);
    const QRect available = screen->availableGeometry();
    const QSize minimum = fittedMinimum(m_wanted, available.size(), m_frame);
    if (m_window->minimumSize() != minimum)
        m_window->setMinimumSize(minimum);
    if (!m_window->isVisible())
        return;
    const QRect frame = m_window->frameGeometry();
    const QRect fitted = fittedFrame(frame, available, minimum + marginSize(m_frame));
    if (fitted.size() != frame.size())
        m_window->resize(fitted.size() - marginSize(m_frame));
    if (fitted.topLeft() != frame.topLeft())
        m_window->move(fitted.topLeft());
}

} // namespace glyphon
