// The keyboard callbacks: held keys, Escape, Enter and F1-F4.
#include "input/keyboard.h"

#include <GL/freeglut.h>

#include "core/game_state.h"
#include "core/platform.h"
#include "assets/sound.h"
#include "input/entry.h"
#include "match/flow.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "net/session.h"

enum { KEY_ENTER = 13, KEY_ESCAPE = 27 };

// Escape steps back one screen. Each test sees the flags as they stand when it
// is reached, so leaving a match or the intro does not also count as a menu Escape.
void pressEscape() {
    // A guest's Escape leaves the session: the program ends, or one that joined
    // from the menu goes back to the join page.
    if (game.netRole == NET_ROLE_GUEST) {
        leaveSession();
        return;
    }
    if (game.menuActive) menuEscape();
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
    if (key == KEY_ESCAPE) pressEscape();
    game.keyHeld[key] = 1;
    if (!game.menuActive) return;
    // Enter chooses, and is taken by nothing else, except on a key page, where it is a binding like any other key.
    if (key == KEY_ENTER && game.menuPage != PAGE_P1_KEYS && game.menuPage != PAGE_P2_KEYS) {
        chooseByKey();
        return;
    }
    captureKey(key);
    if (key != KEY_ESCAPE) typeNameChar(key);
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
    if (keyCodeValid(key)) game.keyHeld[key] = 0;
}
