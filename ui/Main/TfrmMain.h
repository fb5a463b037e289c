#pragma once

#include "channels/ChannelListModel.h"
#include "favourites/Utf8StringStream.h"
#include "sources/TextCodecs.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <memory>

class PlayerControl;
class HttpClient;
class PlacementStore;
class QComboBox;
class QPainter;
class QSettings;
struct WindowPlacement;

namespace Ui {
class TfrmMain;
}

// The main window: the source drop-down, the channel list and the player. Closing it ends the
// program after saving its placement and the data files.
class TfrmMain final : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    void setVisible(bool visible) override;
    // The program's arguments, the first being the program itself; tests supply their own.
    void setCommandLine(const QStringList &arguments) { m_arguments = arguments; }

    ChannelListModel &channels() { return m_channels; }
    Ui::TfrmMain &controls() { return *ui; }

    // Operations other windows reach through frmMain.
    void ParseM3UContent(ChannelListModel &lstBox, const QString &Content);
    void clearChannels(ChannelListModel &lstBox);
    QString RemoveHttpOrHttpsOrFile(const QString &Url);
    void waitMilliseconds(quint32 delay);
    bool isFoundInPlaylists(const QString &flName);
    void startUp();
    void cmbPlaylistsChange();

    // Loading a playlist source (TfrmMainLoading.cpp).
    void setBusyFormLabels(const QString &caption, const QString &label1, const QString &label2);
    void showBusyForPlaylist();
    void DownloadAndParse(const QString &URL);
    static void closeBusyIfShowing();

    // The text encoding Playlists.lst was found in; kept when the list is edited elsewhere.
    TextEncoding playlistsEncoding() const { return m_playlistsEncoding; }

    // The favourites (TfrmMainFavourites.cpp).
    void getFavouriteStrStream();
    // Whether a stored favourite has this stream address; leaves the write position at the end.
    bool isFoundInFavourites(const QString &url);
    void addToFavourites();
    // The favourites text, owned here from creation until the window closes; the favourites
    // administration replaces its content when it closes.
    std::unique_ptr<Utf8StringStream> favouriteStrStream;
    // The source drop-down, for windows outside this folder (TfrmMainPlaylistSources.cpp).
    QComboBox &playlistsDropDown();

    // Looks, search and links (TfrmMainSearch.cpp).
    void DrawGradient(QPainter &ACanvas, const QRect &Rect, bool Horicontal, const QList<QColor> &Colors);
    // Index of the first row after StartIndex whose text contains SearchText ignoring case, or -1.
    int FindNextInListBox(const ChannelListModel &ListBox, const QString &SearchText, int StartIndex);
    // The channel list's selected row, -1 when none is selected.
    int selectedChannelIndex() const;

    // The player control in the video area; the libVLC one unless a test put another in its place.
    PlayerControl *player() const { return VLCPlugin21; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void NetHTTPClient1RequestCompleted();
    void NetHTTPClient1RequestError(const QString &AError);
    void NetHTTPClient1RequestException(const QString &AError);

    void FormCreate();
    void FormShow();
    void FormClose();
    void getPlaylist();
    void btnCloseClick();

    // Playing a channel (TfrmMainPlayer.cpp).
    void createPlayerControl();
    void applyPlayerSettings();
    void btnPlayClick();
    void btnStopClick();
    void btnPauseClick();
    void btnGoFullscreenClick();
    void VLCPlugin21MediaPlayerPlaying();
    void VLCPlugin21MediaPlayerEncounteredError();
    void VLCPlugin21MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void VLCPlugin21MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void VLCPlugin21KeyDown(int &Key, Qt::KeyboardModifiers Shift);
    void setPlayerToolbarButtons(bool enable);
    void btnAddToFavouritesClick();
    void btnViewFavouritesClick();
    void saveFavouriteStrStream();

    void setUpLook();
    void btnSearchClick();
    void ButtonedEdit1KeyPress(QChar &Key);
    void edtSearchRightButtonClick();
    void btnAEPlaylistsClick();
    void btnAEFavouritesClick();
    void btnAboutClick();
    void lblLinkClick();
    void Image1Click();
    void lblLinkMouseEnter();
    void lblLinkMouseLeave();

    void restorePlacement();
    void savePlacement(bool destroying);
    WindowPlacement currentPlacement() const;
    QSettings &placementSettings();

    std::unique_ptr<Ui::TfrmMain> ui;
    HttpClient *NetHTTPClient1 = nullptr;
    PlayerControl *VLCPlugin21 = nullptr;
    quint32 FLastClickTime = 0;
    // The tick count starts near 0 with the program, so 0 cannot also mean "no press yet".
    bool m_clickRecorded = false;
    // Play is waiting for the player's first playing or error event.
    bool m_awaitingPlayer = false;
    ChannelListModel m_channels;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<PlacementStore> FormPlacement1;
    TextEncoding m_playlistsEncoding = TextEncoding::Ansi;
    bool m_playlistsReadFailed = false; // kept as .bak before it is replaced
    bool m_playlistsHadEntries = false; // a list the user emptied is saved empty

    bool m_favouritesReadFailed = false;  // kept as .bak before it is replaced
    bool m_favouritesLoadedBytes = false; // favourites the user removed are saved as an empty file
    QPoint m_minPosition{-1, -1};
    QPoint m_maxPosition{-1, -1};
    QStringList m_arguments;
    bool m_placementTried = false;
    bool m_shownOnce = false;
};

extern TfrmMain *frmMain;
