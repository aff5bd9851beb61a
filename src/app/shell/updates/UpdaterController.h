#pragma once

#include "Updater.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

class QSettings;

namespace glyphon {

// The feed address: the one in the settings when set, else the one this build was made with.
QUrl configuredFeedUrl(const QSettings &settings);

// The built-in feed, key and limits, the settings' feed address and the application's version.
UpdaterConfig defaultUpdaterConfig(const QSettings &settings);

// How long until the next scheduled check: none at all when there was no check yet or the last one is
// a whole interval ago, and never more than one interval, even when the clock was set back.
std::chrono::milliseconds delayUntilNextCheck(const QDateTime &lastCheck, const QDateTime &now,
                                              std::chrono::milliseconds interval);

// Created and started once at launch; owns the updater for the life of the process. Counts launches,
// asks (through the shell) at the second launch whether to check automatically, and then checks once
// per interval.
class UpdaterController : public QObject {
    Q_OBJECT
public:
    // settings must not be null and must outlive the controller.
    explicit UpdaterController(QSettings *settings, bool startingUpdater = true, QObject *parent = nullptr);
    UpdaterController(QSettings *settings, UpdaterConfig config, bool startingUpdater,
                      QObject *parent = nullptr);

    Updater *updater() const { return m_updater; }

    // Counts this launch, asks for permission when it is due and arms the schedule. Once per process.
    void startUpdater();

    // The user's answer to the one-time question (or a later change of mind); saved in the settings.
    void setAutomaticallyChecksForUpdates(bool allowed);
    bool automaticallyChecksForUpdates() const;

    // Whether a scheduled check is waiting, and the delay it was set with when last armed.
    bool hasScheduledCheck() const { return m_schedule.isActive(); }
    std::chrono::milliseconds scheduledCheckDelay() const { return m_plannedDelay; }

    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }
    void setCheckInterval(std::chrono::milliseconds interval) { m_interval = interval; }

signals:
    // Ask the user once whether to check automatically; answer with setAutomaticallyChecksForUpdates.
    // Sent one main-loop turn after startUpdater, so the shell can connect after construction.
    void automaticChecksPermissionRequested();

private:
    void scheduleNextCheck();
    void onCheckFinished();

    QSettings *m_settings;
    Updater *m_updater;
    QTimer m_schedule;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTimeUtc(); };
    std::chrono::milliseconds m_interval = std::chrono::hours(24);
    std::chrono::milliseconds m_plannedDelay{0};
    bool m_started = false;
};

} // namespace glyphon
