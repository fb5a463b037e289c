// Misbehaving servers met by the main window itself: the user is shown the failure's message
// once (an error box for a failed transfer, the general handler's box for a body that cannot be
// used), the busy window is gone, the channel list is empty, and the next choice of a good
// source loads as usual.

#include "TestServer.h"

#include "../ui/WindowTestSupport.h"
#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "common/MessageBoxes.h"
#include "shell/AppPaths.h"
#include "shell/NorvaleError.h"
#include "shell/TickClock.h"
#include "ui_TfrmMain.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class WindowNetworkFaultsTest final : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    TestServer server;
    QList<MessageBoxes::Shown> boxes;

    // Chooses `entry` as the user would; a failure that escapes the load is returned as the
    // message the general handler would show.
    QString choose(const QString &entry)
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
        QVERIFY(dir.isValid());
        const QString error = server.start(false);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        runWaitsTenTimesFaster();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir.filePath(QStringLiteral("config")));
    }
    void init()
    {
        AppPaths::setExecutableDirForTesting(dir.path());
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        boxes.clear();
        MessageBoxes::setInterceptorForTesting([this](const MessageBoxes::Shown &shown) {
            boxes << shown;
            return true;
        });
        frmMain->channels().addText(QStringLiteral("stale"));
    }
    void cleanup()
    {
        MessageBoxes::setInterceptorForTesting({});
        AppPaths::setExecutableDirForTesting({});
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
    }

    void aFailedLoadIsReportedAndTheNextOneWorks_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message"); // a regular expression matched whole
        QTest::newRow("server closes mid-body")
            << server.httpUrl(QStringLiteral("/close-mid-body"))
            << QStringLiteral("transfer closed with \\d+ bytes remaining to read");
        QTest::newRow("corrupt gzip")
            << server.httpUrl(QStringLiteral("/encoded/corrupt-gzip?coding=gzip"))
            << QStringLiteral("The response could not be decompressed: incorrect data check");
        QTest::newRow("redirect loop") << server.httpUrl(QStringLiteral("/redirect-loop"))
                                       << QStringLiteral("Maximum number of redirections \\(5\\) exceeded");
        QTest::newRow("redirect to a closed port")
            << server.httpUrl(QStringLiteral("/redirect-to?code=302&location=http://127.0.0.1:%1/list.m3u")
                                  .arg(TestServer::closedPort()))
            << QStringLiteral("Failed to connect to 127.0.0.1 port \\d+ after \\d+ ms: "
                              "(Couldn't|Could not) connect to server");
    }
    void aFailedLoadIsReportedAndTheNextOneWorks()
    {
        QFETCH(QString, address);
        QFETCH(QString, message);

        const QString escaped = choose(address);
        QCOMPARE(boxes.size() + (escaped.isEmpty() ? 0 : 1), 1);
        const QString shown = escaped.isEmpty() ? boxes.first().text : escaped;
        if (escaped.isEmpty())
            QCOMPARE(boxes.first().caption, QStringLiteral("Error"));
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(message)).match(shown).hasMatch(),
                 qPrintable(shown));
        QVERIFY(rows().isEmpty());
        QVERIFY(!frmBusy->isShowing());

        const qsizetype before = boxes.size();
        QCOMPARE(choose(server.httpUrl(QStringLiteral("/encoded/gzip?coding=gzip"))), QString());
        QCOMPARE(boxes.size(), before);
        QCOMPARE(rows(), QStringList{QStringLiteral("Café Télé")});
        QVERIFY(!frmBusy->isShowing());
    }
};

QTEST_MAIN(WindowNetworkFaultsTest)
#include "WindowNetworkFaultsTest.moc"
