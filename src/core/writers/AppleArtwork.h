#pragma once

#include "Error.h"

#include <QByteArray>
#include <QList>
#include <memory>

namespace glyphon {

struct GenerationInputs;
class PngCache;

// The 1024-pixel files of the single-size asset catalogs and the Icon Composer document, made from one
// run's inputs. None has rounded corners, since the system masks these icons itself; the padding shrinks
// the art on its ground; the tint colours the art the appearances are derived from, not hand-made ones.
// Each file is made once, on first use from any thread, and shared by every target that holds it.
class AppleArtwork {
public:
    enum class File {
        Any,         // the art over the Background colour, RGB without alpha
        Dark,        // the dark appearance: the art's foreground on a transparent ground
        Tinted,      // the tinted appearance: grey on opaque black, a grey PNG without alpha
        Layer,       // the Icon Composer layer: the art, transparent where it is
        LayerTinted, // the Icon Composer layer's tinted image: the grey on a transparent ground, grey and
                     // alpha
    };

    // Encodes through the cache when one is given.
    explicit AppleArtwork(const GenerationInputs &inputs, PngCache *pngs = nullptr);
    ~AppleArtwork();
    AppleArtwork(const AppleArtwork &) = delete;
    AppleArtwork &operator=(const AppleArtwork &) = delete;

    // The file's PNG bytes, or why it could not be made.
    const Result<QByteArray> &file(File file) const;
    // Makes the files at once, spread over the cores; file() then only returns them.
    void prepare(const QList<File> &files) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace glyphon
