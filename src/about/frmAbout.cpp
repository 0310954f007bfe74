#include "about/frmAbout.h"

frmAbout::frmAbout(AboutServices &, QWidget *parent)
    : QDialog(parent) {
}

std::unique_ptr<AboutServices> makeSystemAboutServices() {
    return std::make_unique<AboutServices>();
}
