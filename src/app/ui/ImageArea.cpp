#include "ImageArea.h"

#include "AppearancesView.h"
#include "BusyIndicator.h"
#include "ContentViewState.h"
#include "IconButton.h"
#include "IconGridPreview.h"
#include "Theme.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

namespace glyphon {

namespace {

bool carriesFileUrl(const QMimeData *mime) {
    if (!mime || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

} // namespace

// The drop target's feedback: the dashed outline, above everything else in the area.
class ImageArea::Outline : public QWidget {
public:
    explicit Outline(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(Qt::white, 2);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setMiterLimit(10);
        // Dash lengths are in pen widths: 5 × 2 = 10 points drawn, 10 points gap.
        pen.setDashPattern({5, 5});
        pen.setDashOffset(0);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRectF frame =
            QRectF(rect()).adjusted(outlineInset, outlineInset, -outlineInset, -outlineInset);
        painter.drawRoundedRect(frame, 8, 8);
    }
};

ImageArea::ImageArea(ContentViewState &state, QWidget *parent)
    : QWidget(parent), m_state(state), m_gridPreview(new IconGridPreview(this)),
      m_appearancesView(new AppearancesView(this)),
      m_clear(new IconButton(QStringLiteral("arrow.left"), QStringLiteral("Clear image"), this)),
      m_appearances(
          new IconButton(QStringLiteral("circle.lefthalf.filled"), QStringLiteral("Show appearances"), this)),
      m_grid(
          new IconButton(QStringLiteral("square.grid.2x2.fill"), QStringLiteral("Show size previews"), this)),
      m_busy(new BusyOverlay(this)), m_outline(new Outline(this)) {
    setAcceptDrops(true);
    setAccessibleName(QStringLiteral("Image"));
    setAccessibleDescription(hintText());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_gridPreview->hide();
    m_appearancesView->hide();
    m_busy->hide();
    m_outline->hide();
    bind();
}

QString ImageArea::hintText() {
    return QStringLiteral("Drop an image here or click to choose one");
}

bool ImageArea::showsHint() const {
    return !m_state.somethingDropped();
}

QRectF ImageArea::previewRect() const {
    if (!m_state.processedPreviewImage() || m_state.showGridView() || m_state.showAppearances())
        return {};
    QRectF room = QRectF(rect()).adjusted(previewInset, previewInset, -previewInset, -previewInset);
    // The hint line goes below the picture, never over it; the two are centred together.
    const qreal hint = showsHint() ? hintGap + fontMetrics().height() : 0;
    room.setHeight(room.height() - hint);
    // Fitted whole inside the room at the picture's own proportions; a square picture fills a square.
    QSizeF size = m_state.processedPreviewImage()->size();
    if (size.isEmpty())
        size = QSizeF(1, 1);
    size.scale(room.size().expandedTo(QSizeF(0, 0)), Qt::KeepAspectRatio);
    const qreal top = room.top() + (room.height() + hint) / 2 - (size.height() + hint) / 2;
    return {room.center().x() - size.width() / 2, top, size.width(), size.height()};
}

QRectF ImageArea::hintRect() const {
    if (!showsHint() || m_state.showGridView() || m_state.showAppearances())
        return {};
    const QRectF picture = previewRect();
    const qreal top =
        picture.isNull() ? (height() - fontMetrics().height()) / 2.0 : picture.bottom() + hintGap;
    return {qreal(previewInset), top, qreal(width() - 2 * previewInset), qreal(fontMetrics().height())};
}

void ImageArea::bind() {
    connect(m_clear, &QAbstractButton::clicked, this, [this] {
        emit fadeRequested();
        m_state.clearImage();
    });
    connect(m_grid, &QAbstractButton::clicked, this, [this] {
        emit fadeRequested();
        m_state.toggleGridView();
    });
    connect(m_appearances, &QAbstractButton::clicked, this, [this] {
        emit fadeRequested();
        m_state.toggleAppearances();
    });
    connect(m_gridPreview->verticalScrollBar(), &QScrollBar::rangeChanged, this, &ImageArea::placeChildren);
    connect(m_appearancesView->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            &ImageArea::placeChildren);
    for (auto signal :
         {&ContentViewState::processedPreviewImageChanged, &ContentViewState::isPreviewingChanged,
          &ContentViewState::showGridViewChanged, &ContentViewState::showAppearancesChanged,
          &ContentViewState::somethingDroppedChanged, &ContentViewState::isDragHoveringChanged})
        connect(&m_state, signal, this, &ImageArea::refresh);
    connect(&m_state, &ContentViewState::appearanceTilesChanged, this,
            [this] { m_appearancesView->setTiles(m_state.appearanceTiles()); });
    QCheckBox *safeZones = m_appearancesView->safeZonesToggle();
    safeZones->setChecked(m_state.showSafeZones());
    connect(safeZones, &QCheckBox::toggled, this, [this](bool on) { m_state.setShowSafeZones(on); });
    connect(&m_state, &ContentViewState::showSafeZonesChanged, this,
            [this] { m_appearancesView->safeZonesToggle()->setChecked(m_state.showSafeZones()); });
    m_appearancesView->setTiles(m_state.appearanceTiles());
    // The grid renders its thumbnails when built; build it only when what it shows changes.
    for (auto signal : {&ContentViewState::processedPreviewImageChanged,
                        &ContentViewState::showGridViewChanged, &ContentViewState::imageChanged})
        connect(&m_state, signal, this, &ImageArea::refreshGrid);
    refresh();
    refreshGrid();
}

void ImageArea::refresh() {
    const bool hasPicture = m_state.processedPreviewImage().has_value();
    const bool grid = m_state.showGridView();
    const bool appearances = m_state.showAppearances();
    m_gridPreview->setVisible(hasPicture && grid);
    m_appearancesView->setVisible(hasPicture && appearances);
    const bool buttons = hasPicture && m_state.somethingDropped();
    m_clear->setVisible(buttons);
    m_appearances->setVisible(buttons);
    m_grid->setVisible(buttons);
    m_grid->setSymbol(grid ? QStringLiteral("square.fill") : QStringLiteral("square.grid.2x2.fill"),
                      grid ? QStringLiteral("Show single preview") : QStringLiteral("Show size previews"));
    m_appearances->setSymbol(
        appearances ? QStringLiteral("square.fill") : QStringLiteral("circle.lefthalf.filled"),
        appearances ? QStringLiteral("Show single preview") : QStringLiteral("Show appearances"));
    m_busy->setVisible(m_state.isPreviewing());
    // The empty area is itself the way to choose a picture.
    setCursor(showsHint() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    m_outline->setVisible(m_state.isDragHovering());
    placeChildren();
    update();
}

void ImageArea::refreshGrid() {
    if (!m_state.showGridView() || !m_state.processedPreviewImage())
        return;
    m_gridPreview->setContent(m_state.image(), m_state.processedPreviewImage(), m_state.isPreviewing(),
                              IconGridPreview::standardPreviewSizes());
}

void ImageArea::placeChildren() {
    m_gridPreview->setGeometry(rect());
    m_appearancesView->setGeometry(rect());
    m_busy->setGeometry(rect());
    m_outline->setGeometry(rect());
    // Grid button: 10 from the top and the right edge; the appearances button 8 to its left, and the clear
    // button 8 to the left of that with 2 more of its own. A scrolling view keeps its scroll bar along the
    // right edge, and the buttons stay clear of it.
    const auto barWidth = [this](const QScrollArea *view) {
        const QScrollBar *bar = view->verticalScrollBar();
        return view->isVisibleTo(this) && bar->maximum() > bar->minimum() ? bar->sizeHint().width() : 0;
    };
    const int right = width() - std::max(barWidth(m_gridPreview), barWidth(m_appearancesView));
    const int top = 10;
    const int gridX = right - 10 - m_grid->width();
    m_grid->move(gridX, top);
    const int appearancesX = gridX - 8 - m_appearances->width();
    m_appearances->move(appearancesX, top);
    m_clear->move(appearancesX - 8 - 2 - m_clear->width(), top);
    // Back to front: picture, corner controls, busy dimming, drop outline.
    m_clear->raise();
    m_appearances->raise();
    m_grid->raise();
    m_busy->raise();
    m_outline->raise();
}

const QImage &ImageArea::scaledPreview(QSize devicePixels, qreal ratio) {
    const QImage &bitmap = m_state.processedPreviewImage()->bitmap();
    if (bitmap.cacheKey() != m_scaledKey || m_scaled.size() != devicePixels ||
        m_scaled.devicePixelRatio() != ratio) {
        m_scaled = bitmap.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(ratio);
        m_scaledKey = bitmap.cacheKey();
    }
    return m_scaled;
}

void ImageArea::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), namedColor(u"ImageBg"));
    if (const QRectF hint = hintRect(); !hint.isEmpty()) {
        painter.setPen(secondaryTextColor(palette()));
        painter.drawText(hint, Qt::AlignCenter,
                         fontMetrics().elidedText(hintText(), Qt::ElideRight, int(hint.width())));
    }
    const QRectF target = previewRect();
    if (target.isEmpty() || m_state.processedPreviewImage()->isNull())
        return;
    // Resampled once to the exact device pixels it covers, so it is sharp on any screen and at any size.
    const qreal ratio = devicePixelRatioF();
    const QRect pixels = QRectF(target.topLeft() * ratio, target.size() * ratio).toAlignedRect();
    painter.drawImage(QPointF(pixels.topLeft()) / ratio, scaledPreview(pixels.size(), ratio));
}

void ImageArea::mousePressEvent(QMouseEvent *event) {
    m_pressedEmpty = event->button() == Qt::LeftButton && showsHint();
    QWidget::mousePressEvent(event);
}

void ImageArea::mouseReleaseEvent(QMouseEvent *event) {
    // A click, as on a button: pressed and released inside the empty area.
    const bool clicked = m_pressedEmpty && event->button() == Qt::LeftButton && rect().contains(event->pos());
    m_pressedEmpty = false;
    if (clicked && showsHint() && !m_state.hasProgress())
        emit chooseImageRequested();
    QWidget::mouseReleaseEvent(event);
}

void ImageArea::resizeEvent(QResizeEvent *event) {
    placeChildren();
    QWidget::resizeEvent(event);
}

void ImageArea::dragEnterEvent(QDragEnterEvent *event) {
    if (!carriesFileUrl(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_state.setIsDragHovering(true);
}

void ImageArea::dragMoveEvent(QDragMoveEvent *event) {
    if (carriesFileUrl(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ImageArea::dragLeaveEvent(QDragLeaveEvent *event) {
    m_state.setIsDragHovering(false);
    QWidget::dragLeaveEvent(event);
}

void ImageArea::dropEvent(QDropEvent *event) {
    m_state.setIsDragHovering(false);
    if (m_state.handleDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace glyphon
