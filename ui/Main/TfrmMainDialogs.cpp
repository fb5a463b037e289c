// The buttons that open the secondary windows, each modally; what a window answers is not used.
#include "TfrmMain.h"

#include "About/TfrmAbout.h"
#include "AdminFavourites/TfrmAdminFavourites.h"
#include "AdminPlaylists/TfrmAdminPlaylists.h"

void TfrmMain::btnAEPlaylistsClick()
{
    if (frmAdminPlaylists)
        frmAdminPlaylists->exec();
}

void TfrmMain::btnAEFavouritesClick()
{
    if (frmAdminFavourites)
        frmAdminFavourites->exec();
}

void TfrmMain::btnAboutClick()
{
    if (frmAbout)
        frmAbout->exec();
}
