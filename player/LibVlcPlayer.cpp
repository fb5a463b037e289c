#include "LibVlcPlayer.h"

#include "DesktopMedia.h"
#include "PlayerToolbar.h"
#include "StreamAddress.h"
#include "VideoArea.h"
#include "shell/CommandBoundary.h"
#include "shell/NorvaleError.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <vlc/vlc.h>

#include <algorithm>
#include <dlfcn.h>

using CommandBoundary::command;

namespace {
constexpr libvlc_event_type_t kWatchedEvents[] = {
    libvlc_MediaPlayerPlaying,          libvlc_MediaPlayerPaused,  libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerVout,    libvlc_MediaPlayerLengthChanged,
    libvlc_MediaPlayerSeekableChanged,  libvlc_MediaPlayerESAdded, libvlc_MediaPlayerESDeleted,
};

// The event's one number the control uses, read on libVLC's thread while the event is alive.
qint64 eventValue(const libvlc_event_t *event)
{
    switch (event->type) {
    case libvlc_MediaPlayerVout:
        return event->u.media_player_vout.new_count;
    case libvlc_MediaPlayerLengthChanged:
        return event->u.media_player_length_changed.new_length;
    case libvlc_MediaPlayerSeekableChanged:
        return event->u.media_player_seekable_changed.new_seekable;
    default:
        return 0;
    }
}

// libVLC would write its own log to standard error; the program keeps quiet.
void discardLog(void *, int, const libvlc_log_t *, const char *, va_list) {}

void discardAlsaError(const char *, int, const char *, int, const char *, ...) {}

// ALSA's library, which libVLC's audio output loads, prints every failure to standard error
// itself: thousands of lines a minute on a machine without a sound card. Its handler is global,
// so it is set once, in the copy of the library the audio output will use.
void silenceAlsa()
{
    static const bool done = [] {
        void *alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (!alsa)
            return false; // no ALSA, nothing to silence
        using Handler = void (*)(const char *, int, const char *, int, const char *, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(discardAlsaError);
        return true; // the library stays loaded, and with it the handler
    }();
    (void)done;
}

QString vlcMessage(const QString &fallback)
{
    const char *message = libvlc_errmsg();
    return message && *message ? QString::fromUtf8(message) : fallback;
}

// An address with a scheme goes to libVLC as it is; anything else is taken as a file path.
bool hasScheme(const QString &uri)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(uri).hasMatch();
}
} // namespace

LibVlcPlayer::LibVlcPlayer(QWidget *parent, const QStringList &vlcArguments)
    : PlayerControl(parent), m_arguments(vlcArguments)
{
    m_area = new VideoArea(this);
    m_startTimer.setSingleShot(true);
    m_startTimer.setInterval(DefaultStartTimeoutMs);
    connect(&m_startTimer, &QTimer::timeout, this, [this] {
        // Given up: whatever the stream does later belongs to an attempt already reported.
        endRun(Playback::Stopped);
        emit MediaPlayerEncounteredError();
    });
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, command(this, &LibVlcPlayer::retryTimerFired));
    m_positionTimer.setInterval(250);
    connect(&m_positionTimer, &QTimer::timeout, this, &LibVlcPlayer::refreshPosition);

    PlayerToolbar *bar = m_area->toolbar();
    connect(bar, &PlayerToolbar::pauseClicked, this, command(this, &LibVlcPlayer::playOrTogglePause));
    connect(bar, &PlayerToolbar::stopClicked, this, command(this, &LibVlcPlayer::playlistStop));
    connect(bar, &PlayerToolbar::fullscreenClicked, this,
            command(this, &LibVlcPlayer::videoToggleFullscreen));
    connect(bar, &PlayerToolbar::volumeChanged, this, command(this, &LibVlcPlayer::setVolume));
    connect(bar, &PlayerToolbar::muteToggled, this, command(this, &LibVlcPlayer::setMuted));
    connect(bar, &PlayerToolbar::seekRequested, this, command(this, &LibVlcPlayer::seekTo));
    connect(bar, &PlayerToolbar::audioTrackChosen, this, command(this, &LibVlcPlayer::chooseAudioTrack));
    connect(bar, &PlayerToolbar::subtitlesChosen, this, command(this, &LibVlcPlayer::chooseSubtitles));

    connect(m_area, &VideoArea::mousePressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
                emit MouseDown(button, modifiers, position.x(), position.y());
            });
    connect(m_area, &VideoArea::mouseMoved, this,
            [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position) {
                emit MouseMove(buttons, modifiers, position.x(), position.y());
            });
    connect(m_area, &VideoArea::keyPressed, this, [this](int *key, Qt::KeyboardModifiers modifiers) {
        emit KeyDown(key, modifiers);
        // What the owner left alone, the control's own keys may take.
        if (*key != 0)
            CommandBoundary::runCommand([&] { handleKey(key, modifiers); });
    });
    new DesktopMedia(this); // media keys, the desktop's media controls and the screen saver
}

LibVlcPlayer::~LibVlcPlayer()
{
    // Stopping joins libVLC's threads, so no callback runs once the events are detached.
    if (m_player) {
        libvlc_media_player_stop(m_player);
        libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
        for (libvlc_event_type_t type : kWatchedEvents)
            libvlc_event_detach(events, type, &LibVlcPlayer::vlcEventCallback, this);
        libvlc_media_player_release(m_player);
    }
    for (Item &item : m_items)
        libvlc_media_release(item.media);
    if (m_vlc)
        libvlc_release(m_vlc);
}

QStringList LibVlcPlayer::defaultArguments()
{
    // The screen saver is held by the control itself, and only while a picture plays.
    return {QStringLiteral("--quiet"), QStringLiteral("--no-video-title-show"),
            QStringLiteral("--no-snapshot-preview"), QStringLiteral("--no-stats"),
            QStringLiteral("--no-disable-screensaver")};
}

void LibVlcPlayer::ensurePlayer()
{
    if (m_player)
        return;
    if (!m_vlc) {
        silenceAlsa();
        std::vector<QByteArray> bytes;
        for (const QString &argument : m_arguments)
            bytes.push_back(argument.toUtf8());
        std::vector<const char *> argv;
        for (const QByteArray &b : bytes)
            argv.push_back(b.constData());
        m_vlc = libvlc_new(static_cast<int>(argv.size()), argv.data());
        if (!m_vlc)
            throw NorvaleError(vlcMessage(QStringLiteral("The media player could not be started.")));
        libvlc_log_set(m_vlc, discardLog, nullptr);
    }
    m_player = libvlc_media_player_new(m_vlc);
    if (!m_player)
        throw NorvaleError(vlcMessage(QStringLiteral("The media player could not be started.")));
#if defined(Q_OS_WIN)
    libvlc_media_player_set_hwnd(m_player, reinterpret_cast<void *>(m_area->videoWindowId()));
#else
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        libvlc_media_player_set_xwindow(m_player, static_cast<uint32_t>(m_area->videoWindowId()));
#endif
    libvlc_video_set_mouse_input(m_player, false);
    libvlc_video_set_key_input(m_player, false);
    libvlc_audio_set_volume(m_player, Volume());
    libvlc_audio_set_mute(m_player, m_area->toolbar()->isMuted());
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
    for (libvlc_event_type_t type : kWatchedEvents)
        libvlc_event_attach(events, type, &LibVlcPlayer::vlcEventCallback, this);
}

void LibVlcPlayer::vlcEventCallback(const libvlc_event_t *event, void *opaque)
{
    // Runs on a libVLC thread: note which attempt the event belongs to and hand it over.
    auto *self = static_cast<LibVlcPlayer *>(opaque);
    const int type = event->type;
    const qint64 value = eventValue(event);
    const quint64 generation = self->m_generation.load();
    self->m_calls.post([self, type, value, generation] { self->deliverEvent(type, value, generation); });
}

void LibVlcPlayer::deliverEvent(int type, qint64 value, quint64 generation)
{
    if (generation != m_generation.load())
        return;
    switch (type) {
    case libvlc_MediaPlayerPlaying:
        m_startTimer.stop();
        stopRetrying();
        m_hasPlayed = true;
        m_area->toolbar()->setPlaying(true);
        setPlayback(Playback::Playing);
        refreshTracks();
        refreshPosition();
        emit MediaPlayerPlaying();
        break;
    case libvlc_MediaPlayerEncounteredError:
    case libvlc_MediaPlayerEndReached:
        m_startTimer.stop();
        // A live stream that had played is reopened; a medium with a duration has ended.
        if (m_playback == Playback::Reconnecting)
            break; // this try failed; the next one is already timed
        if (m_hasPlayed && (m_lengthMs <= 0 || !m_seekable)) {
            streamDropped();
            break;
        }
        if (m_hasPlayed && type == libvlc_MediaPlayerEndReached) {
            streamEnded();
            break;
        }
        // Failed, or over before anything played: the owner hears of it now, not at the time-out.
        endRun(Playback::Stopped);
        emit MediaPlayerEncounteredError();
        break;
    case libvlc_MediaPlayerPaused:
        m_area->toolbar()->setPlaying(false);
        setPlayback(Playback::Paused);
        break;
    case libvlc_MediaPlayerVout:
        m_vouts = static_cast<int>(value);
        emit playbackChanged();
        break;
    case libvlc_MediaPlayerLengthChanged:
        m_lengthMs = value;
        refreshPosition();
        break;
    case libvlc_MediaPlayerSeekableChanged:
        m_seekable = value != 0;
        refreshPosition();
        break;
    case libvlc_MediaPlayerESAdded:
    case libvlc_MediaPlayerESDeleted:
        refreshTracks();
        break;
    default:
        break;
    }
}

void LibVlcPlayer::setPlayback(Playback playback)
{
    if (playback != Playback::Playing && playback != Playback::Paused)
        m_vouts = 0;
    if (playback == Playback::Playing || playback == Playback::Paused)
        m_positionTimer.start();
    else
        m_positionTimer.stop();
    m_area->setMessage(playback == Playback::Reconnecting ? QStringLiteral("Reconnecting…") : QString());
    const bool changed = playback != m_playback;
    m_playback = playback;
    // Nothing plays: no position to show or seek, no track to choose until the next start.
    if (playback == Playback::Stopped || playback == Playback::Reconnecting) {
        refreshPosition();
        m_area->toolbar()->setTracks({}, -1, {}, -1);
    }
    if (changed || playback == Playback::Playing)
        emit playbackChanged();
}

bool LibVlcPlayer::restart()
{
    libvlc_media_t *media = m_player ? libvlc_media_player_get_media(m_player) : nullptr;
    if (!media)
        return false;
    // Set again, as Play sets it: the old run is let go and the item starts from its beginning.
    // An ended or failed run would otherwise stay in place, and play() alone does nothing then.
    libvlc_media_player_set_media(m_player, media);
    libvlc_media_release(media);
    ++m_generation;
    m_lengthMs = 0;
    m_seekable = false;
    refreshPosition();
    return libvlc_media_player_play(m_player) == 0;
}

void LibVlcPlayer::streamDropped()
{
    // The dead run is let go at once, so the area shows black under the message.
    endRun(Playback::Reconnecting);
    m_sinceDrop.start();
    m_nextTry = 0;
    m_retryTimer.start(qRound(ReconnectAtMs[0] * m_reconnectScale));
}

void LibVlcPlayer::retryTimerFired()
{
    constexpr int tries = static_cast<int>(std::size(ReconnectAtMs));
    if (m_playback != Playback::Reconnecting)
        return;
    const qint64 elapsed = m_sinceDrop.elapsed();
    if (m_nextTry >= tries) {
        // Every try failed: the user hears of it as of any stream that fails.
        endRun(Playback::Stopped);
        emit MediaPlayerEncounteredError();
        return;
    }
    ++m_nextTry;
    // A try still opening when the next is due is given up for a fresh one.
    if (!restart()) {
        setPlayback(Playback::Stopped);
        emit MediaPlayerEncounteredError();
        return;
    }
    const int nextAt = m_nextTry < tries ? ReconnectAtMs[m_nextTry] : ReconnectGiveUpMs;
    m_retryTimer.start(std::max<qint64>(0, qRound(nextAt * m_reconnectScale) - elapsed));
}

void LibVlcPlayer::stopRetrying()
{
    m_retryTimer.stop();
    m_nextTry = 0;
}

void LibVlcPlayer::streamEnded()
{
    // The picture goes black and the play button starts the medium again from the top.
    endRun(Playback::Stopped);
}

void LibVlcPlayer::endRun(Playback next)
{
    if (m_player)
        libvlc_media_player_stop(m_player);
    // Whatever the stopped run still sends belongs to an attempt that is over.
    ++m_generation;
    m_area->toolbar()->setPlaying(false);
    setPlayback(next);
    // The video output is gone, but the window system keeps its last picture until we paint.
    m_area->videoWidget()->update();
}

void LibVlcPlayer::setReconnectScaleForTesting(double scale)
{
    m_reconnectScale = scale;
}

void LibVlcPlayer::playlistStop()
{
    m_startTimer.stop();
    stopRetrying();
    endRun(Playback::Stopped);
}

void LibVlcPlayer::playlistItemsClear()
{
    for (Item &item : m_items)
        libvlc_media_release(item.media);
    m_items.clear();
}

int LibVlcPlayer::playlistItemsCount() const
{
    return static_cast<int>(m_items.size());
}

qint32 LibVlcPlayer::playlistAdd(const QString &uri, const QString &name)
{
    ensurePlayer();
    // Request headers ride after a bar on web addresses; a file name may hold a bar of its own.
    const StreamAddress stream = hasScheme(uri) ? StreamAddress::parse(uri) : StreamAddress{uri, {}, {}};
    const QByteArray address = stream.url.toUtf8();
    libvlc_media_t *media = hasScheme(uri) ? libvlc_media_new_location(m_vlc, address.constData())
                                           : libvlc_media_new_path(m_vlc, address.constData());
    if (!media)
        throw NorvaleError(vlcMessage(QStringLiteral("The stream address cannot be played.")));
    if (!stream.userAgent.isEmpty())
        libvlc_media_add_option(media, (":http-user-agent=" + stream.userAgent).toUtf8().constData());
    if (!stream.referrer.isEmpty())
        libvlc_media_add_option(media, (":http-referrer=" + stream.referrer).toUtf8().constData());
    if (!name.isEmpty())
        libvlc_media_set_meta(media, libvlc_meta_Title, name.toUtf8().constData());
    const qint32 id = m_nextId++;
    m_items.push_back(Item{id, uri, name, media});
    return id;
}

void LibVlcPlayer::playlistPlayItem(qint32 itemId)
{
    const auto it =
        std::find_if(m_items.begin(), m_items.end(), [itemId](const Item &i) { return i.id == itemId; });
    if (it == m_items.end())
        throw NorvaleError(QStringLiteral("The playlist holds no item %1.").arg(itemId));
    ensurePlayer();
    stopRetrying();
    // Replacing the media stops and joins the previous stream, so every event it still sends
    // carries the old generation.
    libvlc_media_player_set_media(m_player, it->media);
    ++m_generation;
    m_hasPlayed = false;
    m_lengthMs = 0;
    m_seekable = false;
    m_currentName = it->name;
    m_currentUri = it->uri;
    refreshPosition();
    if (libvlc_media_player_play(m_player) != 0) {
        setPlayback(Playback::Stopped);
        throw NorvaleError(vlcMessage(QStringLiteral("The stream could not be started.")));
    }
    setPlayback(Playback::Opening);
    m_startTimer.start();
}

void LibVlcPlayer::playlistTogglePause()
{
    if (m_player)
        libvlc_media_player_pause(m_player);
}

void LibVlcPlayer::videoToggleFullscreen()
{
    m_area->setFullscreen(!m_area->isFullscreen());
}

bool LibVlcPlayer::videoFullscreen() const
{
    return m_area->isFullscreen();
}

void LibVlcPlayer::setStartTimeout(int ms)
{
    m_startTimer.setInterval(ms);
}

void LibVlcPlayer::toolbarChanged(bool toolbar)
{
    m_area->setToolbarShown(toolbar);
}

void LibVlcPlayer::volumeChanged(int volume)
{
    m_area->toolbar()->setVolume(volume);
    if (m_player)
        libvlc_audio_set_volume(m_player, volume);
    emit volumeSet(volume);
}

void LibVlcPlayer::setMuted(bool muted)
{
    if (m_player)
        libvlc_audio_set_mute(m_player, muted);
}
