#pragma once

#include "SettingsSchema.h"

#include <QDialog>
#include <QList>
#include <utility>

class QLabel;

namespace glyphon {

class ContentViewState;
class StyledButton;
class SwitchToggle;

// "Select Platforms": five switches bound straight to the persisted platform flags, "Cancel" and
// "Create Icons". A window-modal dialog shown while showingPlatformSheet is true.
class PlatformSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 500;

    explicit PlatformSheet(ContentViewState &state, QWidget *parent = nullptr);

    SwitchToggle *macosSwitch() const { return m_macos; }
    SwitchToggle *iosSwitch() const { return m_ios; }
    SwitchToggle *watchosSwitch() const { return m_watchos; }
    SwitchToggle *androidSwitch() const { return m_android; }
    SwitchToggle *webSwitch() const { return m_web; }
    StyledButton *cancelButton() const { return m_cancel; }
    StyledButton *createIconsButton() const { return m_createIcons; }
    // Says why "Create Icons" is off while no platform is on; hidden otherwise.
    QLabel *noPlatformHint() const { return m_noPlatformHint; }

    // "Cancel": closes the sheet; the switches keep whatever they were set to.
    void cancelPressed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void bind();
    void refresh();

    ContentViewState &m_state;
    SwitchToggle *m_macos;
    SwitchToggle *m_ios;
    SwitchToggle *m_watchos;
    SwitchToggle *m_android;
    SwitchToggle *m_web;
    StyledButton *m_cancel;
    StyledButton *m_createIcons;
    QLabel *m_noPlatformHint;
    // Each switch and the platform flag it sets.
    QList<std::pair<SwitchToggle *, Setting<bool>>> m_switches;
};

} // namespace glyphon
