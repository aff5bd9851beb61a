#include "AndroidIconWriter.h"

#include "FileOps.h"
#include "RenderJobs.h"

#include <QDir>
#include <array>

namespace glyphon {

namespace {

struct Density {
    const char16_t *folder;
    int edge;
};

// Largest first: when a density folder cannot be made, the sizes that matter most are already out.
constexpr std::array<Density, 5> densities = {{
    {u"mipmap-xxxhdpi", 192},
    {u"mipmap-xxhdpi", 144},
    {u"mipmap-xhdpi", 96},
    {u"mipmap-hdpi", 72},
    {u"mipmap-mdpi", 48},
}};

} // namespace

int writeAndroidIcons(const Image &image, const QString &outputFolder, const FailureSink &sink,
                      int *written) {
    FailureCounter fail(sink, written);

    const QDir android(QDir(outputFolder).filePath(QStringLiteral("Android")));
    QString error;
    if (!makeFolder(android.path(), &error)) {
        fail(error);
        return fail.count();
    }

    QList<int> edges;
    for (const Density &density : densities)
        edges.append(density.edge);
    const QList<QByteArray> pngs = renderPngs(image, edges);

    for (qsizetype i = 0; i < qsizetype(densities.size()); ++i) {
        const QString folder = android.filePath(QString::fromUtf16(densities[i].folder));
        if (!makeFolder(folder, &error)) {
            fail(error);
            return fail.count();
        }
        if (pngs.at(i).isEmpty())
            continue;
        fail.tally(writeFile(QDir(folder).filePath(QStringLiteral("ic_launcher.png")), pngs.at(i), &error),
                   error);
    }
    return fail.count();
}

} // namespace glyphon
