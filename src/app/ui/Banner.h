#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QTextEdit;
class QProgressBar;
class QToolButton;

namespace glyphon {

class StyledButton;

// What a message banner shows besides its symbol and message.
struct BannerExtras {
    // A second line in secondary text, shortened in the middle when it does not fit.
    QString subtitle;
    // A button after the text; pressing it emits actionTriggered().
    QString actionLabel;
    // Shown whole, one entry per paragraph, behind a "Details" button.
    QStringList details;
    // A close button; pressing it emits dismissRequested().
    bool dismissible = false;
};

// The strip under the image area that tells what happened: 60 points high, its content centred and inset
// 10, with the "ImageBg" fill laid over the content. A banner may carry a button for what can be done about
// its message, a close button, and a "Details" list that makes it taller while open.
class Banner : public QWidget {
    Q_OBJECT
public:
    static constexpr int bannerHeight = 60;

    enum class Kind {
        None,
        Progress,
        Success,
        RunFailures,
        NothingWritten,
        OpenFailure,
        ValidationWarning,
        ValidationError
    };

    using Extras = BannerExtras;

    explicit Banner(QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    QString symbol() const { return m_symbol; }
    QString message() const { return m_message; }
    const Extras &extras() const { return m_extras; }
    QProgressBar *progressBar() const { return m_bar; }
    QLabel *textLabel() const { return m_text; }
    QLabel *subtitleLabel() const { return m_subtitle; }
    StyledButton *actionButton() const { return m_action; }
    StyledButton *detailsButton() const { return m_detailsButton; }
    QToolButton *closeButton() const { return m_close; }
    QTextEdit *detailsView() const { return m_details; }
    bool detailsShown() const;
    void setDetailsShown(bool shown);

    // "Generating..." over a bar at value of total.
    void showProgress(double value, double total);
    // A symbol before a message; the message is shown verbatim. The details start closed when they change.
    void showMessage(Kind kind, const QString &symbol, const QString &message, const Extras &extras = {});

signals:
    void actionTriggered();
    void dismissRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    class Veil;

    void fitMessage();
    void fitHeight();

    Kind m_kind = Kind::None;
    QString m_symbol;
    QString m_message;
    Extras m_extras;
    QWidget *m_progressContent;
    QLabel *m_progressLabel;
    QProgressBar *m_bar;
    QWidget *m_messageContent;
    QLabel *m_icon;
    QLabel *m_text;
    QLabel *m_subtitle;
    StyledButton *m_action;
    StyledButton *m_detailsButton;
    QToolButton *m_close;
    QTextEdit *m_details;
    Veil *m_veil;
};

} // namespace glyphon
