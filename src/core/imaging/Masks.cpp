#include "Masks.h"

#include <QPainter>
#include <QTransform>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace glyphon {

namespace {

// The Android shapes as published, each on a 100 × 100 viewport.
//
// Android 10 to 15 (AOSP frameworks/base): the default `config_icon_mask` of core/res and the
// `config_icon_mask` of the IconShapeSquircleOverlay and IconShapeRoundedRectOverlay theme overlays.
constexpr std::u16string_view androidCircle = u"M50 0A50 50,0,1,1,50 100A50 50,0,1,1,50 0";
constexpr std::u16string_view androidSquircle =
    u"M50,0 C10,0 0,10 0,50 0,90 10,100 50,100 90,100 100,90 100,50 100,10 90,0 50,0 Z";
constexpr std::u16string_view androidRoundedSquare =
    u"M50,0L88,0 C94.4,0 100,5.4 100 12 L100,88 C100,94.6 94.6 100 88 100 L12,100 C5.4,100 0,94.6 0,88 "
    u"L0 12 C0 5.4 5.4 0 12 0 L50,0 Z";
// Android 16 (AOSP packages/apps/Launcher3, src/com/android/launcher3/shapes/ShapesProvider.kt): the
// "four_sided_cookie", "seven_sided_cookie" and "arch" icon shapes of the wallpaper and style picker.
constexpr std::u16string_view androidFourSidedCookie =
    u"M39.888,4.517C46.338 7.319 53.662 7.319 60.112 4.517L63.605 3C84.733 -6.176 106.176 15.268 97 "
    u"36.395L95.483 39.888C92.681 46.338 92.681 53.662 95.483 60.112L97 63.605C106.176 84.732 84.733 "
    u"106.176 63.605 97L60.112 95.483C53.662 92.681 46.338 92.681 39.888 95.483L36.395 97C15.267 106.176 "
    u"-6.176 84.732 3 63.605L4.517 60.112C7.319 53.662 7.319 46.338 4.517 39.888L3 36.395C -6.176 15.268 "
    u"15.267 -6.176 36.395 3Z";
constexpr std::u16string_view androidSevenSidedCookie =
    u"M35.209 4.878C36.326 3.895 36.884 3.404 37.397 3.006 44.82 -2.742 55.18 -2.742 62.603 3.006 63.116 "
    u"3.404 63.674 3.895 64.791 4.878 65.164 5.207 65.351 5.371 65.539 5.529 68.167 7.734 71.303 9.248 "
    u"74.663 9.932 74.902 9.981 75.147 10.025 75.637 10.113 77.1 10.375 77.831 10.506 78.461 10.66 87.573 "
    u"12.893 94.032 21.011 94.176 30.412 94.186 31.062 94.151 31.805 94.08 33.293 94.057 33.791 94.045 "
    u"34.04 94.039 34.285 93.958 37.72 94.732 41.121 96.293 44.18 96.404 44.399 96.522 44.618 96.759 "
    u"45.056 97.467 46.366 97.821 47.021 98.093 47.611 102.032 56.143 99.727 66.266 92.484 72.24 91.983 "
    u"72.653 91.381 73.089 90.177 73.961 89.774 74.254 89.572 74.4 89.377 74.548 86.647 76.626 84.477 "
    u"79.353 83.063 82.483 82.962 82.707 82.865 82.936 82.671 83.395 82.091 84.766 81.8 85.451 81.51 "
    u"86.033 77.31 94.44 67.977 98.945 58.801 96.994 58.166 96.859 57.451 96.659 56.019 96.259 55.54 "
    u"96.125 55.3 96.058 55.063 95.998 51.74 95.154 48.26 95.154 44.937 95.998 44.699 96.058 44.46 96.125 "
    u"43.981 96.259 42.549 96.659 41.834 96.859 41.199 96.994 32.023 98.945 22.69 94.44 18.49 86.033 18.2 "
    u"85.451 17.909 84.766 17.329 83.395 17.135 82.936 17.038 82.707 16.937 82.483 15.523 79.353 13.353 "
    u"76.626 10.623 74.548 10.428 74.4 10.226 74.254 9.823 73.961 8.619 73.089 8.017 72.653 7.516 72.24 "
    u".273 66.266 -2.032 56.143 1.907 47.611 2.179 47.021 2.533 46.366 3.241 45.056 3.478 44.618 3.596 "
    u"44.399 3.707 44.18 5.268 41.121 6.042 37.72 5.961 34.285 5.955 34.04 5.943 33.791 5.92 33.293 5.849 "
    u"31.805 5.814 31.062 5.824 30.412 5.968 21.011 12.427 12.893 21.539 10.66 22.169 10.506 22.9 10.375 "
    u"24.363 10.113 24.853 10.025 25.098 9.981 25.337 9.932 28.697 9.248 31.833 7.734 34.461 5.529 34.649 "
    u"5.371 34.836 5.207 35.209 4.878Z";
constexpr std::u16string_view androidArch =
    u"M50 0C77.614 0 100 22.386 100 50C100 85.471 100 86.476 99.9 87.321 99.116 93.916 93.916 99.116 "
    u"87.321 99.9 86.476 100 85.471 100 83.46 100H16.54C14.529 100 13.524 100 12.679 99.9 6.084 99.116 .884 "
    u"93.916 .1 87.321 0 86.476 0 85.471 0 83.46L0 50C0 22.386 22.386 0 50 0Z";

// Reads the numbers and flags of SVG path data.
class PathScanner {
public:
    explicit PathScanner(QStringView data) : m_data(data) {}

    void skipSeparators() {
        while (m_at < m_data.size() && (m_data[m_at].isSpace() || m_data[m_at] == u','))
            ++m_at;
    }
    bool atEnd() {
        skipSeparators();
        return m_at >= m_data.size();
    }
    bool atNumber() {
        skipSeparators();
        if (m_at >= m_data.size())
            return false;
        const QChar c = m_data[m_at];
        return c.isDigit() || c == u'-' || c == u'+' || c == u'.';
    }
    std::optional<QChar> command() {
        skipSeparators();
        if (m_at >= m_data.size() || !m_data[m_at].isLetter())
            return std::nullopt;
        return m_data[m_at++];
    }
    // A number as SVG writes them: "-6.176", ".82", "1e-3", and "0.5.5" as two numbers.
    std::optional<double> number() {
        if (!atNumber())
            return std::nullopt;
        const qsizetype start = m_at;
        if (m_data[m_at] == u'-' || m_data[m_at] == u'+')
            ++m_at;
        bool dot = false;
        bool digits = false;
        while (m_at < m_data.size()) {
            const QChar c = m_data[m_at];
            if (c.isDigit()) {
                digits = true;
            } else if (c == u'.' && !dot) {
                dot = true;
            } else {
                break;
            }
            ++m_at;
        }
        if (m_at < m_data.size() && (m_data[m_at] == u'e' || m_data[m_at] == u'E')) {
            qsizetype exponent = m_at + 1;
            if (exponent < m_data.size() && (m_data[exponent] == u'-' || m_data[exponent] == u'+'))
                ++exponent;
            if (exponent < m_data.size() && m_data[exponent].isDigit()) {
                m_at = exponent;
                while (m_at < m_data.size() && m_data[m_at].isDigit())
                    ++m_at;
            }
        }
        if (!digits)
            return std::nullopt;
        bool ok = false;
        const double value = m_data.mid(start, m_at - start).toDouble(&ok);
        return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
    }
    // An arc's flags may be written without separators ("a5 5 0 011 10 0").
    std::optional<bool> flag() {
        skipSeparators();
        if (m_at >= m_data.size() || (m_data[m_at] != u'0' && m_data[m_at] != u'1'))
            return std::nullopt;
        return m_data[m_at++] == u'1';
    }

private:
    QStringView m_data;
    qsizetype m_at = 0;
};

// An SVG elliptical arc from the current point to `to` as cubic Béziers, by the centre parameterisation of
// SVG 1.1's implementation notes (appendix F.6.5), quarter turns at most per curve.
void arcTo(QPainterPath &path, QPointF to, double rx, double ry, double rotationDegrees, bool large,
           bool sweep) {
    const QPointF from = path.currentPosition();
    if (from == to)
        return;
    rx = std::abs(rx);
    ry = std::abs(ry);
    if (rx == 0 || ry == 0) {
        path.lineTo(to);
        return;
    }
    const double phi = rotationDegrees * std::numbers::pi / 180.0;
    const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
    const double dx = (from.x() - to.x()) / 2, dy = (from.y() - to.y()) / 2;
    const double x1 = cosPhi * dx + sinPhi * dy;
    const double y1 = -sinPhi * dx + cosPhi * dy;
    // Radii too small to reach are scaled up until they just do.
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double numerator = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double denominator = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    const double root = std::sqrt(std::max(0.0, numerator / denominator)) * (large == sweep ? -1.0 : 1.0);
    const double cx1 = root * rx * y1 / ry;
    const double cy1 = -root * ry * x1 / rx;
    const double cx = cosPhi * cx1 - sinPhi * cy1 + (from.x() + to.x()) / 2;
    const double cy = sinPhi * cx1 + cosPhi * cy1 + (from.y() + to.y()) / 2;

    const double start = std::atan2((y1 - cy1) / ry, (x1 - cx1) / rx);
    double delta = std::atan2((-y1 - cy1) / ry, (-x1 - cx1) / rx) - start;
    if (sweep && delta < 0)
        delta += 2 * std::numbers::pi;
    else if (!sweep && delta > 0)
        delta -= 2 * std::numbers::pi;

    const auto onEllipse = [&](double ux, double uy) {
        return QPointF(cx + rx * cosPhi * ux - ry * sinPhi * uy, cy + rx * sinPhi * ux + ry * cosPhi * uy);
    };
    const int segments = std::max(1, int(std::ceil(std::abs(delta) / (std::numbers::pi / 2) - 1e-9)));
    const double step = delta / segments;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double a = start;
    for (int i = 0; i < segments; ++i) {
        const double b = a + step;
        const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        const QPointF end = i + 1 == segments ? to : onEllipse(cb, sb);
        path.cubicTo(onEllipse(ca - k * sa, sa + k * ca), onEllipse(cb + k * sb, sb - k * cb), end);
        a = b;
    }
}

const QPainterPath &publishedShape(MaskShape shape) {
    static const std::array<QPainterPath, 5> shapes = [] {
        std::array<QPainterPath, 5> parsed;
        const std::u16string_view sources[] = {androidSquircle, androidRoundedSquare, androidFourSidedCookie,
                                               androidSevenSidedCookie, androidArch};
        for (std::size_t i = 0; i < parsed.size(); ++i)
            parsed[i] = parseSvgPath(QStringView(sources[i].data(), qsizetype(sources[i].size())))
                            .value_or(QPainterPath());
        return parsed;
    }();
    static const QPainterPath circle =
        parseSvgPath(QStringView(androidCircle.data(), qsizetype(androidCircle.size())))
            .value_or(QPainterPath());
    switch (shape) {
    case MaskShape::AndroidSquircle:
        return shapes[0];
    case MaskShape::AndroidRoundedSquare:
        return shapes[1];
    case MaskShape::AndroidFourSidedCookie:
        return shapes[2];
    case MaskShape::AndroidSevenSidedCookie:
        return shapes[3];
    case MaskShape::AndroidArch:
        return shapes[4];
    case MaskShape::IosSquircle:
    case MaskShape::Circle:
        break;
    }
    return circle;
}

QPainterPath fitted(const QPainterPath &unitPath, const QRectF &bounds) {
    QTransform map;
    map.translate(bounds.left(), bounds.top());
    map.scale(bounds.width() / 100.0, bounds.height() / 100.0);
    return map.map(unitPath);
}

QPainterPath centredCircle(const QRectF &bounds, double diameterShare) {
    const double diameter = std::min(bounds.width(), bounds.height()) * diameterShare;
    QPainterPath path;
    path.addEllipse(bounds.center(), diameter / 2, diameter / 2);
    return path;
}

} // namespace

QPainterPath continuousRoundedRect(const QRectF &bounds, double radius) {
    // The corner's points in radii, walked from the top edge into the corner and on to the right edge.
    constexpr double reach = 1.52866483;
    const double r = std::clamp(radius, 0.0, std::min(bounds.width(), bounds.height()) / 2 / reach);
    QPainterPath path;
    if (bounds.isEmpty())
        return path;
    // A point of a corner, clockwise from the top right, in radii from the corner: back along the edge the
    // walk comes in by, and on along the edge it leaves by.
    const auto corner = [&](int which, double back, double on) {
        switch (which) {
        case 0:
            return QPointF(bounds.right() - back * r, bounds.top() + on * r);
        case 1:
            return QPointF(bounds.right() - on * r, bounds.bottom() - back * r);
        case 2:
            return QPointF(bounds.left() + back * r, bounds.bottom() - on * r);
        default:
            return QPointF(bounds.left() + on * r, bounds.top() + back * r);
        }
    };
    path.moveTo(corner(3, 0, reach));
    for (int which = 0; which < 4; ++which) {
        const auto at = [&](double back, double on) { return corner(which, back, on); };
        path.lineTo(at(reach, 0));
        path.cubicTo(at(1.08849323, 0), at(0.86840689, 0), at(0.66993427, 0.06549600));
        path.lineTo(at(0.63149399, 0.07491100));
        path.cubicTo(at(0.37282392, 0.16905899), at(0.16905899, 0.37282392), at(0.07491100, 0.63149399));
        path.lineTo(at(0.06549600, 0.66993427));
        path.cubicTo(at(0, 0.86840689), at(0, 1.08849323), at(0, reach));
    }
    path.closeSubpath();
    return path;
}

double iosIconCornerRadius(double edge) {
    return edge * 229.0 / 1024.0;
}

QPainterPath maskPath(MaskShape shape, const QRectF &bounds) {
    if (shape == MaskShape::IosSquircle)
        return continuousRoundedRect(bounds, iosIconCornerRadius(std::min(bounds.width(), bounds.height())));
    return fitted(publishedShape(shape), bounds);
}

Image applyMask(const Image &picture, MaskShape shape) {
    if (picture.isNull())
        return picture;
    QImage masked = picture.bitmap().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (masked.isNull())
        return picture;
    masked.detach();
    // The shape's coverage first, the rasteriser's exact area per pixel; then every pixel of the picture
    // is scaled by it. A composition over the path alone would leave what lies outside it untouched.
    QImage coverage(masked.size(), QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    QPainter shapePainter(&coverage);
    shapePainter.setRenderHint(QPainter::Antialiasing);
    shapePainter.fillPath(maskPath(shape, QRectF(coverage.rect())), Qt::black);
    shapePainter.end();
    QPainter painter(&masked);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, coverage);
    painter.end();
    return Image(masked, picture.size());
}

QPainterPath safeZonePath(SafeZone zone, const QRectF &bounds) {
    switch (zone) {
    case SafeZone::AndroidAdaptive:
        return centredCircle(bounds, 66.0 / 72.0);
    case SafeZone::WebMaskable:
        return centredCircle(bounds, 0.8);
    case SafeZone::MacosGrid: {
        const double scale = std::min(bounds.width(), bounds.height()) / 1024.0;
        const QRectF body(bounds.center() - QPointF(412, 412) * scale, QSizeF(824, 824) * scale);
        return continuousRoundedRect(body, 185.4 * scale);
    }
    }
    return {};
}

std::optional<QPainterPath> parseSvgPath(QStringView data) {
    PathScanner scan(data);
    QPainterPath path;
    QPointF current;
    QPointF subpathStart;
    bool started = false;
    const auto point = [&scan](QPointF origin) -> std::optional<QPointF> {
        const auto x = scan.number();
        const auto y = x ? scan.number() : std::nullopt;
        if (!y)
            return std::nullopt;
        return origin + QPointF(*x, *y);
    };
    while (!scan.atEnd()) {
        const auto letter = scan.command();
        if (!letter)
            return std::nullopt;
        const bool relative = letter->isLower();
        const char16_t op = letter->toUpper().unicode();
        if (op != u'M' && !started)
            return std::nullopt;
        // Every command but Z takes one or more groups of arguments; after M, further pairs are lines.
        bool first = true;
        do {
            const QPointF origin = relative ? current : QPointF();
            switch (op) {
            case u'M':
            case u'L': {
                const auto to = point(origin);
                if (!to)
                    return std::nullopt;
                if (op == u'M' && first) {
                    path.moveTo(*to);
                    subpathStart = *to;
                    started = true;
                } else {
                    path.lineTo(*to);
                }
                current = *to;
                break;
            }
            case u'H':
            case u'V': {
                const auto value = scan.number();
                if (!value)
                    return std::nullopt;
                if (op == u'H')
                    current.setX(*value + (relative ? current.x() : 0.0));
                else
                    current.setY(*value + (relative ? current.y() : 0.0));
                path.lineTo(current);
                break;
            }
            case u'C': {
                const auto c1 = point(origin);
                const auto c2 = c1 ? point(origin) : std::nullopt;
                const auto to = c2 ? point(origin) : std::nullopt;
                if (!to)
                    return std::nullopt;
                path.cubicTo(*c1, *c2, *to);
                current = *to;
                break;
            }
            case u'A': {
                const auto rx = scan.number();
                const auto ry = rx ? scan.number() : std::nullopt;
                const auto rotation = ry ? scan.number() : std::nullopt;
                const auto large = rotation ? scan.flag() : std::nullopt;
                const auto sweep = large ? scan.flag() : std::nullopt;
                const auto to = sweep ? point(origin) : std::nullopt;
                if (!to)
                    return std::nullopt;
                arcTo(path, *to, *rx, *ry, *rotation, *large, *sweep);
                current = *to;
                break;
            }
            case u'Z':
                path.closeSubpath();
                current = subpathStart;
                break;
            default:
                return std::nullopt;
            }
            first = false;
        } while (op != u'Z' && scan.atNumber());
    }
    if (!started)
        return std::nullopt;
    return path;
}

} // namespace glyphon
