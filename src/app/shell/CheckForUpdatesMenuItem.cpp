#include "CheckForUpdatesMenuItem.h"

#include "CheckForUpdatesViewModel.h"
#include "Updater.h"

#include <QAction>

namespace glyphon {

QAction *makeCheckForUpdatesAction(Updater &updater, QObject *parent) {
    auto *action = new QAction(QStringLiteral("Check for &Updates\u2026"), parent);
    action->setMenuRole(QAction::ApplicationSpecificRole);
    // An item that could never be enabled only puzzles; a build without a feed does not offer it.
    action->setVisible(updater.isConfigured());
    auto *model = new CheckForUpdatesViewModel(updater, action);
    action->setEnabled(model->canCheckForUpdates());
    QObject::connect(model, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, action,
                     &QAction::setEnabled);
    QObject::connect(action, &QAction::triggered, &updater, &Updater::checkForUpdates);
    return action;
}

} // namespace glyphon
