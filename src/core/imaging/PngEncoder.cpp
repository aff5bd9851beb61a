#include "PngEncoder.h"

#include "PixelLoops.h"

#include <QtEndian>
#include <array>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <vector>

namespace glyphon {

namespace {

enum Filter : uchar { FilterNone = 0, FilterUp = 2 };

// Measured on flat art and a photograph over a whole icon set: flat art compresses best unfiltered
// and gains from a thorough search for repeats; a photograph needs a filter, and "up" at a quick level
// was as small as per-row adaptive filtering in a quarter of the time.
constexpr int flatLevel = 6;
constexpr int photoLevel = 1;

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

// straight = round(premultiplied × 255 / alpha), for every alpha and every valid premultiplied value.
const std::array<uchar, 256 * 256> &unpremultiplyTable() {
    static const auto table = [] {
        std::array<uchar, 256 * 256> t{};
        for (int alpha = 1; alpha < 256; ++alpha)
            for (int value = 0; value < 256; ++value)
                t[size_t(alpha * 256 + value)] = uchar(std::min(255, (value * 255 + alpha / 2) / alpha));
        return t;
    }();
    return table;
}

// The bytes R, G, B, A of an opaque or clear ARGB32 pixel as one word in memory order.
quint32 rgbaWord(quint32 argb) {
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
        return (argb & 0xff00ff00) | ((argb >> 16) & 0xff) | ((argb & 0xff) << 16);
    else
        return (argb << 8) | (argb >> 24);
}

// One row of premultiplied ARGB32 as straight RGBA bytes. Opaque and clear pixels, nearly all of an
// icon, only need their bytes reordered, which runs vectorised in blocks; the translucent ones are
// then divided out through the table.
void straightRow(const quint32 *in, uchar *out, int width) {
    constexpr int block = 16;
    int x = 0;
    for (; x + block <= width; x += block) {
        quint32 words[block];
        for (int i = 0; i < block; ++i)
            words[i] = rgbaWord(in[x + i]);
        std::memcpy(out + x * 4, words, sizeof words);
    }
    for (; x < width; ++x) {
        const quint32 word = rgbaWord(in[x]);
        std::memcpy(out + x * 4, &word, 4);
    }
    const auto &table = unpremultiplyTable();
    for (x = 0; x < width; ++x) {
        const quint32 p = in[x];
        const quint32 alpha = p >> 24;
        if (alpha == 0 || alpha == 255)
            continue;
        const uchar *row = table.data() + alpha * 256;
        uchar *o = out + x * 4;
        o[0] = row[(p >> 16) & 0xff];
        o[1] = row[(p >> 8) & 0xff];
        o[2] = row[p & 0xff];
    }
}

// Flat art (icons, emoji) repeats its left neighbour so often that unfiltered rows compress best.
// A sample of rows decides, by the picture alone: a clear margin (the .icns grid's, a padding) costs next
// to nothing either way and would otherwise count a photograph in it as flat, which unfiltered at the
// thorough level takes twice as long and comes out larger. Without alpha the picture is what it shows
// over black: only the colour is compared, and a clear pixel is black like any other, so the decision
// is the one its flattened copy gets.
bool looksFlat(const QImage &image, bool withAlpha) {
    const quint32 mask = withAlpha ? 0xffffffffu : 0x00ffffffu;
    qint64 same = 0;
    qint64 total = 0;
    const int width = image.width();
    const int step = qMax(1, image.height() / 64);
    for (int y = 0; y < image.height(); y += step) {
        const auto *row = reinterpret_cast<const quint32 *>(image.constScanLine(y));
        for (int x = 1; x < width; ++x) {
            if (withAlpha && (row[x] | row[x - 1]) == 0)
                continue;
            same += (row[x] & mask) == (row[x - 1] & mask);
            ++total;
        }
    }
    return total == 0 || same * 2 >= total;
}

// out = row − above, byte by byte, in fixed blocks that GCC vectorises at -O2.
void upFilter(const uchar *__restrict row, const uchar *__restrict above, uchar *__restrict out,
              size_t length) {
    constexpr size_t block = 64;
    size_t i = 0;
    for (; i + block <= length; i += block)
        for (size_t j = 0; j < block; ++j)
            out[i + j] = uchar(row[i + j] - above[i + j]);
    for (; i < length; ++i)
        out[i] = uchar(row[i] - above[i]);
}

// Memory reused by the encodes of one thread: fresh large buffers cost a page fault per 4 KiB,
// which is much of the time of a small encode. Left uninitialised, since every byte used is written
// first; a buffer for a picture larger than any icon is not kept.
class Scratch {
public:
    uchar *get(size_t size) {
        if (size > m_size) {
            m_data.reset(new uchar[size]);
            m_size = size;
        }
        return m_data.get();
    }
    void trim() {
        if (m_size > keptBytes) {
            m_data.reset();
            m_size = 0;
        }
    }

private:
    static constexpr size_t keptBytes = size_t(1024) * 1025 * 4;
    std::unique_ptr<uchar[]> m_data;
    size_t m_size = 0;
};

// A compressor allocates and clears large tables; each thread keeps one per level for its next images.
libdeflate_compressor *threadCompressor(int level) {
    using Owned = std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>;
    thread_local std::vector<std::pair<int, Owned>> compressors;
    for (const auto &[l, c] : compressors)
        if (l == level)
            return c.get();
    Owned made(libdeflate_alloc_compressor(level), &libdeflate_free_compressor);
    if (!made)
        return nullptr;
    return compressors.emplace_back(level, std::move(made)).second.get();
}

Error outOfMemory() {
    return {ErrorKind::EncodeFailed, {}, QStringLiteral("the PNG encoder ran out of memory")};
}

// One row of premultiplied ARGB32 as RGB bytes, the alpha left out: what a picture shows over black,
// and exactly its colours when it is opaque.
void opaqueRow(const quint32 *in, uchar *out, int width) {
    for (int x = 0; x < width; ++x) {
        const quint32 p = in[x];
        out[x * 3] = uchar(p >> 16);
        out[x * 3 + 1] = uchar(p >> 8);
        out[x * 3 + 2] = uchar(p);
    }
}

// One row of a grey premultiplied picture as one grey byte per pixel, its red channel, over black.
void greyRow(const quint32 *in, uchar *out, int width) {
    for (int x = 0; x < width; ++x)
        out[x] = uchar(in[x] >> 16);
}

// One row of a grey premultiplied picture as straight grey and alpha bytes. Opaque pixels are the same
// either way and go through a vectorised pass; the others are then divided out.
GLYPHON_PIXEL_LOOP void greyAndAlpha(const quint32 *in, uchar *out, int width) {
    for (int x = 0; x < width; ++x) {
        out[x * 2] = uchar(in[x] >> 16);
        out[x * 2 + 1] = uchar(in[x] >> 24);
    }
}

void greyAlphaRow(const quint32 *in, uchar *out, int width) {
    greyAndAlpha(in, out, width);
    const auto &table = unpremultiplyTable();
    for (int x = 0; x < width; ++x) {
        // The table's row for alpha 0 is all zeros.
        const quint32 alpha = in[x] >> 24;
        if (alpha != 255)
            out[x * 2] = table[alpha * 256 + ((in[x] >> 16) & 0xff)];
    }
}

struct Layout {
    int channels;
    void (*toBytes)(const quint32 *, uchar *, int);
    uchar colourType;
};

Layout layoutOf(PngColour colour) {
    switch (colour) {
    case PngColour::Rgb:
        return {3, opaqueRow, 2};
    case PngColour::Grey:
        return {1, greyRow, 0};
    case PngColour::GreyAlpha:
        return {2, greyAlphaRow, 4};
    case PngColour::Rgba:
        break;
    }
    return {4, straightRow, 6};
}

} // namespace

Result<QByteArray> encodePng(const QImage &image, PngColour colour) {
    if (image.isNull())
        return Error{ErrorKind::EncodeFailed, {}, QStringLiteral("there is no picture to encode")};
    const QImage source = image.format() == QImage::Format_ARGB32_Premultiplied
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = source.width();
    const int height = source.height();
    const Layout layout = layoutOf(colour);
    const auto toBytes = layout.toBytes;
    const size_t rowBytes = size_t(width) * size_t(layout.channels);
    const bool flat = looksFlat(source, colour == PngColour::Rgba || colour == PngColour::GreyAlpha);

    thread_local Scratch rowScratch, rawScratch, compressedScratch;
    // Converted rows, the current one and the one above it.
    uchar *rows = rowScratch.get(rowBytes * 2);
    const size_t rawSize = (rowBytes + 1) * size_t(height);
    uchar *raw = rawScratch.get(rawSize);
    for (int y = 0; y < height; ++y) {
        uchar *row = rows + rowBytes * size_t(y % 2);
        const uchar *above = rows + rowBytes * size_t((y + 1) % 2);
        uchar *out = raw + (rowBytes + 1) * size_t(y);
        if (flat || y == 0) {
            *out = FilterNone;
            toBytes(reinterpret_cast<const quint32 *>(source.constScanLine(y)), out + 1, width);
            std::memcpy(row, out + 1, rowBytes);
        } else {
            *out = FilterUp;
            toBytes(reinterpret_cast<const quint32 *>(source.constScanLine(y)), row, width);
            upFilter(row, above, out + 1, rowBytes);
        }
    }

    libdeflate_compressor *compressor = threadCompressor(flat ? flatLevel : photoLevel);
    if (!compressor)
        return outOfMemory();
    const size_t bound = libdeflate_zlib_compress_bound(compressor, rawSize);
    uchar *compressed = compressedScratch.get(bound);
    const size_t compressedSize = libdeflate_zlib_compress(compressor, raw, rawSize, compressed, bound);
    rawScratch.trim();
    if (compressedSize == 0) {
        compressedScratch.trim();
        return Error{ErrorKind::EncodeFailed, {}, QStringLiteral("the pixel data could not be compressed")};
    }

    QByteArray out;
    out.reserve(qsizetype(compressedSize + 64));
    static const char signature[8] = {char(0x89), 'P', 'N', 'G', '\r', '\n', char(0x1a), '\n'};
    out.append(signature, 8);
    uchar ihdr[13];
    qToBigEndian<quint32>(quint32(width), ihdr);
    qToBigEndian<quint32>(quint32(height), ihdr + 4);
    ihdr[8] = 8; // bits per sample
    ihdr[9] = layout.colourType;
    ihdr[10] = 0; // deflate
    ihdr[11] = 0; // adaptive filtering
    ihdr[12] = 0; // not interlaced
    appendChunk(out, "IHDR", ihdr, sizeof ihdr);
    appendChunk(out, "IDAT", compressed, compressedSize);
    appendChunk(out, "IEND", nullptr, 0);
    compressedScratch.trim();
    return out;
}

Result<QByteArray> encodePng(const QImage &image) {
    return encodePng(image, PngColour::Rgba);
}

Result<QByteArray> encodePngRgb(const QImage &image) {
    return encodePng(image, PngColour::Rgb);
}

} // namespace glyphon
