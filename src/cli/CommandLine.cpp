#include "CommandLine.h"

#include "imaging/Renderer.h"
#include "imaging/SourceLoader.h"
#include "terminal/MessageHandler.h"

#include <QFileInfo>
#include <algorithm>

namespace glyphon::cli {

const char *const usageText = "Usage: glyphon-cli generate SOURCE -o DIR [options]\n"
                              "       glyphon-cli validate SOURCE [--pad-to-square]\n"
                              "       glyphon-cli check FOLDER [--json] [--strict]\n"
                              "       glyphon-cli --help | --version\n";

const char *const exitCodesHelp =
    "Exit codes:\n"
    "  0  every file was written (validate: the source is usable; check: no error)\n"
    "  1  some files could not be written (check: the icon sets have an error)\n"
    "  2  usage error or unreadable source (check: unreadable folder)\n"
    "  3  the source was rejected by validation (not square, or smaller than 1024×1024)\n";

int fail(QTextStream &err, const Failure &failure) {
    err << program << ": " << failure.message << Qt::endl;
    return failure.code;
}

OptionDeclaration verboseOption() {
    return {QStringLiteral("verbose"), QChar(), OptionDeclaration::Value::None, QString(),
            QStringLiteral("Also show what Qt and the image libraries report.")};
}

OptionDeclaration padToSquareOption() {
    return {QStringLiteral("pad-to-square"), QChar(), OptionDeclaration::Value::None, QString(),
            QStringLiteral("Give a source that is not square a transparent margin on its shorter sides, "
                           "centring it on a square as wide as its longer side, before it is validated.")};
}

OptionDeclaration helpOption() {
    return {QStringLiteral("help"), u'h', OptionDeclaration::Value::None, QString(),
            QStringLiteral("Show this help.")};
}

QString commandHelp(const char *usage, const char *description, const ArgumentParser &parser) {
    return QStringLiteral("Usage: %1\n\n%2\n\nOptions:\n%3\nArguments:\n"
                          "  SOURCE  The source image (PNG, JPEG, SVG, …). Write -- before a SOURCE whose\n"
                          "          name begins with \"-\".\n\n%4")
        .arg(QString::fromUtf8(usage), QString::fromUtf8(description), parser.optionsHelp(),
             QString::fromUtf8(exitCodesHelp));
}

std::optional<int> readCommand(ArgumentParser &parser, const QStringList &arguments, const QString &help,
                               QTextStream &out, QTextStream &err) {
    if (!parser.parse(arguments.mid(2)))
        return fail(err, {UsageError, parser.error()});
    setLibraryMessagesShown(parser.isSet(QStringLiteral("verbose")));
    if (parser.isSet(QStringLiteral("help"))) {
        out << help;
        return Success;
    }
    return std::nullopt;
}

// A number after a bare --padding is taken for a second SOURCE, or for the only one; the message then says
// what was probably meant.
Result<QString, Failure> sourceArgument(const ArgumentParser &parser, const char *command) {
    const QStringList positional = parser.positionalArguments();
    const bool onlyAStrayValue =
        positional.size() == 1 && positional[0] == parser.strayValue() && !QFileInfo::exists(positional[0]);
    if (positional.size() == 1 && positional[0].isEmpty())
        return Failure{UsageError,
                       QStringLiteral("%1: the SOURCE is an empty name").arg(QLatin1String(command))};
    if (positional.size() == 1 && !onlyAStrayValue)
        return positional[0];
    QString message = QStringLiteral("%1 takes exactly one SOURCE").arg(QLatin1String(command));
    if (const QString hint = parser.attachedValueHint(); !hint.isEmpty())
        message += QStringLiteral("; did you mean %1?").arg(hint);
    return Failure{UsageError, message};
}

Result<Image, Failure> sourceImage(const ArgumentParser &parser, const QString &path, QTextStream &err) {
    Result<Image> loaded = loadSourceImage(path);
    if (!loaded)
        return Failure{UsageError, loaded.error().description()};
    const Image &image = *loaded;
    if (!parser.isSet(QStringLiteral("pad-to-square")) || image.pixelWidth() == image.pixelHeight())
        return image;
    const QSize size = image.bitmap().size();
    const int edge = std::max(size.width(), size.height());
    const auto square = padToSquare(image);
    if (!square)
        return Failure{SourceRejected,
                       QStringLiteral("%1: cannot pad %2×%3 to a square: %4×%4 is more than %5 pixels")
                           .arg(path)
                           .arg(size.width())
                           .arg(size.height())
                           .arg(edge)
                           .arg(maxSourcePixels)};
    err << program << ": " << path << ": padded " << size.width() << "×" << size.height() << " to " << edge
        << "×" << edge << Qt::endl;
    return *square;
}

} // namespace glyphon::cli
