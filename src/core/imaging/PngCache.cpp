#include "PngCache.h"

#include "Variants.h"

#include <QHash>
#include <QMutex>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <libdeflate.h>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

namespace glyphon {

namespace {

// Every picture is compared in the encoder's own format, so two formats of one picture are one picture.
QImage premultiplied(const QImage &image) {
    return image.format() == QImage::Format_ARGB32_Premultiplied
               ? image
               : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

quint32 checksum(const QImage &image) {
    const size_t rowBytes = size_t(image.width()) * 4;
    quint32 crc = 0;
    for (int y = 0; y < image.height(); ++y)
        crc = libdeflate_crc32(crc, image.constScanLine(y), rowBytes);
    return crc;
}

// The ground's channels as flattenOnto fills with them: two grounds alike here fill alike.
QRgb groundBytes(const Color &ground) {
    const auto channel = [](double value) { return int(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5); };
    return qRgb(channel(ground.red), channel(ground.green), channel(ground.blue));
}

bool samePixels(const QImage &a, const QImage &b) {
    if (a.size() != b.size())
        return false;
    if (a.cacheKey() == b.cacheKey())
        return true;
    const size_t rowBytes = size_t(a.width()) * 4;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0)
            return false;
    return true;
}

} // namespace

struct PngCache::State {
    struct Entry {
        QImage pixels;
        PngColour colour;
        // The opaque ground the picture is shown over, as 0xffRRGGBB in the bytes it fills with; 0 for the
        // picture as it is.
        QRgb ground = 0;
        std::once_flag once;
        std::optional<Result<QByteArray>> bytes;
    };

    // A picture asked for again as the same QImage (the same data, unchanged since) is found without
    // reading its pixels.
    using Identity = std::tuple<qint64, PngColour, QRgb>;

    QMutex mutex;
    QHash<quint32, std::vector<std::shared_ptr<Entry>>> byChecksum;
    std::map<Identity, std::shared_ptr<Entry>> byIdentity;
    std::atomic<int> reused{0};

    Result<QByteArray> encode(const QImage &image, PngColour colour, const std::optional<Color> &over);
};

Result<QByteArray> PngCache::State::encode(const QImage &image, PngColour colour,
                                           const std::optional<Color> &over) {
    const QRgb ground = over ? groundBytes(*over) : 0;
    const auto make = [colour, &over, ground](const QImage &pixels) {
        // Over black a picture shows its premultiplied channels, which is what the encoder writes for a
        // colour type without alpha: nothing to fill.
        if (!over || ground == qRgb(0, 0, 0))
            return encodePng(pixels, colour);
        return encodePng(flattenOnto(Image(pixels), *over).bitmap(), colour);
    };
    if (image.isNull())
        return make(image);
    const QImage pixels = premultiplied(image);
    if (pixels.isNull())
        return make(image);
    const Identity identity{pixels.cacheKey(), colour, ground};
    std::shared_ptr<Entry> entry;
    {
        const QMutexLocker lock(&mutex);
        if (const auto known = byIdentity.find(identity); known != byIdentity.end())
            entry = known->second;
    }
    bool found = entry != nullptr;
    if (!entry) {
        const quint32 crc = checksum(pixels);
        const QMutexLocker lock(&mutex);
        auto &candidates = byChecksum[crc];
        for (const auto &candidate : candidates)
            if (candidate->colour == colour && candidate->ground == ground &&
                samePixels(candidate->pixels, pixels)) {
                entry = candidate;
                found = true;
                break;
            }
        if (!entry) {
            entry = std::make_shared<Entry>();
            entry->pixels = pixels;
            entry->colour = colour;
            entry->ground = ground;
            candidates.push_back(entry);
        }
        byIdentity.emplace(identity, entry);
    }
    if (found)
        ++reused;
    std::call_once(entry->once, [&] { entry->bytes = make(entry->pixels); });
    return *entry->bytes;
}

PngCache::PngCache() : m_state(std::make_unique<State>()) {}

PngCache::~PngCache() = default;

Result<QByteArray> PngCache::encode(const QImage &image, PngColour colour) {
    return m_state->encode(image, colour, std::nullopt);
}

Result<QByteArray> PngCache::encodeOver(const QImage &image, PngColour colour, const Color &ground) {
    return m_state->encode(image, colour, ground);
}

int PngCache::reused() const {
    return m_state->reused.load();
}

Result<QByteArray> encodePng(const QImage &image, PngColour colour, PngCache *cache) {
    return cache ? cache->encode(image, colour) : encodePng(image, colour);
}

Result<QByteArray> encodePngOver(const QImage &image, PngColour colour, const Color &ground,
                                 PngCache *cache) {
    return cache ? cache->encodeOver(image, colour, ground)
                 : encodePng(flattenOnto(Image(image), ground).bitmap(), colour);
}

} // namespace glyphon
