#pragma once

#include "Error.h"
#include "imaging/Image.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace glyphon {

enum class IconEncoding { Png, Ico };

// One icon file's picture: the whole image at a square edge, encoded as the file's format.
struct RenderJob {
    int edge = 0;
    IconEncoding encoding = IconEncoding::Png;
};

// Renders and encodes every job, spread over the cores; one entry per job, in order. The errors carry no
// path: the caller knows which file each job was for.
QList<Result<QByteArray>> renderIcons(const Image &image, const QList<RenderJob> &jobs);

// Renders the whole image at each square edge, spread over the cores, for the files that hold several
// pictures; one entry per edge, in order, null where no picture could be made.
QList<QImage> renderPictures(const Image &image, const QList<int> &edges);

} // namespace glyphon
