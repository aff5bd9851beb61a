#include "IconGridPreview.h"

#include "Theme.h"
#include "imaging/Renderer.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace glyphon {

namespace {

QFont captionFont(const QFont &base, qreal scale) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * scale);
    return font;
}

QLabel *caption(const QString &text, qreal scale, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setFont(captionFont(parent->font(), scale));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, secondaryTextColor(palette));
    label->setPalette(palette);
    return label;
}

// A tile: thumbnail, label, size text, stacked and centred with 4 points between.
QWidget *makeTile(const QString &label, const QString &size, int edge, QWidget *parent,
                  ThumbnailTile *&thumbnail) {
    auto *tile = new QWidget(parent);
    auto *layout = new QVBoxLayout(tile);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    thumbnail = new ThumbnailTile(edge, tile);
    thumbnail->setAccessibleName(label);
    layout->addWidget(thumbnail, 0, Qt::AlignHCenter);
    layout->addWidget(caption(label, 0.9, tile), 0, Qt::AlignHCenter);
    layout->addWidget(caption(size, 0.8, tile), 0, Qt::AlignHCenter);
    return tile;
}

// At least 500 points high, and never lower than its tiles need: squeezed below that, the layout would
// draw the captions over the thumbnails.
class GridContent : public QWidget {
public:
    QSize minimumSizeHint() const override {
        return QWidget::minimumSizeHint().expandedTo({0, IconGridPreview::minimumContentHeight});
    }
};

// The picture rendered to fit an edge × edge frame at its own proportions.
std::optional<Image> thumbnailFor(const Image &picture, double edge) {
    const QSizeF size = picture.size();
    if (size.isEmpty() || size.width() == size.height())
        return resizeImage(picture, edge, edge);
    const double longer = std::max(size.width(), size.height());
    const auto side = [&](double length) {
        return length == longer ? edge : std::max(1.0, std::round(edge * length / longer));
    };
    return resizeImage(picture, side(size.width()), side(size.height()));
}

} // namespace

QString sizeText(double size) {
    const qint64 whole = std::isfinite(size) ? qint64(std::trunc(size)) : 0;
    return QString::number(whole) + QChar(0x00D7) + QString::number(whole);
}

ThumbnailTile::ThumbnailTile(int edge, QWidget *parent) : QWidget(parent), m_edge(edge) {
    setFixedSize(edge, edge);
}

void ThumbnailTile::setThumbnail(std::optional<Image> thumbnail) {
    m_thumbnail = std::move(thumbnail);
    update();
}

void ThumbnailTile::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.2f));
    // The bitmap has one pixel per point of the frame; on a denser screen it is scaled up, not re-rendered.
    if (m_thumbnail && !m_thumbnail->isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // A picture that is not square sits centred in the frame at its own proportions.
        QSizeF size = m_thumbnail->size();
        size.scale(QSizeF(rect().size()), Qt::KeepAspectRatio);
        const QRectF target(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        painter.drawImage(target, m_thumbnail->bitmap());
    }
}

IconGridPreview::IconGridPreview(QWidget *parent)
    : QScrollArea(parent), m_previewSizes(standardPreviewSizes()), m_content(new GridContent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAccessibleName(QStringLiteral("Size previews"));
    // Only pictures inside: nothing for the keyboard to act on.
    setFocusPolicy(Qt::NoFocus);
    // The image area's own background shows through.
    setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    setWidget(m_content);
    // setWidget() turns background filling on; the area's own colour must show through both layers.
    viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    rebuild();
}

QList<PreviewSize> IconGridPreview::standardPreviewSizes() {
    return {{QStringLiteral("App Store"), 1024},
            {QStringLiteral("macOS Dock"), 128},
            {QStringLiteral("Finder"), 64},
            {QStringLiteral("Menu Bar"), 16}};
}

void IconGridPreview::setContent(const std::optional<Image> &image,
                                 const std::optional<Image> &processedImage, bool isPreviewing,
                                 const QList<PreviewSize> &previewSizes) {
    m_image = image;
    m_processedImage = processedImage;
    m_isPreviewing = isPreviewing;
    m_previewSizes = previewSizes;
    rebuild();
}

QList<ThumbnailTile *> IconGridPreview::tiles() const {
    return m_content->findChildren<ThumbnailTile *>();
}

void IconGridPreview::rebuild() {
    delete m_content->layout();
    qDeleteAll(m_content->findChildren<QWidget *>(Qt::FindDirectChildrenOnly));

    auto *stack = new QVBoxLayout(m_content);
    stack->setSpacing(20);
    stack->setContentsMargins(16, 16, 16, 16);
    if (!m_processedImage)
        return;

    stack->addStretch();
    ThumbnailTile *top = nullptr;
    QWidget *topTile = makeTile(QStringLiteral("App Store Preview"), QStringLiteral("1024×1024"),
                                appStoreEdge, m_content, top);
    topTile->layout()->setContentsMargins(0, 16, 0, 16);
    top->setThumbnail(thumbnailFor(*m_processedImage, appStoreEdge));
    stack->addWidget(topTile, 0, Qt::AlignHCenter);

    auto *row = new QHBoxLayout;
    row->setSpacing(20);
    row->addStretch();
    for (qsizetype i = 1; i < m_previewSizes.size(); ++i) {
        const PreviewSize &entry = m_previewSizes[i];
        const int edge = std::isfinite(entry.size) ? int(std::clamp(entry.size, 1.0, 1024.0)) : 1;
        ThumbnailTile *thumbnail = nullptr;
        row->addWidget(makeTile(entry.label, sizeText(entry.size), edge, m_content, thumbnail), 0,
                       Qt::AlignVCenter);
        thumbnail->setThumbnail(thumbnailFor(*m_processedImage, entry.size));
    }
    row->addStretch();
    stack->addLayout(row);
    stack->addStretch();
}

} // namespace glyphon
