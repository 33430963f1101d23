/* Key-to-pixels response: presses a key in a window and times how long until a region of it changes on screen. */
/*
 * Usage: key_probe WINDOW_ID KEYS X Y W H [--presses N] [--hold MS] [--gap MS]
 *                  [--level L] [--pixels P] [--interval US]
 *
 * KEYS is one X key name or several joined by commas (a,z), taken in turn, one
 * a press: a bat sent up and then down again stays in the field. The region is
 * in window pixels, y from the top. Each press: the region is grabbed as the
 * baseline once it stands still, the key goes down through XTEST, and the
 * region is grabbed again and again until at least P pixels differ from the
 * baseline by more than L in some colour channel (0-255). The key is let go
 * HOLD ms after it went down, and the next press waits GAP ms more. A press
 * that changes nothing within 2 s is a miss. Defaults: 20 presses, hold 100,
 * gap 400, level 128, pixels 16, interval 0 (grabs back to back).
 *
 * Standard output: one line for the quiet region before the presses, one line
 * a press and a summary, all as name=value words.
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define MAX_KEYS 8
#define MAX_PRESSES 1000
/* A press whose change has not shown after this long is a miss. */
#define MISS_MS 2000.0
/* The region must stand still this long before its baseline is taken, and a
 * scene that never stands still is given up on after the second figure. */
#define STILL_MS 60.0
#define SETTLE_LIMIT_MS 2000.0
/* How long the region is watched, untouched, before the first press. */
#define IDLE_WATCH_MS 1000.0

static const char* usage =
    "usage: key_probe WINDOW_ID KEYS X Y W H [--presses N] [--hold MS] [--gap MS] "
    "[--level L] [--pixels P] [--interval US]\n";

typedef struct {
    Display* display;
    Window window;
    int x, y, w, h;
    int level;      /* a channel must move by more than this (0-255) */
    int pixels;     /* this many pixels must move for a change */
    long interval;  /* microseconds between grabs; 0 grabs back to back */
} Probe;

/* The last X error, kept for the one line that says what failed. */
static int xFailed = 0;
static char xError[256];

static int onXError(Display* display, XErrorEvent* event) {
    XGetErrorText(display, event->error_code, xError, sizeof xError);
    xFailed = 1;
    return 0;
}

static double nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static void sleepMs(double ms) {
    if (ms <= 0) return;
    struct timespec t;
    t.tv_sec = (time_t)(ms / 1000);
    t.tv_nsec = (long)((ms - t.tv_sec * 1000.0) * 1e6);
    while (nanosleep(&t, &t) == -1 && errno == EINTR) {
    }
}

static void rest(const Probe* probe) {
    if (probe->interval > 0) sleepMs(probe->interval / 1000.0);
}

/* The grab goes into an image made once, so polling allocates nothing. */
static int grab(const Probe* probe, XImage* into) {
    XGetSubImage(probe->display, probe->window, probe->x, probe->y, (unsigned)probe->w,
                 (unsigned)probe->h, AllPlanes, ZPixmap, into, 0, 0);
    XSync(probe->display, False);
    if (xFailed) fprintf(stderr, "key_probe: cannot read the window's pixels: %s\n", xError);
    return !xFailed;
}

/* One channel of a pixel scaled to 0-255, whatever the visual's masks. */
static int channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        shift++;
    }
    return (int)(((pixel >> shift) & mask) * 255 / mask);
}

static int differs(unsigned long a, unsigned long b, const XImage* image, int level) {
    if (a == b) return 0;
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    for (int c = 0; c < 3; c++) {
        int d = channel(a, masks[c]) - channel(b, masks[c]);
        if (d > level || d < -level) return 1;
    }
    return 0;
}

/* Pixels of the region that moved more than the level from the baseline. */
static int changedPixels(const Probe* probe, XImage* baseline, XImage* current) {
    int count = 0;
    for (int row = 0; row < probe->h; row++)
        for (int col = 0; col < probe->w; col++)
            count += differs(XGetPixel(baseline, col, row), XGetPixel(current, col, row), baseline,
                             probe->level);
    return count;
}

static void copyImage(const Probe* probe, XImage* to, XImage* from) {
    memcpy(to->data, from->data, (size_t)from->bytes_per_line * (size_t)probe->h);
}

/* Takes the baseline once the region has stood still for a moment: a frame
 * still on its way from the last press would otherwise count as this one's. */
static int settle(const Probe* probe, XImage* baseline, XImage* current) {
    if (!grab(probe, baseline)) return 0;
    double start = nowMs(), still = start;
    while (nowMs() - still < STILL_MS) {
        if (nowMs() - start > SETTLE_LIMIT_MS) {
            fprintf(stderr, "key_probe: the region never stood still for %.0f ms; measuring anyway\n",
                    STILL_MS);
            return 1;
        }
        sleepMs(2);
        if (!grab(probe, current)) return 0;
        if (changedPixels(probe, baseline, current) > 0) {
            copyImage(probe, baseline, current);
            still = nowMs();
        }
    }
    return 1;
}

static int parseInt(const char* text, const char* what, long low, long high, long* out) {
    char* end;
    errno = 0;
    long value = strtol(text, &end, 0);
    if (errno || end == text || *end || value < low || value > high) {
        fprintf(stderr, "key_probe: %s must be a whole number from %ld to %ld, not \"%s\"\n", what,
                low, high, text);
        return 0;
    }
    *out = value;
    return 1;
}

static int byValue(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

/* The q-th quantile of sorted values, interpolated between neighbours. */
static double quantile(const double* sorted, int n, double q) {
    double at = q * (n - 1);
    int below = (int)at;
    if (below + 1 >= n) return sorted[n - 1];
    return sorted[below] + (at - below) * (sorted[below + 1] - sorted[below]);
}

int main(int argc, char** argv) {
    if (argc < 7) {
        fputs(usage, stderr);
        return 2;
    }
    Probe probe = {0};
    long presses = 20, hold = 100, gap = 400, value;
    /* The neon floor's frames move a few dozen pixels of a bat's region by up to
     * about a hundred in a channel, and bat 2's thin outline there moves only
     * two or three dozen by more than 128 in a frame's step. */
    probe.level = 128;
    probe.pixels = 16;
    long window;
    if (!parseInt(argv[1], "the window id", 1, 0x7fffffffL, &window)) return 2;
    probe.window = (Window)window;
    long region[4];
    const char* names[4] = {"X", "Y", "W", "H"};
    for (int i = 0; i < 4; i++)
        if (!parseInt(argv[3 + i], names[i], i < 2 ? 0 : 1, 100000, &region[i])) return 2;
    probe.x = (int)region[0];
    probe.y = (int)region[1];
    probe.w = (int)region[2];
    probe.h = (int)region[3];
    for (int i = 7; i < argc; i++) {
        const char* option = argv[i];
        if (i + 1 >= argc) {
            fputs(usage, stderr);
            return 2;
        }
        const char* text = argv[++i];
        if (!strcmp(option, "--presses")) {
            if (!parseInt(text, "--presses", 1, MAX_PRESSES, &presses)) return 2;
        } else if (!strcmp(option, "--hold")) {
            if (!parseInt(text, "--hold", 1, 60000, &hold)) return 2;
        } else if (!strcmp(option, "--gap")) {
            if (!parseInt(text, "--gap", 0, 60000, &gap)) return 2;
        } else if (!strcmp(option, "--level")) {
            if (!parseInt(text, "--level", 0, 254, &value)) return 2;
            probe.level = (int)value;
        } else if (!strcmp(option, "--pixels")) {
            if (!parseInt(text, "--pixels", 1, 100000000, &value)) return 2;
            probe.pixels = (int)value;
        } else if (!strcmp(option, "--interval")) {
            if (!parseInt(text, "--interval", 0, 1000000, &value)) return 2;
            probe.interval = value;
        } else {
            fputs(usage, stderr);
            return 2;
        }
    }

    probe.display = XOpenDisplay(NULL);
    if (!probe.display) {
        fprintf(stderr, "key_probe: cannot open display \"%s\"\n", XDisplayName(NULL));
        return 1;
    }
    XSetErrorHandler(onXError);
    int event, error, major, minor;
    if (!XTestQueryExtension(probe.display, &event, &error, &major, &minor)) {
        fputs("key_probe: the X server has no XTEST extension\n", stderr);
        return 1;
    }

    /* The keys, in the order they are pressed. */
    KeyCode keys[MAX_KEYS];
    char keyNames[MAX_KEYS][64];
    int keyCount = 0;
    char list[512];
    snprintf(list, sizeof list, "%s", argv[2]);
    for (char* name = strtok(list, ","); name; name = strtok(NULL, ",")) {
        KeySym sym = XStringToKeysym(name);
        KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(probe.display, sym);
        if (!code) {
            fprintf(stderr, "key_probe: no key \"%s\" on this display's keyboard\n", name);
            return 2;
        }
        if (keyCount == MAX_KEYS) {
            fprintf(stderr, "key_probe: at most %d keys\n", MAX_KEYS);
            return 2;
        }
        snprintf(keyNames[keyCount], sizeof keyNames[keyCount], "%s", name);
        keys[keyCount++] = code;
    }
    if (!keyCount) {
        fputs(usage, stderr);
        return 2;
    }

    XWindowAttributes attributes;
    if (!XGetWindowAttributes(probe.display, probe.window, &attributes) || xFailed) {
        fprintf(stderr, "key_probe: no window %s on this display: %s\n", argv[1], xError);
        return 1;
    }
    if (probe.x + probe.w > attributes.width || probe.y + probe.h > attributes.height) {
        fprintf(stderr, "key_probe: the region %dx%d+%d+%d leaves the %dx%d window\n", probe.w,
                probe.h, probe.x, probe.y, attributes.width, attributes.height);
        return 2;
    }
    /* XTEST keys go where the focus is: on the game's window. */
    XSetInputFocus(probe.display, probe.window, RevertToParent, CurrentTime);
    XSync(probe.display, False);

    XImage* baseline = XGetImage(probe.display, probe.window, probe.x, probe.y, (unsigned)probe.w,
                                 (unsigned)probe.h, AllPlanes, ZPixmap);
    XImage* current = XGetImage(probe.display, probe.window, probe.x, probe.y, (unsigned)probe.w,
                                (unsigned)probe.h, AllPlanes, ZPixmap);
    if (!baseline || !current || xFailed) {
        fprintf(stderr, "key_probe: cannot read the window's pixels: %s\n", xError);
        return 1;
    }

    /* The region untouched: how many pixels the scene moves by itself, beside
     * the count a press needs. */
    int idleMost = 0;
    long idleGrabs = 0;
    if (!settle(&probe, baseline, current)) return 1;
    for (double start = nowMs(); nowMs() - start < IDLE_WATCH_MS; idleGrabs++) {
        if (!grab(&probe, current)) return 1;
        int moved = changedPixels(&probe, baseline, current);
        if (moved > idleMost) idleMost = moved;
        rest(&probe);
    }
    printf("idle_ms=%.0f idle_grabs=%ld idle_max_pixels=%d threshold_pixels=%d level=%d region=%dx%d+%d+%d\n",
           IDLE_WATCH_MS, idleGrabs, idleMost, probe.pixels, probe.level, probe.w, probe.h,
           probe.x, probe.y);
    if (idleMost >= probe.pixels)
        fprintf(stderr, "key_probe: the region changed by itself (%d pixels): raise --pixels or --level\n",
                idleMost);
    fflush(stdout);

    static double times[MAX_PRESSES];
    int hits = 0, misses = 0;
    for (long press = 0; press < presses; press++) {
        int k = (int)(press % keyCount);
        if (!settle(&probe, baseline, current)) return 1;
        XTestFakeKeyEvent(probe.display, keys[k], True, CurrentTime);
        XSync(probe.display, False);
        /* The server has taken the key in: the clock starts. */
        double down = nowMs(), seen = -1;
        int moved = 0, released = 0;
        long grabs = 0;
        while (seen < 0 && nowMs() - down < MISS_MS) {
            if (!grab(&probe, current)) return 1;
            grabs++;
            double now = nowMs();
            moved = changedPixels(&probe, baseline, current);
            if (moved >= probe.pixels) seen = now;
            if (!released && now - down >= hold) {
                XTestFakeKeyEvent(probe.display, keys[k], False, CurrentTime);
                XSync(probe.display, False);
                released = 1;
            }
            rest(&probe);
        }
        if (!released) {
            sleepMs(down + hold - nowMs());
            XTestFakeKeyEvent(probe.display, keys[k], False, CurrentTime);
            XSync(probe.display, False);
        }
        if (seen >= 0) {
            times[hits++] = seen - down;
            printf("press=%ld key=%s ms=%.1f pixels=%d grabs=%ld\n", press + 1, keyNames[k],
                   seen - down, moved, grabs);
        } else {
            misses++;
            printf("press=%ld key=%s miss grabs=%ld\n", press + 1, keyNames[k], grabs);
        }
        fflush(stdout);
        sleepMs(gap);
    }

    if (hits) {
        qsort(times, (size_t)hits, sizeof times[0], byValue);
        printf("presses=%ld misses=%d median_ms=%.1f p90_ms=%.1f max_ms=%.1f min_ms=%.1f\n", presses,
               misses, quantile(times, hits, 0.5), quantile(times, hits, 0.9), times[hits - 1],
               times[0]);
    } else {
        printf("presses=%ld misses=%d\n", presses, misses);
    }
    XDestroyImage(baseline);
    XDestroyImage(current);
    XCloseDisplay(probe.display);
    return hits ? 0 : 1;
}
