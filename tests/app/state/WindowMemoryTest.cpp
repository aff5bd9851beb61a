#include "StateTestSupport.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>

namespace glyphon::test {
namespace {

// How the window was left (the open Settings panel, the grid, the output folder), across a restart.
class WindowMemory : public StateFixture {
protected:
    // A state whose folder chooser records where it was asked to open and answers with m_answer (none:
    // the user cancelled).
    ContentViewState &chooserState() {
        ContentViewSeams seams;
        seams.chooseFolder = [this](std::function<void(const QList<QUrl> &)> completion) {
            m_offered << m_state->outputFolderToOffer();
            if (!m_answer.isEmpty())
                completion({QUrl::fromLocalFile(m_answer)});
        };
        return state(std::move(seams));
    }

    void drop(ContentViewState &s) {
        s.acceptImage(QUrl::fromLocalFile(path(QStringLiteral("a.png"))), Image(filled(1024, Qt::red)));
    }

    QString m_answer;
    QStringList m_offered;
};

TEST_F(WindowMemory, TheOpenPanelAndTheLastOutputFolderSurviveARestartUnderTheirOwnKeys) {
    const QString output = path(QStringLiteral("icons"));
    ASSERT_TRUE(QDir().mkpath(output));
    m_answer = output;
    ContentViewState &s = chooserState();
    s.setIsExpanded(true);
    s.chooseOutputFolder([](const QList<QUrl> &) {});
    EXPECT_EQ(s.lastOutputFolder(), output);

    reopenStore();
    QSettings written(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    EXPECT_EQ(written.value(QStringLiteral("isExpanded")).toBool(), true);
    EXPECT_EQ(written.value(QStringLiteral("lastOutputFolder")).toString(), output);
    ContentViewState &again = chooserState();
    EXPECT_TRUE(again.isExpanded());
    EXPECT_EQ(again.lastOutputFolder(), output);
}

TEST_F(WindowMemory, TheGridComesBackWithTheFirstPictureNeverWithThePlaceholder) {
    ContentViewState &s = state();
    drop(s);
    s.toggleGridView();
    reopenStore();

    ContentViewState &again = state();
    EXPECT_FALSE(again.showGridView());
    drop(again);
    EXPECT_TRUE(again.showGridView());
    // "Clear image" goes back to the single view, and so does the next picture, today or after a restart.
    again.clearImage();
    drop(again);
    EXPECT_FALSE(again.showGridView());
    reopenStore();
    drop(state());
    EXPECT_FALSE(state().showGridView());
}

TEST_F(WindowMemory, TheFolderChooserOpensInTheLastOutputFolderOrTheNearestOneLeft) {
    const QString kept = path(QStringLiteral("kept"));
    const QString gone = path(QStringLiteral("kept/gone/deeper"));
    ASSERT_TRUE(QDir().mkpath(gone));
    const auto choose = [this](const QString &answer) {
        m_answer = answer;
        m_state->chooseOutputFolder([](const QList<QUrl> &) {});
    };

    chooserState();
    choose({}); // the first time: home, not the artwork's folder
    choose(gone);
    choose({}); // cancelled: the last folder stays
    ASSERT_TRUE(QDir(path(QStringLiteral("kept/gone"))).removeRecursively());
    choose({});
    EXPECT_EQ(m_offered, (QStringList{QDir::homePath(), QDir::homePath(), gone, kept}));
}

} // namespace
} // namespace glyphon::test
