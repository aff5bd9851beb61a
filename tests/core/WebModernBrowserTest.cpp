// Headless Chromium loads a page that pastes head.html, served from loopback, and is asked over the DevTools
// protocol whether the app is installable and which icons it fetched.

#include "imaging/SourceLoader.h"
#include "writers/Generation.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebSocket>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

using namespace glyphon;

namespace {

constexpr int deadlineMs = 90000;

// Serves one folder over HTTP/1.1 on 127.0.0.1, one request per connection, and notes what it answered.
class StaticServer {
public:
    explicit StaticServer(const QString &root) : m_root(root) {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0)) << m_server.errorString().toStdString();
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

private:
    void serve(QTcpSocket *socket) {
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> words = request->left(request->indexOf("\r\n")).split(' ');
            const QString path = QUrl(QString::fromLatin1(words.value(1))).path();
            QFile file(QDir(m_root).filePath(path.mid(1)));
            const bool found = words.value(0) == "GET" && !path.contains(QStringLiteral("..")) &&
                               QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly);
            const QByteArray body = found ? file.readAll() : QByteArray("not found");
            QByteArray head = found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n";
            head += "Content-Type: " + contentType(path) +
                    "\r\nContent-Length: " + QByteArray::number(body.size()) +
                    "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
            socket->write(head + body);
            socket->disconnectFromHost();
        });
    }
    static QByteArray contentType(const QString &path) {
        const QString suffix = QFileInfo(path).suffix();
        if (suffix == u"html")
            return "text/html; charset=utf-8";
        if (suffix == u"png")
            return "image/png";
        if (suffix == u"ico")
            return "image/x-icon";
        if (suffix == u"svg")
            return "image/svg+xml";
        if (suffix == u"webmanifest")
            return "application/manifest+json";
        return "application/octet-stream";
    }

    QString m_root;
    QTcpServer m_server;
};

// A DevTools protocol client on the browser's WebSocket: calls wait for their answers; events are kept.
class DevTools {
public:
    explicit DevTools(const QUrl &endpoint) {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket, [this](const QString &text) {
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            if (message.contains(QStringLiteral("id")))
                m_answers.insert(message.value(QStringLiteral("id")).toInt(), message);
            else
                m_events.append(message);
        });
        m_socket.open(endpoint);
        EXPECT_TRUE(test::waitUntil([this] { return m_socket.state() == QAbstractSocket::ConnectedState; },
                                    deadlineMs))
            << "no DevTools connection: " << m_socket.errorString().toStdString();
    }

    QJsonObject call(const QString &method, const QJsonObject &params = {}, const QString &session = {}) {
        const int id = ++m_lastId;
        QJsonObject message{{QStringLiteral("id"), id},
                            {QStringLiteral("method"), method},
                            {QStringLiteral("params"), params}};
        if (!session.isEmpty())
            message.insert(QStringLiteral("sessionId"), session);
        m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
        if (!test::waitUntil([&] { return m_answers.contains(id); }, deadlineMs)) {
            ADD_FAILURE() << method.toStdString() << ": no answer";
            return {};
        }
        const QJsonObject answer = m_answers.take(id);
        EXPECT_FALSE(answer.contains(QStringLiteral("error")))
            << method.toStdString() << ": " << QJsonDocument(answer).toJson().toStdString();
        return answer.value(QStringLiteral("result")).toObject();
    }

    bool waitForEvent(const QString &method, const QString &session) {
        return test::waitUntil([&] { return !events(method, session).isEmpty(); }, deadlineMs);
    }
    QList<QJsonObject> events(const QString &method, const QString &session) const {
        QList<QJsonObject> found;
        for (const QJsonObject &event : m_events)
            if (event.value(QStringLiteral("method")).toString() == method &&
                event.value(QStringLiteral("sessionId")).toString() == session)
                found.append(event.value(QStringLiteral("params")).toObject());
        return found;
    }

private:
    QWebSocket m_socket;
    int m_lastId = 0;
    QMap<int, QJsonObject> m_answers;
    QList<QJsonObject> m_events;
};

// Chromium without a display, a profile of its own and DevTools on a loopback port it picks itself.
class Browser {
public:
    Browser() {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(test::chromium,
                        {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                         QStringLiteral("--disable-gpu"), QStringLiteral("--disable-quic"),
                         QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
                         QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
                         QStringLiteral("--user-data-dir=") + m_profile.path(),
                         QStringLiteral("--remote-debugging-port=0"), QStringLiteral("about:blank")});
        if (!m_process.waitForStarted(deadlineMs)) {
            ADD_FAILURE() << test::chromium.toStdString() << " does not start ("
                          << m_process.errorString().toStdString()
                          << "); scripts/install-deps.sh installs it";
            return;
        }
        // The file appears once the port is open: its first line is the port, its second the browser's path.
        const QString portFile = m_profile.filePath(QStringLiteral("DevToolsActivePort"));
        QStringList lines;
        test::waitUntil(
            [&] {
                lines = QString::fromUtf8(test::fileBytes(portFile)).split(u'\n', Qt::SkipEmptyParts);
                return lines.size() >= 2 || m_process.state() == QProcess::NotRunning;
            },
            deadlineMs);
        if (lines.size() < 2) {
            ADD_FAILURE() << "Chromium opened no DevTools port: "
                          << m_process.readAll().right(2000).toStdString();
            return;
        }
        m_endpoint = QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(lines[0].trimmed(), lines[1].trimmed()));
    }
    ~Browser() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        if (m_devTools)
            m_devTools->call(QStringLiteral("Browser.close"));
        if (!m_process.waitForFinished(20000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    DevTools *devTools() {
        if (!m_devTools && m_endpoint.isValid())
            m_devTools = std::make_unique<DevTools>(m_endpoint);
        return m_devTools.get();
    }

private:
    QTemporaryDir m_profile;
    QProcess m_process;
    QUrl m_endpoint;
    std::unique_ptr<DevTools> m_devTools;
};

struct PageReport {
    QJsonObject manifest;
    QJsonArray installabilityErrors;
    QStringList declaredIcons;           // absolute URLs from head.html and the manifest
    QMap<QString, int> statuses;         // URL → HTTP status Chromium saw
    QMap<QString, QSize> decodedSizes;   // URL → size Chromium decoded it at, empty when it could not
    QStringList fetchedByChromiumItself; // before the page was asked to load the icons
};

// Opens the page in a fresh tab and collects what Chromium says about it.
PageReport inspect(DevTools &tools, const QString &pageUrl) {
    PageReport report;
    const QString target = tools
                               .call(QStringLiteral("Target.createTarget"),
                                     {{QStringLiteral("url"), QStringLiteral("about:blank")}})
                               .value(QStringLiteral("targetId"))
                               .toString();
    const QString session =
        tools
            .call(QStringLiteral("Target.attachToTarget"),
                  {{QStringLiteral("targetId"), target}, {QStringLiteral("flatten"), true}})
            .value(QStringLiteral("sessionId"))
            .toString();
    tools.call(QStringLiteral("Network.enable"), {}, session);
    tools.call(QStringLiteral("Network.setCacheDisabled"), {{QStringLiteral("cacheDisabled"), true}},
               session);
    tools.call(QStringLiteral("Page.enable"), {}, session);
    tools.call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), pageUrl}}, session);
    EXPECT_TRUE(tools.waitForEvent(QStringLiteral("Page.loadEventFired"), session))
        << "the page never loaded";

    report.manifest = tools.call(QStringLiteral("Page.getAppManifest"), {}, session);
    report.installabilityErrors = tools.call(QStringLiteral("Page.getInstallabilityErrors"), {}, session)
                                      .value(QStringLiteral("installabilityErrors"))
                                      .toArray();
    const auto seenUrls = [&] {
        QMap<QString, int> statuses;
        for (const QJsonObject &event : tools.events(QStringLiteral("Network.responseReceived"), session)) {
            const QJsonObject response = event.value(QStringLiteral("response")).toObject();
            statuses.insert(response.value(QStringLiteral("url")).toString(),
                            response.value(QStringLiteral("status")).toInt());
        }
        return statuses;
    };
    report.fetchedByChromiumItself = seenUrls().keys();

    // Every icon the head links, as the page resolves it, and every icon of the manifest, against its URL.
    const QString links = QStringLiteral("[...document.querySelectorAll('link[rel~=\"icon\"], "
                                         "link[rel=\"apple-touch-icon\"]')].map(l => l.href)");
    const QJsonObject linked =
        tools.call(QStringLiteral("Runtime.evaluate"),
                   {{QStringLiteral("expression"), links}, {QStringLiteral("returnByValue"), true}}, session);
    for (const QJsonValue &href :
         linked.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toArray())
        report.declaredIcons.append(href.toString());
    const QUrl manifestUrl(report.manifest.value(QStringLiteral("url")).toString());
    const QJsonObject manifest =
        QJsonDocument::fromJson(report.manifest.value(QStringLiteral("data")).toString().toUtf8()).object();
    for (const QJsonValue &icon : manifest.value(QStringLiteral("icons")).toArray())
        report.declaredIcons.append(
            manifestUrl.resolved(QUrl(icon.toObject().value(QStringLiteral("src")).toString())).toString());
    report.declaredIcons.removeDuplicates();

    // Chromium fetches only the icons it needs itself; the page loads every one as an image, so each is
    // both fetched and decoded by the browser.
    const QString load =
        QStringLiteral("Promise.all(%1.map(u => new Promise(done => { const i = new Image();"
                       " i.onload = () => done([u, i.naturalWidth, i.naturalHeight]);"
                       " i.onerror = () => done([u, 0, 0]); i.src = u; })))")
            .arg(QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(report.declaredIcons))
                                       .toJson(QJsonDocument::Compact)));
    const QJsonObject loaded = tools.call(QStringLiteral("Runtime.evaluate"),
                                          {{QStringLiteral("expression"), load},
                                           {QStringLiteral("awaitPromise"), true},
                                           {QStringLiteral("returnByValue"), true}},
                                          session);
    for (const QJsonValue &entry :
         loaded.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toArray()) {
        const QJsonArray values = entry.toArray();
        report.decodedSizes.insert(values.at(0).toString(),
                                   QSize(values.at(1).toInt(), values.at(2).toInt()));
    }
    report.statuses = seenUrls();
    tools.call(QStringLiteral("Target.closeTarget"), {{QStringLiteral("targetId"), target}});
    return report;
}

// Writes the modern web set and a page that pastes its head.html, as a site would.
QString writeSite(const QTemporaryDir &dir, GenerationInputs inputs) {
    const Generation generation(std::move(inputs));
    const WriteReport written =
        writeTarget(Platform::WebModern, generation, dir.path(),
                    [](const Error &error) { ADD_FAILURE() << error.description().toStdString(); });
    EXPECT_GT(written.written, 0);
    const QString root = dir.filePath(QStringLiteral("web-modern"));
    QFile page(QDir(root).filePath(QStringLiteral("index.html")));
    EXPECT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(
        "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>Sketch</title>\n" +
        test::fileBytes(QDir(root).filePath(QStringLiteral("head.html"))) +
        "</head>\n<body><h1>Sketch</h1></body>\n</html>\n");
    return root;
}

void expectInstallableWithEveryIcon(const PageReport &report, const QString &origin, int iconCount) {
    std::cout << "Chromium on " << origin.toStdString() << ":\n  manifest "
              << report.manifest.value(QStringLiteral("url")).toString().toStdString() << ", parse errors "
              << QJsonDocument(report.manifest.value(QStringLiteral("errors")).toArray())
                     .toJson(QJsonDocument::Compact)
                     .toStdString()
              << "\n  installability errors "
              << QJsonDocument(report.installabilityErrors).toJson(QJsonDocument::Compact).toStdString()
              << "\n  fetched on its own: "
              << report.fetchedByChromiumItself.join(QStringLiteral(", ")).toStdString() << "\n";
    EXPECT_EQ(report.manifest.value(QStringLiteral("url")).toString(),
              origin + QStringLiteral("/manifest.webmanifest"));
    EXPECT_TRUE(report.manifest.value(QStringLiteral("errors")).toArray().isEmpty());
    EXPECT_TRUE(report.installabilityErrors.isEmpty());
    EXPECT_EQ(report.declaredIcons.size(), iconCount) << report.declaredIcons.join(u' ').toStdString();
    for (const QString &url : report.declaredIcons) {
        EXPECT_TRUE(url.startsWith(origin)) << url.toStdString();
        EXPECT_EQ(report.statuses.value(url), 200) << url.toStdString();
        const QSize decoded = report.decodedSizes.value(url);
        std::cout << "  " << url.toStdString() << ": HTTP " << report.statuses.value(url) << ", decoded "
                  << decoded.width() << "x" << decoded.height() << "\n";
        EXPECT_FALSE(decoded.isEmpty()) << url.toStdString() << " did not decode";
        // Each PNG decodes at its size; Chromium shows an ICO's largest entry.
        const QString name = QUrl(url).fileName();
        const int edge = name.startsWith(QStringLiteral("apple-touch-icon")) ? 180
                         : name.contains(QStringLiteral("-192"))             ? 192
                         : name.contains(QStringLiteral("-512"))             ? 512
                         : name == QStringLiteral("favicon.ico")             ? 48
                                                                             : 0;
        if (edge > 0) {
            EXPECT_EQ(decoded, QSize(edge, edge)) << url.toStdString();
        }
    }
    // The installability check itself downloads the manifest and an icon of it.
    EXPECT_TRUE(report.fetchedByChromiumItself.contains(origin + QStringLiteral("/manifest.webmanifest")));
}

} // namespace

TEST(WebModernInChromium, InstallableAndEveryDeclaredIconFetched) {
    // A bitmap source with every effect and plain names, and a vector source with hashed names.
    QTemporaryDir bitmapSite, vectorSite;
    GenerationInputs bitmap;
    bitmap.source = Image(test::iconPicture(1024));
    bitmap.effects.withRoundedCorners = bitmap.effects.withPadding = bitmap.effects.withTint = true;
    bitmap.appName = QStringLiteral("Sketch");
    GenerationInputs vector;
    const QString svg = test::dataPath(QStringLiteral("mountain.svg"));
    vector.source = *loadSourceImage(svg);
    vector.svgSource = svgSourceText(svg);
    vector.hashNames = true;
    vector.effects.withRoundedCorners = true;
    vector.appName = QStringLiteral("Mountain");
    StaticServer bitmapServer(writeSite(bitmapSite, bitmap));
    StaticServer vectorServer(writeSite(vectorSite, vector));

    Browser browser;
    DevTools *tools = browser.devTools();
    ASSERT_NE(tools, nullptr);
    // favicon.ico and the touch icon from the head, three PNGs from the manifest, and the SVG in both.
    expectInstallableWithEveryIcon(inspect(*tools, bitmapServer.origin() + QStringLiteral("/index.html")),
                                   bitmapServer.origin(), 5);
    expectInstallableWithEveryIcon(inspect(*tools, vectorServer.origin() + QStringLiteral("/index.html")),
                                   vectorServer.origin(), 6);
}
