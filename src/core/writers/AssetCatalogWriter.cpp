#include "AssetCatalogWriter.h"

#include "FileOps.h"
#include "catalog/FormatCatalog.h"
#include "imaging/Renderer.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

int writeAssetCatalog(const Image &image, const QString &platformKey, const QString &outputFolder,
                      const FailureSink &sink) {
    int failures = 0;
    const auto fail = [&](const QString &description) {
        ++failures;
        sink(description);
    };

    const QString setFolder =
        QDir(outputFolder).filePath(platformKey + QStringLiteral("/AppIcon.appiconset"));
    QString error;
    if (!makeFolder(setFolder, &error)) {
        fail(error);
        return failures;
    }

    QJsonArray images;
    for (const auto &format : formatsFor(platformKey)) {
        for (const qint64 scale : format->scales) {
            const int pixels = pixelEdge(format->size, scale);
            const QString fileName = QString::number(pixels) + QStringLiteral(".png");
            // Coinciding edges are rendered again per slot, so every entry's file is its own render.
            if (const auto icon = resizeImage(image, pixels, pixels)) {
                if (!writeFile(QDir(setFolder).filePath(fileName), pngData(*icon), &error))
                    fail(error);
            }
            QJsonObject entry;
            entry.insert(QStringLiteral("filename"), fileName);
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
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (!writeFile(QDir(setFolder).filePath(QStringLiteral("Contents.json")), json, &error))
        fail(error);
    return failures;
}

} // namespace glyphon
