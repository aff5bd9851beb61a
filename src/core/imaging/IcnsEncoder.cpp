#include "IcnsEncoder.h"

#include "ParallelFor.h"
#include "PngCache.h"
#include "PngEncoder.h"

#include <QtEndian>
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace glyphon {

using namespace Qt::StringLiterals;

namespace {

enum class Storage {
    Png,
    // 24-bit colour, run-length coded channel by channel, beside an 8-bit mask element.
    Rle,
    // The same after four zero bytes, as the 128-pixel type has it.
    PaddedRle,
};

struct ElementType {
    int edge;
    const char *type;
    Storage storage;
    const char *maskType;
};

// libicns 0.8.1 (Debian's icns2png) knows neither icp4, icp5 nor ic07, so 16, 32 and 128 go in the
// run-length types that every reader knows, and that hold the same pixels. The @2x types ic11 to ic14
// have no older equivalent and are written although libicns lists them without a size.
constexpr ElementType elementTypes[] = {
    {16, "is32", Storage::Rle, "s8mk"},        // 16 pt
    {32, "il32", Storage::Rle, "l8mk"},        // 32 pt
    {32, "ic11", Storage::Png, nullptr},       // 16 pt @2x
    {64, "ic12", Storage::Png, nullptr},       // 32 pt @2x
    {128, "it32", Storage::PaddedRle, "t8mk"}, // 128 pt
    {256, "ic08", Storage::Png, nullptr},      // 256 pt
    {256, "ic13", Storage::Png, nullptr},      // 128 pt @2x
    {512, "ic09", Storage::Png, nullptr},      // 512 pt
    {512, "ic14", Storage::Png, nullptr},      // 256 pt @2x
    {1024, "ic10", Storage::Png, nullptr},     // 512 pt @2x
};

constexpr int minRepeat = 3;
constexpr int maxRepeat = 130;
constexpr int maxLiteral = 128;

// A repeat is one byte said `length` times; a literal is `length` bytes as they are.
struct Packet {
    const uchar *bytes;
    int length;
    bool repeat;
};

// Every packet stays inside its channel: Qt's reader stops a channel at its last pixel.
void packChannel(const uchar *bytes, int count, std::vector<Packet> &packets) {
    int literalStart = 0;
    const auto endLiteral = [&](int end) {
        while (literalStart < end) {
            const int length = std::min(maxLiteral, end - literalStart);
            packets.push_back({bytes + literalStart, length, false});
            literalStart += length;
        }
    };
    int i = 0;
    while (i < count) {
        int run = 1;
        while (i + run < count && run < maxRepeat && bytes[i + run] == bytes[i])
            ++run;
        if (run >= minRepeat) {
            endLiteral(i);
            packets.push_back({bytes + i, run, true});
            literalStart = i + run;
        }
        i += run;
    }
    endLiteral(count);
}

qsizetype packedSize(const std::vector<Packet> &packets) {
    qsizetype size = 0;
    for (const Packet &p : packets)
        size += p.repeat ? 2 : 1 + p.length;
    return size;
}

// Qt's reader takes data starting with a zero byte for padded and skips four bytes, so an unpadded
// element must not open with a one-byte literal.
void avoidLeadingZero(std::vector<Packet> &packets) {
    if (packets.size() < 2 || packets[0].repeat || packets[0].length != 1 || !packets[1].repeat)
        return;
    Packet &run = packets[1];
    if (run.length > minRepeat) {
        packets[0].length = 2;
        ++run.bytes;
        --run.length;
    } else {
        packets[0].length += run.length;
        packets.erase(packets.begin() + 1);
    }
}

// Qt's reader guesses an element's layout from its length and reads 4·n² or 8·n² bytes (n a multiple
// of 16) as raw n×n pixels, with or without a mask.
bool qtTakesForRaw(qsizetype length) {
    for (qsizetype n = 16; 4 * n * n <= length; n += 16) {
        if (length == 4 * n * n || length == 8 * n * n)
            return true;
    }
    return false;
}

// One or two bytes more, which moves the length off Qt's raw sizes: those lie far apart.
void lengthen(std::vector<Packet> &packets) {
    for (size_t i = 0; i < packets.size(); ++i) {
        // The first part of a split first literal stays longer than one byte (see avoidLeadingZero).
        const Packet p = packets[i];
        if (!p.repeat && p.length >= (i == 0 ? 3 : 2)) {
            packets[i].length = p.length - 1;
            packets.insert(packets.begin() + qsizetype(i) + 1, Packet{p.bytes + p.length - 1, 1, false});
            return;
        }
    }
    for (size_t i = 0; i < packets.size(); ++i) {
        const Packet p = packets[i];
        if (!p.repeat)
            continue;
        if (p.length == minRepeat) {
            packets[i].repeat = false;
        } else {
            packets[i].length = p.length - 1;
            packets.insert(packets.begin() + qsizetype(i) + 1, Packet{p.bytes + p.length - 1, 1, false});
        }
        return;
    }
}

// Straight colour and alpha planes, each edge × edge bytes in rows top to bottom. The colour is divided
// out exactly as the PNG encoder does it, so every element of one picture holds the same pixels.
struct Planes {
    QByteArray red, green, blue, alpha;
};

Planes straightPlanes(const QImage &picture) {
    const QImage premultiplied = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = premultiplied.width();
    const int h = premultiplied.height();
    Planes planes;
    for (QByteArray *plane : {&planes.red, &planes.green, &planes.blue, &planes.alpha})
        plane->resize(qsizetype(w) * h);
    qsizetype i = 0;
    for (int y = 0; y < h; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(premultiplied.constScanLine(y));
        for (int x = 0; x < w; ++x, ++i) {
            const int a = qAlpha(row[x]);
            const auto straight = [a](int c) {
                return a == 0 || a == 255 ? c : std::min(255, (c * 255 + a / 2) / a);
            };
            planes.red[i] = char(straight(qRed(row[x])));
            planes.green[i] = char(straight(qGreen(row[x])));
            planes.blue[i] = char(straight(qBlue(row[x])));
            planes.alpha[i] = char(a);
        }
    }
    return planes;
}

QByteArray runLengthData(const Planes &planes, bool padded) {
    std::vector<Packet> packets;
    for (const QByteArray *plane : {&planes.red, &planes.green, &planes.blue})
        packChannel(reinterpret_cast<const uchar *>(plane->constData()), int(plane->size()), packets);
    const qsizetype padding = padded ? 4 : 0;
    if (!padded)
        avoidLeadingZero(packets);
    if (qtTakesForRaw(padding + packedSize(packets)))
        lengthen(packets);

    QByteArray data(padding, '\0');
    data.reserve(padding + packedSize(packets));
    for (const Packet &p : packets) {
        if (p.repeat) {
            data.append(char(0x80 + p.length - minRepeat));
            data.append(char(*p.bytes));
        } else {
            data.append(char(p.length - 1));
            data.append(reinterpret_cast<const char *>(p.bytes), p.length);
        }
    }
    return data;
}

void appendBe32(QByteArray &bytes, quint32 value) {
    char raw[4];
    qToBigEndian(value, raw);
    bytes.append(raw, 4);
}

struct Element {
    const char *type;
    QByteArray data;
};

Error refusal(const QString &message) {
    return {ErrorKind::EncodeFailed, {}, message};
}

} // namespace

// Elements go in order of edge, after a table of contents, which lets a reader find an image without
// walking the file, as iconutil's files do.
Result<QByteArray> encodeIcns(const QList<QImage> &pictures, PngCache *pngs) {
    if (pictures.isEmpty())
        return refusal(u"there is no picture to encode"_s);
    QList<QImage> byEdge = pictures;
    std::stable_sort(byEdge.begin(), byEdge.end(),
                     [](const QImage &a, const QImage &b) { return a.width() < b.width(); });

    int previousEdge = 0;
    for (const QImage &picture : std::as_const(byEdge)) {
        if (picture.isNull())
            return refusal(u"there is no picture to encode"_s);
        const int edge = picture.width();
        if (picture.height() != edge)
            return refusal(
                u"an ICNS image must be square (currently %1×%2)"_s.arg(edge).arg(picture.height()));
        if (edge == previousEdge)
            return refusal(u"an ICNS file holds one %1×%1 image, not two"_s.arg(edge));
        previousEdge = edge;
        if (std::none_of(std::begin(elementTypes), std::end(elementTypes),
                         [edge](const ElementType &type) { return type.edge == edge; }))
            return refusal(u"an ICNS file has no image type for %1×%1 pixels"_s.arg(edge));
    }

    // Each picture's elements are made side by side, the largest first: its PNG takes about as long as
    // all the others together.
    const size_t count = size_t(byEdge.size());
    std::vector<std::vector<Element>> made(count);
    std::vector<std::optional<Error>> failed(count);
    parallelFor(int(count), [&](int job) {
        const size_t i = count - 1 - size_t(job);
        const QImage &picture = byEdge.at(qsizetype(i));
        std::optional<Planes> planes;
        QByteArray png;
        for (const ElementType &type : elementTypes) {
            if (type.edge != picture.width())
                continue;
            if (type.storage == Storage::Png) {
                if (png.isEmpty()) {
                    Result<QByteArray> encoded = encodePng(picture, PngColour::Rgba, pngs);
                    if (!encoded) {
                        failed[i] = encoded.error();
                        return;
                    }
                    png = *std::move(encoded);
                }
                made[i].push_back({type.type, png});
            } else {
                if (!planes)
                    planes = straightPlanes(picture);
                made[i].push_back({type.type, runLengthData(*planes, type.storage == Storage::PaddedRle)});
                made[i].push_back({type.maskType, planes->alpha});
            }
        }
    });
    std::vector<Element> elements;
    for (size_t i = 0; i < count; ++i) {
        if (failed[i])
            return *failed[i];
        elements.insert(elements.end(), made[i].begin(), made[i].end());
    }

    QByteArray toc;
    qint64 total = 8 + 8 + qint64(elements.size()) * 8;
    for (const Element &element : elements) {
        toc.append(element.type, 4);
        appendBe32(toc, quint32(8 + element.data.size()));
        total += 8 + element.data.size();
    }
    // Every length in the file is 32 bits.
    if (total > std::numeric_limits<quint32>::max())
        return refusal(u"the pictures are too large for one ICNS file"_s);

    QByteArray bytes;
    bytes.reserve(total);
    bytes.append("icns", 4);
    appendBe32(bytes, quint32(total));
    bytes.append("TOC ", 4);
    appendBe32(bytes, quint32(8 + toc.size()));
    bytes.append(toc);
    for (const Element &element : elements) {
        bytes.append(element.type, 4);
        appendBe32(bytes, quint32(8 + element.data.size()));
        bytes.append(element.data);
    }
    return bytes;
}

} // namespace glyphon
