#pragma once

#include "channels/ChannelListModel.h"
#include "common/FixedDialog.h"

#include <QString>
#include <functional>
#include <memory>

class QFileDialog;
class Utf8StringStream;

namespace Ui {
class TfrmAdminFavourites;
}

// The favourites administration window. It lists a copy of the main window's favourites text,
// parsed when it is shown; edits and removals change only that list, and every close writes the
// list back as the new favourites text. Nothing is saved to disk here except an export.
class TfrmAdminFavourites final : public FixedDialog {
    Q_OBJECT
public:
    explicit TfrmAdminFavourites(QWidget *owner = nullptr);
    ~TfrmAdminFavourites() override;

    // The edit dialog reads and changes the list and its records directly.
    Ui::TfrmAdminFavourites &controls() { return *ui; }
    ChannelListModel &favourites() { return m_favourites; }
    // Index of the selected row, -1 when none is selected.
    int selectedIndex() const;
    // A new buffer holding one record per row, in list order; the caller owns it.
    std::unique_ptr<Utf8StringStream> buildNewFavouritesStrStream() const;

    // Export asks this instead of showing the save dialog: it gets the dialog as it would be
    // shown and returns the chosen path, or an empty text for Cancel. Empty restores the dialog.
    using SaveFileChooser = std::function<QString(QFileDialog &)>;
    static void setSaveFileChooserForTesting(SaveFileChooser chooser);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow() override;
    void FormClose() override;
    void btnEditClick();
    void btnRemoveClick();
    void btnExportClick();
    void btnCloseClick();
    void lstM3UFavouritesDblClick();
    void selectNone();
    QString chooseExportFile();

    std::unique_ptr<Ui::TfrmAdminFavourites> ui;
    ChannelListModel m_favourites;
    QFileDialog *SaveDialog1 = nullptr;
    QString m_lastExportFile;
    // Entries of the favourites text the list cannot show; written back after the listed ones.
    QString m_unlistedEntries;
    // The favourites text could not be read at this showing, so closing must leave it alone.
    bool m_textUnreadable = false;
};

extern TfrmAdminFavourites *frmAdminFavourites;
