#include "Error.h"
#include "writers/FailureSink.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace glyphon;

TEST(Error, EachKindIsToldInItsOwnWords) {
    const QString file = QStringLiteral("/out/macOS/AppIcon.appiconset/16.png");
    const QString shown = QDir::toNativeSeparators(file);
    const struct {
        Error error;
        QString description;
    } cases[] = {
        {{ErrorKind::FolderNotCreated, QStringLiteral("/out/Android"), QStringLiteral("Not a directory")},
         QStringLiteral("The folder \"%1\" couldn't be created: Not a directory")
             .arg(QDir::toNativeSeparators(QStringLiteral("/out/Android")))},
        {{ErrorKind::WriteFailed, file, QStringLiteral("Permission denied")},
         QStringLiteral("The file \"%1\" couldn't be saved: Permission denied").arg(shown)},
        {{ErrorKind::RenderFailed, file, QStringLiteral("no 16×16 picture could be made")},
         QStringLiteral("The icon \"%1\" couldn't be rendered: no 16×16 picture could be made").arg(shown)},
        {{ErrorKind::EncodeFailed, file, QStringLiteral("the PNG encoder ran out of memory")},
         QStringLiteral("The icon \"%1\" couldn't be encoded: the PNG encoder ran out of memory").arg(shown)},
        {{ErrorKind::ResourceUnreadable, QStringLiteral(":/web/browser_config.xml"), QStringLiteral("gone")},
         QStringLiteral("The resource \":/web/browser_config.xml\" couldn't be read: gone")},
        {{ErrorKind::NotFound, file, QStringLiteral("no such file")},
         shown + QStringLiteral(": no such file")},
        {{ErrorKind::Damaged, {}, QStringLiteral("the file ends early")},
         QStringLiteral("the file ends early")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.error.description(), c.description);
    EXPECT_EQ(failureLine(cases[1].error), QStringLiteral("Something went wrong: ") + cases[1].description);
}

TEST(Result, HoldsAValueOrTheReasonThereIsNone) {
    const Result<int> value = 7;
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, 7);
    EXPECT_EQ(value.valueOr(0), 7);

    const Result<int> none = Error{ErrorKind::TooLarge, QStringLiteral("a.png"), QStringLiteral("too big")};
    ASSERT_FALSE(none);
    EXPECT_EQ(none.valueOr(3), 3);
    EXPECT_EQ(none.error().withPath(QStringLiteral("b.png")).path, QStringLiteral("b.png"));

    const Result<void> done;
    EXPECT_TRUE(done);
    const Result<void> failed = Error{ErrorKind::WriteFailed, {}, QStringLiteral("disk full")};
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, QStringLiteral("disk full"));
}
