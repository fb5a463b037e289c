#pragma once

#include "common/FixedDialog.h"

#include <QPoint>
#include <memory>

class QObject;
class QListWidget;

namespace Ui {
class TfrmAdminPlaylists;
}

// The playlist administration window. It edits a copy of the main window's source drop-down,
// taken when it is shown and written back whenever it closes; nothing is saved to disk here.
class TfrmAdminPlaylists final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAdminPlaylists(QWidget *owner = nullptr);
    ~TfrmAdminPlaylists() override;

    // The add/edit dialog reads and changes the list directly.
    Ui::TfrmAdminPlaylists &controls() { return *ui; }
    QListWidget &playlistList();
    // Index of the selected entry, -1 when none is selected.
    int selectedIndex() const;
    // Puts a source entry into the list as a row of plain text.
    static void insertEntry(QListWidget &list, int index, const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow() override;
    void FormClose() override;
    void btnAddClick();
    void btnEditClick();
    void btnRemoveClick();
    void btnCloseClick();
    void lstM3UPlaylistsDblClick();
    void lstM3UPlaylistsMouseDown(const QPoint &pos);
    void lstM3UPlaylistsMouseMove(Qt::MouseButtons buttons, const QPoint &pos);
    bool lstM3UPlaylistsDragOver(const QObject *Source) const;
    void lstM3UPlaylistsDragDrop(const QPoint &pos);

    // The drag in progress after IsDragging was set: where it began and whether it has moved far
    // enough to engage. A release over the list while engaged is the drop.
    bool trackDrag(QEvent *event);
    void endDrag();

    std::unique_ptr<Ui::TfrmAdminPlaylists> ui;
    int DragIndex = -1;
    QPoint MouseDownPos;
    bool IsDragging = false;
    QPoint m_dragStartPos;
    bool m_dragEngaged = false;
    bool m_dragTracking = false;
};

extern TfrmAdminPlaylists *frmAdminPlaylists;
