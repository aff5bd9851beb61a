#pragma once

#include <QAbstractButton>
#include <QColor>

namespace glyphon {

// A swatch of the current colour that opens a colour picker when pressed; transparency shows
// against a checkerboard.
class ColorWell : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorWell(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);

    QSize sizeHint() const override { return {44, 22}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::blue;
};

} // namespace glyphon
