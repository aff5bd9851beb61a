#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace glyphon {

class ContentViewState;

// "Images (…)" with the formats a source can really be read from, then "All files (*)". Cursors,
// one-bit bitmaps (XBM, PBM, WBMP), XPM and animated MNG are left out: readable, but no icon starts there.
QStringList imageNameFilters();

// Where the dialog opens: the last image's folder while it still exists, else Pictures, else home.
QString imageDialogFolder(const QString &lastImageFolder);

// "Open Image": a window-modal file dialog over parent, in the last image's folder. The chosen file is
// taken in as if dropped, and its folder is remembered even if it turns out unreadable.
QFileDialog *openImageDialog(QWidget *parent, ContentViewState &state);

} // namespace glyphon
