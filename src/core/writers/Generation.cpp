#include "Generation.h"

#include "AppleArtwork.h"
#include "NewTargets.h"
#include "RenderJobs.h"
#include "SetWriter.h"
#include "imaging/ParallelFor.h"

#include <QRegularExpression>
#include <map>
#include <mutex>
#include <vector>

namespace glyphon {

struct Generation::Cache {
    std::once_flag processedOnce;
    Image processed;
    std::once_flag appleOnce;
    std::unique_ptr<AppleArtwork> apple;
    SharedWork shared;
    // The pictures with some effects left out, one per combination of the effects kept, so the targets
    // that ask for the same one share it (and its renders).
    std::mutex partlyMutex;
    std::map<std::pair<bool, bool>, Image> partly;
};

Generation::Generation(GenerationInputs inputs)
    : m_inputs(std::move(inputs)), m_cache(std::make_unique<Cache>()) {}

Generation::~Generation() = default;

const Image &Generation::processed() const {
    std::call_once(m_cache->processedOnce,
                   [this] { m_cache->processed = applyEffects(m_inputs.source, m_inputs.effects); });
    return m_cache->processed;
}

const AppleArtwork &Generation::appleArtwork() const {
    std::call_once(m_cache->appleOnce, [this] {
        m_cache->apple = std::make_unique<AppleArtwork>(m_inputs, &m_cache->shared.pngs);
    });
    return *m_cache->apple;
}

SharedWork &Generation::shared() const {
    return m_cache->shared;
}

Image Generation::processedWithout(bool roundedCorners, bool padding) const {
    EffectSettings effects = m_inputs.effects;
    const bool drops = (roundedCorners && effects.withRoundedCorners) || (padding && effects.withPadding);
    if (!drops)
        return processed();
    effects.withRoundedCorners = effects.withRoundedCorners && !roundedCorners;
    effects.withPadding = effects.withPadding && !padding;
    const std::lock_guard lock(m_cache->partlyMutex);
    Image &made = m_cache->partly[{effects.withRoundedCorners, effects.withPadding}];
    if (made.isNull())
        made = applyEffects(m_inputs.source, effects);
    return made;
}

void writeTargets(const QList<Platform> &platforms, const Generation &generation, const QString &outputFolder,
                  const std::function<void(Platform, const WriteReport &)> &written,
                  const FailureSink &sink) {
    std::vector<WriteReport> reports(size_t(platforms.size()));
    sideBySide(
        int(platforms.size()),
        [&](int i) {
            reports[size_t(i)] = writeTarget(platforms.at(i), generation, outputFolder, [](const Error &) {});
        },
        [&](int i) {
            for (const Error &failure : reports[size_t(i)].failures)
                sink(failure);
            if (written)
                written(platforms.at(i), reports[size_t(i)]);
        },
        longestFirst(platforms));
}

WriteReport writeTarget(Platform platform, const Generation &generation, const QString &outputFolder,
                        const FailureSink &sink) {
    if (isClassicSet(platform))
        return writePlatform(platform, generation.processed(), outputFolder, sink,
                             generation.inputs().background, &generation.shared());
    switch (platform) {
    case Platform::IOSSingle:
        return writeIosSingle(generation, outputFolder, sink);
    case Platform::WatchOSSingle:
        return writeWatchosSingle(generation, outputFolder, sink);
    case Platform::IconComposer:
        return writeIconComposer(generation, outputFolder, sink);
    case Platform::MacOSIcns:
        return writeMacosIcns(generation, outputFolder, sink);
    case Platform::AndroidAdaptive:
        return writeAndroidAdaptive(generation, outputFolder, sink);
    case Platform::WebModern:
        return writeWebModern(generation, outputFolder, sink);
    case Platform::Windows:
        return writeWindows(generation, outputFolder, sink);
    case Platform::Linux:
        return writeLinux(generation, outputFolder, sink);
    default:
        break;
    }
    return {};
}

QString targetFolder(Platform platform) {
    if (isClassicSet(platform))
        return outputSet(platform).folder.section(u'/', 0, 0);
    switch (platform) {
    case Platform::IOSSingle:
        return QStringLiteral("iOS-single");
    case Platform::WatchOSSingle:
        return QStringLiteral("watchOS-single");
    case Platform::IconComposer:
        return QStringLiteral("IconComposer");
    case Platform::MacOSIcns:
        return QStringLiteral("macOS-icns");
    case Platform::AndroidAdaptive:
        return QStringLiteral("Android-adaptive");
    case Platform::WebModern:
        return QStringLiteral("web-modern");
    case Platform::Windows:
        return QStringLiteral("Windows");
    case Platform::Linux:
        return QStringLiteral("Linux");
    default:
        break;
    }
    return {};
}

bool isSafeFileName(const QString &name) {
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9._-]{0,63}$"));
    return safe.match(name).hasMatch();
}

} // namespace glyphon
