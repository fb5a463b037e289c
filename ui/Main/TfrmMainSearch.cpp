// The channel search: the search box, its Enter and grey cross, and the step down the channel
// list from the selected entry.
#include "TfrmMain.h"

#include "ui_TfrmMain.h"

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
