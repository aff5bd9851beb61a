#pragma once

#include "CliRunner.h"
#include "Error.h"
#include "imaging/Effects.h"
#include "imaging/Image.h"
#include "terminal/ArgumentParser.h"

#include <QStringList>
#include <QTextStream>
#include <optional>

namespace glyphon {
struct GenerationInputs;
}

// What the commands share: reading their words, their SOURCE and its image, the options that say how the
// icon looks, and telling a failure.
namespace glyphon::cli {

inline const QString program = QStringLiteral("glyphon-cli");

extern const char *const usageText;
extern const char *const exitCodesHelp;

// A failed command: the exit code and the one line that explains it.
struct Failure {
    int code;
    QString message;
};

// Tells the failure on standard error; returns its exit code.
int fail(QTextStream &err, const Failure &failure);

OptionDeclaration verboseOption();
OptionDeclaration padToSquareOption();
OptionDeclaration helpOption();

// The options that say how the icon looks, which generate and preview both take: the effects, the
// background and the hand-made appearances.
QList<OptionDeclaration> lookOptions();

// The effects the options ask for.
Result<EffectSettings, Failure> parseEffects(const ArgumentParser &parser);

// --background and the hand-made appearances into the inputs; each picture must load and be square.
std::optional<Failure> readLookInputs(const ArgumentParser &parser, GenerationInputs &inputs);

// A command's --help: usage, description, the parser's options, SOURCE and the exit codes.
QString commandHelp(const char *usage, const char *description, const ArgumentParser &parser);

// Reads the words after the command's name and answers --help. The exit code when the command is over
// already; nothing when it goes on.
std::optional<int> readCommand(ArgumentParser &parser, const QStringList &arguments, const QString &help,
                               QTextStream &out, QTextStream &err);

// The one SOURCE both commands take.
Result<QString, Failure> sourceArgument(const ArgumentParser &parser, const char *command);

// The SOURCE's image, squared first when --pad-to-square asks for it (a note on standard error says so).
Result<Image, Failure> sourceImage(const ArgumentParser &parser, const QString &path, QTextStream &err);

// The SOURCE's image as sourceImage() gives it, then validated: one that validation rejects is a failure
// unless --force is set (`forceDoes` says what --force then does: "writes", "shows"); a warning is told on
// standard error and the command goes on.
Result<Image, Failure> validatedSource(const ArgumentParser &parser, const QString &path,
                                       const char *forceDoes, QTextStream &err);

} // namespace glyphon::cli
