#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QProgressBar;

namespace glyphon {

// The strip under the image area that tells what happened: 60 points high at most, its content
// centred and inset 10, with the "ImageBg" fill laid over the content.
class Banner : public QWidget {
    Q_OBJECT
public:
    static constexpr int bannerHeight = 60;

    enum class Kind { none, progress, success, runFailures, validationWarning, validationError };

    explicit Banner(QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    QString symbol() const { return m_symbol; }
    QString message() const { return m_message; }
    QProgressBar *progressBar() const { return m_bar; }
    QLabel *textLabel() const { return m_text; }

    // "Generating..." over a bar at value of total.
    void showProgress(double value, double total);
    // A symbol before a message; the message is shown verbatim.
    void showMessage(Kind kind, const QString &symbol, const QString &message);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    class Veil;

    void fitMessage();

    Kind m_kind = Kind::none;
    QString m_symbol;
    QString m_message;
    QWidget *m_progressContent;
    QLabel *m_progressLabel;
    QProgressBar *m_bar;
    QWidget *m_messageContent;
    QLabel *m_icon;
    QLabel *m_text;
    Veil *m_veil;
};

} // namespace glyphon
