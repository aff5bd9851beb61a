#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace glyphon {

struct DownloadResult {
    QByteArray body;
    int httpStatus = 0; // 0 when no answer came
    QString error;      // empty when the whole body arrived with status 200
};

// One bounded GET: at most maxBytes, at most `timeout` in all, redirects only to allowed addresses,
// no cookies, no cache. `done` is called exactly once, unless the download is destroyed first.
class FeedDownload : public QObject {
    Q_OBJECT
public:
    FeedDownload(QNetworkAccessManager &network, const QUrl &url, qint64 maxBytes,
                 std::chrono::milliseconds timeout, std::function<void(const DownloadResult &)> done,
                 QObject *parent = nullptr);
    ~FeedDownload() override;

private:
    void fail(const QString &error);
    void complete(DownloadResult result);
    void onFinished();

    QUrl m_currentUrl;
    qint64 m_maxBytes;
    std::chrono::milliseconds m_timeout;
    std::function<void(const DownloadResult &)> m_done;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QTimer m_deadline;
    bool m_completed = false;
};

} // namespace glyphon
