#include "MainWindow.h"
#include "ButtonStyles.h"
#include "ContentView.h"
#include "DisclosureGroup.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace glyphon::test {
namespace {

class MainWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    void accept(const QString &file) {
        state().acceptImage(QUrl::fromLocalFile(path(file)), Image(samplePicture(1024)));
        settle();
    }
};

TEST_F(MainWindowTest, TheTitleNamesThePictureShown) {
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Glyphon"));
    accept(QStringLiteral("apple-1024.png"));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("apple-1024.png \u2014 Glyphon"));
    accept(QStringLiteral("pear.png"));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("pear.png \u2014 Glyphon"));
    // Cleared, the window shows the placeholder again, though the state keeps the old address.
    state().clearImage();
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Glyphon"));
}

TEST_F(MainWindowTest, ControlReturnOrEnterPressesGenerateWhileItIsEnabled) {
    StyledButton &generate = *m_window->contentView()->generateButton();
    EXPECT_EQ(generate.toolTip(), QStringLiteral("Generate (Ctrl+Return)"));
    accept(QStringLiteral("apple-1024.png"));

    struct Press {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool presses;
    };
    const Press presses[] = {
        {"Ctrl+Return", Qt::Key_Return, Qt::ControlModifier, true},
        {"Ctrl+Enter on the keypad", Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier, true},
        {"Return alone", Qt::Key_Return, Qt::NoModifier, false},
    };
    for (const Press &press : presses) {
        state().setShowingPlatformSheet(false);
        // From wherever the focus is in the window, here the Settings disclosure.
        m_window->contentView()->settingsGroup()->setFocus();
        QTest::keyClick(m_window.get(), press.key, press.modifiers);
        EXPECT_EQ(
            QTest::qWaitFor([this] { return state().showingPlatformSheet(); }, press.presses ? 5000 : 300),
            press.presses)
            << press.name;
    }

    // Disabled while a run is under way, and the shortcut with it.
    state().setShowingPlatformSheet(false);
    state().setIsProcessing(true);
    ASSERT_FALSE(generate.isEnabled());
    QTest::keyClick(m_window.get(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(QTest::qWaitFor([this] { return state().showingPlatformSheet(); }, 300));
    state().setIsProcessing(false);
}

TEST_F(MainWindowTest, GenerateIsTheBottomEdgeWithNoBarOrGripBelowIt) {
    EXPECT_TRUE(m_window->findChildren<QStatusBar *>().isEmpty());
    EXPECT_TRUE(m_window->findChildren<QSizeGrip *>().isEmpty());
    for (const QSize size : {QSize(500, 500), QSize(700, 900)}) {
        m_window->resize(size);
        QApplication::processEvents();
        const StyledButton *generate = m_window->contentView()->generateButton();
        EXPECT_EQ(generate->mapTo(m_window.get(), generate->rect().bottomLeft()).y(),
                  m_window->rect().bottom());
    }
}

TEST_F(MainWindowTest, TheFileMenuOpensWithAltF) {
    QMenu *file = m_window->fileMenu();
    EXPECT_EQ(m_window->menuBar()->actions().first()->menu(), file);
    QTest::keyClick(m_window.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([file] { return file->isVisible(); }, 2000));
    EXPECT_EQ(file->activeAction(), m_window->openImageAction());
    file->close();
}

TEST_F(MainWindowTest, TheFolderChooserReturnsAtOnceAndAnswersOnlyAConfirmedFolder) {
    const QString start = path(QStringLiteral("start"));
    const QString chosen = path(QStringLiteral("start/icons"));
    ASSERT_TRUE(QDir().mkpath(chosen));
    const ContentViewSeams seams =
        desktopSeams([this]() -> QWidget * { return m_window.get(); }, [start] { return start; });
    // A chooser that waited for the user in a loop of its own would find no answer here but this one.
    QTimer::singleShot(5000, m_window.get(), [this] {
        if (auto *dialog = m_window->findChild<QFileDialog *>())
            dialog->reject();
    });
    QList<QList<QUrl>> answers;
    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm);
        seams.chooseFolder([&answers](const QList<QUrl> &folders) { answers << folders; });
        auto *dialog = m_window->findChild<QFileDialog *>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose Output Folder"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_EQ(QDir(dialog->directory()).absolutePath(), start);
        if (confirm) {
            dialog->setDirectory(chosen);
            QMetaObject::invokeMethod(dialog, &QDialog::accept);
        } else {
            dialog->reject();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(m_window->findChild<QFileDialog *>(), nullptr);
    }
    EXPECT_EQ(answers, (QList<QList<QUrl>>{{QUrl::fromLocalFile(chosen)}}));
}

} // namespace
} // namespace glyphon::test
