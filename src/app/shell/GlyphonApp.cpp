#include "GlyphonApp.h"

#include "AboutBox.h"
#include "AppDelegate.h"
#include "CheckForUpdatesMenuItem.h"
#include "ContentViewState.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "SupportMail.h"
#include "Theme.h"
#include "UpdaterController.h"

#include <QAction>
#include <QApplication>
#include <QDataStream>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QSystemTrayIcon>
#include <algorithm>
#include <optional>

namespace glyphon {

namespace {

QIcon applicationIcon() {
    // The installed icon theme first, so the window matches the launcher; the built-in art otherwise.
    return QIcon::fromTheme(QStringLiteral("glyphon"), QIcon(QStringLiteral(":/shell/glyphon.svg")));
}

// Named after the widget property it restores, as Qt's own examples name it.
const QString kGeometry = QStringLiteral("geometry");

// What QWidget::saveGeometry() wrote, as far as the restore needs it: the window (without its frame) when
// neither maximised nor full-screen, and the frame's margins around it then. The layout is Qt's own since
// 4.2 (it grew only at the end); anything else reads as nothing.
struct SavedGeometry {
    QRect normal;
    QMargins frameMargins;
};

std::optional<SavedGeometry> readSavedGeometry(const QByteArray &bytes) {
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0, minor = 0;
    QRect frame, normal;
    qint32 screenNumber = 0;
    quint8 maximized = 0, fullScreen = 0;
    stream >> magic >> major >> minor >> frame >> normal >> screenNumber >> maximized >> fullScreen;
    if (stream.status() != QDataStream::Ok || magic != 0x1D9D0CB || !normal.isValid())
        return std::nullopt;
    SavedGeometry saved{normal, {}};
    // A maximised frame says nothing about the frame of the normal window.
    if (!maximized && !fullScreen && frame.contains(normal))
        saved.frameMargins = QMargins(normal.left() - frame.left(), normal.top() - frame.top(),
                                      frame.right() - normal.right(), frame.bottom() - normal.bottom());
    return saved;
}

// wanted, shrunk to fit into available where it must and moved in rather than shrunk where it can.
QRect fittedInto(QRect wanted, const QRect &available) {
    wanted.setSize(wanted.size().boundedTo(available.size()));
    wanted.moveLeft(std::clamp(wanted.left(), available.left(), available.right() - wanted.width() + 1));
    wanted.moveTop(std::clamp(wanted.top(), available.top(), available.bottom() - wanted.height() + 1));
    return wanted;
}

} // namespace

void GlyphonApp::configureApplication(QApplication &app) {
    QApplication::setOrganizationName(QStringLiteral("Glyphon"));
    QApplication::setApplicationName(QStringLiteral("Glyphon"));
    QApplication::setApplicationVersion(QStringLiteral(GLYPHON_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.talvoren.glyphon"));
    QApplication::setWindowIcon(applicationIcon());
    applyDarkTheme(app);
}

GlyphonApp::GlyphonApp(QSettings &settings, ShellSeams seams, QObject *parent)
    : QObject(parent), m_settings(settings), m_seams(std::move(seams)),
      m_delegate(new AppDelegate(&settings, m_seams.updaterConfig.value_or(defaultUpdaterConfig(settings)),
                                 m_seams.openUrl, this)) {
    if (!m_seams.systemTrayAvailable)
        m_seams.systemTrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    ContentViewSeams desktop = desktopSeams([this]() -> QWidget * { return m_window.get(); },
                                            [this] { return m_state->outputFolderToOffer(); });
    // The output folder opens like every other link of the application, so tests see it too.
    desktop.openFolder = [open = m_seams.openUrl](const QString &folder) {
        open(QUrl::fromLocalFile(folder));
    };
    m_state = std::make_unique<ContentViewState>(settings, std::move(desktop));
    m_window = std::make_unique<MainWindow>(*m_state);
    m_window->installEventFilter(this);
    buildMenus();
    buildTray();

    m_delegate->setTrayIconShown([this] { return isTrayIconShown(); });
    // A run writing files must not be cut short by closing the window.
    m_delegate->setBusy([this] { return m_state->hasProgress(); });
    connect(m_state.get(), &ContentViewState::hasProgressChanged, m_delegate, [this] {
        if (!m_state->hasProgress())
            m_delegate->busyEnded();
    });
}

GlyphonApp::~GlyphonApp() {
    // The tray and the window go before the state they show, the delegate (with the updater) after them.
    m_tray.reset();
    m_trayMenu.reset();
    m_window->removeEventFilter(this);
    m_window.reset();
}

void GlyphonApp::buildMenus() {
    QMenuBar *bar = m_window->menuBar();

    // Placed as GNOME and KDE applications place them: Quit ends the File menu, About ends Help. The roles
    // move the three into the application menu on macOS.
    m_quit = new QAction(QStringLiteral("&Quit"), m_window.get());
    m_quit->setMenuRole(QAction::QuitRole);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_quit, &QAction::triggered, m_delegate, &AppDelegate::terminate);
    QMenu *file = m_window->fileMenu();
    file->addSeparator();
    file->addAction(m_quit);

    m_contactSupport = new QAction(QStringLiteral("&Contact Support"), m_window.get());
    m_contactSupport->setMenuRole(QAction::NoRole);
    connect(m_contactSupport, &QAction::triggered, this, [this] { openSupportEmail(m_seams.openUrl); });

    m_checkForUpdates =
        makeCheckForUpdatesAction(*m_delegate->updaterController()->updater(), m_window.get());

    m_about = new QAction(QStringLiteral("&About Glyphon"), m_window.get());
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &GlyphonApp::showAbout);

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(m_contactSupport);
    help->addAction(m_checkForUpdates);
    help->addSeparator();
    help->addAction(m_about);
}

void GlyphonApp::buildTray() {
    m_trayMenu = std::make_unique<QMenu>();
    m_show = m_trayMenu->addAction(QStringLiteral("&Show"));
    connect(m_show, &QAction::triggered, this, [this] { activate(); });
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_quit);

    // Without a tray, closing the window quits (see the delegate), and a later launch starts afresh.
    if (!m_seams.systemTrayAvailable())
        return;
    m_tray = std::make_unique<QSystemTrayIcon>(QGuiApplication::windowIcon());
    m_tray->setToolTip(QStringLiteral("Glyphon"));
    m_tray->setContextMenu(m_trayMenu.get());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    activate();
            });
    m_tray->show();
}

bool GlyphonApp::isTrayIconShown() const {
    return m_tray && m_tray->isVisible() && m_seams.systemTrayAvailable();
}

void GlyphonApp::launch(const QString &file) {
    restoreWindowGeometry();
    m_window->show();
    if (!file.isEmpty())
        m_state->openFile(file);
    m_delegate->applicationDidFinishLaunching();
}

void GlyphonApp::activate(const QString &file) {
    // Unhiding restores the dialogs above the window too; a window closed before the delegate took it
    // over was merely closed.
    if (m_delegate->isApplicationHidden())
        m_delegate->unhideApplication();
    else
        AppDelegate::bringToFront(m_window.get());
    if (!file.isEmpty())
        m_state->openFile(file);
}

void GlyphonApp::listenTo(SingleInstance &instance) {
    connect(&instance, &SingleInstance::activationRequested, this,
            [this](const QString &file) { activate(file); });
}

void GlyphonApp::restoreWindowGeometry() {
    const QByteArray bytes = m_settings.value(kGeometry).toByteArray();
    const std::optional<SavedGeometry> saved = readSavedGeometry(bytes);
    if (!saved)
        return;
    // Qt declines a geometry saved on a screen of quite another width; its size, fitted, is still a better
    // start than the default.
    if (!m_window->restoreGeometry(bytes))
        m_window->setGeometry(saved->normal);
    if (m_window->isMaximized() || m_window->isFullScreen())
        return;
    // The screens may have changed since: the window comes back whole on the one it lands on, with room
    // for the frame the window manager gave it last time (it is not known before the window is shown).
    QScreen *screen = QGuiApplication::screenAt(m_window->geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect fitted =
        fittedInto(m_window->geometry(), screen->availableGeometry().marginsRemoved(saved->frameMargins));
    if (fitted != m_window->geometry())
        m_window->setGeometry(fitted);
}

void GlyphonApp::saveWindowGeometry() {
    m_settings.setValue(kGeometry, m_window->saveGeometry());
}

bool GlyphonApp::eventFilter(QObject *watched, QEvent *event) {
    // Saved whenever the window goes away: closed, hidden to the tray, or at the quit.
    if (watched == m_window.get() && event->type() == QEvent::Hide && !event->spontaneous())
        saveWindowGeometry();
    return QObject::eventFilter(watched, event);
}

void GlyphonApp::showAbout() {
    // One about box at a time: choosing the item again brings the open one forward.
    if (m_aboutBox) {
        AppDelegate::bringToFront(m_aboutBox);
        return;
    }
    m_aboutBox = showAboutBox(m_window.get());
}

} // namespace glyphon
