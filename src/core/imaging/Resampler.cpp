#include "Resampler.h"

#include "ParallelFor.h"
#include "PixelBuffer.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

namespace glyphon {

namespace {

constexpr double lobes = 3.0;
// Weights are fixed point with this many fraction bits and sum to exactly one, so a flat area
// comes out with exactly its own value.
constexpr int weightBits = 14;
// A box-reduced level is only used while it keeps this many pixels per output pixel: the Lanczos
// pass then still sees every detail it needs and the box filter's softness stays below what shows.
constexpr int levelRatio = 2;
// Bytes of one ARGB32 pixel in memory order; the alpha byte's place depends on the byte order.
constexpr int alphaByte = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 3 : 0;
// Loops over rows run in fixed blocks with a scalar tail: GCC vectorises those at -O2, and the
// vertical pass's sums of one block stay in L1.
constexpr int block = 64;

double lanczos(double x) {
    x = std::abs(x);
    if (x < 1e-12)
        return 1.0;
    if (x >= lobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return lobes * std::sin(px) * std::sin(px / lobes) / (px * px);
}

// The four channels of a pixel as one value, so each tap is a single multiply-add on any target
// GCC knows (SSE2 on every x86-64, NEON on ARM) without intrinsics.
using Pixel = float __attribute__((vector_size(16)));
using Channels = int32_t __attribute__((vector_size(16)));

// The filter for one axis: for each output pixel, `count` weights starting at source pixel `first`.
// Every output has the same number of taps (zero-padded), which keeps the inner loops simple.
struct AxisFilter {
    int count = 0;
    std::vector<int> first;
    std::vector<int16_t> weights;
    // The same weights as floats, alone and once per channel.
    std::vector<float> real;
    std::vector<Pixel> spread;
};

// Pixel centres line up as (j + 0.5) · span / to; taps falling outside the source are dropped and
// the rest renormalised, as ImageMagick does, so borders neither darken nor repeat. A reduced level's
// last pixel may stand for only part of a box (span < from): it is weighted by the part it covers and
// placed at that part's centre, so the picture neither shifts nor stretches.
AxisFilter axisFilter(int from, double span, int to) {
    const double factor = span / to;
    const double lastCoverage = span - (from - 1);
    const double lastCentre = (from - 1 + span) / 2.0;
    const double scale = std::max(factor, 1.0);
    const double support = lobes * scale;
    AxisFilter filter;
    filter.count = std::min(from, int(std::ceil(2.0 * support)) + 1);
    filter.first.resize(size_t(to));
    filter.weights.assign(size_t(to) * size_t(filter.count), 0);
    std::vector<double> exact(size_t(filter.count));
    for (int j = 0; j < to; ++j) {
        const double centre = (j + 0.5) * factor;
        const int start = std::max(int(centre - support + 0.5), 0);
        const int stop = std::min({int(centre + support + 0.5), from, start + filter.count});
        double sum = 0.0;
        for (int i = start; i < stop; ++i) {
            const bool last = i == from - 1;
            const double weight = lanczos(((last ? lastCentre : i + 0.5) - centre) / scale);
            sum += exact[size_t(i - start)] = last ? weight * lastCoverage : weight;
        }
        if (!(sum > 1e-9)) {
            // Only a window cut down to the zeros of the kernel sums to nothing; the nearest pixel stands in.
            std::fill(exact.begin(), exact.end(), 0.0);
            exact[size_t(std::clamp(int(centre), start, stop - 1) - start)] = sum = 1.0;
        }
        const int first = std::clamp(start, 0, from - filter.count);
        filter.first[size_t(j)] = first;
        int16_t *weights = &filter.weights[size_t(j) * size_t(filter.count) + size_t(start - first)];
        int total = 0;
        int largest = 0;
        for (int i = 0; i < stop - start; ++i) {
            weights[i] = int16_t(std::lround(exact[size_t(i)] / sum * (1 << weightBits)));
            total += weights[i];
            if (weights[i] > weights[largest])
                largest = i;
        }
        weights[largest] = int16_t(weights[largest] + (1 << weightBits) - total);
    }
    filter.real.resize(filter.weights.size());
    filter.spread.resize(filter.weights.size());
    for (size_t i = 0; i < filter.weights.size(); ++i) {
        filter.real[i] = float(filter.weights[i]) / float(1 << weightBits);
        filter.spread[i] = Pixel{} + filter.real[i];
    }
    return filter;
}

Pixel pixelAt(const float *pixels, int index) {
    Pixel pixel;
    std::memcpy(&pixel, pixels + index * 4, sizeof pixel);
    return pixel;
}

// A level row as floats, converted once and then read by every output row whose taps reach it.
void toFloats(const uchar *__restrict row, float *__restrict out, int length) {
    int x = 0;
    for (; x + block <= length; x += block)
        for (int i = 0; i < block; ++i)
            out[x + i] = float(row[x + i]);
    for (; x < length; ++x)
        out[x] = float(row[x]);
}

// One output row of the vertical pass: `count` level rows weighted into one row of floats. Negative
// lobes may undershoot; like ImageMagick's integer builds, the values are clamped between the passes.
// Every value is its own sum, tap by tap in order, so any vector width gives the same bits; V is the
// vector the compiler gets to work with.
template <typename V>
inline __attribute__((always_inline)) void verticalRowIn(const float *const *rows, const float *weights,
                                                         int count, int length, float *middle) {
    constexpr int lanes = int(sizeof(V) / sizeof(float));
    const V zero = {}, top = zero + 255.0f;
    int x = 0;
    // Four vectors a step keep four sums in registers across all the taps.
    for (; x + 4 * lanes <= length; x += 4 * lanes) {
        V sum0 = {}, sum1 = {}, sum2 = {}, sum3 = {};
        for (int k = 0; k < count; ++k) {
            const float *row = rows[k] + x;
            const float weight = weights[k];
            V v0, v1, v2, v3;
            std::memcpy(&v0, row, sizeof(V));
            std::memcpy(&v1, row + lanes, sizeof(V));
            std::memcpy(&v2, row + 2 * lanes, sizeof(V));
            std::memcpy(&v3, row + 3 * lanes, sizeof(V));
            sum0 += v0 * weight;
            sum1 += v1 * weight;
            sum2 += v2 * weight;
            sum3 += v3 * weight;
        }
        const auto store = [&](int at, V value) {
            value = value < zero ? zero : value;
            value = value > top ? top : value;
            std::memcpy(middle + x + at * lanes, &value, sizeof value);
        };
        store(0, sum0);
        store(1, sum1);
        store(2, sum2);
        store(3, sum3);
    }
    for (; x < length; ++x) {
        float sum = 0.0f;
        for (int k = 0; k < count; ++k)
            sum += rows[k][x] * weights[k];
        middle[x] = std::clamp(sum, 0.0f, 255.0f);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The vertical pass is most of a render's work: where the processor has AVX2, eight values a step instead
// of four. Without FMA, so the products are rounded before they are added, exactly as in the SSE2 path.
using WidePixels = float __attribute__((vector_size(32)));
__attribute__((target("avx2"))) void verticalRowWide(const float *const *rows, const float *weights,
                                                     int count, int length, float *middle) {
    verticalRowIn<WidePixels>(rows, weights, count, length, middle);
}
#endif

void verticalRow(const float *const *rows, const float *weights, int count, int length, float *middle) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide) {
        verticalRowWide(rows, weights, count, length, middle);
        return;
    }
#endif
    verticalRowIn<Pixel>(rows, weights, count, length, middle);
}

// Output columns [from, to) of the horizontal pass, written from `out` on. The colour channels are held
// to the alpha so the result stays valid premultiplied ARGB; rounding after that keeps them there.
void horizontalRow(const float *middle, const AxisFilter &filter, int from, int to, uchar *out) {
    const int count = filter.count;
    const Pixel zero = {}, top = zero + 255.0f;
    out -= size_t(from) * 4;
    for (int x = from; x < to; ++x) {
        const float *pixels = middle + size_t(filter.first[size_t(x)]) * 4;
        const Pixel *weights = &filter.spread[size_t(x) * size_t(count)];
        // Four sums in flight, so the adds do not wait on each other's latency.
        Pixel sum0 = {}, sum1 = {}, sum2 = {}, sum3 = {};
        int k = 0;
        for (; k + 4 <= count; k += 4) {
            sum0 += pixelAt(pixels, k) * weights[k];
            sum1 += pixelAt(pixels, k + 1) * weights[k + 1];
            sum2 += pixelAt(pixels, k + 2) * weights[k + 2];
            sum3 += pixelAt(pixels, k + 3) * weights[k + 3];
        }
        for (; k < count; ++k)
            sum0 += pixelAt(pixels, k) * weights[k];
        Pixel sum = (sum0 + sum1) + (sum2 + sum3);
        sum = sum < zero ? zero : sum;
        sum = sum > top ? top : sum;
        const Pixel alpha = zero + sum[alphaByte];
        sum = sum > alpha ? alpha : sum;
        const Channels value = __builtin_convertvector(sum + 0.5f, Channels);
        for (int c = 0; c < 4; ++c)
            out[x * 4 + c] = uchar(value[c]);
    }
}

// Where the threads of one job write: taken once, before they start, because QImage::scanLine()
// on a shared image is not safe to call from several threads at once.
struct Rows {
    explicit Rows(QImage &image) : bits(image.bits()), stride(image.bytesPerLine()), width(image.width()) {}
    uchar *row(int y) const { return bits + qsizetype(y) * stride; }
    uchar *bits;
    qsizetype stride;
    int width;
};

// Rows [from, to) of a render of `level`, of which `out` holds the part inside `window`. Only the level's
// pixels within `bounds` are read: outside them every tap is zero, so the columns and rows that see
// nothing else come out clear without being summed, the same values the sums would give. A picture on a
// margin (the .icns grid, a padding, art narrower than its square) costs only its own area, and a window
// only the level pixels its own taps reach.
void renderRows(const QImage &level, const SourceLevels::Bounds &bounds, const AxisFilter &horizontal,
                const AxisFilter &vertical, const QRect &window, const Rows &out, int from, int to) {
    const int count = vertical.count;
    // The output columns whose taps reach into the bounds; `first` grows with the column.
    int leftmost = window.left(), rightmost = window.right() + 1;
    while (leftmost < rightmost && horizontal.first[size_t(leftmost)] + horizontal.count <= bounds.left)
        ++leftmost;
    while (rightmost > leftmost && horizontal.first[size_t(rightmost - 1)] >= bounds.right)
        --rightmost;
    // The level columns those outputs read, within the bounds.
    const int firstColumn =
        leftmost < rightmost ? std::max(bounds.left, horizontal.first[size_t(leftmost)]) : bounds.left;
    const int lastColumn =
        leftmost < rightmost
            ? std::min(bounds.right, horizontal.first[size_t(rightmost - 1)] + horizontal.count)
            : bounds.left;
    const int length = std::max(0, lastColumn - firstColumn) * 4;
    const size_t offset = size_t(firstColumn) * 4;
    // A ring of converted level rows: any `count` consecutive rows land in different slots.
    std::vector<float> converted(size_t(count) * size_t(length));
    std::vector<int> held(static_cast<size_t>(count), -1);
    // Zero outside the columns read, where nothing is written.
    std::vector<float> middle(static_cast<size_t>(level.width()) * 4);
    std::vector<const float *> rows(static_cast<size_t>(count));
    const size_t before = size_t(leftmost - window.left()) * 4;
    const size_t after = size_t(window.right() + 1 - rightmost) * 4;
    for (int y = from; y < to; ++y) {
        uchar *line = out.row(y - window.top());
        const int first = vertical.first[size_t(y)];
        if (length == 0 || first + count <= bounds.top || first >= bounds.bottom) {
            std::memset(line, 0, size_t(out.width) * 4);
            continue;
        }
        for (int k = 0; k < count; ++k) {
            const int row = first + k;
            const size_t slot = size_t(row % count);
            float *floats = &converted[slot * size_t(length)];
            if (held[slot] != row) {
                toFloats(level.constScanLine(row) + offset, floats, length);
                held[slot] = row;
            }
            rows[size_t(k)] = floats;
        }
        verticalRow(rows.data(), &vertical.real[size_t(y) * size_t(count)], count, length,
                    middle.data() + offset);
        std::memset(line, 0, before);
        horizontalRow(middle.data(), horizontal, leftmost, rightmost, line + before);
        std::memset(line + size_t(out.width) * 4 - after, 0, after);
    }
}

// The rectangle holding every pixel of the picture that is not fully clear (premultiplied: not zero).
SourceLevels::Bounds contentBounds(const QImage &image) {
    const int width = image.width();
    SourceLevels::Bounds bounds{width, image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(image.constScanLine(y));
        int left = 0;
        while (left < width && row[left] == 0)
            ++left;
        if (left == width)
            continue;
        int right = width;
        while (row[right - 1] == 0)
            --right;
        bounds.left = std::min(bounds.left, left);
        bounds.right = std::max(bounds.right, right);
        bounds.top = std::min(bounds.top, y);
        bounds.bottom = y + 1;
    }
    if (bounds.right <= bounds.left)
        return {};
    return bounds;
}

// A level's bounds from those of the level it halves: every block with a pixel inside lies inside. It
// may hold a block that rounds to clear, which only costs that block's sums.
SourceLevels::Bounds halvedBounds(const SourceLevels::Bounds &bounds) {
    return {bounds.left / 2, bounds.top / 2, (bounds.right + 1) / 2, (bounds.bottom + 1) / 2};
}

// Four ARGB32 pixels as one value, for the same reason as Pixel.
using Words = quint32 __attribute__((vector_size(16)));

// The rounded mean of the 2 × 2 blocks (p, q over r, s) of ARGB32 pixels, for one pixel or four.
// Two channels ride in the 16-bit halves of a 32-bit word, which holds four of them (at most 1022)
// without overflow.
template <typename T> T blockMean(T p, T q, T r, T s) {
    constexpr quint32 mask = 0x00ff00ff;
    constexpr quint32 half = 0x00020002;
    const T low = (p & mask) + (q & mask) + (r & mask) + (s & mask) + half;
    const T high = ((p >> 8) & mask) + ((q >> 8) & mask) + ((r >> 8) & mask) + ((s >> 8) & mask) + half;
    return ((low >> 2) & mask) | (((high >> 2) & mask) << 8);
}

Words wordsAt(const quint32 *pixels) {
    Words words;
    std::memcpy(&words, pixels, sizeof words);
    return words;
}

void halveRow(const quint32 *a, const quint32 *b, quint32 *out, int width) {
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const Words a0 = wordsAt(a + 2 * x), a1 = wordsAt(a + 2 * x + 4);
        const Words b0 = wordsAt(b + 2 * x), b1 = wordsAt(b + 2 * x + 4);
        const Words mean = blockMean(
            __builtin_shufflevector(a0, a1, 0, 2, 4, 6), __builtin_shufflevector(a0, a1, 1, 3, 5, 7),
            __builtin_shufflevector(b0, b1, 0, 2, 4, 6), __builtin_shufflevector(b0, b1, 1, 3, 5, 7));
        std::memcpy(out + x, &mean, sizeof mean);
    }
    for (; x < width; ++x)
        out[x] = blockMean(a[2 * x], a[2 * x + 1], b[2 * x], b[2 * x + 1]);
}

// How the boxes of one reduction lie along an axis: each pixel stands for `full` source pixels,
// the last one for the `last` (1 … full) that remain when the edge is no multiple of `full`.
struct Boxes {
    Boxes(int length, int depth)
        : full(qint64(1) << depth), count(int((length + full - 1) >> depth)),
          last(length - (count - 1) * full) {}
    // The level's extent in its own pixels: the last one counts only as far as it reaches.
    double span() const { return double(count - 1) + double(last) / double(full); }
    // The source pixels level pixel i stands for, or 0 past the end.
    qint64 weight(int i) const { return i < count - 1 ? full : i == count - 1 ? last : 0; }
    qint64 full;
    int count;
    qint64 last;
};

// The weighted, rounded mean of the pixels p, q over r, s, each axis weighted by the source pixels its
// members stand for: a partial box counts only as much as it covers. A zero weight leaves a pixel out.
// The sums fit in 64 bits until both edges pass 2^26 pixels, far beyond any image in memory.
quint32 weightedMean(const quint32 (&pixels)[4], qint64 left, qint64 right, qint64 top, qint64 bottom) {
    const qint64 across[2] = {left, right};
    const qint64 down[2] = {top, bottom};
    const qint64 total = (across[0] + across[1]) * (down[0] + down[1]);
    quint32 mean = 0;
    for (int channel = 0; channel < 32; channel += 8) {
        qint64 sum = total / 2;
        for (int k = 0; k < 4; ++k)
            sum += across[k % 2] * down[k / 2] * ((pixels[k] >> channel) & 0xff);
        mean |= quint32(sum / total) << channel;
    }
    return mean;
}

// Each output pixel is the rounded mean of a 2 × 2 block, valid premultiplied again. Blocks along
// the last column and row may hold a partial box or have no partner; those take the weighted mean.
void halveRows(const QImage &level, Boxes across, Boxes down, const Rows &half, int from, int to) {
    const int last = half.width - 1;
    for (int y = from; y < to; ++y) {
        const int top = 2 * y, bottom = std::min(top + 1, down.count - 1);
        const auto *a = reinterpret_cast<const quint32 *>(level.constScanLine(top));
        const auto *b = reinterpret_cast<const quint32 *>(level.constScanLine(bottom));
        auto *out = reinterpret_cast<quint32 *>(half.row(y));
        const qint64 wa = down.weight(top), wb = bottom > top ? down.weight(bottom) : 0;
        if (wa == wb) {
            halveRow(a, b, out, last);
        } else {
            for (int x = 0; x < last; ++x)
                out[x] = weightedMean({a[2 * x], a[2 * x + 1], b[2 * x], b[2 * x + 1]}, 1, 1, wa, wb);
        }
        const int left = 2 * last, right = std::min(left + 1, across.count - 1);
        out[last] = weightedMean({a[left], a[right], b[left], b[right]}, across.weight(left),
                                 right > left ? across.weight(right) : 0, wa, wb);
    }
}

// Splits rows into bands for the pool; small jobs stay on the calling thread.
void forRowBands(int rows, qint64 work, const std::function<void(int, int)> &body) {
    const int bands = work < (1 << 18) ? 1 : std::min(rows, 16);
    parallelFor(bands, [&](int band) { body(rows * band / bands, rows * (band + 1) / bands); });
}

QImage premultiplied(const QImage &image) {
    return image.format() == QImage::Format_ARGB32_Premultiplied
               ? image
               : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Whether the reduction `depth` halvings deep keeps levelRatio pixels per target pixel on both axes.
// A partial last box counts as a pixel: the ratio may then fall short by less than one level pixel,
// which costs no visible sharpness, while the next level up would cost up to four times the work.
bool fitsRatio(QSize source, int depth, QSize target) {
    return Boxes(source.width(), depth).count >= qint64(levelRatio) * target.width() &&
           Boxes(source.height(), depth).count >= qint64(levelRatio) * target.height();
}

} // namespace

SourceLevels::SourceLevels(const QImage &source)
    : m_levels{premultiplied(source)}, m_bounds{contentBounds(m_levels.front())} {}

void SourceLevels::prepare(const QList<QSize> &targets) {
    QSize smallest;
    for (const QSize &target : targets)
        if (target.isValid() && !target.isEmpty())
            smallest = smallest.isValid() ? smallest.boundedTo(target) : target;
    if (!smallest.isValid() || m_levels.front().isNull())
        return;
    const QSize source = m_levels.front().size();
    // Odd edges halve too, their last box partial: a reduction by any power of two, with only the
    // remaining fraction left to the Lanczos pass, whatever the edge.
    for (int depth = int(m_levels.size()); fitsRatio(source, depth, smallest); ++depth) {
        const Boxes across(source.width(), depth - 1), down(source.height(), depth - 1);
        QImage next = freshCanvas(QSize((across.count + 1) / 2, (down.count + 1) / 2));
        if (next.isNull())
            return;
        const QImage &level = m_levels.back();
        const Rows rows(next);
        forRowBands(next.height(), qint64(next.width()) * next.height(),
                    [&](int from, int to) { halveRows(level, across, down, rows, from, to); });
        m_levels.push_back(std::move(next));
        m_bounds.push_back(halvedBounds(m_bounds.back()));
    }
}

QImage SourceLevels::level(int depth) const {
    return depth >= 0 && depth < int(m_levels.size()) ? m_levels[size_t(depth)] : QImage();
}

QImage SourceLevels::render(int width, int height, bool spread) const {
    return render(width, height, QRect(0, 0, width, height), spread);
}

QImage SourceLevels::render(int width, int height, const QRect &window, bool spread) const {
    const QImage &source = m_levels.front();
    if (source.isNull() || width <= 0 || height <= 0 || !QRect(0, 0, width, height).contains(window) ||
        window.isEmpty())
        return {};
    if (source.width() == width && source.height() == height)
        return window == source.rect() ? source : source.copy(window);
    const QSize target(width, height);
    int depth = 0;
    while (depth + 1 < int(m_levels.size()) && fitsRatio(source.size(), depth + 1, target))
        ++depth;
    const QImage &level = m_levels[size_t(depth)];

    QImage out = freshCanvas(window.size());
    if (out.isNull())
        return {};
    const Boxes across(source.width(), depth), down(source.height(), depth);
    const AxisFilter horizontal = axisFilter(across.count, across.span(), width);
    const AxisFilter vertical = source.height() == source.width() && height == width
                                    ? horizontal
                                    : axisFilter(down.count, down.span(), height);
    const qint64 work = spread ? qint64(level.width()) * window.height() * vertical.count : 0;
    const Rows rows(out);
    const Bounds &bounds = m_bounds[size_t(depth)];
    forRowBands(window.height(), work, [&](int from, int to) {
        renderRows(level, bounds, horizontal, vertical, window, rows, window.top() + from, window.top() + to);
    });
    return out;
}

QImage resample(const QImage &source, int width, int height) {
    if (source.isNull() || width <= 0 || height <= 0)
        return {};
    SourceLevels levels(source);
    levels.prepare({QSize(width, height)});
    return levels.render(width, height, true);
}

} // namespace glyphon
