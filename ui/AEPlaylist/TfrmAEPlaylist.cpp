#include "TfrmAEPlaylist.h"

#include "shell/CommandBoundary.h"
#include "ui_TfrmAEPlaylist.h"

#include "AdminPlaylists/TfrmAdminPlaylists.h"
#include "common/ImageLists.h"
#include "common/KeptSelection.h"

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <limits>

using CommandBoundary::command;

TfrmAEPlaylist *frmAEPlaylist = nullptr;

namespace {
TfrmAEPlaylist::OpenDialogHandler &openDialogHandler()
{
    static TfrmAEPlaylist::OpenDialogHandler handler;
    return handler;
}
} // namespace

TfrmAEPlaylist::TfrmAEPlaylist(QWidget *owner)
    : FixedDialog(owner, QSize(476, 119)), ui(std::make_unique<Ui::TfrmAEPlaylist>())
{
    ui->setupUi(this);
    setNoDefaultButtons();
    ui->edtPlaylist->setMaxLength(std::numeric_limits<int>::max());
    ui->edtPlaylist->installEventFilter(this);
    ui->btnOK->setImage(ImageList1(7), ImageLists::List1Size, 3);
    ui->btnCancel->setImage(ImageList1(0), ImageLists::List1Size, 3);
    ui->btnPaste->setImage(ImageList1(8), ImageLists::List1Size, 3);
    m_selection = new KeptSelection(ui->edtPlaylist);

    OpenDialog1 = new QFileDialog(this, QStringLiteral("Open m3u Playlist"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setNameFilter(QStringLiteral("M3U Playlist (*.m3u)"));
    OpenDialog1->setOption(QFileDialog::ReadOnly, false);
    OpenDialog1->setSizeGripEnabled(true);

    connect(ui->btnOK, &QPushButton::clicked, this, command(this, &TfrmAEPlaylist::btnOKClick));
    connect(ui->btnCancel, &QPushButton::clicked, this, command(this, &TfrmAEPlaylist::btnCancelClick));
    connect(ui->btnPaste, &QPushButton::clicked, this, command(this, &TfrmAEPlaylist::btnPasteClick));
    connect(ui->btnBrowse, &QPushButton::clicked, this, command(this, &TfrmAEPlaylist::btnBrowseClick));
}

TfrmAEPlaylist::~TfrmAEPlaylist() = default;

void TfrmAEPlaylist::setOpenDialogForTesting(OpenDialogHandler handler)
{
    openDialogHandler() = std::move(handler);
}

void TfrmAEPlaylist::FormShow()
{
    QLineEdit &edit = *ui->edtPlaylist;
    if (aeState == aeINSERT) {
        edit.clear();
    } else if (aeState == aeEDIT && frmAdminPlaylists) {
        const int index = frmAdminPlaylists->selectedIndex();
        const QListWidget &list = frmAdminPlaylists->playlistList();
        edit.setText(index >= 0 ? list.item(index)->text() : QString());
    }
    if (edit.isEnabled() && edit.isVisible()) {
        edit.setFocus(Qt::OtherFocusReason);
        // Typing or pasting replaces the preloaded text.
        edit.selectAll();
    }
}

bool TfrmAEPlaylist::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->edtPlaylist) {
        if (event->type() == QEvent::KeyPress)
            return edtPlaylistKeyPress(static_cast<QKeyEvent *>(event));
    }
    return FixedDialog::eventFilter(watched, event);
}

bool TfrmAEPlaylist::edtPlaylistKeyPress(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    btnOKClick();
    return true;
}

void TfrmAEPlaylist::btnOKClick()
{
    const QString text = ui->edtPlaylist->text();
    if (text.isEmpty())
        return;
    if (frmAdminPlaylists) {
        if (aeState == aeINSERT) {
            insertIntoPlaylist(text);
        } else if (aeState == aeEDIT) {
            QListWidget &list = frmAdminPlaylists->playlistList();
            const int index = frmAdminPlaylists->selectedIndex();
            if (index >= 0) {
                list.setUpdatesEnabled(false);
                list.item(index)->setText(text);
                list.setUpdatesEnabled(true);
            }
        }
    }
    close();
}

void TfrmAEPlaylist::insertIntoPlaylist(const QString &text)
{
    QListWidget &list = frmAdminPlaylists->playlistList();
    // Placed by length in UTF-16 code units, before the first entry at least as long; only the
    // existing order is consulted, the list as a whole is not kept ordered.
    int index = 0;
    while (index < list.count() && list.item(index)->text().size() < text.size())
        ++index;
    TfrmAdminPlaylists::insertEntry(list, index, text);
}

void TfrmAEPlaylist::btnBrowseClick()
{
    std::optional<QString> chosen;
    if (openDialogHandler()) {
        chosen = openDialogHandler()(*OpenDialog1);
    } else if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedFiles().isEmpty()) {
        chosen = OpenDialog1->selectedFiles().constFirst();
    }
    if (!chosen)
        return;
    ui->edtPlaylist->setText(QStringLiteral("file:///") + QDir::toNativeSeparators(*chosen));
}

void TfrmAEPlaylist::btnPasteClick()
{
    m_selection->paste();
}

void TfrmAEPlaylist::btnCancelClick()
{
    close();
}
