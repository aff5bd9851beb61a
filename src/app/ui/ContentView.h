#pragma once

#include <QPointer>
#include <QWidget>

#include <QMessageBox>
class QScrollArea;

namespace glyphon {

class Banner;
class ContentViewState;
class DisclosureGroup;
class ImageArea;
class PlatformSheet;
class SettingsPanel;
class StyledButton;

// The window's root view, one column: the image area, the progress banner, the outcome or validation
// banner, the "Settings" disclosure and the full-width "Generate" button, with the platform sheet and
// the "No Image Selected" alert hanging off it. It only shows the state and calls its operations.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(ContentViewState &state, QWidget *parent = nullptr);

    ContentViewState &state() const { return m_state; }
    QScrollArea *scrollArea() const { return m_scroll; }
    ImageArea *imageArea() const { return m_imageArea; }
    Banner *progressBanner() const { return m_progressBanner; }
    Banner *outcomeBanner() const { return m_outcomeBanner; }
    DisclosureGroup *settingsGroup() const { return m_settings; }
    SettingsPanel *settingsPanel() const { return m_settingsPanel; }
    StyledButton *generateButton() const { return m_generate; }
    PlatformSheet *platformSheet() const { return m_sheet; }
    // The alert while it is shown, else null.
    QMessageBox *noImageAlert() const { return m_alert; }

private:
    void bind();
    void refreshBanners();
    void refreshGenerate();
    void showNoImageAlert();

    ContentViewState &m_state;
    QScrollArea *m_scroll;
    ImageArea *m_imageArea;
    Banner *m_progressBanner;
    Banner *m_outcomeBanner;
    SettingsPanel *m_settingsPanel;
    DisclosureGroup *m_settings;
    StyledButton *m_generate;
    PlatformSheet *m_sheet;
    QPointer<QMessageBox> m_alert;
};

} // namespace glyphon
