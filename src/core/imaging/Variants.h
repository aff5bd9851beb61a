#pragma once

#include "Color.h"
#include "Image.h"

namespace glyphon {

// The pictures the newer targets derive from one source, besides the source itself. Each keeps the
// source's pixel size unless it says otherwise.

// Every pixel composited over the colour: fully opaque, for files that must carry no alpha channel.
Image flattenOnto(const Image &image, const Color &background);

// The picture for a dark home screen: the art on a transparent ground, which the system fills.
Image darkVariant(const Image &art);

// The picture the system tints: the art's lightness as grey.
Image tintedVariant(const Image &art);

// A one-colour silhouette (white with the art's coverage as alpha) for themed launcher icons: the art's
// alpha where it has transparency, its luminance where it is opaque all over.
Image monochromeVariant(const Image &art);

// What a silhouette's coverage is taken from: the alpha of art with transparency, or the lightness of art
// that has none (light shapes on a dark ground come out as the shapes).
enum class Coverage { Alpha, Luminance };

// The coverage monochromeVariant goes by for this art.
Coverage coverageOf(const Image &art);

// White with the art's coverage as alpha, decided by the caller, so every size of one picture is made the
// same way even where a small render happens to lose its last transparent pixel.
Image silhouette(const Image &art, Coverage coverage);

// Where a picture scaled to `fraction` of a square canvas's edge lands: its whole-pixel edge and the margin
// before it, the nearest to exact. The margins on both sides are equal, so the picture stays centred; a
// fraction above 1 gives a negative margin (the picture overhangs the canvas).
struct Placement {
    int edge = 0;
    int margin = 0;
};
Placement centredPlacement(int canvasEdge, double fraction);

// The art scaled by `scale` (0 … 1) about the centre of a transparent canvas of its own size, resampled
// once from the full picture onto whole pixels.
Image insetArt(const Image &art, double scale);

// True when no pixel of the picture is transparent at all.
bool isOpaque(const Image &image);

} // namespace glyphon
