#pragma once

#include "imaging/Image.h"
#include "imaging/ImageValidation.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>

class QMimeData;

namespace glyphon {

// A file that could not be taken in, and why; the image and settings stayed as they were.
struct IntakeFailure {
    QUrl url;
    QString reason;

    // The file's name as a person knows it: the last part of its path.
    QString name() const;

    friend bool operator==(const IntakeFailure &, const IntakeFailure &) = default;
};

// The source image and where it came from: loading files in the background, installing and validating an
// image, padding one that is not square, and the placeholder before any image and after a clear.
class ImageIntake : public QObject {
    Q_OBJECT
public:
    explicit ImageIntake(QObject *parent = nullptr);

    bool isDragHovering() const { return m_isDragHovering; }
    const std::optional<Image> &image() const { return m_image; }
    QUrl imageUrl() const { return m_imageUrl; }
    bool somethingDropped() const { return m_somethingDropped; }
    const std::optional<ImageValidation> &imageValidation() const { return m_imageValidation; }
    // The last file that could not be taken in.
    const std::optional<IntakeFailure> &intakeFailure() const { return m_intakeFailure; }

    void setIsDragHovering(bool value);
    void setImage(const std::optional<Image> &value);
    void setImageUrl(const QUrl &value);
    void setSomethingDropped(bool value);
    void setImageValidation(const std::optional<ImageValidation> &value);
    void setIntakeFailure(const std::optional<IntakeFailure> &value);

    // Loads the first URL of a drop; false when it carried none, so there is nothing to load.
    bool loadDropped(const QMimeData *mime);
    // Reads the file in the background and reports it as loaded or loadFailed.
    void load(const QUrl &url);
    // Installs an image as dropped and validates it.
    void accept(const QUrl &url, const Image &image);
    void refuse(const QUrl &url, const QString &reason);

    // Whether the dropped image is not square and can be padded to a square within the source limit.
    bool canPadToSquare() const;
    // Gives the image a transparent margin on its shorter sides in the background, then validates it; an
    // image taken in meanwhile wins.
    void padToSquare();

signals:
    void loaded(const QUrl &url, const Image &image);
    void loadFailed(const QUrl &url, const QString &reason);

    void isDragHoveringChanged();
    void imageChanged();
    void imageUrlChanged();
    void somethingDroppedChanged();
    void imageValidationChanged();
    void intakeFailureChanged();

private:
    bool m_isDragHovering = false;
    std::optional<Image> m_image;
    QUrl m_imageUrl;
    bool m_somethingDropped = false;
    std::optional<ImageValidation> m_imageValidation;
    std::optional<IntakeFailure> m_intakeFailure;
};

} // namespace glyphon
