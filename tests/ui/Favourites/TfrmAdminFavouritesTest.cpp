// The favourites administration window and its edit dialog: the copy parsed at each showing and
// written back at every close, editing in place, removing with confirmation, exporting through
// the save dialog, and a favourites text that cannot be read.

#include "AdminFavourites/TfrmAdminFavourites.h"
#include "../WindowTestSupport.h"
#include "EFavourite/TfrmEditFavourite.h"
#include "Main/TfrmMain.h"
#include "common/ImageLists.h"
#include "common/MessageBoxes.h"
#include "paint/ImageButton.h"
#include "shell/AppPaths.h"
#include "ui_TfrmAdminFavourites.h"
#include "ui_TfrmEditFavourite.h"
#include "ui_TfrmMain.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

namespace {
const QByteArray kBom("\xEF\xBB\xBF");

QByteArray record(const QByteArray &name, const QByteArray &url)
{
    return "#EXTINF:-1," + name + "\r\n" + url + "\r\n\r\n";
}

const QByteArray kABC = record("A", "udp://a") + record("B", "udp://b") + record("C", "udp://c");

// Counts the times a window is shown, however briefly.
class ShowCounter final : public QObject {
public:
    explicit ShowCounter(QWidget *watched) { watched->installEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

struct Control {
    const char *name;
    QRect geometry;
    const char *text;
    int image; // -1: none
};

const Control AdminTable[] = {
    {"btnClose", {366, 420, 75, 35}, "Close", 0},   {"btnRemove", {233, 420, 97, 35}, "Remove", 5},
    {"btnEdit", {136, 420, 75, 35}, "Edit", 6},     {"lstM3UFavourites", {16, 16, 425, 385}, "", -1},
    {"btnExport", {16, 420, 97, 35}, "Export", 13},
};

const Control EditTable[] = {
    {"btnPaste", {296, 118, 97, 35}, "Paste", 8},   {"btnOK", {16, 118, 75, 35}, "OK", 7},
    {"btnCancel", {593, 118, 89, 35}, "Cancel", 0}, {"edtFavouriteName", {16, 24, 377, 27}, "", -1},
    {"edtFavouriteURL", {17, 72, 665, 27}, "", -1},
};

// Checks one window against its table: geometry, captions, images 3 px from the left, the font,
// the pointer, no default button, and the tab order being the table's order.
template <size_t N> void checkLayout(QWidget &window, const Control (&table)[N])
{
    QStringList order;
    for (const Control &row : table) {
        auto *w = window.findChild<QWidget *>(QLatin1String(row.name));
        QVERIFY2(w, row.name);
        order << QLatin1String(row.name);
        QCOMPARE(w->geometry(), row.geometry);
        QCOMPARE(w->font().family(), QStringLiteral("Calibri Light"));
        QCOMPARE(QFontInfo(w->font()).pixelSize(), 16);
        const bool isEdit = qobject_cast<QLineEdit *>(w) != nullptr;
        QCOMPARE(w->cursor().shape() == Qt::PointingHandCursor, !isEdit);
        if (auto *b = qobject_cast<ImageButton *>(w)) {
            QCOMPARE(b->text(), QString::fromUtf8(row.text));
            QCOMPARE(b->iconSize(), QSize(ImageLists::List1Size, ImageLists::List1Size));
            QCOMPARE(b->imageRect().left(), 3);
            QCOMPARE(b->icon().pixmap(ImageLists::List1Size).toImage(),
                     ImageList1Pixmap(row.image).toImage());
            QVERIFY2(!b->autoDefault() && !b->isDefault(), row.name);
        }
    }
    QStringList chain;
    QWidget *first = window.findChild<QWidget *>(QLatin1String(table[0].name));
    QWidget *w = first;
    do {
        if (order.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first);
    QCOMPARE(chain, order);
}
} // namespace

class TfrmAdminFavouritesTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QList<MessageBoxes::Shown> boxes;
    bool confirmAnswer = true;
    // What the save dialog answers, and what it looked like each time it was asked.
    QString exportAnswer;
    QList<QFileDialog *> dialogsAsked;
    QStringList offeredFiles;

    QString favFile() const { return dir->filePath(QStringLiteral("FavouritesPlaylist.m3u")); }

    // The main window and both favourites windows over a favourites file holding `stored`.
    void createWindows(const QByteArray &stored)
    {
        writeFile(favFile(), stored);
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmAdminFavourites = new TfrmAdminFavourites(frmMain);
        frmEditFavourite = new TfrmEditFavourite(frmMain);
    }

    Ui::TfrmAdminFavourites &admin() { return frmAdminFavourites->controls(); }
    Ui::TfrmEditFavourite &edit() { return frmEditFavourite->controls(); }
    QByteArray favouriteBytes() const { return frmMain->favouriteStrStream->bytes(); }
    QStringList rows() const
    {
        QStringList list;
        for (int i = 0; i < frmAdminFavourites->favourites().count(); ++i)
            list << frmAdminFavourites->favourites().text(i);
        return list;
    }

    // Shown as the main window's button would show it, but without the modal loop, so that the
    // test can go on driving it.
    void showAdmin()
    {
        frmAdminFavourites->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmAdminFavourites));
    }
    QPoint rowCentre(int row)
    {
        return admin().lstM3UFavourites->visualRect(frmAdminFavourites->favourites().index(row)).center();
    }
    void selectRow(int row)
    {
        QTest::mouseClick(admin().lstM3UFavourites->viewport(), Qt::LeftButton, {}, rowCentre(row));
        QCOMPARE(frmAdminFavourites->selectedIndex(), row);
    }
    // Opens the edit dialog on the selected row, lets `fill` work in it, and returns once it is
    // closed again.
    void editSelected(const std::function<void()> &fill)
    {
        bool ran = false;
        whenShown(frmEditFavourite, [&] {
            ran = true;
            fill();
            // A refused edit leaves the dialog open; Cancel then ends it.
            if (frmEditFavourite->isVisible())
                QTest::mouseClick(edit().btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(admin().btnEdit, Qt::LeftButton);
        QVERIFY(ran);
        QVERIFY(!frmEditFavourite->isVisible());
    }
    // Fills the main window's list and chooses a source, as a loaded playlist leaves them.
    void fillMainWindow()
    {
        QComboBox &combo = *frmMain->controls().cmbPlaylists;
        combo.addItem(QStringLiteral("file:///tv.m3u"));
        combo.setCurrentIndex(0);
        frmMain->ParseM3UContent(frmMain->channels(), QStringLiteral("#EXTINF:-1,Old\r\nudp://old\r\n"));
        QCOMPARE(frmMain->channels().count(), 1);
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        confirmAnswer = true;
        enterWindowSandbox(*dir, boxes, &confirmAnswer);
        exportAnswer.clear();
        dialogsAsked.clear();
        offeredFiles.clear();
        TfrmAdminFavourites::setSaveFileChooserForTesting([this](QFileDialog &dialog) {
            dialogsAsked << &dialog;
            offeredFiles << dialog.selectedFiles().value(0);
            return exportAnswer;
        });
    }
    void cleanup()
    {
        delete frmMain; // owns both favourites windows
        frmMain = nullptr;
        frmAdminFavourites = nullptr;
        frmEditFavourite = nullptr;
        TfrmAdminFavourites::setSaveFileChooserForTesting({});
        leaveWindowSandbox();
    }

    void layoutMatchesTheTables()
    {
        createWindows(kABC);
        QCOMPARE(frmAdminFavourites->windowTitle(), QStringLiteral("Favourites Administration"));
        QCOMPARE(frmAdminFavourites->size(), QSize(451, 472));
        QCOMPARE(frmAdminFavourites->minimumSize(), frmAdminFavourites->maximumSize());
        checkLayout(*frmAdminFavourites, AdminTable);

        QCOMPARE(frmEditFavourite->windowTitle(), QStringLiteral("Edit Favourite"));
        QCOMPARE(frmEditFavourite->size(), QSize(690, 170));
        QCOMPARE(frmEditFavourite->minimumSize(), frmEditFavourite->maximumSize());
        QVERIFY(frmEditFavourite->findChildren<QLabel *>().isEmpty());
        checkLayout(*frmEditFavourite, EditTable);

        showAdmin();
        QCOMPARE(admin().lstM3UFavourites->sizeHintForRow(0), 23);
        QCOMPARE(admin().lstM3UFavourites->visualRect(frmAdminFavourites->favourites().index(1)).top(), 23);
        frmAdminFavourites->close();
    }

    void openAndCloseRewritesTheTextInSortedOrder_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("main window's button, then Close") << QStringLiteral("modal");
        QTest::newRow("Close button") << QStringLiteral("btnClose");
        QTest::newRow("close box") << QStringLiteral("close");
    }
    void openAndCloseRewritesTheTextInSortedOrder()
    {
        QFETCH(QString, how);
        // Out of order, with a byte-order mark and an entry the list cannot show.
        const QByteArray unlisted = "#EXTINF:-1,Film, Drama\r\nudp://f\r\n";
        createWindows(kBom + record("b", "udp://b") + unlisted + "\r\n" + record("C", "udp://c") +
                      record("a", "udp://a"));
        fillMainWindow();

        QStringList shown;
        int selectedWhenShown = 0;
        if (how == QLatin1String("modal")) {
            frmMain->show();
            QVERIFY(QTest::qWaitForWindowExposed(frmMain));
            whenShown(frmAdminFavourites, [&] {
                shown = rows();
                selectedWhenShown = frmAdminFavourites->selectedIndex();
                QTest::mouseClick(admin().btnClose, Qt::LeftButton);
            });
            QTest::mouseClick(frmMain->controls().btnAEFavourites, Qt::LeftButton);
        } else {
            showAdmin();
            shown = rows();
            selectedWhenShown = frmAdminFavourites->selectedIndex();
            if (how == QLatin1String("btnClose"))
                QTest::mouseClick(admin().btnClose, Qt::LeftButton);
            else
                frmAdminFavourites->close();
        }

        QCOMPARE(shown, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("C")}));
        QCOMPARE(selectedWhenShown, -1);
        QVERIFY(!frmAdminFavourites->isVisible());
        // The mark is gone, the records are in the list's order, and the entry nobody saw is kept.
        QCOMPARE(favouriteBytes(),
                 record("a", "udp://a") + record("b", "udp://b") + record("C", "udp://c") + unlisted);
        QCOMPARE(frmMain->controls().cmbPlaylists->currentIndex(), -1);
        QCOMPARE(frmMain->channels().count(), 0);
        QCOMPARE(rows().size(), 3); // the rows stay until the next showing
        QVERIFY(boxes.isEmpty());
    }

    void eachShowingStartsFromTheFavouritesText()
    {
        createWindows(kABC);
        showAdmin();
        selectRow(1);
        frmAdminFavourites->close();
        frmMain->favouriteStrStream->clear();
        frmMain->favouriteStrStream->writeText(QStringLiteral("#EXTINF:-1,X\r\nudp://x\r\n\r\n"));
        showAdmin();
        QCOMPARE(rows(), QStringList{QStringLiteral("X")});
        QCOMPARE(frmAdminFavourites->selectedIndex(), -1);
        frmAdminFavourites->close();
    }

    void editKeepsTheRowWhereItIs_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("Edit button") << false;
        QTest::newRow("double-click") << true;
    }
    void editKeepsTheRowWhereItIs()
    {
        QFETCH(bool, doubleClick);
        createWindows(kABC);
        showAdmin();
        selectRow(0);

        QString nameShown, urlShown, nameSelection;
        bool nameFocused = false;
        whenShown(frmEditFavourite, [&] {
            nameShown = edit().edtFavouriteName->text();
            urlShown = edit().edtFavouriteURL->text();
            nameFocused = frmEditFavourite->focusWidget() == edit().edtFavouriteName;
            nameSelection = edit().edtFavouriteName->selectedText();
            edit().edtFavouriteName->setText(QStringLiteral("Zed"));
            edit().edtFavouriteURL->setText(QStringLiteral("udp://z"));
            QTest::mouseClick(edit().btnOK, Qt::LeftButton);
        });
        if (doubleClick)
            QTest::mouseDClick(admin().lstM3UFavourites->viewport(), Qt::LeftButton, {}, rowCentre(0));
        else
            QTest::mouseClick(admin().btnEdit, Qt::LeftButton);

        QCOMPARE(nameShown, QStringLiteral("A"));
        QCOMPARE(urlShown, QStringLiteral("udp://a"));
        QVERIFY(nameFocused);
        QCOMPARE(nameSelection, QStringLiteral("A"));
        QVERIFY(!frmEditFavourite->isVisible());
        // The new name sorts last but the row stays first, still selected, with its record changed.
        QCOMPARE(rows(), (QStringList{QStringLiteral("Zed"), QStringLiteral("B"), QStringLiteral("C")}));
        QCOMPARE(frmAdminFavourites->selectedIndex(), 0);
        const TM3UChannel *changed = frmAdminFavourites->favourites().channel(0);
        QCOMPARE(changed->Name, QStringLiteral("Zed"));
        QCOMPARE(changed->URL, QStringLiteral("udp://z"));
        // Nothing reaches the favourites text before the window closes; then the rows' order does.
        QCOMPARE(favouriteBytes(), kABC);
        frmAdminFavourites->close();
        QCOMPARE(favouriteBytes(),
                 record("Zed", "udp://z") + record("B", "udp://b") + record("C", "udp://c"));
        showAdmin();
        QCOMPARE(rows(), (QStringList{QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("Zed")}));
        frmAdminFavourites->close();
        QVERIFY(boxes.isEmpty());
    }

    void leavingTheEditDialogChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << QStringLiteral("cancel");
        QTest::newRow("close box") << QStringLiteral("close");
        QTest::newRow("Enter and Escape do not leave it") << QStringLiteral("keys");
    }
    void leavingTheEditDialogChangesNothing()
    {
        QFETCH(QString, how);
        createWindows(kABC);
        showAdmin();
        selectRow(1);
        bool stillOpenAfterKeys = false;
        editSelected([&] {
            edit().edtFavouriteName->setText(QStringLiteral("Changed"));
            edit().edtFavouriteURL->setText(QStringLiteral("udp://changed"));
            if (how == QLatin1String("cancel")) {
                QTest::mouseClick(edit().btnCancel, Qt::LeftButton);
            } else if (how == QLatin1String("close")) {
                frmEditFavourite->close();
            } else {
                QTest::keyClick(edit().edtFavouriteName, Qt::Key_Return);
                QTest::keyClick(edit().edtFavouriteURL, Qt::Key_Enter);
                QTest::keyClick(edit().edtFavouriteURL, Qt::Key_Escape);
                stillOpenAfterKeys = frmEditFavourite->isVisible();
            }
        });
        if (how == QLatin1String("keys"))
            QVERIFY(stillOpenAfterKeys);
        QCOMPARE(rows(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        QCOMPARE(frmAdminFavourites->favourites().channel(1)->URL, QStringLiteral("udp://b"));
        frmAdminFavourites->close();
        QCOMPARE(favouriteBytes(), kABC);
    }

    void pasteInsertsTheClipboardIntoTheAddress()
    {
        createWindows(kABC);
        showAdmin();
        selectRow(0);
        QGuiApplication::clipboard()->setText(QStringLiteral("rtmp://pasted/live"));
        QString url;
        editSelected([&] {
            edit().edtFavouriteURL->setText(QStringLiteral("udp://old"));
            edit().edtFavouriteURL->setSelection(0, 6); // "udp://"
            QTest::mouseClick(edit().btnPaste, Qt::LeftButton);
            url = edit().edtFavouriteURL->text();
        });
        QCOMPARE(url, QStringLiteral("rtmp://pasted/liveold"));
    }

    // Selected with the keyboard in the focused address box, then a real click on Paste, which
    // takes the focus from the box before it pastes.
    void pasteReplacesWhatWasSelectedBeforeTheClick_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length"); // 0: only the caret
        QTest::addColumn<int>("pastes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("scheme selected") << 0 << 6 << 1 << "rtmp://pasted/liveold";
        QTest::newRow("end selected") << 6 << 3 << 1 << "udp://rtmp://pasted/live";
        QTest::newRow("all selected") << 0 << 9 << 1 << "rtmp://pasted/live";
        QTest::newRow("caret inside") << 3 << 0 << 1 << "udprtmp://pasted/live://old";
        QTest::newRow("caret at the end") << 9 << 0 << 1 << "udp://oldrtmp://pasted/live";
        QTest::newRow("second paste goes after the first")
            << 0 << 6 << 2 << "rtmp://pasted/livertmp://pasted/liveold";
    }
    void pasteReplacesWhatWasSelectedBeforeTheClick()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, pastes);
        QFETCH(QString, expected);
        createWindows(record("A", "udp://old"));
        showAdmin();
        selectRow(0);
        QGuiApplication::clipboard()->setText(QStringLiteral("rtmp://pasted/live"));
        QString url;
        editSelected([&] {
            QVERIFY(QTest::qWaitForWindowActive(frmEditFavourite));
            QLineEdit *box = edit().edtFavouriteURL;
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 4, box->height() / 2));
            QTRY_COMPARE(QApplication::focusWidget(), box);
            QTest::keyClick(box, Qt::Key_Home);
            for (int i = 0; i < start; ++i)
                QTest::keyClick(box, Qt::Key_Right);
            for (int i = 0; i < length; ++i)
                QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
            QCOMPARE(box->selectionLength(), length);
            for (int i = 0; i < pastes; ++i)
                QTest::mouseClick(edit().btnPaste, Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), edit().btnPaste);
            url = box->text();
            QTest::mouseClick(edit().btnOK, Qt::LeftButton);
        });
        QCOMPARE(url, expected);
        QCOMPARE(frmAdminFavourites->favourites().channel(0)->URL, expected);
    }

    void editRefusesWhatCouldNotBeListedAgain_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        QTest::newRow("empty name") << QString() << QStringLiteral("udp://a")
                                    << QStringLiteral("The name cannot be empty. Such a favourite would "
                                                      "not be listed again.");
        QTest::newRow("comma in the name")
            << QStringLiteral("Film, Drama") << QStringLiteral("udp://a")
            << QStringLiteral("The name cannot contain a comma. Such a favourite would not be listed again.");
        QTest::newRow("empty address") << QStringLiteral("News") << QString()
                                       << QStringLiteral("The stream address cannot be empty. Such a "
                                                         "favourite would not be listed again.");
        QTest::newRow("accepted: accents, ampersand, blank in front")
            << QStringLiteral(" Né & Co") << QStringLiteral("file:///C:/v.ts") << QString();
    }
    void editRefusesWhatCouldNotBeListedAgain()
    {
        QFETCH(QString, name);
        QFETCH(QString, url);
        QFETCH(QString, refusal);
        createWindows(kABC);
        showAdmin();
        selectRow(0);
        bool openAfterOK = true;
        editSelected([&] {
            edit().edtFavouriteName->setText(name);
            edit().edtFavouriteURL->setText(url);
            QTest::mouseClick(edit().btnOK, Qt::LeftButton);
            openAfterOK = frmEditFavourite->isVisible();
        });
        const TM3UChannel *row = frmAdminFavourites->favourites().channel(0);
        if (refusal.isEmpty()) {
            QVERIFY(boxes.isEmpty());
            QVERIFY(!openAfterOK);
            QCOMPARE(rows().value(0), name);
            QCOMPARE(row->URL, url);
            frmAdminFavourites->close();
            showAdmin(); // and it comes back as given
            QVERIFY(rows().contains(name));
        } else {
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].kind, MessageBoxes::Kind::Information);
            QCOMPARE(boxes[0].caption, QStringLiteral("Information"));
            QCOMPARE(boxes[0].text, refusal);
            QVERIFY(openAfterOK);
            QCOMPARE(rows().value(0), QStringLiteral("A"));
            QCOMPARE(row->Name, QStringLiteral("A"));
            QCOMPARE(row->URL, QStringLiteral("udp://a"));
        }
        frmAdminFavourites->close();
    }

    void removeAsksFirst_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("Yes removes") << true << QStringList{"A", "C"} << -1;
        QTest::newRow("No keeps") << false << QStringList{"A", "B", "C"} << 1;
    }
    void removeAsksFirst()
    {
        QFETCH(bool, answer);
        QFETCH(QStringList, expected);
        QFETCH(int, selectedAfter);
        createWindows(kABC);
        showAdmin();
        selectRow(1);
        confirmAnswer = answer;
        QTest::mouseClick(admin().btnRemove, Qt::LeftButton);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].kind, MessageBoxes::Kind::Confirm);
        QCOMPARE(boxes[0].caption, QStringLiteral("Confirm"));
        QCOMPARE(boxes[0].text, QStringLiteral("Remove selected Favourite?\r\n\r\nB"));
        QCOMPARE(rows(), expected);
        QCOMPARE(frmAdminFavourites->selectedIndex(), selectedAfter);
        frmAdminFavourites->close();
        QCOMPARE(favouriteBytes(), answer ? record("A", "udp://a") + record("C", "udp://c") : kABC);
    }

    void removingEveryFavouriteSavesAnEmptyFile()
    {
        createWindows(record("Only", "udp://only"));
        showAdmin();
        selectRow(0);
        QTest::mouseClick(admin().btnRemove, Qt::LeftButton);
        frmAdminFavourites->close();
        QCOMPARE(frmMain->favouriteStrStream->size(), 0);
        frmMain->close();
        QCOMPARE(readAll(favFile()), QByteArray());
    }

    void commandsWithoutASelectionDoNothing()
    {
        createWindows(kABC);
        showAdmin();
        const ShowCounter editShown(frmEditFavourite);
        QTest::mouseClick(admin().btnEdit, Qt::LeftButton);
        QTest::mouseClick(admin().btnRemove, Qt::LeftButton);
        // Below the last row: no row is hit, none is selected.
        QTest::mouseDClick(admin().lstM3UFavourites->viewport(), Qt::LeftButton, {}, QPoint(20, 300));
        QTest::keyClick(admin().lstM3UFavourites, Qt::Key_Escape);
        QTest::keyClick(admin().lstM3UFavourites, Qt::Key_Return);
        QCOMPARE(editShown.shows, 0);
        QVERIFY(boxes.isEmpty());
        QVERIFY(frmAdminFavourites->isVisible());
        QCOMPARE(rows().size(), 3);
        frmAdminFavourites->close();
    }

    void exportWithAnEmptyListDoesNothing()
    {
        createWindows(QByteArray());
        showAdmin();
        exportAnswer = dir->filePath(QStringLiteral("out.m3u"));
        QTest::mouseClick(admin().btnExport, Qt::LeftButton);
        QVERIFY(dialogsAsked.isEmpty());
        QVERIFY(boxes.isEmpty());
        QVERIFY(!QFile::exists(exportAnswer));
        frmAdminFavourites->close();
    }

    void exportWritesTheRowsInListOrder()
    {
        createWindows(kBom + kABC);
        showAdmin();
        selectRow(0);
        editSelected([&] {
            edit().edtFavouriteName->setText(QStringLiteral("Zed"));
            QTest::mouseClick(edit().btnOK, Qt::LeftButton);
        });
        const QString target = dir->filePath(QStringLiteral("out.m3u"));
        writeFile(target, "an older export");
        exportAnswer = target;
        QTest::mouseClick(admin().btnExport, Qt::LeftButton);

        QCOMPARE(dialogsAsked.size(), 1);
        QFileDialog &dialog = *dialogsAsked[0];
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Export Favourite Playlist"));
        QCOMPARE(dialog.nameFilters(), QStringList{QStringLiteral("M3U Playlist (*.m3u)")});
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("m3u"));
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
        QVERIFY(dialog.isSizeGripEnabled());
        // The edited row's place, no byte-order mark, nothing announced.
        const QByteArray exported =
            record("Zed", "udp://a") + record("B", "udp://b") + record("C", "udp://c");
        QCOMPARE(readAll(target), exported);
        QVERIFY(boxes.isEmpty());
        QCOMPARE(favouriteBytes(), kBom + kABC);

        // The name chosen last is offered again; cancelling then writes nothing.
        exportAnswer.clear();
        selectRow(1);
        QTest::mouseClick(admin().btnRemove, Qt::LeftButton);
        QTest::mouseClick(admin().btnExport, Qt::LeftButton);
        QCOMPARE(dialogsAsked.size(), 2);
        QCOMPARE(QFileInfo(offeredFiles.value(1)).fileName(), QStringLiteral("out.m3u"));
        QCOMPARE(readAll(target), exported);
        frmAdminFavourites->close();
    }

    void exportFailureIsReported()
    {
        createWindows(kABC);
        showAdmin();
        const QString target = dir->filePath(QStringLiteral("missing-dir/out.m3u"));
        exportAnswer = target;
        QTest::mouseClick(admin().btnExport, Qt::LeftButton);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].kind, MessageBoxes::Kind::Error);
        QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
        QVERIFY2(boxes[0].text.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)),
                 qPrintable(boxes[0].text));
        QCOMPARE(rows(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        frmAdminFavourites->close();
        QCOMPARE(favouriteBytes(), kABC);
    }

    void unreadableTextOpensAnEmptyWindowAndKeepsTheText()
    {
        const QByteArray invalid = record("A", "udp://a") + record("\xFF", "udp://x");
        createWindows(invalid);
        fillMainWindow();
        showAdmin();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].kind, MessageBoxes::Kind::Stop);
        QCOMPARE(boxes[0].text, kNoMappingText + QLatin1Char('.'));
        QCOMPARE(rows(), QStringList());
        QTest::mouseClick(admin().btnExport, Qt::LeftButton);
        QVERIFY(dialogsAsked.isEmpty());
        frmAdminFavourites->close();
        // Nothing the user could see was removed, so nothing is dropped.
        QCOMPARE(favouriteBytes(), invalid);
        QCOMPARE(frmMain->controls().cmbPlaylists->currentIndex(), -1);
        QCOMPARE(frmMain->channels().count(), 0);

        // The window is as usable as before once the text can be read.
        frmMain->favouriteStrStream->clear();
        frmMain->favouriteStrStream->writeText(QString::fromLatin1(kABC));
        showAdmin();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(rows(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        selectRow(2);
        QTest::mouseClick(admin().btnRemove, Qt::LeftButton);
        frmAdminFavourites->close();
        QCOMPARE(favouriteBytes(), record("A", "udp://a") + record("B", "udp://b"));
    }
};

QTEST_MAIN(TfrmAdminFavouritesTest)
#include "TfrmAdminFavouritesTest.moc"
