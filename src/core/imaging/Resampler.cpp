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
void verticalRow(const float *const *rows, const float *weights, int count, int length, float *middle) {
    constexpr int lanes = 4;
    const Pixel zero = {}, top = zero + 255.0f;
    int x = 0;
    // Sixteen values a step keep four sums in registers across all the taps.
    for (; x + 4 * lanes <= length; x += 4 * lanes) {
        Pixel sum0 = {}, sum1 = {}, sum2 = {}, sum3 = {};
        for (int k = 0; k < count; ++k) {
            const float *row = rows[k] + x;
            const float weight = weights[k];
            sum0 += pixelAt(row, 0) * weight;
            sum1 += pixelAt(row, 1) * weight;
            sum2 += pixelAt(row, 2) * weight;
            sum3 += pixelAt(row, 3) * weight;
        }
        const auto store = [&](int at, Pixel value) {
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

// One output row of the horizontal pass. The colour channels are held to the alpha so the result
// stays valid premultiplied ARGB; rounding after that keeps them there.
void horizontalRow(const float *middle, const AxisFilter &filter, int width, uchar *out) {
    const int count = filter.count;
    const Pixel zero = {}, top = zero + 255.0f;
    for (int x = 0; x < width; ++x) {
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

// Rows [from, to) of a render of `level` at the size of `out`.
void renderRows(const QImage &level, const AxisFilter &horizontal, const AxisFilter &vertical,
                const Rows &out, int from, int to) {
    const int length = level.width() * 4;
    const int count = vertical.count;
    // A ring of converted level rows: any `count` consecutive rows land in different slots.
    std::vector<float> converted(size_t(count) * size_t(length));
    std::vector<int> held(static_cast<size_t>(count), -1);
    std::vector<float> middle(static_cast<size_t>(length));
    std::vector<const float *> rows(static_cast<size_t>(count));
    for (int y = from; y < to; ++y) {
        const int first = vertical.first[size_t(y)];
        for (int k = 0; k < count; ++k) {
            const int row = first + k;
            const size_t slot = size_t(row % count);
            float *floats = &converted[slot * size_t(length)];
            if (held[slot] != row) {
                toFloats(level.constScanLine(row), floats, length);
                held[slot] = row;
            }
            rows[size_t(k)] = floats;
        }
        verticalRow(rows.data(), &vertical.real[size_t(y) * size_t(count)], count, length, middle.data());
        horizontalRow(middle.data(), horizontal, out.width, out.row(y));
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
void halveRows(const QImage &level, const Rows &half, int from, int to) {
    for (int y = from; y < to; ++y)
        halveRow(reinterpret_cast<const quint32 *>(level.constScanLine(2 * y)),
                 reinterpret_cast<const quint32 *>(level.constScanLine(2 * y + 1)),
                 reinterpret_cast<quint32 *>(half.row(y)), half.width);
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
        QImage next = freshCanvas(half);
        if (next.isNull())
            return;
        const Rows rows(next);
        forRowBands(half.height(), qint64(half.width()) * half.height(),
                    [&](int from, int to) { halveRows(level, rows, from, to); });
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

    QImage out = freshCanvas(QSize(width, height));
    if (out.isNull())
        return {};
    const AxisFilter horizontal = axisFilter(level->width(), width);
    const AxisFilter vertical = level->height() == level->width() && height == width
                                    ? horizontal
                                    : axisFilter(level->height(), height);
    const qint64 work = spread ? qint64(level->width()) * height * vertical.count : 0;
    const Rows rows(out);
    forRowBands(height, work,
                [&](int from, int to) { renderRows(*level, horizontal, vertical, rows, from, to); });
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
