#pragma once

#include <QMainWindow>
#include <functional>

class QAction;
class QFileDialog;
class QMenu;

namespace glyphon {

class ContentView;
class ContentViewState;
struct ContentViewSeams;

// The one window: titled after the image it holds ("apple-1024.png — Glyphon", or "Glyphon" without one),
// 500 × 500 at least and at first, holding the content view, with "Open Image…" in its File menu as a
// second way in besides dropping a file.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int minimumEdge = 500;

    explicit MainWindow(ContentViewState &state, QWidget *parent = nullptr);

    ContentView *contentView() const { return m_contentView; }
    QAction *openImageAction() const { return m_openImage; }
    QMenu *fileMenu() const { return m_fileMenu; }

    // Asks for an image file and takes it in exactly as if it had been dropped.
    void openImage();

private:
    void refreshTitle();

    ContentViewState &m_state;
    ContentView *m_contentView;
    QAction *m_openImage;
    QMenu *m_fileMenu;
};

// The desktop's folder chooser and file browser, parented to whatever window `dialogParent` gives; the
// chooser opens in the folder `startFolder` gives and returns at once, calling its completion later.
ContentViewSeams desktopSeams(std::function<QWidget *()> dialogParent, std::function<QString()> startFolder);

} // namespace glyphon
