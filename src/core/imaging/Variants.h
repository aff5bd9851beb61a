#pragma once

#include "Color.h"
#include "Image.h"

#include <optional>

namespace glyphon {

class RenderCache;

// The pictures the newer targets derive from one source, besides the source itself. Each keeps the
// source's pixel size unless it says otherwise.

// Every pixel composited over the colour: fully opaque, for files that must carry no alpha channel.
// Transparent pixels become exactly the colour and opaque ones keep exactly their own.
Image flattenOnto(const Image &image, const Color &background);

// The art without the ground it was drawn on. An opaque picture whose edge is one flat colour loses that
// colour the way "colour to alpha" removes it: over the removed ground the result shows the art again.
// A picture with transparency of its own, or without a flat edge (a photograph), is kept whole.
struct Foreground {
    Image image;
    std::optional<Color> ground; // the colour removed, if any
};
Foreground separateForeground(const Image &art);

// The picture for a dark home screen: the art on a transparent ground, which the system fills with its
// dark gradient. A one-colour (neutral) mark that would vanish there changes colour: to the colour of the
// ground it was drawn on when that is a light enough colour, else to its own lightness inverted.
Image darkVariant(const Image &art);
Image darkForeground(const Foreground &foreground);

// The picture the system tints: the art's lightness as an opaque grey image on black, stretched so the
// lightest part of the mark is white and shaded by a vertical gradient (full at the top, 70 % at the
// bottom), as the tinted icon is described.
Image tintedVariant(const Image &art);
// The same grey, still on a transparent ground.
Image tintedForeground(const Foreground &foreground);
// The same grey made from the dark picture darkForeground() gave, when there is one already.
Image tintedFromDark(const Image &dark);

// The picture's lightness as grey, its alpha kept: a hand-made tinted picture as the system expects it.
Image greyscale(const Image &picture);

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

// The picture for a maskable web icon: the art scaled about the centre (never enlarged) until everything it
// covers lies inside the central circle 80 % of the edge across, the part every mask shape keeps, on an
// opaque square of the background colour. Square, of the art's size or `edge` pixels; the art's render
// is taken from `renders` when given, the same pixels, made once per run and spread over the cores.
Image maskableVariant(const Image &art, const Color &background);
Image maskableVariant(const Image &art, const Color &background, int edge, RenderCache *renders = nullptr);

// True when no pixel of the picture is transparent at all.
bool isOpaque(const Image &image);

} // namespace glyphon
