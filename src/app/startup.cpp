// Start-up of the game: settings, sound, window or game mode, fixed GL state, the callbacks, the main loop.
#include "app/startup.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <climits>
#include <cstdlib>
#include <cmath>
#include <unistd.h>

#include "app/events.h"
#include "app/options.h"
#include "app/watch.h"
#include "assets/sound.h"
#include "assets/textures.h"
#include "core/game_state.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/settings.h"
#include "input/pads.h"
#include "menu/hover.h"
#include "net/session.h"
#include "render/lists.h"

bool resolutionSize(int resolution, int* width, int* height) {
    switch (resolution) {
    case 0: *width = 640; *height = 480; return true;
    case 1: *width = 800; *height = 600; return true;
    case 2: *width = 1024; *height = 768; return true;
    default: return false;
    }
}

const char* resolutionGameModeString(int resolution) {
    switch (resolution) {
    case 0: return "640x480:16";
    case 1: return "800x600:16";
    case 2: return "1024x768:16";
    default: return nullptr;
    }
}

// A plain window at (0, 0) titled "Tarvo Rink", of the configured size when the
// resolution names one (otherwise GLUT's default size).
static void openWindow() {
    int width, height;
    if (resolutionSize(runResolution(), &width, &height)) glutInitWindowSize(width, height);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Tarvo Rink");
}

int gameMain(int argc, char** argv) {
    // Installed or run from its build: the executable's own place tells.
    char executable[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", executable, sizeof executable - 1);
    executable[length > 0 ? length : 0] = '\0';
    choosePaths(executable);
    // The command line is read before anything opens: --help, --version and a
    // mistake end the program here.
    int status = parseOptions(argc, argv);
    if (status != OPTIONS_RUN) return status;
    // A replay to watch is read and checked before anything opens.
    if (game.replayPath[0] && !loadReplay()) return 1;
    game.keepReplays = 1;
    findLastReplay();
    // Every argument is the game's own, so GLUT is given the program name alone.
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    initApplication();
    loadBaseTextures();
    buildDisplayLists();
    registerCallbacks();
    if (game.replayData) startReplay();  // no intro: the replay at once
    glutMainLoop();
    return 0;
}

void initApplication() {
    loadSettings();
    if (game.music || game.effects) initSound();
    initPads();
    // SDL is up with its audio and pads: the game's own handlers of the signals to
    // end go in now, before the window opens, and stay (a signal before the first
    // frame is seen by it).
    platform.catchSignals();
    startNetwork();
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    bool haveScreen = false;
    // The screen of this run: the settings', unless the command line chose another.
    if (runMode() == 1) {
        const char* modeString = resolutionGameModeString(runResolution());
        if (modeString) glutGameModeString(modeString);
        if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) {
            glutEnterGameMode();
            haveScreen = glutGameModeGet(GLUT_GAME_MODE_ACTIVE) != 0;
        }
    } else if (runMode() == 0) {
        openWindow();
        haveScreen = true;
    }
    // Game mode refused (as on a virtual display) or a mode value that names
    // neither: without this the game would run with no window at all, so it
    // opens the same window that window mode would.
    if (!haveScreen) openWindow();
    initGLState();
}

void initGLState() {
    platform.setCursor(GLUT_CURSOR_NONE);  // hidden while the intro runs
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    // Blending lightens what lies below; the drawers switch it on where needed.
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    game.sphereQuadric = gluNewQuadric();
    gluQuadricNormals(game.sphereQuadric, GLU_SMOOTH);
    gluQuadricTexture(game.sphereQuadric, GL_TRUE);
}

void registerCallbacks() {
    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyboard);
    glutKeyboardUpFunc(onKeyboardUp);
    glutSpecialFunc(onSpecial);
    glutSpecialUpFunc(onSpecialUp);
    glutMouseFunc(onMouse);
    glutPassiveMotionFunc(onPassiveMotion);
    glutIdleFunc(onAppIdle);
    glutCloseFunc(onWindowClose);
    atexit(noteProgramExiting);
}
