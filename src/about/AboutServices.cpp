#include "about/AboutServices.h"

#include "about/LinuxRegistry.h"

#include <QMessageBox>
#include <QProcess>

std::unique_ptr<AboutServices> makeSystemAboutServices() {
    auto services = std::make_unique<AboutServices>();
    // Only the Linux layer exists so far; on Windows it finds no tool and the dialog
    // says so, until a layer over advapi32 takes its place.
    services->registry = std::make_unique<LinuxRegistry>();
    services->startProgram = [](const QString &path) { return QProcess::startDetached(path, {}); };
    services->showMessage = [](QWidget *parent, const QString &caption, const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
    };
    return services;
}
