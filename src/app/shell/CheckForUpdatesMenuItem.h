#pragma once

#include <QObject>

class QAction;

namespace glyphon {

class Updater;

// The "Check for Updates…" item: enabled exactly while the updater can check, and starting a check when
// chosen; hidden where the updater has no feed to check. Its view model lives as long as the action. The
// updater must outlive the action.
QAction *makeCheckForUpdatesAction(Updater &updater, QObject *parent = nullptr);

} // namespace glyphon
