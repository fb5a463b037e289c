// Start-up and shutdown of the main window: Playlists.lst read at creation and written at close,
// the command-line playlist, the placement kept in the settings.

#include "../WindowTestSupport.h"
#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "shell/AppPaths.h"
#include "ui_TfrmMain.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {} // namespace

class TfrmMainLifecycleTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QList<MessageBoxes::Shown> boxes;
    const bool yes = true;

    QString path(const QString &name) const { return dir->filePath(name); }
    QString lst() const { return path(QStringLiteral("Playlists.lst")); }

    TfrmMain *createMain(const QStringList &args = {QStringLiteral("Norvale")})
    {
        frmMain = new TfrmMain;
        frmMain->setCommandLine(args);
        frmBusy = new TfrmBusy(frmMain);
        return frmMain;
    }
    void destroyMain()
    {
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
    }
    QStringList entries() const
    {
        QStringList list;
        for (int i = 0; i < frmMain->controls().cmbPlaylists->count(); ++i)
            list << frmMain->controls().cmbPlaylists->itemText(i);
        return list;
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        enterWindowSandbox(*dir, boxes, &yes);
    }
    void cleanup()
    {
        destroyMain();
        leaveWindowSandbox();
    }

    void readsEntriesAtCreationAndWritesThemBackAtClose()
    {
        writeFile(lst(), "A\nB\rC\r\n\r\nD");
        createMain();
        QCOMPARE(entries(), (QStringList{"A", "B", "C", "", "D"}));
        QCOMPARE(frmMain->controls().cmbPlaylists->currentIndex(), -1);
        frmMain->close();
        QCOMPARE(readAll(lst()), QByteArray("A\r\nB\r\nC\r\n\r\nD\r\n"));
        QVERIFY(boxes.isEmpty());
    }

    void keepsTheEncodingItWasReadIn()
    {
        writeFile(lst(), QByteArray("\xEF\xBB\xBF") + "file:///tmp/\xC3\xA9t\xC3\xA9.m3u\r\n");
        createMain();
        QCOMPARE(entries(), QStringList{QStringLiteral("file:///tmp/été.m3u")});
        frmMain->close();
        QCOMPARE(readAll(lst()), QByteArray("\xEF\xBB\xBF") + "file:///tmp/\xC3\xA9t\xC3\xA9.m3u\r\n");
    }

    void noFileAndNoEntriesCreatesNothing()
    {
        createMain();
        frmMain->close();
        QVERIFY(!QFile::exists(lst()));
    }

    void aListTheUserEmptiedIsSavedEmpty()
    {
        writeFile(lst(), "A\r\nB\r\n");
        createMain();
        frmMain->controls().cmbPlaylists->clear();
        frmMain->close();
        QCOMPARE(readAll(lst()), QByteArray());
    }

    void anUnreadableFileIsReportedAndKeptAsBackup()
    {
        const QByteArray broken = QByteArray("\xEF\xBB\xBF") + "bad \xFF\xFE bytes\r\n";
        writeFile(lst(), broken);
        createMain();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().caption, QStringLiteral("Error"));
        QCOMPARE(
            boxes.first().text,
            QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page"));
        QVERIFY(entries().isEmpty());
        frmMain->controls().cmbPlaylists->addItem(QStringLiteral("https://new.example/list.m3u"));
        frmMain->close();
        QCOMPARE(readAll(lst() + QStringLiteral(".bak")), broken);
        QCOMPARE(readAll(lst()), QByteArray("\xEF\xBB\xBF") + "https://new.example/list.m3u\r\n");
    }

    void aFailedWriteIsReportedAndClosingGoesOn()
    {
        writeFile(lst(), "A\r\n");
        createMain();
        frmMain->controls().cmbPlaylists->addItem(QStringLiteral("B"));
        // The data directory disappears and a regular file takes its place: nothing can be created in it.
        const QString dataDir = path(QStringLiteral("gone"));
        writeFile(dataDir, "not a directory");
        AppPaths::setExecutableDirForTesting(dataDir);
        frmMain->close();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().caption, QStringLiteral("Error"));
        QVERIFY2(boxes.first().text.startsWith(QStringLiteral("Cannot create file \"")),
                 qPrintable(boxes.first().text));
        QVERIFY(!frmMain->isVisible());
    }

    void commandLineFileIsAddedChosenAndLoaded()
    {
        const QString playlist = path(QStringLiteral("news.m3u"));
        writeFile(playlist, "#EXTINF:-1,News One\r\nrtmp://live/news\r\n");
        writeFile(lst(), "https://a.example/x.m3u\r\n");
        createMain({QStringLiteral("Norvale"), playlist, QStringLiteral("ignored")});
        frmMain->show();
        QTRY_COMPARE_WITH_TIMEOUT(frmMain->channels().count(), 1, 5000);
        QCOMPARE(frmMain->channels().text(0), QStringLiteral("News One"));
        QCOMPARE(entries(), (QStringList{"https://a.example/x.m3u", "file:///" + playlist}));
        QCOMPARE(frmMain->controls().cmbPlaylists->currentIndex(), 1);
        QTRY_VERIFY(!frmBusy->isShowing());
    }

    void commandLineFileAlreadyListedIsChosenNotAdded_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<int>("expectedCount");
        QTest::newRow("same text") << QStringLiteral("file:///%1") << 1;
        QTest::newRow("prefix in capitals is another entry") << QStringLiteral("FILE:///%1") << 2;
    }
    void commandLineFileAlreadyListedIsChosenNotAdded()
    {
        QFETCH(QString, listed);
        QFETCH(int, expectedCount);
        const QString playlist = path(QStringLiteral("news.m3u"));
        writeFile(playlist, "#EXTINF:-1,News One\r\nrtmp://live/news\r\n");
        writeFile(lst(), (listed.arg(playlist) + "\r\n").toUtf8());
        createMain({QStringLiteral("Norvale"), playlist});
        QVERIFY(!frmMain->isFoundInPlaylists(playlist + "x"));
        frmMain->show();
        QTRY_COMPARE_WITH_TIMEOUT(frmMain->channels().count(), 1, 5000);
        QCOMPARE(entries().size(), expectedCount);
        QCOMPARE(frmMain->controls().cmbPlaylists->currentIndex(), expectedCount - 1);
    }

    void commandLineNamingNoFileDoesNothing_data()
    {
        QTest::addColumn<QString>("argument"); // below the test's directory
        QTest::newRow("missing file") << QStringLiteral("missing.m3u");
        QTest::newRow("directory") << QStringLiteral("lists");
        QTest::newRow("directory named like a playlist") << QStringLiteral("lists.m3u");
        QTest::newRow("directory with a closing slash") << QStringLiteral("lists/");
        QTest::newRow("link to a directory") << QStringLiteral("link-to-lists");
    }
    void commandLineNamingNoFileDoesNothing()
    {
        QFETCH(QString, argument);
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("lists")));
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("lists.m3u")));
        QVERIFY(QFile::link(path(QStringLiteral("lists")), path(QStringLiteral("link-to-lists"))));
        createMain({QStringLiteral("Norvale"), path(argument)});
        frmMain->show();
        QTest::qWait(300);
        QVERIFY(entries().isEmpty());
        QVERIFY(boxes.isEmpty());
        QVERIFY(!frmBusy->isShowing());
        // Nothing was added, so there is nothing to keep either.
        frmMain->close();
        QVERIFY(!QFile::exists(lst()));
    }

    void placementIsSavedAtCloseAndRestoredAtTheNextStart()
    {
        createMain();
        frmMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmMain));
        frmMain->setGeometry(40, 50, 1000, 627);
        frmMain->close();
        destroyMain();

        QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("TfrmMainLifecycleTest"));
        settings.beginGroup(QStringLiteral("TfrmMain"));
        QCOMPARE(settings.value("FormVersion").toString(), QStringLiteral("0"));
        QCOMPARE(settings.value("NormPos").toString(), QStringLiteral("40,50,1040,677"));
        QCOMPARE(settings.value("Visible").toString(), QStringLiteral("0"));
        QCOMPARE(settings.value("ShowCmd").toString(), QStringLiteral("1"));
        settings.endGroup();

        createMain();
        frmMain->show();
        QCOMPARE(frmMain->geometry(), QRect(40, 50, 1000, 627));
    }
};

QTEST_MAIN(TfrmMainLifecycleTest)
#include "TfrmMainLifecycleTest.moc"
