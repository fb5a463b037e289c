#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmAdminFavourites;
}

class TfrmAdminFavourites final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAdminFavourites(QWidget *owner = nullptr);
    ~TfrmAdminFavourites() override;

private:
    std::unique_ptr<Ui::TfrmAdminFavourites> ui;
};

extern TfrmAdminFavourites *frmAdminFavourites;
