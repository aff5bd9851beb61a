#pragma once

#include "imaging/Color.h"
#include "imaging/Effects.h"
#include "imaging/Image.h"
#include "imaging/ImageValidation.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

class QMimeData;
class QSettings;

namespace glyphon {

enum class ViewStep { editing, targeting };

// The defaults that "Reset to Defaults" restores, in their declared order; the tint has fixed values of its
// own.
struct DefaultSettings {
    bool forMacos = true;
    bool forIos = true;
    bool forWatchos = true;
    bool forAndroid = true;
    bool forFavicon = true;
    bool withRoundedCorners = false;
    double roundedCornersPx = 229.0;
    bool withPadding = false;
    double paddingPx = 100.0;
};

// A file that could not be taken in, and why; the image and settings stayed as they were.
struct IntakeFailure {
    QUrl url;
    QString reason;

    // The file's name as a person knows it: the last part of its path.
    QString name() const;

    friend bool operator==(const IntakeFailure &, const IntakeFailure &) = default;
};

// What the state needs from the desktop but must not reach itself, so tests can stand in for it.
struct ContentViewSeams {
    // Shows the modal folder chooser; calls the completion with the chosen folder only if the user confirmed.
    std::function<void(std::function<void(const QList<QUrl> &)>)> chooseFolder;
    // Shows the folder in the system's file browser: at the end of a run that wrote something, and on
    // request.
    std::function<void(const QString &folder)> openFolder;
    // How long the success banner stays before the folder opens.
    std::chrono::milliseconds successHold{3000};
};

// The state of the main window without any widget: settings, intake, live preview and the generation run.
// Every field is written on the main thread only; background work posts its results back.
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
        bool somethingDropped READ somethingDropped WRITE setSomethingDropped NOTIFY somethingDroppedChanged)
    Q_PROPERTY(
        bool showNoImageAlert READ showNoImageAlert WRITE setShowNoImageAlert NOTIFY showNoImageAlertChanged)
    Q_PROPERTY(bool hasWriteFailures READ hasWriteFailures NOTIFY hasWriteFailuresChanged)
    Q_PROPERTY(QString outputFolder READ outputFolder NOTIFY outputFolderChanged)
    Q_PROPERTY(QString lastOutputFolder READ lastOutputFolder WRITE setLastOutputFolder NOTIFY
                   lastOutputFolderChanged)

public:
    static const DefaultSettings defaultSettings;

    // The store must outlive the state; it is the one every change is saved to.
    explicit ContentViewState(QSettings &store, ContentViewSeams seams = {}, QObject *parent = nullptr);
    // Waits for outstanding background work, which would otherwise post into a destroyed object.
    ~ContentViewState() override;

    // Persisted settings
    bool withRoundedCorners() const { return m_effects.withRoundedCorners; }
    double roundedCornersPx() const { return m_effects.roundedCornersPx; }
    bool withPadding() const { return m_effects.withPadding; }
    double paddingPx() const { return m_effects.paddingPx; }
    bool withTint() const { return m_effects.withTint; }
    double tintOpacity() const { return m_effects.tintOpacity; }
    bool forMacos() const { return m_forMacos.load(); }
    bool forIos() const { return m_forIos.load(); }
    bool forWatchos() const { return m_forWatchos.load(); }
    bool forAndroid() const { return m_forAndroid.load(); }
    bool forFavicon() const { return m_forFavicon.load(); }
    double tintColorRed() const { return m_tintColorRed; }
    double tintColorGreen() const { return m_tintColorGreen; }
    double tintColorBlue() const { return m_tintColorBlue; }
    double tintColorOpacity() const { return m_tintColorOpacity; }

    void setWithRoundedCorners(bool value);
    void setRoundedCornersPx(double value);
    void setWithPadding(bool value);
    void setPaddingPx(double value);
    void setWithTint(bool value);
    void setTintOpacity(double value);
    void setForMacos(bool value);
    void setForIos(bool value);
    void setForWatchos(bool value);
    void setForAndroid(bool value);
    void setForFavicon(bool value);
    void setTintColorRed(double value);
    void setTintColorGreen(double value);
    void setTintColorBlue(double value);
    void setTintColorOpacity(double value);

    // UI state
    Color colorSelection() const { return m_effects.colorSelection; }
    bool isExpanded() const { return m_isExpanded; }
    bool isDragHovering() const { return m_isDragHovering; }
    const std::optional<Image> &image() const { return m_image; }
    QUrl imageUrl() const { return m_imageUrl; }
    bool isProcessing() const { return m_isProcessing; }
    bool hasInfo() const { return m_hasInfo; }
    bool hasSuccess() const { return m_hasSuccess; }
    bool hasProgress() const { return m_hasProgress; }
    double progress() const { return m_progress; }
    double totalProgress() const { return m_totalProgress; }
    bool hadInfo() const { return m_hadInfo; }
    bool appActive() const { return m_appActive; }
    bool isPreviewing() const { return m_isPreviewing; }
    const std::optional<Image> &processedPreviewImage() const { return m_processedPreviewImage; }
    bool showingPlatformSheet() const { return m_showingPlatformSheet; }
    const std::optional<ImageValidation> &imageValidation() const { return m_imageValidation; }
    bool showGridView() const { return m_showGridView; }
    bool somethingDropped() const { return m_somethingDropped; }
    bool showNoImageAlert() const { return m_showNoImageAlert; }
    ViewStep currentStep() const { return m_currentStep; }

    void setColorSelection(const Color &value);
    void setIsExpanded(bool value);
    void setIsDragHovering(bool value);
    void setImage(const std::optional<Image> &value);
    void setImageUrl(const QUrl &value);
    void setIsProcessing(bool value);
    void setHasInfo(bool value);
    void setHasSuccess(bool value);
    void setHasProgress(bool value);
    void setProgress(double value);
    void setTotalProgress(double value);
    void setHadInfo(bool value);
    void setAppActive(bool value);
    void setIsPreviewing(bool value);
    void setProcessedPreviewImage(const std::optional<Image> &value);
    void setShowingPlatformSheet(bool value);
    void setImageValidation(const std::optional<ImageValidation> &value);
    void setShowGridView(bool value);
    void setSomethingDropped(bool value);
    void setShowNoImageAlert(bool value);
    void setCurrentStep(ViewStep value);

    // The window as the user left it: isExpanded, showGridView (taken up again by the first image a window
    // shows) and the folder the last run went to are kept in the store under their own names.
    QString lastOutputFolder() const { return m_lastOutputFolder; }
    void setLastOutputFolder(const QString &value);
    // Where the folder chooser opens: the last output folder, or the nearest folder above it that still
    // exists; the home folder before the first run.
    QString outputFolderToOffer() const;

    // Outcome of the last run: every failure the writers reported, in order, and how many file writes
    // succeeded, so the window can tell success from partial failure from nothing written.
    int generationFailures() const { return int(m_generationFailureMessages.size()); }
    const QStringList &generationFailureMessages() const { return m_generationFailureMessages; }
    int generationFilesWritten() const { return m_generationFilesWritten; }
    // The folder of the last run, from its start.
    QString outputFolder() const { return m_outputFolder; }
    // True from the end of a run with failures until dismissed or the next run, image or clear.
    bool hasWriteFailures() const { return m_hasWriteFailures; }
    void dismissWriteFailures();
    // Opens the last run's folder in the file browser; the end of that run then does not open it again.
    void showOutputFolder();

    // The last file that could not be taken in, until dismissed or the next run, image or clear.
    const std::optional<IntakeFailure> &intakeFailure() const { return m_intakeFailure; }
    void dismissIntakeFailure();

    // A run needs at least one platform; "Create Icons" is offered only then.
    bool anyPlatformSelected() const;

    // The effect settings of this moment, as the preview and the run apply them.
    EffectSettings effectSettings() const { return m_effects; }

    // The folder the last image came from, kept in the store for the next start's file dialog; empty when
    // none was stored or the stored value is not a folder path.
    QString lastImageFolder() const;
    void setLastImageFolder(const QString &folder);

    // Settings store
    void loadSettings(QSettings &store);
    void saveSettings(QSettings &store);
    void resetToDefaults();
    void storeTintComponents();
    Color tintColorFromComponents() const;

    // Image intake
    bool handleDrop(const QMimeData *mime);
    void openFile(const QString &path);
    void acceptImage(const QUrl &url, const Image &image);
    // A file that yielded no image: the image, its validation and the settings stay.
    void refuseImage(const QUrl &url, const QString &reason);
    void clearImage();
    // Whether the dropped image is not square and can be padded to a square within the source limit.
    bool canPadToSquare() const;
    // Gives the dropped image a transparent margin on its shorter sides, then validates and previews it.
    void padToSquare();

    // Live preview
    void updatePreview();
    // Serial: one thread, jobs run in the order they were queued. Exposed so a caller can wait for it.
    QThreadPool &previewingQueue() { return m_previewingQueue; }

    // Main window actions
    void toggleGridView();
    void generatePressed();
    void createIconsPressed();

    // Generation run
    void chooseOutputFolder(std::function<void(const QList<QUrl> &)> completion);
    void startGeneration(const QList<QUrl> &locations);
    void finishGeneration(const QString &folder);
    void closeGeneration(const QString &folder);

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
    void somethingDroppedChanged();
    void showNoImageAlertChanged();
    void currentStepChanged();
    void lastOutputFolderChanged();

    void generationFailuresChanged();
    void hasWriteFailuresChanged();
    void outputFolderChanged();
    void intakeFailureChanged();

private:
    void connectReactions();
    void onImageChanged();
    void saveToStore();
    void writeKey(const QString &key, const QVariant &value);
    void setEffects(const std::function<void(EffectSettings &)> &change);
    void loadInBackground(const QUrl &url);
    void runInBackground(std::function<void()> job);
    void setGenerationOutcome(const QStringList &failures, int filesWritten);
    void setHasWriteFailures(bool value);
    void setOutputFolder(const QString &value);
    void setIntakeFailure(const std::optional<IntakeFailure> &value);

    QSettings &m_store;
    ContentViewSeams m_seams;

    // Written on the main thread only, under the lock; preview jobs copy it under the lock when they start.
    EffectSettings m_effects;
    mutable QMutex m_effectsLock;
    // Read by the run's background job as it reaches each platform.
    std::atomic<bool> m_forMacos{true};
    std::atomic<bool> m_forIos{true};
    std::atomic<bool> m_forWatchos{true};
    std::atomic<bool> m_forAndroid{true};
    std::atomic<bool> m_forFavicon{true};
    double m_tintColorRed = 0.0;
    double m_tintColorGreen = 0.0;
    double m_tintColorBlue = 1.0;
    double m_tintColorOpacity = 1.0;

    bool m_isExpanded = false;
    bool m_isDragHovering = false;
    std::optional<Image> m_image;
    QUrl m_imageUrl;
    bool m_isProcessing = false;
    bool m_hasInfo = false;
    bool m_hasSuccess = false;
    bool m_hasProgress = false;
    double m_progress = 0.0;
    double m_totalProgress = 1.0;
    bool m_hadInfo = false;
    bool m_appActive = false;
    bool m_isPreviewing = false;
    std::optional<Image> m_processedPreviewImage;
    bool m_showingPlatformSheet = false;
    std::optional<ImageValidation> m_imageValidation;
    bool m_showGridView = false;
    bool m_somethingDropped = false;
    bool m_showNoImageAlert = false;
    ViewStep m_currentStep = ViewStep::editing;
    QString m_lastOutputFolder;

    QStringList m_generationFailureMessages;
    int m_generationFilesWritten = 0;
    QString m_outputFolder;
    bool m_hasWriteFailures = false;
    bool m_outputFolderShown = false;
    std::optional<IntakeFailure> m_intakeFailure;

    // Held while clearImage runs its steps, so the image's reaction sees their end state.
    int m_reactionHold = 0;
    bool m_imageReactionPending = false;

    QThreadPool m_previewingQueue;
    // Loads and runs go to the global pool, counted so destruction can wait for them.
    std::mutex m_outstandingLock;
    std::condition_variable m_outstandingDone;
    int m_outstanding = 0;
};

} // namespace glyphon
