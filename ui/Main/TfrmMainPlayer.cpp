// Playing a channel: the transport buttons, the player control's events and the enabling of
// Stop and Pause/Play.

#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "Busy/TfrmBusy.h"
#include "PlayerControl.h"
#include "PlayerFactory.h"
#include "common/MessageBoxes.h"
#include "shell/TickClock.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace {
// The greatest time between two left presses on the video that still makes a double-click.
constexpr quint32 DoubleClickDelay = 300;
// F11 as the player reports it (Qt's key code; the virtual-key code 122 on Windows).
constexpr int FullscreenKey = Qt::Key_F11;
} // namespace

void TfrmMain::createPlayerControl()
{
    // The form holds a placeholder at the control's place; the control fills it.
    VLCPlugin21 = PlayerFactory::create(ui->VLCPlugin21);
    VLCPlugin21->setObjectName(QStringLiteral("VLCPlugin21"));
    auto *layout = new QVBoxLayout(ui->VLCPlugin21);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(VLCPlugin21);
}

void TfrmMain::applyPlayerSettings()
{
    // Widgets paint double-buffered already, so of the two settings only the branding is left.
    VLCPlugin21->setBranding(false);
}

void TfrmMain::btnPlayClick()
{
    const int row = selectedChannelIndex();
    const TM3UChannel *selected = row >= 0 ? m_channels.channel(row) : nullptr;
    if (!selected)
        return;
    const TM3UChannel channel = *selected;
    VLCPlugin21->playlistStop();
    VLCPlugin21->playlistItemsClear();
    const qint32 itemID = VLCPlugin21->playlistAdd(channel.URL, channel.Name);
    m_awaitingPlayer = true;
    VLCPlugin21->playlistPlayItem(itemID);
    setBusyFormLabels(QStringLiteral("Connecting to Videostream..."), QStringLiteral("Connecting to Site..."),
                      QStringLiteral("Buffering...Buffering...Buffering..."));
    setPlayerToolbarButtons(false);
    QCoreApplication::processEvents();
    // A player that answered while events were processed has nothing left to wait for; a busy
    // window shown now would stay until the user closed it.
    if (m_awaitingPlayer && frmBusy)
        frmBusy->showModally();
}

void TfrmMain::btnStopClick()
{
    VLCPlugin21->playlistStop();
    setPlayerToolbarButtons(false);
}

void TfrmMain::btnPauseClick()
{
    VLCPlugin21->playlistTogglePause();
}

void TfrmMain::btnGoFullscreenClick()
{
    VLCPlugin21->videoToggleFullscreen();
}

void TfrmMain::VLCPlugin21KeyDown(int &Key, Qt::KeyboardModifiers)
{
    // Shift, Ctrl and the other modifiers do not matter.
    if (Key == FullscreenKey) {
        VLCPlugin21->videoToggleFullscreen();
        Key = 0;
    }
}

void TfrmMain::VLCPlugin21MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers, int, int)
{
    const quint32 NowTime = TickClock::now();
    if (Button != Qt::LeftButton) {
        FLastClickTime = NowTime;
        m_clickRecorded = true;
        return;
    }
    if (m_clickRecorded && TickClock::elapsedSince(FLastClickTime, NowTime) <= DoubleClickDelay) {
        VLCPlugin21->videoToggleFullscreen();
        FLastClickTime = 0;
        m_clickRecorded = false;
    } else {
        FLastClickTime = NowTime;
        m_clickRecorded = true;
    }
}

void TfrmMain::VLCPlugin21MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
{
    VLCPlugin21->setToolbar(true);
}

void TfrmMain::VLCPlugin21MediaPlayerPlaying()
{
    m_awaitingPlayer = false;
    if (frmBusy && frmBusy->isShowing()) {
        waitMilliseconds(2000);
        frmBusy->closeBusy();
    }
    setPlayerToolbarButtons(true);
    // isVisible and isEnabled both look at every parent up to the main window.
    if (VLCPlugin21->isVisible() && VLCPlugin21->isEnabled())
        VLCPlugin21->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::VLCPlugin21MediaPlayerEncounteredError()
{
    m_awaitingPlayer = false;
    // A busy window Play waits on goes only when this handler is done: it stays up through the
    // wait and under the box. One shown without blocking goes at once.
    const bool heldByPlay = frmBusy && frmBusy->isShowing() && frmBusy->isModal();
    if (frmBusy && !heldByPlay)
        frmBusy->closeIfShowing();
    waitMilliseconds(1500);
    const bool overBusy = heldByPlay && frmBusy->isShowing();
    MessageBoxes::Information(overBusy ? static_cast<QWidget *>(frmBusy) : this,
                              QStringLiteral("Connection could not be established!\r\n\r\n"
                                             "Some channels require a U.S. VPN connection."));
    if (heldByPlay)
        frmBusy->closeIfShowing();
}

void TfrmMain::setPlayerToolbarButtons(bool enable)
{
    ui->btnStop->setEnabled(enable);
    ui->btnPause->setEnabled(enable);
}
