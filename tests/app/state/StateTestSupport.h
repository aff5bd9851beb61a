#pragma once

#include "TestSupport.h"

#include "ContentViewState.h"

#include <QColor>
#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace glyphon::test {

// Lets every load, preview and appearances job finish, then delivers what they posted to the main thread.
inline void settle(ContentViewState &state) {
    for (int round = 0; round < 3; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        state.previewingQueue().waitForDone();
        state.appearancesQueue().waitForDone();
        QCoreApplication::processEvents();
    }
}

// A fresh settings store on a file of its own, and a state over it.
class StateFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QSettings &store() {
        if (!m_store)
            m_store = std::make_unique<QSettings>(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        return *m_store;
    }

    // Drops the cached store so the next one reads the file as written.
    void reopenStore() {
        if (m_store)
            m_store->sync();
        m_state.reset();
        m_store.reset();
    }

    ContentViewState &state(ContentViewSeams seams = {}) {
        if (!m_state)
            m_state = std::make_unique<ContentViewState>(store(), std::move(seams));
        return *m_state;
    }

    void writeIni(const QByteArray &text);
    // A square PNG of one colour, written into the temporary folder; returns its path.
    QString writePicture(const QString &name, int edge, const QColor &color = QColor(200, 40, 40));

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<ContentViewState> m_state;
};

} // namespace glyphon::test
