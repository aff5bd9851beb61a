#include "ContentViewState.h"
#include "MainWindow.h"
#include "Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPointer>
#include <QSettings>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Glyphon"));
    QApplication::setApplicationName(QStringLiteral("Glyphon"));
    glyphon::applyDarkTheme(app);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("An image to open, as if dropped on the window."));
    parser.process(app);

    QSettings store;
    QPointer<QWidget> window;
    glyphon::ContentViewState state(store, glyphon::desktopSeams([&window] { return window.data(); }));
    glyphon::MainWindow mainWindow(state);
    window = &mainWindow;
    if (!parser.positionalArguments().isEmpty())
        state.openFile(parser.positionalArguments().constFirst());
    mainWindow.show();
    return app.exec();
}
