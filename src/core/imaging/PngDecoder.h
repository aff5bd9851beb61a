#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

namespace glyphon {

struct PngDecodeResult {
    enum class Status {
        Decoded,  // image holds the picture
        NotPlain, // a valid PNG, or one libpng may judge, that the general reader must handle
        TooLarge, // declaredSize has more pixels than a source may have; nothing was allocated
        Damaged,  // reason says what is wrong; the file must be refused
    };
    Status status = Status::NotPlain;
    QImage image; // QImage::Format_ARGB32_Premultiplied when decoded
    QSize declaredSize;
    QString reason;
};

// Large sources are mostly plain 8-bit RGB(A) PNGs; those are decoded here in one pass straight into
// premultiplied pixels, byte for byte what Qt's reader and conversion give. Anything that could change
// colours or orientation is handed back as NotPlain.
PngDecodeResult decodePlainPng(QByteArrayView data);

} // namespace glyphon
