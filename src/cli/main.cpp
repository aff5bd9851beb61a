#include "CliRunner.h"
#include "terminal/MessageHandler.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
    glyphon::installMessageHandler();
    // SVG rasterising needs fonts, and fonts need a GUI application; the tool shows no window, so whatever
    // platform the environment names (a display that is not there), offscreen is the one that always works.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees the program name only: it would take -platform, -display, -style and the like as its own, and
    // some of them abort. Every word typed is the command line's.
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("glyphon-cli"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(glyphon::standardError());
    const int code = glyphon::cli::run(arguments, out, err);
    out.flush();
    err.flush();
    std::fflush(nullptr);
    // Every file is closed by now; tearing Qt's font database down would only cost time at exit.
    std::_Exit(code);
}
