// The main window with the libVLC control (dummy outputs): Play on a clip that plays and on
// addresses that fail, through the busy window to the enabled buttons or the connection box.

#include "ClosedPorts.h"
#include "LibVlcPlayer.h"
#include "VideoArea.h"

#include "Busy/TfrmBusy.h"
#include "Main/TfrmMain.h"
#include "PlayerFactory.h"
#include "common/MessageBoxes.h"
#include "shell/AppPaths.h"
#include "shell/TickClock.h"
#include "ui_TfrmMain.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QString kClip = QStringLiteral(NORVALE_TEST_DATA "/player/clip.mp4");
const QStringList kHeadless =
    LibVlcPlayer::defaultArguments() + QStringList{"--vout=dummy", "--aout=dummy", "--avcodec-hw=none"};
const QString kConnectionFailed = QStringLiteral("Connection could not be established!\r\n\r\n"
                                                 "Some channels require a U.S. VPN connection.");
// The 2000 and 1500 ms waits pass ten times faster on the test clock.
constexpr quint32 kClockSpeed = 10;
// Far more than libVLC needs to start or refuse a local clip; only reached when something hangs.
constexpr int kGiveUpMs = 20000;
} // namespace

class MainWindowPlaybackTest final : public QObject {
    Q_OBJECT
private:
    ClosedPorts ports;
    std::unique_ptr<QTemporaryDir> dir;
    QList<MessageBoxes::Shown> boxes;
    QList<bool> busyShowingAtBox;
    bool busyWasModal = false;
    bool buttonsEnabledWhileWaiting = true;
    bool gaveUp = false;
    QTimer watch;
    QElapsedTimer watchAge;
    QElapsedTimer realTime; // drives the test clock

    Ui::TfrmMain &ui() { return frmMain->controls(); }

    // Plays `uri` as the channel "Channel" and returns the ticks Play took.
    quint32 play(const QString &uri)
    {
        frmMain->clearChannels(frmMain->channels());
        frmMain->ParseM3UContent(frmMain->channels(),
                                 QStringLiteral("#EXTINF:-1,Channel\r\n") + uri + "\r\n");
        ui().lstM3UPlaylists->selectionModel()->select(frmMain->channels().index(0),
                                                       QItemSelectionModel::ClearAndSelect);
        busyWasModal = false;
        buttonsEnabledWhileWaiting = true;
        watchAge.start();
        watch.start();
        const quint32 start = TickClock::now();
        ui().btnPlay->click();
        watch.stop();
        return TickClock::elapsedSince(start, TickClock::now());
    }
    void watchBusy()
    {
        if (frmBusy->isShowing() && frmBusy->isModal()) {
            busyWasModal = true;
            buttonsEnabledWhileWaiting = ui().btnStop->isEnabled() || ui().btnPause->isEnabled();
        }
        if (watchAge.elapsed() > kGiveUpMs && frmBusy->isShowing()) {
            gaveUp = true;
            frmBusy->closeBusy();
        }
    }

private slots:
    void initTestCase()
    {
        realTime.start();
        TickClock::setSourceForTesting(
            [this] { return static_cast<quint32>(realTime.elapsed()) * kClockSpeed; });
        PlayerFactory::setFactoryForTesting(
            [](QWidget *parent) { return new LibVlcPlayer(parent, kHeadless); });
        watch.setInterval(10);
        connect(&watch, &QTimer::timeout, this, &MainWindowPlaybackTest::watchBusy);
    }
    void cleanupTestCase()
    {
        PlayerFactory::setFactoryForTesting({});
        TickClock::setSourceForTesting({});
    }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        AppPaths::setExecutableDirForTesting(dir->path() + QLatin1Char('/'));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir->filePath(QStringLiteral("config")));
        boxes.clear();
        busyShowingAtBox.clear();
        gaveUp = false;
        MessageBoxes::setInterceptorForTesting([this](const MessageBoxes::Shown &shown) {
            boxes << shown;
            busyShowingAtBox << frmBusy->isShowing();
            return true;
        });
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        frmMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmMain));
    }
    void cleanup()
    {
        QVERIFY2(!gaveUp, "the player never answered");
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
        MessageBoxes::setInterceptorForTesting({});
        AppPaths::setExecutableDirForTesting({});
    }

    void clipPlaysAndEnablesTheButtonsWhenTheBusyWindowGoes()
    {
        const quint32 took = play(kClip);
        QVERIFY(busyWasModal);
        QVERIFY(!buttonsEnabledWhileWaiting);
        QVERIFY(took >= 2000); // the busy window stayed after playing was reported
        QVERIFY(!frmBusy->isShowing());
        QVERIFY(ui().btnStop->isEnabled());
        QVERIFY(ui().btnPause->isEnabled());
        QVERIFY(boxes.isEmpty());
        QCOMPARE(frmMain->focusWidget(),
                 static_cast<LibVlcPlayer *>(frmMain->player())->videoArea()->videoWidget());

        // Play again while the clip plays: still one item, and the new play reaches playing too.
        play(kClip);
        QVERIFY(busyWasModal);
        QCOMPARE(frmMain->player()->playlistItemsCount(), 1);
        QVERIFY(ui().btnStop->isEnabled());
        QVERIFY(boxes.isEmpty());

        ui().btnStop->click();
        QVERIFY(!ui().btnStop->isEnabled());
        QVERIFY(!ui().btnPause->isEnabled());
    }

    void failingAddressesShowTheConnectionBox_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<int>("startTimeoutMs");
        QTest::newRow("missing file") << QStringLiteral(NORVALE_TEST_DATA "/player/no-such-clip.mp4")
                                      << LibVlcPlayer::DefaultStartTimeoutMs;
        QTest::newRow("refused connection")
            << ClosedPorts::refusedUrl() << LibVlcPlayer::DefaultStartTimeoutMs;
        QTest::newRow("server that never answers") << ports.silentUrl() << 800;
    }
    void failingAddressesShowTheConnectionBox()
    {
        QFETCH(QString, uri);
        QFETCH(int, startTimeoutMs);
        static_cast<LibVlcPlayer *>(frmMain->player())->setStartTimeout(startTimeoutMs);
        const quint32 took = play(uri);
        QVERIFY(busyWasModal);
        QVERIFY(took >= 1500);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().kind, MessageBoxes::Kind::Information);
        QCOMPARE(boxes.first().text, kConnectionFailed);
        QCOMPARE(busyShowingAtBox.first(), true); // the box came up over the busy window
        QVERIFY(!frmBusy->isShowing());
        QVERIFY(!ui().btnStop->isEnabled());
        QVERIFY(!ui().btnPause->isEnabled());
    }
};

QTEST_MAIN(MainWindowPlaybackTest)
#include "MainWindowPlaybackTest.moc"
