#include "TfrmMain.h"

#include "shell/CommandBoundary.h"
#include "ui_TfrmMain.h"

#include "AdminFavourites/TfrmAdminFavourites.h"
#include "PlayerControl.h"
#include "channels/M3UReader.h"
#include "common/MessageBoxes.h"
#include "loading/HttpClient.h"
#include "shell/AppPaths.h"
#include "shell/FileReading.h"
#include "shell/NorvaleError.h"
#include "shell/PlacementStore.h"
#include "shell/Wait.h"
#include "sources/PlaylistsFile.h"
#include "sources/SourceEntry.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>

using CommandBoundary::command;

TfrmMain *frmMain = nullptr;

namespace {
constexpr int COMBOBOXWIDTH = 467;

const QString PlaylistsFileName = QStringLiteral("Playlists.lst");

QStringList comboEntries(const QComboBox &combo)
{
    QStringList entries;
    entries.reserve(combo.count());
    for (int i = 0; i < combo.count(); ++i)
        entries << combo.itemText(i);
    return entries;
}

PlacementEnvironment placementEnvironment(const QWidget &window)
{
    PlacementEnvironment env;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        env.screenSize = screen->size();
        env.pixelsPerInch = qRound(screen->logicalDotsPerInch());
    }
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    env.frameSize = QPoint(client.left() - frame.left(), client.top() - frame.top());
    return env;
}
} // namespace

TfrmMain::TfrmMain(QWidget *parent)
    // CustomizeWindowHint: without it X11 window managers add a maximise box regardless.
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TfrmMain>()), m_arguments(QCoreApplication::arguments())
{
    ui->setupUi(this);
    resize(1000, 627);
    // The search box searches this list only.
    m_channels.enableSearch();
    ui->lstM3UPlaylists->setModel(&m_channels);
    ui->lstM3UPlaylists->setUniformItemSizes(true);
    ui->lstM3UPlaylists->setEditTriggers(QAbstractItemView::NoEditTriggers);

    connect(ui->btnClose, &QPushButton::clicked, this, command(this, &TfrmMain::btnCloseClick));
    // Only a choice the user makes loads a playlist; entries chosen by the program do not.
    connect(ui->cmbPlaylists, &QComboBox::activated, this, command([this] { cmbPlaylistsChange(); }));
    setUpLook();
    connect(ui->btnSearch, &QPushButton::clicked, this, command(this, &TfrmMain::btnSearchClick));
    ui->edtSearch->setKeyPressHandler(
        [this](QChar &Key) { CommandBoundary::runCommand([&] { ButtonedEdit1KeyPress(Key); }); });
    connect(ui->edtSearch, &ButtonedEdit::rightButtonClick, this,
            command(this, &TfrmMain::edtSearchRightButtonClick));
    connect(ui->btnAEPlaylists, &QPushButton::clicked, this, command(this, &TfrmMain::btnAEPlaylistsClick));
    connect(ui->btnAEFavourites, &QPushButton::clicked, this, command(this, &TfrmMain::btnAEFavouritesClick));
    connect(ui->btnAddToFavourites, &QPushButton::clicked, this,
            command(this, &TfrmMain::btnAddToFavouritesClick));
    connect(ui->btnViewFavourites, &QPushButton::clicked, this,
            command(this, &TfrmMain::btnViewFavouritesClick));
    connect(ui->btnAbout, &QPushButton::clicked, this, command(this, &TfrmMain::btnAboutClick));
    connect(ui->lblLink, &ClickableLabel::clicked, this, command(this, &TfrmMain::lblLinkClick));
    connect(ui->lblLink, &ClickableLabel::mouseEntered, this, command(this, &TfrmMain::lblLinkMouseEnter));
    connect(ui->lblLink, &ClickableLabel::mouseLeft, this, command(this, &TfrmMain::lblLinkMouseLeave));
    connect(ui->Image1, &ClickableLabel::clicked, this, command(this, &TfrmMain::Image1Click));
    NetHTTPClient1 = new HttpClient(this);
    connect(NetHTTPClient1, &HttpClient::requestCompleted, this,
            command(this, &TfrmMain::NetHTTPClient1RequestCompleted));
    connect(NetHTTPClient1, &HttpClient::requestError, this,
            command(this, &TfrmMain::NetHTTPClient1RequestError));
    connect(NetHTTPClient1, &HttpClient::requestException, this,
            command(this, &TfrmMain::NetHTTPClient1RequestException));
    createPlayerControl();
    connect(ui->btnPlay, &QPushButton::clicked, this, command(this, &TfrmMain::btnPlayClick));
    connect(ui->btnStop, &QPushButton::clicked, this, command(this, &TfrmMain::btnStopClick));
    connect(ui->btnPause, &QPushButton::clicked, this, command(this, &TfrmMain::btnPauseClick));
    connect(ui->btnGoFullscreen, &QPushButton::clicked, this, command(this, &TfrmMain::btnGoFullscreenClick));
    connect(VLCPlugin21, &PlayerControl::MediaPlayerPlaying, this,
            command(this, &TfrmMain::VLCPlugin21MediaPlayerPlaying));
    connect(VLCPlugin21, &PlayerControl::MediaPlayerEncounteredError, this,
            command(this, &TfrmMain::VLCPlugin21MediaPlayerEncounteredError));
    connect(VLCPlugin21, &PlayerControl::MouseMove, this, command(this, &TfrmMain::VLCPlugin21MouseMove));
    connect(VLCPlugin21, &PlayerControl::MouseDown, this, command(this, &TfrmMain::VLCPlugin21MouseDown));
    // Direct, so that a key set to 0 here is seen as consumed by the control.
    connect(
        VLCPlugin21, &PlayerControl::KeyDown, this,
        [this](int *Key, Qt::KeyboardModifiers Shift) {
            CommandBoundary::runCommand([&] { VLCPlugin21KeyDown(*Key, Shift); });
        },
        Qt::DirectConnection);

    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // A window destroyed without having been closed still remembers where it was.
    if (FormPlacement1 && !FormPlacement1->hasSaved())
        savePlacement(true);
}

void TfrmMain::FormCreate()
{
    ui->cmbPlaylists->view()->setMinimumWidth(COMBOBOXWIDTH);
    ui->cmbPlaylists->setMaxVisibleItems(15);
    QFont listFont(QStringLiteral("Calibri Light"));
    listFont.setPointSize(12);
    ui->lstM3UPlaylists->setFont(listFont);
    getPlaylist();
    getFavouriteStrStream();
    applyPlayerSettings();
}

void TfrmMain::getPlaylist()
{
    const PlaylistsReadResult read = readPlaylistsFile(AppPaths::dataFile(PlaylistsFileName));
    if (!read.exists)
        return;
    m_playlistsEncoding = read.encoding;
    if (!read.error.isEmpty()) {
        m_playlistsReadFailed = true;
        MessageBoxes::Error(this, read.error);
        return;
    }
    ui->cmbPlaylists->clear();
    ui->cmbPlaylists->addItems(read.entries);
    ui->cmbPlaylists->setCurrentIndex(-1);
    m_playlistsHadEntries = !read.entries.isEmpty();
}

void TfrmMain::setVisible(bool visible)
{
    if (visible && !m_placementTried) {
        m_placementTried = true;
        restorePlacement();
    }
    QWidget::setVisible(visible);
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmMain::FormShow()
{
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (m_arguments.size() > 1) {
        // Runs once the window is on screen and the event loop is turning, never inside the show.
        QMetaObject::invokeMethod(this, command(this, &TfrmMain::startUp), Qt::QueuedConnection);
    }
}

void TfrmMain::startUp()
{
    if (m_arguments.size() < 2)
        return;
    const QString fileName = m_arguments.at(1);
    if (!isExistingPlaylistFile(fileName))
        return;
    if (isFoundInPlaylists(fileName)) {
        QCoreApplication::processEvents();
    } else {
        ui->cmbPlaylists->addItem(QStringLiteral("file:///") + fileName);
        ui->cmbPlaylists->setCurrentIndex(ui->cmbPlaylists->count() - 1);
    }
    waitMilliseconds(1000);
    cmbPlaylistsChange();
}

bool TfrmMain::isFoundInPlaylists(const QString &flName)
{
    const int index = findLocalEntry(comboEntries(*ui->cmbPlaylists), flName);
    if (index < 0)
        return false;
    ui->cmbPlaylists->setCurrentIndex(index);
    return true;
}

void TfrmMain::ParseM3UContent(ChannelListModel &lstBox, const QString &Content)
{
    ::ParseM3UContent(lstBox, Content);
}

void TfrmMain::clearChannels(ChannelListModel &lstBox)
{
    ::clearChannels(lstBox);
}

QString TfrmMain::RemoveHttpOrHttpsOrFile(const QString &Url)
{
    return ::RemoveHttpOrHttpsOrFile(Url);
}

void TfrmMain::waitMilliseconds(quint32 delay)
{
    ::waitMilliseconds(delay);
}

void TfrmMain::btnCloseClick()
{
    close();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    savePlacement(false);
    FormClose();
    event->accept();
}

void TfrmMain::FormClose()
{
    const QStringList entries = comboEntries(*ui->cmbPlaylists);
    if (!entries.isEmpty() || m_playlistsHadEntries) {
        const QString error = writePlaylistsFile(AppPaths::dataFileForSaving(PlaylistsFileName), entries,
                                                 m_playlistsEncoding, m_playlistsReadFailed);
        if (!error.isEmpty())
            MessageBoxes::Error(this, error);
    }
    saveFavouriteStrStream();
    QCoreApplication::processEvents();
    clearChannels(m_channels);
    if (frmAdminFavourites)
        clearChannels(frmAdminFavourites->favourites());
    QCoreApplication::processEvents();
    favouriteStrStream.reset();
    QCoreApplication::quit();
}

QSettings &TfrmMain::placementSettings()
{
    if (!m_settings) {
        const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, baseName);
    }
    return *m_settings;
}

WindowPlacement TfrmMain::currentPlacement() const
{
    WindowPlacement p;
    const QRect normal = isVisible() ? normalGeometry() : geometry();
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    p.showCmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    p.minPosition = m_minPosition;
    p.maxPosition = m_maxPosition;
    return p;
}

void TfrmMain::restorePlacement()
{
    // Centred at the designed size unless a usable placement is stored.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    FormPlacement1 = std::make_unique<PlacementStore>(placementSettings());
    PlacementRestore restored;
    QString error;
    if (!FormPlacement1->restore(currentPlacement(), placementEnvironment(*this), restored, &error)) {
        MessageBoxes::Stop(this, error);
        return;
    }
    const WindowPlacement &p = restored.placement;
    m_minPosition = p.minPosition;
    m_maxPosition = p.maxPosition;
    if (restored.applyPlacement)
        setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
    switch (restored.state) {
    case RestoredState::Maximized:
        setWindowState(windowState() | Qt::WindowMaximized);
        break;
    case RestoredState::Minimized:
        // Appear first, then minimize, as a program that was closed minimized does.
        QTimer::singleShot(0, this, [this] { showMinimized(); });
        break;
    case RestoredState::Normal:
        break;
    }
}

void TfrmMain::savePlacement(bool destroying)
{
    if (!FormPlacement1)
        return;
    QString error;
    const WindowPlacement p = currentPlacement();
    if (!FormPlacement1->save(p, isMinimized(), placementEnvironment(*this), destroying, &error))
        MessageBoxes::Stop(this, error);
}
