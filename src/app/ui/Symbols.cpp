#include "Symbols.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace glyphon {

namespace {

QString symbolPath(const QString &name) {
    return QStringLiteral(":/ui/symbols/") + name + QStringLiteral(".svg");
}

class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(const QString &name, const QColor &color) : m_name(name), m_color(color) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int edge = qMax(1, qRound(qMin(rect.width(), rect.height()) * ratio));
        QImage image = renderSymbol(m_name, colorFor(mode), edge);
        image.setDevicePixelRatio(ratio);
        const QSizeF logical = QSizeF(image.size()) / ratio;
        const QPointF origin = QRectF(rect).center() - QPointF(logical.width() / 2, logical.height() / 2);
        painter->drawImage(origin, image);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // Qt 6.4's QIcon::pixmap() asks for the size in device pixels already and derives the ratio itself.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        const int edge = qMax(1, qMin(size.width(), size.height()));
        QPixmap pixmap = QPixmap::fromImage(renderSymbol(m_name, colorFor(mode), edge));
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override {
        const int edge = qMin(size.width(), size.height());
        return {edge, edge};
    }

    QIconEngine *clone() const override { return new SymbolIconEngine(m_name, m_color); }
    QString key() const override { return QStringLiteral("glyphon-symbol"); }
    bool isNull() override { return !hasSymbol(m_name); }

private:
    QColor colorFor(QIcon::Mode mode) const {
        if (mode != QIcon::Disabled)
            return m_color;
        QColor dimmed = m_color;
        dimmed.setAlphaF(m_color.alphaF() * 0.4f);
        return dimmed;
    }

    QString m_name;
    QColor m_color;
};

} // namespace

bool hasSymbol(const QString &name) {
    return QFile::exists(symbolPath(name));
}

QImage renderSymbol(const QString &name, const QColor &color, int edge) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(symbolPath(name));
    if (!renderer.isValid())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, edge, edge));
    // The glyphs are drawn in white; SourceIn keeps their coverage and swaps in the wanted colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

QIcon symbolIcon(const QString &name, const QColor &color) {
    return QIcon(new SymbolIconEngine(name, color));
}

} // namespace glyphon
