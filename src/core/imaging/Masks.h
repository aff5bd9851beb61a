#pragma once

#include "Image.h"

#include <QPainterPath>
#include <QRectF>
#include <QStringView>
#include <optional>

namespace glyphon {

// The outlines platforms cut icons to, as the systems draw them. Each is a path that fills `bounds` the
// way the platform's mask fills the icon's square.
enum class MaskShape {
    // Apple's continuous-corner rounded square (iOS, iPadOS, and the macOS body on its grid).
    IosSquircle,
    // watchOS, the default Android launcher shape and the web's round maskable mask.
    Circle,
    // Android launcher shapes: the system overlays of Android 10 to 15, then the Android 16 picker's.
    AndroidSquircle,
    AndroidRoundedSquare,
    AndroidFourSidedCookie,
    AndroidSevenSidedCookie,
    AndroidArch,
};

// Apple's continuous-corner rounded rectangle: each corner leaves the straight edge 1.52866483 radii
// from the corner and eases into a circular arc through two cubic Béziers, the construction PaintCode
// published after measuring UIKit's iOS 7 rounded rectangles. The radius is held to what fits.
QPainterPath continuousRoundedRect(const QRectF &bounds, double radius);

// The radius of Apple's app icon shape on an edge: 229 px of 1024, the corner the effect defaults to.
double iosIconCornerRadius(double edge);

// The mask of a platform shape filling the square bounds.
QPainterPath maskPath(MaskShape shape, const QRectF &bounds);

// The picture with everything outside the shape made transparent, the edge antialiased by exact
// coverage; the picture's own size.
Image applyMask(const Image &picture, MaskShape shape);

// What each platform promises not to cut, for an icon filling `bounds`.
enum class SafeZone {
    // The 66 dp circle of the 108 dp adaptive layers, on the 72 dp the launcher shows.
    AndroidAdaptive,
    // The maskable icon's circle of 80 % of its edge.
    WebMaskable,
    // The 824 × 1024 body of the macOS icon grid with its continuous corners.
    MacosGrid,
};

QPainterPath safeZonePath(SafeZone zone, const QRectF &bounds);

// A path of SVG path data (the M, L, H, V, C, A and Z commands, absolute and relative: what the platform
// shapes are published in); nothing for data it cannot read.
std::optional<QPainterPath> parseSvgPath(QStringView data);

} // namespace glyphon
