#pragma once

#include "imaging/Image.h"

#include <QImage>
#include <QWidget>
#include <optional>

namespace glyphon {

class AppearancesView;
class BusyOverlay;
class ContentViewState;
class IconButton;
class IconGridPreview;

// The top of the window: the drop zone that shows the processed preview (or the size grid, or the
// appearances), the clear, appearances and grid buttons once an image was dropped, the busy dimming while
// a preview job runs, and the dashed outline while a file is dragged over it.
class ImageArea : public QWidget {
    Q_OBJECT
public:
    static constexpr int previewInset = 20;
    static constexpr int outlineInset = 10;
    // Between the placeholder picture and the hint below it.
    static constexpr int hintGap = 12;
    // Small enough that the smallest window holds the open settings and a banner without scrolling.
    static constexpr int minimumAreaHeight = 120;

    explicit ImageArea(ContentViewState &state, QWidget *parent = nullptr);

    // What the empty area tells the user to do.
    static QString hintText();

    IconButton *clearButton() const { return m_clear; }
    IconButton *gridButton() const { return m_grid; }
    IconButton *appearancesButton() const { return m_appearances; }
    IconGridPreview *grid() const { return m_gridPreview; }
    AppearancesView *appearances() const { return m_appearancesView; }
    BusyOverlay *busyOverlay() const { return m_busy; }
    // Where the single preview is drawn, in widget coordinates, at the picture's proportions; empty while
    // none is shown.
    QRectF previewRect() const;
    // Where the hint is drawn, below the placeholder; empty once an image is in.
    QRectF hintRect() const;

    QSize sizeHint() const override { return {500, 300}; }
    QSize minimumSizeHint() const override { return {200, minimumAreaHeight}; }

signals:
    // Sent just before the clear, appearances and grid buttons change the state, while the old look is still
    // on screen.
    void fadeRequested();
    // The empty area was clicked: the user wants to choose an image file.
    void chooseImageRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    class Outline;

    void bind();
    void refresh();
    void refreshGrid();
    void placeChildren();
    bool showsHint() const;
    const QImage &scaledPreview(QSize devicePixels, qreal ratio);

    ContentViewState &m_state;
    IconGridPreview *m_gridPreview;
    AppearancesView *m_appearancesView;
    IconButton *m_clear;
    IconButton *m_appearances;
    IconButton *m_grid;
    BusyOverlay *m_busy;
    Outline *m_outline;
    // The preview resampled to the device pixels it covers, redone only when either changes.
    QImage m_scaled;
    qint64 m_scaledKey = 0;
    bool m_pressedEmpty = false;
};

} // namespace glyphon
