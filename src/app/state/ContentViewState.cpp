#include "ContentViewState.h"

#include "Placeholder.h"
#include "SettingsValues.h"
#include "imaging/Renderer.h"
#include "imaging/SourceLoader.h"
#include "writers/SetWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <array>
#include <cmath>
#include <cstdio>

namespace glyphon {

const DefaultSettings ContentViewState::defaultSettings{};

namespace {

// The keys are the names of the properties they back.
const QString kWithRoundedCorners = QStringLiteral("withRoundedCorners");
const QString kRoundedCornersPx = QStringLiteral("roundedCornersPx");
const QString kWithPadding = QStringLiteral("withPadding");
const QString kPaddingPx = QStringLiteral("paddingPx");
const QString kWithTint = QStringLiteral("withTint");
const QString kTintOpacity = QStringLiteral("tintOpacity");
const QString kForMacos = QStringLiteral("forMacos");
const QString kForIos = QStringLiteral("forIos");
const QString kForWatchos = QStringLiteral("forWatchos");
const QString kForAndroid = QStringLiteral("forAndroid");
const QString kForFavicon = QStringLiteral("forFavicon");
const QString kTintColorRed = QStringLiteral("tintColorRed");
const QString kTintColorGreen = QStringLiteral("tintColorGreen");
const QString kTintColorBlue = QStringLiteral("tintColorBlue");
const QString kTintColorOpacity = QStringLiteral("tintColorOpacity");
const QString kColorSelection = QStringLiteral("colorSelection");
const QString kIsExpanded = QStringLiteral("isExpanded");
const QString kShowGridView = QStringLiteral("showGridView");
const QString kLastOutputFolder = QStringLiteral("lastOutputFolder");
const QString kLastImageFolder = QStringLiteral("lastImageFolder");

// The ranges of the settings panel's sliders; a stored value outside them is pulled back in.
constexpr double minRadius = 100.0, maxRadius = 300.0;
constexpr double minPadding = 0.0, maxPadding = 300.0;

const QString previewingQueueLabel = QStringLiteral("com.talvoren.glyphon.previewing");

void printLine(const char *line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Images are compared by identity, as the window sees them: a new load of the same file is a new image.
bool sameImage(const std::optional<Image> &a, const std::optional<Image> &b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->bitmap().cacheKey() == b->bitmap().cacheKey() && a->size() == b->size());
}

bool finite(const Color &c) {
    return std::isfinite(c.red) && std::isfinite(c.green) && std::isfinite(c.blue) && std::isfinite(c.alpha);
}

double storedComponent(QSettings &store, const QString &key, double fallback) {
    return storedDouble(store.value(key), 0.0, 1.0).value_or(fallback);
}

} // namespace

QString IntakeFailure::name() const {
    if (!url.isLocalFile())
        return url.toDisplayString();
    const QString path = QDir::cleanPath(url.toLocalFile());
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : name;
}

ContentViewState::ContentViewState(QSettings &store, ContentViewSeams seams, QObject *parent)
    : QObject(parent), m_store(store), m_seams(std::move(seams)) {
    // The tint components are bound to their keys: they read the store as they are.
    m_tintColorRed = storedComponent(m_store, kTintColorRed, 0.0);
    m_tintColorGreen = storedComponent(m_store, kTintColorGreen, 0.0);
    m_tintColorBlue = storedComponent(m_store, kTintColorBlue, 1.0);
    m_tintColorOpacity = storedComponent(m_store, kTintColorOpacity, 1.0);

    m_image = placeholderImage();
    m_processedPreviewImage = placeholderImage();

    m_previewingQueue.setObjectName(previewingQueueLabel);
    m_previewingQueue.setMaxThreadCount(1);
    m_previewingQueue.setThreadPriority(QThread::HighPriority);

    m_currentStep = ViewStep::editing;
    printLine("ContentView initialized");
    loadSettings(m_store);
    setColorSelection(tintColorFromComponents());

    // Connected last: what construction loads is not a change, and no preview runs until something changes.
    connectReactions();
}

ContentViewState::~ContentViewState() {
    {
        std::unique_lock lock(m_outstandingLock);
        m_outstandingDone.wait(lock, [this] { return m_outstanding == 0; });
    }
    m_previewingQueue.waitForDone();
}

void ContentViewState::connectReactions() {
    const auto previewAndSave = [this] {
        updatePreview();
        saveSettings(m_store);
    };
    for (auto signal : {&ContentViewState::withRoundedCornersChanged,
                        &ContentViewState::roundedCornersPxChanged, &ContentViewState::withPaddingChanged,
                        &ContentViewState::paddingPxChanged, &ContentViewState::withTintChanged,
                        &ContentViewState::colorSelectionChanged, &ContentViewState::tintOpacityChanged})
        connect(this, signal, this, previewAndSave);
    for (auto signal : {&ContentViewState::forMacosChanged, &ContentViewState::forIosChanged,
                        &ContentViewState::forWatchosChanged, &ContentViewState::forAndroidChanged,
                        &ContentViewState::forFaviconChanged})
        connect(this, signal, this, [this] { saveSettings(m_store); });
    connect(this, &ContentViewState::imageChanged, this, &ContentViewState::onImageChanged);
    // Whichever way an image came in, the next file dialog opens where it was.
    connect(this, &ContentViewState::imageUrlChanged, this, [this] {
        if (m_imageUrl.isLocalFile())
            setLastImageFolder(QFileInfo(m_imageUrl.toLocalFile()).absolutePath());
    });
}

void ContentViewState::onImageChanged() {
    if (m_reactionHold > 0) {
        m_imageReactionPending = true;
        return;
    }
    // The new image shows unprocessed at once; the job replaces it when it publishes.
    setProcessedPreviewImage(m_image);
    updatePreview();
}

void ContentViewState::writeKey(const QString &key, const QVariant &value) {
    m_store.setValue(key, value);
}

void ContentViewState::setEffects(const std::function<void(EffectSettings &)> &change) {
    QMutexLocker lock(&m_effectsLock);
    change(m_effects);
}

// Persisted settings: assigning writes the key at once, as a bound preference does.

void ContentViewState::setWithRoundedCorners(bool value) {
    if (value == m_effects.withRoundedCorners)
        return;
    setEffects([value](EffectSettings &e) { e.withRoundedCorners = value; });
    writeKey(kWithRoundedCorners, value);
    emit withRoundedCornersChanged();
}

void ContentViewState::setRoundedCornersPx(double value) {
    if (!std::isfinite(value) || value == m_effects.roundedCornersPx)
        return;
    setEffects([value](EffectSettings &e) { e.roundedCornersPx = value; });
    writeKey(kRoundedCornersPx, value);
    emit roundedCornersPxChanged();
}

void ContentViewState::setWithPadding(bool value) {
    if (value == m_effects.withPadding)
        return;
    setEffects([value](EffectSettings &e) { e.withPadding = value; });
    writeKey(kWithPadding, value);
    emit withPaddingChanged();
}

void ContentViewState::setPaddingPx(double value) {
    if (!std::isfinite(value) || value == m_effects.paddingPx)
        return;
    setEffects([value](EffectSettings &e) { e.paddingPx = value; });
    writeKey(kPaddingPx, value);
    emit paddingPxChanged();
}

void ContentViewState::setWithTint(bool value) {
    if (value == m_effects.withTint)
        return;
    setEffects([value](EffectSettings &e) { e.withTint = value; });
    writeKey(kWithTint, value);
    emit withTintChanged();
}

void ContentViewState::setTintOpacity(double value) {
    if (!std::isfinite(value) || value == m_effects.tintOpacity)
        return;
    setEffects([value](EffectSettings &e) { e.tintOpacity = value; });
    writeKey(kTintOpacity, value);
    emit tintOpacityChanged();
}

void ContentViewState::setForMacos(bool value) {
    if (value == m_forMacos.load())
        return;
    m_forMacos.store(value);
    writeKey(kForMacos, value);
    emit forMacosChanged();
}

void ContentViewState::setForIos(bool value) {
    if (value == m_forIos.load())
        return;
    m_forIos.store(value);
    writeKey(kForIos, value);
    emit forIosChanged();
}

void ContentViewState::setForWatchos(bool value) {
    if (value == m_forWatchos.load())
        return;
    m_forWatchos.store(value);
    writeKey(kForWatchos, value);
    emit forWatchosChanged();
}

void ContentViewState::setForAndroid(bool value) {
    if (value == m_forAndroid.load())
        return;
    m_forAndroid.store(value);
    writeKey(kForAndroid, value);
    emit forAndroidChanged();
}

void ContentViewState::setForFavicon(bool value) {
    if (value == m_forFavicon.load())
        return;
    m_forFavicon.store(value);
    writeKey(kForFavicon, value);
    emit forFaviconChanged();
}

void ContentViewState::setTintColorRed(double value) {
    if (!std::isfinite(value) || value == m_tintColorRed)
        return;
    m_tintColorRed = value;
    writeKey(kTintColorRed, value);
    emit tintColorRedChanged();
}

void ContentViewState::setTintColorGreen(double value) {
    if (!std::isfinite(value) || value == m_tintColorGreen)
        return;
    m_tintColorGreen = value;
    writeKey(kTintColorGreen, value);
    emit tintColorGreenChanged();
}

void ContentViewState::setTintColorBlue(double value) {
    if (!std::isfinite(value) || value == m_tintColorBlue)
        return;
    m_tintColorBlue = value;
    writeKey(kTintColorBlue, value);
    emit tintColorBlueChanged();
}

void ContentViewState::setTintColorOpacity(double value) {
    if (!std::isfinite(value) || value == m_tintColorOpacity)
        return;
    m_tintColorOpacity = value;
    writeKey(kTintColorOpacity, value);
    emit tintColorOpacityChanged();
}

// UI state

void ContentViewState::setColorSelection(const Color &value) {
    if (!finite(value) || value == m_effects.colorSelection)
        return;
    setEffects([value](EffectSettings &e) { e.colorSelection = value; });
    emit colorSelectionChanged();
}

void ContentViewState::setIsExpanded(bool value) {
    if (value == m_isExpanded)
        return;
    m_isExpanded = value;
    writeKey(kIsExpanded, value);
    emit isExpandedChanged();
}

void ContentViewState::setIsDragHovering(bool value) {
    if (value == m_isDragHovering)
        return;
    m_isDragHovering = value;
    emit isDragHoveringChanged();
}

void ContentViewState::setImage(const std::optional<Image> &value) {
    if (sameImage(value, m_image))
        return;
    m_image = value;
    emit imageChanged();
}

void ContentViewState::setImageUrl(const QUrl &value) {
    if (value == m_imageUrl)
        return;
    m_imageUrl = value;
    emit imageUrlChanged();
}

void ContentViewState::setIsProcessing(bool value) {
    if (value == m_isProcessing)
        return;
    m_isProcessing = value;
    emit isProcessingChanged();
}

void ContentViewState::setHasInfo(bool value) {
    if (value == m_hasInfo)
        return;
    m_hasInfo = value;
    emit hasInfoChanged();
}

void ContentViewState::setHasSuccess(bool value) {
    if (value == m_hasSuccess)
        return;
    m_hasSuccess = value;
    emit hasSuccessChanged();
}

void ContentViewState::setHasProgress(bool value) {
    if (value == m_hasProgress)
        return;
    m_hasProgress = value;
    emit hasProgressChanged();
}

void ContentViewState::setProgress(double value) {
    if (value == m_progress)
        return;
    m_progress = value;
    emit progressChanged();
}

void ContentViewState::setTotalProgress(double value) {
    if (value == m_totalProgress)
        return;
    m_totalProgress = value;
    emit totalProgressChanged();
}

void ContentViewState::setHadInfo(bool value) {
    if (value == m_hadInfo)
        return;
    m_hadInfo = value;
    emit hadInfoChanged();
}

void ContentViewState::setAppActive(bool value) {
    if (value == m_appActive)
        return;
    m_appActive = value;
    emit appActiveChanged();
}

void ContentViewState::setIsPreviewing(bool value) {
    if (value == m_isPreviewing)
        return;
    m_isPreviewing = value;
    emit isPreviewingChanged();
}

void ContentViewState::setProcessedPreviewImage(const std::optional<Image> &value) {
    if (sameImage(value, m_processedPreviewImage))
        return;
    m_processedPreviewImage = value;
    emit processedPreviewImageChanged();
}

void ContentViewState::setShowingPlatformSheet(bool value) {
    if (value == m_showingPlatformSheet)
        return;
    m_showingPlatformSheet = value;
    emit showingPlatformSheetChanged();
}

void ContentViewState::setImageValidation(const std::optional<ImageValidation> &value) {
    if (value == m_imageValidation)
        return;
    m_imageValidation = value;
    emit imageValidationChanged();
}

void ContentViewState::setShowGridView(bool value) {
    if (value == m_showGridView)
        return;
    m_showGridView = value;
    writeKey(kShowGridView, value);
    emit showGridViewChanged();
}

void ContentViewState::setSomethingDropped(bool value) {
    if (value == m_somethingDropped)
        return;
    m_somethingDropped = value;
    emit somethingDroppedChanged();
}

void ContentViewState::setShowNoImageAlert(bool value) {
    if (value == m_showNoImageAlert)
        return;
    m_showNoImageAlert = value;
    emit showNoImageAlertChanged();
}

void ContentViewState::setCurrentStep(ViewStep value) {
    if (value == m_currentStep)
        return;
    m_currentStep = value;
    emit currentStepChanged();
}

void ContentViewState::setLastOutputFolder(const QString &value) {
    if (value == m_lastOutputFolder)
        return;
    m_lastOutputFolder = value;
    writeKey(kLastOutputFolder, value);
    emit lastOutputFolderChanged();
}

QString ContentViewState::outputFolderToOffer() const {
    // A folder deleted or unmounted since: the nearest one above it that is still there.
    for (QString folder = m_lastOutputFolder; !folder.isEmpty();) {
        const QFileInfo info(folder);
        if (info.isDir())
            return info.absoluteFilePath();
        const QString parent = info.path();
        if (parent == folder || !info.isAbsolute())
            break;
        folder = parent;
    }
    return QDir::homePath();
}

void ContentViewState::setGenerationOutcome(const QStringList &failures, int filesWritten) {
    if (failures == m_generationFailureMessages && filesWritten == m_generationFilesWritten)
        return;
    m_generationFailureMessages = failures;
    m_generationFilesWritten = filesWritten;
    emit generationFailuresChanged();
}

void ContentViewState::setHasWriteFailures(bool value) {
    if (value == m_hasWriteFailures)
        return;
    m_hasWriteFailures = value;
    emit hasWriteFailuresChanged();
}

void ContentViewState::setOutputFolder(const QString &value) {
    if (value == m_outputFolder)
        return;
    m_outputFolder = value;
    emit outputFolderChanged();
}

void ContentViewState::setIntakeFailure(const std::optional<IntakeFailure> &value) {
    if (value == m_intakeFailure)
        return;
    m_intakeFailure = value;
    emit intakeFailureChanged();
}

void ContentViewState::dismissWriteFailures() {
    setHasWriteFailures(false);
}

void ContentViewState::dismissIntakeFailure() {
    setIntakeFailure(std::nullopt);
}

void ContentViewState::showOutputFolder() {
    if (m_outputFolder.isEmpty())
        return;
    m_outputFolderShown = true;
    if (m_seams.openFolder)
        m_seams.openFolder(m_outputFolder);
}

bool ContentViewState::anyPlatformSelected() const {
    return forMacos() || forIos() || forWatchos() || forAndroid() || forFavicon();
}

// Settings store

void ContentViewState::loadSettings(QSettings &store) {
    // A missing key reads as its declared default, so a first start shows the defaults rather than
    // every platform off; a value that cannot be trusted is skipped and the setting keeps its value.
    const auto loadBool = [&store](const QString &key, bool declared, auto setter) {
        if (const auto value = store.contains(key) ? storedBool(store.value(key)) : declared)
            setter(*value);
    };
    const auto loadDouble = [&store](const QString &key, double declared, double lowest, double highest,
                                     auto setter) {
        if (const auto value =
                store.contains(key) ? storedDouble(store.value(key), lowest, highest) : declared)
            setter(*value);
    };
    const EffectSettings declared;
    loadBool(kWithRoundedCorners, declared.withRoundedCorners, [this](bool v) { setWithRoundedCorners(v); });
    loadDouble(kRoundedCornersPx, declared.roundedCornersPx, minRadius, maxRadius,
               [this](double v) { setRoundedCornersPx(v); });
    loadBool(kWithPadding, declared.withPadding, [this](bool v) { setWithPadding(v); });
    loadDouble(kPaddingPx, declared.paddingPx, minPadding, maxPadding, [this](double v) { setPaddingPx(v); });
    loadBool(kWithTint, declared.withTint, [this](bool v) { setWithTint(v); });
    loadDouble(kTintOpacity, declared.tintOpacity, 0.0, 1.0, [this](double v) { setTintOpacity(v); });
    loadBool(kForMacos, defaultSettings.forMacos, [this](bool v) { setForMacos(v); });
    loadBool(kForIos, defaultSettings.forIos, [this](bool v) { setForIos(v); });
    loadBool(kForWatchos, defaultSettings.forWatchos, [this](bool v) { setForWatchos(v); });
    loadBool(kForAndroid, defaultSettings.forAndroid, [this](bool v) { setForAndroid(v); });
    loadBool(kForFavicon, defaultSettings.forFavicon, [this](bool v) { setForFavicon(v); });

    if (const auto color = storedColor(store.value(kColorSelection)))
        setColorSelection(*color);

    // The window as it was left; showGridView waits for the first image (see acceptImage).
    if (const auto expanded = storedBool(store.value(kIsExpanded)))
        setIsExpanded(*expanded);
    setLastOutputFolder(store.value(kLastOutputFolder).toString());
}

void ContentViewState::saveSettings(QSettings &store) {
    store.setValue(kWithRoundedCorners, withRoundedCorners());
    store.setValue(kRoundedCornersPx, roundedCornersPx());
    store.setValue(kWithPadding, withPadding());
    store.setValue(kPaddingPx, paddingPx());
    store.setValue(kWithTint, withTint());
    store.setValue(kTintOpacity, tintOpacity());
    store.setValue(kForMacos, forMacos());
    store.setValue(kForIos, forIos());
    store.setValue(kForWatchos, forWatchos());
    store.setValue(kForAndroid, forAndroid());
    store.setValue(kForFavicon, forFavicon());
    store.setValue(kColorSelection, colorComponents(colorSelection()));
}

QString ContentViewState::lastImageFolder() const {
    const QVariant value = m_store.value(kLastImageFolder);
    return value.typeId() == QMetaType::QString && QFileInfo(value.toString()).isAbsolute() ? value.toString()
                                                                                            : QString();
}

void ContentViewState::setLastImageFolder(const QString &folder) {
    if (folder.isEmpty() || folder == lastImageFolder())
        return;
    writeKey(kLastImageFolder, folder);
}

void ContentViewState::resetToDefaults() {
    setForMacos(defaultSettings.forMacos);
    setForIos(defaultSettings.forIos);
    setForWatchos(defaultSettings.forWatchos);
    setForAndroid(defaultSettings.forAndroid);
    setForFavicon(defaultSettings.forFavicon);
    setWithRoundedCorners(defaultSettings.withRoundedCorners);
    setRoundedCornersPx(defaultSettings.roundedCornersPx);
    setWithPadding(defaultSettings.withPadding);
    setPaddingPx(defaultSettings.paddingPx);
    setWithTint(false);
    setTintColorRed(0.0);
    setTintColorGreen(0.0);
    setTintColorBlue(1.0);
    setTintColorOpacity(1.0);
    setColorSelection(tintColorFromComponents());
    setTintOpacity(0.2);
    saveSettings(m_store);
}

void ContentViewState::storeTintComponents() {
    const Color color = colorSelection();
    setTintColorRed(color.red);
    setTintColorGreen(color.green);
    setTintColorBlue(color.blue);
    setTintColorOpacity(color.alpha);
}

Color ContentViewState::tintColorFromComponents() const {
    return {m_tintColorRed, m_tintColorGreen, m_tintColorBlue, m_tintColorOpacity};
}

// Background work

void ContentViewState::runInBackground(std::function<void()> job) {
    {
        std::lock_guard lock(m_outstandingLock);
        ++m_outstanding;
    }
    QThreadPool::globalInstance()->start([this, job = std::move(job)] {
        job();
        // Notified under the lock, so the destructor cannot finish before this thread lets go of it.
        std::lock_guard lock(m_outstandingLock);
        --m_outstanding;
        m_outstandingDone.notify_all();
    });
}

// Image intake

bool ContentViewState::handleDrop(const QMimeData *mime) {
    if (m_hasProgress)
        return false;
    const QList<QUrl> urls = mime ? mime->urls() : QList<QUrl>();
    if (urls.isEmpty())
        return true;
    loadInBackground(urls.first());
    return true;
}

void ContentViewState::openFile(const QString &path) {
    if (m_hasProgress || path.isEmpty())
        return;
    loadInBackground(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

// Every way in (a drop, Open Image…, the command line, a later launch's hand-over) ends here, so each
// reports a file it cannot read the same way.
void ContentViewState::loadInBackground(const QUrl &url) {
    if (!url.isLocalFile()) {
        refuseImage(url, QStringLiteral("only files on this computer can be opened"));
        return;
    }
    runInBackground([this, url] {
        Result<Image> loaded = loadSourceImage(url.toLocalFile());
        if (!loaded) {
            QMetaObject::invokeMethod(
                this, [this, url, reason = loaded.error().message] { refuseImage(url, reason); },
                Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, url, image = *loaded] { acceptImage(url, image); }, Qt::QueuedConnection);
    });
}

void ContentViewState::acceptImage(const QUrl &url, const Image &image) {
    setIntakeFailure(std::nullopt);
    setHasWriteFailures(false);
    // The placeholder never shows in the grid, so the view last chosen returns with the first image.
    if (!m_somethingDropped)
        setShowGridView(storedBool(m_store.value(kShowGridView)).value_or(false));
    setSomethingDropped(true);
    setImageUrl(url);
    setImage(image);
    setImageValidation(validateImage(image));
}

void ContentViewState::refuseImage(const QUrl &url, const QString &reason) {
    // The newest news wins the banner: a failed run's report gives way to it.
    setHasWriteFailures(false);
    setIntakeFailure(IntakeFailure{url, reason});
}

bool ContentViewState::canPadToSquare() const {
    return m_somethingDropped && m_image && m_image->pixelWidth() != m_image->pixelHeight() &&
           fitsPaddedToSquare(m_image->bitmap().size());
}

void ContentViewState::padToSquare() {
    if (m_hasProgress || !canPadToSquare())
        return;
    runInBackground([this, source = *m_image] {
        // Nothing only when no canvas could be made; the source then simply stays.
        const auto square = glyphon::padToSquare(source);
        if (!square)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, source, square = *square] {
                // An image taken in meanwhile wins over the padded one.
                if (!sameImage(m_image, source))
                    return;
                setImage(square);
                setImageValidation(validateImage(square));
            },
            Qt::QueuedConnection);
    });
}

void ContentViewState::clearImage() {
    setIntakeFailure(std::nullopt);
    setHasWriteFailures(false);
    // The image's reaction runs after all five steps, or step 2 would blank the placeholder it shows.
    ++m_reactionHold;
    setImage(placeholderImage());
    setProcessedPreviewImage(std::nullopt);
    setImageValidation(std::nullopt);
    setShowGridView(false);
    setSomethingDropped(false);
    --m_reactionHold;
    // Also when the placeholder was already in place: the image area must not stay empty.
    if (m_imageReactionPending || !m_processedPreviewImage) {
        m_imageReactionPending = false;
        onImageChanged();
    }
}

// Live preview

void ContentViewState::updatePreview() {
    if (!m_image)
        return;
    setIsPreviewing(true);
    m_previewingQueue.start([this, source = *m_image] {
        // The settings of the moment the job runs, copied whole so one job never mixes two edits.
        EffectSettings settings;
        {
            QMutexLocker lock(&m_effectsLock);
            settings = m_effects;
        }
        // A source that is not square is shown in its proportions, though it is refused for output.
        Image processed = applyEffects(source, settings, EffectCanvas::Proportional);
        // A canvas that could not be made must still end the busy state; the source is the best stand-in.
        if (processed.isNull())
            processed = source;
        QMetaObject::invokeMethod(
            this,
            [this, processed] {
                setProcessedPreviewImage(processed);
                setIsPreviewing(false);
            },
            Qt::QueuedConnection);
    });
}

// Main window actions

void ContentViewState::toggleGridView() {
    setShowGridView(!m_showGridView);
}

void ContentViewState::generatePressed() {
    if (m_somethingDropped)
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
    // A second run over the first would interleave their flags; a run needs a folder, an image and at
    // least one platform, or it would report a success for nothing.
    if (m_isProcessing || !m_image || locations.isEmpty() || !locations.first().isLocalFile() ||
        !anyPlatformSelected())
        return;
    setIntakeFailure(std::nullopt);
    setHasWriteFailures(false);
    setIsProcessing(true);
    setHasProgress(true);
    setHasSuccess(false);
    const QString folder = locations.first().toLocalFile();
    setOutputFolder(folder);
    m_outputFolderShown = false;
    const int count =
        int(forMacos()) + int(forIos()) + int(forWatchos()) + int(forAndroid()) + int(forFavicon());
    setProgress(0.0);
    setTotalProgress(count);
    setGenerationOutcome({}, 0);
    const Image processed = applyEffects(*m_image, m_effects);

    runInBackground([this, processed, folder] {
        const std::array<const std::atomic<bool> *, 5> selected = {&m_forMacos, &m_forIos, &m_forWatchos,
                                                                   &m_forAndroid, &m_forFavicon};
        QStringList failures;
        int written = 0;
        for (std::size_t row = 0; row < allPlatforms.size(); ++row) {
            // Read as the row is reached, not snapshotted at the start.
            if (!selected[row]->load())
                continue;
            const WriteReport report = writePlatform(allPlatforms[row], processed, folder);
            written += report.written;
            for (const Error &failure : report.failures)
                failures.append(failure.description());
            QMetaObject::invokeMethod(
                this,
                [this, failures, written] {
                    setGenerationOutcome(failures, written);
                    setProgress(m_progress + 1.0);
                },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this, [this, folder] { finishGeneration(folder); }, Qt::QueuedConnection);
    });
}

void ContentViewState::finishGeneration(const QString &folder) {
    setHasProgress(false);
    // A run with failures reports them until the user has read them, instead of a success that goes.
    if (m_generationFailureMessages.isEmpty())
        setHasSuccess(true);
    else
        setHasWriteFailures(true);
    QTimer::singleShot(m_seams.successHold, this, [this, folder] { closeGeneration(folder); });
}

void ContentViewState::closeGeneration(const QString &folder) {
    setIsProcessing(false);
    setHasSuccess(false);
    // An empty or untouched folder is no answer to "where are my icons"; one already shown needs no second
    // window.
    if (m_generationFilesWritten > 0 && !m_outputFolderShown && m_seams.openFolder)
        m_seams.openFolder(folder);
}

} // namespace glyphon
