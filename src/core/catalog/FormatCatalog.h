#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <memory>

namespace glyphon {

// One icon slot of an Apple asset catalog; shared by reference, never changed after construction.
class Format {
public:
    Format(QString idiom, QString platform, float size, QList<qint64> scales)
        : idiom(std::move(idiom)), platform(std::move(platform)), size(size), scales(std::move(scales)) {}

    QString idiom;
    QString platform; // empty: the "platform" key is left out
    float size;       // points
    QList<qint64> scales;
};

using FormatList = QList<std::shared_ptr<const Format>>;

// "macOS", "watchOS" and "iOS" to their ordered slots; built once, thread-safe on first use.
const QMap<QString, FormatList> &formatCatalog();

// The slots of one platform key; an empty list for any other key.
const FormatList &formatsFor(const QString &platformKey);

// Pixel edge of a slot at a scale: computed in 32-bit float and truncated, so 83.5 × 3 gives 250.
int pixelEdge(float size, qint64 scale);

} // namespace glyphon
