#include "HttpTestServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <memory>

namespace glyphon::test {

namespace {

constexpr qsizetype maxHeadBytes = 16 * 1024;

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

} // namespace

HttpTestServer::HttpTestServer() {
    m_server.setMaxPendingConnections(16);
    connect(&m_server, &QTcpServer::newConnection, this, &HttpTestServer::onConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl HttpTestServer::url(const QString &path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void HttpTestServer::route(const QString &path, Response response) {
    m_routes.insert(path, std::move(response));
}

void HttpTestServer::onConnection() {
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        auto head = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
            if (socket->property("answered").toBool())
                return;
            *head += socket->read(maxHeadBytes + 1 - head->size());
            if (head->size() > maxHeadBytes)
                return socket->abort();
            if (head->contains("\r\n\r\n")) {
                socket->setProperty("answered", true);
                answer(socket, *head);
                head->clear();
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void HttpTestServer::answer(QTcpSocket *socket, const QByteArray &head) {
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    m_requests << path;

    Response response;
    if (m_routes.contains(path))
        response = m_routes.value(path);
    else
        response.status = 404;
    if (response.hang)
        return;

    QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) +
                       "\r\nConnection: close\r\n";
    if (response.sendLength)
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto &[name, value] : response.headers)
        reply += name + ": " + value + "\r\n";
    reply += "\r\n" + response.body;
    socket->write(reply);
    socket->disconnectFromHost();
}

} // namespace glyphon::test
