// The intro: two logos slide together with a bang and shake, the background fades to black, and they slide apart.
#include "menu/intro.h"

#include <GL/freeglut.h>

#include "assets/sound.h"
#include "core/game_state.h"
#include "core/platform.h"

// Where the logos meet edge to edge, and where the first one has left the screen.
static const float LOGOS_MEET_X = 320.0f;
static const float LOGO_GONE_X = -300.0f;
static const int INTRO_SHAKES = 16;

void stepIntro() {
    // Slide in: both logos travel 0.3 units per millisecond toward the middle.
    if (game.introSliding) {
        float slide = game.frameDelta / 10 * 3;
        game.introLogo1X += slide;
        game.introLogo2X -= slide;
        if (game.introLogo1X > LOGOS_MEET_X) {
            game.introLogo1X = LOGOS_MEET_X;
            game.introLogo2X = -LOGOS_MEET_X;
            game.introSliding = 0;
            if (game.effects) platform.playChannelTimed(CHANNEL_MENU_MUSIC, game.soundChunks[SOUND_EXPLODE], 0, -1);
        }
    }
    // Shake: the animation clock was not reset while sliding, so the first
    // shake comes in the very step the logos meet.
    if (!game.introSliding && game.introShakeCount < INTRO_SHAKES && game.animClockMs > 20) {
        game.introShake = -game.introShake;
        game.introLogo1X += game.introShake;
        game.introLogo2X += game.introShake;
        game.introShakeCount += 1;
        game.animClockMs = 0;
    }
    // Fade the background to black, one small step each time 5 ms have gathered.
    if (game.introShakeCount >= INTRO_SHAKES && game.animClockMs > 5) {
        if (game.introClearRed > 0) game.introClearRed -= 0.002;
        if (game.introClearBlue > 0) game.introClearBlue -= 0.002;
        game.animClockMs = 0;
    }
    // Slide out once the background is all but black; then the menu takes over.
    if (game.introClearRed < 0.1 && game.introClearBlue < 0.01) {
        float slide = game.frameDelta / game.difficulty * 3;
        game.introLogo1X -= slide;
        game.introLogo2X += slide;
        if (game.introLogo1X < LOGO_GONE_X) endIntro();
    }
}

void endIntro() {
    game.introActive = 0;
    game.menuActive = 1;
    platform.setCursor(GLUT_CURSOR_RIGHT_ARROW);
    fadeInMenuMusic();
}
