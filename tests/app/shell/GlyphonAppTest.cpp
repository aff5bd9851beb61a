#include "GlyphonApp.h"
#include "AppDelegate.h"
#include "Banner.h"
#include "ButtonStyles.h"
#include "ContentView.h"
#include "ContentViewState.h"
#include "DisclosureGroup.h"
#include "FeedTestSupport.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "UpdateSettings.h"

#include <QAction>
#include <QApplication>
#include <QDataStream>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSet>
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

QList<QAction *> visible(const QList<QAction *> &actions) {
    QList<QAction *> shown;
    for (QAction *action : actions) {
        if (action->isVisible())
            shown << action;
    }
    return shown;
}

// The letter after the single "&" of a menu text, lower-cased; none when there is no such letter.
QChar mnemonic(const QString &text) {
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= text.size() || text.indexOf(QLatin1Char('&'), at + 1) >= 0)
        return {};
    return text.at(at + 1).toLower();
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

// Every test runs twice: on a desktop with a system tray and on one without (GNOME's default).
class GlyphonAppTest : public ::testing::TestWithParam<bool> {
protected:
    bool trayAtLaunch() const { return GetParam(); }

    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_server.isListening());
        serveSignedFeed(m_server, QStringLiteral("/appcast.xml"), appcast({}), m_keys);
    }
    void TearDown() override { m_app.reset(); }

    // The application as a launch makes it, after the main loop's first turn; with a feed or without one.
    GlyphonApp &start(bool withFeed = false, const QString &file = {}) {
        UpdaterConfig config;
        if (withFeed)
            config.feedUrl = m_server.url(QStringLiteral("/appcast.xml"));
        config.currentVersion = QStringLiteral("0.1.0");
        config.publicKey = m_keys.publicKey;
        m_trayAvailable = trayAtLaunch();
        m_app = std::make_unique<GlyphonApp>(
            m_settings, ShellSeams{m_opener, config, [this] { return m_trayAvailable; }});
        m_app->launch(file);
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
    bool m_trayAvailable = false;
    std::unique_ptr<GlyphonApp> m_app;
};

INSTANTIATE_TEST_SUITE_P(Desktop, GlyphonAppTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "WithTray" : "WithoutTray");
                         });

TEST_P(GlyphonAppTest, OneDarkWindowOfAtLeast500PointsTakenOverByTheDelegateAfterLaunch) {
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
    GlyphonApp later(m_settings, ShellSeams{m_opener, UpdaterConfig{}, {}});
    later.launch();
    EXPECT_EQ(later.delegate().window(), nullptr);
    // Each launch's delegate started an updater, which counted the launch.
    EXPECT_EQ(m_settings.value(updateSettings::launchCount).toInt(), 2);
}

TEST_P(GlyphonAppTest, ClosingHidesWhileATrayIconIsShownAndOtherwiseQuits) {
    start();
    EXPECT_EQ(m_app->isTrayIconShown(), trayAtLaunch());
    const QUrl picture = QUrl::fromLocalFile(QStringLiteral("/pictures/logo.png"));
    m_app->state().acceptImage(picture, Image(QImage(1024, 1024, QImage::Format_ARGB32_Premultiplied)));
    m_app->state().setWithPadding(true);
    m_app->aboutAction()->trigger();
    QPointer<QMessageBox> about = visibleBox(QStringLiteral("Glyphon"));
    ASSERT_TRUE(about);
    QPointer<MainWindow> before = &window();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);

    if (trayAtLaunch()) {
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

        // The panel that hosted the tray went away: the icon no longer shows the way back.
        m_trayAvailable = false;
        EXPECT_FALSE(m_app->isTrayIconShown());
    }

    // Nothing would bring a hidden window back, so closing it ends the application.
    EXPECT_EQ(runMainLoopAfter([this] { window().windowHandle()->close(); }), 0);
    EXPECT_EQ(quitting.size(), 1);
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(about && about->isVisible());
    EXPECT_FALSE(m_app->delegate().isApplicationHidden());
}

TEST_P(GlyphonAppTest, ClosingDuringARunNeverCutsItShort) {
    struct Case {
        const char *name;
        bool broughtBack; // a later launch asks for the window while the run still writes
    };
    for (const Case &c : {Case{"left alone", false}, Case{"brought back", true}}) {
        start();
        ContentViewState &state = m_app->state();
        state.acceptImage(QUrl::fromLocalFile(QStringLiteral("/pictures/logo.png")),
                          Image(QImage(1024, 1024, QImage::Format_ARGB32_Premultiplied)));
        state.setForMacos(false);
        state.setForIos(false);
        state.setForWatchos(false);
        state.setForFavicon(false);
        const QString folder = m_dir.filePath(QString::fromLatin1(c.name));
        const QString written = folder + QStringLiteral("/Android/mipmap-mdpi/ic_launcher.png");
        bool writtenAtQuit = false;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, m_app.get(),
                         [&] { writtenAtQuit = !state.hasProgress() && QFile::exists(written); });

        const int exitCode = runMainLoopAfter([&] {
            state.startGeneration({QUrl::fromLocalFile(folder)});
            window().close();
            EXPECT_FALSE(window().isVisible()) << c.name;
            EXPECT_EQ(m_app->delegate().isQuitPending(), !trayAtLaunch()) << c.name;
            if (c.broughtBack)
                m_app->activate();
            // Where the application stays, the test ends the loop a little after the run.
            if (trayAtLaunch() || c.broughtBack) {
                QObject::connect(&state, &ContentViewState::hasProgressChanged, m_app.get(), [this, &state] {
                    if (!state.hasProgress())
                        QTimer::singleShot(200, m_app.get(), [] { QCoreApplication::exit(7); });
                });
            }
        });
        EXPECT_TRUE(QFile::exists(written)) << c.name;
        if (trayAtLaunch() || c.broughtBack) {
            // Not the application's quit (which exits with 0) but the test's exit.
            EXPECT_EQ(exitCode, 7) << c.name;
            EXPECT_EQ(window().isVisible(), c.broughtBack) << c.name;
        } else {
            // The quit came once the last file was written, not before.
            EXPECT_EQ(exitCode, 0) << c.name;
            EXPECT_TRUE(writtenAtQuit) << c.name;
        }
    }
}

TEST_P(GlyphonAppTest, TheNextLaunchShowsTheWindowAsItWasLeftWithinTheScreen) {
    const auto closeWindow = [this] {
        // Hidden to the tray, or quit: either way the window is remembered as it went.
        if (trayAtLaunch())
            window().close();
        else
            EXPECT_EQ(runMainLoopAfter([this] { window().close(); }), 0);
    };
    const auto dropPicture = [this] {
        m_app->state().acceptImage(QUrl::fromLocalFile(QStringLiteral("/pictures/logo.png")),
                                   Image(QImage(1024, 1024, QImage::Format_ARGB32_Premultiplied)));
    };

    start();
    const QRect available = window().screen()->availableGeometry();
    const QRect left(available.topLeft() + QPoint(40, 30), QSize(620, 540));
    ASSERT_TRUE(available.contains(left));
    window().setGeometry(left);
    m_app->state().setIsExpanded(true);
    dropPicture();
    m_app->state().toggleGridView();
    closeWindow();

    start();
    EXPECT_EQ(window().geometry(), left);
    EXPECT_TRUE(m_app->state().isExpanded());
    EXPECT_TRUE(window().contentView()->settingsGroup()->isExpanded());
    // The placeholder is never shown as a grid; the first picture is.
    EXPECT_FALSE(m_app->state().showGridView());
    dropPicture();
    EXPECT_TRUE(m_app->state().showGridView());

    // Left partly off a screen that has since become smaller: it comes back whole and on it.
    window().setGeometry(QRect(available.topLeft() + QPoint(available.width() - 200, 100),
                               available.size() + QSize(300, 200)));
    m_app->state().setIsExpanded(false);
    closeWindow();
    start();
    EXPECT_TRUE(available.contains(window().frameGeometry()));
    EXPECT_EQ(window().frameGeometry().size(), available.size());

    // Saved on a screen of quite another width, which Qt itself declines to restore: the size still comes
    // back, fitted with room for the frame it had then.
    const QRect normal(available.topLeft() + QPoint(100, 100), QSize(1600, 1400));
    QByteArray wide;
    QDataStream out(&wide, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << normal.adjusted(-2, -20, 2, 5) << normal
        << qint32(0) << quint8(0) << quint8(0) << qint32(available.width() * 3) << normal;
    m_settings.setValue(QStringLiteral("geometry"), wide);
    start();
    EXPECT_EQ(window().geometry(), available.adjusted(2, 20, -2, -5));
    EXPECT_FALSE(m_app->state().isExpanded());
}

TEST_P(GlyphonAppTest, SecondLaunchBringsTheWindowBackAndOpensItsFileAsIfDropped) {
    start();
    SingleInstance running(m_dir.filePath(QStringLiteral("instance")));
    ASSERT_TRUE(running.listen());
    m_app->listenTo(running);
    // Closing hides the window only where a tray shows it; elsewhere it is out of sight when minimised.
    if (trayAtLaunch())
        window().close();
    else
        window().showMinimized();
    ASSERT_FALSE(window().isVisible() && !window().isMinimized());

    SingleInstance later(running.name());
    ASSERT_FALSE(later.listen());
    const QString file = QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples/apple-1024.png");
    std::atomic<int> sent{-1};
    std::thread launch([&] { sent = later.sendActivation(file) ? 1 : 0; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent != -1; }, 20000));
    launch.join();
    EXPECT_EQ(sent, 1);
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(window().isMinimized());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return m_app->state().imageUrl() == QUrl::fromLocalFile(file); }, 20000));
    EXPECT_TRUE(m_app->state().image().has_value());
    EXPECT_EQ(topLevel<MainWindow>().size(), 1);
    EXPECT_EQ(window().windowTitle(), u"apple-1024.png \u2014 Glyphon"_s);
}

TEST_P(GlyphonAppTest, UnreadableFilesFromALaunchOrALaterOneAreNamedAndTheFolderOpensThroughTheOpener) {
    start(false, m_dir.filePath(QStringLiteral("missing.png")));
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

TEST_P(GlyphonAppTest, MenusSitWhereLinuxDesktopsPutThemWithMnemonics) {
    struct Case {
        bool withFeed;
        QStringList help;
    };
    const Case cases[] = {
        {true, {u"Contact Support"_s, u"Check for Updates\u2026"_s, u"---"_s, u"About Glyphon"_s}},
        // A build without a feed could never check: the item is not offered at all.
        {false, {u"Contact Support"_s, u"---"_s, u"About Glyphon"_s}},
    };
    for (const Case &c : cases) {
        start(c.withFeed);
        QMenuBar *bar = window().menuBar();
        EXPECT_EQ(titles(bar->actions()), (QStringList{u"File"_s, u"Help"_s}));
        QMenu *file = menuTitled(bar, QStringLiteral("File"));
        QMenu *help = menuTitled(bar, QStringLiteral("Help"));
        ASSERT_TRUE(file && help);
        EXPECT_EQ(titles(visible(file->actions())),
                  (QStringList{u"Open Image\u2026"_s, u"---"_s, u"Quit"_s}));
        EXPECT_EQ(titles(visible(help->actions())), c.help);
        EXPECT_EQ(m_app->checkForUpdatesAction()->isEnabled(), c.withFeed);
        EXPECT_EQ(titles(m_app->trayMenu()->actions()), (QStringList{u"Show"_s, u"---"_s, u"Quit"_s}));

        // Alt and one letter reach every menu and item; no two in a menu share the letter.
        for (const QList<QAction *> &menu :
             {bar->actions(), file->actions(), help->actions(), m_app->trayMenu()->actions()}) {
            QSet<QChar> letters;
            for (const QAction *action : menu) {
                if (action->isSeparator())
                    continue;
                const QChar letter = mnemonic(action->text());
                EXPECT_TRUE(letter.isLetter()) << action->text().toStdString();
                EXPECT_FALSE(letters.contains(letter)) << action->text().toStdString();
                letters.insert(letter);
            }
        }

        EXPECT_EQ(m_app->aboutAction()->menuRole(), QAction::AboutRole);
        EXPECT_EQ(m_app->checkForUpdatesAction()->menuRole(), QAction::ApplicationSpecificRole);
        EXPECT_EQ(m_app->quitAction()->menuRole(), QAction::QuitRole);
        EXPECT_EQ(m_app->quitAction()->shortcut(), QKeySequence(u"Ctrl+Q"_s));
        for (QAction *action : {m_app->aboutAction(), m_app->quitAction(), m_app->contactSupportAction(),
                                window().openImageAction()})
            EXPECT_TRUE(action->isEnabled()) << title(action).toStdString();
    }
}

TEST_P(GlyphonAppTest, EveryCommandWorksAndNoneOpensASecondWindow) {
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

TEST_P(GlyphonAppTest, SecondLaunchAsksOnceWhetherToCheckAutomatically) {
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

TEST_P(GlyphonAppTest, QuitEndsTheApplicationWhoeverAsksAndWhereverTheWindowIs) {
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
        // Without a tray a closed window has already quit.
        if (way.hidden && !trayAtLaunch())
            continue;
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
