#pragma once

#include "Color.h"
#include "Image.h"

namespace glyphon {

// The effect settings the pipeline reads; defaults are the application's declared ones.
struct EffectSettings {
    bool withRoundedCorners = false;
    double roundedCornersPx = 229.0;
    bool withPadding = false;
    double paddingPx = 100.0;
    bool withTint = false;
    double tintOpacity = 0.2;
    Color colorSelection;

    friend bool operator==(const EffectSettings &, const EffectSettings &) = default;
};

// Corners, then padding, then tint; the source itself when no effect is on. Radius and padding
// are measured on a canvas 1024 pixels on its longer edge, so the source is normalised to it when either
// is on; a source that is not square keeps its proportions.
Image applyEffects(const Image &source, const EffectSettings &settings);

// Antialiased quarter-circle corners; the radius is clamped to 0 … half the shorter edge.
Image roundCorners(const Image &image, double radius);

// Porter–Duff source-atop of the colour at the given opacity: alpha is left exactly as it was.
Image tintImage(const Image &image, const Color &color, double opacity);

} // namespace glyphon
