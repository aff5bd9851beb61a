#include "CliRunner.h"

#include "CommandLine.h"
#include "Commands.h"

namespace glyphon::cli {

namespace {

// One line for a first word that is no command: a slip of a command's name, or options put before it.
QString unknownCommand(const QString &word) {
    if (word.startsWith(u'-')) {
        const QString near = nearestName(word.mid(word.startsWith(QStringLiteral("--")) ? 2 : 1),
                                         {QStringLiteral("help"), QStringLiteral("version")});
        if (!near.isEmpty())
            return QStringLiteral("unknown option %1; did you mean --%2?").arg(word, near);
        return QStringLiteral(
                   "unknown option %1; the command (generate, preview, validate or check) comes first")
            .arg(word);
    }
    const QString near = nearestName(word, {QStringLiteral("generate"), QStringLiteral("preview"),
                                            QStringLiteral("validate"), QStringLiteral("check")});
    if (!near.isEmpty())
        return QStringLiteral("unknown command \"%1\"; did you mean %2?").arg(word, near);
    return QStringLiteral("unknown command \"%1\" (use generate, preview, validate or check)").arg(word);
}

} // namespace

int run(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    const QString command = arguments.value(1);
    if (command == QStringLiteral("generate"))
        return generate(arguments, out, err);
    if (command == QStringLiteral("preview"))
        return preview(arguments, out, err);
    if (command == QStringLiteral("validate"))
        return validate(arguments, out, err);
    if (command == QStringLiteral("check"))
        return check(arguments, out, err);
    if (command == QStringLiteral("--version") || command == QStringLiteral("-v")) {
        out << program << " " << GLYPHON_VERSION << Qt::endl;
        return Success;
    }
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
        command == QStringLiteral("help")) {
        out << QString::fromUtf8(usageText) << Qt::endl
            << "Run \"glyphon-cli generate --help\" or \"glyphon-cli preview --help\" for their options."
            << Qt::endl
            << Qt::endl
            << QString::fromUtf8(exitCodesHelp);
        return Success;
    }
    if (command.isEmpty()) {
        err << QString::fromUtf8(usageText) << Qt::flush;
        return UsageError;
    }
    return fail(err, {UsageError, unknownCommand(command)});
}

} // namespace glyphon::cli
