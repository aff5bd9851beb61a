#pragma once

#include "Color.h"
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
    // The picture as it shows over the opaque ground, in a colour type without alpha (Rgb or Grey): the
    // bytes of encode(flattenOnto(image, ground), colour), flattened as well as encoded once per picture
    // and ground, so a picture that several sets fill alike is filled once.
    Result<QByteArray> encodeOver(const QImage &image, PngColour colour, const Color &ground);

    // How many encodes were answered with earlier bytes.
    int reused() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The picture encoded through the cache when there is one, afresh when not.
Result<QByteArray> encodePng(const QImage &image, PngColour colour, PngCache *cache);
// The picture as it shows over the opaque ground, in a colour type without alpha, the same way.
Result<QByteArray> encodePngOver(const QImage &image, PngColour colour, const Color &ground, PngCache *cache);

} // namespace glyphon
