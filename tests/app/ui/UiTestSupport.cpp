#include "UiTestSupport.h"

#include <QTest>

#include "imaging/Image.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <QThreadPool>

namespace glyphon::test {

QImage samplePicture(int edge, const QColor &field) {
    QImage image(edge, edge, QImage::Format_ARGB32_Premultiplied);
    image.fill(field);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(edge * 0.25, edge * 0.25, edge * 0.5, edge * 0.5));
    return image;
}

void UiFixture::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    m_store = std::make_unique<QSettings>(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ContentViewSeams seams;
    seams.chooseFolder = [this](std::function<void(const QList<QUrl> &)> completion) {
        ++m_folderChoices;
        m_pendingChoice = std::move(completion);
    };
    seams.openFolder = [this](const QString &folder) { m_openedFolders << folder; };
    seams.successHold = std::chrono::milliseconds(0);
    m_state = std::make_unique<ContentViewState>(*m_store, seams);
}

void UiFixture::TearDown() {
    settle();
}

void UiFixture::dropPicture(int edge) {
    state().acceptImage(QUrl::fromLocalFile(path(QStringLiteral("picture.png"))), Image(samplePicture(edge)));
    settle();
}

void UiFixture::settle() {
    for (int round = 0; round < 3; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        state().previewingQueue().waitForDone();
        QCoreApplication::processEvents();
    }
}

void WindowFixture::SetUp() {
    UiFixture::SetUp();
    m_window = std::make_unique<MainWindow>(state());
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
}

void WindowFixture::TearDown() {
    m_window.reset();
    UiFixture::TearDown();
}

} // namespace glyphon::test
