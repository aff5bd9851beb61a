#include "imaging/Effects.h"
#include "imaging/PngEncoder.h"
#include "imaging/Renderer.h"
#include "imaging/Resampler.h"
#include "preview/AppearanceSheet.h"
#include "writers/Generation.h"
#include "writers/RenderJobs.h"
#include "writers/SetWriter.h"

#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace glyphon;

namespace {

// The bundled flat art, or a photograph when GLYPHON_BENCH_PHOTO names one, at the given edge.
const QImage &picture(int edge, bool photo) {
    static std::map<std::pair<int, bool>, QImage> cache;
    auto &slot = cache[{edge, photo}];
    if (slot.isNull()) {
        const QString path = photo ? qEnvironmentVariable("GLYPHON_BENCH_PHOTO")
                                   : QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples/apple-1024.png");
        QImage original(path);
        if (original.isNull())
            original = QImage(QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples/apple-1024.png"));
        slot = original.scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return slot;
}

void Resize(benchmark::State &state) {
    const QImage &source = picture(int(state.range(0)), false);
    const int edge = int(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(resample(source, edge, edge));
}
BENCHMARK(Resize)
    ->ArgsProduct({{1024}, {16, 57, 180, 512, 1024}})
    ->Args({4096, 1024})
    ->Args({4096, 16})
    ->Args({512, 1024})
    ->Args({1025, 1024})
    ->Args({4097, 1024})
    ->Unit(benchmark::kMicrosecond);

// One render from shared box-reduced levels, as the writers do it.
void ResizeFromLevels(benchmark::State &state) {
    SourceLevels levels(picture(int(state.range(0)), false));
    const int edge = int(state.range(1));
    levels.prepare({QSize(edge, edge)});
    for (auto _ : state)
        benchmark::DoNotOptimize(levels.render(edge, edge));
}
BENCHMARK(ResizeFromLevels)->ArgsProduct({{1024}, {16, 57, 180, 512}})->Unit(benchmark::kMicrosecond);

void QtSmoothScale(benchmark::State &state) {
    const QImage &source = picture(int(state.range(0)), false);
    const int edge = int(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(source.scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
BENCHMARK(QtSmoothScale)->ArgsProduct({{1024}, {16, 180, 512}})->Unit(benchmark::kMicrosecond);

void Encode(benchmark::State &state) {
    const QImage &image = picture(int(state.range(0)), state.range(1) != 0);
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = encodePng(image)->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["png_bytes"] = double(bytes);
}
BENCHMARK(Encode)->ArgsProduct({{64, 180, 1024}, {0, 1}})->Unit(benchmark::kMicrosecond);

// Every render and encode of one set, without the file writes.
void RenderSet(benchmark::State &state) {
    const Image source(picture(int(state.range(0)), state.range(1) != 0));
    QList<RenderJob> ios;
    for (const int edge :
         {40, 60, 58, 87, 76, 114, 80, 120, 120, 180, 128, 192, 136, 204, 152, 228, 167, 250, 1024})
        ios.append({edge, IconEncoding::Png});
    for (auto _ : state)
        benchmark::DoNotOptimize(renderIcons(source, ios));
}
// 4097: an odd edge, whose reductions end in partial boxes.
BENCHMARK(RenderSet)->ArgsProduct({{1024, 4096, 4097}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

void AllSets(benchmark::State &state) {
    const Image source(picture(int(state.range(0)), state.range(1) != 0));
    QTemporaryDir dir;
    for (auto _ : state)
        for (const Platform platform : allPlatforms)
            writePlatform(platform, source, dir.path(), [](const Error &) {});
}
BENCHMARK(AllSets)->ArgsProduct({{1024, 4096}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The three Apple sets (49 renders) written to disk, as the first command-line release did.
void AppleSets(benchmark::State &state) {
    const Image source(picture(int(state.range(0)), false));
    QTemporaryDir dir;
    for (auto _ : state)
        for (const Platform platform : {Platform::MacOS, Platform::IOS, Platform::WatchOS})
            writePlatform(platform, source, dir.path(), [](const Error &) {});
}
BENCHMARK(AppleSets)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

// A whole generation with all three effects: the pipeline once, then every platform.
void AllSetsWithEffects(benchmark::State &state) {
    const Image source(picture(int(state.range(0)), false));
    EffectSettings settings;
    settings.withRoundedCorners = settings.withPadding = settings.withTint = true;
    QTemporaryDir dir;
    for (auto _ : state) {
        const Image processed = applyEffects(source, settings);
        for (const Platform platform : allPlatforms)
            writePlatform(platform, processed, dir.path(), [](const Error &) {});
    }
}
BENCHMARK(AllSetsWithEffects)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

void Effects(benchmark::State &state) {
    const Image source(picture(int(state.range(0)), false));
    EffectSettings settings;
    settings.withRoundedCorners = state.range(1) != 0;
    settings.withPadding = state.range(1) != 0;
    settings.withTint = true;
    settings.colorSelection = {0.9, 0.3, 0.1, 1.0};
    for (auto _ : state)
        benchmark::DoNotOptimize(applyEffects(source, settings));
}
// All three effects on 1024; the tint alone on 4096.
BENCHMARK(Effects)->Args({1024, 1})->Args({4096, 0})->Unit(benchmark::kMillisecond)->UseRealTime();

// Every tile of the Appearances view from the published preview picture, as the window renders them after
// a change: flat art and a photograph at 1024, flat art at 4096 (a source shown without effects).
void Appearances(benchmark::State &state) {
    AppearanceInputs inputs;
    inputs.art = Image(picture(int(state.range(0)), state.range(1) != 0));
    for (auto _ : state)
        benchmark::DoNotOptimize(renderAppearances(inputs));
}
BENCHMARK(Appearances)
    ->Args({1024, 0})
    ->Args({1024, 1})
    ->Args({4096, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// A settings change end to end from a 1024 source, as the window's job and the command make it: the source
// reduced, all three effects, then every tile with the safe zones.
void AppearancesAfterAChange(benchmark::State &state) {
    GenerationInputs inputs;
    inputs.source = Image(picture(1024, state.range(0) != 0));
    inputs.effects.withRoundedCorners = inputs.effects.withPadding = inputs.effects.withTint = true;
    AppearanceOptions options;
    options.safeZones = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(renderAppearances(appearanceInputs(inputs), options));
}
BENCHMARK(AppearancesAfterAChange)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
