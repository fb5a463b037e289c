#include "TfrmMain.h"

#include "ui_TfrmMain.h"

QComboBox &TfrmMain::playlistsDropDown()
{
    return *ui->cmbPlaylists;
}
