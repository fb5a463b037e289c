// How the control answers the play button of its own toolbar.
#include "LibVlcPlayer.h"

#include "PlayerToolbar.h"
#include "VideoArea.h"

#include <vlc/vlc.h>

void LibVlcPlayer::playOrTogglePause()
{
    if (!m_player)
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
    libvlc_media_t *media = libvlc_media_player_get_media(m_player);
    if (!media)
        return;
    // Set again, as Play sets it: the old run is let go and the item starts from its beginning.
    // An ended or failed run would otherwise stay in place, and play() alone does nothing then.
    libvlc_media_player_set_media(m_player, media);
    libvlc_media_release(media);
    ++m_generation;
    if (libvlc_media_player_play(m_player) != 0) {
        m_area->toolbar()->setPlaying(false);
        emit MediaPlayerEncounteredError();
        return;
    }
    m_startTimer.start();
}
