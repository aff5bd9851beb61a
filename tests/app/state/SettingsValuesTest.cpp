#include "SettingsValues.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace glyphon {
namespace {

TEST(StoredBool, AcceptsBooleansNumbersAndTheirText) {
    EXPECT_EQ(storedBool(QVariant(true)), true);
    EXPECT_EQ(storedBool(QVariant(0)), false);
    EXPECT_EQ(storedBool(QVariant(QStringLiteral(" TRUE "))), true);
    EXPECT_EQ(storedBool(QVariant(QStringLiteral("0"))), false);
}

TEST(StoredBool, RefusesAnythingElse) {
    EXPECT_EQ(storedBool(QVariant()), std::nullopt);
    EXPECT_EQ(storedBool(QVariant(QStringLiteral("maybe"))), std::nullopt);
    EXPECT_EQ(storedBool(QVariant(QStringLiteral(""))), std::nullopt);
    EXPECT_EQ(storedBool(QVariant(2.5)), std::nullopt);
    EXPECT_EQ(storedBool(QVariant(QVariantList{true})), std::nullopt);
}

struct DoubleCase {
    QVariant stored;
    std::optional<double> expected;
};

class StoredDouble : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(StoredDouble, IsFiniteAndInRangeOrAbsent) {
    EXPECT_EQ(storedDouble(GetParam().stored, 0.0, 300.0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredDouble,
    ::testing::Values(DoubleCase{QVariant(12.5), 12.5}, DoubleCase{QVariant(QStringLiteral("229")), 229.0},
                      DoubleCase{QVariant(QStringLiteral(" 1e2 ")), 100.0}, DoubleCase{QVariant(7), 7.0},
                      DoubleCase{QVariant(-4.0), 0.0}, DoubleCase{QVariant(1e300), 300.0},
                      DoubleCase{QVariant(QStringLiteral("abc")), std::nullopt},
                      DoubleCase{QVariant(QStringLiteral("nan")), std::nullopt},
                      DoubleCase{QVariant(QStringLiteral("inf")), std::nullopt},
                      DoubleCase{QVariant(std::numeric_limits<double>::quiet_NaN()), std::nullopt},
                      DoubleCase{QVariant(-std::numeric_limits<double>::infinity()), std::nullopt},
                      DoubleCase{QVariant(true), std::nullopt}, DoubleCase{QVariant(), std::nullopt},
                      DoubleCase{QVariant(QVariantList{1.0}), std::nullopt}));

TEST(StoredColor, TakesExactlyFourNumbers) {
    EXPECT_EQ(storedColor(QVariantList{0.25, 0.5, 0.75, 1.0}), (Color{0.25, 0.5, 0.75, 1.0}));
    // INI files give the list back as text.
    EXPECT_EQ(storedColor(QStringList{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"),
                                      QStringLiteral("0.5")}),
              (Color{1.0, 0.0, 0.0, 0.5}));
}

TEST(StoredColor, IgnoresWrongShapesAndNonNumbers) {
    EXPECT_EQ(storedColor(QVariantList{0.5, 1.0}), std::nullopt); // a grey with alpha
    EXPECT_EQ(storedColor(QVariantList{0.1, 0.2, 0.3, 0.4, 0.5}), std::nullopt);
    EXPECT_EQ(storedColor(QVariantList{0.1, QStringLiteral("red"), 0.3, 0.4}), std::nullopt);
    EXPECT_EQ(storedColor(QVariantList{0.1, std::nan(""), 0.3, 0.4}), std::nullopt);
    EXPECT_EQ(storedColor(QVariant(QStringLiteral("0,0,1,1"))), std::nullopt);
    EXPECT_EQ(storedColor(QVariant()), std::nullopt);
}

TEST(StoredColor, ClampsComponentsIntoTheUnitRange) {
    EXPECT_EQ(storedColor(QVariantList{-1.0, 2.0, 0.5, 1.5}), (Color{0.0, 1.0, 0.5, 1.0}));
}

TEST(StoredColor, ReadsBackWhatColorComponentsWrites) {
    const Color color{0.1234567890123, 0.9876543210987, 0.333333333333333, 0.7};
    EXPECT_EQ(storedColor(colorComponents(color)), color);
}

} // namespace
} // namespace glyphon
