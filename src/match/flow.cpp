// The intro animation and the flow of a match: serve, rally, points, games and the end.
#include "match/flow.h"

#include <GL/freeglut.h>

#include "app/game_state.h"
#include "app/platform.h"
#include "assets/sound.h"
#include "assets/textures.h"
#include "input/pads.h"
#include "match/ball.h"
#include "match/bats.h"
#include "match/clock.h"
#include "net/session.h"

// The ball has left the field once it is beyond one of these lines.
static const double OUT_BEHIND_P1 = -0.17;
static const double OUT_BEHIND_P2 = 1.61;

// Where the logos meet edge to edge, and where the first one has left the screen.
static const float LOGOS_MEET_X = 320.0f;
static const float LOGO_GONE_X = -300.0f;
static const int INTRO_SHAKES = 16;

// Games that win the match.
static const int GAMES_TO_WIN = 3;
// How long the last frame, with "GAME OVER", stays before the menu returns.
static const uint32_t GAME_OVER_STAND_STILL_MS = 1500;

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
        if (game.introLogo1X < LOGO_GONE_X) {
            game.introActive = 0;
            game.menuActive = 1;
            platform.setCursor(GLUT_CURSOR_RIGHT_ARROW);
            fadeInMenuMusic();
        }
    }
}

void resetMatch() {
    game.p1BatY = 0;
    game.p2BatY = 0;
    game.ballX = 0;
    game.ballY = 0;
    game.ballVelX = 0;
    game.ballVelY = 0;
    game.ballAngle = 180;
    game.p1Points = 0;
    game.p2Points = 0;
    game.pointPending = 1;
    game.p1Games = 0;
    game.p2Games = 0;
    game.ballInPlay = 0;
    game.pointDelayMs = 0;  // a pending after-point wait must not carry into the new match
}

void returnToMenu() {
    endNetworkMatch();
    if (game.playground == 2) freePlayground2Textures();
    if (game.playground == 1) freePlayground1Textures();
    game.matchActive = 0;
    game.cameraMode = 0;
    releasePads();  // the next match starts with nothing held
    game.menuActive = 1;
    platform.setCursor(GLUT_CURSOR_RIGHT_ARROW);
    game.menuPage = 0;
    if (game.music) {
        platform.fadeOutChannel(CHANNEL_GROUND_MUSIC, 1000);
        fadeInMenuMusic();
    }
    if (game.netRole == NET_ROLE_GUEST) showWaitingScreen();  // a guest has no menu
}

// The playground's out sound, once per point.
void playOutSound() {
    if (!game.effects) return;
    if (game.playground == 1) platform.playChannelTimed(CHANNEL_OUT, game.soundChunks[SOUND_GROUND1_OUT], 0, -1);
    if (game.playground == 2) platform.playChannelTimed(CHANNEL_OUT, game.soundChunks[SOUND_GROUND2_OUT], 0, -1);
}

// While the ball is out, the after-point timer runs every step; the point
// itself is credited, and its sound played, only in the first of them.
static void creditPoint(i32* winnerPoints) {
    runPointDelay();
    *winnerPoints += game.pointPending;
    if (game.pointPending > 0) {
        playOutSound();
        game.matchSounds[MATCH_SOUND_OUT]++;
    }
    game.pointPending = 0;
}

// The next rally: ball and bats back in the middle, the ball on the winner's line.
static void setUpRally(float ballX, float ballAngle) {
    game.pointDelayDone = 0;
    game.ballX = ballX;
    game.ballY = 0;
    game.ballVelX = 0;
    game.ballVelY = 0;
    game.ballAngle = ballAngle;
    game.pointPending = 1;
    game.p1BatY = 0;
    game.p2BatY = 0;
}

// The games are settled by the score display while it draws; once a side has
// won the match, the last frame stays on screen a moment before the menu returns.
static void checkMatchOver() {
    if (game.p1Games != GAMES_TO_WIN && game.p2Games != GAMES_TO_WIN) return;
    platform.delay(GAME_OVER_STAND_STILL_MS);
    returnToMenu();
}

void stepMatch() {
    // The ground animation changes frame every 35 ms of game time.
    if (game.animClockMs >= 35) {
        game.animFrame += 1;
        game.animClockMs = 0;
    }
    if (game.animFrame == 6) game.animFrame = 0;

    // A held ball waits on the serving bat, which the bat step moves and serves.
    if (!game.ballInPlay) return;

    // Flight. Beyond the end lines the ball hangs where it is until the next rally.
    if (game.ballX >= OUT_BEHIND_P1 && game.ballX <= OUT_BEHIND_P2) {
        if (game.vsComputer && game.computerTracking) moveComputerBat();
        stepBall();
        advanceBall();
    }

    // Scoring, each test on the values as the one before left them.
    if (game.ballX < OUT_BEHIND_P1 && !game.pointDelayDone) creditPoint(&game.p2Points);
    if (game.ballX > OUT_BEHIND_P2 && !game.pointDelayDone) creditPoint(&game.p1Points);
    if (game.ballX < OUT_BEHIND_P1 && game.pointDelayDone) {
        // Player 2 won the point and serves: a human with the pass key, the computer at once.
        setUpRally(1.45f, 0);
        if (!game.vsComputer) game.ballInPlay = 0;
        checkMatchOver();
    }
    if (game.ballX > OUT_BEHIND_P2 && game.pointDelayDone) {
        // Player 1 won the point and serves with the pass key.
        setUpRally(0, 180);
        game.ballInPlay = 0;
        checkMatchOver();
    }
}
