#include "UiTestSupport.h"

#include "ContentView.h"
#include "DisclosureGroup.h"

#include <QTest>

#include "imaging/Image.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QScreen>
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
        state().appearancesQueue().waitForDone();
        QCoreApplication::processEvents();
    }
}

void WindowFixture::SetUp() {
    UiFixture::SetUp();
    m_window = std::make_unique<MainWindow>(state());
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
}

QImage WindowFixture::captureWindow(const QString &file) {
    settle();
    view().settingsGroup()->finishAnimation();
    QTest::qWait(50);
    QApplication::processEvents();
    const QRect area = m_window->frameGeometry();
    QImage shot =
        m_window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    QDir().mkpath(QFileInfo(file).path());
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
    return shot;
}

void WindowFixture::TearDown() {
    m_window.reset();
    UiFixture::TearDown();
}

} // namespace glyphon::test
