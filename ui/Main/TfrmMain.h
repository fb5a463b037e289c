#pragma once

#include "channels/ChannelListModel.h"
#include "sources/TextCodecs.h"

#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <memory>

class HttpClient;
class PlacementStore;
class QComboBox;
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

    // The text encoding Playlists.lst was found in; kept when the list is edited elsewhere.
    TextEncoding playlistsEncoding() const { return m_playlistsEncoding; }
    // The source drop-down, for windows outside this folder (TfrmMainPlaylistSources.cpp).
    QComboBox &playlistsDropDown();

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

    void restorePlacement();
    void savePlacement(bool destroying);
    WindowPlacement currentPlacement() const;
    QSettings &placementSettings();

    std::unique_ptr<Ui::TfrmMain> ui;
    HttpClient *NetHTTPClient1 = nullptr;
    ChannelListModel m_channels;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<PlacementStore> FormPlacement1;
    TextEncoding m_playlistsEncoding = TextEncoding::Ansi;
    bool m_playlistsReadFailed = false; // kept as .bak before it is replaced
    bool m_playlistsHadEntries = false; // a list the user emptied is saved empty
    QPoint m_minPosition{-1, -1};
    QPoint m_maxPosition{-1, -1};
    QStringList m_arguments;
    bool m_placementTried = false;
    bool m_shownOnce = false;
};

extern TfrmMain *frmMain;
