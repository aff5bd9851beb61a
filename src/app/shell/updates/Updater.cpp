#include "Updater.h"

#include "Appcast.h"
#include "FeedDownload.h"
#include "FeedSecurity.h"
#include "UpdateSettings.h"
#include "VersionComparison.h"

#include <QSettings>
#include <utility>

namespace glyphon {

namespace {

// The detached signature is one line of base64; anything bigger is not one.
constexpr qint64 maxSignatureBytes = 4096;

} // namespace

Updater::Updater(UpdaterConfig config, QSettings *settings, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_settings(settings) {
    qRegisterMetaType<glyphon::UpdateCheckOutcome>();
    m_network.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

Updater::~Updater() {
    delete m_download;
}

bool Updater::isConfigured() const {
    return !m_config.feedUrl.isEmpty() && m_config.publicKey.size() == 32;
}

bool Updater::canCheckForUpdates() const {
    return !m_running && isConfigured();
}

QMetaObject::Connection Updater::subscribeCanCheckForUpdates(QObject *context,
                                                             std::function<void(bool)> observer) {
    observer(canCheckForUpdates());
    return connect(this, &Updater::canCheckForUpdatesChanged, context, std::move(observer));
}

void Updater::checkForUpdates() {
    startCheck(true);
}

void Updater::checkForUpdatesInBackground() {
    startCheck(false);
}

void Updater::skipVersion(const QString &version) {
    m_settings->setValue(updateSettings::skippedVersion, version);
}

QString Updater::skippedVersion() const {
    return m_settings->value(updateSettings::skippedVersion).toString();
}

void Updater::startCheck(bool userInitiated) {
    if (!canCheckForUpdates())
        return;
    m_userInitiated = userInitiated;
    setRunning(true);
    if (!isAllowedFeedUrl(m_config.feedUrl))
        return finishWithError(
            QStringLiteral("The update feed address %1 is not allowed: feeds are fetched over https only.")
                .arg(m_config.feedUrl.toDisplayString()));
    m_download = new FeedDownload(
        m_network, m_config.feedUrl, m_config.maxFeedBytes, m_config.timeout,
        [this](const DownloadResult &result) { onFeedDownloaded(result); }, this);
}

void Updater::onFeedDownloaded(const DownloadResult &result) {
    m_download->deleteLater();
    if (!result.error.isEmpty())
        return finishWithError(
            QStringLiteral("The update feed could not be downloaded: %1.").arg(result.error));
    m_feed = result.body;
    m_download = new FeedDownload(
        m_network, signatureUrl(m_config.feedUrl), maxSignatureBytes, m_config.timeout,
        [this](const DownloadResult &result) { onSignatureDownloaded(result); }, this);
}

void Updater::onSignatureDownloaded(const DownloadResult &result) {
    m_download->deleteLater();
    const QByteArray feed = std::exchange(m_feed, {});
    if (result.httpStatus == 404 || result.httpStatus == 410)
        return finishWithError(QStringLiteral("The update feed is not signed, so it cannot be trusted."));
    if (!result.error.isEmpty())
        return finishWithError(
            QStringLiteral("The update feed's signature could not be downloaded: %1.").arg(result.error));
    if (!verifyFeedSignature(feed, result.body, m_config.publicKey))
        return finishWithError(
            QStringLiteral("The update feed's signature is not valid, so the feed cannot be trusted."));

    const AppcastParseResult appcast = parseAppcast(feed);
    if (!appcast.ok)
        return finishWithError(QStringLiteral("The update feed could not be read: %1.").arg(appcast.error));

    UpdateCheckOutcome outcome;
    outcome.userInitiated = m_userInitiated;
    const AvailableUpdate *newest = newestRelease(appcast.items);
    if (!newest || compareVersions(newest->version, m_config.currentVersion) <= 0) {
        outcome.kind = UpdateCheckOutcome::Kind::UpToDate;
    } else {
        outcome.update = *newest;
        const QString skipped = skippedVersion();
        const bool wasSkipped = !skipped.isEmpty() && compareVersions(newest->version, skipped) <= 0;
        outcome.kind =
            wasSkipped ? UpdateCheckOutcome::Kind::SkippedVersion : UpdateCheckOutcome::Kind::UpdateAvailable;
    }
    finish(std::move(outcome));
}

void Updater::finishWithError(const QString &text) {
    UpdateCheckOutcome outcome;
    outcome.kind = UpdateCheckOutcome::Kind::Error;
    outcome.userInitiated = m_userInitiated;
    outcome.errorText = text;
    finish(std::move(outcome));
}

void Updater::finish(UpdateCheckOutcome outcome) {
    m_download = nullptr;
    // Able to check again before anyone hears the outcome, so a reaction may start the next check.
    setRunning(false);
    emit checkFinished(outcome);
}

void Updater::setRunning(bool running) {
    const bool couldCheck = canCheckForUpdates();
    m_running = running;
    if (canCheckForUpdates() != couldCheck)
        emit canCheckForUpdatesChanged(canCheckForUpdates());
}

} // namespace glyphon
