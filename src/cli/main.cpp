#include "CliRunner.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[]) {
    // SVG rasterising needs fonts, and fonts need a GUI application; offscreen needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("glyphon-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return glyphon::cli::run(QGuiApplication::arguments(), out, err);
}
