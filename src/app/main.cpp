// Program entry: brings SDL up as its main wrapper would, then runs the game.
#include <SDL.h>
#include <cstdio>
#include <cstdlib>

#include "app/startup.h"

// SDL 1.2 has no main wrapper on this platform, so main does its work: SDL with
// no subsystem and no parachute (the timer starts with it), and SDL_Quit at exit.
int main(int argc, char** argv) {
    // SDL2 (beneath sdl12-compat) would catch the signals to end and queue a quit
    // event that no one reads, taking them from the game: the game catches them
    // itself (start-up), and until then they end it, as on SDL 1.2.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    if (SDL_Init(SDL_INIT_NOPARACHUTE) < 0) {
        fprintf(stderr, "SDL initialization failed: %s\n", SDL_GetError());
        return 1;  // the game could not start
    }
    atexit(SDL_Quit);
    return gameMain(argc, argv);
}
