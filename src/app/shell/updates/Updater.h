#pragma once

#include "UpdateCheckOutcome.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <functional>

class QSettings;

namespace glyphon {

class FeedDownload;
struct DownloadResult;

struct UpdaterConfig {
    QUrl feedUrl;           // empty: this build cannot check for updates
    QString currentVersion; // the running version, compared with the feed's releases
    QByteArray publicKey;   // ed25519, 32 bytes
    std::chrono::milliseconds timeout{15000};
    qint64 maxFeedBytes = 1024 * 1024;
};

// Fetches the signed appcast and tells whether a newer release exists. It shows nothing itself: every
// check ends in exactly one checkFinished outcome, and the shell decides what people see.
class Updater : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
public:
    // settings (the user's preferences store, not null) keeps the skipped version and must outlive the
    // updater.
    Updater(UpdaterConfig config, QSettings *settings, QObject *parent = nullptr);
    ~Updater() override;

    // True when a feed is configured and a key is built in: without them no check can ever run.
    bool isConfigured() const;
    // True when the updater is configured and no check is running.
    bool canCheckForUpdates() const;

    // Calls observer with the current value at once, then with every change, for as long as context lives.
    QMetaObject::Connection subscribeCanCheckForUpdates(QObject *context, std::function<void(bool)> observer);

    // A check the user asked for; does nothing while it cannot check.
    void checkForUpdates();
    // A scheduled check: the same, but its outcome is marked as not asked for.
    void checkForUpdatesInBackground();

    // "Skip This Version": this release and older ones no longer count as updates.
    void skipVersion(const QString &version);
    QString skippedVersion() const;

    QUrl feedUrl() const { return m_config.feedUrl; }
    QString currentVersion() const { return m_config.currentVersion; }

signals:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkFinished(const glyphon::UpdateCheckOutcome &outcome);

private:
    void startCheck(bool userInitiated);
    void onFeedDownloaded(const DownloadResult &result);
    void onSignatureDownloaded(const DownloadResult &result);
    void finish(UpdateCheckOutcome outcome);
    void finishWithError(const QString &text);
    void setRunning(bool running);

    UpdaterConfig m_config;
    QSettings *m_settings;
    QNetworkAccessManager m_network;
    QPointer<FeedDownload> m_download;
    QByteArray m_feed;
    bool m_running = false;
    bool m_userInitiated = false;
};

} // namespace glyphon
