#pragma once

#include "Error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace glyphon {

enum class Severity {
    Error,   // a store, a browser or a build refuses it, or the icon does not show
    Warning, // it is accepted, but shows worse than it should somewhere
};

// One thing wrong in an icon set. Paths are relative to the checked folder, with "/" between names.
struct Finding {
    Severity severity = Severity::Error;
    QString set;  // the set's folder ("iOS/AppIcon.appiconset"); "." is the checked folder itself
    QString file; // the file concerned, which may be missing
    QString rule; // the identifier of a CheckRule
    QString message;

    friend bool operator==(const Finding &, const Finding &) = default;
};

// Limits on what one check reads, so that no folder can make it slow, large or unsafe.
struct CheckOptions {
    qint64 maxTextBytes = 4 * 1024 * 1024;   // JSON, XML and HTML files; a larger one is a finding
    qint64 maxImageBytes = 64 * 1024 * 1024; // pictures read whole; larger ones are measured from the header
    qint64 maxDecodedPixels =
        8192LL * 8192;       // pictures decoded for their pixels; larger ones are only measured
    int maxEntries = 100000; // files and folders walked before the check stops
};

struct CheckReport {
    QStringList sets;        // every set found, sorted
    QList<Finding> findings; // grouped by set, in the order of sets

    int errorCount() const;
    int warningCount() const;
};

// Finds every icon set below folder (asset catalogs, Icon Composer documents, Android resources, web
// manifests, ICO and ICNS files) and checks it against what the stores, the browsers and the build tools
// accept. Symbolic links are never followed; each is reported once. Fails only when folder is no folder
// that can be read.
Result<CheckReport> checkFolder(const QString &folder, const CheckOptions &options = {});

// A rule of the check: its identifier, its severity, what it finds and where that requirement comes from.
struct CheckRule {
    QString id;
    Severity severity;
    QString summary;
    QString source;
};

// Every rule, in the order the README lists them.
const QList<CheckRule> &checkRules();

// "error" or "warning".
QString severityName(Severity severity);

// The human line: "error: iOS/AppIcon.appiconset/1024.png: the App Store marketing icon has …".
QString findingLine(const Finding &finding);

// A JSON array with one object per finding: severity, set, file, rule, message.
QByteArray findingsJson(const QList<Finding> &findings);

// "2 errors and 1 warning in 5 icon sets", "no findings in 1 icon set", "no icon set found".
QString checkSummary(const CheckReport &report);

// "2 errors and 1 warning", "1 error", "3 warnings"; empty when both are none.
QString findingCounts(int errors, int warnings);

} // namespace glyphon
