#include "GlyphonApp.h"

#include <QApplication>
#include <gtest/gtest.h>

// The shell's tests run in an application named, versioned and themed as Glyphon itself is.
int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    glyphon::GlyphonApp::configureApplication(app);
    return RUN_ALL_TESTS();
}
