#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmAbout;
}

class TfrmAbout final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *owner = nullptr);
    ~TfrmAbout() override;

private:
    std::unique_ptr<Ui::TfrmAbout> ui;
};

extern TfrmAbout *frmAbout;
