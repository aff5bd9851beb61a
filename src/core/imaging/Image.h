#pragma once

#include <QImage>
#include <QSizeF>

namespace glyphon {

// A picture with a size in points and exactly one bitmap. The bitmap is always
// QImage::Format_ARGB32_Premultiplied: resampling and compositing are only
// fringe-free on premultiplied pixels, and it is QPainter's native format.
class Image {
public:
    Image() = default;
    // One point per pixel.
    explicit Image(const QImage &bitmap);
    Image(const QImage &bitmap, QSizeF pointSize);

    bool isNull() const { return m_bitmap.isNull(); }
    const QImage &bitmap() const { return m_bitmap; }
    QSizeF size() const { return m_size; }
    int pixelWidth() const { return m_bitmap.width(); }
    int pixelHeight() const { return m_bitmap.height(); }

private:
    QImage m_bitmap;
    QSizeF m_size;
};

} // namespace glyphon
