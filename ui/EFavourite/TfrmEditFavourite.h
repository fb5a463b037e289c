#pragma once

#include "common/FixedDialog.h"

#include <memory>

class KeptSelection;

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
    // What was selected in the address box when Paste took the focus from it.
    KeptSelection *m_urlSelection = nullptr;
};

extern TfrmEditFavourite *frmEditFavourite;
