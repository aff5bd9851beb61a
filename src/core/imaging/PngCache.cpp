#include "PngCache.h"

#include <QHash>
#include <QMutex>
#include <atomic>
#include <cstring>
#include <libdeflate.h>
#include <mutex>
#include <optional>
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
        std::once_flag once;
        std::optional<Result<QByteArray>> bytes;
    };

    QMutex mutex;
    QHash<quint32, std::vector<std::shared_ptr<Entry>>> byChecksum;
    std::atomic<int> reused{0};
};

PngCache::PngCache() : m_state(std::make_unique<State>()) {}

PngCache::~PngCache() = default;

Result<QByteArray> PngCache::encode(const QImage &image, PngColour colour) {
    if (image.isNull())
        return encodePng(image, colour);
    const QImage pixels = premultiplied(image);
    if (pixels.isNull())
        return encodePng(image, colour);
    const quint32 crc = checksum(pixels);
    std::shared_ptr<State::Entry> entry;
    bool found = false;
    {
        const QMutexLocker lock(&m_state->mutex);
        auto &candidates = m_state->byChecksum[crc];
        for (const auto &candidate : candidates)
            if (candidate->colour == colour && samePixels(candidate->pixels, pixels)) {
                entry = candidate;
                found = true;
                break;
            }
        if (!entry) {
            entry = std::make_shared<State::Entry>();
            entry->pixels = pixels;
            entry->colour = colour;
            candidates.push_back(entry);
        }
    }
    if (found)
        ++m_state->reused;
    std::call_once(entry->once, [&] { entry->bytes = encodePng(entry->pixels, colour); });
    return *entry->bytes;
}

int PngCache::reused() const {
    return m_state->reused.load();
}

Result<QByteArray> encodePng(const QImage &image, PngColour colour, PngCache *cache) {
    return cache ? cache->encode(image, colour) : encodePng(image, colour);
}

} // namespace glyphon
