// The add/edit dialog of a playlist source, driven from the administration window: placement of a
// new entry by length, editing in place, Enter, Paste, the file-open dialog, Cancel.

#include "PlaylistWindowsFixture.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>

class TfrmAEPlaylistTest final : public QObject, private PlaylistWindowsFixture {
    Q_OBJECT
private:
    QStringList lengths10_30_20{textOfLength(10, u'a'), textOfLength(30, u'b'), textOfLength(20, u'c')};

    QPushButton *adminButton(const char *name)
    {
        return frmAdminPlaylists->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    // Opens the add/edit dialog with `open` and runs `inDialog` inside it. Returns whether the
    // dialog was still open after `inDialog`; it is then closed with Cancel.
    bool throughDialog(const std::function<void()> &open, const std::function<void()> &inDialog)
    {
        bool stillOpen = false;
        bool ran = false;
        whenShown(frmAEPlaylist, [&] {
            ran = true;
            inDialog();
            stillOpen = frmAEPlaylist->isVisible();
            if (stillOpen)
                QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
        });
        open();
        [&] { QVERIFY(ran); }();
        return stillOpen;
    }
    bool throughDialog(QPushButton *button, const std::function<void()> &inDialog)
    {
        return throughDialog([button] { QTest::mouseClick(button, Qt::LeftButton); }, inDialog);
    }
    void typeAndOK(const QString &text)
    {
        dialog().edtPlaylist->setText(text);
        QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
    }

private slots:
    void init()
    {
        setUp();
        createWindows();
    }
    void cleanup() { tearDown(); }

    void addPlacesByLength_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("added");
        QTest::addColumn<int>("position");

        QTest::newRow("empty list") << QStringList{} << textOfLength(7) << 0;
        QTest::newRow("5 before all") << lengths10_30_20 << textOfLength(5) << 0;
        QTest::newRow("10 before the equal 10") << lengths10_30_20 << textOfLength(10) << 0;
        QTest::newRow("25 before 30") << lengths10_30_20 << textOfLength(25) << 1;
        QTest::newRow("30 before the equal 30") << lengths10_30_20 << textOfLength(30) << 1;
        QTest::newRow("40 appended") << lengths10_30_20 << textOfLength(40) << 3;
        // 10 characters but 11 UTF-16 code units: longer than the first entry.
        QTest::newRow("surrogate pair counts twice")
            << lengths10_30_20 << QString::fromUtf8("\xF0\x9F\x93\xBA") + QString(9, u'x') << 1;
        QTest::newRow("duplicate text accepted")
            << QStringList{"http://a"} << QStringLiteral("http://a") << 0;
        QTest::newRow("spaces accepted") << QStringList{"http://a"} << QStringLiteral("   ") << 0;
    }
    void addPlacesByLength()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, added);
        QFETCH(int, position);
        showAdmin(existing);
        QVERIFY(!throughDialog(adminButton("btnAdd"), [&] {
            QCOMPARE(frmAEPlaylist->aeState, aeINSERT);
            QCOMPARE(dialog().edtPlaylist->text(), QString());
            typeAndOK(added);
        }));

        QStringList expected = existing;
        expected.insert(position, added);
        QCOMPARE(adminEntries(), expected);
        QCOMPARE(frmAdminPlaylists->selectedIndex(), -1);
        frmAdminPlaylists->close();
        QCOMPARE(comboEntries(), expected);
    }

    void addStartsEmptyAfterAnEdit()
    {
        showAdmin({QStringLiteral("http://old")});
        selectRow(0);
        throughDialog(adminButton("btnEdit"), [] {});
        throughDialog(adminButton("btnAdd"), [&] { QCOMPARE(dialog().edtPlaylist->text(), QString()); });
        frmAdminPlaylists->close();
    }

    void editKeepsPositionAndSelection_data()
    {
        QTest::addColumn<bool>("byDoubleClick");
        QTest::newRow("Edit button") << false;
        QTest::newRow("double click") << true;
    }
    void editKeepsPositionAndSelection()
    {
        QFETCH(bool, byDoubleClick);
        showAdmin(lengths10_30_20);
        selectRow(2);
        const QString longer = textOfLength(50, u'z');
        const auto open = [&] {
            if (byDoubleClick)
                QTest::mouseDClick(adminList().viewport(), Qt::LeftButton, {},
                                   adminList().visualItemRect(adminList().item(2)).center());
            else
                QTest::mouseClick(adminButton("btnEdit"), Qt::LeftButton);
        };
        QVERIFY(!throughDialog(open, [&] {
            QCOMPARE(frmAEPlaylist->aeState, aeEDIT);
            // Preloaded and wholly selected, so typing replaces it.
            QCOMPARE(dialog().edtPlaylist->text(), lengths10_30_20.at(2));
            QCOMPARE(dialog().edtPlaylist->selectedText(), lengths10_30_20.at(2));
            QTest::keyClicks(dialog().edtPlaylist, longer);
            QCOMPARE(dialog().edtPlaylist->text(), longer);
            QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
        }));

        QCOMPARE(adminEntries(), (QStringList{lengths10_30_20.at(0), lengths10_30_20.at(1), longer}));
        QCOMPARE(frmAdminPlaylists->selectedIndex(), 2);
        frmAdminPlaylists->close();
    }

    void editKeepsTextsLongerThanALineEditDefault()
    {
        const QString huge = QStringLiteral("http://a/") + QString(40000, u'q');
        showAdmin({huge});
        selectRow(0);
        throughDialog(adminButton("btnEdit"), [&] {
            QCOMPARE(dialog().edtPlaylist->text(), huge);
            QTest::keyClick(dialog().edtPlaylist, Qt::Key_End);
            QTest::keyClicks(dialog().edtPlaylist, QStringLiteral("!"));
            QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
        });
        QCOMPARE(adminEntries(), QStringList{huge + QLatin1Char('!')});
        frmAdminPlaylists->close();
    }

    void okAndEnter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key"); // 0: click OK instead
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter with text") << "http://new" << int(Qt::Key_Return) << true;
        QTest::newRow("keypad Enter with text") << "http://kp" << int(Qt::Key_Enter) << true;
        QTest::newRow("Enter, empty box") << "" << int(Qt::Key_Return) << false;
        QTest::newRow("OK, empty box") << "" << 0 << false;
    }
    void okAndEnter()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(bool, closes);
        showAdmin({QStringLiteral("http://a")});
        const bool stillOpen = throughDialog(adminButton("btnAdd"), [&] {
            QTest::keyClicks(dialog().edtPlaylist, text);
            if (key != 0)
                QTest::keyClick(dialog().edtPlaylist, Qt::Key(key));
            else
                QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
        });
        QCOMPARE(stillOpen, !closes);
        QStringList expected{QStringLiteral("http://a")};
        if (closes)
            expected.append(text); // longer than the existing entry
        QCOMPARE(adminEntries(), expected);
        frmAdminPlaylists->close();
    }

    void cancelChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("close box") << "close";
    }
    void cancelChangesNothing()
    {
        QFETCH(QString, how);
        const QStringList entries{QStringLiteral("http://a"), QStringLiteral("http://b")};
        showAdmin(entries);
        selectRow(1);
        for (const char *button : {"btnEdit", "btnAdd"}) {
            QVERIFY(!throughDialog(adminButton(button), [&] {
                dialog().edtPlaylist->setText(QStringLiteral("http://changed"));
                // Escape and Enter outside the edit box do not close the dialog.
                QTest::keyClick(frmAEPlaylist, Qt::Key_Escape);
                QTest::keyClick(frmAEPlaylist, Qt::Key_Return);
                QVERIFY(frmAEPlaylist->isVisible());
                if (how == QLatin1String("cancel"))
                    QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
                else
                    frmAEPlaylist->close();
            }));
        }
        QCOMPARE(adminEntries(), entries);
        QCOMPARE(frmAdminPlaylists->selectedIndex(), 1);
        frmAdminPlaylists->close();
    }

    void pasteReplacesTheSelectionAtTheCaret_data()
    {
        QTest::addColumn<int>("caret"); // -1: leave the preloaded text wholly selected
        QTest::addColumn<QString>("expected");
        QTest::newRow("right after opening") << -1 << "http://pasted/";
        QTest::newRow("at the caret") << 7 << "http://http://pasted/old";
    }
    void pasteReplacesTheSelectionAtTheCaret()
    {
        QFETCH(int, caret);
        QFETCH(QString, expected);
        QGuiApplication::clipboard()->setText(QStringLiteral("http://pasted/"));
        showAdmin({QStringLiteral("http://old")});
        selectRow(0);
        throughDialog(adminButton("btnEdit"), [&] {
            if (caret >= 0)
                dialog().edtPlaylist->setCursorPosition(caret);
            // A real click: the button takes the focus from the edit box first.
            QTest::mouseClick(dialog().btnPaste, Qt::LeftButton);
            QCOMPARE(dialog().edtPlaylist->text(), expected);
            QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
        });
        QCOMPARE(adminEntries(), QStringList{expected});
        frmAdminPlaylists->close();
    }

    void browsePutsTheChosenFileInTheBox_data()
    {
        QTest::addColumn<bool>("picked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file picked") << true << "file:////srv/tv/list.m3u";
        QTest::newRow("cancelled") << false << "http://typed";
    }
    void browsePutsTheChosenFileInTheBox()
    {
        QFETCH(bool, picked);
        QFETCH(QString, expected);
        QString title;
        QStringList filters;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        TfrmAEPlaylist::setOpenDialogForTesting([&](QFileDialog &dlg) -> std::optional<QString> {
            title = dlg.windowTitle();
            filters = dlg.nameFilters();
            mode = dlg.fileMode();
            if (!picked)
                return std::nullopt;
            return QStringLiteral("/srv/tv/list.m3u");
        });
        showAdmin({});
        throughDialog(adminButton("btnAdd"), [&] {
            dialog().edtPlaylist->setText(QStringLiteral("http://typed"));
            QTest::mouseClick(dialog().btnBrowse, Qt::LeftButton);
            QCOMPARE(dialog().edtPlaylist->text(), expected);
            QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
        });
        QCOMPARE(title, QStringLiteral("Open m3u Playlist"));
        QCOMPARE(filters, QStringList{QStringLiteral("M3U Playlist (*.m3u)")});
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QCOMPARE(adminEntries(), QStringList{expected});
        frmAdminPlaylists->close();
    }
};

QTEST_MAIN(TfrmAEPlaylistTest)
#include "TfrmAEPlaylistTest.moc"
