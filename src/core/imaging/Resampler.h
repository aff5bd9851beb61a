#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <vector>

namespace glyphon {

// A premultiplied source with its 2× box reductions, so that many renders of one picture start from
// a level only a few times larger than their target instead of from the full source. An odd edge
// halves too: its last box covers what remains, and the renders weigh and place it by that part.
class SourceLevels {
public:
    explicit SourceLevels(const QImage &source);

    // Builds, once and spread over the cores, every level a render of these sizes starts from.
    // Call it before rendering from several threads; rendering itself only reads.
    void prepare(const QList<QSize> &targets);

    // A Lanczos-3 render of the whole source at width × height, from the deepest prepared level
    // that still has enough pixels; `spread` splits a large one over the cores. Null when the size
    // is empty or the canvas cannot be made.
    QImage render(int width, int height, bool spread = false) const;
    // Only the part of that render inside `window` (within 0, 0, width, height): the same pixels as
    // render(width, height).copy(window), at the cost of the window alone. Null for an empty window.
    QImage render(int width, int height, const QRect &window, bool spread = false) const;

    const QImage &source() const { return m_levels.front(); }
    // The prepared reduction `depth` halvings deep (ceil(edge / 2^depth) pixels), or null.
    QImage level(int depth) const;

    // The rectangle of a level outside which every pixel is clear (0 … width, 0 … height, half-open).
    struct Bounds {
        int left = 0, top = 0, right = 0, bottom = 0;
    };

private:
    std::vector<QImage> m_levels;
    std::vector<Bounds> m_bounds;
};

// The one place pixels are resampled: the whole premultiplied source scaled to fill width × height
// with a Lanczos-3 filter. Returns a null image when the destination cannot be allocated.
QImage resample(const QImage &source, int width, int height);

} // namespace glyphon
