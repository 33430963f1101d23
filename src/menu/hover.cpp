// Pointer motion over the menu: what lies under the pointer and what a click would do.
#include "menu/hover.h"

#include "app/game_state.h"
#include "app/platform.h"
#include "assets/sound.h"

enum { MODE_KEEP = 0, MODE_VS_COMPUTER = 1, MODE_TWO_PLAYERS = 2 };

// One item under the pointer's test. Bounds are in virtual-screen units with y
// measured from the top, all strict. The glow corner is the drawn item's
// bottom-left corner with y from the bottom. A target of -1 keeps the page.
struct MenuItem {
    i32 page;
    f32 left, right, top, bottom;
    f32 glowX, glowY;
    i32 target;
    i32 mode;          // MODE_*: mode of play set by the main-menu items
    i32 playground;    // 0 = leave as it is
    f32 difficulty;    // 0 = not a difficulty item
    u8 startsCapture;  // opens key capture at the up key
};

static const MenuItem menuItems[] = {
    // Main menu: single player, two players, settings, exit.
    {0, 256, 384, 168, 200, 256, 280, 1, MODE_VS_COMPUTER, 0, 0, 0},
    {0, 256, 384, 218, 250, 256, 230, 1, MODE_TWO_PLAYERS, 0, 0, 0},
    {0, 256, 384, 268, 300, 256, 180, 2, MODE_KEEP, 0, 0, 0},
    {0, 256, 384, 318, 350, 256, 130, 3, MODE_KEEP, 0, 0, 0},
    // Playground choice: the pictures answer five units above where they are drawn.
    {1, 185, 313, 163, 291, 185, 184, 10, MODE_KEEP, 1, 0, 0},
    {1, 327, 455, 163, 291, 327, 184, 10, MODE_KEEP, 2, 0, 0},
    // Settings: easy, normal, hard; keys of players 1 and 2; close; names.
    {2, 83, 211, 218, 250, 83, 230, -1, MODE_KEEP, 0, 13.0f, 0},
    {2, 83, 211, 268, 300, 83, 180, -1, MODE_KEEP, 0, 11.0f, 0},
    {2, 83, 211, 318, 350, 83, 130, -1, MODE_KEEP, 0, 9.0f, 0},
    {2, 256, 384, 218, 250, 256, 230, 4, MODE_KEEP, 0, 0, 1},
    {2, 256, 384, 268, 300, 256, 180, 5, MODE_KEEP, 0, 0, 1},
    {2, 256, 384, 368, 400, 256, 80, 0, MODE_KEEP, 0, 0, 0},
    {2, 429, 557, 218, 250, 429, 230, 6, MODE_KEEP, 0, 0, 0},
    {2, 429, 557, 268, 300, 429, 180, 7, MODE_KEEP, 0, 0, 0},
    // Exit confirmation: yes quits, no goes back.
    {3, 225, 289, 288, 320, 225, 160, 11, MODE_KEEP, 0, 0, 0},
    {3, 351, 415, 288, 320, 351, 160, 0, MODE_KEEP, 0, 0, 0},
};

static void applyHit(const MenuItem& item) {
    game.glowX = item.glowX;
    game.glowY = item.glowY;
    game.glowVisible = 1;
    if (item.target >= 0) game.menuHoverPage = item.target;
    if (item.mode == MODE_VS_COMPUTER) {
        game.vsComputer = 1;
        game.p2Human = 0;
    } else if (item.mode == MODE_TWO_PLAYERS) {
        game.vsComputer = 0;
        game.p2Human = 1;
    }
    if (item.playground != 0) game.playground = item.playground;
    if (item.difficulty != 0.0f) {
        game.hoverDifficulty = item.difficulty;
        game.hoverOnDifficulty = 1;
    }
    if (item.startsCapture) game.keyCaptureStep = 1;
    if (game.effects && game.hoverSoundArmed) {
        platform.playChannelTimed(CHANNEL_HOVER, game.soundChunks[SOUND_MENU_OVER], 0, -1);
        game.hoverSoundArmed = 0;
    }
    game.hoverHit = 1;
}

// The target computed for the pointer belonged to the page it was computed on.
void forgetHoverTarget() {
    game.menuHoverPage = game.menuPage;
    game.hoverDifficulty = game.difficulty;
    game.glowVisible = 0;
    game.hoverOnDifficulty = 0;
}

void onPassiveMotion(int x, int y) {
    if (!game.menuActive) return;
    // Nothing under the pointer until an item is found.
    forgetHoverTarget();
    if (game.menuPage < 0 || game.menuPage > 3) return;  // pages without items

    game.hoverHit = 0;
    // A window squeezed to nothing has no pointer mapping: no item is under it.
    if (game.windowWidth > 0 && game.windowHeight > 0) {
        f32 sx = (f32)game.windowWidth / 640.0f;
        f32 sy = (f32)game.windowHeight / 480.0f;
        f32 px = (f32)x / sx;
        f32 py = (f32)y / sy;
        for (const MenuItem& item : menuItems) {
            if (item.page != game.menuPage) continue;
            if (item.left < px && px < item.right && item.top < py && py < item.bottom) {
                applyHit(item);
                break;  // the items of a page never overlap
            }
        }
    }
    // A motion that finds no item arms the sound for the next item entered.
    if (!game.hoverHit) game.hoverSoundArmed = 1;
}
