#include "PngDecoder.h"

#include "SourceLoader.h"

#include <QColorSpace>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

constexpr uchar signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr quint32 maxChunkLength = 0x7fffffff;
// Deflate spends at least two bits on a 258-byte match, so no stream inflates by more than this.
constexpr quint64 maxInflation = 1032;

quint32 bigEndian32(const uchar *p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

bool isChunk(const uchar *type, const char (&name)[5]) {
    return std::memcmp(type, name, 4) == 0;
}

bool isCritical(const uchar *type) {
    return (type[0] & 0x20) == 0;
}

bool validType(const uchar *type) {
    for (int i = 0; i < 4; ++i) {
        const uchar c = type[i] & ~0x20;
        if (c < 'A' || c > 'Z')
            return false;
    }
    return true;
}

// Chunks that alter what the pixels mean or which way up they are; Qt's reader knows how to apply them.
bool changesAppearance(const uchar *type) {
    for (const auto &name : {"iCCP", "gAMA", "cHRM", "eXIf", "tRNS", "PLTE", "sBIT", "cICP"})
        if (std::memcmp(type, name, 4) == 0)
            return true;
    return false;
}

std::optional<Result<QImage>> notPlain() {
    return std::nullopt;
}

std::optional<Result<QImage>> damaged(const QString &reason) {
    return Result<QImage>(Error{ErrorKind::Damaged, {}, reason});
}

QString chunkName(const uchar *type) {
    return QString::fromLatin1(reinterpret_cast<const char *>(type), 4);
}

uchar paeth(uchar a, uchar b, uchar c) {
    const int pa = std::abs(int(b) - c), pb = std::abs(int(a) - c), pc = std::abs(int(a) + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// Reconstructs one row into out; prev is the row above, already reconstructed, or zeros for the first.
template <int Bpp>
bool unfilter(uchar filter, const uchar *in, const uchar *prev, uchar *out, size_t length) {
    switch (filter) {
    case 0:
        std::memcpy(out, in, length);
        return true;
    case 1:
        std::memcpy(out, in, Bpp);
        for (size_t i = Bpp; i < length; ++i)
            out[i] = uchar(in[i] + out[i - Bpp]);
        return true;
    case 2:
        for (size_t i = 0; i < length; ++i)
            out[i] = uchar(in[i] + prev[i]);
        return true;
    case 3:
        for (size_t i = 0; i < Bpp; ++i)
            out[i] = uchar(in[i] + (prev[i] >> 1));
        for (size_t i = Bpp; i < length; ++i)
            out[i] = uchar(in[i] + ((out[i - Bpp] + prev[i]) >> 1));
        return true;
    case 4:
        for (size_t i = 0; i < Bpp; ++i)
            out[i] = uchar(in[i] + prev[i]);
        for (size_t i = Bpp; i < length; ++i)
            out[i] = uchar(in[i] + paeth(out[i - Bpp], prev[i], prev[i - Bpp]));
        return true;
    default:
        return false;
    }
}

template <int Bpp> void storeRow(const uchar *in, QRgb *out, int width) {
    for (int x = 0; x < width; ++x, in += Bpp) {
        if constexpr (Bpp == 3) {
            out[x] = qRgb(in[0], in[1], in[2]);
        } else {
            const uchar alpha = in[3];
            if (alpha == 255)
                out[x] = qRgb(in[0], in[1], in[2]);
            else if (alpha == 0)
                out[x] = 0;
            else
                out[x] = qPremultiply(qRgba(in[0], in[1], in[2], alpha));
        }
    }
}

// The filtered rows lie at the end of the pixel buffer, so each finished row lands only on rows already read.
template <int Bpp>
bool reconstruct(const uchar *raw, size_t rowBytes, uchar *pixels, int width, int height, QString *reason) {
    std::vector<uchar> rows(2 * rowBytes, 0);
    uchar *prev = rows.data(), *cur = rows.data() + rowBytes;
    for (int y = 0; y < height; ++y) {
        const uchar *row = raw + size_t(y) * (rowBytes + 1);
        if (!unfilter<Bpp>(row[0], row + 1, prev, cur, rowBytes)) {
            *reason = u"row %1 has the unknown filter type %2"_s.arg(y).arg(row[0]);
            return false;
        }
        storeRow<Bpp>(cur, reinterpret_cast<QRgb *>(pixels + size_t(y) * size_t(width) * 4), width);
        std::swap(prev, cur);
    }
    return true;
}

void releasePixels(void *pixels) {
    std::free(pixels);
}

// A source's pixels are touched once each straight after allocation; on Linux huge pages spare most of the
// page faults, which otherwise cost as much as the decoding.
uchar *allocatePixels(size_t bytes) {
#ifdef __linux__
    constexpr size_t hugePage = size_t(2) << 20;
    if (bytes >= hugePage) {
        const size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
        void *pixels = std::aligned_alloc(hugePage, rounded);
        if (pixels)
            madvise(pixels, rounded, MADV_HUGEPAGE);
        return static_cast<uchar *>(pixels);
    }
#endif
    return static_cast<uchar *>(std::malloc(bytes));
}

struct Span {
    const uchar *data;
    size_t size;
};

} // namespace

std::optional<Result<QImage>> decodePlainPng(QByteArrayView data) {
    const auto *bytes = reinterpret_cast<const uchar *>(data.data());
    const size_t size = size_t(data.size());
    if (size < sizeof signature || std::memcmp(bytes, signature, sizeof signature) != 0)
        return notPlain();

    quint32 width = 0, height = 0;
    int channels = 0;
    bool srgb = false;
    int dotsPerMeterX = 0, dotsPerMeterY = 0;
    std::vector<Span> idat;
    size_t idatBytes = 0;
    bool idatDone = false, ended = false;

    size_t pos = sizeof signature;
    while (!ended) {
        if (size - pos < 12)
            return damaged(u"the file ends before its IEND chunk"_s);
        const quint32 length = bigEndian32(bytes + pos);
        const uchar *type = bytes + pos + 4;
        const uchar *body = type + 4;
        if (!validType(type))
            return damaged(u"a chunk has an invalid type"_s);
        if (length > maxChunkLength || length > size - pos - 12)
            return damaged(u"the file ends inside the %1 chunk"_s.arg(chunkName(type)));
        if (libdeflate_crc32(0, type, size_t(length) + 4) != bigEndian32(body + length)) {
            // libpng drops an ancillary chunk with a bad checksum and carries on; let it decide.
            if (!isCritical(type))
                return notPlain();
            return damaged(u"the %1 chunk fails its checksum"_s.arg(chunkName(type)));
        }
        pos += size_t(length) + 12;

        const bool first = width == 0;
        if (first != isChunk(type, "IHDR"))
            return damaged(first ? u"the file does not start with an IHDR chunk"_s
                                 : u"the file has a second IHDR chunk"_s);
        if (!isChunk(type, "IDAT") && !idat.empty())
            idatDone = true;

        if (first) {
            if (length != 13)
                return damaged(u"the IHDR chunk has the wrong length"_s);
            width = bigEndian32(body);
            height = bigEndian32(body + 4);
            const uchar depth = body[8], colourType = body[9], compression = body[10], filter = body[11],
                        interlace = body[12];
            if (width == 0 || height == 0 || width > maxChunkLength || height > maxChunkLength ||
                compression != 0 || filter != 0 || interlace > 1)
                return damaged(u"the IHDR chunk holds invalid values"_s);
            if (depth != 8 || (colourType != 2 && colourType != 6) || interlace != 0)
                return notPlain();
            channels = colourType == 6 ? 4 : 3;
            if (quint64(width) * height > quint64(maxSourcePixels))
                return Result<QImage>(tooManyPixels(QSize(int(width), int(height))));
        } else if (isChunk(type, "IDAT")) {
            if (idatDone)
                return damaged(u"the IDAT chunks are not consecutive"_s);
            idat.push_back({body, length});
            idatBytes += length;
        } else if (isChunk(type, "IEND")) {
            ended = true;
        } else if (changesAppearance(type) || isCritical(type)) {
            return notPlain();
        } else if (isChunk(type, "sRGB")) {
            srgb = true;
        } else if (isChunk(type, "pHYs") && length == 9 && body[8] == 1) {
            dotsPerMeterX = int(qMin<quint32>(bigEndian32(body), INT_MAX));
            dotsPerMeterY = int(qMin<quint32>(bigEndian32(body + 4), INT_MAX));
        }
    }
    if (idat.empty())
        return damaged(u"the file holds no IDAT chunk"_s);

    // Both sizes are bounded by the pixel limit checked above, far inside 64 bits.
    const quint64 rowBytes = quint64(width) * quint64(channels);
    const quint64 rawSize = (rowBytes + 1) * height;
    if (rawSize > quint64(idatBytes) * maxInflation + 1024)
        return damaged(
            u"the compressed pixel data is far too short for a %1×%2 image"_s.arg(width).arg(height));
    if (qMax(rawSize, quint64(width) * height * 4) > quint64(std::numeric_limits<qsizetype>::max()))
        return notPlain();

    // A single IDAT is inflated straight from the file's bytes.
    std::unique_ptr<uchar[]> joined;
    const uchar *compressed = idat.front().data;
    if (idat.size() > 1) {
        joined.reset(new (std::nothrow) uchar[idatBytes]);
        if (!joined)
            return notPlain();
        size_t offset = 0;
        for (const Span &span : idat) {
            std::memcpy(joined.get() + offset, span.data, span.size);
            offset += span.size;
        }
        compressed = joined.get();
    }

    // Filtered rows are at least as long as finished ones for RGBA and shorter for RGB; the buffer holds
    // the larger, the filtered rows at its end.
    const quint64 imageSize = quint64(width) * height * 4;
    const quint64 bufferSize = qMax(imageSize, rawSize);
    std::unique_ptr<uchar, decltype(&releasePixels)> pixels(allocatePixels(size_t(bufferSize)),
                                                            &releasePixels);
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!pixels || !inflater)
        return notPlain();
    uchar *raw = pixels.get() + (bufferSize - rawSize);
    // Without an out-count libdeflate insists on exactly the expected size, which is what the rows need.
    const libdeflate_result inflated =
        libdeflate_zlib_decompress(inflater.get(), compressed, idatBytes, raw, size_t(rawSize), nullptr);
    joined.reset();
    if (inflated != LIBDEFLATE_SUCCESS)
        return damaged(
            inflated == LIBDEFLATE_BAD_DATA
                ? u"the compressed pixel data is corrupt"_s
                : u"the compressed pixel data does not hold exactly %1×%2 pixels"_s.arg(width).arg(height));

    QString reason;
    const bool rebuilt =
        channels == 4 ? reconstruct<4>(raw, size_t(rowBytes), pixels.get(), int(width), int(height), &reason)
                      : reconstruct<3>(raw, size_t(rowBytes), pixels.get(), int(width), int(height), &reason);
    if (!rebuilt)
        return damaged(reason);
    QImage image(pixels.get(), int(width), int(height), qsizetype(width) * 4,
                 QImage::Format_ARGB32_Premultiplied, &releasePixels, pixels.get());
    if (image.isNull())
        return notPlain();
    pixels.release();
    if (srgb)
        image.setColorSpace(QColorSpace::SRgb);
    if (dotsPerMeterX > 0 && dotsPerMeterY > 0) {
        image.setDotsPerMeterX(dotsPerMeterX);
        image.setDotsPerMeterY(dotsPerMeterY);
    }
    return Result<QImage>(std::move(image));
}

} // namespace glyphon
