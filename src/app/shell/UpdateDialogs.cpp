#include "UpdateDialogs.h"

#include "Updater.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace glyphon {

namespace {

QString appName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("App") : name;
}

QMessageBox *makeBox(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                     const QString &informative) {
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(icon);
    box->setWindowTitle(appName());
    box->setText(text);
    box->setInformativeText(informative);
    return box;
}

// Links go through the opener rather than straight to the desktop, so every URL the feed names passes
// one place that tests can watch.
void routeLinks(QMessageBox *box, const UrlOpener &open) {
    for (QLabel *label : box->findChildren<QLabel *>()) {
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        QObject::connect(label, &QLabel::linkActivated, box,
                         [open](const QString &link) { open(QUrl(link, QUrl::StrictMode)); });
    }
}

} // namespace

QMessageBox *showUpToDate(QWidget *parent, const QString &currentVersion) {
    QMessageBox *box = makeBox(
        parent, QMessageBox::Information, QStringLiteral("You're up to date!"),
        QStringLiteral("%1 %2 is currently the newest version available.").arg(appName(), currentVersion));
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
    return box;
}

QMessageBox *showUpdateAvailable(QWidget *parent, const AvailableUpdate &update,
                                 const QString &currentVersion, const UrlOpener &open,
                                 std::function<void(UpdateChoice)> chosen) {
    QString details =
        QStringLiteral("<p>%1 %2 is now available\u2014you have %3. Would you like to download it "
                       "now?</p>")
            .arg(appName().toHtmlEscaped(), update.displayVersion().toHtmlEscaped(),
                 currentVersion.toHtmlEscaped());
    if (!update.releaseNotesLink.isEmpty())
        details += QStringLiteral("<p><a href=\"%1\">Release Notes</a></p>")
                       .arg(QString::fromUtf8(update.releaseNotesLink.toEncoded()).toHtmlEscaped());
    QMessageBox *box = makeBox(parent, QMessageBox::Information,
                               QStringLiteral("A new version of %1 is available!").arg(appName()), details);
    QPushButton *download = box->addButton(QStringLiteral("Download"), QMessageBox::AcceptRole);
    QPushButton *skip = box->addButton(QStringLiteral("Skip This Version"), QMessageBox::DestructiveRole);
    QPushButton *later = box->addButton(QStringLiteral("Remind Me Later"), QMessageBox::RejectRole);
    box->setDefaultButton(download);
    box->setEscapeButton(later);
    routeLinks(box, open);
    QObject::connect(box, &QMessageBox::finished, box, [box, download, skip, chosen = std::move(chosen)] {
        const QAbstractButton *clicked = box->clickedButton();
        chosen(clicked == download ? UpdateChoice::Download
               : clicked == skip   ? UpdateChoice::SkipThisVersion
                                   : UpdateChoice::RemindMeLater);
    });
    box->open();
    return box;
}

QMessageBox *showUpdateError(QWidget *parent, const QString &text) {
    QMessageBox *box = makeBox(parent, QMessageBox::Warning, QStringLiteral("Update Error!"), text);
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
    return box;
}

QMessageBox *askForAutomaticUpdateChecks(QWidget *parent, std::function<void(bool)> answered) {
    QMessageBox *box = makeBox(
        parent, QMessageBox::Question, QStringLiteral("Check for updates automatically?"),
        QStringLiteral("Should %1 check for updates once a day? You can always check for updates manually "
                       "from the %1 menu.")
            .arg(appName()));
    QPushButton *yes = box->addButton(QStringLiteral("Check Automatically"), QMessageBox::AcceptRole);
    QPushButton *no = box->addButton(QStringLiteral("Don't Check"), QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, yes, answered = std::move(answered)] { answered(box->clickedButton() == yes); });
    box->open();
    return box;
}

QMessageBox *presentUpdateOutcome(QWidget *parent, Updater &updater, const UpdateCheckOutcome &outcome,
                                  const UrlOpener &open) {
    using Kind = UpdateCheckOutcome::Kind;
    switch (outcome.kind) {
    case Kind::UpToDate:
        return outcome.userInitiated ? showUpToDate(parent, updater.currentVersion()) : nullptr;
    case Kind::Error:
        return outcome.userInitiated ? showUpdateError(parent, outcome.errorText) : nullptr;
    case Kind::SkippedVersion:
        // Asking by hand shows a skipped release again; the schedule respects the skip.
        if (!outcome.userInitiated)
            return nullptr;
        [[fallthrough]];
    case Kind::UpdateAvailable:
        break;
    }
    const AvailableUpdate update = outcome.update;
    return showUpdateAvailable(parent, update, updater.currentVersion(), open,
                               [target = QPointer<Updater>(&updater), update, open](UpdateChoice choice) {
                                   if (choice == UpdateChoice::Download)
                                       open(update.downloadPage());
                                   else if (choice == UpdateChoice::SkipThisVersion && target)
                                       target->skipVersion(update.version);
                               });
}

} // namespace glyphon
