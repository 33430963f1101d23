// The frame loop's event routes: keys, pads, the pointer's clicks, the idle step and the window, each
// handed to the intro, the menu, the network session, a watched match or the match, by what is showing.
//
// A new route goes here: it looks at the screen flags and calls down into the room that owns what
// shows. Nothing below this file calls back up into it.
#include "app/events.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/options.h"
#include "app/startup.h"
#include "app/watch.h"
#include "core/game_state.h"
#include "core/platform.h"
#include "input/keyboard.h"
#include "input/pads.h"
#include "match/bats.h"
#include "match/clock.h"
#include "match/flow.h"
#include "match/keeping.h"
#include "menu/clicks.h"
#include "menu/entry.h"
#include "menu/hover.h"
#include "menu/intro.h"
#include "menu/screens.h"
#include "net/discovery.h"
#include "net/link.h"
#include "net/lobby.h"
#include "net/receive.h"
#include "net/router.h"
#include "net/session.h"
#include "net/steps.h"
#include "net/watcher.h"
#include "net/watchers.h"
#include "render/scene.h"

enum { KEY_ENTER = 13, KEY_ESCAPE = 27 };

// ---- What shows next ---------------------------------------------------------------

// A match that ended leaves nothing on screen: the main menu comes back. (A
// guest's waiting screen and join page are the network session's own.)
static void showMenuIfNothingShows() {
    if (!game.introActive && !game.menuActive && !game.matchActive && !game.guestWaiting) showMainMenu();
}

// What a choice in the menu leaves to the program itself: watching the last match.
static void watchIfChosen() {
    if (game.menuPage == ACTION_WATCH && !watchLastMatch()) game.menuPage = PAGE_MAIN;
}

// A local match, or a watched one, left for the menu.
static void leaveMatch() {
    if (game.replayActive) {
        leaveWatchedMatch();
        return;
    }
    endMatch();
    showMainMenu();
}

// ---- Keys ------------------------------------------------------------------------------

// Escape steps back one screen. Each test sees the flags as they stand when it
// is reached, so leaving a match or the intro does not also count as a menu Escape.
void pressEscape() {
    // A guest's Escape leaves the session: the program ends, or one that joined
    // from the menu goes back to the join page.
    if (game.netRole == NET_ROLE_GUEST || game.netRole == NET_ROLE_WATCHER) {
        leaveSession();
        return;
    }
    if (game.menuActive) menuEscape();
    if (game.matchActive && game.netMatch)
        leaveNetworkMatch();  // the guest is told
    else if (game.matchActive)
        leaveMatch();
    if (game.introActive) endIntro();
    showMenuIfNothingShows();
}

void onKeyboard(unsigned char key, int, int) {
    if (key == KEY_ESCAPE) pressEscape();
    holdKey(key);
    if (!game.menuActive) return;
    // Enter chooses, and is taken by nothing else, except on a key page, where it is a binding like any other key.
    if (key == KEY_ENTER && game.menuPage != PAGE_P1_KEYS && game.menuPage != PAGE_P2_KEYS) {
        chooseByKey();
        watchIfChosen();
        return;
    }
    captureKey(key);
    if (key != KEY_ESCAPE) typeNameChar(key);
}

void onKeyboardUp(unsigned char key, int, int) { letGoOfKey(key); }

// F1-F4 in a match: camera mode, the camera put back, lighting, the frame counter.
static void matchKey(int key) {
    switch (key) {
    case GLUT_KEY_F1: game.cameraMode = !game.cameraMode; break;
    case GLUT_KEY_F2:
        game.camAngleX = 0.0f;
        game.camAngleY = 0.0f;
        game.camAngleZ = 0.0f;
        game.camZoom = 0.0f;
        break;
    case GLUT_KEY_F3:
        if (game.lightingOn) {
            glDisable(GL_LIGHTING);
            game.lightingOn = 0;
        } else {
            glEnable(GL_LIGHTING);
            game.lightingOn = 1;
        }
        break;
    case GLUT_KEY_F4: game.showFps = !game.showFps; break;
    default: break;
    }
}

void onSpecial(int key, int, int) {
    if (modifierKey(key)) return;
    holdKey(key);
    if (game.matchActive) matchKey(key);
    // The arrows move the menu's glow, except where a key page takes them as bindings.
    if (game.menuActive && game.menuPage != PAGE_P1_KEYS && game.menuPage != PAGE_P2_KEYS) {
        if (key == GLUT_KEY_UP) moveMenuGlow(0, -1);
        if (key == GLUT_KEY_DOWN) moveMenuGlow(0, 1);
        if (key == GLUT_KEY_LEFT) moveMenuGlow(-1, 0);
        if (key == GLUT_KEY_RIGHT) moveMenuGlow(1, 0);
    }
    // Acts only on the key-capture pages, and only on codes the table can hold.
    captureKey(key);
}

void onSpecialUp(int key, int, int) {
    if (modifierKey(key)) return;
    letGoOfKey(key);
}

// ---- The pointer and the pads ------------------------------------------------------------

void onMouse(int button, int state, int, int) {
    if (button != GLUT_LEFT_BUTTON || state != GLUT_DOWN || !game.menuActive) return;
    chooseMenuTarget();
    watchIfChosen();
}

// Either pad works the menu as the arrows, Enter and Escape do, a press at a time.
void workMenuByPads() {
    if (!updatePadsForMenu()) return;
    for (int index = 0; index < PADS; index++) {
        bool pressed[PAD_MENU_HOLDS];
        if (!padMenuPresses(index, pressed)) continue;
        if (pressed[PAD_MENU_UP]) moveMenuGlow(0, -1);
        if (pressed[PAD_MENU_DOWN]) moveMenuGlow(0, 1);
        if (pressed[PAD_MENU_LEFT]) moveMenuGlow(-1, 0);
        if (pressed[PAD_MENU_RIGHT]) moveMenuGlow(1, 0);
        if (pressed[PAD_MENU_CHOOSE]) {
            game.padChoiceHeld[index] = 1;  // it serves nothing until let go
            chooseByKey();
            watchIfChosen();
        }
        if (pressed[PAD_MENU_BACK]) pressEscape();
    }
}

// ---- The idle step -----------------------------------------------------------------------

// The intro, the menu and a live local match: the pads and the clocks read, the
// step's input noted for its replay, the intro or the match stepped, then the bats.
static void stepHere() {
    pollPads();
    updateFrameDelta();
    countFrames();
    if (game.matchActive) beginLiveStep();
    game.animClockMs += game.frameDelta;
    if (game.introActive) stepIntro();
    if (!game.cameraMode && game.matchActive) stepMatch();
    moveBatsAndCamera();
    keepLiveStep();
    platform.postRedisplay();
}

// While a network role is set: what arrived, the host's answers on the local
// network, then a network match's frame (or the steps of what shows between
// matches), and this side's holds.
static void stepNetwork() {
    receiveNetwork();
    runLobby();
    if (game.netRole == NET_ROLE_HOST) {
        answerQuestions(!game.netConnected);
        readRouter();
    }
    if (game.netMatch && game.matchActive) {
        pollPads();
        networkFrame();
    } else if (game.watchingMatch && game.matchActive) {
        watchFrame();
    } else if (game.replayActive) {
        replayIdle();
    } else {
        stepHere();
    }
    if (game.netMatch && game.matchActive) sendHolds();
    if (game.netRole == NET_ROLE_HOST) serveWatchers();
}

// ---- Ending from outside: the window closed, or a signal ----------------------------

// What a player's quitting does, but for the settings, which are not written:
// a match in progress kept as a replay (a network one as both sides know it, the
// other side told of its end), the other side and the watchers told that this
// game is gone, the router's mapping removed.
static void endFromOutside() {
    if (game.netMatch && game.matchActive)
        endNetworkMatch(true, false);
    else if (game.matchActive && !game.replayActive)
        endMatch();
    closeNetwork();
}

// The window library also destroys its windows, and so calls this, while the
// program exits for some other reason; that exit's own status must stand.
static bool programExiting = false;
void noteProgramExiting() { programExiting = true; }

void onWindowClose() {
    if (programExiting) return;
    endFromOutside();
    platform.exitProgram(0);
}

// A signal to end (Ctrl+C in a terminal, kill, a logout) is seen here, at the
// top of a frame: the game ends as a closed window ends it, then by that signal.
static void endIfSignalled() {
    const int signal = platform.signalCaught();
    if (!signal) return;
    endFromOutside();
    programExiting = true;  // leaving full screen destroys its window
    platform.endBySignal(signal);
}

void onAppIdle() {
    endIfSignalled();
    if (game.netRole != NET_ROLE_NONE)
        stepNetwork();
    else if (game.replayActive)
        replayIdle();
    else
        stepHere();
    showMenuIfNothingShows();
    stepMenu();
    workMenuByPads();
}

// ---- The window ---------------------------------------------------------------------------

void onReshape(int width, int height) {
    glViewport(0, 0, width, height);
    game.windowWidth = width;
    game.windowHeight = height;
    int configuredWidth, configuredHeight;
    if (resolutionSize(runResolution(), &configuredWidth, &configuredHeight))
        glutReshapeWindow(configuredWidth, configuredHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window squeezed to no height would give an infinite aspect ratio; the
    // reshape that snaps it back follows at once, so any finite value will do.
    double aspect = height > 0 ? (double)width / (double)height : 1.0;
    gluPerspective(45.0, aspect, (double)0.1f, 10.0);
    gluLookAt(1.0, 0.5, 2.1, 1.0, 0.5, 0.0, 0.0, 1.0, 0.0);
}

void onDisplay() {
    if (game.introActive) drawIntroScreen();
    if (game.menuActive) drawMenu();
    if (game.matchActive) drawMatch();
    if (game.guestWaiting) drawWaitingScreen();
    glFlush();
    glutSwapBuffers();
}
