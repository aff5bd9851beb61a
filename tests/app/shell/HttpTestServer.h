#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

namespace glyphon::test {

// A tiny HTTP/1.1 server on 127.0.0.1 for the update checker's tests: one answer per path, one request
// per connection, request heads capped at 16 KiB. It runs on the test's own event loop.
class HttpTestServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool sendLength = true; // without it the body ends when the connection closes
        bool hang = false;      // accept the request and never answer

        static Response ok(QByteArray body) { return withStatus(200, std::move(body)); }
        static Response withStatus(int status, QByteArray body = {}) {
            Response response;
            response.status = status;
            response.body = std::move(body);
            return response;
        }
        static Response redirect(int status, QByteArray location) {
            Response response = withStatus(status);
            response.headers.append({"Location", std::move(location)});
            return response;
        }
    };

    HttpTestServer();

    bool isListening() const { return m_server.isListening(); }
    QUrl url(const QString &path) const;
    void route(const QString &path, Response response);
    // The paths asked for, in order.
    QStringList requests() const { return m_requests; }

private:
    void onConnection();
    void answer(QTcpSocket *socket, const QByteArray &head);

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QStringList m_requests;
};

} // namespace glyphon::test
