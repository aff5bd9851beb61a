#include "Resampler.h"

#include "ParallelFor.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

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

// The filter for one axis: for each output pixel, `count` weights starting at source pixel `first`.
// Every output has the same number of taps (zero-padded), which keeps the inner loops simple.
struct AxisFilter {
    int count = 0;
    std::vector<int> first;
    std::vector<int16_t> weights;
    // The same weights as floats that also undo the vertical pass's scale.
    std::vector<float> scaled;
};

// Pixel centres line up as (j + 0.5) · from / to; taps falling outside the source are dropped and
// the rest renormalised, as ImageMagick does, so borders neither darken nor repeat.
AxisFilter axisFilter(int from, int to) {
    const double factor = double(from) / to;
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
        for (int i = start; i < stop; ++i)
            sum += exact[size_t(i - start)] = lanczos((i + 0.5 - centre) / scale);
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
    filter.scaled.resize(filter.weights.size());
    for (size_t i = 0; i < filter.weights.size(); ++i)
        filter.scaled[i] = float(filter.weights[i]) / float(1 << (2 * weightBits));
    return filter;
}

// One output row of the vertical pass: `count` source rows weighted into floats scaled by
// 2^weightBits. Negative lobes may undershoot; like ImageMagick's integer builds, the values are
// clamped between the passes.
void verticalRow(const uchar *const *rows, const int16_t *weights, int count, int length, float *middle) {
    constexpr float top = float(255 << weightBits);
    int x = 0;
    for (; x + block <= length; x += block) {
        int32_t sums[block] = {};
        int k = 0;
        // Two rows a step halves the trips of the sums through memory.
        for (; k + 2 <= count; k += 2) {
            const int32_t weight0 = weights[k], weight1 = weights[k + 1];
            const uchar *row0 = rows[k] + x, *row1 = rows[k + 1] + x;
            for (int i = 0; i < block; ++i)
                sums[i] += weight0 * row0[i] + weight1 * row1[i];
        }
        for (; k < count; ++k) {
            const int32_t weight = weights[k];
            const uchar *row = rows[k] + x;
            for (int i = 0; i < block; ++i)
                sums[i] += weight * row[i];
        }
        for (int i = 0; i < block; ++i)
            middle[x + i] = std::clamp(float(sums[i]), 0.0f, top);
    }
    for (; x < length; ++x) {
        int32_t sum = 0;
        for (int k = 0; k < count; ++k)
            sum += weights[k] * rows[k][x];
        middle[x] = std::clamp(float(sum), 0.0f, top);
    }
}

// The four channels of a pixel as one value, so each tap is a single multiply-add on any target
// GCC knows (SSE2 on every x86-64, NEON on ARM) without intrinsics.
using Pixel = float __attribute__((vector_size(16)));

Pixel pixelAt(const float *pixels, int index) {
    Pixel pixel;
    std::memcpy(&pixel, pixels + index * 4, sizeof pixel);
    return pixel;
}

// One output row of the horizontal pass. The colour channels are clamped to the alpha so the
// result stays valid premultiplied ARGB.
void horizontalRow(const float *middle, const AxisFilter &filter, int width, uchar *out) {
    const int count = filter.count;
    for (int x = 0; x < width; ++x) {
        const float *pixels = middle + size_t(filter.first[size_t(x)]) * 4;
        const float *weights = &filter.scaled[size_t(x) * size_t(count)];
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
        const Pixel sum = (sum0 + sum1) + (sum2 + sum3);
        uchar value[4];
        for (int c = 0; c < 4; ++c)
            value[c] = uchar(std::clamp(int(sum[c] + 0.5f), 0, 255));
        const uchar alpha = value[alphaByte];
        for (int c = 0; c < 4; ++c)
            out[x * 4 + c] = std::min(value[c], alpha);
    }
}

// Rows [from, to) of a render of `level` at the size of `out`.
void renderRows(const QImage &level, const AxisFilter &horizontal, const AxisFilter &vertical, QImage &out,
                int from, int to) {
    const int length = level.width() * 4;
    std::vector<float> middle(static_cast<size_t>(length));
    std::vector<const uchar *> rows(size_t(vertical.count));
    for (int y = from; y < to; ++y) {
        const int first = vertical.first[size_t(y)];
        for (int k = 0; k < vertical.count; ++k)
            rows[size_t(k)] = level.constScanLine(first + k);
        verticalRow(rows.data(), &vertical.weights[size_t(y) * size_t(vertical.count)], vertical.count,
                    length, middle.data());
        horizontalRow(middle.data(), horizontal, out.width(), out.scanLine(y));
    }
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

// Each output pixel is the rounded mean of a 2 × 2 block: exact, and valid premultiplied again.
void halveRows(const QImage &level, QImage &half, int from, int to) {
    for (int y = from; y < to; ++y)
        halveRow(reinterpret_cast<const quint32 *>(level.constScanLine(2 * y)),
                 reinterpret_cast<const quint32 *>(level.constScanLine(2 * y + 1)),
                 reinterpret_cast<quint32 *>(half.scanLine(y)), half.width());
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

bool fitsRatio(QSize level, QSize target) {
    return level.width() >= levelRatio * target.width() && level.height() >= levelRatio * target.height();
}

} // namespace

SourceLevels::SourceLevels(const QImage &source) : m_levels{premultiplied(source)} {}

void SourceLevels::prepare(const QList<QSize> &targets) {
    QSize smallest;
    for (const QSize &target : targets)
        if (target.isValid() && !target.isEmpty())
            smallest = smallest.isValid() ? smallest.boundedTo(target) : target;
    if (!smallest.isValid() || m_levels.front().isNull())
        return;
    // Halving stops at an odd edge: its last pixel would have no partner and the grid would shift.
    for (;;) {
        const QImage &level = m_levels.back();
        const QSize half = level.size() / 2;
        if (level.width() % 2 || level.height() % 2 || !fitsRatio(half, smallest))
            return;
        QImage next(half, QImage::Format_ARGB32_Premultiplied);
        if (next.isNull())
            return;
        forRowBands(half.height(), qint64(half.width()) * half.height(),
                    [&](int from, int to) { halveRows(level, next, from, to); });
        m_levels.push_back(std::move(next));
    }
}

QImage SourceLevels::render(int width, int height, bool spread) const {
    const QImage &source = m_levels.front();
    if (source.isNull() || width <= 0 || height <= 0)
        return {};
    if (source.width() == width && source.height() == height)
        return source;
    const QSize target(width, height);
    auto level = m_levels.begin();
    while (level + 1 != m_levels.end() && fitsRatio((level + 1)->size(), target))
        ++level;
    if (level->width() == width && level->height() == height)
        return *level;

    QImage out(width, height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    const AxisFilter horizontal = axisFilter(level->width(), width);
    const AxisFilter vertical = level->height() == level->width() && height == width
                                    ? horizontal
                                    : axisFilter(level->height(), height);
    const qint64 work = spread ? qint64(level->width()) * height * vertical.count : 0;
    forRowBands(height, work,
                [&](int from, int to) { renderRows(*level, horizontal, vertical, out, from, to); });
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
