#include "CheckForUpdatesViewModel.h"

#include "Updater.h"

namespace glyphon {

CheckForUpdatesViewModel::CheckForUpdatesViewModel(Updater &updater, QObject *parent) : QObject(parent) {
    updater.subscribeCanCheckForUpdates(this, [this](bool canCheck) { setCanCheckForUpdates(canCheck); });
}

void CheckForUpdatesViewModel::setCanCheckForUpdates(bool canCheck) {
    if (canCheck == m_canCheckForUpdates)
        return;
    m_canCheckForUpdates = canCheck;
    emit canCheckForUpdatesChanged(canCheck);
}

} // namespace glyphon
