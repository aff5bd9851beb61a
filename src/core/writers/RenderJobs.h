#pragma once

#include "Error.h"
#include "imaging/Color.h"
#include "imaging/Image.h"
#include "imaging/PngCache.h"
#include "imaging/RenderCache.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace glyphon {

// OpaquePng is an RGB PNG without alpha of the render composited over the batch's background.
enum class IconEncoding { Png, OpaquePng, Ico };

// One icon file's picture: the whole image at a square edge, encoded as the file's format.
struct RenderJob {
    int edge = 0;
    IconEncoding encoding = IconEncoding::Png;
};

// The failure of a picture that could not be made at edge × edge pixels.
Error unrenderable(int edge);

// What the targets of one run share, so a picture rendered or encoded for one target is not made again for
// the next. Without it, every render and encode is made afresh, to the same pixels and bytes.
struct SharedWork {
    RenderCache renders;
    PngCache pngs;
};

// Renders and encodes every job, spread over the cores; one entry per job, in order. The errors carry no
// path: the caller knows which file each job was for.
QList<Result<QByteArray>> renderIcons(const Image &image, const QList<RenderJob> &jobs,
                                      const Color &background = defaultBackground,
                                      SharedWork *shared = nullptr);

// The whole image at each square edge, unencoded, for pictures composed from several renders: each
// distinct edge is resampled once from the full picture, spread over the cores. One entry per edge, in
// order; a null image where no picture could be made.
QList<QImage> renderSquares(const Image &image, const QList<int> &edges, SharedWork *shared = nullptr);

} // namespace glyphon
