#include "StateTestSupport.h"

#include "Placeholder.h"
#include "imaging/SourceLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>
#include <functional>

namespace glyphon::test {
namespace {

using ImageIntake = StateFixture;

std::unique_ptr<QMimeData> fileDrop(const QStringList &paths) {
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    mime->setUrls(urls);
    return mime;
}

QRgb centre(const std::optional<Image> &image) {
    return image ? image->bitmap().pixel(image->pixelWidth() / 2, image->pixelHeight() / 2) : 0;
}

TEST_F(ImageIntake, DropInstallsTheImageValidatesItAndPreviewsIt) {
    const QString file = writePicture(QStringLiteral("red.png"), 1024, QColor(220, 30, 30));
    ContentViewState &s = state();
    EXPECT_TRUE(s.handleDrop(fileDrop({file}).get()));
    ASSERT_TRUE(waitUntil([&s] { return s.somethingDropped(); }));
    EXPECT_EQ(s.imageUrl(), QUrl::fromLocalFile(file));
    EXPECT_EQ(centre(s.image()), qRgb(220, 30, 30));
    ASSERT_TRUE(s.imageValidation());
    EXPECT_EQ(s.imageValidation()->type, ValidationType::Success);
    settle(s);
    EXPECT_EQ(centre(s.processedPreviewImage()), qRgb(220, 30, 30));
}

TEST_F(ImageIntake, ThreeDroppedFilesLoadOnlyTheFirst) {
    const QString first = writePicture(QStringLiteral("a.png"), 1024, Qt::red);
    const QString second = writePicture(QStringLiteral("b.png"), 1024, Qt::green);
    const QString third = writePicture(QStringLiteral("c.png"), 1024, Qt::blue);
    ContentViewState &s = state();
    QSignalSpy installed(&s, &ContentViewState::imageChanged);
    EXPECT_TRUE(s.handleDrop(fileDrop({first, second, third}).get()));
    settle(s);
    EXPECT_EQ(installed.count(), 1);
    EXPECT_EQ(s.imageUrl(), QUrl::fromLocalFile(first));
    EXPECT_EQ(centre(s.image()), qRgb(255, 0, 0));
}

TEST_F(ImageIntake, TextFileIsAcceptedChangesNothingAndIsReported) {
    QFile text(path(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image\n");
    text.close();
    ContentViewState &s = state();
    QSignalSpy installed(&s, &ContentViewState::imageChanged);
    EXPECT_TRUE(s.handleDrop(fileDrop({text.fileName()}).get()));
    settle(s);
    EXPECT_EQ(installed.count(), 0);
    EXPECT_FALSE(s.somethingDropped());
    EXPECT_FALSE(s.imageUrl().isValid());
    EXPECT_FALSE(s.imageValidation());
    ASSERT_TRUE(s.intakeFailure());
    EXPECT_EQ(s.intakeFailure()->name(), QStringLiteral("notes.txt"));
}

// Every unreadable file, by each way in, leaves the image, its validation and the settings as they were and
// says which file and why.
TEST_F(ImageIntake, UnreadableFilesAreNamedWithTheirReasonAndChangeNothing) {
    const QString good = writePicture(QStringLiteral("good.png"), 1024, Qt::red);
    QFile text(path(QStringLiteral("x.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("a text file that says it is a PNG\n");
    text.close();
    QFile empty(path(QStringLiteral("empty.png")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    const struct {
        QString file;
        QString name;
        QString reason;
    } files[] = {
        {text.fileName(), QStringLiteral("x.png"),
         QStringLiteral("not an image in a format this program can read")},
        {empty.fileName(), QStringLiteral("empty.png"),
         QStringLiteral("not an image in a format this program can read")},
        {path(QStringLiteral("gone.png")), QStringLiteral("gone.png"), QStringLiteral("no such file")},
        {m_dir.path(), QFileInfo(m_dir.path()).fileName(), QStringLiteral("is a folder, not an image file")},
    };
    const struct {
        const char *way;
        std::function<void(ContentViewState &, const QString &)> take;
    } ways[] = {
        {"drop", [](ContentViewState &s, const QString &file) { s.handleDrop(fileDrop({file}).get()); }},
        {"open", [](ContentViewState &s, const QString &file) { s.openFile(file); }},
    };
    ContentViewState &s = state();
    s.setWithTint(true);
    s.openFile(good);
    settle(s);
    ASSERT_TRUE(s.somethingDropped());
    const std::optional<ImageValidation> validation = s.imageValidation();
    QSignalSpy installed(&s, &ContentViewState::imageChanged);
    QSignalSpy saved(&s, &ContentViewState::withTintChanged);
    for (const auto &way : ways) {
        for (const auto &f : files) {
            SCOPED_TRACE(std::string(way.way) + " " + f.name.toStdString());
            s.dismissIntakeFailure();
            way.take(s, f.file);
            settle(s);
            ASSERT_TRUE(s.intakeFailure());
            EXPECT_EQ(s.intakeFailure()->url, QUrl::fromLocalFile(QFileInfo(f.file).absoluteFilePath()));
            EXPECT_EQ(s.intakeFailure()->name(), f.name);
            EXPECT_EQ(s.intakeFailure()->reason, f.reason);
            EXPECT_EQ(s.imageUrl(), QUrl::fromLocalFile(good));
            EXPECT_EQ(centre(s.image()), qRgb(255, 0, 0));
            EXPECT_EQ(s.imageValidation(), validation);
            EXPECT_TRUE(s.withTint());
        }
    }
    EXPECT_EQ(installed.count(), 0);
    EXPECT_EQ(saved.count(), 0);

    // The report stays until dismissed, a good file or a clear.
    s.openFile(good);
    settle(s);
    EXPECT_FALSE(s.intakeFailure());
    s.openFile(text.fileName());
    settle(s);
    ASSERT_TRUE(s.intakeFailure());
    s.clearImage();
    EXPECT_FALSE(s.intakeFailure());
}

TEST_F(ImageIntake, FailedDropKeepsThePreviousImage) {
    const QString good = writePicture(QStringLiteral("good.png"), 1024, Qt::red);
    ContentViewState &s = state();
    s.handleDrop(fileDrop({good}).get());
    settle(s);
    EXPECT_TRUE(s.handleDrop(fileDrop({path(QStringLiteral("missing.png"))}).get()));
    settle(s);
    EXPECT_EQ(s.imageUrl(), QUrl::fromLocalFile(good));
    EXPECT_EQ(centre(s.image()), qRgb(255, 0, 0));
    ASSERT_TRUE(s.intakeFailure());
    EXPECT_EQ(s.intakeFailure()->reason, QStringLiteral("no such file"));
}

TEST_F(ImageIntake, EmptyAndNonFileDropsAreAcceptedAndChangeNothing) {
    ContentViewState &s = state();
    QSignalSpy installed(&s, &ContentViewState::imageChanged);
    QMimeData empty;
    EXPECT_TRUE(s.handleDrop(&empty));
    EXPECT_TRUE(s.handleDrop(nullptr));
    settle(s);
    EXPECT_FALSE(s.intakeFailure());
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.com/icon.png"))});
    EXPECT_TRUE(s.handleDrop(&web));
    settle(s);
    EXPECT_EQ(installed.count(), 0);
    EXPECT_FALSE(s.somethingDropped());
    ASSERT_TRUE(s.intakeFailure());
    EXPECT_EQ(s.intakeFailure()->name(), QStringLiteral("https://example.com/icon.png"));
}

TEST_F(ImageIntake, DropDuringARunIsRefused) {
    const QString file = writePicture(QStringLiteral("a.png"), 1024);
    ContentViewState &s = state();
    s.setHasProgress(true);
    EXPECT_FALSE(s.handleDrop(fileDrop({file}).get()));
    s.openFile(file);
    settle(s);
    EXPECT_FALSE(s.somethingDropped());
    EXPECT_EQ(s.image()->bitmap(), placeholderImage().bitmap());
}

TEST_F(ImageIntake, LoadThatArrivesAfterARunStartedIsStillInstalled) {
    const QString file = writePicture(QStringLiteral("late.png"), 1024, Qt::red);
    ContentViewState &s = state({.chooseFolder = {}, .openFolder = {}, .successHold = std::chrono::hours(1)});
    s.setForMacos(false);
    s.setForIos(false);
    s.setForWatchos(false);
    s.setForFavicon(false);
    bool runningWhenInstalled = false;
    QObject::connect(&s, &ContentViewState::imageChanged, &s,
                     [&] { runningWhenInstalled = s.isProcessing(); });
    ASSERT_TRUE(s.handleDrop(fileDrop({file}).get()));
    // The load can only reach the main thread once this test returns to the event loop.
    s.startGeneration({QUrl::fromLocalFile(m_dir.path())});
    ASSERT_TRUE(s.isProcessing());
    ASSERT_TRUE(waitUntil([&s] { return s.somethingDropped(); }));
    EXPECT_TRUE(runningWhenInstalled);
    EXPECT_EQ(centre(s.image()), qRgb(255, 0, 0));
}

TEST_F(ImageIntake, SmallImageIsInstalledWithAnErrorVerdictAndStillPreviewed) {
    const QString file = writePicture(QStringLiteral("small.png"), 500, Qt::green);
    ContentViewState &s = state();
    s.setWithTint(true);
    settle(s);
    s.handleDrop(fileDrop({file}).get());
    ASSERT_TRUE(waitUntil([&s] { return s.somethingDropped(); }));
    ASSERT_TRUE(s.imageValidation());
    EXPECT_EQ(s.imageValidation()->type, ValidationType::Error);
    EXPECT_EQ(s.imageValidation()->message,
              QStringLiteral("Image is too small (500×500). Use at least 1024×1024 pixels"));
    settle(s);
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->pixelWidth(), 500);
}

TEST_F(ImageIntake, SecondDropReplacesTheFirstAndKeepsTheGrid) {
    const QString first = writePicture(QStringLiteral("a.png"), 1024, Qt::red);
    const QString second = writePicture(QStringLiteral("b.png"), 1024, Qt::blue);
    ContentViewState &s = state();
    s.handleDrop(fileDrop({first}).get());
    settle(s);
    s.toggleGridView();
    s.handleDrop(fileDrop({second}).get());
    ASSERT_TRUE(waitUntil([&s, &second] { return s.imageUrl() == QUrl::fromLocalFile(second); }));
    EXPECT_TRUE(s.showGridView());
    EXPECT_EQ(centre(s.processedPreviewImage()), qRgb(0, 0, 255));
}

TEST_F(ImageIntake, ClearWhileTheGridIsShownGoesBackToTheProcessedPlaceholder) {
    const QString file = writePicture(QStringLiteral("a.png"), 1024, Qt::red);
    ContentViewState &s = state();
    s.setWithPadding(true);
    s.handleDrop(fileDrop({file}).get());
    settle(s);
    s.toggleGridView();
    ASSERT_TRUE(s.showGridView());

    s.clearImage();
    EXPECT_FALSE(s.showGridView());
    EXPECT_FALSE(s.somethingDropped());
    EXPECT_FALSE(s.imageValidation());
    EXPECT_EQ(s.imageUrl(), QUrl::fromLocalFile(file)); // kept on purpose
    EXPECT_EQ(s.image()->bitmap(), placeholderImage().bitmap());
    // The image area never goes blank: the placeholder shows at once, processed when the job publishes.
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->bitmap(), placeholderImage().bitmap());
    EXPECT_TRUE(s.isPreviewing());
    settle(s);
    ASSERT_TRUE(s.processedPreviewImage());
    EXPECT_EQ(s.processedPreviewImage()->bitmap(),
              applyEffects(placeholderImage(), s.effectSettings()).bitmap());
}

TEST_F(ImageIntake, OpenFileTakesTheSameRoadAsADrop) {
    const QString file = writePicture(QStringLiteral("open.png"), 1024, Qt::red);
    ContentViewState &s = state();
    s.openFile(file);
    ASSERT_TRUE(waitUntil([&s] { return s.somethingDropped(); }));
    EXPECT_EQ(s.imageUrl(), QUrl::fromLocalFile(file));
}

TEST_F(ImageIntake, PadToSquareCentresTheSourceThenValidatesAndPreviewsIt) {
    const struct {
        QSize source;
        ValidationType verdict;
    } cases[] = {
        {{1200, 800}, ValidationType::Success},
        {{800, 1201}, ValidationType::Warning},
        {{900, 600}, ValidationType::Error}, // still too small: padding does not scale
    };
    ContentViewState &s = state();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source.width());
        QImage picture(c.source, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::red);
        const QString file = path(QStringLiteral("wide-%1.png").arg(c.source.width()));
        ASSERT_TRUE(picture.save(file));
        s.openFile(file);
        settle(s);
        ASSERT_TRUE(s.imageValidation());
        EXPECT_EQ(s.imageValidation()->type, ValidationType::Error);
        ASSERT_TRUE(s.canPadToSquare());

        s.padToSquare();
        settle(s);
        const int edge = std::max(c.source.width(), c.source.height());
        ASSERT_EQ(s.image()->bitmap().size(), QSize(edge, edge));
        EXPECT_EQ(s.imageValidation(), validateImage(*s.image()));
        EXPECT_EQ(s.imageValidation()->type, c.verdict);
        EXPECT_FALSE(s.canPadToSquare());
        EXPECT_EQ(s.imageUrl(), QUrl::fromLocalFile(file));
        EXPECT_EQ(centre(s.image()), qRgb(255, 0, 0));
        EXPECT_EQ(qAlpha(s.image()->bitmap().pixel(0, 0)), 0);
        ASSERT_TRUE(s.processedPreviewImage());
        EXPECT_EQ(s.processedPreviewImage()->bitmap().size(), QSize(edge, edge));
    }
}

TEST_F(ImageIntake, PadToSquareIsOfferedOnlyForADroppedImageThatIsNotSquare) {
    ContentViewState &s = state();
    EXPECT_FALSE(s.canPadToSquare()); // the placeholder
    s.acceptImage(QUrl(), Image(filled(1024, Qt::red)));
    EXPECT_FALSE(s.canPadToSquare());
    s.acceptImage(QUrl(), Image(QImage(16384, 2, QImage::Format_ARGB32_Premultiplied)));
    EXPECT_FALSE(s.canPadToSquare()); // the square would pass the source limit
    const Image wide(QImage(1200, 800, QImage::Format_ARGB32_Premultiplied));
    s.acceptImage(QUrl(), wide);
    EXPECT_TRUE(s.canPadToSquare());
    // Not while icons are written, and a newer image wins over a padding on its way.
    s.setHasProgress(true);
    s.padToSquare();
    settle(s);
    EXPECT_EQ(s.image()->bitmap().size(), QSize(1200, 800));
    s.setHasProgress(false);
    s.padToSquare();
    s.acceptImage(QUrl(), Image(filled(1024, Qt::blue)));
    settle(s);
    EXPECT_EQ(centre(s.image()), qRgb(0, 0, 255));
}

TEST_F(ImageIntake, DestroyingTheStateWhileALoadRunsIsSafe) {
    const QString file = writePicture(QStringLiteral("a.png"), 2048);
    for (int i = 0; i < 5; ++i) {
        ContentViewState s(store());
        s.handleDrop(fileDrop({file}).get());
        s.setPaddingPx(10.0 + i);
    }
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST_F(ImageIntake, GenerateAsksForAnImageUntilOneWasDropped) {
    const QString file = writePicture(QStringLiteral("a.png"), 1024);
    ContentViewState &s = state();
    s.generatePressed();
    EXPECT_TRUE(s.showNoImageAlert());
    EXPECT_FALSE(s.showingPlatformSheet());
    s.setShowNoImageAlert(false);
    s.handleDrop(fileDrop({file}).get());
    ASSERT_TRUE(waitUntil([&s] { return s.somethingDropped(); }));
    s.generatePressed();
    EXPECT_TRUE(s.showingPlatformSheet());
    EXPECT_FALSE(s.showNoImageAlert());
}

// The intake alone: a load only reports what it read; accepting installs and validates.
TEST_F(ImageIntake, ThePartReportsALoadAndInstallsOnlyWhatItIsGiven) {
    const QString good = writePicture(QStringLiteral("good.png"), 600, Qt::red);
    glyphon::ImageIntake intake;
    QList<QUrl> loaded;
    QStringList refused;
    QObject::connect(&intake, &glyphon::ImageIntake::loaded, &intake,
                     [&](const QUrl &url, const Image &image) {
                         loaded << url;
                         intake.accept(url, image);
                     });
    QObject::connect(&intake, &glyphon::ImageIntake::loadFailed, &intake,
                     [&](const QUrl &, const QString &reason) { refused << reason; });
    EXPECT_EQ(intake.image()->bitmap(), placeholderImage().bitmap());

    intake.load(QUrl::fromLocalFile(path(QStringLiteral("missing.png"))));
    intake.load(QUrl(QStringLiteral("https://example.com/icon.png")));
    intake.load(QUrl::fromLocalFile(good));
    ASSERT_TRUE(waitUntil([&] { return refused.size() == 2 && !loaded.isEmpty(); }));
    EXPECT_EQ(refused, (QStringList{QStringLiteral("only files on this computer can be opened"),
                                    QStringLiteral("no such file")}));
    EXPECT_FALSE(intake.intakeFailure()); // reporting is not refusing
    EXPECT_TRUE(intake.somethingDropped());
    EXPECT_EQ(intake.imageUrl(), QUrl::fromLocalFile(good));
    ASSERT_TRUE(intake.imageValidation());
    EXPECT_EQ(intake.imageValidation()->type, ValidationType::Error);

    intake.refuse(QUrl::fromLocalFile(good), QStringLiteral("why"));
    EXPECT_EQ(intake.intakeFailure(), (IntakeFailure{QUrl::fromLocalFile(good), QStringLiteral("why")}));
    EXPECT_EQ(centre(intake.image()), qRgb(255, 0, 0));
}

TEST_F(ImageIntake, AVectorImageHandsItsCleanedSvgToTheRun) {
    const QString vector = path(QStringLiteral("Snow Peak.svg"));
    ASSERT_TRUE(QFile::copy(dataPath(QStringLiteral("mountain.svg")), vector));
    ContentViewState &s = state();
    EXPECT_TRUE(s.handleDrop(fileDrop({vector}).get()));
    ASSERT_TRUE(waitUntil([&s, &vector] { return s.imageUrl() == QUrl::fromLocalFile(vector); }));
    const GenerationInputs inputs = s.generationInputs();
    EXPECT_EQ(inputs.svgSource, svgSourceText(vector));
    EXPECT_TRUE(inputs.svgSource.startsWith("<svg"));
    EXPECT_EQ(inputs.appName, QStringLiteral("Snow Peak"));
    EXPECT_EQ(inputs.iconName, QStringLiteral("snow-peak"));

    const QString bitmap = writePicture(QStringLiteral("red.png"), 1024);
    EXPECT_TRUE(s.handleDrop(fileDrop({bitmap}).get()));
    ASSERT_TRUE(waitUntil([&s, &bitmap] { return s.imageUrl() == QUrl::fromLocalFile(bitmap); }));
    EXPECT_TRUE(s.generationInputs().svgSource.isEmpty());
}

} // namespace
} // namespace glyphon::test
