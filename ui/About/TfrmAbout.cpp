#include "TfrmAbout.h"

#include "ui_TfrmAbout.h"

TfrmAbout *frmAbout = nullptr;

TfrmAbout::TfrmAbout(QWidget *owner)
    : FixedDialog(owner, QSize(630, 352)), ui(std::make_unique<Ui::TfrmAbout>())
{
    ui->setupUi(this);
}

TfrmAbout::~TfrmAbout() = default;
