#include "SingleInstance.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace glyphon;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    QString name() const { return m_dir.filePath(QStringLiteral("instance")); }

    // A later launch runs in a process of its own; here a thread stands in, so this thread's event loop
    // can answer meanwhile.
    bool sendFromLaterLaunch(const SingleInstance &later, const QString &file) {
        std::atomic<int> sent{-1};
        std::thread launch([&] { sent = later.sendActivation(file) ? 1 : 0; });
        const bool finished = QTest::qWaitFor([&] { return sent != -1; }, 20000);
        launch.join();
        return finished && sent == 1;
    }

    // What a crashed instance leaves: a socket file nobody listens on.
    void leaveDeadSocket() const {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = name().toLocal8Bit();
        ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
        std::copy(path.begin(), path.end(), address.sun_path);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
        ::close(fd);
        ASSERT_TRUE(QFileInfo::exists(name()));
    }

    QTemporaryDir m_dir;
};

TEST_F(SingleInstanceTest, LaterLaunchHandsItsFileToTheRunningOneAndIsConfirmed) {
    SingleInstance running(name());
    ASSERT_TRUE(running.listen());
    QSignalSpy requested(&running, &SingleInstance::activationRequested);

    SingleInstance later(name());
    EXPECT_FALSE(later.listen());
    // Any character a file name may hold, a line feed included, arrives unchanged.
    const QString file = QStringLiteral("/pictures/Logo gr\u00fcn\n& \"final\".png");
    EXPECT_TRUE(sendFromLaterLaunch(later, file));
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested.first().first().toString(), file);

    // A plain relaunch only asks for the window.
    EXPECT_TRUE(sendFromLaterLaunch(later, QString()));
    ASSERT_EQ(requested.size(), 2);
    EXPECT_TRUE(requested.last().first().toString().isEmpty());
}

TEST_F(SingleInstanceTest, NameOfAnEndedOrCrashedInstanceIsTakenOver) {
    SingleInstance nobody(name());
    EXPECT_FALSE(nobody.sendActivation(QStringLiteral("/a.png")));
    for (int launch = 0; launch < 2; ++launch) {
        SingleInstance ended(name());
        EXPECT_TRUE(ended.listen()) << launch;
    }

    leaveDeadSocket();
    SingleInstance afterCrash(name());
    EXPECT_TRUE(afterCrash.listen());
    SingleInstance later(name());
    EXPECT_FALSE(later.listen());
    EXPECT_TRUE(sendFromLaterLaunch(later, QStringLiteral("/a.png")));
}

TEST_F(SingleInstanceTest, UnknownAndOversizedMessagesAreDroppedAndTheInstanceKeepsAnswering) {
    SingleInstance running(name());
    ASSERT_TRUE(running.listen());
    QSignalSpy requested(&running, &SingleInstance::activationRequested);

    const QList<QByteArray> messages = {
        QByteArrayLiteral("{\"command\":\"quit\"}\n"),
        QByteArrayLiteral("not json at all\n"),
        QByteArray(SingleInstance::maxMessageBytes + 1, 'a'),
    };
    for (const QByteArray &message : messages) {
        QLocalSocket stranger;
        stranger.connectToServer(name());
        ASSERT_TRUE(stranger.waitForConnected(5000));
        stranger.write(message);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return stranger.state() == QLocalSocket::UnconnectedState; }, 20000))
            << message.left(40).toStdString();
        EXPECT_TRUE(stranger.readAll().isEmpty());
    }
    EXPECT_TRUE(requested.isEmpty());

    SingleInstance later(name());
    EXPECT_TRUE(sendFromLaterLaunch(later, QStringLiteral("/b.png")));
    EXPECT_EQ(requested.size(), 1);
}

TEST(FileArgument, BecomesAnAbsolutePathWhereverTheLaunchStarted) {
    const QString home = QStringLiteral("/home/ana/Pictures");
    EXPECT_EQ(absoluteFileArgument(QStringLiteral("logo.png"), home),
              QStringLiteral("/home/ana/Pictures/logo.png"));
    EXPECT_EQ(absoluteFileArgument(QStringLiteral("../art/./logo.png"), home),
              QStringLiteral("/home/ana/art/logo.png"));
    EXPECT_EQ(absoluteFileArgument(QStringLiteral("/srv/logo.png"), home), QStringLiteral("/srv/logo.png"));
    EXPECT_EQ(absoluteFileArgument(QStringLiteral("file:///srv/my%20logo.png"), home),
              QStringLiteral("/srv/my logo.png"));
    EXPECT_TRUE(absoluteFileArgument(QString(), home).isEmpty());
}

} // namespace
