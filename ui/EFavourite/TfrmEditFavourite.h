#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmEditFavourite;
}

// Changes the name and stream address of the favourite selected in the favourites
// administration list. It keeps no data of its own: OK writes straight into that row and its
// record, and refuses a name or address the favourites could not be read back with.
class TfrmEditFavourite final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmEditFavourite(QWidget *owner = nullptr);
    ~TfrmEditFavourite() override;

    Ui::TfrmEditFavourite &controls() { return *ui; }

private:
    void FormShow() override;
    void btnOKClick();
    void btnCancelClick();
    void btnPasteClick();

    std::unique_ptr<Ui::TfrmEditFavourite> ui;
};

extern TfrmEditFavourite *frmEditFavourite;
