#pragma once

#include <QFont>
#include <QPalette>
#include <QPushButton>
#include <QString>

#include <memory>

class QPainter;

namespace glyphon {

// What a style is given to draw one button: its label and whether the pointer holds it down.
struct ButtonStyleConfiguration {
    QString label;
    bool isPressed = false;
    QFont font;
    QPalette palette;
};

// The look of one of the application's own buttons. A style draws the whole button from the
// configuration alone; it never changes the label or the action.
class ButtonStyle {
public:
    virtual ~ButtonStyle() = default;

    // The label's font, derived from the button's own.
    virtual QFont labelFont(const QFont &base) const { return base; }
    // The body's size around a label set in labelFont().
    virtual QSize bodySize(const QFontMetrics &metrics, const QString &label) const = 0;
    // Whether the body spans its container's width.
    virtual bool spansWidth() const { return false; }
    // Draws the body filling rect.
    virtual void makeBody(QPainter &painter, const QRectF &rect,
                          const ButtonStyleConfiguration &configuration) const = 0;

    static constexpr qreal pressedOpacity = 0.8;
};

// The full-width "Generate" button: a plain "AppColor" band, 60 points high, white medium text.
class CustomButtonStyle : public ButtonStyle {
public:
    static constexpr int height = 60;

    QFont labelFont(const QFont &base) const override;
    QSize bodySize(const QFontMetrics &metrics, const QString &label) const override;
    bool spansWidth() const override { return true; }
    void makeBody(QPainter &painter, const QRectF &rect,
                  const ButtonStyleConfiguration &configuration) const override;
};

// A compact rounded button: the text inset 12 × 6 on a fill, clipped to radius 8, with a hairline outline.
class CapsuleButtonStyle : public ButtonStyle {
public:
    static constexpr qreal cornerRadius = 8;

    QSize bodySize(const QFontMetrics &metrics, const QString &label) const override;
    void makeBody(QPainter &painter, const QRectF &rect,
                  const ButtonStyleConfiguration &configuration) const override;

protected:
    virtual QColor textColor(const QPalette &palette) const = 0;
    virtual QColor fillColor() const = 0;
    virtual QColor outlineColor() const = 0;
};

// "Create Icons": white text on "AppColor", outlined in white at 0.1.
class PrimaryButtonStyle : public CapsuleButtonStyle {
protected:
    QColor textColor(const QPalette &palette) const override;
    QColor fillColor() const override;
    QColor outlineColor() const override;
};

// "Cancel": primary text on gray at 0.2, outlined in gray at 0.3.
class SecondaryButtonStyle : public CapsuleButtonStyle {
protected:
    QColor textColor(const QPalette &palette) const override;
    QColor fillColor() const override;
    QColor outlineColor() const override;
};

// A push button drawn entirely by a ButtonStyle.
class StyledButton : public QPushButton {
    Q_OBJECT
public:
    StyledButton(const QString &label, std::unique_ptr<ButtonStyle> style, QWidget *parent = nullptr);

    const ButtonStyle &buttonStyle() const { return *m_style; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyStyleFont();

    std::unique_ptr<ButtonStyle> m_style;
};

} // namespace glyphon
