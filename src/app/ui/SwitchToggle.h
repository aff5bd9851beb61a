#pragma once

#include <QCheckBox>

class QVariantAnimation;

namespace glyphon {

// A switch-style toggle tinted with the accent colour, title to its right. A checkbox underneath,
// so keyboard and assistive technology treat it as the on/off control it is.
class SwitchToggle : public QCheckBox {
    Q_OBJECT
public:
    explicit SwitchToggle(const QString &title, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QVariantAnimation *m_knob;
};

} // namespace glyphon
