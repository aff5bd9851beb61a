#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace glyphon {

// Keeps a top-level window inside the available area of its screen (the screen less its panels, in
// logical pixels). Where that area is smaller than the wanted minimum size (a 1000-pixel-high screen at
// 2× offers 500 points less its panels, and the window manager's frame takes more), the minimum shrinks
// and the window's content scrolls instead; a window that sticks out is resized and moved back in. It
// acts when the window is shown, framed, or moved to another screen, and never while the user drags it.
class ScreenFit : public QObject {
    Q_OBJECT
public:
    // Owned by window.
    static ScreenFit *install(QWidget *window, QSize wantedMinimum);

    // The minimum size that fits: wantedMinimum, bounded by the area less the window manager's frame.
    static QSize fittedMinimum(QSize wantedMinimum, QSize available, QMargins frame);
    // The frame rectangle moved, then shrunk as little as needed, to lie inside available; the frame's
    // size never drops below minimum plus the frame.
    static QRect fittedFrame(QRect frame, QRect available, QSize minimumFrame);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ScreenFit(QWidget *window, QSize wantedMinimum);

    void fit();
    void follow(QScreen *screen);

    QWidget *m_window;
    QSize m_wanted;
    QMargins m_frame;
    QPointer<QScreen> m_screen;
};

} // namespace glyphon
