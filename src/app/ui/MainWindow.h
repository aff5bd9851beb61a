#pragma once

#include <QMainWindow>
#include <functional>

class QAction;
class QFileDialog;

namespace glyphon {

class ContentView;
class ContentViewState;
struct ContentViewSeams;

// The one window: titled "Glyphon", 500 × 500 at least and at first, holding the content view, with
// "Open Image…" as a second way in besides dropping a file.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int minimumEdge = 500;

    explicit MainWindow(ContentViewState &state, QWidget *parent = nullptr);

    ContentView *contentView() const { return m_contentView; }
    QAction *openImageAction() const { return m_openImage; }

    // Asks for an image file and takes it in exactly as if it had been dropped.
    void openImage();

private:
    ContentViewState &m_state;
    ContentView *m_contentView;
    QAction *m_openImage;
};

// The desktop's folder chooser and file browser, parented to whatever window `dialogParent` gives.
ContentViewSeams desktopSeams(std::function<QWidget *()> dialogParent);

} // namespace glyphon
