// How the libVLC control lives with what streams do, on dummy outputs against the local server:
// a live stream that drops is reopened, a clip that ends stops; the toolbar's position, times
// and tracks; the control's own keys.

#include "../net/TestServer.h"
#include "LibVlcPlayer.h"
#include "PlayerToolbar.h"
#include "VideoArea.h"
#include "loading/HttpClient.h"

#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {
const QString kClip = QStringLiteral(NORVALE_TEST_DATA "/player/clip.mp4");
const QString kTracks = QStringLiteral(NORVALE_TEST_DATA "/player/tracks.mkv");
const QString kLive = QStringLiteral(NORVALE_TEST_DATA "/player/live.ts");
const QStringList kHeadless =
    LibVlcPlayer::defaultArguments() + QStringList{"--vout=dummy", "--aout=dummy", "--avcodec-hw=none"};
constexpr int kEventTimeoutMs = 15000;
// The reconnection schedule runs ten times faster here: tries at 0.1 … 1.5 s, given up at 3 s.
constexpr double kScale = 0.1;
using Playback = LibVlcPlayer::Playback;
} // namespace

class StreamRecoveryTest final : public QObject {
    Q_OBJECT
private:
    TestServer server;
    std::unique_ptr<QWidget> window;
    LibVlcPlayer *player = nullptr;

    PlayerToolbar *bar() const { return player->videoArea()->toolbar(); }
    QString liveUrl() const
    {
        return server.httpUrl(QStringLiteral("/live?rate=60000&path=") + QUrl::toPercentEncoding(kLive));
    }
    void drop(double seconds)
    {
        const HttpResponse r =
            HttpClient().get(server.httpUrl(QStringLiteral("/drop?seconds=%1").arg(seconds)));
        QCOMPARE(r.statusCode, 200);
    }
    void play(const QString &uri)
    {
        player->playlistStop();
        player->playlistItemsClear();
        player->playlistPlayItem(player->playlistAdd(uri, QStringLiteral("Channel")));
    }
    // Plays the live channel, then takes its server down for `seconds`, until the control reconnects.
    void playLiveAndDrop(QSignalSpy &playing, double seconds)
    {
        play(liveUrl());
        QVERIFY(playing.wait(kEventTimeoutMs));
        QCOMPARE(bar()->duration(), 0); // live: no slider, no times
        drop(seconds);
        QTRY_COMPARE_WITH_TIMEOUT(player->playback(), Playback::Reconnecting, kEventTimeoutMs);
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(player->videoArea()->videoWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    qint64 shownPosition() const
    {
        return bar()->findChild<QSlider *>(QStringLiteral("toolbarPosition"))->value();
    }

private slots:
    void initTestCase()
    {
        qputenv("no_proxy", "127.0.0.1");
        qputenv("NO_PROXY", "127.0.0.1");
        const QString error = server.start(false);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void init()
    {
        drop(0); // nothing refused from an earlier case
        window = std::make_unique<QWidget>();
        window->resize(640, 400);
        player = new LibVlcPlayer(window.get(), kHeadless);
        player->setGeometry(10, 10, 480, 270);
        player->setReconnectScaleForTesting(kScale);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    void droppedLiveStreamIsReopened()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        playLiveAndDrop(playing, 0.5);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(player->videoArea()->message(), QStringLiteral("Reconnecting…"));
        QVERIFY(!bar()->isPlaying());
        // Back on the air, the control says playing as after a pause, and no error was raised.
        QTRY_COMPARE_WITH_TIMEOUT(playing.count(), 2, kEventTimeoutMs);
        QCOMPARE(player->playback(), Playback::Playing);
        QVERIFY(player->videoArea()->message().isEmpty());
        QVERIFY(bar()->isPlaying());
        QCOMPARE(errors.count(), 0);
    }

    void liveStreamThatStaysDownEndsInOneError()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        playLiveAndDrop(playing, 60);
        if (QTest::currentTestFailed())
            return;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(errors.wait(kEventTimeoutMs));
        // Given up at 3 s from the drop (30 s unscaled), not before the last try at 1.5 s.
        QVERIFY2(clock.elapsed() >= 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(player->playback(), Playback::Stopped);
        QVERIFY(player->videoArea()->message().isEmpty());
        QTest::qWait(500);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(playing.count(), 1);
    }

    void stopOrAnotherChannelEndsTheRetrying_data()
    {
        QTest::addColumn<bool>("playAnother");
        QTest::newRow("stop") << false;
        QTest::newRow("another channel") << true;
    }
    void stopOrAnotherChannelEndsTheRetrying()
    {
        QFETCH(bool, playAnother);
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        playLiveAndDrop(playing, 60);
        if (QTest::currentTestFailed())
            return;
        if (playAnother) {
            play(kClip);
            QVERIFY(playing.wait(kEventTimeoutMs));
            QCOMPARE(player->currentUri(), kClip);
        } else {
            player->playlistStop();
            QCOMPARE(player->playback(), Playback::Stopped);
        }
        QVERIFY(player->videoArea()->message().isEmpty());
        // Past the whole schedule: no try, no late error.
        QTest::qWait(int(LibVlcPlayer::ReconnectGiveUpMs * kScale) + 500);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(playing.count(), playAnother ? 2 : 1);
    }

    void streamOverBeforeItPlayedIsAnError_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty body") << QStringLiteral("/bytes");
        QTest::newRow("not found") << QStringLiteral("/no-such-stream.ts");
    }
    void streamOverBeforeItPlayedIsAnError()
    {
        QFETCH(QString, path);
        // Far beyond the wait below: an error can only come from the stream itself.
        player->setStartTimeout(10 * kEventTimeoutMs);
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        play(server.httpUrl(path));
        QVERIFY(errors.wait(kEventTimeoutMs));
        QCOMPARE(player->playback(), Playback::Stopped);
        QTest::qWait(300);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(playing.count(), 0);
    }

    void clipThatEndsStopsAndPlaysAgainFromTheStart()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        play(kClip);
        QVERIFY(playing.wait(kEventTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(bar()->duration() > 0, kEventTimeoutMs);
        // The clip's own four seconds; then stopped, not reconnecting, no error.
        QTRY_COMPARE_WITH_TIMEOUT(player->playback(), Playback::Stopped, kEventTimeoutMs);
        QVERIFY(player->videoArea()->message().isEmpty());
        QVERIFY(!bar()->isPlaying());
        QCOMPARE(bar()->duration(), 0); // nothing to seek in until it plays again
        QCOMPARE(errors.count(), 0);
        player->play();
        QVERIFY(playing.wait(kEventTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(bar()->duration() > 0, kEventTimeoutMs);
        QVERIFY2(shownPosition() < 2000, qPrintable(QString::number(shownPosition())));
    }

    void positionSliderAndTimesFollowTheMedium()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        play(kTracks);
        QVERIFY(playing.wait(kEventTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(bar()->duration() > 5000, kEventTimeoutMs);
        auto *slider = bar()->findChild<QSlider *>(QStringLiteral("toolbarPosition"));
        QVERIFY(slider->isVisible());
        QCOMPARE(slider->maximum(), bar()->duration());
        QVERIFY2(bar()->timeText().endsWith(QStringLiteral(" / 0:06")), qPrintable(bar()->timeText()));
        player->pause();
        QTRY_COMPARE_WITH_TIMEOUT(player->playback(), Playback::Paused, kEventTimeoutMs);

        // A click near the end of the groove seeks there when the button is released.
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() * 9 / 10, slider->height() / 2));
        QTRY_VERIFY_WITH_TIMEOUT(shownPosition() > bar()->duration() * 7 / 10, kEventTimeoutMs);
        QVERIFY2(bar()->timeText().startsWith(QStringLiteral("0:05")), qPrintable(bar()->timeText()));
        // Left goes back 10 s, at most to the start; Right forward, at most to the end.
        press(Qt::Key_Left);
        QTRY_COMPARE_WITH_TIMEOUT(shownPosition(), 0, kEventTimeoutMs);
        press(Qt::Key_Right);
        QTRY_COMPARE_WITH_TIMEOUT(shownPosition(), bar()->duration(), kEventTimeoutMs);
    }

    void liveStreamsTakeNoSeekKeys()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        play(liveUrl());
        QVERIFY(playing.wait(kEventTimeoutMs));
        int forwarded = -1;
        connect(player, &PlayerControl::KeyDown, this,
                [&](int *key, Qt::KeyboardModifiers) { forwarded = *key; });
        press(Qt::Key_Right);
        QCOMPARE(forwarded, int(Qt::Key_Right)); // the owner saw it first
        QCOMPARE(bar()->duration(), 0);
        QVERIFY(!bar()->findChild<QSlider *>(QStringLiteral("toolbarPosition"))->isVisible());
    }

    void tracksMenuChoosesAudioAndSubtitles()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        auto *button = bar()->findChild<QToolButton *>(QStringLiteral("toolbarTracks"));
        play(kClip); // one audio track, no subtitles: nothing to choose
        QVERIFY(playing.wait(kEventTimeoutMs));
        QTest::qWait(300);
        QVERIFY(!button->isVisible());

        play(kTracks);
        QVERIFY(playing.wait(kEventTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(button->isVisible(), kEventTimeoutMs);
        QStringList names;
        QList<QAction *> checkable;
        for (QAction *action : bar()->tracksMenu()->actions()) {
            names << action->text();
            if (action->isCheckable())
                checkable << action;
        }
        // Sections, then each track by the name libVLC gives it, with subtitles' Off.
        const QString all = names.join(QLatin1Char('|'));
        for (const char *expected : {"Audio", "English", "Français", "Subtitles", "Off", "Deutsch"})
            QVERIFY2(all.contains(QString::fromUtf8(expected)), qPrintable(all));
        QCOMPARE(checkable.size(), 2 + 3);

        // The second audio track, then subtitles off, chosen from the menu.
        checkable[1]->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(bar()->tracksMenu()->actions().size() == names.size() &&
                                     bar()->tracksMenu()->actions()[2]->isChecked(),
                                 kEventTimeoutMs);
        const auto offAction = [this] {
            for (QAction *action : bar()->tracksMenu()->actions())
                if (action->text() == QLatin1String("Off"))
                    return action;
            return static_cast<QAction *>(nullptr);
        };
        offAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(offAction()->isChecked(), kEventTimeoutMs);
    }

    void keysPauseMuteAndChangeTheVolume()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        play(kTracks);
        QVERIFY(playing.wait(kEventTimeoutMs));
        press(Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(player->playback(), Playback::Paused, kEventTimeoutMs);
        press(Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(player->playback(), Playback::Playing, kEventTimeoutMs);

        press(Qt::Key_M);
        QVERIFY(bar()->isMuted());
        press(Qt::Key_M);
        QVERIFY(!bar()->isMuted());

        struct Step {
            int start;
            int key;
            int expected;
        };
        for (const Step &step :
             {Step{100, Qt::Key_Up, 105}, Step{198, Qt::Key_Up, 200}, Step{200, Qt::Key_Up, 200},
              Step{100, Qt::Key_Down, 95}, Step{3, Qt::Key_Down, 0}, Step{0, Qt::Key_Down, 0}}) {
            player->setVolume(step.start);
            press(step.key);
            QCOMPARE(player->Volume(), step.expected);
        }
        // With Ctrl the keys are the window's, not the player's.
        player->setVolume(100);
        press(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(player->Volume(), 100);
        // A key the owner consumed goes no further.
        connect(player, &PlayerControl::KeyDown, this, [](int *key, Qt::KeyboardModifiers) {
            if (*key == Qt::Key_M)
                *key = 0;
        });
        press(Qt::Key_M);
        QVERIFY(!bar()->isMuted());
    }
};

QTEST_MAIN(StreamRecoveryTest)
#include "StreamRecoveryTest.moc"
