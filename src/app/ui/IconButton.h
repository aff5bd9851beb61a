#pragma once

#include <QAbstractButton>

namespace glyphon {

// A symbol-only button drawn over a picture: white 16-point symbol, inset 8, on black at 0.3
// clipped to a 6-point rounded rectangle. Its help text is also its accessible name.
class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int symbolSize = 16;
    static constexpr int inset = 8;

    IconButton(const QString &symbol, const QString &helpText, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol, const QString &helpText);

    QSize sizeHint() const override { return {symbolSize + 2 * inset, symbolSize + 2 * inset}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
};

} // namespace glyphon
