#pragma once

#include "Image.h"

#include <QString>

namespace glyphon {

enum class ValidationType { Error, Warning, Success };

struct ImageValidation {
    bool isValid = false;
    QString message;
    ValidationType type = ValidationType::Error;

    friend bool operator==(const ImageValidation &, const ImageValidation &) = default;
};

// Classifies a source by the pixel size of its bitmap; never fails.
ImageValidation validateImage(const Image &image);

} // namespace glyphon
