#include "ImageCompleteness.h"

#include <cstring>

namespace glyphon {

namespace {

using Bytes = const uchar *;

quint32 littleEndian(Bytes p, int count) {
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

qsizetype nextFF(Bytes p, qsizetype from, qsizetype size) {
    if (from >= size)
        return size;
    const void *hit = std::memchr(p + from, 0xff, size_t(size - from));
    return hit ? static_cast<Bytes>(hit) - p : size;
}

// Markers from the start of the file to the end-of-image marker; a file cut anywhere lacks it.
bool jpegComplete(Bytes p, qsizetype size) {
    if (size < 4 || p[0] != 0xff || p[1] != 0xd8)
        return false;
    qsizetype i = 2;
    for (;;) {
        i = nextFF(p, i, size);
        while (i < size && p[i] == 0xff)
            ++i;
        if (i >= size)
            return false;
        const uchar marker = p[i++];
        if (marker == 0xd9)
            return true;
        const bool standalone = marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
        if (standalone)
            continue;
        if (i + 2 > size)
            return false;
        i += (qsizetype(p[i]) << 8) | p[i + 1];
        if (marker != 0xda)
            continue;
        // Entropy-coded data ends at the first marker that is neither a stuffed 0xFF nor a restart.
        for (;;) {
            i = nextFF(p, i, size);
            if (i + 1 >= size)
                return false;
            const uchar next = p[i + 1];
            if (next == 0xff)
                ++i;
            else if (next == 0x00 || (next >= 0xd0 && next <= 0xd7))
                i += 2;
            else
                break;
        }
    }
}

bool skipGifSubBlocks(Bytes p, qsizetype size, qsizetype &i) {
    while (i < size) {
        const uchar length = p[i++];
        if (length == 0)
            return true;
        i += length;
    }
    return false;
}

// Blocks up to the end of the first frame's image data; later frames are never shown.
bool gifComplete(Bytes p, qsizetype size) {
    if (size < 13 || std::memcmp(p, "GIF8", 4) != 0)
        return false;
    const auto colourTable = [](uchar flags) { return (flags & 0x80) ? 3 * (2 << (flags & 7)) : 0; };
    qsizetype i = 13 + colourTable(p[10]);
    while (i < size) {
        const uchar block = p[i++];
        if (block == 0x21) {
            ++i;
            if (!skipGifSubBlocks(p, size, i))
                return false;
        } else if (block == 0x2c) {
            if (i + 10 > size)
                return false;
            i += 9 + colourTable(p[i + 8]) + 1;
            return skipGifSubBlocks(p, size, i);
        } else {
            return false;
        }
    }
    return false;
}

// Uncompressed rows have a size known from the header; run-length data is left to the reader.
bool bmpComplete(Bytes p, qsizetype size) {
    if (size < 26 || p[0] != 'B' || p[1] != 'M')
        return true;
    const qint64 offset = littleEndian(p + 10, 4);
    const quint32 header = littleEndian(p + 14, 4);
    qint64 width = 0, height = 0;
    quint32 bits = 0, compression = 0;
    if (header == 12) {
        width = littleEndian(p + 18, 2);
        height = littleEndian(p + 20, 2);
        bits = littleEndian(p + 24, 2);
    } else if (header >= 40 && size >= 34) {
        width = qint32(littleEndian(p + 18, 4));
        height = qint32(littleEndian(p + 22, 4));
        bits = littleEndian(p + 28, 2);
        compression = littleEndian(p + 30, 4);
    } else {
        return true;
    }
    const bool plainRows = compression == 0 || compression == 3 || compression == 6;
    if (!plainRows || bits == 0 || bits > 32)
        return true;
    const qint64 stride = (qAbs(width) * bits + 31) / 32 * 4;
    return offset + stride * qAbs(height) <= size;
}

} // namespace

bool hasCompleteImageData(const QByteArray &format, QIODevice &device) {
    const auto walk = format == "jpeg" || format == "jpg" ? jpegComplete
                      : format == "gif"                   ? gifComplete
                      : format == "bmp"                   ? bmpComplete
                                                          : nullptr;
    if (!walk)
        return true;
    if (!device.seek(0))
        return false;
    const QByteArray data = device.readAll();
    return walk(reinterpret_cast<Bytes>(data.constData()), data.size());
}

} // namespace glyphon
