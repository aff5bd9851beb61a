#include "MainWindow.h"

#include "ContentView.h"
#include "ContentViewState.h"
#include "ImageArea.h"
#include "ImageFileDialog.h"
#include "ScreenFit.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenuBar>
#include <QStandardPaths>

namespace glyphon {

MainWindow::MainWindow(ContentViewState &state, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_contentView(new ContentView(state, this)),
      m_openImage(new QAction(QStringLiteral("&Open Image…"), this)) {
    setCentralWidget(m_contentView);
    setMinimumSize(minimumEdge, minimumEdge);
    resize(minimumEdge, minimumEdge);
    ScreenFit::install(this, QSize(minimumEdge, minimumEdge));

    m_openImage->setShortcut(QKeySequence::Open);
    m_openImage->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_openImage, &QAction::triggered, this, &MainWindow::openImage);
    connect(m_contentView->imageArea(), &ImageArea::chooseImageRequested, this, &MainWindow::openImage);
    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_fileMenu->addAction(m_openImage);

    connect(&m_state, &ContentViewState::imageUrlChanged, this, &MainWindow::refreshTitle);
    connect(&m_state, &ContentViewState::somethingDroppedChanged, this, &MainWindow::refreshTitle);
    refreshTitle();
}

void MainWindow::refreshTitle() {
    // "Clear image" keeps the URL of the image it removed, so the title follows what is shown.
    const QString name = m_state.somethingDropped() ? m_state.imageUrl().fileName() : QString();
    setWindowTitle(name.isEmpty() ? QStringLiteral("Glyphon") : name + QStringLiteral(" \u2014 Glyphon"));
}

void MainWindow::openImage() {
    openImageDialog(this, m_state);
}

ContentViewSeams desktopSeams(std::function<QWidget *()> dialogParent, std::function<QString()> startFolder) {
    ContentViewSeams seams;
    seams.chooseFolder = [dialogParent, startFolder](std::function<void(const QList<QUrl> &)> completion) {
        // Window-modal and left to the event loop, so the window keeps painting and answering meanwhile.
        auto *dialog = new QFileDialog(dialogParent(), QStringLiteral("Choose Output Folder"),
                                       startFolder ? startFolder() : QString());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        dialog->setWindowModality(Qt::WindowModal);
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [completion](const QString &folder) {
            if (!folder.isEmpty())
                completion({QUrl::fromLocalFile(folder)});
        });
        dialog->open();
    };
    seams.openFolder = [](const QString &folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    return seams;
}

} // namespace glyphon
