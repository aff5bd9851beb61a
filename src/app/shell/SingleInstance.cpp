#include "SingleInstance.h"

#include "terminal/MessageHandler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace glyphon {

namespace {

constexpr char confirmation[] = "ok\n";
// A later launch that connects and then says nothing must not hold a socket open for ever.
constexpr std::chrono::seconds idleConnectionLimit{10};

} // namespace

QString defaultInstanceName() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(QStringLiteral("com.talvoren.glyphon.instance"));
    // No private folder: Qt puts a bare name in the shared temporary folder, so the user's name keeps
    // two people apart there.
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return QStringLiteral("com.talvoren.glyphon-") + user;
}

QString absoluteFileArgument(const QString &argument, const QString &workingDirectory) {
    if (argument.isEmpty())
        return {};
    if (argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        if (url.isLocalFile())
            return QDir::cleanPath(url.toLocalFile());
    }
    return QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(argument));
}

SingleInstance::SingleInstance(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::listen() {
    if (m_server.listen(m_name))
        return true;
    if (m_server.serverError() == QAbstractSocket::AddressInUseError) {
        if (answersOnName())
            return false;
        // Nobody answers: an instance that crashed left its socket behind.
        QLocalServer::removeServer(m_name);
        if (m_server.listen(m_name))
            return true;
        if (answersOnName())
            return false; // another launch took the name over in the meantime
    }
    std::fprintf(standardError(),
                 "glyphon: cannot listen on %s (%s); a second launch will open a second window\n",
                 qPrintable(m_name), qPrintable(m_server.errorString()));
    return true;
}

bool SingleInstance::answersOnName() const {
    QLocalSocket probe;
    probe.connectToServer(m_name);
    return probe.waitForConnected(1000);
}

bool SingleInstance::sendActivation(const QString &file, std::chrono::milliseconds timeout) const {
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    QJsonObject message{{QStringLiteral("command"), QStringLiteral("activate")},
                        {QStringLiteral("file"), file}};
    socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        answer += socket.readAll();
    }
    return answer == confirmation;
}

void SingleInstance::onConnection() {
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(idleConnectionLimit, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Everything up to the first line feed is the message; the rest of a longer one is never read.
            const qint64 lineEnd = socket->peek(maxMessageBytes).indexOf('\n');
            if (lineEnd < 0) {
                if (socket->bytesAvailable() >= maxMessageBytes)
                    socket->abort();
                return;
            }
            const QByteArray line = socket->read(lineEnd + 1);
            const QJsonObject message = QJsonDocument::fromJson(line).object();
            if (message.value(QStringLiteral("command")).toString() != QStringLiteral("activate")) {
                socket->abort();
                return;
            }
            socket->write(confirmation);
            socket->disconnectFromServer();
            emit activationRequested(message.value(QStringLiteral("file")).toString());
        });
    }
}

} // namespace glyphon
