// Mouse clicks in the menu: change page, store the difficulty, start a match or quit.
#include "menu/clicks.h"

#include <GL/freeglut.h>

#include "app/game_state.h"
#include "app/platform.h"
#include "app/settings.h"
#include "assets/sound.h"
#include "assets/textures.h"
#include "match/flow.h"
#include "net/session.h"
#include "render/lists.h"

enum { ACTION_START_MATCH = 10, ACTION_QUIT = 11 };

// The hover test has already decided where a click at the pointer leads; the
// click only applies it.
void onMouse(int button, int state, int, int) {
    if (button != GLUT_LEFT_BUTTON || state != GLUT_DOWN || !game.menuActive) return;
    // Hosting a two-player game, a playground starts nothing until the guest is here.
    if (game.menuHoverPage == ACTION_START_MATCH && waitingForGuest()) return;
    if (game.menuPage != game.menuHoverPage && game.effects)
        platform.playChannelTimed(CHANNEL_PAGE, game.soundChunks[SOUND_MENU_PAGE], 0, -1);
    game.menuPage = game.menuHoverPage;
    game.glowVisible = 0;  // hidden until the pointer moves again
    if (game.menuPage == ACTION_START_MATCH) {
        // Against the guest when hosting a two-player game; the page stays 10 while the match runs.
        if (!beginNetworkMatch()) startMatch();
    } else if (game.menuPage == ACTION_QUIT) {
        quitGame();
    } else if (game.hoverOnDifficulty) {
        game.difficulty = game.hoverDifficulty;
    }
}

void quitGame() {
    // Deleting a set that was never loaded, or is already gone, does no harm.
    freePlayground2Textures();
    freePlayground1Textures();
    freeBaseTextures();
    deleteDisplayLists();
    // The sound bank was opened at start-up only when either switch is on.
    if (game.music || game.effects) {
        platform.closeAudio();
        freeSounds();
    }
    // Settings that could not be saved are lost: the status says so.
    closeNetwork();
    platform.exitProgram(saveSettings() ? 0 : 1);
}
