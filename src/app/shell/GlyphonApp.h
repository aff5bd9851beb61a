#pragma once

#include "Updater.h"
#include "UrlOpener.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QApplication;
class QMenu;
class QMessageBox;
class QSettings;
class QSystemTrayIcon;

namespace glyphon {

class AppDelegate;
class ContentViewState;
class MainWindow;
class SingleInstance;

// What the application reaches outside itself, so tests can stand in for it.
struct ShellSeams {
    // Opens the support mail, release notes and download pages.
    UrlOpener openUrl = openWithSystemHandler;
    // The update feed, key and version; none: the built-in ones and the settings' feed address.
    std::optional<UpdaterConfig> updaterConfig;
    // Whether the desktop shows a system tray now (it comes and goes with the panel that hosts it); unset:
    // as Qt finds it.
    std::function<bool()> systemTrayAvailable;
};

// The application: its delegate, the one main window over the content view, the menus and, where the
// desktop has a tray, a tray icon. There is no command that makes a second window. The window's size,
// position and state are kept in the settings from one run to the next.
class GlyphonApp : public QObject {
    Q_OBJECT
public:
    // Names the application (which the settings store, the support mail and the dialogs use), and gives it
    // its icon and the dark theme, whatever the desktop's.
    static void configureApplication(QApplication &app);

    // settings is the user's preferences store; it must outlive the application.
    explicit GlyphonApp(QSettings &settings, ShellSeams seams = {}, QObject *parent = nullptr);
    ~GlyphonApp() override;

    // Shows the window where it was last left (within the screen), takes in file (may be empty) as if
    // dropped, and lets the delegate capture the window one main-loop turn later.
    void launch(const QString &file = {});

    // A later launch (or the tray) asked for the window: it comes back, hidden or minimised, with all it
    // held, and takes in file when one was given.
    void activate(const QString &file = {});

    // Later launches reach this application through instance.
    void listenTo(SingleInstance &instance);

    AppDelegate &delegate() const { return *m_delegate; }
    ContentViewState &state() const { return *m_state; }
    MainWindow &window() const { return *m_window; }

    QAction *aboutAction() const { return m_about; }
    QAction *checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction *quitAction() const { return m_quit; }
    QAction *contactSupportAction() const { return m_contactSupport; }
    QAction *showAction() const { return m_show; }
    // The tray icon's menu; it exists even where the desktop has no tray.
    QMenu *trayMenu() const { return m_trayMenu.get(); }
    // Null where the desktop had no tray at launch.
    QSystemTrayIcon *trayIcon() const { return m_tray.get(); }
    // A tray icon is there for the user to bring the window back with.
    bool isTrayIconShown() const;

private:
    void buildMenus();
    void buildTray();
    void showAbout();
    void restoreWindowGeometry();
    void saveWindowGeometry();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QSettings &m_settings;
    ShellSeams m_seams;
    AppDelegate *m_delegate;
    std::unique_ptr<ContentViewState> m_state;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QMenu> m_trayMenu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QAction *m_about = nullptr;
    QAction *m_checkForUpdates = nullptr;
    QAction *m_quit = nullptr;
    QAction *m_contactSupport = nullptr;
    QAction *m_show = nullptr;
    QPointer<QMessageBox> m_aboutBox;
};

} // namespace glyphon
