// Keys as the keyboard library reports them: the held-key table, which character and special-key codes share.
#include "input/keyboard.h"

#include <GL/freeglut.h>

#include "core/game_state.h"

void holdKey(int code) {
    if (keyCodeValid(code)) game.keyHeld[code] = 1;
}

void letGoOfKey(int code) {
    if (keyCodeValid(code)) game.keyHeld[code] = 0;
}

// The keyboard library reports Shift, Ctrl, Alt and Super as special keys of
// their own, with the codes of the letters p to w. Taken as keys they would be
// captured as bindings and hold letters in play; they are modifiers only.
bool modifierKey(int key) { return key >= GLUT_KEY_SHIFT_L && key <= GLUT_KEY_SUPER_R; }
