// How the control answers its own toolbar and keys, and keeps the toolbar's time and tracks.
#include "LibVlcPlayer.h"

#include "PlayerToolbar.h"
#include "VideoArea.h"

#include <vlc/vlc.h>

#include <algorithm>

namespace {
constexpr int kVolumeStep = 5;
constexpr qint64 kSeekStepMs = 10000;

QList<PlayerToolbar::Track> tracksOf(libvlc_track_description_t *list)
{
    QList<PlayerToolbar::Track> tracks;
    // libVLC lists "Disable" among them with the id -1; the menu has its own Off.
    for (libvlc_track_description_t *t = list; t; t = t->p_next) {
        if (t->i_id >= 0)
            tracks.append({t->i_id, QString::fromUtf8(t->psz_name ? t->psz_name : "")});
    }
    libvlc_track_description_list_release(list);
    return tracks;
}
} // namespace

void LibVlcPlayer::playOrTogglePause()
{
    // While reconnecting the tries go on; Stop ends them.
    if (!m_player || m_playback == Playback::Reconnecting)
        return;
    switch (libvlc_media_player_get_state(m_player)) {
    case libvlc_Opening:
    case libvlc_Buffering:
    case libvlc_Playing:
    case libvlc_Paused:
        libvlc_media_player_pause(m_player);
        return;
    default: // never started, stopped, ended or failed
        break;
    }
    play();
}

void LibVlcPlayer::play()
{
    if (!m_player)
        return;
    const libvlc_state_t state = libvlc_media_player_get_state(m_player);
    if (state == libvlc_Paused) {
        libvlc_media_player_set_pause(m_player, 0);
        return;
    }
    if (state == libvlc_Opening || state == libvlc_Buffering || state == libvlc_Playing)
        return;
    if (m_playback == Playback::Reconnecting)
        return; // already trying
    libvlc_media_t *media = libvlc_media_player_get_media(m_player);
    if (!media)
        return; // nothing was ever played
    libvlc_media_release(media);
    m_hasPlayed = false;
    if (!restart()) {
        m_area->toolbar()->setPlaying(false);
        setPlayback(Playback::Stopped);
        emit MediaPlayerEncounteredError();
        return;
    }
    setPlayback(Playback::Opening);
    m_startTimer.start();
}

void LibVlcPlayer::pause()
{
    if (m_player && libvlc_media_player_get_state(m_player) == libvlc_Playing)
        libvlc_media_player_set_pause(m_player, 1);
}

void LibVlcPlayer::refreshPosition()
{
    PlayerToolbar *bar = m_area->toolbar();
    // Live streams have no place to go to: no slider, no times.
    const bool seekable = m_lengthMs > 0 && m_seekable && m_playback != Playback::Stopped &&
                          m_playback != Playback::Reconnecting;
    bar->setDuration(seekable ? m_lengthMs : 0);
    if (seekable && m_player)
        bar->setPosition(std::max<qint64>(0, libvlc_media_player_get_time(m_player)));
}

void LibVlcPlayer::refreshTracks()
{
    if (!m_player)
        return;
    m_area->toolbar()->setTracks(
        tracksOf(libvlc_audio_get_track_description(m_player)), libvlc_audio_get_track(m_player),
        tracksOf(libvlc_video_get_spu_description(m_player)), libvlc_video_get_spu(m_player));
}

void LibVlcPlayer::chooseAudioTrack(int id)
{
    if (m_player)
        libvlc_audio_set_track(m_player, id);
    refreshTracks();
}

void LibVlcPlayer::chooseSubtitles(int id)
{
    if (m_player)
        libvlc_video_set_spu(m_player, id);
    refreshTracks();
}

void LibVlcPlayer::seekTo(qint64 ms)
{
    if (!m_player || m_lengthMs <= 0 || !m_seekable)
        return;
    libvlc_media_player_set_time(m_player, std::clamp<qint64>(ms, 0, m_lengthMs));
    m_area->toolbar()->setPosition(std::clamp<qint64>(ms, 0, m_lengthMs));
}

void LibVlcPlayer::seekBy(qint64 ms)
{
    if (m_player)
        seekTo(libvlc_media_player_get_time(m_player) + ms);
}

void LibVlcPlayer::handleKey(int *key, Qt::KeyboardModifiers modifiers)
{
    // Only plain keys: Ctrl or Alt with them belong to the window's shortcuts.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return;
    switch (*key) {
    case Qt::Key_Space:
        playOrTogglePause();
        break;
    case Qt::Key_M:
        m_area->toolbar()->setMuted(!m_area->toolbar()->isMuted());
        break;
    case Qt::Key_Up:
        setVolume(std::min(Volume() + kVolumeStep, 200));
        break;
    case Qt::Key_Down:
        setVolume(std::max(Volume() - kVolumeStep, 0));
        break;
    case Qt::Key_Right:
        seekBy(kSeekStepMs);
        break;
    case Qt::Key_Left:
        seekBy(-kSeekStepMs);
        break;
    default:
        return;
    }
    *key = 0;
}
