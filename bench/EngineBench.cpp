#include "imaging/Renderer.h"
#include "writers/IconSets.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace glyphon;

namespace {

Image sampleAt(int edge) {
    static const QImage original(QStringLiteral(GLYPHON_SOURCE_DIR "/resources/samples/apple-1024.png"));
    return Image(original.scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void AppleSets(benchmark::State &state) {
    const Image source = sampleAt(int(state.range(0)));
    QTemporaryDir dir;
    for (auto _ : state) {
        for (Platform p : {Platform::macOS, Platform::iOS, Platform::watchOS})
            writePlatform(p, source, dir.path(), [](const QString &) {});
    }
}
BENCHMARK(AppleSets)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

void ResizeAndEncode(benchmark::State &state) {
    const Image source = sampleAt(1024);
    const int edge = int(state.range(0));
    qint64 bytes = 0;
    for (auto _ : state) {
        const auto icon = resizeImage(source, edge, edge);
        bytes = pngData(*icon).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["png_bytes"] = double(bytes);
}
BENCHMARK(ResizeAndEncode)->Arg(16)->Arg(64)->Arg(180)->Arg(512)->Arg(1024)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
