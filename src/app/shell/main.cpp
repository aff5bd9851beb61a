#include "GlyphonApp.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSettings>
#include <cstdio>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    glyphon::GlyphonApp::configureApplication(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Icon sets for every platform from one image."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("An image to open, as if dropped on the window."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QString file =
        glyphon::absoluteFileArgument(parser.positionalArguments().value(0), QDir::currentPath());

    // A second launch (the launcher, a file manager's "Open With") brings back the running window.
    glyphon::SingleInstance instance(glyphon::defaultInstanceName());
    if (!instance.listen()) {
        if (instance.sendActivation(file))
            return 0;
        std::fprintf(stderr, "glyphon: Glyphon is already running but did not answer\n");
        return 1;
    }

    QSettings settings;
    glyphon::GlyphonApp glyphon(settings);
    glyphon.listenTo(instance);
    glyphon.launch(file);
    return app.exec();
}
