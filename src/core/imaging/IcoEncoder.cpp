#include "IcoEncoder.h"

#include <QtEndian>

namespace glyphon {

namespace {

void appendLe16(QByteArray &bytes, quint16 value) {
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}

void appendLe32(QByteArray &bytes, quint32 value) {
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

} // namespace

// One ICONDIR entry holding a 32-bit BMP: every ICO reader since Windows XP shows its alpha, which
// is not true of embedded PNGs at small sizes.
Result<QByteArray> encodeIco(const QImage &image) {
    if (image.isNull())
        return Error{ErrorKind::EncodeFailed, {}, QStringLiteral("there is no picture to encode")};
    // An ICO entry stores each edge in one byte, with 0 meaning 256.
    if (image.width() > 256 || image.height() > 256)
        return Error{ErrorKind::EncodeFailed, {}, QStringLiteral("an ICO image is at most 256×256")};
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    const int w = straight.width();
    const int h = straight.height();
    const qsizetype maskStride = ((w + 31) / 32) * 4;
    const qsizetype pixelBytes = qsizetype(w) * h * 4;
    const qsizetype maskBytes = maskStride * h;
    const quint32 dibBytes = quint32(40 + pixelBytes + maskBytes);
    const quint32 dibOffset = 6 + 16;

    QByteArray bytes;
    bytes.reserve(dibOffset + dibBytes);
    appendLe16(bytes, 0); // reserved
    appendLe16(bytes, 1); // type: icon
    appendLe16(bytes, 1); // image count

    bytes.append(char(w == 256 ? 0 : w));
    bytes.append(char(h == 256 ? 0 : h));
    bytes.append(char(0)); // no palette
    bytes.append(char(0)); // reserved
    appendLe16(bytes, 1);  // colour planes
    appendLe16(bytes, 32); // bits per pixel
    appendLe32(bytes, dibBytes);
    appendLe32(bytes, dibOffset);

    // The DIB's height counts the colour rows and the AND-mask rows together.
    appendLe32(bytes, 40);
    appendLe32(bytes, quint32(w));
    appendLe32(bytes, quint32(2 * h));
    appendLe16(bytes, 1);
    appendLe16(bytes, 32);
    appendLe32(bytes, 0); // BI_RGB
    appendLe32(bytes, quint32(pixelBytes + maskBytes));
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);

    // Rows are stored bottom-up.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(straight.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            bytes.append(char(qBlue(row[x])));
            bytes.append(char(qGreen(row[x])));
            bytes.append(char(qRed(row[x])));
            bytes.append(char(qAlpha(row[x])));
        }
    }
    // Readers that ignore the alpha channel fall back on the mask: set bits are transparent.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(straight.constScanLine(y));
        QByteArray maskRow(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x]) == 0)
                maskRow[x / 8] = char(maskRow[x / 8] | (0x80 >> (x % 8)));
        }
        bytes.append(maskRow);
    }
    return bytes;
}

} // namespace glyphon
