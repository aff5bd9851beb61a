#include "GlyphonApp.h"
#include "AppDelegate.h"
#include "Banner.h"
#include "ButtonStyles.h"
#include "ContentView.h"
#include "ContentViewState.h"
#include "FeedTestSupport.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "UpdateSettings.h"

#include <QAction>
#include <QApplication>
#include <QFile>
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
        m_app = std::make_unique<GlyphonApp>(m_settings, ShellSeams{m_opener, config});
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
    UrlOpener m_opener = [this](const QUrl &url) {
        m_opened << url;
        return true;
    };
    std::unique_ptr<GlyphonApp> m_app;
};

TEST_F(GlyphonAppTest, OneDarkWindowOfAtLeast500PointsTakenOverByTheDelegateAfterLaunch) {
    start();
    EXPECT_EQ(topLevel<MainWindow>().size(), 1);
    EXPECT_EQ(m_app->delegate().window(), &window());
    EXPECT_EQ(window().minimumSize(), QSize(500, 500));
    EXPECT_EQ(window().size(), QSize(500, 500));
    window().resize(2400, 1800);
    EXPECT_EQ(window().size(), QSize(2400, 1800));
    EXPECT_EQ(window().contentView()->geometry().center().x(), window().rect().center().x());
    EXPECT_LT(window().palette().color(QPalette::Window).lightness(), 80);

    // Before the main loop's first turn the window is not the delegate's yet.
    GlyphonApp later(m_settings, ShellSeams{m_opener, UpdaterConfig{}});
    later.launch();
    EXPECT_EQ(later.delegate().window(), nullptr);
    // Each launch's delegate started an updater, which counted the launch.
    EXPECT_EQ(m_settings.value(updateSettings::launchCount).toInt(), 2);
}

TEST_F(GlyphonAppTest, ClosingHidesTheApplicationAndItComesBackWithEverythingItHeld) {
    start();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    const QUrl picture = QUrl::fromLocalFile(QStringLiteral("/pictures/logo.png"));
    m_app->state().acceptImage(picture, Image(QImage(1024, 1024, QImage::Format_ARGB32_Premultiplied)));
    m_app->state().setWithPadding(true);
    m_app->aboutAction()->trigger();
    QPointer<QMessageBox> about = visibleBox(QStringLiteral("Glyphon"));
    ASSERT_TRUE(about);
    QPointer<MainWindow> before = &window();
    // What the tray icon is on X11: a frameless top-level widget of its own, outside the window manager.
    QWidget trayIcon(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    trayIcon.show();

    // The close button (through the window system) and Close (through the widget) both only hide, and
    // the about box goes with the window.
    window().windowHandle()->close();
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(trayIcon.isVisible());
    m_app->activate();
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(window().close());
    EXPECT_FALSE(window().isVisible());
    QCoreApplication::processEvents();
    EXPECT_TRUE(before);
    EXPECT_TRUE(quitting.isEmpty());

    // The tray's Show brings it back the way a second launch does.
    m_app->showAction()->trigger();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(topLevel<MainWindow>(), QList<MainWindow *>{before.data()});
    EXPECT_EQ(m_app->state().imageUrl(), picture);
    EXPECT_TRUE(m_app->state().withPadding());
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

TEST_F(GlyphonAppTest, UnreadableFilesFromALaunchOrALaterOneAreNamedAndTheFolderOpensThroughTheOpener) {
    UpdaterConfig config;
    config.currentVersion = QStringLiteral("0.1.0");
    config.publicKey = m_keys.publicKey;
    m_app = std::make_unique<GlyphonApp>(m_settings, ShellSeams{m_opener, config});
    m_app->launch(m_dir.filePath(QStringLiteral("missing.png")));
    Banner *banner = window().contentView()->outcomeBanner();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_app->state().intakeFailure().has_value(); }, 20000));
    EXPECT_EQ(banner->message(), QStringLiteral("Couldn't open \"missing.png\": no such file"));
    EXPECT_FALSE(m_app->state().somethingDropped());

    QFile text(m_dir.filePath(QStringLiteral("x.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    m_app->activate(text.fileName());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_app->state().intakeFailure()->name() == u"x.png"_s; }, 20000));
    EXPECT_TRUE(banner->isVisible());
    EXPECT_TRUE(banner->message().startsWith(u"Couldn't open \"x.png\": "_s));

    // "Show in Folder" and the end of a run both hand the folder to the application's one opener.
    m_app->activate(QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples/apple-1024.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_app->state().somethingDropped(); }, 20000));
    for (auto setter : {&ContentViewState::setForMacos, &ContentViewState::setForIos,
                        &ContentViewState::setForWatchos, &ContentViewState::setForFavicon})
        (m_app->state().*setter)(false);
    const QString output = m_dir.filePath(QStringLiteral("icons"));
    m_app->state().startGeneration({QUrl::fromLocalFile(output)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_app->state().hasSuccess(); }, 20000));
    QTest::mouseClick(banner->actionButton(), Qt::LeftButton);
    EXPECT_EQ(m_opened, QList<QUrl>{QUrl::fromLocalFile(output)});
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

TEST_F(GlyphonAppTest, EveryCommandWorksAndNoneOpensASecondWindow) {
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
    // "Check for Updates…" is off while its check runs and answers in the window.
    EXPECT_FALSE(m_app->checkForUpdatesAction()->isEnabled());
    const QString upToDate = QStringLiteral("You're up to date!");
    EXPECT_TRUE(QTest::qWaitFor([&] { return visibleBox(upToDate) != nullptr; }, 20000));
    EXPECT_EQ(visibleBox(upToDate)->parentWidget(), &window());
    EXPECT_TRUE(m_app->checkForUpdatesAction()->isEnabled());

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

TEST_F(GlyphonAppTest, QuitEndsTheApplicationWhoeverAsksAndWhereverTheWindowIs) {
    struct Way {
        const char *name;
        bool hidden;
        std::function<void(GlyphonApp &)> quit;
    };
    const Way ways[] = {
        {"menu", false, [](GlyphonApp &app) { app.quitAction()->trigger(); }},
        {"tray, window hidden", true, [](GlyphonApp &app) { app.trayMenu()->actions().last()->trigger(); }},
        // The session ending, or the dock's Quit on macOS, asks the application directly.
        {"session", false, [](GlyphonApp &) { QCoreApplication::quit(); }},
    };
    for (const Way &way : ways) {
        start();
        if (way.hidden)
            window().close();
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        EXPECT_EQ(runMainLoopAfter([this, &way] { way.quit(*m_app); }), 0) << way.name;
        EXPECT_EQ(quitting.size(), 1) << way.name;
        // Closed, not merely hidden.
        EXPECT_FALSE(window().isVisible()) << way.name;
        EXPECT_EQ(m_app->delegate().isApplicationHidden(), way.hidden) << way.name;
    }
}

} // namespace
