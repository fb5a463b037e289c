#pragma once

#include "common/FixedDialog.h"

#include <memory>

namespace Ui {
class TfrmAdminPlaylists;
}

class TfrmAdminPlaylists final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAdminPlaylists(QWidget *owner = nullptr);
    ~TfrmAdminPlaylists() override;

private:
    std::unique_ptr<Ui::TfrmAdminPlaylists> ui;
};

extern TfrmAdminPlaylists *frmAdminPlaylists;
