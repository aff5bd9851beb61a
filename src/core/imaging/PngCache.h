#pragma once

#include "PngEncoder.h"

#include <QByteArray>
#include <QImage>
#include <memory>

namespace glyphon {

// Encodes each distinct picture once: a picture with the same pixels and colour type as one encoded
// before gets that one's bytes. The targets of one run cut many identical pictures from one source (the
// classic macOS and the Linux sets share six sizes, the App Store icon is the same picture in three sets),
// and the encoder is deterministic, so the bytes are exactly those a fresh encode gives. Pictures are told
// apart by their pixels, compared in full, never by a hash alone. Safe from any thread: a picture asked
// for while another thread encodes it waits for those bytes.
class PngCache {
public:
    PngCache();
    ~PngCache();
    PngCache(const PngCache &) = delete;
    PngCache &operator=(const PngCache &) = delete;

    Result<QByteArray> encode(const QImage &image, PngColour colour);

    // How many encodes were answered with earlier bytes.
    int reused() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The picture encoded through the cache when there is one, afresh when not.
Result<QByteArray> encodePng(const QImage &image, PngColour colour, PngCache *cache);

} // namespace glyphon
