#include "Effects.h"

#include "Renderer.h"

namespace glyphon {

// First cut: normalisation and padding only; corners and tint follow.
Image applyEffects(const Image &source, const EffectSettings &settings) {
    Image image = source;
    if (settings.withRoundedCorners || settings.withPadding) {
        if (auto normalised = resizeImage(image, 1024, 1024))
            image = *normalised;
    }
    if (settings.withRoundedCorners)
        image = roundCorners(image, settings.roundedCornersPx);
    if (settings.withPadding) {
        if (auto padded = padImage(image, settings.paddingPx))
            image = *padded;
    }
    if (settings.withTint)
        image = tintImage(image, settings.colorSelection, settings.tintOpacity);
    return image;
}

Image roundCorners(const Image &image, double) {
    return image;
}

Image tintImage(const Image &image, const Color &, double) {
    return image;
}

} // namespace glyphon
