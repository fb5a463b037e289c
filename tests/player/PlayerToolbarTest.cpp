// The play button of the control's own toolbar, clicked, on libVLC with dummy outputs (offscreen,
// so no video window is drawn into): it pauses and resumes, and after a stop, the end of the clip
// or an error it plays the item again.

#include "PlayerToolbar.h"
#include "LibVlcPlayer.h"
#include "VideoArea.h"

#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {
const QString kClip = QStringLiteral(NORVALE_TEST_DATA "/player/clip.mp4");
const QStringList kHeadless =
    LibVlcPlayer::defaultArguments() + QStringList{"--vout=dummy", "--aout=dummy", "--avcodec-hw=none"};
constexpr int kEventTimeoutMs = 10000;
} // namespace

class PlayerToolbarTest final : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QWidget> window;
    LibVlcPlayer *player = nullptr;

    PlayerToolbar *bar() const { return player->videoArea()->toolbar(); }
    void click(const char *button)
    {
        auto *b = bar()->findChild<QToolButton *>(QLatin1String(button));
        QVERIFY2(b, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }
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

    void playStartsTheItemAgain_data()
    {
        QTest::addColumn<QString>("after");
        QTest::newRow("stop from the owner") << QStringLiteral("stop");
        QTest::newRow("stop on the toolbar") << QStringLiteral("toolbar stop");
        QTest::newRow("end of the clip") << QStringLiteral("end");
    }
    void playStartsTheItemAgain()
    {
        QFETCH(QString, after);
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        play(kClip);
        QVERIFY(playing.wait(kEventTimeoutMs));
        QVERIFY(bar()->isPlaying());
        if (after == QLatin1String("stop"))
            player->playlistStop();
        else if (after == QLatin1String("toolbar stop"))
            click("toolbarStop");
        // Else the clip plays its four seconds; at its end the button shows Play again.
        QTRY_VERIFY_WITH_TIMEOUT(!bar()->isPlaying(), kEventTimeoutMs);

        click("toolbarPause");
        QTRY_COMPARE_WITH_TIMEOUT(playing.count(), 2, kEventTimeoutMs);
        QVERIFY(bar()->isPlaying());
        QCOMPARE(player->playlistItemsCount(), 1);
        QCOMPARE(errors.count(), 0);
    }

    void playPausesAndResumes()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        play(kClip);
        QVERIFY(playing.wait(kEventTimeoutMs));
        click("toolbarPause");
        QTRY_VERIFY_WITH_TIMEOUT(!bar()->isPlaying(), kEventTimeoutMs);
        QCOMPARE(playing.count(), 1);
        // Resumed, the control reports playing once more.
        click("toolbarPause");
        QTRY_COMPARE_WITH_TIMEOUT(playing.count(), 2, kEventTimeoutMs);
        QVERIFY(bar()->isPlaying());
    }

    void playAfterAFailureTriesAgain()
    {
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        play(QStringLiteral(NORVALE_TEST_DATA "/player/no-such-clip.mp4"));
        QVERIFY(errors.wait(kEventTimeoutMs));
        click("toolbarPause");
        QVERIFY(errors.wait(kEventTimeoutMs));
        QCOMPARE(errors.count(), 2);
    }

    void playBeforeAnythingPlayedDoesNothing()
    {
        QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
        QSignalSpy errors(player, &PlayerControl::MediaPlayerEncounteredError);
        click("toolbarPause");
        player->playlistAdd(kClip, QStringLiteral("Clip")); // added, never played
        click("toolbarPause");
        QTest::qWait(300); // nothing is on its way
        QCOMPARE(playing.count(), 0);
        QCOMPARE(errors.count(), 0);
        QVERIFY(!bar()->isPlaying());
    }
};

QTEST_MAIN(PlayerToolbarTest)
#include "PlayerToolbarTest.moc"
