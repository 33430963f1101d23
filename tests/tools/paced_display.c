/* The virtual display's refresh for the end-to-end tests: loaded into the game beside its GL library, it
   lets each glXSwapBuffers return at the next tick of a 75 Hz clock, as a real monitor's vertical sync
   would. The game draws no faster than a player's screen shows, and leaves the processor to the tests
   that run beside it; at 75 frames a second every frame is shorter than the game's 15 ms cap, so its
   play runs at the pace of the clock as before. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <time.h>

enum { REFRESH_HZ = 75 };
static const long NS = 1000000000L;

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static void (*real)(Display*, GLXDrawable);
    static struct timespec next;
    if (!real) real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    real(display, drawable);
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    /* A frame that ran past its tick starts the count afresh, so a slow one is never followed by a burst. */
    if ((now.tv_sec - next.tv_sec) * NS + (now.tv_nsec - next.tv_nsec) > NS / REFRESH_HZ) next = now;
    next.tv_nsec += NS / REFRESH_HZ;
    if (next.tv_nsec >= NS) {
        next.tv_nsec -= NS;
        next.tv_sec++;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL);
}
