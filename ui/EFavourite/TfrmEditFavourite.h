#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmEditFavourite;
}

class TfrmEditFavourite final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmEditFavourite(QWidget *owner = nullptr);
    ~TfrmEditFavourite() override;

private:
    std::unique_ptr<Ui::TfrmEditFavourite> ui;
};

extern TfrmEditFavourite *frmEditFavourite;
