#include "ImageIntake.h"

#include "BackgroundJob.h"
#include "Placeholder.h"
#include "StateField.h"
#include "imaging/Renderer.h"
#include "imaging/SourceLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QtConcurrent>

namespace glyphon {

namespace {

struct LoadedFile {
    std::optional<Image> image;
    QString reason;
};

// The one call of the core's loader.
LoadedFile loadFile(const QString &path) {
    Result<Image> loaded = loadSourceImage(path);
    if (!loaded)
        return {std::nullopt, loaded.error().message};
    return {std::move(*loaded), {}};
}

} // namespace

QString IntakeFailure::name() const {
    if (!url.isLocalFile())
        return url.toDisplayString();
    const QString path = QDir::cleanPath(url.toLocalFile());
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : name;
}

ImageIntake::ImageIntake(QObject *parent) : QObject(parent), m_image(placeholderImage()) {}

void ImageIntake::setIsDragHovering(bool value) {
    assignField(this, m_isDragHovering, value, &ImageIntake::isDragHoveringChanged);
}

void ImageIntake::setImage(const std::optional<Image> &value) {
    assignField(this, m_image, value, &ImageIntake::imageChanged);
}

void ImageIntake::setImageUrl(const QUrl &value) {
    assignField(this, m_imageUrl, value, &ImageIntake::imageUrlChanged);
}

void ImageIntake::setSomethingDropped(bool value) {
    assignField(this, m_somethingDropped, value, &ImageIntake::somethingDroppedChanged);
}

void ImageIntake::setImageValidation(const std::optional<ImageValidation> &value) {
    assignField(this, m_imageValidation, value, &ImageIntake::imageValidationChanged);
}

void ImageIntake::setIntakeFailure(const std::optional<IntakeFailure> &value) {
    assignField(this, m_intakeFailure, value, &ImageIntake::intakeFailureChanged);
}

bool ImageIntake::loadDropped(const QMimeData *mime) {
    const QList<QUrl> urls = mime ? mime->urls() : QList<QUrl>();
    if (urls.isEmpty())
        return false;
    load(urls.first());
    return true;
}

// Every way in (a drop, Open Image…, the command line, a later launch's hand-over) ends here, so each
// reports a file it cannot read the same way.
void ImageIntake::load(const QUrl &url) {
    if (!url.isLocalFile()) {
        emit loadFailed(url, QStringLiteral("only files on this computer can be opened"));
        return;
    }
    deliverTo(this, QtConcurrent::run(loadFile, url.toLocalFile()), [this, url](const LoadedFile &file) {
        if (file.image)
            emit loaded(url, *file.image);
        else
            emit loadFailed(url, file.reason);
    });
}

void ImageIntake::accept(const QUrl &url, const Image &image) {
    setIntakeFailure(std::nullopt);
    setSomethingDropped(true);
    setImageUrl(url);
    setImage(image);
    setImageValidation(validateImage(image));
}

void ImageIntake::refuse(const QUrl &url, const QString &reason) {
    setIntakeFailure(IntakeFailure{url, reason});
}

bool ImageIntake::canPadToSquare() const {
    return m_somethingDropped && m_image && m_image->pixelWidth() != m_image->pixelHeight() &&
           fitsPaddedToSquare(m_image->bitmap().size());
}

void ImageIntake::padToSquare() {
    if (!canPadToSquare())
        return;
    const Image source = *m_image;
    deliverTo(this, QtConcurrent::run([source] { return glyphon::padToSquare(source); }),
              [this, source](const std::optional<Image> &square) {
                  // Nothing only when no canvas could be made; the source then simply stays.
                  if (!square || !sameValue(m_image, std::optional<Image>(source)))
                      return;
                  setImage(*square);
                  setImageValidation(validateImage(*square));
              });
}

} // namespace glyphon
