#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmAEPlaylist;
}

class TfrmAEPlaylist final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAEPlaylist(QWidget *owner = nullptr);
    ~TfrmAEPlaylist() override;

private:
    std::unique_ptr<Ui::TfrmAEPlaylist> ui;
};

extern TfrmAEPlaylist *frmAEPlaylist;
