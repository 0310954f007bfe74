#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmAbout;
}
class AboutServices;

// The product-information dialog. The window makes a new one for every showing, so the
// load step (title, version) runs each time; cmdOK, Esc and the close box close it.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(AboutServices &services, QWidget *parent = nullptr);
    ~frmAbout() override;

private:
    void load();
    void cmdSysInfoClicked();

    std::unique_ptr<Ui::frmAbout> m_ui;
    AboutServices &m_services;
};
