#include "AssetCatalogWriter.h"

#include "FileOps.h"
#include "RenderJobs.h"
#include "catalog/FormatCatalog.h"

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
                      const FailureSink &sink, int *written) {
    FailureCounter fail(sink, written);

    const QString setFolder =
        QDir(outputFolder).filePath(platformKey + QStringLiteral("/AppIcon.appiconset"));
    QString error;
    if (!makeFolder(setFolder, &error)) {
        fail(error);
        return fail.count();
    }

    struct Slot {
        std::shared_ptr<const Format> format;
        qint64 scale;
        int pixels;
    };
    QList<Slot> slotList;
    QList<int> edges;
    for (const auto &format : formatsFor(platformKey)) {
        for (const qint64 scale : format->scales) {
            slotList.append({format, scale, pixelEdge(format->size, scale)});
            edges.append(slotList.last().pixels);
        }
    }
    // Coinciding edges are rendered again per slot, so every entry's file is its own render.
    const QList<QByteArray> pngs = renderPngs(image, edges);

    QJsonArray images;
    for (qsizetype i = 0; i < slotList.size(); ++i) {
        const Slot &slot = slotList.at(i);
        const QString fileName = QString::number(slot.pixels) + QStringLiteral(".png");
        if (!pngs.at(i).isEmpty())
            fail.tally(writeFile(QDir(setFolder).filePath(fileName), pngs.at(i), &error), error);
        QJsonObject entry;
        entry.insert(QStringLiteral("filename"), fileName);
        entry.insert(QStringLiteral("idiom"), slot.format->idiom);
        if (!slot.format->platform.isEmpty())
            entry.insert(QStringLiteral("platform"), slot.format->platform);
        if (!(slot.scale == 1 && slot.pixels == 1024))
            entry.insert(QStringLiteral("scale"), QString::number(slot.scale) + u'x');
        entry.insert(QStringLiteral("size"), sizeText(slot.format->size));
        images.append(entry);
    }

    QJsonObject root;
    root.insert(QStringLiteral("images"), images);
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    fail.tally(writeFile(QDir(setFolder).filePath(QStringLiteral("Contents.json")), json, &error), error);
    return fail.count();
}

} // namespace glyphon
