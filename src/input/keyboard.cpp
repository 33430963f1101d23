// The keyboard callbacks: held keys, Escape, Enter and F1-F4.
#include "input/keyboard.h"

#include <GL/freeglut.h>

#include "app/game_state.h"
#include "app/platform.h"
#include "assets/sound.h"
#include "input/entry.h"
#include "match/flow.h"
#include "menu/hover.h"
#include "net/session.h"

enum { KEY_ENTER = 13, KEY_ESCAPE = 27 };

// Escape steps back one screen. Each test sees the flags as they stand when it
// is reached, so leaving a match or the intro does not also count as a menu Escape.
static void escape() {
    // A guest's Escape leaves the session and ends the program.
    if (game.netRole == NET_ROLE_GUEST) {
        leaveSession();
        return;
    }
    game.glowVisible = 0;
    if (game.menuActive) {
        int page = game.menuPage;
        if (page == 4 || page == 5) {
            game.menuPage = 2;  // bindings captured so far stay
        } else if (page != 6 && page != 7) {
            game.menuPage = 0;  // a name page is left only with Enter
        }
        // What the pointer pointed at belonged to the page just left.
        if (game.menuPage != page) forgetHoverTarget();
    }
    if (game.matchActive && game.netMatch)
        leaveNetworkMatch();  // the guest is told
    else if (game.matchActive)
        returnToMenu();
    if (game.introActive) {
        game.introActive = 0;
        game.menuActive = 1;
        platform.setCursor(GLUT_CURSOR_RIGHT_ARROW);
        fadeInMenuMusic();
    }
}

void onKeyboard(unsigned char key, int, int) {
    if (key == KEY_ENTER && (game.menuPage == 6 || game.menuPage == 7)) finishNameEntry();
    if (key == KEY_ESCAPE) escape();
    game.keyHeld[key] = 1;
    if (game.menuActive) captureKey(key);
    if (game.menuActive && key != KEY_ESCAPE) typeNameChar(key);
}

void onKeyboardUp(unsigned char key, int, int) { game.keyHeld[key] = 0; }

// The keyboard library reports Shift, Ctrl, Alt and Super as special keys of
// their own, with the codes of the letters p to w. Taken as keys they would be
// captured as bindings and hold letters in play; they are modifiers only.
static bool modifierKey(int key) { return key >= GLUT_KEY_SHIFT_L && key <= GLUT_KEY_SUPER_R; }

void onSpecial(int key, int, int) {
    if (modifierKey(key)) return;
    if (keyCodeValid(key)) game.keyHeld[key] = 1;
    if (game.matchActive) {
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
    // Acts only on the key-capture pages, and only on codes the table can hold.
    captureKey(key);
}

void onSpecialUp(int key, int, int) {
    if (modifierKey(key)) return;
    if (keyCodeValid(key)) game.keyHeld[key] = 0;
}
