// The benchmarks' stage: the window, the bench clock and silent mixer, and the menu and match set up through the game's own handlers.
#include "harness.h"

#include <GL/freeglut.h>
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/events.h"
#include "core/game_state.h"
#include "core/platform.h"
#include "app/startup.h"
#include "assets/textures.h"
#include "match/clock.h"
#include "match/flow.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "render/lists.h"

namespace bench {

uint32_t clockMs = 0;

namespace {

uint32_t benchTicks() { return clockMs; }
void benchDelay(uint32_t ms) { clockMs += ms; }
int noAudio() { return -1; }
int noOpenAudio(int, uint16_t, int, int) { return -1; }
void noCloseAudio() {}
Mix_Chunk* noWav(const char*) { return nullptr; }
int noVolume(Mix_Chunk*, int) { return 0; }
void noFree(Mix_Chunk*) {}
int noPlay(int, Mix_Chunk*, int, int) { return -1; }
int noFadeIn(int, Mix_Chunk*, int, int, int) { return -1; }
int noFadeOut(int, int) { return 0; }
int nothingPlaying(int) { return 0; }
void noCursor(int) {}
void noRedisplay() {}
void benchExit(int) {
    fprintf(stderr, "The game ended the bench (a picture it needs could not be loaded?)\n");
    exit(1);
}

// Exposures and resizes arrive between frames; the bench draws on its own.
void ignoreDisplay() {}

// The menu places the pointer visits, in 640 x 480 units with y from the top:
// single player, two players, settings, exit, and two empty spots.
const int WANDER_POINTS[][2] = {{320, 184}, {320, 234}, {320, 284}, {320, 334}, {100, 100}, {600, 450}};
const int WANDER_COUNT = sizeof WANDER_POINTS / sizeof WANDER_POINTS[0];

// Pointer motion at a place of the 640 x 480 menu screen, scaled to the window.
void pointAt(int virtualX, int virtualY) {
    onPassiveMotion(virtualX * game.windowWidth / 640, virtualY * game.windowHeight / 480);
}

void clickAt(int virtualX, int virtualY) {
    pointAt(virtualX, virtualY);
    int x = virtualX * game.windowWidth / 640, y = virtualY * game.windowHeight / 480;
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
}

const char* const BASE_PICTURES[] = {
    "data/pictures/others/panel.jpg",    "data/pictures/others/font1.jpg",   "data/pictures/others/font2.jpg",
    "data/pictures/others/logol.jpg",    "data/pictures/others/logor.jpg",   "data/pictures/menu/ground.jpg",
    "data/pictures/menu/trlogo.jpg",     "data/pictures/menu/single.jpg",    "data/pictures/menu/multi.jpg",
    "data/pictures/menu/settings.jpg",   "data/pictures/menu/exit.jpg",      "data/pictures/others/window.jpg",
    "data/pictures/menu/glow.jpg",       "data/pictures/menu/logo.jpg",      "data/pictures/menu/ground1.jpg",
    "data/pictures/menu/ground2.jpg",    "data/pictures/menu/yes.jpg",       "data/pictures/menu/no.jpg",
    "data/pictures/menu/easy.jpg",       "data/pictures/menu/normal.jpg",    "data/pictures/menu/hard.jpg",
    "data/pictures/menu/check.jpg",      "data/pictures/menu/player1k.jpg",  "data/pictures/menu/player2k.jpg",
    "data/pictures/menu/player1n.jpg",   "data/pictures/menu/player2n.jpg",  "data/pictures/menu/close.jpg",
    "data/pictures/menu/local.jpg",      "data/pictures/menu/host.jpg",      "data/pictures/menu/join.jpg",
    "data/pictures/menu/back.jpg",       "data/pictures/menu/address.jpg",   "data/pictures/menu/watch.jpg",
    "data/pictures/menu/watchoff.jpg",
};
const char* const TENNIS_PICTURES[] = {
    "data/pictures/ground/11.jpg", "data/pictures/ground/12.jpg",   "data/pictures/ground/13.jpg",
    "data/pictures/ground/14.jpg", "data/pictures/ground/15.jpg",   "data/pictures/ground/16.jpg",
    "data/pictures/ground/18.jpg", "data/pictures/others/back2.jpg", "data/pictures/others/ball2.jpg",
    "data/pictures/others/board2.jpg",
};
const char* const FUTURISTIC_PICTURES[] = {
    "data/pictures/ground/0.jpg",  "data/pictures/ground/1.jpg",     "data/pictures/ground/2.jpg",
    "data/pictures/ground/3.jpg",  "data/pictures/ground/4.jpg",     "data/pictures/ground/5.jpg",
    "data/pictures/ground/6.jpg",  "data/pictures/ground/7.jpg",     "data/pictures/ground/8.jpg",
    "data/pictures/ground/9.jpg",  "data/pictures/ground/10.jpg",    "data/pictures/ground/17.jpg",
    "data/pictures/others/back.jpg", "data/pictures/others/ball.jpg", "data/pictures/others/board.jpg",
};

struct SetFiles {
    const char* name;
    const char* const* paths;
    int count;
};
const SetFiles SETS[PICTURE_SET_COUNT] = {
    {"base", BASE_PICTURES, sizeof BASE_PICTURES / sizeof BASE_PICTURES[0]},
    {"tennis", TENNIS_PICTURES, sizeof TENNIS_PICTURES / sizeof TENNIS_PICTURES[0]},
    {"futuristic", FUTURISTIC_PICTURES, sizeof FUTURISTIC_PICTURES / sizeof FUTURISTIC_PICTURES[0]},
};

}  // namespace

const char* pictureSetName(PictureSet set) { return SETS[set].name; }
int pictureCount(PictureSet set) { return SETS[set].count; }
const char* picturePath(PictureSet set, int index) { return SETS[set].paths[index]; }

bool decodeSet(PictureSet set) {
    for (int i = 0; i < SETS[set].count; i++) {
        SDL_Surface* decoded = IMG_Load(SETS[set].paths[i]);
        if (!decoded) return false;
        SDL_FreeSurface(decoded);
    }
    return true;
}

void loadSet(PictureSet set) {
    switch (set) {
    case BASE_SET:
        loadBaseTextures();
        buildDisplayLists();
        break;
    case TENNIS_SET: loadPlayground1Textures(); break;
    default: loadPlayground2Textures(); break;
    }
}

void unloadSet(PictureSet set) {
    switch (set) {
    case BASE_SET:
        freeBaseTextures();
        deleteDisplayLists();
        for (int slot = 14; slot < TEXTURE_SLOTS; slot++)
            if (slot != 28) game.textures[slot] = 0;
        return;
    case TENNIS_SET: freePlayground1Textures(); break;
    default: freePlayground2Textures(); break;
    }
    for (int slot = 0; slot <= 13; slot++) game.textures[slot] = 0;
    game.textures[28] = 0;
}

int filledSlots() {
    int filled = 0;
    for (u32 name : game.textures)
        if (name != 0) filled++;
    return filled;
}

void installBenchPlatform() {
    // The real platform for the rest (the pads, never started here, stay untouched).
    platform = realPlatform;
    platform.getTicks = benchTicks;
    platform.delay = benchDelay;
    platform.initAudio = noAudio;
    platform.openAudio = noOpenAudio;
    platform.closeAudio = noCloseAudio;
    platform.loadWav = noWav;
    platform.volumeChunk = noVolume;
    platform.freeChunk = noFree;
    platform.playChannelTimed = noPlay;
    platform.fadeInChannelTimed = noFadeIn;
    platform.fadeOutChannel = noFadeOut;
    platform.playing = nothingPlaying;
    platform.setCursor = noCursor;
    platform.postRedisplay = noRedisplay;
    platform.exitProgram = benchExit;
}

void startGame(int argc, char** argv) {
    if (SDL_Init(SDL_INIT_NOPARACHUTE) < 0) {
        fprintf(stderr, "SDL initialization failed: %s\n", SDL_GetError());
        exit(1);
    }
    atexit(SDL_Quit);
    installBenchPlatform();
    glutInit(&argc, argv);
    game.mode = 0;
    game.resolution = RESOLUTION_800;
    game.music = 1;
    game.effects = 1;
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(0, 0);
    if (glutCreateWindow("Tarvo Rink") <= 0) {
        fprintf(stderr, "No window for the benchmarks\n");
        exit(1);
    }
    initGLState();
    glutReshapeFunc(onReshape);
    glutDisplayFunc(ignoreDisplay);
    loadBaseTextures();
    buildDisplayLists();
    if (!useResolution(RESOLUTION_800)) {
        fprintf(stderr, "The benchmark window never took its size\n");
        exit(1);
    }
    game.introActive = 0;
}

void windowSizeOf(int resolution, int* width, int* height) {
    if (!::resolutionSize(resolution, width, height)) ::resolutionSize(RESOLUTION_800, width, height);
}

const char* resolutionName(int resolution) {
    switch (resolution) {
    case RESOLUTION_640: return "640x480";
    case RESOLUTION_1024: return "1024x768";
    default: return "800x600";
    }
}

bool useResolution(int resolution) {
    int width, height;
    windowSizeOf(resolution, &width, &height);
    // The game's reshape holds the window at the configured size, so the
    // configuration changes first, as an edited tarvo.ini would have it.
    game.resolution = resolution;
    if (game.windowWidth != width || game.windowHeight != height) glutReshapeWindow(width, height);
    timespec pause = {0, 1000000};
    for (int tries = 0; tries < 2000; tries++) {
        glutMainLoopEvent();
        if (game.windowWidth == width && game.windowHeight == height) return true;
        nanosleep(&pause, nullptr);
    }
    return false;
}

const char* rendererString() { return (const char*)glGetString(GL_RENDERER); }
const char* glVersionString() { return (const char*)glGetString(GL_VERSION); }
const char* glVendorString() { return (const char*)glGetString(GL_VENDOR); }

void enterMenu() {
    game.introActive = 0;
    game.matchActive = 0;
    game.menuActive = 1;
    game.menuPage = 0;
    pointAt(WANDER_POINTS[0][0], WANDER_POINTS[0][1]);
}

void wanderPointer(int step) {
    const int* point = WANDER_POINTS[step % WANDER_COUNT];
    pointAt(point[0], point[1]);
}

void enterMatch(int playground) {
    enterMenu();
    clickAt(320, 184);  // single player
    clickAt(playground == 1 ? 249 : 391, 227);  // the playground's picture
    if (!game.matchActive || game.playground != playground) {
        fprintf(stderr, "The menu did not start a match on playground %d\n", playground);
        exit(1);
    }
    game.keyHeld[game.p1Pass] = 1;
}

void leaveMatch() {
    for (u8& held : game.keyHeld) held = 0;
    endMatch();
    showMainMenu();
}

void steerRally() {
    if (!game.matchActive) return;
    game.keyHeld[game.p1Up] = game.ballY > game.p1BatY + 0.03f;
    game.keyHeld[game.p1Down] = game.ballY < game.p1BatY - 0.03f;
    game.keyHeld[game.p1Pass] = 1;
    if (game.p1Games >= 2 || game.p2Games >= 2) {
        game.p1Games = 0;
        game.p2Games = 0;
    }
}

void idleStep() {
    clockMs += STEP_MS;
    onAppIdle();
}

void gameFrame() {
    steerRally();
    idleStep();
    onDisplay();
}

void bareFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

bool ballInFlight() { return game.ballInPlay && game.ballX >= -0.17f && game.ballX <= 1.61f; }

}  // namespace bench
