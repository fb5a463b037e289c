// The wait of a web load: what reaches the user during it and after it, and the ways out of it.

#include "../../net/PostLater.h"
#include "../../net/TestServer.h"
#include "../Player/FakePlayerControl.h"
#include "../WindowTestSupport.h"
#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "PlayerFactory.h"
#include "shell/PostedCall.h"
#include "shell/TickClock.h"
#include "ui_TfrmMain.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class LoadWaitTest final : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    TestServer server;
    QList<MessageBoxes::Shown> boxes;
    bool answer = true;
    FakePlayerControl *fake = nullptr;

    QStringList rows() const
    {
        QStringList list;
        for (int i = 0; i < frmMain->channels().count(); ++i)
            list << frmMain->channels().text(i);
        return list;
    }
    void choose(const QString &entry)
    {
        QComboBox *combo = frmMain->controls().cmbPlaylists;
        combo->addItem(entry);
        combo->setCurrentIndex(combo->count() - 1);
        // As the drop-down does when the user picks an entry.
        emit combo->activated(combo->currentIndex());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        const QString error = server.start(false);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        runWaitsTenTimesFaster();
        PlayerFactory::setFactoryForTesting(
            [this](QWidget *parent) { return fake = new FakePlayerControl(parent); });
    }
    void init()
    {
        enterWindowSandbox(dir, boxes, &answer);
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        frmMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmMain));
    }
    void cleanup()
    {
        leaveWindowSandbox();
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
    }

    // A player error that arrives while a slow playlist downloads is handled after the download,
    // with a real box that takes the user's click or Enter.
    void playerErrorDuringADownloadShowsItsBoxAfterwards_data()
    {
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("OK clicked") << true;
        QTest::newRow("Enter pressed") << false;
    }
    void playerErrorDuringADownloadShowsItsBoxAfterwards()
    {
        QFETCH(bool, byMouse);
        leaveWindowSandbox(); // real boxes from here on
        CallTarget playerThread;
        bool loading = true;
        QStringList seen;
        std::thread poster = postLater(400, [&] {
            playerThread.post([&] {
                seen << QStringLiteral("error while %1").arg(loading ? "loading" : "idle");
                fake->raiseError();
            });
        });
        // 50 entries dribbled over 1.5 s, one in each piece the server sends.
        const QString entry = QStringLiteral("#EXTINF:-1,Chan\r\nudp://c\r\n");
        choose(server.httpUrl(QStringLiteral("/slow?bytes=%1&ms=1500&pattern=%2")
                                  .arg(entry.size() * 50)
                                  .arg(QString::fromLatin1(QUrl::toPercentEncoding(entry)))));
        loading = false;
        poster.join();
        QCOMPARE(rows().size(), 50);
        QVERIFY(seen.isEmpty()); // held until the load was over

        bool answered = false;
        QString boxText;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || answered)
                return;
            answered = true;
            boxText = box->text();
            if (byMouse)
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            else
                QTest::keyClick(box, Qt::Key_Return);
        });
        answerer.start(20);
        QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(seen, QStringList{QStringLiteral("error while idle")});
        QVERIFY(boxText.startsWith(QStringLiteral("Connection could not be established!")));
        QVERIFY(!frmBusy->isShowing());
    }

    // Closing the busy window (its close box or Esc) stops a load that would wait a long time.
    void closingTheBusyWindowStopsTheLoad_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("close box") << false;
        QTest::newRow("Esc") << true;
    }
    void closingTheBusyWindowStopsTheLoad()
    {
        QFETCH(bool, byEscape);
        frmMain->channels().addText(QStringLiteral("stale"));
        // The window system's close or key, arriving at the busy window's native window.
        QEvent *userAction =
            byEscape ? static_cast<QEvent *>(new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier))
                     : new QCloseEvent;
        std::thread closer = postLater(
            700, [userAction] { QCoreApplication::postEvent(frmBusy->windowHandle(), userAction); });
        QElapsedTimer clock;
        clock.start();
        choose(server.httpUrl(QStringLiteral("/silent?seconds=30")));
        const qint64 elapsed = clock.elapsed();
        closer.join();
        QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
        QVERIFY(!frmBusy->isShowing());
        QVERIFY(rows().isEmpty());
        QVERIFY(boxes.isEmpty());
        // The program goes on: the next load works.
        choose(server.httpUrl(QStringLiteral("/encoded/gzip?coding=gzip")));
        QCOMPARE(rows().size(), 1);
        QVERIFY(boxes.isEmpty());
    }

    // The window manager's close of the main window during a load ends the program as any close
    // does, with the data files saved.
    void closingTheMainWindowDuringALoadClosesTheProgram()
    {
        const QString address = server.httpUrl(QStringLiteral("/silent?seconds=30"));
        std::thread closer =
            postLater(700, [] { QCoreApplication::postEvent(frmMain->windowHandle(), new QCloseEvent); });
        QElapsedTimer clock;
        clock.start();
        choose(address);
        const qint64 elapsed = clock.elapsed();
        closer.join();
        QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
        QTRY_VERIFY(!frmMain->isVisible());
        QVERIFY(!frmBusy->isShowing());
        QVERIFY(boxes.isEmpty());
        QVERIFY(readAll(AppPaths::dataFile(QStringLiteral("Playlists.lst"))).contains(address.toLatin1()));
    }
};

QTEST_MAIN(LoadWaitTest)
#include "LoadWaitTest.moc"
