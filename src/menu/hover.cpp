// Pointer motion and the arrow keys over the menu: the item under the glow and what choosing it would do.
#include "menu/hover.h"

#include "core/game_state.h"
#include "core/platform.h"
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
    i32 hostRow;       // join page: the listed host this row shows, -1 for other items
};

static const MenuItem menuItems[] = {
    // Main menu: single player, two players, settings, exit; watch the last match below.
    {0, 256, 384, 168, 200, 256, 280, 1, MODE_VS_COMPUTER, 0, 0, 0, -1},
    {0, 256, 384, 218, 250, 256, 230, PAGE_TWO_PLAYERS, MODE_TWO_PLAYERS, 0, 0, 0, -1},
    {0, 256, 384, 268, 300, 256, 180, 2, MODE_KEEP, 0, 0, 0, -1},
    {0, 256, 384, 318, 350, 256, 130, 3, MODE_KEEP, 0, 0, 0, -1},
    {0, 256, 384, 398, 430, 256, 50, ACTION_WATCH, MODE_KEEP, 0, 0, 0, -1},
    // Playground choice: the pictures answer five units above where they are drawn.
    {1, 185, 313, 163, 291, 185, 184, 10, MODE_KEEP, 1, 0, 0, -1},
    {1, 327, 455, 163, 291, 327, 184, 10, MODE_KEEP, 2, 0, 0, -1},
    // Settings: easy, normal, hard; keys of players 1 and 2; close; names.
    {2, 83, 211, 218, 250, 83, 230, -1, MODE_KEEP, 0, 13.0f, 0, -1},
    {2, 83, 211, 268, 300, 83, 180, -1, MODE_KEEP, 0, 11.0f, 0, -1},
    {2, 83, 211, 318, 350, 83, 130, -1, MODE_KEEP, 0, 9.0f, 0, -1},
    {2, 256, 384, 218, 250, 256, 230, 4, MODE_KEEP, 0, 0, 1, -1},
    {2, 256, 384, 268, 300, 256, 180, 5, MODE_KEEP, 0, 0, 1, -1},
    {2, 256, 384, 368, 400, 256, 80, 0, MODE_KEEP, 0, 0, 0, -1},
    {2, 429, 557, 218, 250, 429, 230, 6, MODE_KEEP, 0, 0, 0, -1},
    {2, 429, 557, 268, 300, 429, 180, 7, MODE_KEEP, 0, 0, 0, -1},
    // Exit confirmation: yes quits, no goes back.
    {3, 225, 289, 288, 320, 225, 160, 11, MODE_KEEP, 0, 0, 0, -1},
    {3, 351, 415, 288, 320, 351, 160, 0, MODE_KEEP, 0, 0, 0, -1},
    // Two players: on this computer, hosting, or joining a network game; back.
    {PAGE_TWO_PLAYERS, 256, 384, 168, 200, 256, 280, PAGE_PLAYGROUND, MODE_TWO_PLAYERS, 0, 0, 0, -1},
    {PAGE_TWO_PLAYERS, 256, 384, 218, 250, 256, 230, PAGE_HOSTING, MODE_TWO_PLAYERS, 0, 0, 0, -1},
    {PAGE_TWO_PLAYERS, 256, 384, 268, 300, 256, 180, PAGE_JOIN, MODE_TWO_PLAYERS, 0, 0, 0, -1},
    {PAGE_TWO_PLAYERS, 256, 384, 318, 350, 256, 130, PAGE_MAIN, MODE_KEEP, 0, 0, 0, -1},
    // Hosting: back stops it.
    {PAGE_HOSTING, 256, 384, 318, 350, 256, 130, PAGE_TWO_PLAYERS, MODE_KEEP, 0, 0, 0, -1},
    // Joining: a row for each host found, a host typed by hand, back.
    {PAGE_JOIN, 70, 570, 158, 190, 70, 290, ACTION_JOIN, MODE_KEEP, 0, 0, 0, 0},
    {PAGE_JOIN, 70, 570, 194, 226, 70, 254, ACTION_JOIN, MODE_KEEP, 0, 0, 0, 1},
    {PAGE_JOIN, 70, 570, 230, 262, 70, 218, ACTION_JOIN, MODE_KEEP, 0, 0, 0, 2},
    {PAGE_JOIN, 70, 570, 266, 298, 70, 182, ACTION_JOIN, MODE_KEEP, 0, 0, 0, 3},
    {PAGE_JOIN, 70, 570, 302, 334, 70, 146, ACTION_JOIN, MODE_KEEP, 0, 0, 0, 4},
    {PAGE_JOIN, 176, 304, 376, 408, 176, 72, PAGE_ADDRESS, MODE_KEEP, 0, 0, 0, -1},
    {PAGE_JOIN, 336, 464, 376, 408, 336, 72, PAGE_TWO_PLAYERS, MODE_KEEP, 0, 0, 0, -1},
};
static const int MENU_ITEMS = (int)(sizeof menuItems / sizeof menuItems[0]);
static_assert(JOIN_ROWS == 5, "the join page has a row item for each host it shows");

// Whether an item is there to be pointed at or moved to: a host row only while
// that many hosts are listed, the last match only when one is kept (else dimmed).
static bool itemShown(const MenuItem& item) {
    if (item.page != game.menuPage) return false;
    if (item.hostRow >= 0) return item.hostRow < game.foundHostCount + game.lobbyRoomCount;
    if (item.target == ACTION_WATCH) return game.lastReplayThere != 0;
    return true;
}

// Where an item leads from here. A host started from the command line goes
// from "two players" straight to the playgrounds, as it always has.
static i32 itemTarget(const MenuItem& item) {
    if (item.target == PAGE_TWO_PLAYERS && item.page == PAGE_MAIN && game.netRole == NET_ROLE_HOST && !game.netFromMenu)
        return PAGE_PLAYGROUND;
    return item.target;
}

static void applyHit(int index) {
    const MenuItem& item = menuItems[index];
    game.menuItem = index;
    game.hoverHostRow = item.hostRow;
    game.glowX = item.glowX;
    game.glowY = item.glowY;
    game.glowVisible = 1;
    if (item.target >= 0) game.menuHoverPage = itemTarget(item);
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
    game.menuItem = -1;
    game.hoverHostRow = -1;
}

void onPassiveMotion(int x, int y) {
    if (!game.menuActive) return;
    // Nothing under the pointer until an item is found.
    forgetHoverTarget();
    if (!pageHasItems(game.menuPage)) return;

    game.hoverHit = 0;
    // A window squeezed to nothing has no pointer mapping: no item is under it.
    if (game.windowWidth > 0 && game.windowHeight > 0) {
        f32 sx = (f32)game.windowWidth / 640.0f;
        f32 sy = (f32)game.windowHeight / 480.0f;
        f32 px = (f32)x / sx;
        f32 py = (f32)y / sy;
        for (int index = 0; index < MENU_ITEMS; index++) {
            const MenuItem& item = menuItems[index];
            if (!itemShown(item)) continue;
            if (item.left < px && px < item.right && item.top < py && py < item.bottom) {
                applyHit(index);
                break;  // the items of a page never overlap
            }
        }
    }
    // A motion that finds no item arms the sound for the next item entered.
    if (!game.hoverHit) game.hoverSoundArmed = 1;
}

// The key pages and the typing pages have no items: a move there does nothing.
bool pageHasItems(int page) {
    return (page >= PAGE_MAIN && page <= PAGE_EXIT) || page == PAGE_TWO_PLAYERS || page == PAGE_HOSTING ||
           page == PAGE_JOIN;
}

// The glow goes to the nearest item whose centre lies that way, nearness
// counting a step aside twice a step ahead, so a straight line wins over a
// diagonal; with nothing under the glow, to the page's first item: the leftmost
// of its topmost row. Every move that finds an item plays the hover sound.
void moveMenuGlow(int across, int down) {
    if (!game.menuActive || !pageHasItems(game.menuPage)) return;
    const bool fromItem = game.glowVisible && game.menuItem >= 0 && menuItems[game.menuItem].page == game.menuPage;
    int best = -1;
    f32 bestScore = 0.0f;
    for (int index = 0; index < MENU_ITEMS; index++) {
        const MenuItem& item = menuItems[index];
        if (!itemShown(item) || (fromItem && index == game.menuItem)) continue;
        f32 score;
        if (!fromItem) {
            score = item.top * 1000.0f + item.left;
        } else {
            const MenuItem& from = menuItems[game.menuItem];
            f32 dx = (item.left + item.right - from.left - from.right) / 2.0f;
            f32 dy = (item.top + item.bottom - from.top - from.bottom) / 2.0f;
            f32 ahead = across ? dx * (f32)across : dy * (f32)down;
            f32 aside = across ? dy : dx;
            if (ahead <= 0.0f) continue;
            score = ahead + 2.0f * (aside < 0.0f ? -aside : aside);
        }
        if (best < 0 || score < bestScore) {
            best = index;
            bestScore = score;
        }
    }
    if (best < 0) return;
    forgetHoverTarget();
    game.hoverSoundArmed = 1;
    applyHit(best);
}
