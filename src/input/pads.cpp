// Gamepads: each player's pad holds up, down and pass as that player's keys would,
// and gives the presses that work the menu as the arrows, Enter and Escape do.
//
// The library's joystick state is read once per idle step; there is no event
// loop of its own (GLUT runs the program). A pad never types, captures keys or
// leaves a match.
#include "input/pads.h"

#include <SDL_joystick.h>
#include <cstdio>

#include "core/game_state.h"
#include "core/platform.h"

// The left stick's vertical axis holds up or down only past a third of its range,
// so a stick resting a little off centre holds nothing.
static const int STICK_AXIS = 1;
static const int STICK_ACROSS_AXIS = 0;
static const int DEAD_ZONE = 32767 / 3;
// The four face buttons of common pads each hold pass.
static const int PASS_BUTTONS = 4;

void initPads() {
    // A platform without joystick support plays as without pads, silently.
    if (platform.initPads() != 0) return;
    int count = platform.padCount();
    for (int index = 0; index < count && index < PADS; index++) {
        game.pads[index] = platform.openPad(index);
        if (!game.pads[index]) continue;
        const char* name = platform.padName(index);
        printf("Gamepad %d: %s\n", index + 1, name ? name : "(no name)");
    }
    fflush(stdout);
}

void releasePads() {
    for (auto& holds : game.padHolds)
        for (u8& held : holds) held = 0;
}

// What one pad holds now: its stick or hat up or down, any face button for pass.
static void readPad(_SDL_Joystick* pad, u8* holds, u8* choiceHeld) {
    int stick = platform.padAxis(pad, STICK_AXIS);
    int hat = platform.padHat(pad, 0);
    holds[PAD_UP] = stick < -DEAD_ZONE || (hat & SDL_HAT_UP) != 0;
    holds[PAD_DOWN] = stick > DEAD_ZONE || (hat & SDL_HAT_DOWN) != 0;
    holds[PAD_PASS] = 0;
    // The button that started the match passes only once it has been let go.
    if (!platform.padButton(pad, 0)) *choiceHeld = 0;
    for (int button = *choiceHeld ? 1 : 0; button < PASS_BUTTONS; button++)
        if (platform.padButton(pad, button)) holds[PAD_PASS] = 1;
}

void pollPads() {
    if (!game.pads[0] && !game.pads[1]) return;  // no pads: no library calls at all
    platform.updatePads();
    for (int index = 0; index < PADS; index++) {
        u8* holds = game.padHolds[index];
        // An unplugged pad lets go of everything and is not read again.
        if (game.pads[index] && platform.padGone(game.pads[index])) game.pads[index] = nullptr;
        if (game.pads[index] && game.matchActive) {
            readPad(game.pads[index], holds, &game.padChoiceHeld[index]);
        } else {
            holds[PAD_UP] = holds[PAD_DOWN] = holds[PAD_PASS] = 0;
        }
    }
}

// What a pad holds for the menu now: the stick or hat four ways, buttons 0 and 1.
static void readPadForMenu(_SDL_Joystick* pad, u8* now) {
    int down = platform.padAxis(pad, STICK_AXIS);
    int across = platform.padAxis(pad, STICK_ACROSS_AXIS);
    int hat = platform.padHat(pad, 0);
    now[PAD_MENU_UP] = down < -DEAD_ZONE || (hat & SDL_HAT_UP) != 0;
    now[PAD_MENU_DOWN] = down > DEAD_ZONE || (hat & SDL_HAT_DOWN) != 0;
    now[PAD_MENU_LEFT] = across < -DEAD_ZONE || (hat & SDL_HAT_LEFT) != 0;
    now[PAD_MENU_RIGHT] = across > DEAD_ZONE || (hat & SDL_HAT_RIGHT) != 0;
    now[PAD_MENU_CHOOSE] = platform.padButton(pad, 0) != 0;
    now[PAD_MENU_BACK] = platform.padButton(pad, 1) != 0;
}

bool updatePadsForMenu() {
    if (!game.pads[0] && !game.pads[1]) return false;  // no pads: no library calls at all
    platform.updatePads();
    return true;
}

// A press counts once, when it begins. What is held through a match is
// followed there too, so a button still down as the menu comes back chooses nothing.
bool padMenuPresses(int index, bool* pressed) {
    if (!game.pads[index] || platform.padGone(game.pads[index])) return false;
    u8 now[PAD_MENU_HOLDS];
    readPadForMenu(game.pads[index], now);
    u8* held = game.padMenuHeld[index];
    for (int k = 0; k < PAD_MENU_HOLDS; k++) {
        pressed[k] = now[k] && !held[k] && !game.matchActive;
        held[k] = now[k];
    }
    return true;
}
