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
        startMatch();  // the page stays 10 while the match runs
    } else if (game.menuPage == ACTION_QUIT) {
        quitGame();
    } else if (game.hoverOnDifficulty) {
        game.difficulty = game.hoverDifficulty;
    }
}

// The playground's two coloured lights and the shared ambient light.
static void setPlaygroundLights(const f32* light1Color, const f32* light2Color) {
    glLightf(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, 0.2f);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light1Color);
    glLightf(GL_LIGHT2, GL_QUADRATIC_ATTENUATION, 0.2f);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, light2Color);
    glLightfv(GL_LIGHT3, GL_AMBIENT, game.light3Ambient);
}

// Fades the playground's music in on its channel; it repeats for ever.
static void fadeInGroundMusic(int chunk) {
    if (game.music)
        platform.fadeInChannelTimed(CHANNEL_GROUND_MUSIC, game.soundChunks[chunk], -1, 1000, -1);
}

void startMatch() {
    if (game.music) platform.fadeOutChannel(CHANNEL_MENU_MUSIC, 1000);
    if (game.playground == 2) {
        setPlaygroundLights(game.ground2Light1Color, game.ground2Light2Color);
        loadPlayground2Textures();
        fadeInGroundMusic(SOUND_GROUND2_MUSIC);
    }
    if (game.playground == 1) {
        setPlaygroundLights(game.ground1Light1Color, game.ground1Light2Color);
        loadPlayground1Textures();
        fadeInGroundMusic(SOUND_GROUND1_MUSIC);
    }
    game.menuActive = 0;
    resetMatch();
    game.matchActive = 1;
    beginNetworkMatch();
    platform.setCursor(GLUT_CURSOR_NONE);  // no pointer during play
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
