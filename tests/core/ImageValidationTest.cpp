#include "imaging/ImageValidation.h"

#include <gtest/gtest.h>

using namespace glyphon;

namespace {

struct Case {
    int width;
    int height;
    ValidationType type;
    const char *message; // UTF-8
};

// Validation reads the size only, so the pixels are left unset.
Image blank(int width, int height) {
    return Image(QImage(width, height, QImage::Format_ARGB32_Premultiplied));
}

class ImageValidationTable : public testing::TestWithParam<Case> {};

} // namespace

TEST_P(ImageValidationTable, ClassifiesByPixelSize) {
    const Case c = GetParam();
    const ImageValidation validation = validateImage(blank(c.width, c.height));
    EXPECT_EQ(validation.type, c.type);
    EXPECT_EQ(validation.isValid, c.type != ValidationType::Error);
    EXPECT_EQ(validation.message, QString::fromUtf8(c.message));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ImageValidationTable,
    testing::Values(
        Case{1023, 1023, ValidationType::Error,
             "Image is too small (1023×1023). Use at least 1024×1024 pixels"},
        Case{1024, 1024, ValidationType::Success, "Image dimensions are optimal"},
        Case{1025, 1025, ValidationType::Warning,
             "Warning: Image dimensions should be even numbers for optimal scaling"},
        Case{4096, 4096, ValidationType::Success, "Image dimensions are optimal"},
        // Oddness is checked before size, so an odd giant gets the even-numbers warning.
        Case{4097, 4097, ValidationType::Warning,
             "Warning: Image dimensions should be even numbers for optimal scaling"},
        Case{4098, 4098, ValidationType::Warning,
             "Warning: Very large image (4098×4098). Processing may be slower"},
        Case{5000, 5000, ValidationType::Warning,
             "Warning: Very large image (5000×5000). Processing may be slower"},
        Case{5001, 5001, ValidationType::Warning,
             "Warning: Image dimensions should be even numbers for optimal scaling"},
        Case{512, 512, ValidationType::Error, "Image is too small (512×512). Use at least 1024×1024 pixels"},
        // Non-square wins over too small.
        Case{1000, 500, ValidationType::Error, "Image must be square (currently 1000×500)"},
        Case{1200, 800, ValidationType::Error, "Image must be square (currently 1200×800)"},
        Case{1024, 1025, ValidationType::Error, "Image must be square (currently 1024×1025)"},
        Case{1, 1, ValidationType::Error, "Image is too small (1×1). Use at least 1024×1024 pixels"}));

TEST(ImageValidation, MessageUsesTheMultiplicationSignWithoutSpaces) {
    const QByteArray utf8 = validateImage(blank(1000, 500)).message.toUtf8();
    EXPECT_EQ(utf8, QByteArray("Image must be square (currently 1000\xc3\x97"
                               "500)"));
}

TEST(ImageValidation, AnImageWithoutPixelsIsTheZeroSizeError) {
    const ImageValidation expected{
        false, QString::fromUtf8("Image is too small (0×0). Use at least 1024×1024 pixels"),
        ValidationType::Error};
    EXPECT_EQ(validateImage(Image()), expected);
    EXPECT_EQ(validateImage(Image(QImage(0, 0, QImage::Format_ARGB32))), expected);
}

TEST(ImageValidation, OnlyThePixelSizeCountsNotThePointSize) {
    const QImage bitmap(2048, 2048, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(validateImage(Image(bitmap, QSizeF(1000, 500))).type, ValidationType::Success);
}
