#include "OutcomeBanner.h"

#include "ContentViewState.h"
#include "check/IconCheck.h"

#include <QDir>

namespace glyphon {

namespace {

// Room for the reason on the banner's two lines, whatever the file is called.
constexpr qsizetype longestName = 40;

} // namespace

OutcomeBanner::OutcomeBanner(ContentViewState &state, QWidget *parent) : Banner(parent), m_state(state) {
    bind();
}

QString OutcomeBanner::writeFailuresText(int failures, int filesWritten) {
    if (filesWritten == 0)
        return QStringLiteral("No icons could be written");
    return QStringLiteral("Some icons could not be written (") + QString::number(failures) +
           (failures == 1 ? QStringLiteral(" failure)") : QStringLiteral(" failures)"));
}

QString OutcomeBanner::intakeFailureText(const IntakeFailure &failure) {
    QString name = failure.name();
    if (name.size() > longestName) {
        const qsizetype tail = longestName / 3;
        name = name.first(longestName - tail - 1) + QChar(0x2026) + name.last(tail);
    }
    return QStringLiteral("Couldn't open \"%1\": %2").arg(name, failure.reason);
}

QString OutcomeBanner::shortenedFolder(const QString &folder) {
    const QString clean = QDir::cleanPath(folder);
    const QString home = QDir::cleanPath(QDir::homePath());
    QString shown = clean;
    if (clean == home)
        shown = QStringLiteral("~");
    else if (home != QStringLiteral("/") && clean.startsWith(home + QLatin1Char('/')))
        shown = QStringLiteral("~") + clean.sliced(home.size());
    return QDir::toNativeSeparators(shown);
}

QString OutcomeBanner::checkFindingsText(int errors, int warnings) {
    const QString counts = findingCounts(errors, warnings);
    return counts.isEmpty() ? QString() : counts + QStringLiteral(" in the written sets");
}

void OutcomeBanner::bind() {
    for (auto signal :
         {&ContentViewState::hasSuccessChanged, &ContentViewState::imageValidationChanged,
          &ContentViewState::generationFailuresChanged, &ContentViewState::hasWriteFailuresChanged,
          &ContentViewState::intakeFailureChanged, &ContentViewState::outputFolderChanged,
          &ContentViewState::imageChanged, &ContentViewState::somethingDroppedChanged})
        connect(&m_state, signal, this, &OutcomeBanner::refresh);
    connect(this, &Banner::actionTriggered, this, &OutcomeBanner::act);
    connect(this, &Banner::dismissRequested, this, &OutcomeBanner::dismiss);
    refresh();
}

void OutcomeBanner::refresh() {
    // One banner at a time, the newest news first: a run's end, then a file that would not open, then the
    // verdict on the source, which stays true until the image changes.
    const auto &validation = m_state.imageValidation();
    Extras extras;
    if (m_state.hasSuccess()) {
        if (!m_state.outputFolder().isEmpty()) {
            extras.subtitle = shortenedFolder(m_state.outputFolder());
            extras.actionLabel = QStringLiteral("Show in Folder");
        }
        // What the stores and browsers would refuse is worth a line before the upload, each finding a click
        // away. It goes first: a long path is shortened in its middle, keeping the folder's own name.
        const QString found = checkFindingsText(m_state.checkErrors(), m_state.checkWarnings());
        if (!found.isEmpty()) {
            extras.subtitle =
                extras.subtitle.isEmpty() ? found : found + QStringLiteral(" · ") + extras.subtitle;
            extras.details = m_state.checkFindings();
        }
        showMessage(Kind::Success, QStringLiteral("checkmark"),
                    QStringLiteral("Your icons have been generated!"), extras);
    } else if (m_state.hasWriteFailures()) {
        const bool nothing = m_state.generationFilesWritten() == 0;
        extras.details = m_state.generationFailureMessages();
        extras.dismissible = true;
        showMessage(
            nothing ? Kind::NothingWritten : Kind::RunFailures,
            nothing ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("exclamationmark.circle"),
            writeFailuresText(m_state.generationFailures(), m_state.generationFilesWritten()), extras);
    } else if (const auto &failure = m_state.intakeFailure()) {
        extras.dismissible = true;
        showMessage(Kind::OpenFailure, QStringLiteral("exclamationmark.triangle"),
                    intakeFailureText(*failure), extras);
    } else if (validation && validation->type == ValidationType::Error) {
        if (m_state.canPadToSquare())
            extras.actionLabel = QStringLiteral("Pad to Square");
        showMessage(Kind::ValidationError, QStringLiteral("exclamationmark.triangle"), validation->message,
                    extras);
    } else if (validation && validation->type == ValidationType::Warning) {
        showMessage(Kind::ValidationWarning, QStringLiteral("exclamationmark.circle"), validation->message);
    } else {
        hide();
        return;
    }
    show();
}

void OutcomeBanner::act() {
    if (kind() == Kind::Success)
        m_state.showOutputFolder();
    else if (kind() == Kind::ValidationError)
        m_state.padToSquare();
}

void OutcomeBanner::dismiss() {
    if (kind() == Kind::RunFailures || kind() == Kind::NothingWritten)
        m_state.dismissWriteFailures();
    else if (kind() == Kind::OpenFailure)
        m_state.dismissIntakeFailure();
}

} // namespace glyphon
