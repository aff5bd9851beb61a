#pragma once

#include "UrlOpener.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QSettings;

namespace glyphon {

class UpdaterController;
struct UpdaterConfig;

// The application's delegate: owns the updater controller for the life of the process and, once the window
// is up, answers the window's close requests: it hides the application while a tray icon offers the way
// back, and otherwise quits, once the work under way is done.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Creates and starts the updater controller with the built-in feed and key; settings (the user's
    // preferences store) must outlive the delegate.
    explicit AppDelegate(QSettings *settings, QObject *parent = nullptr);
    // The same with a feed, key and version of the caller's choosing, and links opened through open.
    AppDelegate(QSettings *settings, const UpdaterConfig &config, UrlOpener open, QObject *parent = nullptr);
    ~AppDelegate() override;

    // The main window, once captured; null until then.
    QWidget *window() const { return m_window; }
    UpdaterController *updaterController() const { return m_updaterController; }

    // Called when the window is up. One main-loop turn later the delegate captures the first main window
    // and from then on is asked before it closes.
    void applicationDidFinishLaunching();

    // Asked before the captured window closes. With a tray icon shown it hides the application and answers
    // no. Without one it quits: at once, or, while work is under way, it hides the application and quits
    // when busyEnded() reports the work done.
    bool windowShouldClose();

    // Whether a tray icon is shown now; unset: never, so closing quits.
    void setTrayIconShown(std::function<bool()> shown) { m_trayIconShown = std::move(shown); }
    // Whether work is under way that quitting would cut short; unset: never.
    void setBusy(std::function<bool()> busy) { m_busy = std::move(busy); }
    void busyEnded();
    // The window was closed during work and the application quits when it ends.
    bool isQuitPending() const { return m_quitPending; }

    // Hides every window of the application, like the desktop's Hide command; unhideApplication shows them
    // again, the main window first, with everything they held.
    void hideApplication();
    void unhideApplication();
    bool isApplicationHidden() const { return m_hidden; }

    // Quit: the window may close this time, and the application ends.
    void terminate();

    // Shows, raises and focuses a window, minimised or not.
    static void bringToFront(QWidget *window);

signals:
    // The window was captured; from now on the delegate decides what closing it does.
    void windowCaptured(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Where the update dialogs open: the captured window, or the main window before the capture.
    QWidget *dialogParent() const;
    void connectUpdater();

    QPointer<QWidget> m_window;
    UpdaterController *m_updaterController;
    UrlOpener m_open;
    QList<QPointer<QWidget>> m_hiddenWindows;
    std::function<bool()> m_trayIconShown;
    std::function<bool()> m_busy;
    bool m_hidden = false;
    bool m_terminating = false;
    bool m_quitPending = false;
};

} // namespace glyphon
