#include "TfrmEditFavourite.h"

#include "ui_TfrmEditFavourite.h"

TfrmEditFavourite *frmEditFavourite = nullptr;

TfrmEditFavourite::TfrmEditFavourite(QWidget *owner)
    : FixedDialog(owner, QSize(690, 170)), ui(std::make_unique<Ui::TfrmEditFavourite>())
{
    ui->setupUi(this);
}

TfrmEditFavourite::~TfrmEditFavourite() = default;
