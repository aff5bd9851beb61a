#pragma once

class QMessageBox;
class QWidget;

namespace glyphon {

// "About Glyphon": the name, the running version and the licence line. Opens without blocking and deletes
// itself when closed.
QMessageBox *showAboutBox(QWidget *parent);

} // namespace glyphon
