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

#if defined(__GLIBC__)
#include <sys/auxv.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#endif

namespace {
#if defined(__GLIBC__)
// A large channel list is a few hundred megabytes of small blocks, each written once, and on a
// virtual machine every first touch of a 4 KiB page costs microseconds: a million-entry list
// loads about 200 ms sooner on 2 MiB pages. glibc backs its heaps with them when a tunable says
// so, and reads tunables only when a program starts, so set it and start again, once.
void preferLargeHeapPages(char **argv)
{
    constexpr const char *Tunable = "glibc.malloc.hugetlb=1";
    const char *current = std::getenv("GLIBC_TUNABLES");
    // Set already (by the user, or before starting again); a privileged start ignores tunables.
    if ((current && std::strstr(current, "glibc.malloc.hugetlb")) || getauxval(AT_SECURE) != 0)
        return;
    const std::string previous = current ? current : "";
    const std::string value = previous.empty() ? Tunable : previous + ":" + Tunable;
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Not started again: go on as before, only without the faster pages.
    if (current)
        setenv("GLIBC_TUNABLES", previous.c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
}
#endif

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
#if defined(__GLIBC__)
    preferLargeHeapPages(argv);
#endif
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
