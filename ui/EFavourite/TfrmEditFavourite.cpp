#include "TfrmEditFavourite.h"

#include "shell/CommandBoundary.h"
#include "ui_TfrmEditFavourite.h"

#include "AdminFavourites/TfrmAdminFavourites.h"
#include "common/ImageLists.h"
#include "common/KeptSelection.h"
#include "common/MessageBoxes.h"
#include "favourites/FavouritesText.h"

#include <QKeyEvent>
#include <QShowEvent>

using CommandBoundary::command;

TfrmEditFavourite *frmEditFavourite = nullptr;

namespace {
TM3UChannel *selectedFavourite()
{
    if (!frmAdminFavourites)
        return nullptr;
    return frmAdminFavourites->favourites().channel(frmAdminFavourites->selectedIndex());
}
} // namespace

TfrmEditFavourite::TfrmEditFavourite(QWidget *owner)
    : FixedDialog(owner, QSize(690, 170)), ui(std::make_unique<Ui::TfrmEditFavourite>())
{
    ui->setupUi(this);
    setNoDefaultButtons();
    ui->btnPaste->setImage(ImageList1(8), ImageLists::List1Size, 3);
    ui->btnOK->setImage(ImageList1(7), ImageLists::List1Size, 3);
    ui->btnCancel->setImage(ImageList1(0), ImageLists::List1Size, 3);
    m_urlSelection = new KeptSelection(ui->edtFavouriteURL);

    connect(ui->btnOK, &QPushButton::clicked, this, command(this, &TfrmEditFavourite::btnOKClick));
    connect(ui->btnCancel, &QPushButton::clicked, this, command(this, &TfrmEditFavourite::btnCancelClick));
    connect(ui->btnPaste, &QPushButton::clicked, this, command(this, &TfrmEditFavourite::btnPasteClick));
}

TfrmEditFavourite::~TfrmEditFavourite() = default;

void TfrmEditFavourite::FormShow()
{
    const TM3UChannel *channel = selectedFavourite();
    if (!channel)
        return;
    ui->edtFavouriteName->setText(channel->Name);
    ui->edtFavouriteURL->setText(channel->URL);
    if (ui->edtFavouriteName->isEnabled()) {
        ui->edtFavouriteName->setFocus();
        ui->edtFavouriteName->selectAll();
    }
}

void TfrmEditFavourite::btnOKClick()
{
    TM3UChannel *channel = selectedFavourite();
    if (!channel) {
        close();
        return;
    }
    const QString name = ui->edtFavouriteName->text();
    const QString url = ui->edtFavouriteURL->text();
    // A favourite the list could not show again would be lost at the window's next close.
    const QString refusal = favouriteRefusal(name, url);
    if (!refusal.isEmpty()) {
        MessageBoxes::Information(this, refusal);
        return;
    }
    // The row keeps its place (and its selection) even when the new name sorts elsewhere.
    frmAdminFavourites->favourites().setText(frmAdminFavourites->selectedIndex(), name);
    channel->Name = name;
    channel->URL = url;
    close();
}

void TfrmEditFavourite::btnCancelClick()
{
    close();
}

void TfrmEditFavourite::btnPasteClick()
{
    m_urlSelection->paste();
}
