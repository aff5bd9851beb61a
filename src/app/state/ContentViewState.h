#pragma once

#include "AppearancesPreview.h"
#include "GenerationRun.h"
#include "ImageIntake.h"
#include "LivePreview.h"
#include "Settings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

class QMimeData;
class QSettings;

namespace glyphon {

enum class ViewStep { Editing, Targeting };

// The defaults that "Reset to Defaults" restores to the platforms, corners and padding, as one record.
struct DefaultSettings {
    bool forMacos;
    bool forIos;
    bool forWatchos;
    bool forAndroid;
    bool forFavicon;
    bool withRoundedCorners;
    double roundedCornersPx;
    bool withPadding;
    double paddingPx;
};

// What the state needs from the desktop but must not reach itself, so tests can stand in for it.
struct ContentViewSeams {
    // Shows the folder chooser without blocking; calls the completion with the chosen folder only if the
    // user confirmed.
    std::function<void(std::function<void(const QList<QUrl> &)>)> chooseFolder;
    // Shows the folder in the system's file browser: at the end of a run that wrote something, and on
    // request.
    std::function<void(const QString &folder)> openFolder;
    // How long the success banner stays before the folder opens.
    std::chrono::milliseconds successHold{3000};
};

// The state of the main window without any widget, as the one object the window binds to: a front over
// the settings, the image intake, the live preview and the generation run, which it wires together. Every
// field is written on the main thread only; background work hands its results back.
class ContentViewState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool withRoundedCorners READ withRoundedCorners WRITE setWithRoundedCorners NOTIFY
                   withRoundedCornersChanged)
    Q_PROPERTY(double roundedCornersPx READ roundedCornersPx WRITE setRoundedCornersPx NOTIFY
                   roundedCornersPxChanged)
    Q_PROPERTY(bool withPadding READ withPadding WRITE setWithPadding NOTIFY withPaddingChanged)
    Q_PROPERTY(double paddingPx READ paddingPx WRITE setPaddingPx NOTIFY paddingPxChanged)
    Q_PROPERTY(bool withTint READ withTint WRITE setWithTint NOTIFY withTintChanged)
    Q_PROPERTY(double tintOpacity READ tintOpacity WRITE setTintOpacity NOTIFY tintOpacityChanged)
    Q_PROPERTY(bool forMacos READ forMacos WRITE setForMacos NOTIFY forMacosChanged)
    Q_PROPERTY(bool forIos READ forIos WRITE setForIos NOTIFY forIosChanged)
    Q_PROPERTY(bool forWatchos READ forWatchos WRITE setForWatchos NOTIFY forWatchosChanged)
    Q_PROPERTY(bool forAndroid READ forAndroid WRITE setForAndroid NOTIFY forAndroidChanged)
    Q_PROPERTY(bool forFavicon READ forFavicon WRITE setForFavicon NOTIFY forFaviconChanged)
    Q_PROPERTY(double tintColorRed READ tintColorRed WRITE setTintColorRed NOTIFY tintColorRedChanged)
    Q_PROPERTY(double tintColorGreen READ tintColorGreen WRITE setTintColorGreen NOTIFY tintColorGreenChanged)
    Q_PROPERTY(double tintColorBlue READ tintColorBlue WRITE setTintColorBlue NOTIFY tintColorBlueChanged)
    Q_PROPERTY(double tintColorOpacity READ tintColorOpacity WRITE setTintColorOpacity NOTIFY
                   tintColorOpacityChanged)
    Q_PROPERTY(bool isExpanded READ isExpanded WRITE setIsExpanded NOTIFY isExpandedChanged)
    Q_PROPERTY(bool isDragHovering READ isDragHovering WRITE setIsDragHovering NOTIFY isDragHoveringChanged)
    Q_PROPERTY(QUrl imageUrl READ imageUrl WRITE setImageUrl NOTIFY imageUrlChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing WRITE setIsProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(bool hasInfo READ hasInfo WRITE setHasInfo NOTIFY hasInfoChanged)
    Q_PROPERTY(bool hasSuccess READ hasSuccess WRITE setHasSuccess NOTIFY hasSuccessChanged)
    Q_PROPERTY(bool hasProgress READ hasProgress WRITE setHasProgress NOTIFY hasProgressChanged)
    Q_PROPERTY(double progress READ progress WRITE setProgress NOTIFY progressChanged)
    Q_PROPERTY(double totalProgress READ totalProgress WRITE setTotalProgress NOTIFY totalProgressChanged)
    Q_PROPERTY(bool hadInfo READ hadInfo WRITE setHadInfo NOTIFY hadInfoChanged)
    Q_PROPERTY(bool appActive READ appActive WRITE setAppActive NOTIFY appActiveChanged)
    Q_PROPERTY(bool isPreviewing READ isPreviewing WRITE setIsPreviewing NOTIFY isPreviewingChanged)
    Q_PROPERTY(bool showingPlatformSheet READ showingPlatformSheet WRITE setShowingPlatformSheet NOTIFY
                   showingPlatformSheetChanged)
    Q_PROPERTY(bool showGridView READ showGridView WRITE setShowGridView NOTIFY showGridViewChanged)
    Q_PROPERTY(
        bool showAppearances READ showAppearances WRITE setShowAppearances NOTIFY showAppearancesChanged)
    Q_PROPERTY(bool showSafeZones READ showSafeZones WRITE setShowSafeZones NOTIFY showSafeZonesChanged)
    Q_PROPERTY(
        bool somethingDropped READ somethingDropped WRITE setSomethingDropped NOTIFY somethingDroppedChanged)
    Q_PROPERTY(
        bool showNoImageAlert READ showNoImageAlert WRITE setShowNoImageAlert NOTIFY showNoImageAlertChanged)
    Q_PROPERTY(bool hasWriteFailures READ hasWriteFailures NOTIFY hasWriteFailuresChanged)
    Q_PROPERTY(QString outputFolder READ outputFolder NOTIFY outputFolderChanged)
    Q_PROPERTY(QString lastOutputFolder READ lastOutputFolder WRITE setLastOutputFolder NOTIFY
                   lastOutputFolderChanged)

public:
    static constexpr DefaultSettings defaultSettings{
        defaultOf(settings::forMacos),         defaultOf(settings::forIos),
        defaultOf(settings::forWatchos),       defaultOf(settings::forAndroid),
        defaultOf(settings::forFavicon),       defaultOf(settings::withRoundedCorners),
        defaultOf(settings::roundedCornersPx), defaultOf(settings::withPadding),
        defaultOf(settings::paddingPx)};

    // The store must outlive the state; it is the one every change is saved to.
    explicit ContentViewState(QSettings &store, ContentViewSeams seams = {}, QObject *parent = nullptr);
    ~ContentViewState() override;

    // The settings table, for a widget that binds to a setting by its row rather than by name.
    Settings &settings() { return m_settings; }
    const Settings &settings() const { return m_settings; }

    // Persisted settings
    bool withRoundedCorners() const { return m_settings.value(settings::withRoundedCorners); }
    double roundedCornersPx() const { return m_settings.value(settings::roundedCornersPx); }
    bool withPadding() const { return m_settings.value(settings::withPadding); }
    double paddingPx() const { return m_settings.value(settings::paddingPx); }
    bool withTint() const { return m_settings.value(settings::withTint); }
    double tintOpacity() const { return m_settings.value(settings::tintOpacity); }
    bool forMacos() const { return m_settings.value(settings::forMacos); }
    bool forIos() const { return m_settings.value(settings::forIos); }
    bool forWatchos() const { return m_settings.value(settings::forWatchos); }
    bool forAndroid() const { return m_settings.value(settings::forAndroid); }
    bool forFavicon() const { return m_settings.value(settings::forFavicon); }
    double tintColorRed() const { return m_settings.value(settings::tintColorRed); }
    double tintColorGreen() const { return m_settings.value(settings::tintColorGreen); }
    double tintColorBlue() const { return m_settings.value(settings::tintColorBlue); }
    double tintColorOpacity() const { return m_settings.value(settings::tintColorOpacity); }

    void setWithRoundedCorners(bool value) { m_settings.setValue(settings::withRoundedCorners, value); }
    void setRoundedCornersPx(double value) { m_settings.setValue(settings::roundedCornersPx, value); }
    void setWithPadding(bool value) { m_settings.setValue(settings::withPadding, value); }
    void setPaddingPx(double value) { m_settings.setValue(settings::paddingPx, value); }
    void setWithTint(bool value) { m_settings.setValue(settings::withTint, value); }
    void setTintOpacity(double value) { m_settings.setValue(settings::tintOpacity, value); }
    void setForMacos(bool value) { m_settings.setValue(settings::forMacos, value); }
    void setForIos(bool value) { m_settings.setValue(settings::forIos, value); }
    void setForWatchos(bool value) { m_settings.setValue(settings::forWatchos, value); }
    void setForAndroid(bool value) { m_settings.setValue(settings::forAndroid, value); }
    void setForFavicon(bool value) { m_settings.setValue(settings::forFavicon, value); }
    void setTintColorRed(double value) { m_settings.setValue(settings::tintColorRed, value); }
    void setTintColorGreen(double value) { m_settings.setValue(settings::tintColorGreen, value); }
    void setTintColorBlue(double value) { m_settings.setValue(settings::tintColorBlue, value); }
    void setTintColorOpacity(double value) { m_settings.setValue(settings::tintColorOpacity, value); }

    // UI state
    Color colorSelection() const { return m_settings.value(settings::colorSelection); }
    bool isExpanded() const { return m_settings.value(settings::isExpanded); }
    bool isDragHovering() const { return m_intake.isDragHovering(); }
    const std::optional<Image> &image() const { return m_intake.image(); }
    QUrl imageUrl() const { return m_intake.imageUrl(); }
    bool isProcessing() const { return m_run.isProcessing(); }
    bool hasInfo() const { return m_hasInfo; }
    bool hasSuccess() const { return m_run.hasSuccess(); }
    bool hasProgress() const { return m_run.hasProgress(); }
    double progress() const { return m_run.progress(); }
    double totalProgress() const { return m_run.totalProgress(); }
    bool hadInfo() const { return m_hadInfo; }
    bool appActive() const { return m_appActive; }
    bool isPreviewing() const { return m_preview.isPreviewing(); }
    const std::optional<Image> &processedPreviewImage() const { return m_preview.processedPreviewImage(); }
    bool showingPlatformSheet() const { return m_showingPlatformSheet; }
    const std::optional<ImageValidation> &imageValidation() const { return m_intake.imageValidation(); }
    bool showGridView() const { return m_showGridView; }
    bool showAppearances() const { return m_showAppearances; }
    bool showSafeZones() const { return m_settings.value(settings::showSafeZones); }
    bool somethingDropped() const { return m_intake.somethingDropped(); }
    bool showNoImageAlert() const { return m_showNoImageAlert; }
    ViewStep currentStep() const { return m_currentStep; }

    void setColorSelection(const Color &value) { m_settings.setValue(settings::colorSelection, value); }
    void setIsExpanded(bool value) { m_settings.setValue(settings::isExpanded, value); }
    void setIsDragHovering(bool value) { m_intake.setIsDragHovering(value); }
    void setImage(const std::optional<Image> &value) { m_intake.setImage(value); }
    void setImageUrl(const QUrl &value) { m_intake.setImageUrl(value); }
    void setIsProcessing(bool value) { m_run.setIsProcessing(value); }
    void setHasInfo(bool value);
    void setHasSuccess(bool value) { m_run.setHasSuccess(value); }
    void setHasProgress(bool value) { m_run.setHasProgress(value); }
    void setProgress(double value) { m_run.setProgress(value); }
    void setTotalProgress(double value) { m_run.setTotalProgress(value); }
    void setHadInfo(bool value);
    void setAppActive(bool value);
    void setIsPreviewing(bool value) { m_preview.setIsPreviewing(value); }
    void setProcessedPreviewImage(const std::optional<Image> &value) {
        m_preview.setProcessedPreviewImage(value);
    }
    void setShowingPlatformSheet(bool value);
    void setImageValidation(const std::optional<ImageValidation> &value) {
        m_intake.setImageValidation(value);
    }
    // The grid and the Appearances view take the single preview's place one at a time: showing one hides
    // the other.
    void setShowGridView(bool value);
    void setShowAppearances(bool value);
    void setShowSafeZones(bool value) { m_settings.setValue(settings::showSafeZones, value); }
    void setSomethingDropped(bool value) { m_intake.setSomethingDropped(value); }
    void setShowNoImageAlert(bool value);
    void setCurrentStep(ViewStep value);

    // The window as the user left it: isExpanded, showGridView and showAppearances (taken up again by the
    // first image a window shows) and the folder the last run went to are kept in the store under their own
    // names.
    QString lastOutputFolder() const { return m_settings.value(settings::lastOutputFolder); }
    void setLastOutputFolder(const QString &value) { m_settings.setValue(settings::lastOutputFolder, value); }
    // Where the folder chooser opens: the last output folder, or the nearest folder above it that still
    // exists; the home folder before the first run.
    QString outputFolderToOffer() const;

    // Outcome of the last run: every failure the writers reported, in order, and how many file writes
    // succeeded, so the window can tell success from partial failure from nothing written.
    int generationFailures() const { return int(m_run.failureMessages().size()); }
    const QStringList &generationFailureMessages() const { return m_run.failureMessages(); }
    int generationFilesWritten() const { return m_run.filesWritten(); }
    // What the check found in the sets the last run wrote.
    const QStringList &checkFindings() const { return m_run.checkFindings(); }
    int checkErrors() const { return m_run.checkErrors(); }
    int checkWarnings() const { return m_run.checkWarnings(); }
    // The folder of the last run, from its start.
    QString outputFolder() const { return m_run.outputFolder(); }
    // True from the end of a run with failures until dismissed or the next run, image or clear.
    bool hasWriteFailures() const { return m_run.hasWriteFailures(); }
    void dismissWriteFailures() { m_run.dismissWriteFailures(); }
    // Opens the last run's folder in the file browser; the end of that run then does not open it again.
    void showOutputFolder() { m_run.showOutputFolder(); }

    // The last file that could not be taken in, until dismissed or the next run, image or clear.
    const std::optional<IntakeFailure> &intakeFailure() const { return m_intake.intakeFailure(); }
    void dismissIntakeFailure() { m_intake.setIntakeFailure(std::nullopt); }

    // A run needs at least one platform; "Create Icons" is offered only then.
    bool anyPlatformSelected() const { return !m_settings.selectedPlatforms().isEmpty(); }

    // The effect settings of this moment, as the preview and the run apply them.
    EffectSettings effectSettings() const { return m_settings.effectSettings(); }
    // What a run started now would be made from.
    GenerationInputs generationInputs() const;

    // The folder the last image came from, kept in the store for the next start's file dialog; empty when
    // none was stored or the stored value is not a folder path.
    QString lastImageFolder() const { return m_settings.value(settings::lastImageFolder); }
    void setLastImageFolder(const QString &folder) { m_settings.setValue(settings::lastImageFolder, folder); }

    // Settings store
    void loadSettings(QSettings &store) { m_settings.load(store); }
    void saveSettings(QSettings &store) { m_settings.save(store); }
    void resetToDefaults() { m_settings.resetToDefaults(); }
    void storeTintComponents() { m_settings.storeTintComponents(); }
    Color tintColorFromComponents() const { return m_settings.tintColorFromComponents(); }

    // Image intake
    bool handleDrop(const QMimeData *mime);
    void openFile(const QString &path);
    void acceptImage(const QUrl &url, const Image &image);
    // A file that yielded no image: the image, its validation and the settings stay.
    void refuseImage(const QUrl &url, const QString &reason);
    void clearImage();
    // Whether the dropped image is not square and can be padded to a square within the source limit.
    bool canPadToSquare() const { return m_intake.canPadToSquare(); }
    // Gives the dropped image a transparent margin on its shorter sides, then validates and previews it.
    void padToSquare();

    // Live preview
    void updatePreview() { m_preview.update(image(), effectSettings()); }
    // Serial: one thread, jobs run in the order they were queued. Exposed so a caller can wait for it.
    QThreadPool &previewingQueue() { return m_preview.queue(); }

    // Appearances: rendered only while the view is shown, again at every change of the image, of a setting
    // that previews (the background colour among them) and of the safe-zone switch.
    const QList<AppearanceTile> &appearanceTiles() const { return m_appearances.tiles(); }
    bool isRenderingAppearances() const { return m_appearances.isRendering(); }
    QThreadPool &appearancesQueue() { return m_appearances.queue(); }

    // Main window actions
    void toggleGridView() { setShowGridView(!m_showGridView); }
    void toggleAppearances() { setShowAppearances(!m_showAppearances); }
    void generatePressed();
    void createIconsPressed();

    // Generation run
    void chooseOutputFolder(std::function<void(const QList<QUrl> &)> completion);
    void startGeneration(const QList<QUrl> &locations);
    void finishGeneration(const QString &folder) { m_run.finish(folder); }
    void closeGeneration(const QString &folder) { m_run.close(folder); }

signals:
    void withRoundedCornersChanged();
    void roundedCornersPxChanged();
    void withPaddingChanged();
    void paddingPxChanged();
    void withTintChanged();
    void tintOpacityChanged();
    void forMacosChanged();
    void forIosChanged();
    void forWatchosChanged();
    void forAndroidChanged();
    void forFaviconChanged();
    void tintColorRedChanged();
    void tintColorGreenChanged();
    void tintColorBlueChanged();
    void tintColorOpacityChanged();

    void colorSelectionChanged();
    void isExpandedChanged();
    void isDragHoveringChanged();
    void imageChanged();
    void imageUrlChanged();
    void isProcessingChanged();
    void hasInfoChanged();
    void hasSuccessChanged();
    void hasProgressChanged();
    void progressChanged();
    void totalProgressChanged();
    void hadInfoChanged();
    void appActiveChanged();
    void isPreviewingChanged();
    void processedPreviewImageChanged();
    void showingPlatformSheetChanged();
    void imageValidationChanged();
    void showGridViewChanged();
    void showAppearancesChanged();
    void showSafeZonesChanged();
    void appearanceTilesChanged();
    void somethingDroppedChanged();
    void showNoImageAlertChanged();
    void currentStepChanged();
    void lastOutputFolderChanged();

    void generationFailuresChanged();
    void hasWriteFailuresChanged();
    void outputFolderChanged();
    void intakeFailureChanged();

private:
    void forwardSignals();
    void connectReactions();
    void onSettingChanged(int index);
    void onImageChanged();
    void updateAppearances();

    ContentViewSeams m_seams;
    Settings m_settings;
    ImageIntake m_intake;
    LivePreview m_preview;
    AppearancesPreview m_appearances;
    GenerationRun m_run;

    bool m_hasInfo = false;
    bool m_hadInfo = false;
    bool m_appActive = false;
    bool m_showingPlatformSheet = false;
    bool m_showGridView = false;
    bool m_showAppearances = false;
    bool m_showNoImageAlert = false;
    ViewStep m_currentStep = ViewStep::Editing;

    // Held while clearImage runs its steps, so the image's reaction sees their end state.
    bool m_holdImageReaction = false;
    bool m_imageReactionPending = false;
};

} // namespace glyphon
