// Playing with the program's own audio output (not a dummy one) writes nothing to standard error,
// also on a machine without a sound card, where ALSA and libVLC would report every attempt.

#include "LibVlcPlayer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <unistd.h>

class QuietPlaybackTest final : public QObject {
    Q_OBJECT
private slots:
    void playbackWritesNothingToStandardError()
    {
        // A desktop session has a runtime directory; without one, audio clients complain of that.
        QTemporaryDir runtimeDir;
        QVERIFY(runtimeDir.isValid());
        QFile::setPermissions(runtimeDir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
        QTemporaryFile captured;
        QVERIFY(captured.open());
        const int savedStderr = dup(STDERR_FILENO);
        QVERIFY(savedStderr >= 0);
        QVERIFY(dup2(captured.handle(), STDERR_FILENO) >= 0);
        bool played = false;
        {
            QWidget window;
            // The real audio output; decoding in software, since a video driver library probed for
            // hardware decoding (libvdpau on a machine without its driver) prints a line of its own.
            auto *player = new LibVlcPlayer(&window, LibVlcPlayer::defaultArguments() +
                                                         QStringList{"--vout=dummy", "--avcodec-hw=none"});
            window.show();
            QSignalSpy playing(player, &PlayerControl::MediaPlayerPlaying);
            player->playlistPlayItem(player->playlistAdd(QStringLiteral(NORVALE_TEST_DATA "/player/clip.mp4"),
                                                         QStringLiteral("Clip")));
            played = playing.wait(10000);
            QTest::qWait(1500); // audio output opened and running
            player->playlistStop();
        }
        fflush(stderr);
        dup2(savedStderr, STDERR_FILENO);
        close(savedStderr);
        QVERIFY(played);
        captured.seek(0);
        QByteArray written;
        // libvdpau prints one line of its own when the machine has no VDPAU driver; that is the
        // video driver library, not libVLC's log or ALSA, and is not ours to silence.
        for (const QByteArray &line : captured.readAll().split('\n')) {
            if (!line.isEmpty() && !line.startsWith("Failed to open VDPAU backend"))
                written += line + '\n';
        }
        QVERIFY2(written.isEmpty(), written.left(2000).constData());
    }
};

QTEST_MAIN(QuietPlaybackTest)
#include "QuietPlaybackTest.moc"
