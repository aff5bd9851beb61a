// Launches the real glyphon program beside a running instance, on a display (a virtual X server in CI).
#include "AppDelegate.h"
#include "ContentViewState.h"
#include "GlyphonApp.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "UpdateSettings.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace glyphon;

namespace {

class SecondLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_runtime.isValid());
        ASSERT_TRUE(m_config.isValid());
        // Both this process and the launched ones find the instance in this private runtime folder.
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    }
    void TearDown() override {
        for (QProcess *process : m_processes) {
            process->kill();
            process->waitForFinished(5000);
        }
        qDeleteAll(m_processes);
    }

    // Starts glyphon and, unlike waitForFinished, keeps this process's main loop turning meanwhile.
    QProcess *launch(const QStringList &arguments, const QString &folder = QDir::currentPath()) {
        auto *process = new QProcess;
        m_processes << process;
        process->setProcessEnvironment(m_environment);
        process->setWorkingDirectory(folder);
        process->start(QStringLiteral(GLYPHON_PROGRAM), arguments);
        EXPECT_TRUE(process->waitForStarted(20000));
        return process;
    }
    static bool finishes(QProcess *process) {
        return QTest::qWaitFor([process] { return process->state() == QProcess::NotRunning; }, 30000);
    }
    static bool printsInitialized(QProcess *process) {
        return QTest::qWaitFor(
            [process] { return process->peek(1 << 16).contains("ContentView initialized"); }, 30000);
    }

    QTemporaryDir m_runtime;
    QTemporaryDir m_config;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QList<QProcess *> m_processes;
};

TEST_F(SecondLaunchTest, RelaunchBringsTheHiddenWindowBackWithItsFileAndLeaves) {
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ShellSeams seams;
    seams.updaterConfig = UpdaterConfig{};
    // As on a desktop with a tray, where closing only hides the window.
    seams.systemTrayAvailable = [] { return true; };
    GlyphonApp app(settings, seams);
    SingleInstance instance(defaultInstanceName());
    ASSERT_TRUE(instance.listen());
    app.listenTo(instance);
    app.launch();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.window()));
    app.window().close();
    ASSERT_FALSE(app.window().isVisible());
    ASSERT_TRUE(app.delegate().isApplicationHidden());

    // Started from the samples folder with a relative name, as a file manager might.
    const QString samples = QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples");
    QProcess *second = launch({QStringLiteral("apple-1024.png")}, samples);
    ASSERT_TRUE(finishes(second));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_FALSE(second->readAllStandardOutput().contains("ContentView initialized"));

    EXPECT_TRUE(QTest::qWaitForWindowExposed(&app.window()));
    const QUrl file = QUrl::fromLocalFile(samples + QStringLiteral("/apple-1024.png"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.state().imageUrl() == file; }, 30000));
}

TEST_F(SecondLaunchTest, TwoLaunchesOfTheProgramMakeOneInstanceAndACrashedOneIsReplaced) {
    QProcess *first = launch({});
    ASSERT_TRUE(printsInitialized(first));

    QProcess *second = launch({});
    ASSERT_TRUE(finishes(second));
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_EQ(first->state(), QProcess::Running);
    // Only the instance that really started counted as a launch.
    QSettings stored(m_config.filePath(QStringLiteral("Glyphon/Glyphon.conf")), QSettings::IniFormat);
    EXPECT_EQ(stored.value(updateSettings::launchCount).toInt(), 1);

    // Killed, the first one leaves its socket behind; the next launch takes the name over.
    first->kill();
    ASSERT_TRUE(finishes(first));
    QProcess *third = launch({});
    EXPECT_TRUE(printsInitialized(third));
    EXPECT_EQ(third->state(), QProcess::Running);
}

} // namespace
