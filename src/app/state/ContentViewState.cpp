#include "ContentViewState.h"

#include "Placeholder.h"
#include "StateField.h"
#include "imaging/SourceLoader.h"

#include <QFileInfo>
#include <QPointer>
#include <cstdio>
#include <utility>

namespace glyphon {

namespace {

void printLine(const char *line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

using Notify = void (ContentViewState::*)();

// The change signal of each setting the window binds to by name; the others are read through settings().
const std::pair<std::size_t, Notify> namedSettingSignals[] = {
    {settings::withRoundedCorners.index, &ContentViewState::withRoundedCornersChanged},
    {settings::roundedCornersPx.index, &ContentViewState::roundedCornersPxChanged},
    {settings::withPadding.index, &ContentViewState::withPaddingChanged},
    {settings::paddingPx.index, &ContentViewState::paddingPxChanged},
    {settings::withTint.index, &ContentViewState::withTintChanged},
    {settings::tintOpacity.index, &ContentViewState::tintOpacityChanged},
    {settings::forMacos.index, &ContentViewState::forMacosChanged},
    {settings::forIos.index, &ContentViewState::forIosChanged},
    {settings::forWatchos.index, &ContentViewState::forWatchosChanged},
    {settings::forAndroid.index, &ContentViewState::forAndroidChanged},
    {settings::forFavicon.index, &ContentViewState::forFaviconChanged},
    {settings::tintColorRed.index, &ContentViewState::tintColorRedChanged},
    {settings::tintColorGreen.index, &ContentViewState::tintColorGreenChanged},
    {settings::tintColorBlue.index, &ContentViewState::tintColorBlueChanged},
    {settings::tintColorOpacity.index, &ContentViewState::tintColorOpacityChanged},
    {settings::colorSelection.index, &ContentViewState::colorSelectionChanged},
    {settings::isExpanded.index, &ContentViewState::isExpandedChanged},
    {settings::lastOutputFolder.index, &ContentViewState::lastOutputFolderChanged},
    {settings::showSafeZones.index, &ContentViewState::showSafeZonesChanged},
};

} // namespace

ContentViewState::ContentViewState(QSettings &store, ContentViewSeams seams, QObject *parent)
    : QObject(parent), m_seams(std::move(seams)), m_settings(store),
      m_run(m_seams.openFolder, m_seams.successHold) {
    m_preview.setProcessedPreviewImage(placeholderImage());
    printLine("ContentView initialized");
    // Connected last: what construction loads is not a change, and no preview runs until something changes.
    forwardSignals();
    connectReactions();
}

ContentViewState::~ContentViewState() = default;

void ContentViewState::forwardSignals() {
    connect(&m_intake, &ImageIntake::isDragHoveringChanged, this, &ContentViewState::isDragHoveringChanged);
    connect(&m_intake, &ImageIntake::imageChanged, this, &ContentViewState::imageChanged);
    connect(&m_intake, &ImageIntake::imageUrlChanged, this, &ContentViewState::imageUrlChanged);
    connect(&m_intake, &ImageIntake::somethingDroppedChanged, this,
            &ContentViewState::somethingDroppedChanged);
    connect(&m_intake, &ImageIntake::imageValidationChanged, this, &ContentViewState::imageValidationChanged);
    connect(&m_intake, &ImageIntake::intakeFailureChanged, this, &ContentViewState::intakeFailureChanged);
    connect(&m_preview, &LivePreview::processedPreviewImageChanged, this,
            &ContentViewState::processedPreviewImageChanged);
    connect(&m_preview, &LivePreview::isPreviewingChanged, this, &ContentViewState::isPreviewingChanged);
    connect(&m_appearances, &AppearancesPreview::tilesChanged, this,
            &ContentViewState::appearanceTilesChanged);
    connect(&m_run, &GenerationRun::isProcessingChanged, this, &ContentViewState::isProcessingChanged);
    connect(&m_run, &GenerationRun::hasProgressChanged, this, &ContentViewState::hasProgressChanged);
    connect(&m_run, &GenerationRun::hasSuccessChanged, this, &ContentViewState::hasSuccessChanged);
    connect(&m_run, &GenerationRun::progressChanged, this, &ContentViewState::progressChanged);
    connect(&m_run, &GenerationRun::totalProgressChanged, this, &ContentViewState::totalProgressChanged);
    connect(&m_run, &GenerationRun::outputFolderChanged, this, &ContentViewState::outputFolderChanged);
    connect(&m_run, &GenerationRun::generationFailuresChanged, this,
            &ContentViewState::generationFailuresChanged);
    connect(&m_run, &GenerationRun::hasWriteFailuresChanged, this,
            &ContentViewState::hasWriteFailuresChanged);
}

void ContentViewState::connectReactions() {
    connect(&m_settings, &Settings::changed, this, &ContentViewState::onSettingChanged);
    connect(this, &ContentViewState::imageChanged, this, &ContentViewState::onImageChanged);
    // Whichever way an image came in, the next file dialog opens where it was.
    connect(this, &ContentViewState::imageUrlChanged, this, [this] {
        if (imageUrl().isLocalFile())
            setLastImageFolder(QFileInfo(imageUrl().toLocalFile()).absolutePath());
    });
    // The tiles follow the safe zones and their own showing; the image reaches them through onImageChanged,
    // after the steps of a drop or a clear are all taken (a drop marks something dropped before its image
    // arrives, and the tiles of the picture it replaces would be rendered for nothing), and the settings
    // that preview through onSettingChanged.
    for (auto signal : {&ContentViewState::showAppearancesChanged, &ContentViewState::showSafeZonesChanged})
        connect(this, signal, this, &ContentViewState::updateAppearances);
    connect(&m_intake, &ImageIntake::loaded, this, &ContentViewState::acceptImage);
    connect(&m_intake, &ImageIntake::loadFailed, this, &ContentViewState::refuseImage);
}

void ContentViewState::onSettingChanged(int index) {
    // Saving is the settings' own reaction; the previews are the state's.
    if (settingsSchema[std::size_t(index)].reaction == SettingReaction::PreviewAndSave) {
        updatePreview();
        updateAppearances();
    }
    for (const auto &[row, notify] : namedSettingSignals)
        if (row == std::size_t(index))
            emit(this->*notify)();
}

void ContentViewState::onImageChanged() {
    if (m_holdImageReaction) {
        m_imageReactionPending = true;
        return;
    }
    // The new image shows unprocessed at once; the job replaces it when it publishes.
    setProcessedPreviewImage(image());
    updatePreview();
    updateAppearances();
}

void ContentViewState::setHasInfo(bool value) {
    assignField(this, m_hasInfo, value, &ContentViewState::hasInfoChanged);
}

void ContentViewState::setHadInfo(bool value) {
    assignField(this, m_hadInfo, value, &ContentViewState::hadInfoChanged);
}

void ContentViewState::setAppActive(bool value) {
    assignField(this, m_appActive, value, &ContentViewState::appActiveChanged);
}

void ContentViewState::setShowingPlatformSheet(bool value) {
    assignField(this, m_showingPlatformSheet, value, &ContentViewState::showingPlatformSheetChanged);
}

void ContentViewState::setShowGridView(bool value) {
    if (value)
        setShowAppearances(false);
    if (assignField(this, m_showGridView, value, &ContentViewState::showGridViewChanged))
        m_settings.setValue(settings::showGridView, value);
}

void ContentViewState::setShowAppearances(bool value) {
    if (value)
        setShowGridView(false);
    if (assignField(this, m_showAppearances, value, &ContentViewState::showAppearancesChanged))
        m_settings.setValue(settings::showAppearances, value);
}

void ContentViewState::updateAppearances() {
    // Hidden tiles are not rendered: showing the view renders them.
    if (!m_showAppearances || !somethingDropped() || !image())
        return;
    AppearancesRequest request;
    request.source = *image();
    request.effects = effectSettings();
    request.background = m_settings.value(settings::backgroundColor);
    request.safeZones = showSafeZones();
    m_appearances.update(request);
}

void ContentViewState::setShowNoImageAlert(bool value) {
    assignField(this, m_showNoImageAlert, value, &ContentViewState::showNoImageAlertChanged);
}

void ContentViewState::setCurrentStep(ViewStep value) {
    assignField(this, m_currentStep, value, &ContentViewState::currentStepChanged);
}

QString ContentViewState::outputFolderToOffer() const {
    return folderToOffer(lastOutputFolder());
}

// Image intake

bool ContentViewState::handleDrop(const QMimeData *mime) {
    if (hasProgress())
        return false;
    m_intake.loadDropped(mime);
    return true;
}

void ContentViewState::openFile(const QString &path) {
    if (hasProgress() || path.isEmpty())
        return;
    m_intake.load(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void ContentViewState::acceptImage(const QUrl &url, const Image &image) {
    // The newest news wins the banner: a failed run's report gives way to it.
    m_run.dismissWriteFailures();
    // The placeholder never shows in the grid or the appearances, so the view last chosen returns with the
    // first image; a store that asks for both (edited by hand) gets the grid.
    if (!somethingDropped()) {
        const bool grid = m_settings.value(settings::showGridView);
        setShowGridView(grid);
        setShowAppearances(!grid && m_settings.value(settings::showAppearances));
    }
    m_intake.accept(url, image);
}

void ContentViewState::refuseImage(const QUrl &url, const QString &reason) {
    m_run.dismissWriteFailures();
    m_intake.refuse(url, reason);
}

void ContentViewState::clearImage() {
    dismissIntakeFailure();
    m_run.dismissWriteFailures();
    // The image's reaction runs after all the steps, or the second would blank the placeholder it shows.
    m_holdImageReaction = true;
    setImage(placeholderImage());
    setProcessedPreviewImage(std::nullopt);
    setImageValidation(std::nullopt);
    setShowGridView(false);
    setShowAppearances(false);
    m_appearances.clear();
    setSomethingDropped(false);
    m_holdImageReaction = false;
    // Also when the placeholder was already in place: the image area must not stay empty.
    if (std::exchange(m_imageReactionPending, false) || !processedPreviewImage())
        onImageChanged();
}

void ContentViewState::padToSquare() {
    if (!hasProgress())
        m_intake.padToSquare();
}

// Main window actions

void ContentViewState::generatePressed() {
    if (somethingDropped())
        setShowingPlatformSheet(true);
    else
        setShowNoImageAlert(true);
}

void ContentViewState::createIconsPressed() {
    // The sheet offers no "Create Icons" then; a run over nothing would only report a success.
    if (!anyPlatformSelected())
        return;
    setShowingPlatformSheet(false);
    printLine("button clicked!");
    chooseOutputFolder([self = QPointer<ContentViewState>(this)](const QList<QUrl> &locations) {
        if (self)
            self->startGeneration(locations);
    });
}

// Generation run

void ContentViewState::chooseOutputFolder(std::function<void(const QList<QUrl> &)> completion) {
    if (!m_seams.chooseFolder)
        return;
    m_seams.chooseFolder([self = QPointer<ContentViewState>(this),
                          completion = std::move(completion)](const QList<QUrl> &locations) {
        if (self && !locations.isEmpty() && locations.first().isLocalFile())
            self->setLastOutputFolder(locations.first().toLocalFile());
        completion(locations);
    });
}

void ContentViewState::startGeneration(const QList<QUrl> &locations) {
    // A run needs a folder and an image; the run itself refuses a second run and one over no platform.
    if (isProcessing() || !image() || locations.isEmpty() || !locations.first().isLocalFile() ||
        !anyPlatformSelected())
        return;
    dismissIntakeFailure();
    m_run.start(locations.first().toLocalFile(), generationInputs(), m_settings.selectedPlatforms());
}

GenerationInputs ContentViewState::generationInputs() const {
    GenerationInputs inputs;
    if (image())
        inputs.source = *image();
    inputs.effects = effectSettings();
    inputs.background = m_settings.value(settings::backgroundColor);
    const QString imagePath = m_intake.imageUrl().toLocalFile();
    if (!imagePath.isEmpty())
        inputs.svgSource = svgSourceText(imagePath);
    // The window has no name fields: the image's own name stands in, as a file name only where it is safe.
    const QString baseName = QFileInfo(imagePath).completeBaseName();
    if (!baseName.trimmed().isEmpty())
        inputs.appName = baseName.trimmed();
    const QString fileName = baseName.toLower().replace(u' ', u'-');
    if (isSafeFileName(fileName))
        inputs.iconName = fileName;
    return inputs;
}

} // namespace glyphon
