#pragma once

// Shared set-up for the playlist administration tests: the main window and both playlist windows
// over a temporary data directory, with message boxes answered by the test.

#include "../WindowTestSupport.h"
#include "AEPlaylist/TfrmAEPlaylist.h"
#include "AdminPlaylists/TfrmAdminPlaylists.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "shell/AppPaths.h"
#include "ui_TfrmAEPlaylist.h"
#include "ui_TfrmAdminPlaylists.h"
#include "ui_TfrmMain.h"

#include <QComboBox>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

class PlaylistWindowsFixture {
public:
    std::unique_ptr<QTemporaryDir> dir;
    QList<MessageBoxes::Shown> boxes;
    bool confirmAnswer = true;

    void setUp()
    {
        dir = std::make_unique<QTemporaryDir>();
        confirmAnswer = true;
        enterWindowSandbox(*dir, boxes, &confirmAnswer);
    }

    void createWindows()
    {
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmAdminPlaylists = new TfrmAdminPlaylists(frmMain);
        frmAEPlaylist = new TfrmAEPlaylist(frmMain);
    }

    void tearDown()
    {
        delete frmMain; // owns the dialogs
        frmMain = nullptr;
        frmAdminPlaylists = nullptr;
        frmAEPlaylist = nullptr;
        TfrmAEPlaylist::setOpenDialogForTesting({});
        leaveWindowSandbox();
    }

    QComboBox &combo() { return *frmMain->controls().cmbPlaylists; }
    QListWidget &adminList() { return *frmAdminPlaylists->controls().lstM3UPlaylists; }
    Ui::TfrmAEPlaylist &dialog() { return frmAEPlaylist->controls(); }

    void setComboEntries(const QStringList &entries)
    {
        combo().clear();
        combo().addItems(entries);
        combo().setCurrentIndex(-1);
    }
    QStringList comboEntries()
    {
        QStringList list;
        for (int i = 0; i < combo().count(); ++i)
            list << combo().itemText(i);
        return list;
    }
    QStringList adminEntries()
    {
        QStringList list;
        for (int i = 0; i < adminList().count(); ++i)
            list << adminList().item(i)->text();
        return list;
    }

    // Shows the administration window over the given drop-down entries, as btnAEPlaylists would
    // (without its modal loop, so that the test can go on driving it).
    void showAdmin(const QStringList &entries)
    {
        setComboEntries(entries);
        frmAdminPlaylists->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmAdminPlaylists));
    }

    void selectRow(int row)
    {
        const QRect rect = adminList().visualItemRect(adminList().item(row));
        QTest::mouseClick(adminList().viewport(), Qt::LeftButton, {}, rect.center());
    }
};

// Text of `length` UTF-16 code units whose first character tells it apart.
inline QString textOfLength(int length, QChar first = QLatin1Char('x'))
{
    return length <= 0 ? QString() : QString(first) + QString(length - 1, QLatin1Char('.'));
}
