#include "AppleArtwork.h"

#include "Generation.h"
#include "RenderJobs.h"
#include "imaging/Effects.h"
#include "imaging/ParallelFor.h"
#include "imaging/PngCache.h"
#include "imaging/PngEncoder.h"
#include "imaging/Renderer.h"
#include "imaging/Variants.h"

#include <array>
#include <mutex>
#include <optional>

namespace glyphon {

namespace {

constexpr int edge = 1024;
constexpr int fileCount = int(AppleArtwork::File::LayerTinted) + 1;
constexpr Color black{0.0, 0.0, 0.0, 1.0};

// The picture at the icon's edge, one point per pixel, so the padding is measured on the 1024 canvas.
std::optional<Image> atEdge(const Image &picture) {
    if (picture.isNull())
        return std::nullopt;
    if (picture.pixelWidth() == edge && picture.pixelHeight() == edge)
        return Image(picture.bitmap(), QSizeF(edge, edge));
    return resizeImage(picture, edge, edge);
}

} // namespace

struct AppleArtwork::State {
    State(const AppleArtwork *owner, const GenerationInputs &inputs, PngCache *pngs)
        : owner(owner), inputs(inputs), pngs(pngs) {}

    const AppleArtwork *owner;
    const GenerationInputs &inputs;
    PngCache *pngs;

    std::once_flag artOnce, foregroundOnce, greyOnce, darkOnce, paddedArtOnce, paddedGreyOnce;
    std::optional<Image> art, dark, grey, paddedArt, paddedGrey;
    bool artOpaque = false, greyOpaque = false;
    Foreground foreground;
    std::array<std::once_flag, fileCount> fileOnce;
    std::array<std::optional<Result<QByteArray>>, fileCount> files;

    // The source at 1024 with the tint on it: the art every derived picture starts from.
    const std::optional<Image> &tintedArt() {
        std::call_once(artOnce, [this] {
            art = atEdge(inputs.source);
            if (art && inputs.effects.withTint)
                art = tintImage(*art, inputs.effects.colorSelection, inputs.effects.tintOpacity);
            artOpaque = art && isOpaque(*art);
        });
        return art;
    }

    const Foreground &separated() {
        std::call_once(foregroundOnce, [this] {
            if (const auto &base = tintedArt())
                foreground = separateForeground(*base);
        });
        return foreground;
    }

    const std::optional<Image> &darkPicture() {
        std::call_once(darkOnce, [this] {
            if (inputs.darkSource)
                dark = atEdge(*inputs.darkSource);
            else if (tintedArt())
                dark = darkForeground(separated());
        });
        return dark;
    }

    // The grey the tinted files show, on a transparent ground.
    const std::optional<Image> &greyPicture() {
        std::call_once(greyOnce, [this] {
            if (inputs.tintedSource) {
                if (const auto handMade = atEdge(*inputs.tintedSource))
                    grey = greyscale(*handMade);
            } else if (inputs.darkSource) {
                if (tintedArt())
                    grey = tintedForeground(separated());
            } else if (const auto &dark = darkPicture()) {
                grey = tintedFromDark(*dark);
            }
            greyOpaque = grey && isOpaque(*grey);
        });
        return grey;
    }

    // The padding shrinks the art on its canvas, as the effects pipeline does; each picture is padded
    // once, whichever of its two files asks first.
    std::optional<Image> padded(const std::optional<Image> &picture) const {
        if (!picture || !inputs.effects.withPadding)
            return picture;
        return paddedOrEmpty(*picture, inputs.effects.paddingPx);
    }
    const std::optional<Image> &artOnCanvas() {
        std::call_once(paddedArtOnce, [this] { paddedArt = padded(tintedArt()); });
        return paddedArt;
    }
    const std::optional<Image> &greyOnCanvas() {
        std::call_once(paddedGreyOnce, [this] { paddedGrey = padded(greyPicture()); });
        return paddedGrey;
    }

    Result<QByteArray> make(File which) {
        // The grey files are written as grey PNGs, a third (or half) of the bytes to compress.
        const auto encode = [this](const std::optional<Image> &picture, PngColour colour,
                                   const Color &ground) -> Result<QByteArray> {
            if (!picture)
                return unrenderable(edge);
            const bool opaque = colour == PngColour::Rgb || colour == PngColour::Grey;
            return opaque ? encodePngOver(picture->bitmap(), colour, ground, pngs)
                          : encodePng(picture->bitmap(), colour, pngs);
        };
        switch (which) {
        case File::Any:
            return encode(artOnCanvas(), PngColour::Rgb, inputs.background);
        case File::Dark:
            // Art with a transparent ground of its own is often its own dark appearance: the same
            // picture is then encoded once, for the layer, and shared.
            if (darkPicture() && tintedArt() &&
                darkPicture()->bitmap().cacheKey() == tintedArt()->bitmap().cacheKey())
                return owner->file(File::Layer);
            return encode(padded(darkPicture()), PngColour::Rgba, black);
        case File::Tinted:
            return encode(greyOnCanvas(), PngColour::Grey, black);
        // An opaque layer is the same picture as the opaque file made from it, so it shares its bytes.
        case File::Layer:
            if (tintedArt() && artOpaque && !inputs.effects.withPadding)
                return owner->file(File::Any);
            return encode(artOnCanvas(), PngColour::Rgba, black);
        case File::LayerTinted:
            if (greyPicture() && greyOpaque && !inputs.effects.withPadding)
                return owner->file(File::Tinted);
            return encode(greyOnCanvas(), PngColour::GreyAlpha, black);
        }
        return unrenderable(edge);
    }
};

AppleArtwork::AppleArtwork(const GenerationInputs &inputs, PngCache *pngs)
    : m_state(std::make_unique<State>(this, inputs, pngs)) {}

AppleArtwork::~AppleArtwork() = default;

const Result<QByteArray> &AppleArtwork::file(File which) const {
    const auto index = size_t(which);
    std::call_once(m_state->fileOnce[index], [&] { m_state->files[index] = m_state->make(which); });
    return *m_state->files[index];
}

void AppleArtwork::prepare(const QList<File> &files) const {
    parallelFor(int(files.size()), [&](int i) { file(files.at(i)); });
}

} // namespace glyphon
