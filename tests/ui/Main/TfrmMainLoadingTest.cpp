// Loading a chosen source: local files and web addresses against the local test server, with
// what the user sees for every outcome.

#include "../../net/TestServer.h"
#include "../WindowTestSupport.h"
#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "loading/BodyDecoder.h"
#include "shell/AppPaths.h"
#include "shell/NorvaleError.h"
#include "shell/TickClock.h"
#include "ui_TfrmMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QByteArray kPlaylist =
    "#EXTM3U\r\n#EXTINF:-1,News One\r\nrtmp://live/news\r\n#EXTINF:-1,Caf\xC3\xA9\r\nrtmp://live/cafe\r\n";
const QString kNoMapping =
    QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");
} // namespace

class TfrmMainLoadingTest final : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    TestServer server;
    QList<MessageBoxes::Shown> boxes;
    QList<bool> busyShowingAtBox;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString p = dir.filePath(name);
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot write fixture");
        return p;
    }

    // Chooses `entry` as the user would and runs the load; a failure the load throws is returned
    // as the message the general handler would show.
    QString load(const QString &entry)
    {
        QComboBox *combo = frmMain->controls().cmbPlaylists;
        combo->addItem(entry);
        combo->setCurrentIndex(combo->count() - 1);
        try {
            frmMain->cmbPlaylistsChange();
        } catch (const NorvaleError &e) {
            return e.message();
        }
        return {};
    }
    QStringList rows() const
    {
        QStringList list;
        for (int i = 0; i < frmMain->channels().count(); ++i)
            list << frmMain->channels().text(i);
        return list;
    }

private slots:
    void initTestCase()
    {
        const QString error = server.start(false);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        runWaitsTenTimesFaster();
    }
    void init()
    {
        AppPaths::setExecutableDirForTesting(dir.path());
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        boxes.clear();
        busyShowingAtBox.clear();
        MessageBoxes::setInterceptorForTesting([this](const MessageBoxes::Shown &shown) {
            boxes << shown;
            busyShowingAtBox << frmBusy->isShowing();
            return true;
        });
        // A stale row shows that every load empties the list first.
        frmMain->channels().addText(QStringLiteral("stale"));
    }
    void cleanup()
    {
        MessageBoxes::setInterceptorForTesting({});
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
    }

    void localFileLoads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("utf-8") << kPlaylist << QStringLiteral("file:///");
        QTest::newRow("utf-8 with mark")
            << QByteArray("\xEF\xBB\xBF") + kPlaylist << QStringLiteral("file:///");
        QTest::newRow("prefix in capitals") << kPlaylist << QStringLiteral("FILE:///");
    }
    void localFileLoads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, prefix);
        const QString file = writeFile(QStringLiteral("list.m3u"), bytes);
        QCOMPARE(load(prefix + file), QString());
        QCOMPARE(rows(), (QStringList{QStringLiteral("Café"), QStringLiteral("News One")}));
        QVERIFY(boxes.isEmpty());
        QVERIFY(!frmBusy->isShowing());
    }

    void missingLocalFileOrDirectoryIsReportedWhileBusyIsUp_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("missing") << dir.filePath(QStringLiteral("deleted.m3u"));
        QTest::newRow("directory") << dir.path();
    }
    void missingLocalFileOrDirectoryIsReportedWhileBusyIsUp()
    {
        QFETCH(QString, target);
        QCOMPARE(load(QStringLiteral("file:///") + target), QString());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().caption, QStringLiteral("Information"));
        QCOMPARE(boxes.first().text, QStringLiteral("Playlist does not exist or has been moved."));
        QCOMPARE(busyShowingAtBox.first(), true);
        QVERIFY(!frmBusy->isShowing());
        QVERIFY(rows().isEmpty());
    }

    void localFileNotUtf8FailsAndClosesTheBusyWindow()
    {
        const QString file = writeFile(QStringLiteral("latin1.m3u"), "#EXTINF:-1,Caf\xE9\r\nrtmp://x\r\n");
        QCOMPARE(load(QStringLiteral("file:///") + file), kNoMapping);
        QVERIFY(rows().isEmpty());
        QVERIFY(!frmBusy->isShowing());
    }

    // The file is read from the start of the load, during its first second; what the user sees
    // is still what the file holds, and which entry is chosen, when that second has passed.
    void changesDuringTheFirstSecondCountAsTheyWouldAfterIt_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("expectedRows");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("information");
        const QByteArray other = "#EXTINF:-1,Later One\r\nrtmp://later\r\n";
        const QByteArray latin1 = "#EXTINF:-1,Caf\xE9\r\nrtmp://x\r\n";
        const QStringList first{QStringLiteral("Café"), QStringLiteral("News One")};
        const QString gone = QStringLiteral("Playlist does not exist or has been moved.");
        QTest::newRow("rewritten") << kPlaylist << "rewrite" << other
                                   << QStringList{QStringLiteral("Later One")} << QString() << QString();
        QTest::newRow("mended") << latin1 << "rewrite" << kPlaylist << first << QString() << QString();
        QTest::newRow("broken") << kPlaylist << "rewrite" << latin1 << QStringList() << kNoMapping
                                << QString();
        QTest::newRow("deleted") << kPlaylist << "delete" << QByteArray() << QStringList() << QString()
                                 << gone;
        QTest::newRow("other entry chosen")
            << kPlaylist << "choose" << other << QStringList{QStringLiteral("Later One")} << QString()
            << QString();
        QTest::newRow("web entry chosen")
            << kPlaylist << "choose web" << QByteArray() << QStringList{QStringLiteral("Café Télé")}
            << QString() << QString();
    }
    void changesDuringTheFirstSecondCountAsTheyWouldAfterIt()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, change);
        QFETCH(QByteArray, after);
        QFETCH(QStringList, expectedRows);
        QFETCH(QString, failure);
        QFETCH(QString, information);
        const QString file = writeFile(QStringLiteral("changing.m3u"), before);
        QComboBox *combo = frmMain->controls().cmbPlaylists;
        // Added but not chosen: the change below chooses it during the wait.
        combo->addItem(change == "choose web"
                           ? server.httpUrl(QStringLiteral("/encoded/gzip?coding=gzip"))
                           : QStringLiteral("file:///") + writeFile(QStringLiteral("other.m3u"), after));
        bool changed = false;
        // Fired from the load's first second, which delivers timers; by then the small file has
        // long been read.
        QTimer::singleShot(40, this, [&] {
            QVERIFY(frmBusy->isShowing());
            if (change == "rewrite")
                writeFile(QStringLiteral("changing.m3u"), after);
            else if (change == "delete")
                QVERIFY(QFile::remove(file));
            else
                combo->setCurrentIndex(0);
            changed = true;
        });
        const QString message = load(QStringLiteral("file:///") + file);
        QVERIFY(changed);
        QCOMPARE(message, failure);
        QCOMPARE(rows(), expectedRows);
        if (information.isEmpty()) {
            QVERIFY(boxes.isEmpty());
        } else {
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes.first().text, information);
        }
        QVERIFY(!frmBusy->isShowing());
    }

    void webLoadShowsTheBusyWindowThenTheChannels()
    {
        bool busySeen = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, this, [&] { busySeen = busySeen || frmBusy->isShowing(); });
        probe.start(5);
        QCOMPARE(load(server.httpUrl(QStringLiteral("/encoded/gzip?coding=gzip"))), QString());
        QVERIFY(busySeen);
        QCOMPARE(frmBusy->windowTitle(), QStringLiteral("Loading TV-Channel List"));
        QCOMPARE(frmBusy->label1Text(), QStringLiteral("Connecting to Site..."));
        QCOMPARE(frmBusy->label2Text(), QStringLiteral("Loading Playlist..."));
        QVERIFY(!frmBusy->isShowing());
        QVERIFY(boxes.isEmpty());
        QVERIFY(!rows().isEmpty());
        QVERIFY(!rows().contains(QStringLiteral("stale")));
    }

    void webFailuresShowTheirMessageWithAnEmptyList_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("404") << server.httpUrl(QStringLiteral("/status/404")) << QStringLiteral("Information")
                             << QStringLiteral("Playlist could not be loaded.");
        QTest::newRow("204") << server.httpUrl(QStringLiteral("/status/204")) << QStringLiteral("Information")
                             << QStringLiteral("Playlist could not be loaded.");
        QTest::newRow("six redirects")
            << server.httpUrl(QStringLiteral("/redirect/302/6")) << QStringLiteral("Error")
            << QStringLiteral("Maximum number of redirections (5) exceeded");
        QTest::newRow("refused") << QStringLiteral("http://127.0.0.1:%1/x.m3u").arg(TestServer::closedPort())
                                 << QStringLiteral("Error") << QString();
    }
    void webFailuresShowTheirMessageWithAnEmptyList()
    {
        QFETCH(QString, address);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QCOMPARE(load(address), QString());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().caption, caption);
        if (!text.isEmpty())
            QCOMPARE(boxes.first().text, text);
        else
            QVERIFY(!boxes.first().text.isEmpty());
        QCOMPARE(busyShowingAtBox.first(), false); // the transfer's events closed it before the box
        QVERIFY(rows().isEmpty());
    }

    void webBodyNotUtf8IsTheDecodingFailure()
    {
        QCOMPARE(load(server.httpUrl(QStringLiteral("/bytes/43616fe90d0a"))), kNoMapping);
        QVERIFY(rows().isEmpty());
        QVERIFY(!frmBusy->isShowing());
    }

    void emptyBodyGivesAnEmptyListSilently()
    {
        QCOMPARE(load(server.httpUrl(QStringLiteral("/bytes"))), QString());
        QVERIFY(boxes.isEmpty());
        QVERIFY(rows().isEmpty());
    }
};

QTEST_MAIN(TfrmMainLoadingTest)
#include "TfrmMainLoadingTest.moc"
