#include "ImageFileDialog.h"

#include "ContentViewState.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

namespace glyphon {

namespace {

// Formats Qt reads that are no sensible source for an icon.
const QList<QByteArray> excludedFormats = {"cur", "mng", "pbm", "wbmp", "xbm", "xpm"};

} // namespace

QStringList imageNameFilters() {
    // SVG is read by the program itself, with or without Qt's plugin.
    QList<QByteArray> formats = {"svg", "svgz"};
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        if (!excludedFormats.contains(format.toLower()) && !formats.contains(format.toLower()))
            formats << format.toLower();
    std::sort(formats.begin(), formats.end());
    QStringList patterns;
    // File names are matched case-sensitively here: "PHOTO.JPG" needs its own pattern.
    for (const QByteArray &format : formats)
        patterns << QStringLiteral("*.") + QString::fromLatin1(format)
                 << QStringLiteral("*.") + QString::fromLatin1(format).toUpper();
    return {QStringLiteral("Images (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'),
            QStringLiteral("All files (*)")};
}

QString imageDialogFolder(const QString &lastImageFolder) {
    if (!lastImageFolder.isEmpty() && QFileInfo(lastImageFolder).isDir())
        return lastImageFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

QFileDialog *openImageDialog(QWidget *parent, ContentViewState &state) {
    auto *dialog = new QFileDialog(parent, QStringLiteral("Open Image"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(imageNameFilters());
    // The patterns would fill the whole filter box; the name says enough.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setDirectory(imageDialogFolder(state.lastImageFolder()));
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QFileDialog::fileSelected, &state, [&state](const QString &path) {
        state.setLastImageFolder(QFileInfo(path).absolutePath());
        state.openFile(path);
    });
    dialog->open();
    return dialog;
}

} // namespace glyphon
