#include "FeedDownload.h"

#include "FeedSecurity.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace glyphon {

namespace {

QString sizeText(qint64 bytes) {
    return bytes % 1024 == 0 ? QStringLiteral("%1 KiB").arg(bytes / 1024)
                             : QStringLiteral("%1 bytes").arg(bytes);
}

QString durationText(std::chrono::milliseconds timeout) {
    return timeout.count() % 1000 == 0 ? QStringLiteral("%1 seconds").arg(timeout.count() / 1000)
                                       : QStringLiteral("%1 ms").arg(timeout.count());
}

} // namespace

FeedDownload::FeedDownload(QNetworkAccessManager &network, const QUrl &url, qint64 maxBytes,
                           std::chrono::milliseconds timeout,
                           std::function<void(const DownloadResult &)> done, QObject *parent)
    : QObject(parent), m_currentUrl(url), m_maxBytes(maxBytes), m_timeout(timeout), m_done(std::move(done)) {
    QNetworkRequest request(url);
    // Every hop is checked against the same rules as the first address.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // Asking for the plain body keeps the size cap honest: no compressed bomb unpacks behind it.
    request.setRawHeader("Accept-Encoding", "identity");
    const QString agent = QCoreApplication::applicationName() + u'/' + QCoreApplication::applicationVersion();
    request.setHeader(QNetworkRequest::UserAgentHeader, agent);

    m_reply = network.get(request);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl &to) {
        if (!isAllowedRedirect(m_currentUrl, to))
            return fail(QStringLiteral("a redirect to %1 was refused").arg(to.toDisplayString()));
        m_currentUrl = to;
        emit m_reply->redirectAllowed();
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_maxBytes)
            fail(QStringLiteral("the answer is larger than %1").arg(sizeText(m_maxBytes)));
    });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        // A body without a length (or with a false one) is cut off here as it streams in.
        m_body += m_reply->read(m_maxBytes + 1 - m_body.size());
        if (m_body.size() > m_maxBytes)
            fail(QStringLiteral("the answer is larger than %1").arg(sizeText(m_maxBytes)));
    });
    connect(m_reply, &QNetworkReply::finished, this, &FeedDownload::onFinished);

    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no complete answer within %1").arg(durationText(m_timeout))); });
    m_deadline.start(m_timeout);
}

FeedDownload::~FeedDownload() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void FeedDownload::onFinished() {
    if (m_completed)
        return;
    DownloadResult result;
    result.httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_body += m_reply->read(m_maxBytes + 1 - m_body.size());
    if (m_body.size() > m_maxBytes)
        return fail(QStringLiteral("the answer is larger than %1").arg(sizeText(m_maxBytes)));
    if (result.httpStatus != 0 && result.httpStatus != 200)
        result.error = QStringLiteral("the server answered with HTTP status %1").arg(result.httpStatus);
    else if (m_reply->error() != QNetworkReply::NoError || result.httpStatus == 0)
        result.error = m_reply->errorString(); // a cut connection must not pass as a short feed
    else
        result.body = m_body;
    complete(std::move(result));
}

void FeedDownload::fail(const QString &error) {
    DownloadResult result;
    if (m_reply)
        result.httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.error = error;
    complete(std::move(result));
}

void FeedDownload::complete(DownloadResult result) {
    if (m_completed)
        return;
    m_completed = true;
    m_deadline.stop();
    if (m_reply) {
        // Stop listening before aborting: abort() reports finished() again, synchronously.
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_body.clear();
    // The callback may destroy this object; nothing touches members after it.
    const auto done = std::move(m_done);
    done(result);
}

} // namespace glyphon
