#include "PngEncoder.h"

#include <QtEndian>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <vector>

namespace glyphon {

namespace {

enum Filter : quint8 { FilterNone = 0, FilterUp = 2 };

void appendChunk(QByteArray &out, const char type[4], const uchar *data, size_t length) {
    uchar header[8];
    qToBigEndian<quint32>(quint32(length), header);
    std::memcpy(header + 4, type, 4);
    out.append(reinterpret_cast<const char *>(header), 8);
    if (length)
        out.append(reinterpret_cast<const char *>(data), qsizetype(length));
    quint32 crc = libdeflate_crc32(0, header + 4, 4);
    if (length)
        crc = libdeflate_crc32(crc, data, length);
    uchar trailer[4];
    qToBigEndian<quint32>(crc, trailer);
    out.append(reinterpret_cast<const char *>(trailer), 4);
}

// Flat art (icons, emoji) repeats its left neighbour so often that unfiltered rows compress best;
// photographs gain most from the cheap "up" filter. A sample of rows decides.
bool looksFlat(const QImage &rgba) {
    qint64 same = 0;
    qint64 total = 0;
    const int step = qMax(1, rgba.height() / 64);
    for (int y = 0; y < rgba.height(); y += step) {
        const auto *row = reinterpret_cast<const quint32 *>(rgba.constScanLine(y));
        for (int x = 1; x < rgba.width(); ++x)
            same += row[x] == row[x - 1];
        total += rgba.width() - 1;
    }
    return total == 0 || same * 2 >= total;
}

} // namespace

QByteArray encodePng(const QImage &image) {
    if (image.isNull())
        return {};
    const QImage rgba =
        image.format() == QImage::Format_RGBA8888 ? image : image.convertToFormat(QImage::Format_RGBA8888);
    const int width = rgba.width();
    const int height = rgba.height();
    const size_t rowBytes = size_t(width) * 4;
    const bool flat = looksFlat(rgba);

    std::vector<uchar> raw((rowBytes + 1) * size_t(height));
    uchar *dst = raw.data();
    for (int y = 0; y < height; ++y) {
        const uchar *row = rgba.constScanLine(y);
        if (flat || y == 0) {
            *dst++ = FilterNone;
            std::memcpy(dst, row, rowBytes);
        } else {
            *dst++ = FilterUp;
            const uchar *above = rgba.constScanLine(y - 1);
            for (size_t i = 0; i < rowBytes; ++i)
                dst[i] = uchar(row[i] - above[i]);
        }
        dst += rowBytes;
    }

    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(flat ? 6 : 1), &libdeflate_free_compressor);
    if (!compressor)
        return {};
    std::vector<uchar> compressed(libdeflate_zlib_compress_bound(compressor.get(), raw.size()));
    const size_t compressedSize = libdeflate_zlib_compress(compressor.get(), raw.data(), raw.size(),
                                                           compressed.data(), compressed.size());
    if (compressedSize == 0)
        return {};

    QByteArray out;
    out.reserve(qsizetype(compressedSize + 64));
    static const char signature[8] = {char(0x89), 'P', 'N', 'G', '\r', '\n', char(0x1a), '\n'};
    out.append(signature, 8);
    uchar ihdr[13];
    qToBigEndian<quint32>(quint32(width), ihdr);
    qToBigEndian<quint32>(quint32(height), ihdr + 4);
    ihdr[8] = 8;  // bits per sample
    ihdr[9] = 6;  // RGBA
    ihdr[10] = 0; // deflate
    ihdr[11] = 0; // adaptive filtering
    ihdr[12] = 0; // not interlaced
    appendChunk(out, "IHDR", ihdr, sizeof ihdr);
    appendChunk(out, "IDAT", compressed.data(), compressedSize);
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace glyphon
