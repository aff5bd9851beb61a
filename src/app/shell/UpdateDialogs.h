#pragma once

#include "UpdateCheckOutcome.h"
#include "UrlOpener.h"

#include <functional>

class QMessageBox;
class QWidget;

namespace glyphon {

class Updater;

enum class UpdateChoice { Download, SkipThisVersion, RemindMeLater };

// The dialogs of update checking. Each opens without blocking (window-modal on parent), deletes itself
// when closed and is returned so callers and tests can reach its buttons.

// "You're up to date!"
QMessageBox *showUpToDate(QWidget *parent, const QString &currentVersion);

// A newer release: its version against the running one, a release-notes link opened through open, and
// Download, Skip This Version, Remind Me Later; chosen hears which.
QMessageBox *showUpdateAvailable(QWidget *parent, const AvailableUpdate &update,
                                 const QString &currentVersion, const UrlOpener &open,
                                 std::function<void(UpdateChoice)> chosen);

// A check that failed, with the reason.
QMessageBox *showUpdateError(QWidget *parent, const QString &text);

// The one-time question at the second launch; answered hears yes or no.
QMessageBox *askForAutomaticUpdateChecks(QWidget *parent, std::function<void(bool)> answered);

// What people see after a check. A check they asked for always answers; a scheduled one speaks only
// about a release that was not skipped. Download opens the release page, Skip This Version tells the
// updater. Returns the dialog shown, or null.
QMessageBox *presentUpdateOutcome(QWidget *parent, Updater &updater, const UpdateCheckOutcome &outcome,
                                  const UrlOpener &open = openWithSystemHandler);

} // namespace glyphon
