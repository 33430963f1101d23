// The bats, the serve, the computer opponent and the camera keys.
#include "match/bats.h"

#include <GL/freeglut.h>

#include "core/game_state.h"

// A bat's centre stays within this distance of the field's middle line.
static const double BAT_BOUND = 0.4;
// A held ball belongs to player 1 up to this x, to player 2 from the second.
static const double P1_HOLDS_UP_TO = 0.01;
static const double P2_HOLDS_FROM = 1.43;
// The zoom stops once it has passed these (it is tested before it moves).
static const double ZOOM_IN_LIMIT = 1.0;
static const double ZOOM_OUT_LIMIT = -2.0;
// Keys of the camera; fixed, unlike the players' bindings.
static const int KEY_ZOOM_IN = '+';
static const int KEY_ZOOM_OUT = '-';

// One bat step up or down, cut at the bounds.
static void batUp(f32* batY, double step) {
    if (*batY + step > BAT_BOUND)
        *batY = (float)BAT_BOUND;
    else
        *batY += step;
}

static void batDown(f32* batY, double step) {
    if (*batY - step < -BAT_BOUND)
        *batY = (float)-BAT_BOUND;
    else
        *batY -= step;
}

// A ball waiting to be served rides on the centre of the bat that holds it.
static void p1Carries() {
    if (!game.ballInPlay && game.ballX <= P1_HOLDS_UP_TO) game.ballY = game.p1BatY;
}

static void p2Carries() {
    if (!game.ballInPlay && game.ballX >= P2_HOLDS_FROM) game.ballY = game.p2BatY;
}

void moveBats() {
    double step = game.frameDelta / game.difficulty * 0.01;

    if (p1HoldsUp()) {
        batUp(&game.p1BatY, step);
        p1Carries();
    }
    if (p1HoldsDown()) {
        batDown(&game.p1BatY, step);
        p1Carries();
    }
    if (p1HoldsPass() && !game.ballInPlay && game.ballX <= P1_HOLDS_UP_TO) game.ballInPlay = 1;

    if (p2HoldsUp() && game.p2Human) {
        batUp(&game.p2BatY, step);
        p2Carries();
    }
    if (p2HoldsDown() && game.p2Human) {
        batDown(&game.p2BatY, step);
        p2Carries();
    }
    if (p2HoldsPass() && game.p2Human && !game.ballInPlay && game.ballX >= P2_HOLDS_FROM)
        game.ballInPlay = 1;
}

void moveCamera() {
    float turn = game.frameDelta / 20 * 2.5f;
    if (keyIsHeld(GLUT_KEY_LEFT)) game.camAngleY -= turn;
    if (keyIsHeld(GLUT_KEY_RIGHT)) game.camAngleY += turn;
    if (keyIsHeld(GLUT_KEY_UP)) game.camAngleX -= turn;
    if (keyIsHeld(GLUT_KEY_DOWN)) game.camAngleX += turn;
    if (keyIsHeld(GLUT_KEY_PAGE_DOWN)) game.camAngleZ -= turn;
    if (keyIsHeld(GLUT_KEY_END)) game.camAngleZ += turn;
    if (keyIsHeld(KEY_ZOOM_IN) && game.camZoom < ZOOM_IN_LIMIT) game.camZoom += game.frameDelta / 20 * 0.1;
    if (keyIsHeld(KEY_ZOOM_OUT) && game.camZoom > ZOOM_OUT_LIMIT) game.camZoom -= game.frameDelta / 20 * 0.1;
}

void moveBatsAndCamera() {
    if (!game.matchActive) return;
    if (game.cameraMode)
        moveCamera();
    else
        moveBats();
}

void moveComputerBat() {
    // The computer's pace relative to a human bat: quicker on hard, slower on easy.
    double gain;
    if (game.difficulty < 10)
        gain = 0.0105;
    else if (game.difficulty > 12)
        gain = 0.007;
    else
        gain = 0.009;
    double step = game.frameDelta / game.difficulty * gain;

    // It aims the bat's centre at where the ball is now, with no look-ahead.
    if (game.ballY > game.p2BatY)
        batUp(&game.p2BatY, step);
    else if (game.ballY < game.p2BatY)
        batDown(&game.p2BatY, step);
}
