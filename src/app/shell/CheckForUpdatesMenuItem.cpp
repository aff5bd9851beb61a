#include "CheckForUpdatesMenuItem.h"

#include "CheckForUpdatesViewModel.h"
#include "Updater.h"

#include <QAction>

namespace glyphon {

QAction *makeCheckForUpdatesAction(Updater &updater, QObject *parent) {
    auto *action = new QAction(QStringLiteral("Check for Updates\u2026"), parent);
    action->setMenuRole(QAction::ApplicationSpecificRole);
    auto *model = new CheckForUpdatesViewModel(updater, action);
    action->setEnabled(model->canCheckForUpdates());
    QObject::connect(model, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, action,
                     &QAction::setEnabled);
    QObject::connect(action, &QAction::triggered, &updater, &Updater::checkForUpdates);
    return action;
}

} // namespace glyphon
