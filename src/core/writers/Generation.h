#pragma once

#include "FailureSink.h"
#include "OutputSets.h"
#include "imaging/Color.h"
#include "imaging/Effects.h"
#include "imaging/Image.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace glyphon {

class AppleArtwork;
struct SharedWork;

// How far the art sits from each edge of the 108 dp Android adaptive layers, in dp. 21 leaves it 66 dp
// across, the part no launcher's mask ever cuts; 42 leaves 24 dp, the size of a system icon, below which
// a launcher icon stops reading as one.
inline constexpr double defaultAndroidInsetDp = 21.0;
inline constexpr double maxAndroidInsetDp = 42.0;

// Everything a run is made from besides the platforms and the folder.
struct GenerationInputs {
    // The source as loaded (and padded to a square if asked), before any effect.
    Image source;
    EffectSettings effects;
    // Fills what is transparent in every output that must be opaque.
    Color background = defaultBackground;
    // Hand-made pictures that replace the ones derived from the source.
    std::optional<Image> darkSource;
    std::optional<Image> tintedSource;
    std::optional<Image> monochromeSource;
    // The name people see (web manifest) and the one files are named after (Linux icon theme); both are
    // checked before a run starts.
    QString appName = QStringLiteral("App");
    QString iconName = QStringLiteral("app");
    // The SVG text of a vector source, as cleaned on loading; empty for a bitmap source.
    QByteArray svgSource;
    // The art's inset in the Android adaptive layers, 0 … maxAndroidInsetDp.
    double androidInsetDp = defaultAndroidInsetDp;
    // Puts a hash of each web icon's bytes into its file name, so installed web apps notice a new icon.
    bool hashNames = false;
};

// The inputs of one run and the pictures derived from them, each made once on first use (from any thread)
// and shared by every target that needs it.
class Generation {
public:
    explicit Generation(GenerationInputs inputs);
    ~Generation();
    Generation(const Generation &) = delete;
    Generation &operator=(const Generation &) = delete;

    const GenerationInputs &inputs() const { return m_inputs; }
    // The source with every effect applied: what the classic sets are cut from.
    const Image &processed() const;
    // The 1024 files of the single-size Apple sets and the Icon Composer document.
    const AppleArtwork &appleArtwork() const;
    // The renders and encodes the targets of this run share; written to from any thread.
    SharedWork &shared() const;
    // The source with only the effects that apply where a platform cuts its own shape or margin (the
    // padding, the corners or both left out). The processed picture itself when that leaves every effect
    // that is on, so the targets that take it share renders with the classic sets; each other picture is
    // made once per run.
    Image processedWithout(bool roundedCorners, bool padding) const;

private:
    struct Cache;
    GenerationInputs m_inputs;
    std::unique_ptr<Cache> m_cache;
};

// Writes one target below outputFolder; each failure goes to the sink as it happens and into the report.
WriteReport writeTarget(Platform platform, const Generation &generation, const QString &outputFolder,
                        const FailureSink &sink = printFailure);

// Writes the targets side by side, each as writeTarget does. On the calling thread and in the order of
// `platforms`, as soon as a target and every one before it are written, its failures go to the sink and
// its report to `written`: the same lines in the same order as one target after another.
void writeTargets(const QList<Platform> &platforms, const Generation &generation, const QString &outputFolder,
                  const std::function<void(Platform, const WriteReport &)> &written,
                  const FailureSink &sink = printFailure);

// The folder below the output folder that holds everything the target writes.
QString targetFolder(Platform platform);

// Whether the name can become a file name on every system the files may be copied to: letters, digits,
// '.', '-' and '_', not starting with '.' or '-', at most 64 characters.
bool isSafeFileName(const QString &name);

} // namespace glyphon
