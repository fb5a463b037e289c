#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmBusy;
}

class TfrmBusy final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmBusy(QWidget *owner = nullptr);
    ~TfrmBusy() override;

private:
    std::unique_ptr<Ui::TfrmBusy> ui;
};

extern TfrmBusy *frmBusy;
