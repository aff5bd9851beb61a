#include "AboutBox.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace glyphon {

QMessageBox *showAboutBox(QWidget *parent) {
    const QString name = QCoreApplication::applicationName();
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("About ") + name);
    box->setIconPixmap(QGuiApplication::windowIcon().pixmap(64, 64));
    box->setTextFormat(Qt::PlainText);
    box->setText(name);
    box->setInformativeText(
        QStringLiteral("Version %1\n\nIcon sets for macOS, iOS, watchOS, Android and the web from one "
                       "image.\n\n\u00a9 Glyphon. Proprietary software; all rights reserved.")
            .arg(QCoreApplication::applicationVersion()));
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
    return box;
}

} // namespace glyphon
