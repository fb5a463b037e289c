// The libVLC control with dummy outputs: real playing and error events, the start-up time-out,
// events of a replaced stream, the toolbar and the full-screen move (on the offscreen platform).

#include "LibVlcPlayer.h"
#include "ClosedPorts.h"
#include "PlayerToolbar.h"
#include "VideoArea.h"
#include "shell/NorvaleError.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {
const QString kClip = QStringLiteral(NORVALE_TEST_DATA "/player/clip.mp4");
const QStringList kHeadless =
    LibVlcPlayer::defaultArguments() + QStringList{"--vout=dummy", "--aout=dummy", "--avcodec-hw=none"};
constexpr int kEventTimeoutMs = 10000;
} // namespace

class LibVlcPlayerTest final : public QObject {
    Q_OBJECT
private:
    ClosedPorts ports;
    std::unique_ptr<QWidget> window;
    LibVlcPlayer *player = nullptr;

    void play(const QString &uri)
    {
        player->playlistStop();
        player->playlistItemsClear();
        player->playlistPlayItem(player->playlistAdd(uri, QStringLiteral("Channel")));
    }

private slots:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(640, 400);
        player = new LibVlcPlayer(window.get(), kHeadless);
        player->setGeometry(10, 10, 480, 270);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    void storedProperties()
    {
        QCOMPARE(player->AutoPlay(), true);
        QCOMPARE(player->AutoLoop(), false);
        QCOMPARE(player->Volume(), 100);
        QCOMPARE(player->BackColor(), QColor(Qt::black));
        QCOMPARE(player->Toolbar(), true);
        QVERIFY(player->videoArea()->toolbar()->isVisible());
        QCOMPARE(player->playlistItemsCount(), 0);
        QVERIFY(!player->videoFullscreen());
    }

    void clipPlaysAndEventArrivesOnGuiThread()
    {
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        bool onGuiThread = false;
        connect(player, &PlayerControl::MediaPlayerPlaying, this,
                [&] { onGuiThread = QThread::currentThread() == qApp->thread(); });
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        play(kClip);
        QVERIFY(playing.wait(kEventTimeoutMs));
        QVERIFY(onGuiThread);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(player->playlistItemsCount(), 1);
    }

    void playWhilePlayingLeavesOneItem()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        play(kClip);
        QVERIFY(playing.wait(kEventTimeoutMs));
        play(kClip);
        QCOMPARE(player->playlistItemsCount(), 1);
        QVERIFY(playing.wait(kEventTimeoutMs));
        QCOMPARE(playing.count(), 2);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(player->playlistItemsCount(), 1);
    }

    void stopLeavesNoPictureBehind()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display to draw into");
        // A real video output this time: the picture is read back from the screen.
        QWidget shown;
        shown.resize(520, 320);
        auto *drawing =
            new LibVlcPlayer(&shown, LibVlcPlayer::defaultArguments() << QStringLiteral("--aout=dummy"));
        drawing->setGeometry(10, 10, 480, 270);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        QWidget *video = drawing->videoArea()->videoWidget();
        const auto litShare = [video] {
            const QPoint origin = video->mapToGlobal(QPoint(0, 0));
            const QImage image = video->screen()
                                     ->grabWindow(0, origin.x(), origin.y(), video->width(), video->height())
                                     .toImage();
            int lit = 0, total = 0;
            for (int y = 0; y < image.height(); y += 8)
                for (int x = 0; x < image.width(); x += 8, ++total)
                    lit += qGray(image.pixel(x, y)) > 40 ? 1 : 0;
            return total ? double(lit) / total : 0.0;
        };
        QCOMPARE(litShare(), 0.0);
        drawing->playlistPlayItem(drawing->playlistAdd(kClip, QStringLiteral("Clip")));
        QTRY_VERIFY_WITH_TIMEOUT(litShare() > 0.2, kEventTimeoutMs);
        drawing->playlistStop();
        QTRY_VERIFY_WITH_TIMEOUT(litShare() < 0.01, 2000);
    }

    void failuresRaiseTheErrorEvent_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::newRow("missing file path") << QStringLiteral(NORVALE_TEST_DATA "/player/no-such-clip.mp4");
        QTest::newRow("missing file address") << QStringLiteral("file:///nonexistent/dir/clip.mp4");
        QTest::newRow("refused connection") << ClosedPorts::refusedUrl();
    }
    void failuresRaiseTheErrorEvent()
    {
        QFETCH(QString, uri);
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        play(uri);
        QVERIFY(errors.wait(kEventTimeoutMs));
        QTest::qWait(200); // nothing else follows the error
        QCOMPARE(errors.count(), 1);
        QCOMPARE(playing.count(), 0);
    }

    void silentServerTimesOutAsAnError()
    {
        player->setStartTimeout(800);
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        QElapsedTimer clock;
        clock.start();
        play(ports.silentUrl());
        QVERIFY(errors.wait(kEventTimeoutMs));
        QVERIFY2(clock.elapsed() >= 700, "reported before the time-out");
        QCOMPARE(playing.count(), 0);
        // The given-up stream does not block a new Play, and a new Play is not timed out early.
        player->setStartTimeout(LibVlcPlayer::DefaultStartTimeoutMs);
        play(kClip);
        QVERIFY(playing.wait(kEventTimeoutMs));
        QCOMPARE(errors.count(), 1);
    }

    void eventsOfAReplacedStreamAreDropped()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        play(kClip);
        // The clip's playing event is posted meanwhile, but not delivered before it is replaced.
        QThread::msleep(1500);
        play(QStringLiteral("file:///nonexistent/other.mp4"));
        QVERIFY(errors.wait(kEventTimeoutMs));
        QTest::qWait(300);
        QCOMPARE(playing.count(), 0);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(player->playlistItemsCount(), 1);
    }

    void unknownItemIsAFailure()
    {
        const qint32 id = player->playlistAdd(kClip, QStringLiteral("Clip"));
        player->playlistItemsClear();
        QCOMPARE(player->playlistItemsCount(), 0);
        QVERIFY_THROWS_EXCEPTION(NorvaleError, player->playlistPlayItem(id));
    }

    void stopAndPauseAreHarmlessWhenIdle()
    {
        player->playlistTogglePause();
        player->playlistStop();
        player->playlistStop();
        QCOMPARE(player->playlistItemsCount(), 0);
    }

    void fullscreenMovesTheVideoAndBack()
    {
        VideoArea *area = player->videoArea();
        const WId videoWindow = area->videoWindowId();
        QSignalSpy changed(area, &VideoArea::fullscreenChanged);
        player->videoToggleFullscreen();
        QVERIFY(player->videoFullscreen());
        QCOMPARE(area->parentWidget(), area->fullscreenWindow());
        QVERIFY(area->fullscreenWindow()->isVisible());
        QVERIFY(area->fullscreenWindow()->windowState() & Qt::WindowFullScreen);
        QCOMPARE(area->videoWindowId(), videoWindow);

        // Esc leaves full screen and puts the video back where it was.
        QTest::keyClick(area->videoWidget(), Qt::Key_Escape);
        QVERIFY(!player->videoFullscreen());
        QCOMPARE(area->parentWidget(), player);
        QCOMPARE(area->geometry(), player->rect());
        QVERIFY(!area->fullscreenWindow()->isVisible());
        QCOMPARE(area->videoWindowId(), videoWindow);
        QCOMPARE(changed.count(), 2);
    }

    void toolbarHidesOnlyInFullscreen()
    {
        VideoArea *area = player->videoArea();
        PlayerToolbar *bar = area->toolbar();
        area->setToolbarHideDelayForTesting(100);
        QTest::qWait(300);
        QVERIFY(bar->isVisible()); // not in full screen: it stays

        player->videoToggleFullscreen();
        QVERIFY(bar->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), 2000);
        player->setToolbar(true); // what a mouse move over the video does
        QVERIFY(bar->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), 2000);

        player->videoToggleFullscreen();
        QVERIFY(bar->isVisible()); // back in the window it is shown again

        player->setToolbar(false);
        QVERIFY(!bar->isVisible());
    }

    void keysReachTheHandlerWhichMayConsumeThem()
    {
        QList<int> seen;
        connect(player, &PlayerControl::KeyDown, this, [&](int *key, Qt::KeyboardModifiers) {
            seen << *key;
            if (*key == Qt::Key_Escape)
                *key = 0;
        });
        player->videoToggleFullscreen();
        QTest::keyClick(player->videoArea()->videoWidget(), Qt::Key_A);
        QTest::keyClick(player->videoArea()->videoWidget(), Qt::Key_Escape);
        QCOMPARE(seen, (QList<int>{Qt::Key_A, Qt::Key_Escape}));
        QVERIFY(player->videoFullscreen()); // the consumed Esc went no further
    }

    void everyPressIsReportedAlsoInADoubleClick()
    {
        QList<Qt::MouseButton> buttons;
        connect(player, &PlayerControl::MouseDown, this,
                [&](Qt::MouseButton button, Qt::KeyboardModifiers, int, int) { buttons << button; });
        QSignalSpy moves(player, &PlayerControl::MouseMove);
        QWidget *video = player->videoArea()->videoWidget();
        // The window system turns the second of two quick presses into a double-click event.
        QTest::mouseClick(video, Qt::LeftButton);
        QTest::mouseDClick(video, Qt::LeftButton);
        QTest::mousePress(video, Qt::RightButton);
        QTest::mouseMove(video, QPoint(20, 20));
        QCOMPARE(buttons, (QList<Qt::MouseButton>{Qt::LeftButton, Qt::LeftButton, Qt::RightButton}));
        QVERIFY(moves.count() >= 1);
    }
};

QTEST_MAIN(LibVlcPlayerTest)
#include "LibVlcPlayerTest.moc"
