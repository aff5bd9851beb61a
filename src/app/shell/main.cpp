#include "GlyphonApp.h"
#include "SingleInstance.h"
#include "terminal/ArgumentParser.h"
#include "terminal/MessageHandler.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <cstdio>

namespace {

QList<glyphon::OptionDeclaration> options() {
    using Value = glyphon::OptionDeclaration::Value;
    return {
        {QStringLiteral("verbose"), QChar(), Value::None, QString(),
         QStringLiteral("Also show what Qt and the image libraries report.")},
        {QStringLiteral("version"), u'v', Value::None, QString(), QStringLiteral("Show the version.")},
        {QStringLiteral("help"), u'h', Value::None, QString(), QStringLiteral("Show this help.")},
    };
}

void print(std::FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char **argv) {
    glyphon::installMessageHandler();
    // The words typed are read before Qt starts, so that --help and a mistake need no display, and Qt
    // gets the program name only: it would take "-platform", "-display" and the like as its own.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    glyphon::ArgumentParser parser(options());
    if (!parser.parse(arguments)) {
        print(glyphon::standardError(), QStringLiteral("glyphon: %1\n").arg(parser.error()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        print(stdout,
              QStringLiteral("Usage: glyphon [options] [FILE]\n\n"
                             "Icon sets for every platform from one image.\n\nOptions:\n%1\n"
                             "Arguments:\n"
                             "  FILE  An image to open, as if dropped on the window. Write -- before a\n"
                             "        FILE whose name begins with \"-\".\n")
                  .arg(parser.optionsHelp()));
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        print(stdout, QStringLiteral("Glyphon " GLYPHON_VERSION "\n"));
        return 0;
    }
    glyphon::setLibraryMessagesShown(parser.isSet(QStringLiteral("verbose")));

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    glyphon::GlyphonApp::configureApplication(app);
    const QString file =
        glyphon::absoluteFileArgument(parser.positionalArguments().value(0), QDir::currentPath());

    // A second launch (the launcher, a file manager's "Open With") brings back the running window.
    glyphon::SingleInstance instance(glyphon::defaultInstanceName());
    if (!instance.listen()) {
        if (instance.sendActivation(file))
            return 0;
        std::fprintf(glyphon::standardError(), "glyphon: Glyphon is already running but did not answer\n");
        return 1;
    }

    QSettings settings;
    glyphon::GlyphonApp glyphon(settings);
    glyphon.listenTo(instance);
    glyphon.launch(file);
    return app.exec();
}
