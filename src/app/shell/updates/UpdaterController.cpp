#include "UpdaterController.h"

#include "FeedSecurity.h"
#include "UpdateSettings.h"

#include <QCoreApplication>
#include <QSettings>
#include <algorithm>

namespace glyphon {

QUrl configuredFeedUrl(const QSettings &settings) {
    const QString override = settings.value(updateSettings::feedUrl).toString().trimmed();
    return override.isEmpty() ? builtInFeedUrl() : QUrl(override, QUrl::StrictMode);
}

UpdaterConfig defaultUpdaterConfig(const QSettings &settings) {
    UpdaterConfig config;
    config.feedUrl = configuredFeedUrl(settings);
    config.currentVersion = QCoreApplication::applicationVersion();
    config.publicKey = builtInFeedPublicKey();
    return config;
}

std::chrono::milliseconds delayUntilNextCheck(const QDateTime &lastCheck, const QDateTime &now,
                                              std::chrono::milliseconds interval) {
    if (!lastCheck.isValid())
        return std::chrono::milliseconds(0);
    const auto since = std::chrono::milliseconds(lastCheck.msecsTo(now));
    return std::clamp(interval - since, std::chrono::milliseconds(0), interval);
}

UpdaterController::UpdaterController(QSettings *settings, bool startingUpdater, QObject *parent)
    : UpdaterController(settings, defaultUpdaterConfig(*settings), startingUpdater, parent) {}

UpdaterController::UpdaterController(QSettings *settings, UpdaterConfig config, bool startingUpdater,
                                     QObject *parent)
    : QObject(parent), m_settings(settings), m_updater(new Updater(std::move(config), settings, this)) {
    m_schedule.setSingleShot(true);
    // A daily check has no use for millisecond precision; let the system batch the wake-up.
    m_schedule.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_schedule, &QTimer::timeout, m_updater, &Updater::checkForUpdatesInBackground);
    connect(m_updater, &Updater::checkFinished, this, &UpdaterController::onCheckFinished);
    if (startingUpdater)
        startUpdater();
}

void UpdaterController::startUpdater() {
    if (m_started)
        return;
    m_started = true;
    const int launches = m_settings->value(updateSettings::launchCount, 0).toInt() + 1;
    m_settings->setValue(updateSettings::launchCount, launches);
    // A build without a feed has nothing to check, so there is nothing to ask about either.
    if (m_updater->feedUrl().isEmpty())
        return;
    if (!m_settings->contains(updateSettings::automaticChecks)) {
        if (launches >= 2)
            QMetaObject::invokeMethod(
                this, [this] { emit automaticChecksPermissionRequested(); }, Qt::QueuedConnection);
        return;
    }
    scheduleNextCheck();
}

void UpdaterController::setAutomaticallyChecksForUpdates(bool allowed) {
    m_settings->setValue(updateSettings::automaticChecks, allowed);
    if (allowed)
        scheduleNextCheck();
    else
        m_schedule.stop();
}

bool UpdaterController::automaticallyChecksForUpdates() const {
    return m_settings->value(updateSettings::automaticChecks, false).toBool();
}

void UpdaterController::scheduleNextCheck() {
    if (!automaticallyChecksForUpdates() || m_updater->feedUrl().isEmpty())
        return;
    const QDateTime last = m_settings->value(updateSettings::lastCheck).toDateTime();
    m_plannedDelay = delayUntilNextCheck(last, m_now(), m_interval);
    m_schedule.start(m_plannedDelay);
}

void UpdaterController::onCheckFinished() {
    // Any finished check, asked for or not, restarts the interval.
    m_settings->setValue(updateSettings::lastCheck, m_now());
    scheduleNextCheck();
}

} // namespace glyphon
