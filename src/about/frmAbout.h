#pragma once

#include "about/AboutServices.h"

#include <QDialog>

// The product-information dialog; made afresh for every showing.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(AboutServices &services, QWidget *parent = nullptr);
};
