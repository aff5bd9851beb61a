#include "AppearancesView.h"

#include "SwitchToggle.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace glyphon {

namespace {

QFont labelFont(const QFont &base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.9);
    return font;
}

QFont headingFont(const QFont &base) {
    QFont font = base;
    font.setBold(true);
    return font;
}

} // namespace

// Paints the tiles where the sheet's layout puts them for its width, and asks for the height that takes.
class AppearancesView::Canvas : public QWidget {
public:
    explicit Canvas(AppearancesView &view, QWidget *parent) : QWidget(parent), m_view(view) {}

    SheetLayout layoutFor(int width) const {
        SheetMetrics metrics;
        metrics.width = width;
        metrics.margin = 16;
        metrics.labelHeight = QFontMetrics(labelFont(font())).height();
        metrics.headingHeight = QFontMetrics(headingFont(font())).height() + 4;
        const QFontMetrics labels(labelFont(font()));
        return layoutSheet(m_view.tiles(), metrics,
                           [&labels](const QString &text) { return labels.horizontalAdvance(text); });
    }

    QSize minimumSizeHint() const override {
        // Never narrower than the widest tile; as high as the tiles need at the width given.
        int widest = 0;
        for (const AppearanceTile &tile : m_view.tiles())
            widest = std::max(widest, tile.image.width());
        return {widest + 32, layoutFor(std::max(width(), widest + 32)).size.height()};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void resizeEvent(QResizeEvent *event) override {
        QWidget::resizeEvent(event);
        // The rows wrap at the new width, which changes the height the tiles need.
        if (layoutFor(width()).size.height() != height())
            updateGeometry();
    }

    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        const SheetLayout layout = layoutFor(width());
        const QList<AppearanceTile> &tiles = m_view.tiles();
        painter.setFont(headingFont(font()));
        painter.setPen(palette().color(QPalette::WindowText));
        for (const SheetLayout::Heading &heading : layout.headings)
            painter.drawText(heading.rect, Qt::AlignLeft | Qt::AlignVCenter,
                             appearanceGroupName(heading.group));
        // One pixel of a tile per point; a denser screen scales it up, as the size grid does.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setFont(labelFont(font()));
        painter.setPen(secondaryTextColor(palette()));
        for (qsizetype i = 0; i < tiles.size(); ++i) {
            painter.drawImage(layout.tiles[i], tiles[i].image);
            painter.drawText(layout.labels[i], Qt::AlignHCenter | Qt::AlignTop, tiles[i].label);
        }
    }

private:
    AppearancesView &m_view;
};

AppearancesView::AppearancesView(QWidget *parent)
    : QScrollArea(parent), m_content(new QWidget),
      m_safeZones(new SwitchToggle(QStringLiteral("show safe zones"), m_content)),
      m_canvas(new Canvas(*this, m_content)) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAccessibleName(QStringLiteral("Appearances"));
    setFocusPolicy(Qt::NoFocus);
    m_safeZones->setToolTip(QStringLiteral("Outline each platform's safe area on its tiles"));
    m_safeZones->setAccessibleName(QStringLiteral("show safe zones"));

    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 14, 0, 0);
    column->setSpacing(0);
    // At the left: the corner buttons sit at the top right.
    auto *toggleRow = new QHBoxLayout;
    toggleRow->setContentsMargins(16, 0, 16, 0);
    toggleRow->addWidget(m_safeZones);
    toggleRow->addStretch();
    column->addLayout(toggleRow);
    column->addWidget(m_canvas, 1);

    // The image area's own background shows through, as under the size grid.
    setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    setWidget(m_content);
    viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
}

void AppearancesView::setTiles(const QList<AppearanceTile> &tiles) {
    m_tiles = tiles;
    m_canvas->updateGeometry();
    m_canvas->update();
}

QWidget *AppearancesView::canvas() const {
    return m_canvas;
}

SheetLayout AppearancesView::sheetLayout() const {
    return m_canvas->layoutFor(m_canvas->width());
}

} // namespace glyphon
