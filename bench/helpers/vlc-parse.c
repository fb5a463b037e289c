/* libVLC's own M3U reader as a peer of norvale-channels: parses FILE as a local media item, which
 * the playlist demuxer turns into one sub-item per entry, and prints the sub-item count and the
 * time from the media's creation to the sub-items being there (libVLC's start-up not counted).
 * usage: vlc-parse FILE */
#include <vlc/vlc.h>
#include <stdio.h>
#include <stdlib.h>
#include <pthread.h>
#include <time.h>


static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t done = PTHREAD_COND_INITIALIZER;
static int parsed = 0;

static void onParsed(const libvlc_event_t *event, void *data)
{
    (void)data;
    if (event->u.media_parsed_changed.new_status == 0)
        return;
    pthread_mutex_lock(&lock);
    parsed = 1;
    pthread_cond_signal(&done);
    pthread_mutex_unlock(&lock);
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: vlc-parse FILE\n");
        return 2;
    }
    const char *args[] = {"--intf=dummy", "--vout=dummy", "--aout=dummy", "--no-video-title-show", "--quiet"};
    libvlc_instance_t *vlc = libvlc_new(5, args);
    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    libvlc_media_t *media = libvlc_media_new_path(vlc, argv[1]);
    libvlc_event_attach(libvlc_media_event_manager(media), libvlc_MediaParsedChanged, onParsed, NULL);
    /* No time-out: a large list takes longer than the default five seconds. */
    libvlc_media_parse_with_options(media, libvlc_media_parse_local, 0);
    pthread_mutex_lock(&lock);
    while (!parsed)
        pthread_cond_wait(&done, &lock);
    pthread_mutex_unlock(&lock);
    libvlc_media_list_t *items = libvlc_media_subitems(media);
    int n = libvlc_media_list_count(items);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    printf("%d items, status %d, %.3f s\n", n, (int)libvlc_media_get_parsed_status(media),
           (t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9);
    libvlc_media_list_release(items);
    libvlc_media_release(media);
    libvlc_release(vlc);
    return 0;
}
