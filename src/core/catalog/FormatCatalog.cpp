#include "FormatCatalog.h"

#include <cmath>

namespace glyphon {

namespace {

FormatList platformList(const QString &idiom, const QString &platform, std::initializer_list<float> sizes,
                        const QList<qint64> &scales, const QList<qint64> &lastScales) {
    FormatList list;
    const float *last = sizes.end() - 1;
    for (const float *size = sizes.begin(); size != sizes.end(); ++size)
        list.append(
            std::make_shared<const Format>(idiom, platform, *size, size == last ? lastScales : scales));
    return list;
}

QMap<QString, FormatList> buildCatalog() {
    QMap<QString, FormatList> catalog;
    catalog.insert(QStringLiteral("macOS"),
                   platformList(QStringLiteral("mac"), QString(), {16, 32, 128, 256, 512}, {1, 2}, {1, 2}));
    catalog.insert(QStringLiteral("watchOS"),
                   platformList(QStringLiteral("universal"), QStringLiteral("watchos"),
                                {22, 24, 27.5f, 29, 30, 32, 33,  40,  43.5f, 44,
                                 46, 50, 51,    54, 86, 98, 108, 117, 129,   1024},
                                {2}, {1}));
    catalog.insert(QStringLiteral("iOS"),
                   platformList(QStringLiteral("universal"), QStringLiteral("ios"),
                                {20, 29, 38, 40, 60, 64, 68, 76, 83.5f, 1024}, {2, 3}, {1}));
    return catalog;
}

} // namespace

const QMap<QString, FormatList> &formatCatalog() {
    // A function-local static: C++ guarantees one construction even under concurrent first use.
    static const QMap<QString, FormatList> catalog = buildCatalog();
    return catalog;
}

const FormatList &formatsFor(const QString &platformKey) {
    static const FormatList none;
    const auto &catalog = formatCatalog();
    const auto it = catalog.constFind(platformKey);
    return it == catalog.cend() ? none : *it;
}

int pixelEdge(float size, qint64 scale) {
    const float product = float(scale) * size;
    return int(std::trunc(product));
}

} // namespace glyphon
