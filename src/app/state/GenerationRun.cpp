#include "GenerationRun.h"

#include "StateField.h"
#include "check/IconCheck.h"
#include "imaging/ParallelFor.h"
#include "writers/Generation.h"

#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent>

namespace glyphon {

namespace {

// The one place a run meets the writers: the target written and, when it wrote anything, checked. Its
// failures are kept for the caller to print in turn.
PlatformOutcome writePlatformSet(Platform platform, const Generation &generation, const QString &folder,
                                 QList<Error> &failures) {
    const WriteReport report = writeTarget(platform, generation, folder, [](const Error &) {});
    failures = report.failures;
    PlatformOutcome outcome;
    outcome.filesWritten = report.written;
    for (const Error &failure : report.failures)
        outcome.failures.append(failure.description());
    // Only the folder this run wrote is checked: the chosen folder may hold anything else.
    const QString written = targetFolder(platform);
    if (report.written > 0) {
        if (const Result<CheckReport> checked = checkFolder(QDir(folder).filePath(written))) {
            for (const Finding &finding : checked->findings)
                outcome.findings.append(
                    findingLine(Finding{finding.severity, written + u'/' + finding.set,
                                        written + u'/' + finding.file, finding.rule, finding.message}));
            outcome.checkErrors = checked->errorCount();
            outcome.checkWarnings = checked->warningCount();
        }
    }
    return outcome;
}

// The platforms side by side, each outcome handed on in the order of the list, its failures printed then.
void writeSets(QPromise<PlatformOutcome> &promise, const GenerationInputs &inputs, const QString &folder,
               const QList<Platform> &platforms) {
    const Generation generation(inputs);
    std::vector<PlatformOutcome> outcomes(size_t(platforms.size()));
    std::vector<QList<Error>> failures(size_t(platforms.size()));
    sideBySide(
        int(platforms.size()),
        [&](int i) {
            outcomes[size_t(i)] = writePlatformSet(platforms.at(i), generation, folder, failures[size_t(i)]);
        },
        [&](int i) {
            for (const Error &failure : failures[size_t(i)])
                printFailure(failure);
            promise.addResult(outcomes[size_t(i)]);
        },
        longestFirst(platforms));
}

} // namespace

QString folderToOffer(const QString &lastOutputFolder) {
    // A folder deleted or unmounted since: the nearest one above it that is still there.
    for (QString folder = lastOutputFolder; !folder.isEmpty();) {
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

GenerationRun::GenerationRun(OpenFolder openFolder, std::chrono::milliseconds successHold, QObject *parent)
    : QObject(parent), m_openFolder(std::move(openFolder)), m_successHold(successHold) {
    connect(&m_writers, &QFutureWatcherBase::resultsReadyAt, this, &GenerationRun::takeOutcomes);
    connect(&m_writers, &QFutureWatcherBase::finished, this, [this] { finish(m_outputFolder); });
}

GenerationRun::~GenerationRun() {
    m_writers.waitForFinished();
}

void GenerationRun::setIsProcessing(bool value) {
    assignField(this, m_isProcessing, value, &GenerationRun::isProcessingChanged);
}

void GenerationRun::setHasProgress(bool value) {
    assignField(this, m_hasProgress, value, &GenerationRun::hasProgressChanged);
}

void GenerationRun::setHasSuccess(bool value) {
    assignField(this, m_hasSuccess, value, &GenerationRun::hasSuccessChanged);
}

void GenerationRun::setProgress(double value) {
    assignField(this, m_progress, value, &GenerationRun::progressChanged);
}

void GenerationRun::setTotalProgress(double value) {
    assignField(this, m_totalProgress, value, &GenerationRun::totalProgressChanged);
}

void GenerationRun::setOutputFolder(const QString &value) {
    assignField(this, m_outputFolder, value, &GenerationRun::outputFolderChanged);
}

void GenerationRun::setOutcome(const QStringList &failures, int filesWritten) {
    if (failures == m_failureMessages && filesWritten == m_filesWritten)
        return;
    m_failureMessages = failures;
    m_filesWritten = filesWritten;
    emit generationFailuresChanged();
}

void GenerationRun::dismissWriteFailures() {
    assignField(this, m_hasWriteFailures, false, &GenerationRun::hasWriteFailuresChanged);
}

void GenerationRun::showOutputFolder() {
    if (m_outputFolder.isEmpty())
        return;
    m_outputFolderShown = true;
    if (m_openFolder)
        m_openFolder(m_outputFolder);
}

bool GenerationRun::start(const QString &folder, const Image &source, const EffectSettings &effects,
                          const QList<Platform> &platforms) {
    GenerationInputs inputs;
    inputs.source = source;
    inputs.effects = effects;
    return start(folder, inputs, platforms);
}

bool GenerationRun::start(const QString &folder, const GenerationInputs &inputs,
                          const QList<Platform> &platforms) {
    // A second run over the first would interleave their flags; a run over no platform would only report
    // a success for nothing.
    if (m_isProcessing || platforms.isEmpty())
        return false;
    dismissWriteFailures();
    setIsProcessing(true);
    setHasProgress(true);
    setHasSuccess(false);
    setOutputFolder(folder);
    m_outputFolderShown = false;
    setProgress(0.0);
    setTotalProgress(double(platforms.size()));
    setOutcome({}, 0);
    m_checkFindings.clear();
    m_checkErrors = m_checkWarnings = 0;
    m_writers.setFuture(QtConcurrent::run(writeSets, inputs, folder, platforms));
    return true;
}

void GenerationRun::takeOutcomes(int begin, int end) {
    for (int i = begin; i < end; ++i) {
        const PlatformOutcome outcome = m_writers.resultAt(i);
        m_checkFindings += outcome.findings;
        m_checkErrors += outcome.checkErrors;
        m_checkWarnings += outcome.checkWarnings;
        setOutcome(m_failureMessages + outcome.failures, m_filesWritten + outcome.filesWritten);
        setProgress(m_progress + 1.0);
    }
}

void GenerationRun::finish(const QString &folder) {
    setHasProgress(false);
    // A run with failures reports them until the user has read them, instead of a success that goes.
    if (m_failureMessages.isEmpty())
        setHasSuccess(true);
    else
        assignField(this, m_hasWriteFailures, true, &GenerationRun::hasWriteFailuresChanged);
    QTimer::singleShot(m_successHold, this, [this, folder] { close(folder); });
}

void GenerationRun::close(const QString &folder) {
    setIsProcessing(false);
    setHasSuccess(false);
    // An empty or untouched folder is no answer to "where are my icons"; one already shown needs no second
    // window.
    if (m_filesWritten > 0 && !m_outputFolderShown && m_openFolder)
        m_openFolder(folder);
}

} // namespace glyphon
