// reconnect_bench: how fast the player control gets a dropped live stream back. A server of its
// own sends an MPEG-TS file over and over at its bit rate, as a live channel does; while the
// stream plays the server is stopped, and started again on the same port 3 s later. Per drop it
// prints the time from the server's return to the control's next playing event and to its next
// picture (libVLC's video output, dummy here, getting its first frame), then the summary.
//
// usage: reconnect_bench TS_FILE [--drops N] [--down-ms MS]   (offscreen; no display needed)

#include "LibVlcPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
// Sends the body in a loop to every client, paced to `bytesPerSecond`.
class LiveServer final : public QObject {
public:
    LiveServer(QByteArray body, int bytesPerSecond) : m_body(std::move(body)), m_rate(bytesPerSecond)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                m_clients.push_back({socket, 0, false});
            }
        });
        m_pace.setInterval(20);
        connect(&m_pace, &QTimer::timeout, this, &LiveServer::pump);
        m_clock.start();
    }
    bool start(quint16 port)
    {
        m_pace.start();
        return m_server.listen(QHostAddress::LocalHost, port);
    }
    void stop()
    {
        m_server.close();
        for (Client &c : m_clients)
            c.socket->abort(), c.socket->deleteLater();
        m_clients.clear();
        m_pace.stop();
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    struct Client {
        QTcpSocket *socket;
        qint64 sent;
        bool answered;
    };
    void pump()
    {
        const qint64 due = m_rate / 50; // per 20 ms tick
        for (auto it = m_clients.begin(); it != m_clients.end();) {
            QTcpSocket *s = it->socket;
            if (s->state() != QAbstractSocket::ConnectedState) {
                s->deleteLater();
                it = m_clients.erase(it);
                continue;
            }
            if (!it->answered) {
                if (!s->canReadLine() && !s->bytesAvailable()) {
                    ++it;
                    continue;
                }
                s->readAll();
                s->write("HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\nConnection: close\r\n\r\n");
                it->answered = true;
            }
            // A little ahead of real time at first, as a live server's own buffer sends it.
            for (qint64 n = it->sent == 0 ? m_rate : due; n > 0;) {
                const qint64 offset = it->sent % m_body.size();
                const qint64 piece = std::min(n, m_body.size() - offset);
                s->write(m_body.constData() + offset, piece);
                it->sent += piece;
                n -= piece;
            }
            ++it;
        }
    }

    QTcpServer m_server;
    QByteArray m_body;
    int m_rate;
    QTimer m_pace;
    QElapsedTimer m_clock;
    std::vector<Client> m_clients;
};

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        // Sleeps in the event loop for up to 5 ms, so the bench itself takes no core.
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void pause(int ms)
{
    waitFor([] { return false; }, ms);
}

double median(std::vector<qint64> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: reconnect_bench TS_FILE [--drops N] [--down-ms MS]\n");
        return 2;
    }
    int drops = 20;
    int downMs = 3000;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--drops"))
            drops = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--down-ms"))
            downMs = args[i + 1].toInt();
    }
    QFile file(args[1]);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args[1]));
        return 2;
    }
    LiveServer server(file.readAll(), 40000);
    if (!server.start(0)) {
        std::fprintf(stderr, "cannot listen\n");
        return 2;
    }
    const quint16 port = server.port();

    QWidget window;
    window.resize(640, 400);
    auto *player =
        new LibVlcPlayer(&window, LibVlcPlayer::defaultArguments() +
                                      QStringList{"--vout=dummy", "--aout=dummy", "--avcodec-hw=none"});
    player->setGeometry(0, 0, 480, 270);
    window.show();
    int playingEvents = 0;
    int errors = 0;
    QObject::connect(player, &PlayerControl::MediaPlayerPlaying, [&] { ++playingEvents; });
    QObject::connect(player, &PlayerControl::MediaPlayerEncounteredError, [&] { ++errors; });
    player->playlistPlayItem(
        player->playlistAdd(QStringLiteral("http://127.0.0.1:%1/live.ts").arg(port), QStringLiteral("Live")));
    if (!waitFor([&] { return player->picturePlaying(); }, 30000)) {
        std::fprintf(stderr, "the stream never played\n");
        return 1;
    }

    std::printf("drop  return->playing ms  return->picture ms  stop->noticed ms\n");
    std::vector<qint64> toPlaying, toPicture;
    int recovered = 0;
    for (int drop = 1; drop <= drops; ++drop) {
        pause(3000); // plays a while
        const int before = playingEvents;
        QElapsedTimer down;
        down.start();
        server.stop();
        qint64 noticed = -1;
        waitFor(
            [&] {
                if (noticed < 0 && player->playback() == LibVlcPlayer::Playback::Reconnecting)
                    noticed = down.elapsed();
                return down.elapsed() >= downMs;
            },
            downMs + 1000);
        if (!server.start(port)) {
            std::fprintf(stderr, "port %d could not be taken again\n", port);
            return 1;
        }
        QElapsedTimer back;
        back.start();
        qint64 playingAt = -1;
        const bool ok = waitFor(
            [&] {
                if (playingAt < 0 && playingEvents > before)
                    playingAt = back.elapsed();
                return playingAt >= 0 && player->picturePlaying();
            },
            35000);
        if (ok) {
            ++recovered;
            toPlaying.push_back(playingAt);
            toPicture.push_back(back.elapsed());
            std::printf("%4d  %18lld  %18lld  %16lld\n", drop, static_cast<long long>(playingAt),
                        static_cast<long long>(back.elapsed()), static_cast<long long>(noticed));
        } else {
            std::printf("%4d  not recovered (errors %d)\n", drop, errors);
            player->playlistStop();
            player->play();
            waitFor([&] { return player->picturePlaying(); }, 30000);
        }
        std::fflush(stdout);
    }
    std::printf("recovered %d of %d; return->picture median %.0f ms, max %lld ms; errors raised %d\n",
                recovered, drops, median(toPicture),
                toPicture.empty()
                    ? -1LL
                    : static_cast<long long>(*std::max_element(toPicture.begin(), toPicture.end())),
                errors);
    player->playlistStop();
    return recovered == drops ? 0 : 1;
}
