// player_bench: how long from Play to the first picture on screen, and how much CPU the process
// uses while a clip plays in the window and in full screen. It needs an X display (the video is
// drawn into a real window and read back from the screen); run it with run_player_bench.sh.
//
// usage: player_bench CLIP [--repeat N] [--seconds S] [--vout MODULE]
// (--vout picks libVLC's video output; by default it chooses, OpenGL where there is one.)

#include "LibVlcPlayer.h"
#include "VideoArea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {
constexpr int kPollMs = 5;
constexpr int kGiveUpMs = 20000;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Share of sampled pixels that are clearly not black: the video widget is black until a frame
// is shown.
double litShare(QWidget *video)
{
    const QPoint origin = video->mapToGlobal(QPoint(0, 0));
    const QImage image = video->screen()
                             ->grabWindow(0, origin.x(), origin.y(), video->width(), video->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    int lit = 0, total = 0;
    for (int y = 0; y < image.height(); y += 6) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); x += 6, ++total)
            lit += qGray(row[x]) > 40 ? 1 : 0;
    }
    return total ? double(lit) / total : 0;
}

// Runs the event loop until `done` holds or the time is up; returns the elapsed milliseconds.
std::optional<double> waitFor(const std::function<bool()> &done, const QElapsedTimer &clock, int giveUpMs)
{
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(kPollMs);
    std::optional<double> at;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            at = clock.nsecsElapsed() / 1e6;
            loop.quit();
        } else if (clock.elapsed() > giveUpMs) {
            loop.quit();
        }
    });
    poll.start();
    if (!done())
        loop.exec();
    else
        at = clock.nsecsElapsed() / 1e6;
    return at;
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Start {
    double playingMs = -1;
    double firstFrameMs = -1;
};

// Play as the main window does it: stop, clear, add, play; then wait for the picture.
Start playOnce(LibVlcPlayer &player, const QString &clip)
{
    QWidget *video = player.videoArea()->videoWidget();
    // The previous picture must be gone first, or it would count as the new one.
    QElapsedTimer settle;
    settle.start();
    if (!waitFor([&] { return litShare(video) < 0.02; }, settle, 3000)) {
        std::fprintf(stderr, "the previous picture stayed on screen; this start is not measured\n");
        return {};
    }

    Start start;
    bool playing = false;
    QElapsedTimer clock;
    const QMetaObject::Connection c = QObject::connect(&player, &PlayerControl::MediaPlayerPlaying, [&] {
        playing = true;
        start.playingMs = clock.nsecsElapsed() / 1e6;
    });
    clock.start();
    player.playlistStop();
    player.playlistItemsClear();
    player.playlistPlayItem(player.playlistAdd(clip, QStringLiteral("Bench")));
    if (const auto at = waitFor([&] { return litShare(video) > 0.10; }, clock, kGiveUpMs))
        start.firstFrameMs = *at;
    waitFor([&] { return playing; }, clock, kGiveUpMs);
    QObject::disconnect(c);
    return start;
}

double cpuShareWhilePlaying(int seconds)
{
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    pause(seconds * 1000);
    return (cpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9) * 100;
}

void printSeries(const char *what, std::vector<double> values)
{
    if (values.empty()) {
        std::printf("%-34s no value\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%-34s median %7.1f ms  min %7.1f  max %7.1f  (n=%zu)\n", what, values[values.size() / 2],
                values.front(), values.back(), values.size());
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: player_bench CLIP [--repeat N] [--seconds S] [--vout MODULE]\n");
        return 2;
    }
    const QString clip = args.takeFirst();
    int repeat = 5, seconds = 10;
    QString vout;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--repeat"))
            repeat = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--vout"))
            vout = args[i + 1];
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "player_bench needs an X display (platform is %s)\n",
                     qPrintable(QGuiApplication::platformName()));
        return 2;
    }

    // The program's own arguments; audio goes nowhere so a machine without a sound device
    // measures the same work.
    QWidget window;
    window.resize(640, 400);
    QStringList vlcArguments = LibVlcPlayer::defaultArguments() << QStringLiteral("--aout=dummy");
    if (!vout.isEmpty())
        vlcArguments << QStringLiteral("--vout=") + vout;
    LibVlcPlayer player(&window, vlcArguments);
    player.setGeometry(10, 10, 480, 270);
    window.show();
    QElapsedTimer exposed;
    exposed.start();
    waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, exposed, 5000);
    pause(500);

    const double idleCpu = cpuShareWhilePlaying(3); // nothing plays yet
    const Start cold = playOnce(player, clip);
    std::vector<double> playing, frames;
    for (int i = 0; i < repeat; ++i) {
        player.playlistStop();
        pause(300);
        const Start warm = playOnce(player, clip);
        if (warm.playingMs >= 0)
            playing.push_back(warm.playingMs);
        if (warm.firstFrameMs >= 0)
            frames.push_back(warm.firstFrameMs);
    }

    std::printf("clip %s, video output %s\n", qPrintable(clip),
                vout.isEmpty() ? "chosen by libVLC" : qPrintable(vout));
    std::printf("%-34s %7.1f %% of one core\n", "CPU, window shown, nothing playing", idleCpu);
    std::printf("%-34s playing %7.1f ms  first frame %7.1f ms\n", "first Play (starts libVLC)",
                cold.playingMs, cold.firstFrameMs);
    printSeries("Play to playing event", playing);
    printSeries("Play to first frame on screen", frames);

    pause(2000); // past start-up
    std::printf("%-34s %7.1f %% of one core over %d s\n", "CPU while playing, 480x270 window",
                cpuShareWhilePlaying(seconds), seconds);
    player.videoToggleFullscreen();
    pause(2000);
    const QSize screen = player.videoArea()->videoWidget()->size();
    const QString label =
        QStringLiteral("CPU while playing, full screen %1x%2").arg(screen.width()).arg(screen.height());
    std::printf("%-34s %7.1f %% of one core over %d s\n", qPrintable(label), cpuShareWhilePlaying(seconds),
                seconds);
    player.videoToggleFullscreen();
    player.playlistStop();
    return frames.empty() ? 1 : 0;
}
