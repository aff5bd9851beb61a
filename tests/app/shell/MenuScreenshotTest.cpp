// Opens the real window's menus on a display (a virtual X server in CI), saves what the screen shows as PNGs
// under the build folder, and checks where the menus and their items are.
#include "ContentViewState.h"
#include "FeedTestSupport.h"
#include "GlyphonApp.h"
#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace glyphon;
using namespace glyphon::test;

namespace {

QString screenshotPath(const QString &name) {
    QDir().mkpath(QStringLiteral(GLYPHON_SCREENSHOT_DIR));
    return QDir(QStringLiteral(GLYPHON_SCREENSHOT_DIR)).filePath(name + QStringLiteral(".png"));
}

class MenuScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        UpdaterConfig config;
        config.feedUrl = QUrl(QStringLiteral("https://updates.invalid/appcast.xml"));
        config.currentVersion = QStringLiteral("0.1.0");
        config.publicKey = m_keys.publicKey;
        m_app = std::make_unique<GlyphonApp>(
            m_settings, ShellSeams{[](const QUrl &) { return true; }, config, [] { return false; }});
        m_app->launch();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_app->window()));
        m_app->window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_app->window()));
    }

    // The window and whatever hangs below it, as the screen shows them.
    QImage capture(const QString &name, QMenu *menu) {
        QTest::qWait(100);
        QApplication::processEvents();
        const QRect area = m_app->window().frameGeometry().united(menu->geometry());
        QImage shot = m_app->window()
                          .screen()
                          ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                          .toImage();
        EXPECT_TRUE(shot.save(screenshotPath(name)));
        return shot;
    }

    // Opens the menu the way Alt and its letter do, and checks it hangs below its title in the bar.
    QMenu *open(const QString &title, Qt::Key letter) {
        QMenuBar *bar = m_app->window().menuBar();
        QTest::keyClick(&m_app->window(), letter, Qt::AltModifier);
        QMenu *menu = nullptr;
        for (QAction *action : bar->actions()) {
            if (action->text().remove(QLatin1Char('&')) == title)
                menu = action->menu();
        }
        EXPECT_TRUE(menu && QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000))
            << title.toStdString();
        if (menu) {
            const QRect item = bar->actionGeometry(menu->menuAction());
            EXPECT_EQ(menu->geometry().left(), bar->mapToGlobal(item.bottomLeft()).x());
        }
        return menu;
    }

    QTemporaryDir m_dir;
    QSettings m_settings{m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    SigningKeys m_keys;
    std::unique_ptr<GlyphonApp> m_app;
};

TEST_F(MenuScreenshotTest, fileMenu) {
    const QString sample = QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples/apple-1024.png");
    m_app->state().openFile(sample);
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return !m_app->state().isPreviewing() && m_app->state().somethingDropped(); }, 20000));
    EXPECT_EQ(m_app->window().windowTitle(), QStringLiteral("apple-1024.png \u2014 Glyphon"));
    QMenu *file = open(QStringLiteral("File"), Qt::Key_F);
    ASSERT_TRUE(file);
    capture(QStringLiteral("11-menu-file"), file);
    // Quit is the last item, below a divider.
    const QList<QAction *> items = file->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items.at(1)->isSeparator());
    EXPECT_LT(file->actionGeometry(items.at(0)).bottom(), file->actionGeometry(items.at(2)).top());
    file->close();
}

TEST_F(MenuScreenshotTest, helpMenu) {
    QMenu *help = open(QStringLiteral("Help"), Qt::Key_H);
    ASSERT_TRUE(help);
    capture(QStringLiteral("11-menu-help"), help);
    EXPECT_TRUE(help->actionGeometry(m_app->checkForUpdatesAction()).isValid());
    help->close();
}

} // namespace
