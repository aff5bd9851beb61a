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

// The canvas radius and padding are measured on: the 1024 × 1024 square the icons are cut from, into which a
// source that is not square is squashed, or, for showing such a source as it is, 1024 on its longer edge.
enum class EffectCanvas { Square, Proportional };

// Corners, then padding, then tint; the source itself when no effect is on. The source is normalised to
// the canvas when corners or padding are on.
Image applyEffects(const Image &source, const EffectSettings &settings,
                   EffectCanvas canvas = EffectCanvas::Square);

// The effects in the pipeline's order on a picture already at its canvas, the radius and the padding
// multiplied by `scale` (the canvas's edge over 1024): what applyEffects does after normalising.
Image applyEffectsAtScale(const Image &image, const EffectSettings &settings, double scale);

// The picture shrunk into a transparent margin of `padding` pixels (a negative or undefined one is none); a
// margin that swallows it leaves an empty canvas of its size.
Image paddedOrEmpty(const Image &image, double padding);

// Antialiased quarter-circle corners; the radius is clamped to 0 … half the shorter edge.
Image roundCorners(const Image &image, double radius);

// Porter–Duff source-atop of the colour at the given opacity: alpha is left exactly as it was.
Image tintImage(const Image &image, const Color &color, double opacity);

} // namespace glyphon
