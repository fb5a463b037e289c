// The main window as the user sees it: its pictures and fonts, the channel search, the row
// painting of its lists, the web links and the buttons that open the secondary windows.
#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "About/TfrmAbout.h"
#include "About/WebLinks.h"
#include "AdminFavourites/TfrmAdminFavourites.h"
#include "AdminPlaylists/TfrmAdminPlaylists.h"
#include "common/ImageLists.h"
#include "paint/DrawGradient.h"
#include "paint/ListRowDelegate.h"

#include <QItemSelectionModel>

namespace {
// CharUpperBuffW maps one UTF-16 unit at a time and never changes the length.
QString upperCharByChar(const QString &text)
{
    QString upper = text;
    for (QChar &c : upper)
        c = c.toUpper();
    return upper;
}
} // namespace

void TfrmMain::setUpLook()
{
    using ImageLists::List1Size;
    using ImageLists::List2Size;
    struct ButtonImage {
        ImageButton *button;
        int index;
        int margin; // -1: centred
    };
    const ButtonImage list1[] = {
        {ui->btnPlay, 2, 3},
        {ui->btnClose, 0, 3},
        {ui->btnAEPlaylists, 3, 1},
        {ui->btnSearch, 4, -1},
        {ui->btnAbout, 9, 8},
        {ui->btnAddToFavourites, 11, 8},
        {ui->btnViewFavourites, 12, 8},
        {ui->btnAEFavourites, 3, 3},
        {ui->btnStop, 14, 3},
        {ui->btnPause, 15, 3},
    };
    for (const ButtonImage &b : list1)
        b.button->setImage(ImageList1(b.index), List1Size, b.margin);
    ui->btnGoFullscreen->setImage(ImageList2(2), List2Size, 2);
    ui->edtSearch->setRightButtonImage(ImageList1(10));
    ui->edtSearch->setRightButtonAccessibleName(QStringLiteral("Clear search"));
    ui->Image1->setPixmap(televisionLogo().pixmap(ui->Image1->size()));

    ui->lstM3UPlaylists->setItemDelegate(ListRowDelegate::channelList(ui->lstM3UPlaylists));
    ui->lstM3UPlaylists->setSelectionMode(QAbstractItemView::SingleSelection);
}

void TfrmMain::DrawGradient(QPainter &ACanvas, const QRect &Rect, bool Horicontal,
                            const QList<QColor> &Colors)
{
    ::DrawGradient(ACanvas, Rect, Horicontal, Colors);
}

int TfrmMain::FindNextInListBox(const ChannelListModel &ListBox, const QString &SearchText, int StartIndex)
{
    if (SearchText.isEmpty())
        return -1;
    const QString wanted = upperCharByChar(SearchText);
    for (int i = qMax(StartIndex + 1, 0); i < ListBox.count(); ++i) {
        if (upperCharByChar(ListBox.text(i)).contains(wanted))
            return i;
    }
    return -1;
}

int TfrmMain::selectedChannelIndex() const
{
    const QModelIndexList selected = ui->lstM3UPlaylists->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TfrmMain::btnSearchClick()
{
    const int found = FindNextInListBox(m_channels, ui->edtSearch->text(), selectedChannelIndex());
    if (found < 0)
        return;
    const QModelIndex index = m_channels.index(found);
    ui->lstM3UPlaylists->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    ui->lstM3UPlaylists->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TfrmMain::ButtonedEdit1KeyPress(QChar &Key)
{
    if (Key == QChar(13)) {
        Key = QChar(0);
        btnSearchClick();
        return;
    }
    // A new search term starts the next search from the top of the list.
    ui->lstM3UPlaylists->selectionModel()->clear();
}

void TfrmMain::edtSearchRightButtonClick()
{
    ui->edtSearch->clear();
    if (ui->edtSearch->isEnabled() && ui->edtSearch->isVisible())
        ui->edtSearch->setFocus(Qt::OtherFocusReason);
}

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

void TfrmMain::lblLinkClick()
{
    WebLinks::openWebPage(QString::fromLatin1(LINKURL));
}

void TfrmMain::Image1Click()
{
    lblLinkClick();
}

void TfrmMain::lblLinkMouseEnter()
{
    QFont font = ui->lblLink->font();
    font.setUnderline(true);
    ui->lblLink->setFont(font);
}

void TfrmMain::lblLinkMouseLeave()
{
    QFont font = ui->lblLink->font();
    font.setUnderline(false);
    ui->lblLink->setFont(font);
}
