#include "TfrmAdminPlaylists.h"

#include "shell/CommandBoundary.h"
#include "ui_TfrmAdminPlaylists.h"

#include "AEPlaylist/TfrmAEPlaylist.h"
#include "Main/TfrmMain.h"
#include "common/ImageLists.h"
#include "common/MessageBoxes.h"
#include "paint/ListRowDelegate.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>

using CommandBoundary::command;

TfrmAdminPlaylists *frmAdminPlaylists = nullptr;

namespace {
// Once a drag has begun, it engages (and shows its feedback) after this much further movement.
constexpr int DragThreshold = 5;

// Repainting is suspended while the list is rebuilt or changed, so it repaints once.
class UpdatesSuspended final {
public:
    explicit UpdatesSuspended(QWidget &widget) : m_widget(widget) { m_widget.setUpdatesEnabled(false); }
    ~UpdatesSuspended() { m_widget.setUpdatesEnabled(true); }
    UpdatesSuspended(const UpdatesSuspended &) = delete;
    UpdatesSuspended &operator=(const UpdatesSuspended &) = delete;

private:
    QWidget &m_widget;
};

void selectNone(QListWidget &list)
{
    list.clearSelection();
    list.setCurrentRow(-1);
}
} // namespace

TfrmAdminPlaylists::TfrmAdminPlaylists(QWidget *owner)
    : FixedDialog(owner, QSize(690, 472)), ui(std::make_unique<Ui::TfrmAdminPlaylists>())
{
    ui->setupUi(this);
    setNoDefaultButtons();
    ui->lstM3UPlaylists->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->lstM3UPlaylists->setDragDropMode(QAbstractItemView::NoDragDrop);
    ui->lstM3UPlaylists->viewport()->installEventFilter(this);
    ui->lstM3UPlaylists->setItemDelegate(ListRowDelegate::adminPlaylists(ui->lstM3UPlaylists));
    ui->btnAdd->setImage(ImageList1(3), ImageLists::List1Size, 3);
    ui->btnEdit->setImage(ImageList1(6), ImageLists::List1Size, 3);
    ui->btnRemove->setImage(ImageList1(5), ImageLists::List1Size, 3);
    ui->btnClose->setImage(ImageList1(0), ImageLists::List1Size, 3);

    connect(ui->btnAdd, &QPushButton::clicked, this, command(this, &TfrmAdminPlaylists::btnAddClick));
    connect(ui->btnEdit, &QPushButton::clicked, this, command(this, &TfrmAdminPlaylists::btnEditClick));
    connect(ui->btnRemove, &QPushButton::clicked, this, command(this, &TfrmAdminPlaylists::btnRemoveClick));
    connect(ui->btnClose, &QPushButton::clicked, this, command(this, &TfrmAdminPlaylists::btnCloseClick));
}

TfrmAdminPlaylists::~TfrmAdminPlaylists() = default;

QListWidget &TfrmAdminPlaylists::playlistList()
{
    return *ui->lstM3UPlaylists;
}

int TfrmAdminPlaylists::selectedIndex() const
{
    const QList<QListWidgetItem *> selected = ui->lstM3UPlaylists->selectedItems();
    return selected.isEmpty() ? -1 : ui->lstM3UPlaylists->row(selected.first());
}

void TfrmAdminPlaylists::insertEntry(QListWidget &list, int index, const QString &text)
{
    list.insertItem(index, text);
}

void TfrmAdminPlaylists::keyPressEvent(QKeyEvent *event)
{
    // Escape closes nothing here, but still abandons a drag in progress.
    if (event->key() == Qt::Key_Escape)
        endDrag();
    FixedDialog::keyPressEvent(event);
}

void TfrmAdminPlaylists::FormShow()
{
    QListWidget &list = *ui->lstM3UPlaylists;
    {
        UpdatesSuspended suspended(list);
        list.clear();
        if (frmMain) {
            const QComboBox &combo = frmMain->playlistsDropDown();
            for (int i = 0; i < combo.count(); ++i)
                insertEntry(list, i, combo.itemText(i));
        }
    }
    selectNone(list);
}

void TfrmAdminPlaylists::FormClose()
{
    endDrag();
    QListWidget &list = *ui->lstM3UPlaylists;
    if (frmMain) {
        QComboBox &combo = frmMain->playlistsDropDown();
        QStringList entries;
        entries.reserve(list.count());
        for (int i = 0; i < list.count(); ++i)
            entries << list.item(i)->text();
        combo.clear();
        combo.addItems(entries);
        // Writing back is not a choice by the user: nothing is chosen and nothing is loaded.
        combo.setCurrentIndex(-1);
    }
    // The rows carry no channel records, so emptying the list releases everything.
    list.clear();
}

void TfrmAdminPlaylists::btnAddClick()
{
    if (!frmAEPlaylist)
        return;
    frmAEPlaylist->aeState = aeINSERT;
    frmAEPlaylist->exec();
}

void TfrmAdminPlaylists::btnEditClick()
{
    if (selectedIndex() < 0 || !frmAEPlaylist)
        return;
    frmAEPlaylist->aeState = aeEDIT;
    frmAEPlaylist->exec();
}

void TfrmAdminPlaylists::lstM3UPlaylistsDblClick()
{
    btnEditClick();
}

void TfrmAdminPlaylists::btnRemoveClick()
{
    const int index = selectedIndex();
    if (index < 0)
        return;
    QListWidget &list = *ui->lstM3UPlaylists;
    if (!MessageBoxes::Confirm(this, QStringLiteral("Remove selected playlist?"), list.item(index)->text()))
        return;
    {
        UpdatesSuspended suspended(list);
        delete list.takeItem(index);
    }
    selectNone(list);
}

void TfrmAdminPlaylists::btnCloseClick()
{
    close();
}

void TfrmAdminPlaylists::lstM3UPlaylistsMouseDown(const QPoint &pos)
{
    IsDragging = false;
    MouseDownPos = pos;
    const QModelIndex index = ui->lstM3UPlaylists->indexAt(pos);
    DragIndex = index.isValid() ? index.row() : -1;
}

void TfrmAdminPlaylists::lstM3UPlaylistsMouseMove(Qt::MouseButtons buttons, const QPoint &pos)
{
    if (!(buttons & Qt::LeftButton) || IsDragging || DragIndex == -1)
        return;
    // Qt's distance is in device-independent pixels, so it already follows the window's DPI.
    const int distance = QApplication::startDragDistance();
    if (qAbs(pos.x() - MouseDownPos.x()) > distance || qAbs(pos.y() - MouseDownPos.y()) > distance) {
        IsDragging = true;
        m_dragTracking = true;
        m_dragEngaged = false;
        m_dragStartPos = pos;
    }
}

bool TfrmAdminPlaylists::lstM3UPlaylistsDragOver(const QObject *Source) const
{
    return Source == ui->lstM3UPlaylists;
}

void TfrmAdminPlaylists::lstM3UPlaylistsDragDrop(const QPoint &pos)
{
    QListWidget &list = *ui->lstM3UPlaylists;
    const QModelIndex dropAt = list.indexAt(pos);
    int DropIndex = dropAt.isValid() ? dropAt.row() : -1;
    if (DragIndex == -1 || DropIndex == -1 || DragIndex == DropIndex || DragIndex >= list.count())
        return;
    QListWidgetItem *item = list.takeItem(DragIndex);
    const QString ItemText = item->text();
    delete item;
    // Taking the entry out moved every later one up by a row.
    if (DragIndex < DropIndex)
        --DropIndex;
    insertEntry(list, DropIndex, ItemText);
    list.setCurrentRow(DropIndex);
}

bool TfrmAdminPlaylists::trackDrag(QEvent *event)
{
    QWidget *viewport = ui->lstM3UPlaylists->viewport();
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint pos = mouse->position().toPoint();
    const bool overList = viewport->rect().contains(pos);
    if (event->type() == QEvent::MouseMove) {
        if (!m_dragEngaged && (qAbs(pos.x() - m_dragStartPos.x()) >= DragThreshold ||
                               qAbs(pos.y() - m_dragStartPos.y()) >= DragThreshold))
            m_dragEngaged = true;
        if (m_dragEngaged) {
            const bool accepted = overList && lstM3UPlaylistsDragOver(ui->lstM3UPlaylists);
            viewport->setCursor(accepted ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        const bool drop = m_dragEngaged && overList && lstM3UPlaylistsDragOver(ui->lstM3UPlaylists);
        endDrag();
        if (drop)
            lstM3UPlaylistsDragDrop(pos);
    }
    // The release still reaches the list so that it ends its own press handling.
    return false;
}

void TfrmAdminPlaylists::endDrag()
{
    if (!m_dragTracking)
        return;
    m_dragTracking = false;
    m_dragEngaged = false;
    ui->lstM3UPlaylists->viewport()->setCursor(Qt::PointingHandCursor);
}

bool TfrmAdminPlaylists::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->lstM3UPlaylists->viewport())
        return FixedDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        endDrag();
        lstM3UPlaylistsMouseDown(static_cast<QMouseEvent *>(event)->position().toPoint());
        return false;
    }
    case QEvent::MouseMove: {
        if (m_dragTracking)
            return trackDrag(event);
        auto *mouse = static_cast<QMouseEvent *>(event);
        lstM3UPlaylistsMouseMove(mouse->buttons(), mouse->position().toPoint());
        // From the start of a drag the list no longer follows the pointer with its selection.
        return m_dragTracking;
    }
    case QEvent::MouseButtonRelease:
        return m_dragTracking ? trackDrag(event) : false;
    case QEvent::MouseButtonDblClick:
        lstM3UPlaylistsMouseDown(static_cast<QMouseEvent *>(event)->position().toPoint());
        lstM3UPlaylistsDblClick();
        return true;
    default:
        return FixedDialog::eventFilter(watched, event);
    }
}
