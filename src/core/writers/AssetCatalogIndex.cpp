#include "AssetCatalogIndex.h"

#include "catalog/FormatCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <cmath>

namespace glyphon {

namespace {

// "16x16" for whole sizes, else the shortest decimal that reads back as the same float ("83.5x83.5").
QString sizeText(float size) {
    const QString number = std::round(size) == size
                               ? QString::number(qint64(std::trunc(size)))
                               : QString::number(size, 'g', QLocale::FloatingPointShortest);
    return number + u'x' + number;
}

} // namespace

QByteArray assetCatalogIndex(const QString &platformKey) {
    QJsonArray images;
    for (const auto &format : formatsFor(platformKey)) {
        for (const qint64 scale : format->scales) {
            const int pixels = pixelEdge(format->size, scale);
            QJsonObject entry;
            entry.insert(QStringLiteral("filename"), QString::number(pixels) + QStringLiteral(".png"));
            entry.insert(QStringLiteral("idiom"), format->idiom);
            if (!format->platform.isEmpty())
                entry.insert(QStringLiteral("platform"), format->platform);
            if (!(scale == 1 && pixels == 1024))
                entry.insert(QStringLiteral("scale"), QString::number(scale) + u'x');
            entry.insert(QStringLiteral("size"), sizeText(format->size));
            images.append(entry);
        }
    }
    QJsonObject root;
    root.insert(QStringLiteral("images"), images);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace glyphon
