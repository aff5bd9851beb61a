#include "CliRunner.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler defaultHandler = nullptr;

// Without a desktop session Qt warns about XDG_RUNTIME_DIR on every start; a command-line tool
// should print only its own lines, so that one warning is dropped and the rest pass through.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (defaultHandler)
        defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[]) {
    defaultHandler = qInstallMessageHandler(quietMessages);
    // SVG rasterising needs fonts, and fonts need a GUI application; offscreen needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("glyphon-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = glyphon::cli::run(QGuiApplication::arguments(), out, err);
    out.flush();
    err.flush();
    std::fflush(nullptr);
    // Every file is closed by now; tearing Qt's font database down would only cost time at exit.
    std::_Exit(code);
}
