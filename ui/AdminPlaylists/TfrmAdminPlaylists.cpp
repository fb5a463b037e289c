#include "TfrmAdminPlaylists.h"

#include "ui_TfrmAdminPlaylists.h"

TfrmAdminPlaylists *frmAdminPlaylists = nullptr;

TfrmAdminPlaylists::TfrmAdminPlaylists(QWidget *owner)
    : FixedDialog(owner, QSize(690, 472)), ui(std::make_unique<Ui::TfrmAdminPlaylists>())
{
    ui->setupUi(this);
}

TfrmAdminPlaylists::~TfrmAdminPlaylists() = default;
