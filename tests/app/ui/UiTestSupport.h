#pragma once

#include "ContentViewState.h"
#include "MainWindow.h"
#include "TestSupport.h"

#include <QImage>
#include <QList>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace glyphon::test {

// A square picture: a colour field with a white disc, so effects and scaling are visible.
QImage samplePicture(int edge, const QColor &field = QColor(0x2f, 0x80, 0xed));

// A state over a settings file of its own, with the folder chooser and file browser recorded.
class UiFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ContentViewState &state() { return *m_state; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Installs a picture as a successful drop would, and waits for its preview.
    void dropPicture(int edge = 1024);
    // Lets every outstanding preview job publish.
    void settle();

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<ContentViewState> m_state;
    int m_folderChoices = 0;
    std::function<void(const QList<QUrl> &)> m_pendingChoice;
    QStringList m_openedFolders;
};

// The fixture with the main window shown and exposed.
class WindowFixture : public UiFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    ContentView &view() { return *m_window->contentView(); }
    // What the screen shows over the window's area once it has settled, dialogs on top included, saved to
    // file.
    QImage captureWindow(const QString &file);

    std::unique_ptr<MainWindow> m_window;
};

} // namespace glyphon::test
