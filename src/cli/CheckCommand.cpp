#include "CommandLine.h"
#include "Commands.h"

#include "check/IconCheck.h"

namespace glyphon::cli {

namespace {

const char *const checkExitCodes = "Exit codes:\n"
                                   "  0  no error (warnings may remain)\n"
                                   "  1  at least one error; with --strict, at least one warning too\n"
                                   "  2  usage error or a FOLDER that cannot be read\n";

QList<OptionDeclaration> checkOptions() {
    using Value = OptionDeclaration::Value;
    return {
        {QStringLiteral("json"), QChar(), Value::None, QString(),
         QStringLiteral("Print the findings as one JSON array for tools, an object per finding "
                        "(severity, set, file, rule, message).")},
        {QStringLiteral("strict"), QChar(), Value::None, QString(),
         QStringLiteral("Count warnings as errors: exit 1 when there is any finding.")},
        verboseOption(),
        helpOption(),
    };
}

QString checkHelp(const ArgumentParser &parser) {
    return QStringLiteral(
               "Usage: glyphon-cli check FOLDER [options]\n\n"
               "Finds every icon set below FOLDER (asset catalogs, Icon Composer documents, Android "
               "resources,\nweb manifests, ICO and ICNS files), whoever wrote it, and reports what the "
               "stores, the browsers\nand the build tools refuse or show badly: one line per finding, "
               "grouped by set.\n\nOptions:\n%1\nArguments:\n"
               "  FOLDER  The folder to check. Symbolic links below it are reported, never followed.\n\n%2")
        .arg(parser.optionsHelp(), QString::fromUtf8(checkExitCodes));
}

// Findings on standard output, the summary on standard error; returns the number of errors.
int printCheck(const CheckReport &report, const QString &folder, bool json, QTextStream &out,
               QTextStream &err) {
    if (json)
        out << QString::fromUtf8(findingsJson(report.findings));
    else
        for (const Finding &finding : report.findings)
            out << findingLine(finding) << Qt::endl;
    out.flush();
    err << program << ": " << folder << ": " << checkSummary(report) << Qt::endl;
    return report.errorCount();
}

} // namespace

int check(const QStringList &arguments, QTextStream &out, QTextStream &err) {
    ArgumentParser parser(checkOptions());
    if (const auto ended = readCommand(parser, arguments, checkHelp(parser), out, err))
        return *ended;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(err, {UsageError, QStringLiteral("check takes exactly one FOLDER")});
    const QString folder = positional[0];
    if (folder.isEmpty())
        return fail(err, {UsageError, QStringLiteral("check: the FOLDER is an empty name")});
    const auto report = checkFolder(folder);
    if (!report)
        return fail(err, {UsageError, report.error().description()});
    const int errors = printCheck(*report, folder, parser.isSet(QStringLiteral("json")), out, err);
    const bool strict = parser.isSet(QStringLiteral("strict"));
    return errors > 0 || (strict && !report->findings.isEmpty()) ? CheckFailed : Success;
}

bool checkWrittenFolder(const QString &folder, QTextStream &out, QTextStream &err) {
    const auto report = checkFolder(folder);
    if (!report) {
        fail(err, {CheckFailed, report.error().description()});
        return true;
    }
    return printCheck(*report, folder, false, out, err) > 0;
}

} // namespace glyphon::cli
