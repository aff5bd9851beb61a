#include "IcoEncoder.h"

#include "PngCache.h"
#include "PngEncoder.h"

#include <QSet>
#include <QtEndian>

namespace glyphon {

using namespace Qt::StringLiterals;

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

// An ICO entry stores each edge in one byte, with 0 meaning 256.
constexpr int maxEdge = 256;

Error refusal(const QString &message) {
    return {ErrorKind::EncodeFailed, {}, message};
}

std::optional<Error> unfit(const QImage &image) {
    if (image.isNull())
        return refusal(u"there is no picture to encode"_s);
    if (image.width() > maxEdge || image.height() > maxEdge)
        return refusal(u"an ICO image is at most 256×256"_s);
    return std::nullopt;
}

struct Entry {
    int width;
    int height;
    QByteArray data;
};

// A 32-bit DIB with alpha, bottom-up, followed by its AND mask.
QByteArray bitmap(const QImage &image) {
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    const int w = straight.width();
    const int h = straight.height();
    const qsizetype maskStride = ((w + 31) / 32) * 4;
    const qsizetype pixelBytes = qsizetype(w) * h * 4;
    const qsizetype maskBytes = maskStride * h;

    QByteArray bytes;
    bytes.reserve(40 + pixelBytes + maskBytes);
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

QByteArray icoFile(const QList<Entry> &entries) {
    QByteArray bytes;
    appendLe16(bytes, 0); // reserved
    appendLe16(bytes, 1); // type: icon
    appendLe16(bytes, quint16(entries.size()));
    quint32 offset = quint32(6 + 16 * entries.size());
    for (const Entry &entry : entries) {
        bytes.append(char(entry.width == maxEdge ? 0 : entry.width));
        bytes.append(char(entry.height == maxEdge ? 0 : entry.height));
        bytes.append(char(0)); // no palette
        bytes.append(char(0)); // reserved
        appendLe16(bytes, 1);  // colour planes
        appendLe16(bytes, 32); // bits per pixel
        appendLe32(bytes, quint32(entry.data.size()));
        appendLe32(bytes, offset);
        offset += quint32(entry.data.size());
    }
    for (const Entry &entry : entries)
        bytes.append(entry.data);
    return bytes;
}

} // namespace

// A 32-bit BMP: every ICO reader since Windows XP shows its alpha, which is not true of embedded PNGs
// at small sizes.
Result<QByteArray> encodeIco(const QImage &image) {
    if (const std::optional<Error> error = unfit(image))
        return *error;
    return icoFile({{image.width(), image.height(), bitmap(image)}});
}

// Only the 256-pixel entry is a PNG: Windows Vista and later read PNG there, and it takes a fraction of
// the bitmap's 264 KiB (11 KiB for the sample, 105 KiB for a photograph).
Result<QByteArray> encodeIcoEntries(const QList<QImage> &pictures, PngCache *pngs) {
    if (pictures.isEmpty())
        return refusal(u"there is no picture to encode"_s);
    QList<Entry> entries;
    QSet<int> edges;
    for (const QImage &picture : pictures) {
        if (const std::optional<Error> error = unfit(picture))
            return *error;
        const int edge = picture.width();
        if (picture.height() != edge)
            return refusal(
                u"an ICO image must be square (currently %1×%2)"_s.arg(edge).arg(picture.height()));
        if (edges.contains(edge))
            return refusal(u"an ICO file holds one %1×%1 image, not two"_s.arg(edge));
        edges.insert(edge);
        if (edge == maxEdge) {
            Result<QByteArray> png = encodePng(picture, PngColour::Rgba, pngs);
            if (!png)
                return png.error();
            entries.append({edge, edge, *std::move(png)});
        } else {
            entries.append({edge, edge, bitmap(picture)});
        }
    }
    return icoFile(entries);
}

} // namespace glyphon
