#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmAbout;
}

// The maker's about window: its logo, web site and donation page. Shown modally from the main
// window; it keeps no state.
class TfrmAbout final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *owner = nullptr);
    ~TfrmAbout() override;

    Ui::TfrmAbout &controls() { return *ui; }

private:
    void btnDonateClick();
    void Label5Click();
    void btnCloseClick();

    std::unique_ptr<Ui::TfrmAbout> ui;
};

extern TfrmAbout *frmAbout;
