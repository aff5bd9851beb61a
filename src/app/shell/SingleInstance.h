#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <chrono>

namespace glyphon {

// Where the running Glyphon of this user listens: a socket in the user's private runtime folder.
QString defaultInstanceName();

// A FILE argument as the running instance needs it: an absolute path, whatever folder the new launch
// started in; file: URLs (as some launchers pass them) become paths.
QString absoluteFileArgument(const QString &argument, const QString &workingDirectory);

// Keeps Glyphon to one process per user. The first launch listens; a later one hands its FILE argument to
// it and leaves, so a window hidden to the tray, minimised or behind others comes back instead of a second.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Longest message accepted from a later launch; a path never comes near it.
    static constexpr qint64 maxMessageBytes = 64 * 1024;

    explicit SingleInstance(QString name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Becomes the running instance. False when another one answers on the name; a socket left behind by
    // a crashed instance is removed and taken over.
    bool listen();
    bool isListening() const { return m_server.isListening(); }
    QString name() const { return m_name; }

    // From a later launch: asks the running instance to come to the front and take in file (may be
    // empty). Blocks this process's thread until the instance confirmed or the timeout passed.
    bool sendActivation(const QString &file,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const;

signals:
    // A later launch asked for the window; file is empty or an absolute path.
    void activationRequested(const QString &file);

private:
    void onConnection();
    bool answersOnName() const;

    QString m_name;
    QLocalServer m_server;
};

} // namespace glyphon
