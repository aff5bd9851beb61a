#pragma once

#include "Banner.h"

namespace glyphon {

class ContentViewState;
struct IntakeFailure;

// The one banner under the image area that tells the outcome of the last step: the run's success, with
// where the icons went and "Show in Folder"; its write failures, with every one under "Details"; a file that
// could not be opened; or the verdict on the source, with "Pad to Square" for one that is not square.
class OutcomeBanner : public Banner {
    Q_OBJECT
public:
    explicit OutcomeBanner(ContentViewState &state, QWidget *parent = nullptr);

    // "No icons could be written" or "Some icons could not be written (N failures)".
    static QString writeFailuresText(int failures, int filesWritten);
    // "1 error and 2 warnings in the written sets"; empty when the check found nothing.
    static QString checkFindingsText(int errors, int warnings);
    // Couldn't open "name": reason — a long name shortened in its middle, so the reason still shows.
    static QString intakeFailureText(const IntakeFailure &failure);
    // The folder as a person reads it: "~" for the home folder, native separators.
    static QString shortenedFolder(const QString &folder);

private:
    void bind();
    void refresh();
    void act();
    void dismiss();

    ContentViewState &m_state;
};

} // namespace glyphon
