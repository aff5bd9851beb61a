#include "imaging/Effects.h"
#include "imaging/IcnsEncoder.h"
#include "imaging/IcoEncoder.h"
#include "imaging/PngEncoder.h"
#include "imaging/Renderer.h"
#include "imaging/Resampler.h"
#include "imaging/Variants.h"

#include "preview/AppearanceSheet.h"
#include "writers/Generation.h"
#include "writers/RenderJobs.h"
#include "writers/SetWriter.h"

#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>

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

// The pictures of one container, resized from the 1024 picture outside the timing.
QList<QImage> containerPictures(std::initializer_list<int> edges, bool photo) {
    QList<QImage> pictures;
    for (const int edge : edges)
        pictures.append(resample(picture(1024, photo), edge, edge));
    return pictures;
}

// A macOS .icns of all seven edges: three run-length elements, seven PNGs of five pictures.
void EncodeIcns(benchmark::State &state) {
    const QList<QImage> pictures = containerPictures({16, 32, 64, 128, 256, 512, 1024}, state.range(0) != 0);
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = encodeIcns(pictures)->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["icns_bytes"] = double(bytes);
}
BENCHMARK(EncodeIcns)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A Windows .ico of six entries, the 256-pixel one a PNG.
void EncodeIcoEntries(benchmark::State &state) {
    const QList<QImage> pictures = containerPictures({16, 24, 32, 48, 64, 256}, state.range(0) != 0);
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = encodeIcoEntries(pictures)->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["ico_bytes"] = double(bytes);
}
BENCHMARK(EncodeIcoEntries)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

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

// The Android adaptive target alone: layers, legacy icons and the store icon of every density, written.
// Flat art is inset over the colour; the photograph is opaque, so it takes the full-bleed road.
void AndroidAdaptiveTarget(benchmark::State &state) {
    GenerationInputs inputs;
    inputs.source = Image(picture(int(state.range(0)), state.range(1) != 0));
    QTemporaryDir dir;
    // A fresh run each time: a run keeps its renders and encodes, so a second write would cost only its
    // files.
    for (auto _ : state) {
        const Generation generation(inputs);
        writeTarget(Platform::AndroidAdaptive, generation, dir.path(), [](const Error &) {});
    }
}
BENCHMARK(AndroidAdaptiveTarget)
    ->ArgsProduct({{1024, 4096}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// User and system time of every thread of the process: on a machine shared with other work the wall time
// of a run spread over the cores says little, its CPU time still compares.
double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// One run of the platforms as the command line and the window make it: a fresh Generation, so every
// picture the targets share is made within the run, and the targets written side by side.
void writeRun(benchmark::State &state, const QList<Platform> &platforms) {
    GenerationInputs inputs;
    inputs.source = Image(picture(int(state.range(0)), state.range(1) != 0));
    QTemporaryDir dir;
    const double cpuBefore = processCpuMs();
    for (auto _ : state) {
        const Generation generation(inputs);
        writeTargets(platforms, generation, dir.path(), {}, [](const Error &) {});
    }
    state.counters["cpu_ms"] =
        benchmark::Counter(processCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
}

// The five sets a run writes by default, the yardstick for the newer targets.
void FiveSets(benchmark::State &state) {
    writeRun(state, {Platform::MacOS, Platform::IOS, Platform::WatchOS, Platform::Android, Platform::Web});
}
BENCHMARK(FiveSets)->ArgsProduct({{1024}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The single-size iOS and watchOS sets and the Icon Composer document together: seven 1024 files, five
// of them distinct.
void NewAppleTargets(benchmark::State &state) {
    writeRun(state, {Platform::IOSSingle, Platform::WatchOSSingle, Platform::IconComposer});
}
BENCHMARK(NewAppleTargets)->ArgsProduct({{1024, 4096}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The macOS .icns: the picture on the grid at seven edges, ten images in thirteen elements.
void MacosIcnsTarget(benchmark::State &state) {
    writeRun(state, {Platform::MacOSIcns});
}
BENCHMARK(MacosIcnsTarget)->ArgsProduct({{1024, 4096}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// Every newer Apple target in one run, held against the five sets.
void AllNewAppleTargets(benchmark::State &state) {
    writeRun(state,
             {Platform::IOSSingle, Platform::WatchOSSingle, Platform::IconComposer, Platform::MacOSIcns});
}
BENCHMARK(AllNewAppleTargets)->ArgsProduct({{1024}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The complete selection, the five sets and every newer target, held against the five sets alone.
void EveryTarget(benchmark::State &state) {
    writeRun(state,
             {Platform::MacOS, Platform::IOS, Platform::WatchOS, Platform::Android, Platform::Web,
              Platform::IOSSingle, Platform::WatchOSSingle, Platform::IconComposer, Platform::MacOSIcns,
              Platform::AndroidAdaptive, Platform::WebModern, Platform::Windows, Platform::Linux});
}
BENCHMARK(EveryTarget)->ArgsProduct({{1024}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// A selection held against the five sets in the same process and the same minutes: each iteration
// writes the five sets alone, then the five sets with the newer targets, each a fresh run, so a change of
// the machine's load falls on both. Reports each side's wall and CPU time and their ratios, the figures
// the newer targets are judged by. Argument 0: every newer Apple target; 1: every newer target.
void AgainstFiveSets(benchmark::State &state) {
    const QList<Platform> five{Platform::MacOS, Platform::IOS, Platform::WatchOS, Platform::Android,
                               Platform::Web};
    QList<Platform> more = five;
    if (state.range(0) == 0)
        more << Platform::IOSSingle << Platform::WatchOSSingle << Platform::IconComposer
             << Platform::MacOSIcns;
    else
        more << Platform::IOSSingle << Platform::WatchOSSingle << Platform::IconComposer
             << Platform::MacOSIcns << Platform::AndroidAdaptive << Platform::WebModern << Platform::Windows
             << Platform::Linux;
    GenerationInputs inputs;
    inputs.source = Image(picture(1024, state.range(1) != 0));
    QTemporaryDir dir;
    double fiveWall = 0, fiveCpu = 0, moreWall = 0, moreCpu = 0;
    const auto run = [&](const QList<Platform> &platforms, double &wall, double &cpu) {
        const double cpuBefore = processCpuMs();
        const auto start = std::chrono::steady_clock::now();
        const Generation generation(inputs);
        writeTargets(platforms, generation, dir.path(), {}, [](const Error &) {});
        wall += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        cpu += processCpuMs() - cpuBefore;
    };
    for (auto _ : state) {
        run(five, fiveWall, fiveCpu);
        run(more, moreWall, moreCpu);
    }
    const double n = double(state.iterations());
    state.counters["five_ms"] = fiveWall / n;
    state.counters["with_ms"] = moreWall / n;
    state.counters["wall_ratio"] = moreWall / fiveWall;
    state.counters["cpu_ratio"] = moreCpu / fiveCpu;
}
BENCHMARK(AgainstFiveSets)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(3);

// The Windows .ico: five bitmaps and a 256-pixel PNG.
void WindowsIconTarget(benchmark::State &state) {
    writeRun(state, {Platform::Windows});
}
BENCHMARK(WindowsIconTarget)
    ->ArgsProduct({{1024, 4096}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One newer target written to disk the way a run writes it: a fresh generation, so any effect is applied
// inside the timing too.
void writeNewTarget(benchmark::State &state, Platform platform) {
    GenerationInputs inputs;
    inputs.source = Image(picture(int(state.range(0)), false));
    inputs.effects.withRoundedCorners = inputs.effects.withPadding = inputs.effects.withTint =
        state.range(1) != 0;
    QTemporaryDir dir;
    for (auto _ : state) {
        const Generation generation(inputs);
        benchmark::DoNotOptimize(writeTarget(platform, generation, dir.path(), [](const Error &) {}));
    }
}

// favicon.ico of three entries, the touch icon, 192, 512 and the maskable 512, the manifest and head.html.
void WebModernSet(benchmark::State &state) {
    writeNewTarget(state, Platform::WebModern);
}
BENCHMARK(WebModernSet)->ArgsProduct({{1024, 4096}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The eight hicolor sizes.
void LinuxThemeSet(benchmark::State &state) {
    writeNewTarget(state, Platform::Linux);
}
BENCHMARK(LinuxThemeSet)->ArgsProduct({{1024, 4096}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// Measuring the art's reach and rendering it into the safe circle at 512.
void Maskable(benchmark::State &state) {
    const Image art(picture(int(state.range(0)), false));
    for (auto _ : state)
        benchmark::DoNotOptimize(maskableVariant(art, Color{1.0, 1.0, 1.0, 1.0}, 512));
}
BENCHMARK(Maskable)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

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
