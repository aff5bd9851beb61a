#pragma once

#include <QByteArray>
#include <QString>

namespace glyphon {

// The Contents.json of an asset catalog's icon set: one entry per slot of the platform key in the
// catalog, in catalog order, each naming its pixel edge's PNG.
QByteArray assetCatalogIndex(const QString &platformKey);

} // namespace glyphon
