// The flow of a match: its start, serve, rally, points, games and its end.
//
// A match is started, stepped and ended by its driver (the program's idle step,
// the network session, a watched replay); it knows nothing of what shows before
// or after it. When it ends itself (three games won), its driver finds it no
// longer active.
#include "match/flow.h"

#include <GL/freeglut.h>

#include "core/game_state.h"
#include "core/platform.h"
#include "assets/sound.h"
#include "assets/textures.h"
#include "match/ball.h"
#include "match/bats.h"
#include "match/clock.h"
#include "match/keeping.h"

// The ball has left the field once it is beyond one of these lines.
static const double OUT_BEHIND_P1 = -0.17;
static const double OUT_BEHIND_P2 = 1.61;

// Games that win the match.
static const int GAMES_TO_WIN = 3;
// How long the last frame, with "GAME OVER", stays before the menu returns.
static const uint32_t GAME_OVER_STAND_STILL_MS = 1500;
static const int GAME_OVER_STEPS = GAME_OVER_STAND_STILL_MS / FIXED_STEP_MS;

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
    resetMatch();
    game.matchActive = 1;
    platform.setCursor(GLUT_CURSOR_NONE);  // no pointer during play
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
    // A new match counts its own steps and sounds, in the local way until told otherwise.
    game.pointDelayDone = 0;
    game.computerTracking = 0;
    for (u8& count : game.matchSounds) count = 0;
    game.stepsFixed = 0;
    game.matchStep = 0;
    game.gameOverSteps = 0;
    game.matchOver = 0;
    game.stepInputGiven = 0;
}

void endMatch() {
    finishKeptReplay(game);
    if (game.playground == 2) freePlayground2Textures();
    if (game.playground == 1) freePlayground1Textures();
    game.matchActive = 0;
    game.cameraMode = 0;
    game.stepInputGiven = 0;
    // The playground's music gives way to the tune that plays between matches.
    if (game.music) {
        platform.fadeOutChannel(CHANNEL_GROUND_MUSIC, 1000);
        fadeInMenuMusic();
    }
}

// The playground's out sound, once per point.
void playOutSound() {
    if (!game.effects) return;
    if (game.playground == 1) platform.playChannelTimed(CHANNEL_OUT, game.soundChunks[SOUND_GROUND1_OUT], 0, -1);
    if (game.playground == 2) platform.playChannelTimed(CHANNEL_OUT, game.soundChunks[SOUND_GROUND2_OUT], 0, -1);
}

// Each sound whose count moved since the last frame plays once; a count that a
// correction took back is only noted, so the next true sound is heard.
void playCountedSounds(u8* played) {
    void (*const play[MATCH_SOUNDS])() = {playBatSound, playBoardSound, playOutSound};
    for (int kind = 0; kind < MATCH_SOUNDS; kind++) {
        const u8 gained = (u8)(game.matchSounds[kind] - played[kind]);
        if (gained > 0 && gained < 128) play[kind]();
        played[kind] = game.matchSounds[kind];
    }
}

// While the ball is out, the after-point timer runs every step; the point
// itself is credited, and its sound played, only in the first of them.
static void creditPoint(i32* winnerPoints) {
    runPointDelay();
    *winnerPoints += game.pointPending;
    if (game.pointPending > 0) {
        if (!game.stepsFixed) playOutSound();  // in fixed steps its driver plays it, once
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

// Five points win a game. Points are settled in the step that scores them,
// and again when a frame is drawn; settling from 5 up keeps a game (and the
// match) from running on for ever should two points ever come between settlings.
void settleGames() {
    if (game.p1Points >= 5) {
        game.p1Points = 0;
        game.p2Points = 0;
        game.p1Games += 1;
    }
    if (game.p2Points >= 5) {
        game.p2Points = 0;
        game.p1Points = 0;
        game.p2Games += 1;
    }
}

// Once a side has won the match, the last frame stays on screen a moment before
// the match ends. A local match stands the whole program still; a match in
// fixed steps counts the moment in steps, and its driver then ends it.
static void checkMatchOver() {
    if (game.p1Games != GAMES_TO_WIN && game.p2Games != GAMES_TO_WIN) return;
    if (game.stepsFixed) {
        game.gameOverSteps = GAME_OVER_STEPS;
        return;
    }
    platform.delay(GAME_OVER_STAND_STILL_MS);
    endMatch();
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
    // The score is settled here, so that a match played without frames (a
    // replay checked headless, a network step run again) counts its games alike.
    settleGames();
}

void runGivenStep() {
    game.stepInputGiven = 1;
    game.stepInput.readingsUsed = 0;
    game.animClockMs += game.frameDelta;
    if (game.gameOverSteps > 0) {
        // "GAME OVER" stands: nothing moves until the count runs out.
        if (--game.gameOverSteps == 0) game.matchOver = 1;
    } else if (!game.stepInput.paused && !game.matchOver) {
        stepMatch();
        if (game.matchActive && game.gameOverSteps == 0) moveBats();
    }
    game.matchStep++;
}
