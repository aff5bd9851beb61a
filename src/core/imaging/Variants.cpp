#include "Variants.h"

#include "ParallelFor.h"
#include "PixelLoops.h"
#include "RenderCache.h"
#include "Resampler.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <vector>

namespace glyphon {

namespace {

// Rec. 709 luma of straight (unpremultiplied) channels, rounded; the weights in 16-bit fixed point.
inline quint32 luma(quint32 red, quint32 green, quint32 blue) {
    return (13933u * red + 46871u * green + 4732u * blue + 32768u) >> 16;
}

int luma(QRgb straight) {
    return int(luma(quint32(qRed(straight)), quint32(qGreen(straight)), quint32(qBlue(straight))));
}

double luma(const Color &c) {
    return 0.2126 * c.red + 0.7152 * c.green + 0.0722 * c.blue;
}

double chroma(const Color &c) {
    return std::max({c.red, c.green, c.blue}) - std::min({c.red, c.green, c.blue});
}

int channel(double value) {
    return int(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5);
}

// Runs body over bands of rows spread over the cores: whole-picture passes on a 1024 icon are a few
// milliseconds each, and a band keeps the scheduling cost out of the row loop.
void forRows(int height, const std::function<void(int first, int last)> &body) {
    constexpr int band = 64;
    const int bands = (height + band - 1) / band;
    parallelFor(bands, [&](int i) { body(i * band, std::min(height, (i + 1) * band)); });
}

// A pass over a premultiplied picture, row by row from its straight (unpremultiplied) copy: rows(in, out,
// width, y) writes one premultiplied row. The straight copy is passed in when the caller has made one
// already.
template <typename F> Image mapStraightRows(const Image &picture, F rows, QImage straight = {}) {
    if (straight.isNull())
        straight = picture.bitmap().convertToFormat(QImage::Format_ARGB32);
    QImage out(straight.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return picture;
    const int width = straight.width();
    forRows(straight.height(), [&](int first, int last) {
        for (int y = first; y < last; ++y)
            rows(reinterpret_cast<const quint32 *>(straight.constScanLine(y)),
                 reinterpret_cast<quint32 *>(out.scanLine(y)), width, y);
    });
    return Image(out, picture.size());
}

// A straight-colour pass: each pixel out of f(straight pixel, row), written back premultiplied.
template <typename F> Image mapStraight(const Image &picture, F f) {
    return mapStraightRows(picture, [&](const quint32 *in, quint32 *out, int width, int y) {
        for (int x = 0; x < width; ++x)
            out[x] = qPremultiply(f(in[x], y));
    });
}

// The per-channel median of a band two pixels wide around the edge, and whether nearly all of it lies
// within a JPEG's noise of that colour; nothing when any of it is not opaque.
std::optional<QRgb> flatEdge(const QImage &bitmap) {
    const int w = bitmap.width();
    const int h = bitmap.height();
    constexpr int ring = 2;
    if (w < 4 * ring || h < 4 * ring)
        return std::nullopt;
    std::array<std::array<int, 256>, 3> histogram{};
    QList<QRgb> pixels;
    pixels.reserve(2 * ring * (w + h));
    bool opaque = true;
    const auto visit = [&](QRgb p) {
        opaque = opaque && qAlpha(p) == 255;
        pixels.append(p);
        ++histogram[0][size_t(qRed(p))];
        ++histogram[1][size_t(qGreen(p))];
        ++histogram[2][size_t(qBlue(p))];
    };
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(bitmap.constScanLine(y));
        const bool edgeRow = y < ring || y >= h - ring;
        for (int x = 0; x < w; ++x) {
            visit(row[x]);
            if (!edgeRow && x == ring - 1)
                x = w - ring - 1;
        }
    }
    if (!opaque)
        return std::nullopt;
    const auto median = [&](const std::array<int, 256> &counts) {
        qsizetype seen = 0;
        for (int value = 0; value < 256; ++value)
            if ((seen += counts[size_t(value)]) * 2 >= pixels.size())
                return value;
        return 255;
    };
    const QRgb ground = qRgb(median(histogram[0]), median(histogram[1]), median(histogram[2]));
    constexpr int noise = 12;
    const auto close = [&](QRgb p) {
        return std::abs(qRed(p) - qRed(ground)) <= noise && std::abs(qGreen(p) - qGreen(ground)) <= noise &&
               std::abs(qBlue(p) - qBlue(ground)) <= noise;
    };
    const qsizetype flat = std::count_if(pixels.cbegin(), pixels.cend(), close);
    if (flat * 100 < pixels.size() * 95)
        return std::nullopt;
    return ground;
}

// One row of straight pixels with the ground taken out, premultiplied ("colour to alpha"). Each channel's
// coverage is the least at which some colour within 0 … 1 over the ground gives its value; the largest of
// the three is the pixel's. Written without lookups or branches so that the compiler vectorises it.
GLYPHON_PIXEL_LOOP void withoutGround(const quint32 *in, quint32 *out, int width, const int groundByte[3]) {
    const float ground[3] = {float(groundByte[0]) / 255.0f, float(groundByte[1]) / 255.0f,
                             float(groundByte[2]) / 255.0f};
    // Differences up to twice the noise tolerated on the edge count as ground, so a compressed picture's
    // speckles around its art do not stay behind as faint dots; beyond that, coverage rises.
    constexpr float floor = 24.0f / 255.0f;
    // Held to 0 … 1 the way that also turns a NaN (from a pixel left clear, whose quotients are not used)
    // into 0, so no lane converts a NaN.
    const auto byte = [](float value) { return int(std::min(1.0f, std::max(0.0f, value)) * 255.0f + 0.5f); };
    // Both quotients are worked out for every channel, the one that applies then chosen: a division
    // behind a branch would keep the loop from being vectorised.
    const auto coverage = [](float c, float g) {
        const float above = (c - g) / (1.0f - g);
        const float below = (g - c) / g;
        return c > g ? above : c < g ? below : 0.0f;
    };
    for (int x = 0; x < width; ++x) {
        const quint32 p = in[x];
        const float red = float((p >> 16) & 0xff) / 255.0f;
        const float green = float((p >> 8) & 0xff) / 255.0f;
        const float blue = float(p & 0xff) / 255.0f;
        const float least = std::max(coverage(red, ground[0]),
                                     std::max(coverage(green, ground[1]), coverage(blue, ground[2])));
        const float alpha = (least - floor) / (1.0f - floor);
        const float spread = 1.0f / alpha;
        const QRgb made = qPremultiply(qRgba(byte(ground[0] + (red - ground[0]) * spread),
                                             byte(ground[1] + (green - ground[1]) * spread),
                                             byte(ground[2] + (blue - ground[2]) * spread), byte(alpha)));
        out[x] = least <= floor ? 0u : made;
    }
}

// One row of the tinted grey from straight pixels: each pixel's luma stretched so that `lightest` becomes
// white (every pixel white when it is 0), shaded, with its own alpha, premultiplied; a clear pixel comes
// out 0. Written without lookups or branches so that the compiler vectorises it.
GLYPHON_PIXEL_LOOP void tintedRow(const quint32 *straight, quint32 *out, int width, int lightest,
                                  float shade) {
    const float top = float(lightest);
    for (int x = 0; x < width; ++x) {
        const quint32 p = straight[x];
        const int level = luma(p);
        // Divided whatever the case, so that the division is not behind a branch, which would keep the
        // loop from being vectorised; the quotient is only used when there is something to divide by.
        const float ratio = float(level) / top;
        const float stretched = lightest == 0 ? 1.0f : std::min(1.0f, ratio);
        const int grey = int(stretched * shade * 255.0f + 0.5f);
        out[x] = qPremultiply(qRgba(grey, grey, grey, int(p >> 24)));
    }
}

// Alpha-weighted mean lightness and colourfulness (0 … 1) of the visible pixels.
struct Tone {
    double lightness = 0.0;
    double chroma = 0.0;
    double weight = 0.0;
};

struct ToneSums {
    quint64 lightness = 0, colourfulness = 0, weight = 0;
};

// Luma, max − min and alpha of the pixels, summed in 32-bit lanes a block at a time (a block's sums stay
// below 2^32) so that eight pixels go in one step.
GLYPHON_PIXEL_LOOP void addTone(const quint32 *pixels, int count, ToneSums &sums) {
    constexpr int block = 1 << 16;
    for (int from = 0; from < count; from += block) {
        const int to = std::min(count, from + block);
        quint32 lightness = 0, colourfulness = 0, weight = 0;
        for (int x = from; x < to; ++x) {
            const quint32 p = pixels[x];
            const quint32 red = (p >> 16) & 0xff, green = (p >> 8) & 0xff, blue = p & 0xff;
            lightness += luma(red, green, blue);
            colourfulness += std::max(red, std::max(green, blue)) - std::min(red, std::min(green, blue));
            weight += p >> 24;
        }
        sums.lightness += lightness;
        sums.colourfulness += colourfulness;
        sums.weight += weight;
    }
}

// Luma and max − min are linear in the colour, so over premultiplied pixels they come out already
// weighted by alpha, and no straight copy is needed.
Tone toneOf(const QImage &premultiplied) {
    // The rows' sums are whole numbers, made side by side; they are added up in row order, as doubles,
    // exactly as one pass would.
    const int width = premultiplied.width();
    std::vector<ToneSums> rows(size_t(std::max(0, premultiplied.height())));
    forRows(premultiplied.height(), [&](int first, int last) {
        for (int y = first; y < last; ++y)
            addTone(reinterpret_cast<const quint32 *>(premultiplied.constScanLine(y)), width,
                    rows[size_t(y)]);
    });
    Tone tone;
    for (const ToneSums &sums : rows) {
        tone.lightness += double(sums.lightness) / 255.0;
        tone.chroma += double(sums.colourfulness) / 255.0;
        tone.weight += double(sums.weight) / 255.0;
    }
    if (tone.weight > 0.0) {
        tone.lightness /= tone.weight;
        tone.chroma /= tone.weight;
    }
    return tone;
}

// The highest luma of the straight pixels that are at least half covered, 0 when there is none.
GLYPHON_PIXEL_LOOP quint32 lightestCovered(const quint32 *straight, int count) {
    quint32 lightest = 0;
    for (int x = 0; x < count; ++x) {
        const quint32 p = straight[x];
        const quint32 level = quint32(luma(p));
        // Alpha 128 or more is the word's top bit.
        const quint32 covered = level & (0u - (p >> 31));
        lightest = covered > lightest ? covered : lightest;
    }
    return lightest;
}

// The distance from the centre to the farthest corner of any pixel with some coverage, as a share of the
// edge (of each axis' own edge, as the picture is squared when it is drawn).
double coveredRadius(const QImage &bitmap) {
    const double cx = bitmap.width() / 2.0, cy = bitmap.height() / 2.0;
    const auto farther = [](int at, double centre) {
        return std::max(std::abs(at - centre), std::abs(at + 1 - centre));
    };
    double farthest = 0.0;
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(bitmap.constScanLine(y));
        int first = 0, last = bitmap.width() - 1;
        while (first <= last && qAlpha(row[first]) == 0)
            ++first;
        if (first > last)
            continue;
        while (qAlpha(row[last]) == 0)
            --last;
        const double dy = farther(y, cy) / bitmap.height();
        for (const int x : {first, last})
            farthest = std::max(farthest, std::hypot(farther(x, cx) / bitmap.width(), dy));
    }
    return farthest;
}

// The share of the edge the maskable safe zone spans: a circle this wide survives every mask shape.
constexpr double safeZone = 0.8;
// How far, in pixels of the picture it makes, a Lanczos-3 render spreads an edge of the art.
constexpr double filterReach = 3.0;

} // namespace

Image flattenOnto(const Image &image, const Color &background) {
    const QImage source = image.bitmap().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage canvas(source.size(), QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return image;
    // Source-over in integers: colour + ground × (255 − alpha) / 255, rounded, never above 255 since a
    // premultiplied channel never exceeds its alpha. The ground's share is looked up by alpha.
    std::array<std::array<quint32, 256>, 3> share{};
    const int ground[3] = {channel(background.red), channel(background.green), channel(background.blue)};
    for (int c = 0; c < 3; ++c)
        for (quint32 alpha = 0; alpha < 256; ++alpha)
            share[size_t(c)][alpha] = (quint32(ground[c]) * (255u - alpha) + 127u) / 255u;
    const int width = source.width();
    forRows(source.height(), [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const auto *in = reinterpret_cast<const quint32 *>(source.constScanLine(y));
            auto *out = reinterpret_cast<quint32 *>(canvas.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const quint32 p = in[x];
                const quint32 alpha = p >> 24;
                out[x] = 0xff000000u | ((((p >> 16) & 0xff) + share[0][alpha]) << 16) |
                         ((((p >> 8) & 0xff) + share[1][alpha]) << 8) | ((p & 0xff) + share[2][alpha]);
            }
        }
    });
    return Image(canvas, image.size());
}

Foreground separateForeground(const Image &art) {
    // An opaque ring reads the same premultiplied as straight, and any other ring has no ground, so the
    // straight copy of the whole picture is made only when there is a ground to take out.
    const QImage &bitmap = art.bitmap();
    const std::optional<QRgb> edge = flatEdge(bitmap);
    if (!edge)
        return {art, std::nullopt};
    const QImage straight = bitmap.convertToFormat(QImage::Format_ARGB32);
    const int groundByte[3] = {qRed(*edge), qGreen(*edge), qBlue(*edge)};
    const Image removed = mapStraightRows(
        art,
        [&](const quint32 *in, quint32 *out, int width, int) { withoutGround(in, out, width, groundByte); },
        straight);
    return {removed, Color{groundByte[0] / 255.0, groundByte[1] / 255.0, groundByte[2] / 255.0, 1.0}};
}

Image darkForeground(const Foreground &foreground) {
    const Image &art = foreground.image;
    // A picture that fills its square has no mark to recolour: the system shows it as it is.
    if (!foreground.ground && isOpaque(art))
        return art;
    const Tone tone = toneOf(art.bitmap());
    if (tone.weight == 0.0 || tone.chroma >= 0.12)
        return art;
    const std::optional<Color> &ground = foreground.ground;
    if (ground && chroma(*ground) >= 0.2 && luma(*ground) >= 0.3) {
        const QRgb colour = qRgb(channel(ground->red), channel(ground->green), channel(ground->blue));
        return mapStraight(art, [colour](QRgb p, int) { return (colour & 0xffffff) | (p & 0xff000000); });
    }
    if (tone.lightness < 0.5)
        return mapStraight(art, [](QRgb p, int) {
            return qRgba(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p), qAlpha(p));
        });
    return art;
}

Image darkVariant(const Image &art) {
    return darkForeground(separateForeground(art));
}

Image tintedForeground(const Foreground &foreground) {
    // The grey starts from the dark appearance, where a dark neutral mark is already turned light: taken
    // from the art as it is, a dark logo with a white detail (a peak's snow) stays dark and all but
    // vanishes under the system's tint.
    return tintedFromDark(darkForeground(foreground));
}

Image tintedFromDark(const Image &art) {
    const QImage straight = art.bitmap().convertToFormat(QImage::Format_ARGB32);
    QImage out(straight.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return art;
    const int width = straight.width();
    const int height = straight.height();
    std::atomic<int> lightest = 0;
    forRows(height, [&](int first, int last) {
        int band = 0;
        for (int y = first; y < last; ++y)
            band = std::max(band, int(lightestCovered(
                                      reinterpret_cast<const quint32 *>(straight.constScanLine(y)), width)));
        for (int seen = lightest.load(); band > seen && !lightest.compare_exchange_weak(seen, band);) {
        }
    });
    // A mark too dark to stretch (black ink) is shown as its silhouette.
    const int top = lightest.load();
    const float last = float(std::max(1, height - 1));
    forRows(height, [&](int first, int end) {
        for (int y = first; y < end; ++y)
            tintedRow(reinterpret_cast<const quint32 *>(straight.constScanLine(y)),
                      reinterpret_cast<quint32 *>(out.scanLine(y)), width, top < 51 ? 0 : top,
                      1.0f - 0.3f * float(y) / last);
    });
    return Image(out, art.size());
}

Image tintedVariant(const Image &art) {
    return flattenOnto(tintedForeground(separateForeground(art)), Color{0.0, 0.0, 0.0, 1.0});
}

Image greyscale(const Image &picture) {
    return mapStraight(picture, [](QRgb p, int) {
        const int level = luma(p);
        return qRgba(level, level, level, qAlpha(p));
    });
}

Image monochromeVariant(const Image &art) {
    return silhouette(art, coverageOf(art));
}

Coverage coverageOf(const Image &art) {
    return isOpaque(art) ? Coverage::Luminance : Coverage::Alpha;
}

// Lightness is read from the premultiplied colour, i.e. as seen over black, so whatever is transparent in
// luminance mode adds no coverage.
Image silhouette(const Image &art, Coverage coverage) {
    QImage shape = art.bitmap().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (shape.isNull())
        return art;
    const int width = shape.width();
    for (int y = 0; y < shape.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(shape.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int level = coverage == Coverage::Alpha ? qAlpha(row[x]) : luma(row[x]);
            row[x] = qRgba(level, level, level, level);
        }
    }
    return Image(shape, art.size());
}

// A margin halfway between two pixels goes to the larger picture, whichever way the fraction's rounding
// error leans.
Placement centredPlacement(int canvasEdge, double fraction) {
    const double exact = canvasEdge * (1.0 - fraction) / 2.0;
    const int margin = int(std::ceil(exact - 0.5 - 1e-9));
    return {canvasEdge - 2 * margin, margin};
}

Image maskableVariant(const Image &art, const Color &background) {
    const Image made = maskableVariant(art, background, art.pixelWidth());
    return made.isNull() ? made : Image(made.bitmap(), art.size());
}

Image maskableVariant(const Image &art, const Color &background, int edge, RenderCache *renders) {
    if (art.isNull() || edge < 1)
        return {};
    QImage canvas(edge, edge, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return {};
    QColor ground = background.toQColor();
    ground.setAlphaF(1.0);
    canvas.fill(ground);

    // Everything the art covers, its filter's spread and the last pixel's rounding must stay within the
    // circle, so the fill is all that any mask shape shows outside it. The scale is measured on the art
    // itself: a round logo keeps more of the circle than a full square, whose corners must reach in.
    const int artEdge = std::min(art.pixelWidth(), art.pixelHeight());
    const double covered = coveredRadius(art.bitmap());
    const double budget = safeZone / 2.0 * edge - 1.0;
    double scale = 1.0;
    if (covered > 0.0) {
        scale = std::min(1.0, (budget - filterReach) / (covered * edge));
        // Enlarged, the filter spreads over more of the picture's pixels.
        if (scale * edge > artEdge)
            scale = std::min(1.0, budget / (covered * edge + filterReach * edge / artEdge));
    }
    int inner = int(std::floor(scale * edge));
    inner -= (edge - inner) % 2; // centred on whole pixels
    if (inner >= 1) {
        const QImage scaled =
            renders ? renders->squares(art, {inner}).constFirst() : resample(art.bitmap(), inner, inner);
        if (scaled.isNull())
            return {};
        QPainter painter(&canvas);
        painter.drawImage((edge - inner) / 2, (edge - inner) / 2, scaled);
    }
    return Image(canvas);
}

bool isOpaque(const Image &image) {
    const QImage &bitmap = image.bitmap();
    if (!bitmap.hasAlphaChannel())
        return true;
    const int width = bitmap.width();
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(bitmap.constScanLine(y));
        for (int x = 0; x < width; ++x)
            if (qAlpha(row[x]) != 255)
                return false;
    }
    return true;
}

} // namespace glyphon
