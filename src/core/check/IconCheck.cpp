#include "check/IconCheck.h"

#include "check/CheckContext.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace glyphon {

using namespace Qt::StringLiterals;
using check::CheckContext;
using check::isTouchIconName;
using check::Rule;

namespace {

// Where the sets lie, as found by one walk of the folder.
struct Layout {
    QStringList appIconSets;
    QStringList iconDocuments;
    QStringList androidResources;
    QStringList playIcons;
    QMap<QString, QStringList> webFolders; // folder → its manifests
    QStringList icoFiles;
    QStringList icnsFiles;
};

void noteFile(Layout &layout, const QFileInfo &file) {
    const QString name = file.fileName().toLower();
    const QString folder = file.path();
    if (name == u"manifest.json"_s || name.endsWith(u".webmanifest"_s))
        layout.webFolders[folder].append(file.filePath());
    if (name.endsWith(u".ico"_s))
        layout.icoFiles.append(file.filePath());
    if (name == u"favicon.ico"_s || isTouchIconName(name))
        layout.webFolders[folder];
    if (name.endsWith(u".icns"_s))
        layout.icnsFiles.append(file.filePath());
    if (name == u"playstore-icon.png"_s || name == u"ic_launcher-playstore.png"_s)
        layout.playIcons.append(file.filePath());
}

void noteFolder(Layout &layout, const QFileInfo &folder) {
    const QString name = folder.fileName();
    if (name.endsWith(u".appiconset"_s))
        layout.appIconSets.append(folder.filePath());
    else if (name.endsWith(u".icon"_s) && (QFileInfo::exists(folder.filePath() + u"/icon.json"_s) ||
                                           QFileInfo(folder.filePath() + u"/Assets"_s).isDir()))
        layout.iconDocuments.append(folder.filePath());
    if (name.startsWith(u"mipmap-"_s) && !layout.androidResources.contains(folder.path()))
        layout.androidResources.append(folder.path());
}

// Walks the folder by hand, in name order: links are reported and never entered, hidden folders (.git,
// .gradle, …) are passed over, and the walk stops after the entry limit.
Layout walk(CheckContext &context, const QString &root) {
    Layout layout;
    noteFolder(layout, QFileInfo(root));
    QStringList pending{root};
    int entries = 0;
    while (!pending.isEmpty()) {
        const QString folder = pending.takeFirst();
        const QFileInfoList children = QDir(folder).entryInfoList(
            QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
        QStringList subfolders;
        for (const QFileInfo &child : children) {
            if (++entries > context.options().maxEntries) {
                context.report(Rule::TooManyFiles, root, root,
                               u"holds more than %1 files and folders; the check stopped there"_s.arg(
                                   context.options().maxEntries));
                return layout;
            }
            if (child.isSymLink()) {
                context.report(
                    Rule::SymbolicLink, folder, child.filePath(),
                    u"is a symbolic link; the check does not follow links, so what it points to is "
                    "not checked"_s);
                continue;
            }
            if (child.isDir()) {
                if (child.fileName().startsWith(u'.'))
                    continue;
                noteFolder(layout, child);
                subfolders.append(child.filePath());
            } else {
                noteFile(layout, child);
            }
        }
        pending = subfolders + pending;
    }
    return layout;
}

// Android Studio keeps the Play icon beside res/; a res folder is named after the folder holding it, unless
// it is the checked folder itself.
QString androidSetFolder(const QString &resFolder, const QString &root) {
    const QFileInfo info(resFolder);
    return info.fileName() == u"res"_s && resFolder != root ? info.path() : resFolder;
}

QString plural(qsizetype count, const QString &one, const QString &many) {
    return u"%1 %2"_s.arg(count).arg(count == 1 ? one : many);
}

} // namespace

int CheckReport::errorCount() const {
    return int(std::count_if(findings.cbegin(), findings.cend(),
                             [](const Finding &finding) { return finding.severity == Severity::Error; }));
}

int CheckReport::warningCount() const {
    return int(findings.size()) - errorCount();
}

Result<CheckReport> checkFolder(const QString &folder, const CheckOptions &options) {
    const QFileInfo info(folder);
    if (!info.exists())
        return Error{ErrorKind::NotFound, folder, u"no such folder"_s};
    if (!info.isDir())
        return Error{ErrorKind::NotAFile, folder, u"is not a folder"_s};
    if (!info.isReadable() || !info.isExecutable())
        return Error{ErrorKind::Unreadable, folder, u"the folder cannot be read"_s};

    const QString root = QDir::cleanPath(info.absoluteFilePath());
    CheckContext context(root, options);
    const Layout layout = walk(context, root);

    QSet<QString> sets;
    for (const QString &set : layout.appIconSets) {
        sets.insert(set);
        check::checkAppIconSet(context, set);
    }
    for (const QString &document : layout.iconDocuments) {
        sets.insert(document);
        check::checkIconComposerDocument(context, document);
    }
    for (const QString &res : layout.androidResources) {
        sets.insert(androidSetFolder(res, root));
        check::checkAndroidResources(context, res, androidSetFolder(res, root));
    }
    for (const QString &icon : layout.playIcons) {
        sets.insert(QFileInfo(icon).path());
        check::checkPlayIcon(context, icon, QFileInfo(icon).path());
    }
    for (const QString &icon : layout.icoFiles) {
        sets.insert(QFileInfo(icon).path());
        check::checkIco(context, icon, QFileInfo(icon).path());
    }
    for (const QString &icon : layout.icnsFiles) {
        sets.insert(QFileInfo(icon).path());
        check::checkIcns(context, icon, QFileInfo(icon).path());
    }
    for (auto it = layout.webFolders.cbegin(); it != layout.webFolders.cend(); ++it) {
        sets.insert(it.key());
        check::checkWebFolder(context, it.key(), it.value());
    }

    CheckReport report;
    for (const QString &set : sets)
        report.sets.append(context.relative(set));
    report.sets.sort();
    report.findings = context.takeFindings();
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding &a, const Finding &b) { return a.set < b.set; });
    return report;
}

QString severityName(Severity severity) {
    return severity == Severity::Error ? u"error"_s : u"warning"_s;
}

QString findingLine(const Finding &finding) {
    return u"%1: %2: %3"_s.arg(severityName(finding.severity), finding.file, finding.message);
}

// Written by hand so that each object keeps the documented order of its members and stays on one line.
QByteArray findingsJson(const QList<Finding> &findings) {
    const auto quoted = [](const QString &text) {
        return QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    };
    QByteArray json = "[";
    for (qsizetype i = 0; i < findings.size(); ++i) {
        const Finding &finding = findings[i];
        json += (i ? ",\n  " : "\n  ");
        json += "{\"severity\": " + quoted(severityName(finding.severity)) +
                ", \"set\": " + quoted(finding.set) + ", \"file\": " + quoted(finding.file) +
                ", \"rule\": " + quoted(finding.rule) + ", \"message\": " + quoted(finding.message) + "}";
    }
    json += findings.isEmpty() ? "]\n" : "\n]\n";
    return json;
}

QString checkSummary(const CheckReport &report) {
    if (report.sets.isEmpty() && report.findings.isEmpty())
        return u"no icon set found"_s;
    const QString where = plural(report.sets.size(), u"icon set"_s, u"icon sets"_s);
    if (report.findings.isEmpty())
        return u"no findings in %1"_s.arg(where);
    return u"%1 in %2"_s.arg(findingCounts(report.errorCount(), report.warningCount()), where);
}

QString findingCounts(int errors, int warnings) {
    QStringList parts;
    if (errors > 0)
        parts.append(plural(errors, u"error"_s, u"errors"_s));
    if (warnings > 0)
        parts.append(plural(warnings, u"warning"_s, u"warnings"_s));
    return parts.join(u" and "_s);
}

} // namespace glyphon
