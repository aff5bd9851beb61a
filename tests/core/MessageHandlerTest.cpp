#include "terminal/MessageHandler.h"

#include "TestSupport.h"

#include <QImageReader>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace glyphon;

// Each case takes over standard error, so each runs in a child process; what the child leaves on its
// standard error is what a user would read. The child starts a whole test program, which may say things
// of its own at start; the line "--- installed" marks where the case begins.
class MessageHandler : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    // A warning from Qt, libpng's refusal written past Qt, a library's own write, and one line of ours.
    static void speakEveryWay() {
        qWarning("a warning from Qt");
        EXPECT_TRUE(QImageReader(test::dataPath(QStringLiteral("invalid-colour-depth.png"))).read().isNull());
        std::fputs("a library's own line\n", stderr);
        std::fputs("our own line\n", standardError());
        std::_Exit(0);
    }
};

TEST_F(MessageHandler, OnlyOurOwnLineReachesStandardError) {
    EXPECT_EXIT(
        {
            std::fputs("--- installed\n", stderr);
            installMessageHandler();
            speakEveryWay();
        },
        ::testing::ExitedWithCode(0), "(^|\n)--- installed\nour own line\n$");
}

TEST_F(MessageHandler, VerboseLetsEverythingThrough) {
    EXPECT_EXIT(
        {
            installMessageHandler();
            setLibraryMessagesShown(true);
            speakEveryWay();
        },
        ::testing::ExitedWithCode(0),
        "a warning from Qt\n(.|\n)*libpng error: Invalid IHDR data\n(.|\n)*a library's own line\nour own "
        "line\n");
}

TEST_F(MessageHandler, AFatalMessageComesWithTheWarningsBeforeIt) {
    EXPECT_DEATH(
        {
            installMessageHandler();
            qWarning("could not connect to display");
            qFatal("no platform plugin could be initialized");
        },
        "could not connect to display\nno platform plugin could be initialized");
}
