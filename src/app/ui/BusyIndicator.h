#pragma once

#include <QWidget>

class QVariantAnimation;

namespace glyphon {

// An indeterminate circular spinner of twelve fading spokes; it turns only while shown.
class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit BusyIndicator(int edge, QWidget *parent = nullptr);

    QSize sizeHint() const override { return {m_edge, m_edge}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int m_edge;
    QVariantAnimation *m_turn;
};

// Dims whatever lies under it with black at 0.3 and shows a large spinner in its middle.
class BusyOverlay : public QWidget {
    Q_OBJECT
public:
    explicit BusyOverlay(QWidget *parent = nullptr);

    BusyIndicator *indicator() const { return m_indicator; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    BusyIndicator *m_indicator;
};

} // namespace glyphon
