#include "about/AboutServices.h"

#include <QMessageBox>
#include <QProcess>

std::unique_ptr<AboutServices> makeSystemAboutServices() {
    auto services = std::make_unique<AboutServices>();
    services->registry = makeSystemRegistry();
    services->startProgram = [](const QString &path) { return QProcess::startDetached(path, {}); };
    services->showMessage = [](QWidget *parent, const QString &caption, const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
    };
    return services;
}
