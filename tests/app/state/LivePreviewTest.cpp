#include "StateTestSupport.h"

#include "LivePreview.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QThread>

namespace glyphon::test {
namespace {

using LivePreview = StateFixture;

// What the window would show after the last change: the effects of this moment on the source.
QImage expectedPreview(const ContentViewState &s) {
    return applyEffects(*s.image(), s.effectSettings()).bitmap();
}

TEST_F(LivePreview, TwoQuickChangesQueueTwoJobsAndTheSecondWins) {
    ContentViewState &s = state();
    s.setImage(Image(filled(1024, Qt::red)));
    settle(s);

    QList<bool> previewingAtEachPublication;
    QObject::connect(&s, &ContentViewState::processedPreviewImageChanged, &s,
                     [&] { previewingAtEachPublication.append(s.isPreviewing()); });
    QSignalSpy busy(&s, &ContentViewState::isPreviewingChanged);
    int publicationsWhenIdle = -1;
    QObject::connect(&s, &ContentViewState::isPreviewingChanged, &s, [&] {
        if (!s.isPreviewing())
            publicationsWhenIdle = int(previewingAtEachPublication.size());
    });

    s.setWithPadding(true);
    s.setPaddingPx(200.0);
    settle(s);

    // Every job publishes; the flag drops at the first publication and is not a counter.
    EXPECT_EQ(previewingAtEachPublication.size(), 2);
    EXPECT_EQ(busy.count(), 2);
    EXPECT_EQ(publicationsWhenIdle, 1);
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->bitmap(), expectedPreview(s));
    // 200 px of transparent band on every side of the 1024 canvas.
    EXPECT_EQ(qAlpha(s.processedPreviewImage()->bitmap().pixel(190, 512)), 0);
    EXPECT_EQ(qAlpha(s.processedPreviewImage()->bitmap().pixel(210, 512)), 255);
}

TEST_F(LivePreview, PlatformFlagChangeStartsNoJob) {
    ContentViewState &s = state();
    QSignalSpy published(&s, &ContentViewState::processedPreviewImageChanged);
    QSignalSpy busy(&s, &ContentViewState::isPreviewingChanged);
    s.setForMacos(false);
    s.setForFavicon(false);
    settle(s);
    EXPECT_EQ(published.count(), 0);
    EXPECT_EQ(busy.count(), 0);
}

TEST_F(LivePreview, TintAloneKeepsTheSourceSizeAndPaddingNormalises) {
    ContentViewState &s = state();
    s.setImage(Image(filled(2048, Qt::white)));
    s.setWithTint(true);
    settle(s);
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->pixelWidth(), 2048);
    s.setWithPadding(true);
    settle(s);
    EXPECT_EQ(s.processedPreviewImage()->pixelWidth(), 1024);
}

TEST_F(LivePreview, WithEveryEffectOffTheSourceItselfIsPublished) {
    ContentViewState &s = state();
    const Image source(filled(1024, Qt::green));
    s.setImage(source);
    settle(s);
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->bitmap(), source.bitmap());
}

TEST_F(LivePreview, NoImageMeansNoJob) {
    ContentViewState &s = state();
    s.setImage(std::nullopt);
    s.updatePreview();
    EXPECT_FALSE(s.isPreviewing());
}

TEST_F(LivePreview, JobsRunOnTheLabelledSerialQueueAndPublishOnTheMainThread) {
    ContentViewState &s = state();
    EXPECT_EQ(s.previewingQueue().objectName(), QStringLiteral("com.talvoren.glyphon.previewing"));
    EXPECT_EQ(s.previewingQueue().maxThreadCount(), 1);
    QThread *publishedOn = nullptr;
    QObject::connect(&s, &ContentViewState::processedPreviewImageChanged, &s,
                     [&] { publishedOn = QThread::currentThread(); });
    s.setWithTint(true);
    settle(s);
    EXPECT_EQ(publishedOn, QCoreApplication::instance()->thread());
}

TEST_F(LivePreview, ManyChangesEndWithTheLastSettings) {
    ContentViewState &s = state();
    s.setImage(Image(filled(1024, Qt::blue)));
    s.setWithRoundedCorners(true);
    for (int radius = 100; radius <= 300; radius += 20)
        s.setRoundedCornersPx(radius);
    settle(s);
    EXPECT_EQ(s.processedPreviewImage()->bitmap(), expectedPreview(s));
    EXPECT_FALSE(s.isPreviewing());
}

// The preview alone: it renders what it is handed and knows nothing of settings or intake.
TEST(LivePreviewPart, RendersTheCopiesItWasHandedAndPublishesInOrder) {
    glyphon::LivePreview preview;
    QList<int> published;
    QObject::connect(&preview, &glyphon::LivePreview::processedPreviewImageChanged, &preview,
                     [&] { published << preview.processedPreviewImage()->pixelWidth(); });
    preview.update(std::nullopt, EffectSettings{});
    EXPECT_FALSE(preview.isPreviewing());

    EffectSettings effects;
    effects.withTint = true;
    Image source(filled(2048, Qt::white));
    preview.update(source, effects);
    EXPECT_TRUE(preview.isPreviewing());
    // Neither a later edit of what was handed in nor a second job reaches the first one.
    effects.withPadding = true;
    source = Image(filled(16, Qt::black));
    preview.update(Image(filled(1536, Qt::white)), effects);
    ASSERT_TRUE(waitUntil([&] { return published.size() == 2; }));
    EXPECT_EQ(published, (QList<int>{2048, 1024}));
    EXPECT_FALSE(preview.isPreviewing());
}

TEST(LivePreviewPart, GoingAwayWithJobsQueuedIsSafe) {
    for (int i = 0; i < 3; ++i) {
        glyphon::LivePreview preview;
        EffectSettings effects;
        effects.withPadding = true;
        for (int job = 0; job < 4; ++job) {
            effects.paddingPx = 20.0 + job;
            preview.update(Image(filled(1024, Qt::red)), effects);
        }
    }
    QCoreApplication::processEvents();
    SUCCEED();
}

} // namespace
} // namespace glyphon::test
