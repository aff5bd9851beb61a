#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

namespace glyphon {

// One release offered by the update feed.
struct AvailableUpdate {
    QString version;            // the build version that is compared
    QString shortVersionString; // the version people read; may be empty
    QString title;
    QUrl releaseNotesLink; // https or empty
    QUrl downloadUrl;      // the enclosure: https or empty
    qint64 length = 0;     // of the download in bytes, 0 when not given
    QString edSignature;   // of the download, base64, as published
    QUrl infoUrl;          // the release's web page: https or empty

    // The version shown to people.
    QString displayVersion() const { return shortVersionString.isEmpty() ? version : shortVersionString; }
    // Where "Download" leads: the release page when there is one, else the file itself.
    QUrl downloadPage() const { return infoUrl.isEmpty() ? downloadUrl : infoUrl; }
};

struct UpdateCheckOutcome {
    enum class Kind { UpToDate, UpdateAvailable, SkippedVersion, Error };

    Kind kind = Kind::Error;
    bool userInitiated = false;
    AvailableUpdate update; // the newest release, for UpdateAvailable and SkippedVersion
    QString errorText;      // one sentence for people, for error
};

} // namespace glyphon

Q_DECLARE_METATYPE(glyphon::UpdateCheckOutcome)
