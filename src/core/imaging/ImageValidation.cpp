#include "ImageValidation.h"

namespace glyphon {

using namespace Qt::StringLiterals;

// Only the bitmap's pixel size counts; the checks run in a fixed order and the first that applies
// decides. An image without a bitmap is the 0 × 0 case: Qt has no empty bitmap that is not null.
ImageValidation validateImage(const Image &image) {
    const int width = image.isNull() ? 0 : image.pixelWidth();
    const int height = image.isNull() ? 0 : image.pixelHeight();
    if (width != height)
        return {false, u"Image must be square (currently %1×%2)"_s.arg(width).arg(height),
                ValidationType::Error};
    if (width <= 1023)
        return {false, u"Image is too small (%1×%1). Use at least 1024×1024 pixels"_s.arg(width),
                ValidationType::Error};
    if (width % 2 != 0)
        return {true, u"Warning: Image dimensions should be even numbers for optimal scaling"_s,
                ValidationType::Warning};
    if (width > 4096)
        return {true, u"Warning: Very large image (%1×%1). Processing may be slower"_s.arg(width),
                ValidationType::Warning};
    return {true, u"Image dimensions are optimal"_s, ValidationType::Success};
}

} // namespace glyphon
