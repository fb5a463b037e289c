/* xprobe: times what a user sees of Norvale under an X server, by XTest input and by reading
 * window pixels back (XGetImage on the window, as xwd -id does).
 *
 *   xprobe load BUSY_TITLE TIMEOUT_S
 *       waits for the window BUSY_TITLE to be shown, then reads its pixels every few
 *       milliseconds until it is closed; prints "SHOWN_MS STILL_MS STILL_FROM_MS MOVING_STILL_MS":
 *       the time from shown to closed, the longest time its pixels (the animated logo) did not
 *       change, when that stillness began, counted from shown, and the longest stillness once
 *       the pixels first changed (the window shows its first frame only on the second tick, so
 *       the first figure includes about 100 ms that no load can shorten).
 *   xprobe search MAIN_TITLE TEXT COUNT
 *       clicks into the search box, types TEXT, then COUNT times: types the last character again
 *       (which clears the list's selection), waits for the list to settle, presses Enter and
 *       times until the list's pixels change; prints one time in ms per line.
 *
 * Built by bench/gui with the C compiler; needs only libX11 and libXtst at run time. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* From libXtst; its header is not needed for these two calls. */
extern int XTestFakeKeyEvent(Display *, unsigned int, Bool, unsigned long);
extern int XTestFakeButtonEvent(Display *, unsigned int, Bool, unsigned long);
extern int XTestFakeMotionEvent(Display *, int, int, int, unsigned long);

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static void sleepMs(double ms)
{
    struct timespec t = {(time_t)(ms / 1000), (long)((ms - (time_t)(ms / 1000) * 1000) * 1e6)};
    nanosleep(&t, NULL);
}

static int isViewable(Display *d, Window w)
{
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

/* A viewable top-level window whose name is title, or 0. */
static Window findWindow(Display *d, const char *title)
{
    Window root, parent, *children = NULL, found = 0;
    unsigned int n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n))
        return 0;
    for (unsigned int i = 0; i < n && !found; ++i) {
        char *name = NULL;
        if (XFetchName(d, children[i], &name) && name) {
            if (strcmp(name, title) == 0 && isViewable(d, children[i]))
                found = children[i];
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

typedef struct {
    char *data;
    size_t size;
} Pixels;

/* The pixels of a rectangle of w; empty when the window is gone. */
static Pixels grab(Display *d, Window w, int x, int y, unsigned int width, unsigned int height)
{
    Pixels p = {NULL, 0};
    XImage *image = XGetImage(d, w, x, y, width, height, AllPlanes, ZPixmap);
    if (!image)
        return p;
    p.size = (size_t)image->bytes_per_line * image->height;
    p.data = malloc(p.size);
    memcpy(p.data, image->data, p.size);
    XDestroyImage(image);
    return p;
}

static int samePixels(Pixels a, Pixels b)
{
    return a.size == b.size && (a.size == 0 || memcmp(a.data, b.data, a.size) == 0);
}

static int ignoreErrors(Display *d, XErrorEvent *e)
{
    (void)d;
    (void)e;
    return 0;
}

static int load(Display *d, const char *title, double timeoutS)
{
    const double start = nowMs();
    Window w = 0;
    while (!(w = findWindow(d, title))) {
        if (nowMs() - start > timeoutS * 1000) {
            fprintf(stderr, "xprobe: no window \"%s\"\n", title);
            return 1;
        }
        sleepMs(2);
    }
    const double shown = nowMs();
    XWindowAttributes a;
    XGetWindowAttributes(d, w, &a);
    Pixels last = grab(d, w, 0, 0, a.width, a.height);
    double lastChange = shown, longest = 0, longestFrom = 0, firstChange = 0, longestMoving = 0;
    for (;;) {
        sleepMs(4);
        const double t = nowMs();
        if (!isViewable(d, w))
            break;
        Pixels p = grab(d, w, 0, 0, a.width, a.height);
        if (p.size == 0)
            break;
        if (!samePixels(p, last)) {
            if (t - lastChange > longest) {
                longest = t - lastChange;
                longestFrom = lastChange - shown;
            }
            if (firstChange == 0)
                firstChange = t;
            else if (t - lastChange > longestMoving)
                longestMoving = t - lastChange;
            lastChange = t;
        }
        free(last.data);
        last = p;
    }
    const double closed = nowMs();
    if (closed - lastChange > longest) {
        longest = closed - lastChange;
        longestFrom = lastChange - shown;
    }
    if (firstChange != 0 && closed - lastChange > longestMoving)
        longestMoving = closed - lastChange;
    printf("%.0f %.0f %.0f %.0f\n", closed - shown, longest, longestFrom, longestMoving);
    return 0;
}

static void key(Display *d, KeySym sym)
{
    const KeyCode code = XKeysymToKeycode(d, sym);
    XTestFakeKeyEvent(d, code, True, 0);
    XTestFakeKeyEvent(d, code, False, 0);
    XSync(d, False);
}

static KeySym symOf(char c)
{
    char name[2] = {c, 0};
    return c == ' ' ? XK_space : XStringToKeysym(name);
}

static int search(Display *d, const char *title, const char *text, int count)
{
    const Window w = findWindow(d, title);
    if (!w) {
        fprintf(stderr, "xprobe: no window \"%s\"\n", title);
        return 1;
    }
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &rootX, &rootY, &child);
    /* The search box's middle and the channel list's rectangle, as the main window lays them out. */
    XTestFakeMotionEvent(d, -1, rootX + 365, rootY + 43, 0);
    XTestFakeButtonEvent(d, 1, True, 0);
    XTestFakeButtonEvent(d, 1, False, 0);
    XSync(d, False);
    sleepMs(200);
    for (const char *c = text; *c; ++c)
        key(d, symOf(*c));
    const int lx = 16, ly = 63, lw = 467, lh = 501;
    for (int i = 0; i < count; ++i) {
        key(d, XK_BackSpace);
        key(d, symOf(text[strlen(text) - 1]));
        /* Settled: the list unchanged for 300 ms. */
        Pixels before = grab(d, w, lx, ly, lw, lh);
        for (double stable = nowMs(); nowMs() - stable < 300;) {
            sleepMs(20);
            Pixels p = grab(d, w, lx, ly, lw, lh);
            if (!samePixels(p, before))
                stable = nowMs();
            free(before.data);
            before = p;
        }
        const double pressed = nowMs();
        key(d, XK_Return);
        double changed = -1;
        while (nowMs() - pressed < 10000) {
            Pixels p = grab(d, w, lx, ly, lw, lh);
            const int same = samePixels(p, before);
            if (same)
                sleepMs(1);
            free(p.data);
            if (!same) {
                changed = nowMs();
                break;
            }
        }
        free(before.data);
        if (changed < 0) {
            fprintf(stderr, "xprobe: the list did not change after Enter\n");
            return 1;
        }
        printf("%.1f\n", changed - pressed);
        fflush(stdout);
    }
    return 0;
}

int main(int argc, char **argv)
{
    Display *d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "xprobe: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    if (argc == 4 && strcmp(argv[1], "load") == 0)
        return load(d, argv[2], atof(argv[3]));
    if (argc == 5 && strcmp(argv[1], "search") == 0)
        return search(d, argv[2], argv[3], atoi(argv[4]));
    fprintf(stderr, "usage: xprobe load BUSY_TITLE TIMEOUT_S | xprobe search MAIN_TITLE TEXT COUNT\n");
    return 2;
}
