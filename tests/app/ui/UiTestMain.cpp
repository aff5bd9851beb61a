#include "Theme.h"

#include <QApplication>
#include <gtest/gtest.h>

// Widgets need a QApplication, not the QGuiApplication of the shared test main.
int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef GLYPHON_UI_SCALE_FACTOR
    // The high-density tests: every point two device pixels, whatever the environment says.
    qputenv("QT_SCALE_FACTOR", GLYPHON_UI_SCALE_FACTOR);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    glyphon::applyDarkTheme(app);
    return RUN_ALL_TESTS();
}
