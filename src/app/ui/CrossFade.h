#pragma once

#include <QPixmap>
#include <QWidget>

class QVariantAnimation;

namespace glyphon {

// A picture of a widget as it looked just before a change, laid over it and faded out, so the change
// blends in instead of jumping. The cover lets the pointer through and deletes itself when the fade
// ends, or at once when the widget is resized under it (the picture would no longer line up).
class CrossFade : public QWidget {
    Q_OBJECT
public:
    // Covers `target` with its current look, a running cover included, and starts the fade. Null when the
    // target is not shown: there is nothing to blend.
    static CrossFade *start(QWidget *target);

    qreal opacity() const { return m_opacity; }
    const QPixmap &picture() const { return m_picture; }
    QVariantAnimation *animation() const { return m_animation; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CrossFade(QWidget *target, const QPixmap &picture);

    QPixmap m_picture;
    qreal m_opacity = 1;
    QVariantAnimation *m_animation;
};

} // namespace glyphon
