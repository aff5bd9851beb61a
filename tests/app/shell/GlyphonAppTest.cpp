#include "GlyphonApp.h"
#include "AppDelegate.h"
#include "ContentView.h"
#include "ContentViewState.h"
#include "FeedTestSupport.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "UpdateSettings.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace glyphon;
using namespace glyphon::test;
using namespace Qt::Literals::StringLiterals;

namespace {

template <typename T> QList<T *> topLevel() {
    QList<T *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *typed = qobject_cast<T *>(widget))
            found << typed;
    }
    return found;
}

QMessageBox *visibleBox(const QString &text) {
    for (QMessageBox *box : topLevel<QMessageBox>()) {
        if (box->isVisible() && box->text() == text)
            return box;
    }
    return nullptr;
}

QString title(const QAction *action) {
    return QString(action->text()).remove(QLatin1Char('&'));
}

QStringList titles(const QList<QAction *> &actions) {
    QStringList list;
    for (const QAction *action : actions)
        list << (action->isSeparator() ? QStringLiteral("---") : title(action));
    return list;
}

QMenu *menuTitled(QMenuBar *bar, const QString &name) {
    for (QAction *action : bar->actions()) {
        if (title(action) == name)
            return action->menu();
    }
    return nullptr;
}

// Quit only ends a running main loop, so these run one; the deadline only keeps a broken build from hanging.
int runMainLoopAfter(const std::function<void()> &quit) {
    QTimer::singleShot(0, qApp, quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    deadline.start(20000);
    return QApplication::exec();
}

class GlyphonAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_server.isListening());
        serveSignedFeed(m_server, QStringLiteral("/appcast.xml"), appcast({}), m_keys);
    }
    void TearDown() override { m_app.reset(); }

    // The application as a launch makes it, after the main loop's first turn; with a feed or without one.
    GlyphonApp &start(bool withFeed = false) {
        UpdaterConfig config;
        if (withFeed)
            config.feedUrl = m_server.url(QStringLiteral("/appcast.xml"));
        config.currentVersion = QStringLiteral("0.1.0");
        config.publicKey = m_keys.publicKey;
        ShellSeams seams;
        seams.openUrl = [this](const QUrl &url) {
            m_opened << url;
            return true;
        };
        seams.updaterConfig = config;
        m_app = std::make_unique<GlyphonApp>(m_settings, seams);
        m_app->launch();
        QCoreApplication::processEvents();
        return *m_app;
    }

    MainWindow &window() { return m_app->window(); }

    QTemporaryDir m_dir;
    QSettings m_settings{m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    SigningKeys m_keys;
    HttpTestServer m_server;
    QList<QUrl> m_opened;
    std::unique_ptr<GlyphonApp> m_app;
};

TEST_F(GlyphonAppTest, OneDarkWindowOfAtLeast500PointsWithoutUpperBound) {
    start();
    EXPECT_EQ(topLevel<MainWindow>().size(), 1);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().centralWidget(), window().contentView());
    EXPECT_EQ(window().minimumSize(), QSize(500, 500));
    EXPECT_EQ(window().size(), QSize(500, 500));
    EXPECT_EQ(window().maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    window().resize(1200, 900);
    EXPECT_EQ(window().size(), QSize(1200, 900));
    const QRect content = window().contentView()->geometry();
    EXPECT_EQ(content.center().x(), window().rect().center().x());

    EXPECT_EQ(QApplication::style()->name(), QStringLiteral("fusion"));
    EXPECT_LT(window().palette().color(QPalette::Window).lightness(), 80);
    EXPECT_GT(window().palette().color(QPalette::WindowText).lightness(), 180);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Glyphon"));
}

TEST_F(GlyphonAppTest, DelegateTakesTheWindowOverOneMainLoopTurnAfterLaunch) {
    UpdaterConfig none;
    ShellSeams seams;
    seams.updaterConfig = none;
    GlyphonApp app(m_settings, seams);
    app.launch();
    EXPECT_EQ(app.delegate().window(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(app.delegate().window(), &app.window());
    // The delegate created and started the updater: this launch was counted.
    EXPECT_EQ(m_settings.value(updateSettings::launchCount).toInt(), 1);
}

TEST_F(GlyphonAppTest, ClosingHidesTheApplicationAndItComesBackWithEverythingItHeld) {
    start();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    m_app->state().acceptImage(QUrl::fromLocalFile(QStringLiteral("/pictures/logo.png")),
                               Image(QImage(1024, 1024, QImage::Format_ARGB32_Premultiplied)));
    m_app->state().setWithPadding(true);
    QPointer<MainWindow> before = &window();

    // The close button (through the window system) and Close (through the widget) both only hide.
    window().windowHandle()->close();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(m_app->delegate().isApplicationHidden());
    m_app->activate();
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(window().close());
    EXPECT_FALSE(window().isVisible());
    QCoreApplication::processEvents();
    EXPECT_TRUE(before);
    EXPECT_TRUE(quitting.isEmpty());
    EXPECT_FALSE(QCoreApplication::closingDown());

    m_app->activate();
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(m_app->delegate().isApplicationHidden());
    EXPECT_EQ(topLevel<MainWindow>(), QList<MainWindow *>{before.data()});
    EXPECT_EQ(m_app->state().imageUrl(), QUrl::fromLocalFile(QStringLiteral("/pictures/logo.png")));
    EXPECT_TRUE(m_app->state().withPadding());
}

TEST_F(GlyphonAppTest, DialogsHideWithTheApplicationAndComeBackWithIt) {
    start();
    m_app->aboutAction()->trigger();
    QPointer<QMessageBox> about = visibleBox(QStringLiteral("Glyphon"));
    ASSERT_TRUE(about);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Glyphon"));
    EXPECT_TRUE(about->informativeText().contains(QStringLiteral("Version 0.1.0")));
    window().close();
    EXPECT_FALSE(about->isVisible());
    // The tray's Show brings the application back the way a second launch does.
    m_app->showAction()->trigger();
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(about->isVisible());
}

TEST_F(GlyphonAppTest, SecondLaunchBringsTheWindowBackAndOpensItsFileAsIfDropped) {
    start();
    SingleInstance running(m_dir.filePath(QStringLiteral("instance")));
    ASSERT_TRUE(running.listen());
    m_app->listenTo(running);
    window().close();
    ASSERT_FALSE(window().isVisible());

    SingleInstance later(running.name());
    ASSERT_FALSE(later.listen());
    const QString file = QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples/apple-1024.png");
    std::atomic<int> sent{-1};
    std::thread launch([&] { sent = later.sendActivation(file) ? 1 : 0; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent != -1; }, 20000));
    launch.join();
    EXPECT_EQ(sent, 1);
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return m_app->state().imageUrl() == QUrl::fromLocalFile(file); }, 20000));
    EXPECT_TRUE(m_app->state().image().has_value());
    EXPECT_EQ(topLevel<MainWindow>().size(), 1);
}

TEST_F(GlyphonAppTest, MenusReadExactlyAsDesignedWithTheirRolesAndStates) {
    start();
    QMenuBar *bar = window().menuBar();
    EXPECT_EQ(titles(bar->actions()), (QStringList{u"Glyphon"_s, u"File"_s, u"Help"_s}));

    QMenu *application = menuTitled(bar, QStringLiteral("Glyphon"));
    ASSERT_TRUE(application);
    EXPECT_EQ(titles(application->actions()),
              (QStringList{u"About Glyphon"_s, u"---"_s, u"Check for Updates\u2026"_s, u"---"_s, u"Quit"_s}));
    EXPECT_EQ(m_app->aboutAction()->menuRole(), QAction::AboutRole);
    EXPECT_EQ(m_app->checkForUpdatesAction()->menuRole(), QAction::ApplicationSpecificRole);
    EXPECT_EQ(m_app->quitAction()->menuRole(), QAction::QuitRole);
    EXPECT_EQ(m_app->quitAction()->shortcut(), QKeySequence(u"Ctrl+Q"_s));

    QMenu *file = menuTitled(bar, QStringLiteral("File"));
    ASSERT_TRUE(file);
    EXPECT_EQ(titles(file->actions()), QStringList{u"Open Image\u2026"_s});
    QMenu *help = menuTitled(bar, QStringLiteral("Help"));
    ASSERT_TRUE(help);
    EXPECT_EQ(titles(help->actions()), QStringList{u"Contact Support"_s});
    EXPECT_EQ(titles(m_app->trayMenu()->actions()), (QStringList{u"Show"_s, u"---"_s, u"Quit"_s}));

    // This build has no feed: everything works except checking for updates.
    for (QAction *action : {m_app->aboutAction(), m_app->quitAction(), m_app->contactSupportAction(),
                            window().openImageAction()})
        EXPECT_TRUE(action->isEnabled()) << title(action).toStdString();
    EXPECT_FALSE(m_app->checkForUpdatesAction()->isEnabled());
}

TEST_F(GlyphonAppTest, NoCommandOpensASecondWindow) {
    start(true);
    QList<QAction *> everything;
    for (QAction *menu : window().menuBar()->actions())
        everything << menu->menu()->actions();
    everything << m_app->trayMenu()->actions();
    for (QAction *action : everything) {
        EXPECT_NE(action->shortcut(), QKeySequence(QKeySequence::New)) << title(action).toStdString();
        if (action != m_app->quitAction() && !action->isSeparator())
            action->trigger();
    }
    // The keyboard's usual new-window command too.
    QTest::keyClick(&window(), Qt::Key_N, Qt::ControlModifier);
    m_app->aboutAction()->trigger();
    EXPECT_TRUE(
        QTest::qWaitFor([] { return visibleBox(QStringLiteral("You're up to date!")) != nullptr; }, 20000));

    EXPECT_EQ(topLevel<MainWindow>().size(), 1);
    int aboutBoxes = 0;
    for (QMessageBox *box : topLevel<QMessageBox>())
        aboutBoxes += box->windowTitle() == QStringLiteral("About Glyphon") ? 1 : 0;
    EXPECT_EQ(aboutBoxes, 1);
    // "Contact Support" went to the mail client through the opener.
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_EQ(m_opened.first().scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(
        m_opened.first().toString(QUrl::FullyEncoded).contains(u"subject=Glyphon%20Support%20Request"_s));
}

TEST_F(GlyphonAppTest, CheckForUpdatesIsOffWhileACheckRunsAndAnswersInTheWindow) {
    start(true);
    QAction *check = m_app->checkForUpdatesAction();
    ASSERT_TRUE(check->isEnabled());
    check->trigger();
    EXPECT_FALSE(check->isEnabled());
    EXPECT_TRUE(
        QTest::qWaitFor([] { return visibleBox(QStringLiteral("You're up to date!")) != nullptr; }, 20000));
    EXPECT_EQ(visibleBox(QStringLiteral("You're up to date!"))->parentWidget(), &window());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_EQ(m_server.requests().first(), QStringLiteral("/appcast.xml"));
}

TEST_F(GlyphonAppTest, SecondLaunchAsksOnceWhetherToCheckAutomatically) {
    m_settings.setValue(updateSettings::launchCount, 1);
    start(true);
    QMessageBox *question = nullptr;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return (question = visibleBox(QStringLiteral("Check for updates automatically?"))) != nullptr;
        },
        20000));
    ASSERT_TRUE(question);
    EXPECT_EQ(question->parentWidget(), &window());
    QPushButton *yes = nullptr;
    for (QAbstractButton *button : question->buttons()) {
        if (button->text() == QStringLiteral("Check Automatically"))
            yes = qobject_cast<QPushButton *>(button);
    }
    ASSERT_TRUE(yes);
    yes->click();
    EXPECT_TRUE(m_settings.value(updateSettings::automaticChecks).toBool());
}

TEST_F(GlyphonAppTest, QuitEndsTheApplicationWithTheWindowShown) {
    start();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    EXPECT_EQ(runMainLoopAfter([this] { m_app->quitAction()->trigger(); }), 0);
    EXPECT_EQ(quitting.size(), 1);
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(m_app->delegate().isApplicationHidden());
}

TEST_F(GlyphonAppTest, QuitFromOutsideTheMenusClosesTheWindow) {
    // The session ending, or the dock's Quit on macOS, asks the application directly.
    start();
    EXPECT_EQ(runMainLoopAfter([] { QCoreApplication::quit(); }), 0);
    EXPECT_FALSE(window().isVisible());
    // Closed, not merely hidden.
    EXPECT_FALSE(m_app->delegate().isApplicationHidden());
}

TEST_F(GlyphonAppTest, QuitFromTheTrayEndsTheApplicationWithTheWindowHidden) {
    start();
    window().close();
    QAction *trayQuit = m_app->trayMenu()->actions().last();
    EXPECT_EQ(runMainLoopAfter([trayQuit] { trayQuit->trigger(); }), 0);
}

} // namespace
