#include "TfrmBusy.h"

#include "ui_TfrmBusy.h"

TfrmBusy *frmBusy = nullptr;

TfrmBusy::TfrmBusy(QWidget *owner) : FixedDialog(owner, QSize(312, 161)), ui(std::make_unique<Ui::TfrmBusy>())
{
    ui->setupUi(this);
}

TfrmBusy::~TfrmBusy() = default;
