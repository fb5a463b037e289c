// Loading the chosen playlist source into the channel list, from disk or over HTTP.

#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "Busy/TfrmBusy.h"
#include "channels/ChannelLoad.h"
#include "channels/LocalPlaylist.h"
#include "channels/M3UStreamReader.h"
#include "common/MessageBoxes.h"
#include "loading/BodyDecoder.h"
#include "loading/HttpClient.h"
#include "shell/NorvaleError.h"
#include "sources/SourceEntry.h"
#include "sources/TextCodecs.h"

#include <QCoreApplication>
#include <QFileInfo>

void TfrmMain::closeBusyIfShowing()
{
    if (frmBusy)
        frmBusy->closeIfShowing();
}

void TfrmMain::setBusyFormLabels(const QString &caption, const QString &label1, const QString &label2)
{
    if (frmBusy)
        frmBusy->setTexts(caption, label1, label2);
}

void TfrmMain::showBusyForPlaylist()
{
    setBusyFormLabels(QStringLiteral("Loading TV-Channel List"), QStringLiteral("Connecting to Site..."),
                      QStringLiteral("Loading Playlist..."));
    // Shown from the event loop during the wait below, so the window is up almost at once.
    if (frmBusy)
        QMetaObject::invokeMethod(frmBusy, &TfrmBusy::showWithoutBlocking, Qt::QueuedConnection);
    waitMilliseconds(1000);
}

void TfrmMain::cmbPlaylistsChange()
{
    // A local file is read, parsed and sorted during the fixed wait below already. The load
    // takes that work only if the same unchanged file is still chosen after the wait, and reads
    // again otherwise, so every message still comes when and as it would without it.
    std::optional<LocalPlaylistReadAhead> ahead;
    if (const QString chosen = ui->cmbPlaylists->currentText(); isLocalSource(chosen)) {
        const QString path = RemoveHttpOrHttpsOrFile(chosen);
        if (QFileInfo(path).isFile())
            ahead.emplace(path, m_channels);
    }
    showBusyForPlaylist();
    clearChannels(m_channels);
    QCoreApplication::processEvents();
    const QString url = ui->cmbPlaylists->currentText();
    if (!isLocalSource(url)) {
        ahead.reset();
        DownloadAndParse(url);
        return;
    }
    const QString filename = RemoveHttpOrHttpsOrFile(url);
    if (QFileInfo(filename).isFile()) {
        LoadEnd end = LoadEnd::Loaded;
        try {
            // Read in pieces on worker threads: a large local list never sits in memory as bytes
            // and text at once, and the busy window goes on animating.
            const std::optional<QString> error = ahead
                                                     ? loadLocalPlaylist(filename, m_channels, *ahead, &end)
                                                     : loadLocalPlaylist(filename, m_channels, nullptr, &end);
            if (error)
                throw NorvaleError(*error);
        } catch (const NorvaleError &) {
            // A failed load never leaves the busy window hanging over the error box.
            closeBusyIfShowing();
            throw;
        }
        if (end == LoadEnd::Cancelled) {
            // The user closed the busy window, or the program: the load just stops.
            closeBusyIfShowing();
            return;
        }
        QCoreApplication::processEvents();
    } else {
        ahead.reset();
        MessageBoxes::Information(this, QStringLiteral("Playlist does not exist or has been moved."));
    }
    closeBusyIfShowing();
}

void TfrmMain::DownloadAndParse(const QString &URL)
{
    const HttpResponse Response = NetHTTPClient1->get(URL);
    if (Response.cancelled) {
        // The user closed the busy window, or the program: the load just stops.
        closeBusyIfShowing();
        return;
    }
    if (!Response.ok) {
        MessageBoxes::Error(this, Response.errorMessage);
        return;
    }
    if (Response.statusCode != 200) {
        MessageBoxes::Information(this, QStringLiteral("Playlist could not be loaded."));
        return;
    }
    // Inflating, decoding, reading and sorting a large body take a while: on workers, with the
    // windows painting, as for a local file.
    loadChannels(m_channels, [&](M3UStreamReader &reader, const std::atomic<bool> &, ChannelLoadTimings &) {
        QString inflateError;
        const std::optional<QByteArray> body =
            inflateBody(Response.body, Response.contentEncoding, &inflateError);
        if (!body)
            throw NorvaleError(inflateError);
        const std::optional<QString> content = decodePlaylistBody(URL, *body);
        if (!content)
            throw NorvaleError(QString::fromLatin1(kNoMappingMessage));
        reader.feed(*content);
    });
}

void TfrmMain::NetHTTPClient1RequestCompleted()
{
    closeBusyIfShowing();
}

void TfrmMain::NetHTTPClient1RequestError(const QString &)
{
    closeBusyIfShowing();
}

void TfrmMain::NetHTTPClient1RequestException(const QString &)
{
    closeBusyIfShowing();
}
