#include "terminal/ArgumentParser.h"

#include <gtest/gtest.h>

using namespace glyphon;

namespace {

ArgumentParser parser() {
    using Value = OptionDeclaration::Value;
    return ArgumentParser({{QStringLiteral("output"), u'o', Value::Required, QStringLiteral("DIR"), {}},
                           {QStringLiteral("padding"), QChar(), Value::Optional, QStringLiteral("PX"), {}},
                           {QStringLiteral("force"), QChar(), Value::None, QString(), {}}});
}

} // namespace

TEST(ArgumentParser, NearestNameForgivesSmallSlipsOnly) {
    const QStringList known = {QStringLiteral("platforms"), QStringLiteral("padding"), QStringLiteral("tint"),
                               QStringLiteral("tint-opacity"), QStringLiteral("rounded-corners")};
    const std::pair<const char *, const char *> cases[] = {
        {"platform", "platforms"},
        {"PLATFORMS", "platforms"},
        {"pading", "padding"},
        {"tnt", "tint"},
        {"tint-opacty", "tint-opacity"},
        {"rounded", "rounded-corners"},
        {"rounded-corner", "rounded-corners"},
        {"display", ""},
        {"style", ""},
        {"reverse", ""},
        {"qwindowgeometry", ""},
        {"x", ""},
        {"", ""},
        {"ti", ""},
    };
    for (const auto &[typed, expected] : cases)
        EXPECT_EQ(nearestName(QLatin1String(typed), known), QLatin1String(expected)) << typed;
}

TEST(ArgumentParser, ValuesComeAttachedOrAsTheNextWord) {
    const std::pair<QStringList, QString> cases[] = {
        {{QStringLiteral("-o"), QStringLiteral("dir")}, QStringLiteral("dir")},
        {{QStringLiteral("--output"), QStringLiteral("dir")}, QStringLiteral("dir")},
        {{QStringLiteral("--output=dir=x")}, QStringLiteral("dir=x")},
        {{QStringLiteral("--output=-dir")}, QStringLiteral("-dir")},
        {{QStringLiteral("-o"), QStringLiteral("-")}, QStringLiteral("-")},
        {{QStringLiteral("-o"), QStringLiteral("-12")}, QStringLiteral("-12")},
    };
    for (const auto &[arguments, value] : cases) {
        ArgumentParser p = parser();
        ASSERT_TRUE(p.parse(arguments)) << p.error().toStdString();
        EXPECT_EQ(p.value(QStringLiteral("output")), value);
        EXPECT_TRUE(p.positionalArguments().isEmpty());
    }
}

TEST(ArgumentParser, OptionalValuesOnlyAttachAndStrayNumbersGetAHint) {
    ArgumentParser p = parser();
    ASSERT_TRUE(p.parse({QStringLiteral("--padding"), QStringLiteral("50"), QStringLiteral("logo.png")}));
    EXPECT_TRUE(p.isSet(QStringLiteral("padding")));
    EXPECT_EQ(p.value(QStringLiteral("padding")), QString());
    EXPECT_EQ(p.positionalArguments(), QStringList({QStringLiteral("50"), QStringLiteral("logo.png")}));
    EXPECT_EQ(p.attachedValueHint(), QStringLiteral("--padding=50"));
    EXPECT_EQ(p.strayValue(), QStringLiteral("50"));

    // A file after a bare option is just the file.
    ASSERT_TRUE(p.parse({QStringLiteral("--padding"), QStringLiteral("logo.png")}));
    EXPECT_EQ(p.attachedValueHint(), QString());
    ASSERT_TRUE(p.parse({QStringLiteral("--padding=50"), QStringLiteral("logo.png")}));
    EXPECT_EQ(p.value(QStringLiteral("padding")), QStringLiteral("50"));
}

TEST(ArgumentParser, EverythingAfterTheSeparatorIsAnArgument) {
    ArgumentParser p = parser();
    ASSERT_TRUE(p.parse({QStringLiteral("--force"), QStringLiteral("--"), QStringLiteral("--force.png"),
                         QStringLiteral("-o"), QStringLiteral("--")}));
    EXPECT_EQ(p.positionalArguments(),
              QStringList({QStringLiteral("--force.png"), QStringLiteral("-o"), QStringLiteral("--")}));
    EXPECT_FALSE(p.isSet(QStringLiteral("output")));
}

TEST(ArgumentParser, HelpAlignsAndWrapsTheDescriptions) {
    using Value = OptionDeclaration::Value;
    ArgumentParser p({{QStringLiteral("output"), u'o', Value::Required, QStringLiteral("DIR"),
                       QStringLiteral("Where the files go.")},
                      {QStringLiteral("padding"), QChar(), Value::Optional, QStringLiteral("PX"),
                       QString(QStringLiteral("word ")).repeated(30).trimmed()}});
    const QStringList lines = p.optionsHelp().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("  -o, --output DIR  Where the files go."));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("  --padding[=PX]    word word")));
    for (const QString &line : lines)
        EXPECT_LE(line.size(), 79) << line.toStdString();
    EXPECT_TRUE(lines[2].startsWith(QString(20, u' ') + QStringLiteral("word")));
}
