// The channel search: the search box, its Enter and grey cross, and the step down the channel
// list from the selected entry.
#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include <QItemSelectionModel>

int TfrmMain::FindNextInListBox(const ChannelListModel &ListBox, const QString &SearchText, int StartIndex)
{
    // Both texts upper-cased one UTF-16 unit at a time, as CharUpperBuffW does, then an exact
    // search; the list keeps its rows upper-cased for this, so an Enter reads no row itself.
    return ListBox.findNext(SearchText, StartIndex);
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
