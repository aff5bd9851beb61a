#pragma once

#include <QColor>

namespace glyphon {

// An sRGB colour with double components from 0 to 1. Kept as doubles (not QColor,
// which rounds to 16 bits) so the tint colour round-trips exactly through the settings.
struct Color {
    double red = 0.0;
    double green = 0.0;
    double blue = 1.0;
    double alpha = 1.0;

    friend bool operator==(const Color &, const Color &) = default;

    QColor toQColor() const { return QColor::fromRgbF(float(red), float(green), float(blue), float(alpha)); }
    static Color fromQColor(const QColor &c) {
        const QColor rgb = c.toRgb();
        return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
    }
};

// The background the opaque outputs are filled with and the Icon Composer fill, unless chosen otherwise.
inline constexpr Color defaultBackground{1.0, 1.0, 1.0, 1.0};

} // namespace glyphon
