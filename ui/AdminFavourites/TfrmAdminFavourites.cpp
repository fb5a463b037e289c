#include "TfrmAdminFavourites.h"

#include "shell/CommandBoundary.h"
#include "ui_TfrmAdminFavourites.h"

#include "EFavourite/TfrmEditFavourite.h"
#include "Main/TfrmMain.h"
#include "channels/M3UReader.h"
#include "common/ImageLists.h"
#include "common/MessageBoxes.h"
#include "favourites/FavouritesText.h"
#include "favourites/Utf8StringStream.h"
#include "paint/ListRowDelegate.h"
#include "shell/NorvaleError.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QShowEvent>

using CommandBoundary::command;

TfrmAdminFavourites *frmAdminFavourites = nullptr;

namespace {
TfrmAdminFavourites::SaveFileChooser &saveFileChooser()
{
    static TfrmAdminFavourites::SaveFileChooser chooser;
    return chooser;
}
} // namespace

TfrmAdminFavourites::TfrmAdminFavourites(QWidget *owner)
    : FixedDialog(owner, QSize(451, 472)), ui(std::make_unique<Ui::TfrmAdminFavourites>())
{
    ui->setupUi(this);
    setNoDefaultButtons();
    ui->lstM3UFavourites->setModel(&m_favourites);
    ui->lstM3UFavourites->setItemDelegate(ListRowDelegate::adminFavourites(ui->lstM3UFavourites));
    ui->lstM3UFavourites->viewport()->installEventFilter(this);
    ui->btnClose->setImage(ImageList1(0), ImageLists::List1Size, 3);
    ui->btnRemove->setImage(ImageList1(5), ImageLists::List1Size, 3);
    ui->btnEdit->setImage(ImageList1(6), ImageLists::List1Size, 3);
    ui->btnExport->setImage(ImageList1(13), ImageLists::List1Size, 3);

    connect(ui->btnClose, &QPushButton::clicked, this, command(this, &TfrmAdminFavourites::btnCloseClick));
    connect(ui->btnRemove, &QPushButton::clicked, this, command(this, &TfrmAdminFavourites::btnRemoveClick));
    connect(ui->btnEdit, &QPushButton::clicked, this, command(this, &TfrmAdminFavourites::btnEditClick));
    connect(ui->btnExport, &QPushButton::clicked, this, command(this, &TfrmAdminFavourites::btnExportClick));
}

TfrmAdminFavourites::~TfrmAdminFavourites() = default;

void TfrmAdminFavourites::setSaveFileChooserForTesting(SaveFileChooser chooser)
{
    saveFileChooser() = std::move(chooser);
}

int TfrmAdminFavourites::selectedIndex() const
{
    const QModelIndexList selected = ui->lstM3UFavourites->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

std::unique_ptr<Utf8StringStream> TfrmAdminFavourites::buildNewFavouritesStrStream() const
{
    auto strStream = std::make_unique<Utf8StringStream>();
    for (int i = 0; i < m_favourites.count(); ++i) {
        if (const TM3UChannel *channel = m_favourites.channel(i))
            writeFavouriteRecord(*strStream, *channel);
    }
    return strStream;
}

bool TfrmAdminFavourites::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->lstM3UFavourites->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        lstM3UFavouritesDblClick();
        return true;
    }
    return FixedDialog::eventFilter(watched, event);
}

void TfrmAdminFavourites::selectNone()
{
    ui->lstM3UFavourites->selectionModel()->clear();
}

void TfrmAdminFavourites::FormShow()
{
    m_textUnreadable = false;
    m_unlistedEntries.clear();
    clearChannels(m_favourites);
    QCoreApplication::processEvents();
    try {
        const Utf8StringStream *text = frmMain ? frmMain->favouriteStrStream.get() : nullptr;
        const QString content = text ? text->wholeText() : QString();
        m_unlistedEntries = unlistedFavouriteEntries(content);
        ParseM3UContent(m_favourites, content);
    } catch (const NorvaleError &error) {
        // The window opens empty and usable; closing it then leaves the favourites as they are.
        m_textUnreadable = true;
        MessageBoxes::Stop(parentWidget(), error.message());
    }
    selectNone();
}

void TfrmAdminFavourites::FormClose()
{
    if (!frmMain)
        return;
    if (frmMain->favouriteStrStream && !m_textUnreadable) {
        const std::unique_ptr<Utf8StringStream> strStream = buildNewFavouritesStrStream();
        Utf8StringStream &favourites = *frmMain->favouriteStrStream;
        favourites.clear();
        QCoreApplication::processEvents();
        favourites.writeText(strStream->wholeText() + m_unlistedEntries);
    }
    // Writing back is not a choice by the user: nothing is chosen and nothing is loaded.
    frmMain->playlistsDropDown().setCurrentIndex(-1);
    frmMain->clearChannels(frmMain->channels());
}

void TfrmAdminFavourites::btnEditClick()
{
    if (selectedIndex() < 0 || !frmEditFavourite)
        return;
    frmEditFavourite->exec();
}

void TfrmAdminFavourites::lstM3UFavouritesDblClick()
{
    btnEditClick();
}

void TfrmAdminFavourites::btnRemoveClick()
{
    const int index = selectedIndex();
    if (index < 0)
        return;
    if (!MessageBoxes::Confirm(this, QStringLiteral("Remove selected Favourite?"), m_favourites.text(index)))
        return;
    m_favourites.removeAt(index);
    selectNone();
}

QString TfrmAdminFavourites::chooseExportFile()
{
    if (!SaveDialog1) {
        SaveDialog1 = new QFileDialog(this, QStringLiteral("Export Favourite Playlist"));
        SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog1->setFileMode(QFileDialog::AnyFile);
        SaveDialog1->setNameFilter(QStringLiteral("M3U Playlist (*.m3u)"));
        SaveDialog1->setDefaultSuffix(QStringLiteral("m3u"));
        SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite, false);
        SaveDialog1->setSizeGripEnabled(true);
    }
    // The name chosen last is offered again.
    if (!m_lastExportFile.isEmpty())
        SaveDialog1->selectFile(m_lastExportFile);

    QString chosen;
    if (saveFileChooser()) {
        chosen = saveFileChooser()(*SaveDialog1);
    } else if (SaveDialog1->exec() == QDialog::Accepted && !SaveDialog1->selectedFiles().isEmpty()) {
        chosen = SaveDialog1->selectedFiles().constFirst();
    }
    if (!chosen.isEmpty())
        m_lastExportFile = chosen;
    return chosen;
}

void TfrmAdminFavourites::btnExportClick()
{
    if (m_favourites.count() == 0)
        return;
    const QString fileName = chooseExportFile();
    if (fileName.isEmpty())
        return;
    const std::unique_ptr<Utf8StringStream> strStream = buildNewFavouritesStrStream();
    const QString error = strStream->saveToFile(fileName);
    if (!error.isEmpty())
        MessageBoxes::Error(this, error);
}

void TfrmAdminFavourites::btnCloseClick()
{
    close();
}
