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

// The art scaled by `scale` (0 … 1) about the centre of a transparent canvas of its own size.
Image insetArt(const Image &art, double scale);

// True when no pixel of the picture is transparent at all.
bool isOpaque(const Image &image);

} // namespace glyphon
