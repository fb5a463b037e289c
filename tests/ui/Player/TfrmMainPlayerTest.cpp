// Playing from the main window with a fake control in the video area: the Play sequence and its
// busy window, the playing and error events, the enabling of Stop and PS/PL, F11 and the
// double-click on the video.

#include "FakePlayerControl.h"

#include "../WindowTestSupport.h"
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

#include <functional>

namespace {
const QString kPlaylist = QStringLiteral("#EXTINF:-1,News\r\nudp://239.0.0.1:1234\r\n"
                                         "#EXTINF:-1,Sport HD\r\nhttp://example.test/sport/hd.m3u8\r\n");
const QString kConnectionFailed = QStringLiteral("Connection could not be established!\r\n\r\n"
                                                 "Some channels require a U.S. VPN connection.");
// The waits of 2000 and 1500 ms pass twenty times faster on the test clock.
constexpr quint32 kClockSpeed = 20;
// A busy window still up after this long (real time) was never going to close by itself.
constexpr int kStuckAfterMs = 5000;

struct Press {
    Qt::MouseButton button = Qt::LeftButton;
    quint32 tick = 0;
};
} // namespace

Q_DECLARE_METATYPE(Press)

class TfrmMainPlayerTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    FakePlayerControl *fake = nullptr;

    // The tick clock: fast real time, or a value the test sets.
    QElapsedTimer realTime;
    quint32 clockBase = 0;
    bool manualClock = false;
    quint32 manualTicks = 0;

    QList<MessageBoxes::Shown> boxes;
    QList<bool> busyShowingAtBox;
    QList<quint32> ticksAtBox;

    // What the busy window looked like when Play was waiting on it.
    struct BusySeen {
        bool seen = false;
        QString caption, label1, label2;
        bool stopEnabled = true, pauseEnabled = true;
    } busySeen;
    QTimer busyWatch;
    std::function<void()> busyAnswer;
    QElapsedTimer busyWatchAge;
    bool busyStuck = false;
    quint32 ticksAtAnswer = 0;

    Ui::TfrmMain &ui() { return frmMain->controls(); }

    void select(const QString &name)
    {
        QItemSelectionModel *selection = ui().lstM3UPlaylists->selectionModel();
        selection->clear();
        for (int i = 0; i < frmMain->channels().count(); ++i) {
            if (frmMain->channels().text(i) == name)
                selection->select(frmMain->channels().index(i), QItemSelectionModel::ClearAndSelect);
        }
        QVERIFY(frmMain->selectedChannelIndex() >= 0);
    }

    // Runs `answer` (the control's event) once the busy window is up and modal, that is once Play
    // waits on it; notes what the window showed at that moment.
    void answerWhenPlayWaits(std::function<void()> answer)
    {
        busyAnswer = std::move(answer);
        busySeen = {};
        busyWatchAge.start();
        busyWatch.start();
    }
    void watchBusy()
    {
        if (frmBusy->isShowing() && frmBusy->isModal() && busyAnswer) {
            busySeen = {true,
                        frmBusy->windowTitle(),
                        frmBusy->label1Text(),
                        frmBusy->label2Text(),
                        ui().btnStop->isEnabled(),
                        ui().btnPause->isEnabled()};
            ticksAtAnswer = TickClock::now();
            const auto answer = std::move(busyAnswer);
            busyAnswer = {};
            answer();
            return;
        }
        if (busyWatchAge.elapsed() > kStuckAfterMs) {
            busyWatch.stop();
            if (frmBusy->isShowing()) {
                busyStuck = true;
                frmBusy->closeBusy();
            }
        }
    }

    // Presses Play; a failure that ends the command comes back as the stop box's text.
    QString pressPlay()
    {
        ui().btnPlay->click();
        return takeStopBox(boxes);
    }
    void playAnsweredWith(void (FakePlayerControl::*event)())
    {
        answerWhenPlayWaits([this, event] { (fake->*event)(); });
        QCOMPARE(pressPlay(), QString());
        QVERIFY(busySeen.seen);
        QVERIFY(!frmBusy->isShowing());
    }
    void enableButtonsByAPlayingEvent()
    {
        fake->raisePlaying(); // the busy window is hidden, so nothing waits
        QVERIFY(ui().btnStop->isEnabled());
        fake->operations.clear();
    }
    QPair<bool, bool> buttons() { return {ui().btnStop->isEnabled(), ui().btnPause->isEnabled()}; }

private slots:
    void initTestCase()
    {
        realTime.start();
        TickClock::setSourceForTesting([this] {
            return manualClock ? manualTicks
                               : clockBase + static_cast<quint32>(realTime.elapsed()) * kClockSpeed;
        });
        PlayerFactory::setFactoryForTesting([this](QWidget *parent) {
            fake = new FakePlayerControl(parent);
            return fake;
        });
        busyWatch.setInterval(5);
        connect(&busyWatch, &QTimer::timeout, this, &TfrmMainPlayerTest::watchBusy);
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
        ticksAtBox.clear();
        MessageBoxes::setInterceptorForTesting([this](const MessageBoxes::Shown &shown) {
            boxes << shown;
            busyShowingAtBox << frmBusy->isShowing();
            ticksAtBox << TickClock::now();
            return true;
        });
        manualClock = false;
        busyStuck = false;
        fake = nullptr;
        frmMain = new TfrmMain;
        frmMain->setCommandLine({QStringLiteral("Norvale")});
        frmBusy = new TfrmBusy(frmMain);
        QVERIFY(fake);
        QCOMPARE(frmMain->player(), fake);
        frmMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmMain));
        frmMain->ParseM3UContent(frmMain->channels(), kPlaylist);
    }
    void cleanup()
    {
        busyWatch.stop();
        busyAnswer = {};
        QVERIFY2(!busyStuck, "the busy window stayed up until the test closed it");
        delete frmMain;
        frmMain = nullptr;
        frmBusy = nullptr;
        fake = nullptr;
        MessageBoxes::setInterceptorForTesting({});
        AppPaths::setExecutableDirForTesting({});
    }

    void playHandsTheSelectedChannelOverAndWaitsForPlaying()
    {
        QCOMPARE(fake->Branding(), false); // set when the window was created
        select(QStringLiteral("Sport HD"));
        ui().lstM3UPlaylists->setFocus();
        playAnsweredWith(&FakePlayerControl::raisePlaying);
        const quint32 ticksAtReturn = TickClock::now();

        QCOMPARE(fake->operations,
                 (QStringList{QStringLiteral("stop"), QStringLiteral("clear"),
                              QStringLiteral("add http://example.test/sport/hd.m3u8|Sport HD"),
                              QStringLiteral("play 0")}));
        QCOMPARE(fake->playlistItemsCount(), 1);
        QCOMPARE(busySeen.caption, QStringLiteral("Connecting to Videostream..."));
        QCOMPARE(busySeen.label1, QStringLiteral("Connecting to Site..."));
        QCOMPARE(busySeen.label2, QStringLiteral("Buffering...Buffering...Buffering..."));
        QVERIFY(!busySeen.stopEnabled && !busySeen.pauseEnabled);
        // The busy window stayed two more seconds after playback had started.
        QVERIFY2(TickClock::elapsedSince(ticksAtAnswer, ticksAtReturn) >= 2000,
                 qPrintable(QString::number(TickClock::elapsedSince(ticksAtAnswer, ticksAtReturn))));
        QCOMPARE(buttons(), qMakePair(true, true));
        QCOMPARE(frmMain->focusWidget(), fake);
        QVERIFY(boxes.isEmpty());
    }

    void playWhilePlayingLeavesOnlyTheNewChannel()
    {
        select(QStringLiteral("News"));
        playAnsweredWith(&FakePlayerControl::raisePlaying);
        fake->operations.clear();
        select(QStringLiteral("Sport HD"));
        playAnsweredWith(&FakePlayerControl::raisePlaying);
        QCOMPARE(fake->operations,
                 (QStringList{QStringLiteral("stop"), QStringLiteral("clear"),
                              QStringLiteral("add http://example.test/sport/hd.m3u8|Sport HD"),
                              QStringLiteral("play 1")}));
        QCOMPARE(fake->playlistItemsCount(), 1);
    }

    void playWithNoSelectionDoesNothing()
    {
        enableButtonsByAPlayingEvent();
        ui().lstM3UPlaylists->selectionModel()->clear();
        answerWhenPlayWaits([this] { fake->raisePlaying(); });
        QCOMPARE(pressPlay(), QString());
        QVERIFY(!busySeen.seen);
        QVERIFY(!frmBusy->isShowing());
        QCOMPARE(fake->operations, QStringList());
        QCOMPARE(buttons(), qMakePair(true, true));
        QVERIFY(boxes.isEmpty());
    }

    void playThatTheControlRefusesEndsBeforeTheBusyWindow()
    {
        enableButtonsByAPlayingEvent();
        select(QStringLiteral("News"));
        fake->failAdd = true;
        answerWhenPlayWaits([this] { fake->raisePlaying(); });
        QCOMPARE(pressPlay(), QStringLiteral("The address cannot be played."));
        QVERIFY(!busySeen.seen);
        QVERIFY(!frmBusy->isShowing());
        QCOMPARE(fake->operations, (QStringList{QStringLiteral("stop"), QStringLiteral("clear"),
                                                QStringLiteral("add udp://239.0.0.1:1234|News")}));
        QCOMPARE(buttons(), qMakePair(true, true)); // the handler ended before it changed them
    }

    void playingReportedBeforeTheBusyWindowShowsLeavesNothingToWaitFor()
    {
        select(QStringLiteral("News"));
        fake->playingAtOnce = true;
        answerWhenPlayWaits([this] { frmBusy->closeBusy(); }); // only if the window wrongly came up
        QCOMPARE(pressPlay(), QString());
        QVERIFY(!busySeen.seen);
        QVERIFY(!frmBusy->isShowing());
        QCOMPARE(buttons(), qMakePair(true, true));
    }

    void enablingFollowsThePlayback()
    {
        struct Step {
            const char *what;
            std::function<void()> act;
            bool enabled; // Stop and PS/PL alike
        };
        select(QStringLiteral("News"));
        const Step steps[] = {
            {"window created", [] {}, false},
            {"played", [this] { playAnsweredWith(&FakePlayerControl::raisePlaying); }, true},
            {"paused", [this] { ui().btnPause->click(); }, true},
            {"paused again", [this] { ui().btnPause->click(); }, true},
            {"stopped", [this] { ui().btnStop->click(); }, false},
            {"PS/PL clicked while disabled", [this] { ui().btnPause->click(); }, false},
            {"playing again without Play", [this] { fake->raisePlaying(); }, true},
            {"error while playing", [this] { fake->raiseError(); }, true},
            {"played and failed", [this] { playAnsweredWith(&FakePlayerControl::raiseError); }, false},
            {"error while stopped", [this] { fake->raiseError(); }, false},
        };
        for (const Step &step : steps) {
            step.act();
            QVERIFY2(ui().btnStop->isEnabled() == step.enabled, step.what);
            QVERIFY2(ui().btnPause->isEnabled() == step.enabled, step.what);
            QVERIFY2(ui().btnPlay->isEnabled() && ui().btnGoFullscreen->isEnabled(), step.what);
        }
        QCOMPARE(fake->operations.count(QStringLiteral("pause")), 2); // a disabled button does nothing
        QCOMPARE(fake->operations.count(QStringLiteral("stop")), 3);  // two Plays and Stop
        QCOMPARE(boxes.size(), 3);                                    // one for each error
    }

    void playingEvent_data()
    {
        QTest::addColumn<bool>("busyUp");
        QTest::addColumn<bool>("playerUsable");
        QTest::addColumn<bool>("waits");
        QTest::addColumn<bool>("focused");
        QTest::newRow("busy window hidden") << false << true << false << true;
        QTest::newRow("busy window shown without blocking") << true << true << true << true;
        QTest::newRow("player disabled") << false << false << false << false;
    }
    void playingEvent()
    {
        QFETCH(bool, busyUp);
        QFETCH(bool, playerUsable);
        QFETCH(bool, waits);
        QFETCH(bool, focused);
        if (busyUp)
            frmBusy->showWithoutBlocking();
        ui().VLCPlugin21->setEnabled(playerUsable);
        ui().lstM3UPlaylists->setFocus();
        const quint32 before = TickClock::now();
        fake->raisePlaying();
        const quint32 waited = TickClock::elapsedSince(before, TickClock::now());
        QCOMPARE(waited >= 2000, waits);
        QVERIFY(!frmBusy->isShowing());
        QCOMPARE(buttons(), qMakePair(true, true));
        QCOMPARE(frmMain->focusWidget() == fake, focused);
    }

    void errorShowsTheConnectionBox_data()
    {
        QTest::addColumn<QString>("busy");
        QTest::addColumn<bool>("busyUnderBox");
        QTest::addColumn<bool>("buttonsAfter");
        // Play's busy window goes only with the box; one shown for something else goes at once.
        QTest::newRow("busy window Play waits on") << "play" << true << false;
        QTest::newRow("busy window hidden") << "hidden" << false << true;
        QTest::newRow("busy window shown without blocking") << "unblocked" << false << true;
    }
    void errorShowsTheConnectionBox()
    {
        QFETCH(QString, busy);
        QFETCH(bool, busyUnderBox);
        QFETCH(bool, buttonsAfter);
        select(QStringLiteral("News"));
        quint32 ticksAtError = 0;
        if (busy == QLatin1String("play")) {
            playAnsweredWith(&FakePlayerControl::raiseError);
            ticksAtError = ticksAtAnswer;
        } else {
            enableButtonsByAPlayingEvent();
            if (busy == QLatin1String("unblocked"))
                frmBusy->showWithoutBlocking();
            ticksAtError = TickClock::now();
            fake->raiseError();
        }
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().kind, MessageBoxes::Kind::Information);
        QCOMPARE(boxes.first().caption, QStringLiteral("Information"));
        QCOMPARE(boxes.first().text, kConnectionFailed);
        QCOMPARE(busyShowingAtBox.first(), busyUnderBox);
        QVERIFY(TickClock::elapsedSince(ticksAtError, ticksAtBox.first()) >= 1500);
        QVERIFY(!frmBusy->isShowing());
        QCOMPARE(buttons(), qMakePair(buttonsAfter, buttonsAfter));
    }

    void playReusesABusyWindowAlreadyUp_data()
    {
        QTest::addColumn<bool>("duringAddToFavourites");
        QTest::newRow("shown without blocking") << false;
        QTest::newRow("pressed during the favourite confirmation") << true;
    }
    void playReusesABusyWindowAlreadyUp()
    {
        QFETCH(bool, duringAddToFavourites);
        select(QStringLiteral("Sport HD"));
        answerWhenPlayWaits([this] { fake->raisePlaying(); });
        if (duringAddToFavourites) {
            bool busyWasUp = false;
            QTimer::singleShot(10, frmMain, [&] {
                busyWasUp = frmBusy->isShowing() && !frmBusy->isModal();
                QCOMPARE(pressPlay(), QString());
            });
            ui().btnAddToFavourites->click();
            QVERIFY(busyWasUp);
            QVERIFY(frmMain->isFoundInFavourites(QStringLiteral("http://example.test/sport/hd.m3u8")));
        } else {
            frmBusy->setTexts(QStringLiteral("Loading TV-Channel List"),
                              QStringLiteral("Connecting to Site..."), QStringLiteral("Loading Playlist..."));
            frmBusy->showWithoutBlocking();
            QCOMPARE(pressPlay(), QString());
        }
        QVERIFY(busySeen.seen);
        QCOMPARE(busySeen.caption, QStringLiteral("Connecting to Videostream..."));
        QCOMPARE(busySeen.label2, QStringLiteral("Buffering...Buffering...Buffering..."));
        QVERIFY(boxes.isEmpty()); // no failure of the modal show
        QVERIFY(fake->operations.contains(QStringLiteral("play 0")));
        QVERIFY(!frmBusy->isShowing());
        QVERIFY(!frmBusy->isModal());
        QCOMPARE(buttons(), qMakePair(true, true));
    }

    void doubleClickOnTheVideo_data()
    {
        QTest::addColumn<QList<Press>>("presses");
        QTest::addColumn<int>("toggles");
        const auto L = Qt::LeftButton;
        const auto R = Qt::RightButton;
        const auto M = Qt::MiddleButton;
        QTest::newRow("two left presses 300 ms apart") << QList<Press>{{L, 5000}, {L, 5300}} << 1;
        QTest::newRow("two left presses 301 ms apart") << QList<Press>{{L, 5000}, {L, 5301}} << 0;
        QTest::newRow("same tick") << QList<Press>{{L, 5000}, {L, 5000}} << 1;
        QTest::newRow("third press right after") << QList<Press>{{L, 5000}, {L, 5100}, {L, 5200}} << 1;
        QTest::newRow("fourth press pairs with the third")
            << QList<Press>{{L, 5000}, {L, 5100}, {L, 5200}, {L, 5300}} << 2;
        QTest::newRow("right then left") << QList<Press>{{R, 5000}, {L, 5250}} << 1;
        QTest::newRow("middle then left") << QList<Press>{{M, 5000}, {L, 5250}} << 1;
        QTest::newRow("left then right") << QList<Press>{{L, 5000}, {R, 5100}} << 0;
        QTest::newRow("two right presses") << QList<Press>{{R, 5000}, {R, 5100}} << 0;
        QTest::newRow("left, right, left: the right press restarts the count")
            << QList<Press>{{L, 5000}, {R, 5400}, {L, 5600}} << 1;
        QTest::newRow("across the wrap, 300 ms") << QList<Press>{{L, 0xFFFFFF9Cu}, {L, 200}} << 1;
        QTest::newRow("across the wrap, 301 ms") << QList<Press>{{L, 0xFFFFFF9Cu}, {L, 201}} << 0;
        QTest::newRow("last tick before the wrap and the first after")
            << QList<Press>{{L, 0xFFFFFFFFu}, {L, 0}} << 1;
        // The clock starts with the program: an early first press is not the second of a pair.
        QTest::newRow("single press at tick 0") << QList<Press>{{L, 0}} << 0;
        QTest::newRow("single press at tick 300") << QList<Press>{{L, 300}} << 0;
        QTest::newRow("press at 100 after a double-click") << QList<Press>{{L, 0}, {L, 50}, {L, 100}} << 1;
    }
    void doubleClickOnTheVideo()
    {
        QFETCH(QList<Press>, presses);
        QFETCH(int, toggles);
        manualClock = true;
        for (const Press &press : presses) {
            manualTicks = press.tick;
            fake->raiseMouseDown(press.button);
        }
        QCOMPARE(fake->fullscreenToggles, toggles);
        QCOMPARE(fake->videoFullscreen(), toggles % 2 == 1);
    }

    void keysOnThePlayer_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("F11") << int(Qt::Key_F11) << Qt::KeyboardModifiers() << true;
        QTest::newRow("Shift+F11") << int(Qt::Key_F11) << Qt::KeyboardModifiers(Qt::ShiftModifier) << true;
        QTest::newRow("Ctrl+F11") << int(Qt::Key_F11) << Qt::KeyboardModifiers(Qt::ControlModifier) << true;
        QTest::newRow("Ctrl+Shift+F11")
            << int(Qt::Key_F11) << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << true;
        QTest::newRow("Alt+F11") << int(Qt::Key_F11) << Qt::KeyboardModifiers(Qt::AltModifier) << true;
        QTest::newRow("F10") << int(Qt::Key_F10) << Qt::KeyboardModifiers() << false;
        QTest::newRow("F12") << int(Qt::Key_F12) << Qt::KeyboardModifiers() << false;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << false;
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
    }
    void keysOnThePlayer()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, toggles);
        const int left = fake->raiseKeyDown(key, modifiers);
        QCOMPARE(fake->fullscreenToggles, toggles ? 1 : 0);
        QCOMPARE(left, toggles ? 0 : key); // a handled key goes no further
    }

    void transportButtonsAndMouseMoves()
    {
        ui().btnGoFullscreen->click();
        QVERIFY(fake->videoFullscreen());
        ui().btnGoFullscreen->click();
        QVERIFY(!fake->videoFullscreen());
        ui().btnPause->setEnabled(true);
        ui().btnPause->click();
        QCOMPARE(fake->operations, (QStringList{QStringLiteral("fullscreen"), QStringLiteral("fullscreen"),
                                                QStringLiteral("pause")}));

        fake->setToolbar(false);
        fake->raiseMouseMove();
        QCOMPARE(fake->Toolbar(), true);
    }
};

QTEST_MAIN(TfrmMainPlayerTest)
#include "TfrmMainPlayerTest.moc"
