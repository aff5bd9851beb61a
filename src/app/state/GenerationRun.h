#pragma once

#include "imaging/Effects.h"
#include "imaging/Image.h"
#include "writers/Generation.h"
#include "writers/OutputSets.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

namespace glyphon {

// What writing one platform's set came to.
struct PlatformOutcome {
    QStringList failures;
    int filesWritten = 0;
    // What the check found in the platform's folder once it was written, one line a finding.
    QStringList findings;
    int checkErrors = 0;
    int checkWarnings = 0;
};

// One run at a time: the effects and the writers of the selected platforms run in the background on copies,
// each platform's outcome steps the progress on the main thread, then success (or the failures) shows for
// the hold, and the folder opens if anything was written.
class GenerationRun : public QObject {
    Q_OBJECT
public:
    using OpenFolder = std::function<void(const QString &folder)>;

    explicit GenerationRun(OpenFolder openFolder, std::chrono::milliseconds successHold,
                           QObject *parent = nullptr);
    // Waits for the writers: files half written would outlive the window that could report them.
    ~GenerationRun() override;

    bool isProcessing() const { return m_isProcessing; }
    bool hasProgress() const { return m_hasProgress; }
    bool hasSuccess() const { return m_hasSuccess; }
    double progress() const { return m_progress; }
    double totalProgress() const { return m_totalProgress; }
    void setIsProcessing(bool value);
    void setHasProgress(bool value);
    void setHasSuccess(bool value);
    void setProgress(double value);
    void setTotalProgress(double value);

    // The folder of the last run, from its start.
    QString outputFolder() const { return m_outputFolder; }
    // Every failure the writers reported, in order, and how many file writes succeeded.
    const QStringList &failureMessages() const { return m_failureMessages; }
    int filesWritten() const { return m_filesWritten; }
    // What the check found in the folders the last run wrote: one line a finding, and the counts.
    const QStringList &checkFindings() const { return m_checkFindings; }
    int checkErrors() const { return m_checkErrors; }
    int checkWarnings() const { return m_checkWarnings; }
    // True from the end of a run with failures until dismissed or the next run.
    bool hasWriteFailures() const { return m_hasWriteFailures; }
    void dismissWriteFailures();
    // Opens the last run's folder; the end of that run then does not open it again.
    void showOutputFolder();

    // Starts a run over copies of what it needs; false, and nothing changes, while one is in progress or
    // when there is no platform.
    bool start(const QString &folder, const GenerationInputs &inputs, const QList<Platform> &platforms);
    bool start(const QString &folder, const Image &source, const EffectSettings &effects,
               const QList<Platform> &platforms);
    void finish(const QString &folder);
    void close(const QString &folder);

signals:
    void isProcessingChanged();
    void hasProgressChanged();
    void hasSuccessChanged();
    void progressChanged();
    void totalProgressChanged();
    void outputFolderChanged();
    void generationFailuresChanged();
    void hasWriteFailuresChanged();

private:
    void takeOutcomes(int begin, int end);
    void setOutcome(const QStringList &failures, int filesWritten);
    void setOutputFolder(const QString &value);

    OpenFolder m_openFolder;
    std::chrono::milliseconds m_successHold;
    bool m_isProcessing = false;
    bool m_hasProgress = false;
    bool m_hasSuccess = false;
    double m_progress = 0.0;
    double m_totalProgress = 1.0;
    QString m_outputFolder;
    QStringList m_failureMessages;
    int m_filesWritten = 0;
    QStringList m_checkFindings;
    int m_checkErrors = 0;
    int m_checkWarnings = 0;
    bool m_hasWriteFailures = false;
    bool m_outputFolderShown = false;
    QFutureWatcher<PlatformOutcome> m_writers;
};

// Where the folder chooser opens: the last output folder, or the nearest folder above it that still exists;
// the home folder before the first run.
QString folderToOffer(const QString &lastOutputFolder);

} // namespace glyphon
