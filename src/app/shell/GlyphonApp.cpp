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
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSystemTrayIcon>

namespace glyphon {

namespace {

QIcon applicationIcon() {
    // The installed icon theme first, so the window matches the launcher; the built-in art otherwise.
    return QIcon::fromTheme(QStringLiteral("glyphon"), QIcon(QStringLiteral(":/shell/glyphon.svg")));
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
    : QObject(parent), m_seams(std::move(seams)),
      m_delegate(new AppDelegate(&settings, m_seams.updaterConfig.value_or(defaultUpdaterConfig(settings)),
                                 m_seams.openUrl, this)) {
    ContentViewSeams desktop = desktopSeams([this]() -> QWidget * { return m_window.get(); });
    // The output folder opens like every other link of the application, so tests see it too.
    desktop.openFolder = [open = m_seams.openUrl](const QString &folder) {
        open(QUrl::fromLocalFile(folder));
    };
    m_state = std::make_unique<ContentViewState>(settings, std::move(desktop));
    m_window = std::make_unique<MainWindow>(*m_state);
    buildMenus();
    buildTray();
}

GlyphonApp::~GlyphonApp() {
    // The tray and the window go before the state they show, the delegate (with the updater) after them.
    m_tray.reset();
    m_trayMenu.reset();
    m_window.reset();
}

void GlyphonApp::buildMenus() {
    QMenuBar *bar = m_window->menuBar();

    // Roles put these three into the application menu on macOS; elsewhere this menu shows them.
    m_about = new QAction(QStringLiteral("About Glyphon"), m_window.get());
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &GlyphonApp::showAbout);

    m_checkForUpdates =
        makeCheckForUpdatesAction(*m_delegate->updaterController()->updater(), m_window.get());

    m_quit = new QAction(QStringLiteral("Quit"), m_window.get());
    m_quit->setMenuRole(QAction::QuitRole);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_quit, &QAction::triggered, m_delegate, &AppDelegate::terminate);

    auto *application = new QMenu(QStringLiteral("&Glyphon"), bar);
    application->addAction(m_about);
    application->addSeparator();
    application->addAction(m_checkForUpdates);
    application->addSeparator();
    application->addAction(m_quit);
    // Before the window's own File menu, where the platform puts the application's menu.
    bar->insertMenu(bar->actions().value(0), application);

    m_contactSupport = new QAction(QStringLiteral("Contact Support"), m_window.get());
    m_contactSupport->setMenuRole(QAction::NoRole);
    connect(m_contactSupport, &QAction::triggered, this, [this] { openSupportEmail(m_seams.openUrl); });
    bar->addMenu(QStringLiteral("&Help"))->addAction(m_contactSupport);
}

void GlyphonApp::buildTray() {
    m_trayMenu = std::make_unique<QMenu>();
    m_show = m_trayMenu->addAction(QStringLiteral("Show"));
    connect(m_show, &QAction::triggered, this, [this] { activate(); });
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_quit);

    // Without a tray the hidden window comes back through the launcher, which starts a second launch.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
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

void GlyphonApp::launch(const QString &file) {
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

void GlyphonApp::showAbout() {
    // One about box at a time: choosing the item again brings the open one forward.
    if (m_aboutBox) {
        AppDelegate::bringToFront(m_aboutBox);
        return;
    }
    m_aboutBox = showAboutBox(m_window.get());
}

} // namespace glyphon
