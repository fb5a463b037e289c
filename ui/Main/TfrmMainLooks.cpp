// The main window's looks: the button pictures, the logo, the search box's cross and the row
// painting of the channel list; and the gradient painter the lists draw their selected rows with.
#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "common/ImageLists.h"
#include "paint/DrawGradient.h"
#include "paint/ListRowDelegate.h"

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
