#include "Image.h"

namespace glyphon {

namespace {
QImage canonical(const QImage &bitmap) {
    if (bitmap.isNull() || bitmap.format() == QImage::Format_ARGB32_Premultiplied)
        return bitmap;
    return bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
} // namespace

Image::Image(const QImage &bitmap) : m_bitmap(canonical(bitmap)), m_size(m_bitmap.size()) {}

Image::Image(const QImage &bitmap, QSizeF pointSize) : m_bitmap(canonical(bitmap)), m_size(pointSize) {}

} // namespace glyphon
