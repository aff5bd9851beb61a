#pragma once

#include "Image.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <memory>

namespace glyphon {

// Renders of pictures at square edges, each made once and kept for whoever asks next: the targets of one
// run ask for the same picture at the same edges again and again (16, 32, 64, 128, 256 and 512 of the
// processed source alone by four of them). A picture is known by its identity, so pass the same Image
// (or a copy of it), not a picture made again. Each picture's reductions are built once, every level down,
// and a render depends only on the picture and its edge, so the pixels are exactly those of an uncached
// render. Safe from any thread.
class RenderCache {
public:
    RenderCache();
    ~RenderCache();
    RenderCache(const RenderCache &) = delete;
    RenderCache &operator=(const RenderCache &) = delete;

    // The picture at each edge, the missing ones rendered side by side, largest first. One entry per edge,
    // in order; a null image for an edge below 1 or where no picture could be made.
    QList<QImage> squares(const Image &picture, const QList<int> &edges);

    // Parts of square renders: the pixels of `window` (within 0, 0, edge, edge) of the picture rendered at
    // edge × edge, made once each like the whole squares, at the cost of the window alone. One entry per
    // part, in order; a null image for an empty or outlying window.
    struct SquarePart {
        int edge = 0;
        QRect window;
    };
    QList<QImage> parts(const Image &picture, const QList<SquarePart> &parts);

    // How many renders were answered with earlier pixels.
    int reused() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace glyphon
