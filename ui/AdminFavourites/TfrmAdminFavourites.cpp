#include "TfrmAdminFavourites.h"

#include "ui_TfrmAdminFavourites.h"

TfrmAdminFavourites *frmAdminFavourites = nullptr;

TfrmAdminFavourites::TfrmAdminFavourites(QWidget *owner)
    : FixedDialog(owner, QSize(451, 472)), ui(std::make_unique<Ui::TfrmAdminFavourites>())
{
    ui->setupUi(this);
}

TfrmAdminFavourites::~TfrmAdminFavourites() = default;
