#include "NorvaleApplication.h"

#include "AEPlaylist/TfrmAEPlaylist.h"
#include "About/TfrmAbout.h"
#include "AdminFavourites/TfrmAdminFavourites.h"
#include "AdminPlaylists/TfrmAdminPlaylists.h"
#include "Busy/TfrmBusy.h"
#include "EFavourite/TfrmEditFavourite.h"
#include "Main/TfrmMain.h"
#include "common/CarbonStyle.h"
#include "common/ImageLists.h"
#include "common/MessageBoxes.h"
#include "shell/PlatformChoice.h"

#include <QFont>
#include <sys/resource.h>

namespace {
// Playback likes a little more CPU priority, but only what the system grants an ordinary
// user; a real-time class could starve the desktop.
void raisePriority()
{
    const int current = getpriority(PRIO_PROCESS, 0);
    (void)setpriority(PRIO_PROCESS, 0, current - 5);
}

// The layouts are measured in these faces; map them to metric-compatible fonts we ship.
void substituteFonts()
{
    QFont::insertSubstitution(QStringLiteral("Calibri Light"), QStringLiteral("Carlito"));
    QFont::insertSubstitution(QStringLiteral("Calibri"), QStringLiteral("Carlito"));
    QFont::insertSubstitution(QStringLiteral("Segoe UI"), QStringLiteral("DejaVu Sans"));
}
} // namespace

int main(int argc, char **argv)
{
    // The video surface needs an X11 window; on Wayland ask for XWayland unless the user chose.
    // Qt reads the platform when the application object is made, so this comes first.
    (void)PlatformChoice::applyBeforeApplication();

    NorvaleApplication app(argc, argv);
    // Desktops match our windows to the installed entry and its icon by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.brackwell.Norvale"));
    QApplication::setWindowIcon(televisionLogo());
    raisePriority();
    substituteFonts();
    QFont windowFont(QStringLiteral("Segoe UI"));
    windowFont.setPixelSize(12);
    QApplication::setFont(windowFont);

    const QString styleName = QStringLiteral("Carbon");
    if (!VisualStyles::apply(app, styleName))
        MessageBoxes::Error(nullptr, VisualStyles::notFoundMessage(styleName));

    frmMain = new TfrmMain;
    frmBusy = new TfrmBusy(frmMain);
    frmAdminPlaylists = new TfrmAdminPlaylists(frmMain);
    frmAEPlaylist = new TfrmAEPlaylist(frmMain);
    frmAbout = new TfrmAbout(frmMain);
    frmAdminFavourites = new TfrmAdminFavourites(frmMain);
    frmEditFavourite = new TfrmEditFavourite(frmMain);

    frmMain->show();
    const int result = NorvaleApplication::exec();
    delete frmMain; // owns the secondary windows
    return result;
}
