#include "about/frmAbout.h"

#include "ui_frmAbout.h"

#include "about/AboutIcon.h"
#include "about/AppIdentity.h"
#include "about/StartSysInfo.h"

namespace {
// A blank icon rather than none: without one the title bar would show the program's.
QIcon noWindowIcon() {
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}
} // namespace

frmAbout::frmAbout(AboutServices &services, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmAbout>())
    , m_services(services) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(noWindowIcon());
    m_ui->picIcon->setPixmap(aboutIcon());

    connect(m_ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfoClicked);
    load();
}

frmAbout::~frmAbout() = default;

void frmAbout::load() {
    setWindowTitle(QStringLiteral("关于 ") + AppIdentity::title());
    m_ui->lblVersion->setText(QStringLiteral("版本 %1.%2.%3")
                                  .arg(AppIdentity::Major)
                                  .arg(AppIdentity::Minor)
                                  .arg(AppIdentity::Revision));
    m_ui->lblTitle->setText(AppIdentity::title());
}

void frmAbout::cmdSysInfoClicked() {
    StartSysInfo(m_services, this);
}
