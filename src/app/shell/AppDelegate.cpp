#include "AppDelegate.h"

#include "UpdateDialogs.h"
#include "Updater.h"
#include "UpdaterController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMainWindow>

namespace glyphon {

namespace {

QMainWindow *firstMainWindow() {
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *main = qobject_cast<QMainWindow *>(widget))
            return main;
    }
    return nullptr;
}

} // namespace

AppDelegate::AppDelegate(QSettings *settings, QObject *parent)
    : QObject(parent), m_updaterController(new UpdaterController(settings, true, this)),
      m_open(openWithSystemHandler) {
    connectUpdater();
}

AppDelegate::AppDelegate(QSettings *settings, const UpdaterConfig &config, UrlOpener open, QObject *parent)
    : QObject(parent), m_updaterController(new UpdaterController(settings, config, true, this)),
      m_open(std::move(open)) {
    connectUpdater();
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::connectUpdater() {
    // The delegate decides when closing the window ends the application, not Qt.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Sees the window's close requests once captured, and the application's quit before any window does.
    qApp->installEventFilter(this);

    Updater *updater = m_updaterController->updater();
    connect(updater, &Updater::checkFinished, this, [this, updater](const UpdateCheckOutcome &outcome) {
        // A scheduled check may find a release while the window is hidden; its dialog brings it back.
        if (presentUpdateOutcome(dialogParent(), *updater, outcome, m_open) && m_hidden)
            unhideApplication();
    });
    connect(m_updaterController, &UpdaterController::automaticChecksPermissionRequested, this, [this] {
        askForAutomaticUpdateChecks(dialogParent(), [controller = QPointer(m_updaterController)](bool yes) {
            if (controller)
                controller->setAutomaticallyChecksForUpdates(yes);
        });
    });
}

void AppDelegate::applicationDidFinishLaunching() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            QMainWindow *main = firstMainWindow();
            if (!main)
                return;
            m_window = main;
            emit windowCaptured(main);
        },
        Qt::QueuedConnection);
}

bool AppDelegate::windowShouldClose() {
    if (m_trayIconShown && m_trayIconShown()) {
        hideApplication();
        return false;
    }
    // Where the desktop shows no tray, a hidden window would leave an invisible process behind.
    if (m_busy && m_busy()) {
        hideApplication();
        m_quitPending = true;
        return false;
    }
    // The window closes now; the quit follows on the next turn, outside this close.
    QMetaObject::invokeMethod(this, &AppDelegate::terminate, Qt::QueuedConnection);
    return true;
}

void AppDelegate::busyEnded() {
    if (m_quitPending && !(m_busy && m_busy()))
        terminate();
}

void AppDelegate::hideApplication() {
    if (m_hidden)
        return;
    m_hidden = true;
    m_hiddenWindows.clear();
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        // The application's windows are the main window and its dialogs. Other top-level widgets, such as
        // the tray icon's own window on X11, must stay: hiding that would take the way back with it.
        const bool ours = qobject_cast<QMainWindow *>(widget) || qobject_cast<QDialog *>(widget);
        if (!ours || !widget->isVisible())
            continue;
        // The main window goes first, so dialogs come back on top of it.
        if (widget == m_window)
            m_hiddenWindows.prepend(widget);
        else
            m_hiddenWindows.append(widget);
    }
    for (const QPointer<QWidget> &widget : std::as_const(m_hiddenWindows))
        widget->hide();
}

void AppDelegate::unhideApplication() {
    if (!m_hidden)
        return;
    m_hidden = false;
    // Brought back (a later launch, say) before its work ended: the user stays.
    m_quitPending = false;
    const QList<QPointer<QWidget>> windows = std::exchange(m_hiddenWindows, {});
    for (const QPointer<QWidget> &widget : windows) {
        if (widget)
            bringToFront(widget);
    }
}

void AppDelegate::terminate() {
    m_terminating = true;
    QCoreApplication::quit();
}

void AppDelegate::bringToFront(QWidget *window) {
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget *AppDelegate::dialogParent() const {
    return m_window ? m_window.data() : firstMainWindow();
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event) {
    // Qt asks every window to close before it quits; whoever asks for the quit (the menu, the tray, the
    // session), the window then really closes instead of hiding the application.
    if (event->type() == QEvent::Quit && watched == qApp)
        m_terminating = true;
    else if (event->type() == QEvent::Close && watched == m_window.data() && !m_terminating) {
        if (!windowShouldClose()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace glyphon
