#pragma once

#include <QObject>

namespace glyphon {

class Updater;

// What the "Check for Updates…" menu item shows: enabled exactly while the updater can check. Made each
// time the menu is built; it takes the updater's current value at once, then follows every change.
class CheckForUpdatesViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
public:
    explicit CheckForUpdatesViewModel(Updater &updater, QObject *parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

signals:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void setCanCheckForUpdates(bool canCheck);

    bool m_canCheckForUpdates = false;
};

} // namespace glyphon
