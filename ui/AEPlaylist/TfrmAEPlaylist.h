#pragma once

#include "common/FixedDialog.h"

#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

class KeptSelection;
class QFileDialog;

namespace Ui {
class TfrmAEPlaylist;
}

// The modes the caller sets in aeState before showing the dialog.
constexpr qint16 aeINSERT = 1; // adds a new entry
constexpr qint16 aeEDIT = 2;   // edits the entry selected in the administration window

// The add/edit dialog for one playlist source. It has no list of its own: it reads and changes
// the administration window's list directly.
class TfrmAEPlaylist final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAEPlaylist(QWidget *owner = nullptr);
    ~TfrmAEPlaylist() override;

    Ui::TfrmAEPlaylist &controls() { return *ui; }

    // Tests answer the file-open dialog instead of the user: the handler receives the prepared
    // dialog and returns the chosen path, or nothing for Cancel. An empty function restores it.
    using OpenDialogHandler = std::function<std::optional<QString>(QFileDialog &)>;
    static void setOpenDialogForTesting(OpenDialogHandler handler);

    qint16 aeState = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow() override;
    bool edtPlaylistKeyPress(QKeyEvent *event);
    void btnOKClick();
    void btnBrowseClick();
    void btnPasteClick();
    void btnCancelClick();
    void insertIntoPlaylist(const QString &text);

    std::unique_ptr<Ui::TfrmAEPlaylist> ui;
    QFileDialog *OpenDialog1 = nullptr;
    // What was selected in the box when Paste took the focus from it.
    KeptSelection *m_selection = nullptr;
};

extern TfrmAEPlaylist *frmAEPlaylist;
