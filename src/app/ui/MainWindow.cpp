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
      m_openImage(new QAction(QStringLiteral("Open Image…"), this)) {
    setWindowTitle(QStringLiteral("Glyphon"));
    setCentralWidget(m_contentView);
    setMinimumSize(minimumEdge, minimumEdge);
    resize(minimumEdge, minimumEdge);
    ScreenFit::install(this, QSize(minimumEdge, minimumEdge));

    m_openImage->setShortcut(QKeySequence::Open);
    m_openImage->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_openImage, &QAction::triggered, this, &MainWindow::openImage);
    connect(m_contentView->imageArea(), &ImageArea::chooseImageRequested, this, &MainWindow::openImage);
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(m_openImage);
}

void MainWindow::openImage() {
    openImageDialog(this, m_state);
}

ContentViewSeams desktopSeams(std::function<QWidget *()> dialogParent) {
    ContentViewSeams seams;
    seams.chooseFolder = [dialogParent](std::function<void(const QList<QUrl> &)> completion) {
        const QString folder = QFileDialog::getExistingDirectory(
            dialogParent(), QStringLiteral("Choose Output Folder"), QString(), QFileDialog::ShowDirsOnly);
        if (!folder.isEmpty())
            completion({QUrl::fromLocalFile(folder)});
    };
    seams.openFolder = [](const QString &folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    return seams;
}

} // namespace glyphon
