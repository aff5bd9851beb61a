#pragma once

#include "SettingsSchema.h"

#include <QDialog>
#include <QList>
#include <utility>

class QColorDialog;
class QLabel;

namespace glyphon {

class ColorWell;
class ContentViewState;
class StyledButton;
class SwitchToggle;

// "Select Platforms": five switches bound straight to the persisted platform flags, the "More formats"
// group of the newer targets with the background colour they fill with, "Cancel" and "Create Icons". A
// window-modal dialog shown while showingPlatformSheet is true.
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
    // Opens the colour picker on the background colour, editing it live.
    void openBackgroundPicker();
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
    ColorWell *m_backgroundWell;
    QColorDialog *m_backgroundPicker = nullptr;
    StyledButton *m_cancel;
    StyledButton *m_createIcons;
    QLabel *m_noPlatformHint;
    // Each switch and the platform flag it sets.
    QList<std::pair<SwitchToggle *, Setting<bool>>> m_switches;
};

} // namespace glyphon
