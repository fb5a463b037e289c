#include "TfrmAEPlaylist.h"

#include "ui_TfrmAEPlaylist.h"

TfrmAEPlaylist *frmAEPlaylist = nullptr;

TfrmAEPlaylist::TfrmAEPlaylist(QWidget *owner)
    : FixedDialog(owner, QSize(476, 119)), ui(std::make_unique<Ui::TfrmAEPlaylist>())
{
    ui->setupUi(this);
}

TfrmAEPlaylist::~TfrmAEPlaylist() = default;
