#include "Placeholder.h"

#include <QPainter>
#include <QSvgRenderer>

namespace glyphon {

namespace {

Image renderPlaceholder() {
    constexpr int edge = 1024;
    QImage bitmap(edge, edge, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/images/droppable-glyphon.svg"));
    if (renderer.isValid()) {
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, edge, edge));
    }
    return Image(bitmap);
}

} // namespace

Image placeholderImage() {
    static const Image placeholder = renderPlaceholder();
    return placeholder;
}

} // namespace glyphon
