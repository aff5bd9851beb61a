#include "VersionComparison.h"

#include <gtest/gtest.h>

using glyphon::compareVersions;

namespace {

struct Ordering {
    const char *older;
    const char *newer;
};

class VersionOrdering : public ::testing::TestWithParam<Ordering> {};

TEST_P(VersionOrdering, OlderIsBelowNewerBothWays) {
    const QString older = QString::fromLatin1(GetParam().older);
    const QString newer = QString::fromLatin1(GetParam().newer);
    EXPECT_LT(compareVersions(older, newer), 0);
    EXPECT_GT(compareVersions(newer, older), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionOrdering,
                         ::testing::Values(Ordering{"1.9", "1.10"}, Ordering{"1.0", "1.0.1"},
                                           Ordering{"1.9.9", "2"}, Ordering{"9", "10"},
                                           Ordering{"0.1.0", "0.2"}, Ordering{"1.0b1", "1.0"},
                                           Ordering{"1.0-beta", "1.0"}, Ordering{"1.0.0b1", "1.0"},
                                           Ordering{"1.0a2", "1.0b1"}, Ordering{"1.0b2", "1.0rc1"},
                                           Ordering{"1.0b9", "1.0b10"}, Ordering{"1.0b1", "1.0.1"},
                                           Ordering{"12345678901234567889", "12345678901234567890"},
                                           Ordering{"", "0.1"}, Ordering{"2.0 (100)", "2.0 (101)"}));

TEST(VersionEquality, TrailingZerosLeadingZerosAndBlanksDoNotCount) {
    const std::pair<const char *, const char *> equal[] = {
        {"1.0", "1.0.0"}, {"1", "1.0.0.0"},   {"1.01", "1.1"}, {"0099", "99"},
        {" 2.0 ", "2.0"}, {"1.0B1", "1.0b1"}, {"3.1", "3.1"}};
    for (const auto &[a, b] : equal)
        EXPECT_EQ(compareVersions(QString::fromLatin1(a), QString::fromLatin1(b)), 0) << a << " vs " << b;
}

} // namespace
