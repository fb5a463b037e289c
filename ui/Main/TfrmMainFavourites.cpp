// The favourites text: loaded at start, grown by "Add To Favourites", shown by "View Favourites"
// and saved when the main window closes.

#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "Busy/TfrmBusy.h"
#include "channels/ChannelLoad.h"
#include "channels/M3UStreamReader.h"
#include "common/MessageBoxes.h"
#include "favourites/FavouritesText.h"
#include "shell/AppPaths.h"
#include "shell/NorvaleError.h"

#include <QFileInfo>

namespace {
const QString FavouritesFileName = QStringLiteral("FavouritesPlaylist.m3u");
} // namespace

void TfrmMain::getFavouriteStrStream()
{
    favouriteStrStream = std::make_unique<Utf8StringStream>();
    const QString fileName = AppPaths::dataFile(FavouritesFileName);
    if (!QFileInfo::exists(fileName))
        return;
    try {
        favouriteStrStream->loadFromFile(fileName);
        m_favouritesLoadedBytes = favouriteStrStream->size() > 0;
    } catch (const NorvaleError &error) {
        m_favouritesReadFailed = true;
        MessageBoxes::Error(this, error.message());
    }
}

bool TfrmMain::isFoundInFavourites(const QString &url)
{
    // The next write appends whatever the answer, also when the text cannot be read.
    favouriteStrStream->setPosition(favouriteStrStream->size());
    return favouritesContainAddress(favouriteStrStream->wholeText(), url);
}

void TfrmMain::addToFavourites()
{
    const TM3UChannel *channel = m_channels.channel(selectedChannelIndex());
    if (!channel || !favouriteStrStream)
        return;
    if (!isFoundInFavourites(channel->URL))
        writeFavouriteRecord(*favouriteStrStream, *channel);
}

void TfrmMain::btnAddToFavouritesClick()
{
    if (selectedChannelIndex() < 0)
        return;
    addToFavourites();
    setBusyFormLabels(QStringLiteral("Adding to Favourites..."), QStringLiteral("Favourite Added!"),
                      QStringLiteral("Done."));
    if (frmBusy)
        frmBusy->showWithoutBlocking();
    waitMilliseconds(1500);
    if (frmBusy)
        frmBusy->closeBusy();
}

void TfrmMain::btnViewFavouritesClick()
{
    showBusyForPlaylist();
    clearChannels(m_channels);
    try {
        // The text is only read meanwhile: every command that could change it waits.
        if (const Utf8StringStream *text = favouriteStrStream.get()) {
            loadChannels(m_channels, [text](M3UStreamReader &reader, const std::atomic<bool> &,
                                            ChannelLoadTimings &) { reader.feed(text->wholeText()); });
        }
    } catch (const NorvaleError &) {
        // The general handler shows the failure; the emptied list stays usable beneath it.
        closeBusyIfShowing();
        throw;
    }
    ui->cmbPlaylists->setCurrentIndex(-1);
    closeBusyIfShowing();
}

void TfrmMain::saveFavouriteStrStream()
{
    // An emptied text is saved too, so removed favourites do not come back at the next start.
    if (!favouriteStrStream || (favouriteStrStream->size() == 0 && !m_favouritesLoadedBytes))
        return;
    const QString error = favouriteStrStream->saveToFile(AppPaths::dataFileForSaving(FavouritesFileName),
                                                         m_favouritesReadFailed);
    if (!error.isEmpty())
        MessageBoxes::Error(this, error);
}
