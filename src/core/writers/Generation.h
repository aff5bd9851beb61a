#pragma once

#include "FailureSink.h"
#include "OutputSets.h"
#include "imaging/Color.h"
#include "imaging/Effects.h"
#include "imaging/Image.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace glyphon {

// The background the opaque outputs are filled with and the Icon Composer fill, unless chosen otherwise.
inline constexpr Color defaultBackground{1.0, 1.0, 1.0, 1.0};

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

private:
    struct Cache;
    GenerationInputs m_inputs;
    std::unique_ptr<Cache> m_cache;
};

// Writes one target below outputFolder; each failure goes to the sink as it happens and into the report.
WriteReport writeTarget(Platform platform, const Generation &generation, const QString &outputFolder,
                        const FailureSink &sink = printFailure);

// Whether the name can become a file name on every system the files may be copied to: letters, digits,
// '.', '-' and '_', not starting with '.' or '-', at most 64 characters.
bool isSafeFileName(const QString &name);

} // namespace glyphon
