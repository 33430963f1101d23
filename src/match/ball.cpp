// The ball: bat hits, side boards, the heading and the step's velocity.
#include "match/ball.h"

#include <cmath>

#include "core/game_state.h"
#include "core/platform.h"
#include "assets/sound.h"
#include "match/clock.h"

// Bat lines: the ball lies on x = 0 for player 1's bat and x = 1.45 for player 2's.
static const double P1_LINE = 0.0;
static const double P2_LINE = 1.45;
// How far along x a bat reaches: player 1's from -0.035 up to (not including)
// 0.001, player 2's from beyond 1.449 up to 1.485.
static const double P1_REACH_BACK = -0.035;
static const double P1_REACH_FRONT = 0.001;
static const double P2_REACH_FRONT = 1.449;
static const double P2_REACH_BACK = 1.485;
// Half a bat's length, and where its two edges begin.
static const double BAT_HALF = 0.115;
static const double BAT_EDGE = 0.1;
// A ball this close to a side board bounces off it.
static const double BOARD_TOUCH = 0.474;
// The ball's centre never goes beyond this across the field.
static const double BOARD_STOP = 0.475;
static const double PI = 3.1416;

// The current playground's sound of one kind, or none outside a playground.
static Mix_Chunk* groundSound(int ground1Chunk, int ground2Chunk) {
    if (game.playground == 1) return game.soundChunks[ground1Chunk];
    if (game.playground == 2) return game.soundChunks[ground2Chunk];
    return nullptr;
}

// An effect sound that never restarts over itself.
static void playOnSilentChannel(int channel, int ground1Chunk, int ground2Chunk) {
    if (!game.effects) return;
    if (game.playground != 1 && game.playground != 2) return;
    if (platform.playing(channel)) return;
    platform.playChannelTimed(channel, groundSound(ground1Chunk, ground2Chunk), 0, -1);
}

void playBatSound() { playOnSilentChannel(CHANNEL_BAT, SOUND_GROUND1_BAT, SOUND_GROUND2_BAT); }
void playBoardSound() { playOnSilentChannel(CHANNEL_BOARD, SOUND_GROUND1_BOARD, SOUND_GROUND2_BOARD); }

// ---- The spread generator --------------------------------------------------
// The C library's additive generator, kept in the match record so that a match
// can be copied, replayed and run on two machines alike: 31 words, each new
// value the sum of the words three and thirty-one places back, seeded by the
// minimal standard generator and stirred 310 times, so that it draws exactly
// what rand() draws after srand() with the same seed.

void seedSpread(uint32_t seed) {
    int32_t word = (int32_t)(seed == 0 ? 1 : seed);
    game.spreadTable[0] = word;
    for (int i = 1; i < SPREAD_WORDS; i++) {
        // 16807 * word mod (2^31 - 1), without overflow.
        int32_t hi = word / 127773;
        int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        game.spreadTable[i] = word;
    }
    game.spreadFront = 3;
    game.spreadRear = 0;
    game.spreadSeeded = 1;
    for (int i = 0; i < 10 * SPREAD_WORDS; i++) drawSpread();
}

int drawSpread() {
    if (!game.spreadSeeded) seedSpread(1);
    uint32_t value = (uint32_t)game.spreadTable[game.spreadFront] + (uint32_t)game.spreadTable[game.spreadRear];
    game.spreadTable[game.spreadFront] = (int32_t)value;
    if (++game.spreadFront >= SPREAD_WORDS) game.spreadFront = 0;
    if (++game.spreadRear >= SPREAD_WORDS) game.spreadRear = 0;
    return (int)(value >> 1);
}

// The heading's direction across the field: positive toward +y.
static double headingAcross() { return sin(game.ballAngle / 180 * PI); }

void stepBall() {
    bool hit = false;
    bool edge = false;

    // Bat 1: a hit near either end sends the ball off at a fixed 40 degrees.
    if (game.ballX >= P1_REACH_BACK && game.ballX < P1_REACH_FRONT) {
        if (game.p1BatY - BAT_HALF <= game.ballY && game.ballY <= game.p1BatY + BAT_HALF) {
            game.computerTracking = 1;
            hit = true;
        }
        if (game.p1BatY + BAT_EDGE <= game.ballY && game.ballY <= game.p1BatY + BAT_HALF) {
            game.ballAngle = 40;
            edge = true;
        }
        if (game.p1BatY - BAT_HALF <= game.ballY && game.ballY <= game.p1BatY - BAT_EDGE) {
            game.ballAngle = 320;
            edge = true;
        }
    }
    // Bat 2: the computer's returns carry an extra spread of -19..20 degrees,
    // drawn from the sequence the previous hit left.
    if (game.ballX > P2_REACH_FRONT && game.ballX <= P2_REACH_BACK) {
        if (game.p2BatY - BAT_HALF <= game.ballY && game.ballY <= game.p2BatY + BAT_HALF) {
            game.computerTracking = 0;
            hit = true;
            if (game.vsComputer) {
                int spread = drawSpread() % 40;
                if (spread > 20) spread -= 40;
                game.ballAngle += spread;
            }
        }
        if (game.p2BatY + BAT_EDGE <= game.ballY && game.ballY <= game.p2BatY + BAT_HALF) {
            game.ballAngle = 140;
            edge = true;
        }
        if (game.p2BatY - BAT_HALF <= game.ballY && game.ballY <= game.p2BatY - BAT_EDGE) {
            game.ballAngle = 220;
            edge = true;
        }
    }

    // A middle hit mirrors the heading with a small spread, and the hitting
    // player may bend it with their up or down key.
    if (hit && !edge) {
        // A local match reseeds from the clock at every middle hit; a match in
        // fixed steps draws on from the seed its start gave.
        if (!game.stepsFixed) seedSpread(matchTicks());
        int spread = drawSpread() % 20;
        if (spread > 10) spread -= 20;
        game.ballAngle += spread;

        if (game.ballAngle > 180)
            game.ballAngle = 540 - game.ballAngle;
        else
            game.ballAngle = 180 - game.ballAngle;

        if (game.ballX < P1_REACH_FRONT) {
            if (p1HoldsUp()) game.ballAngle += 20;
            if (p1HoldsDown()) game.ballAngle -= 20;
            if (game.ballAngle > 40 && game.ballAngle <= 90) game.ballAngle = 40;
            if (game.ballAngle >= 270 && game.ballAngle < 320) game.ballAngle = 320;
        }
        if (game.ballX > P2_REACH_FRONT) {
            // Bat 2 sends toward -x, so up (toward +y) takes degrees away.
            if (!game.vsComputer) {
                if (p2HoldsUp()) game.ballAngle -= 20;
                if (p2HoldsDown()) game.ballAngle += 20;
            }
            if (game.ballAngle < 140) game.ballAngle = 140;
            if (game.ballAngle > 220) game.ballAngle = 220;
        }
    }

    // Side boards reverse the ball's way across the field. Only a ball headed
    // into the board turns: one already leaving it, but still within touching
    // distance after a short step, keeps its way instead of being sent back.
    bool intoUpperBoard = game.ballY >= BOARD_TOUCH && headingAcross() > 0;
    bool intoLowerBoard = game.ballY <= -BOARD_TOUCH && headingAcross() < 0;
    if (intoUpperBoard || intoLowerBoard) {
        // A match in fixed steps runs silently, maybe more than once for the same
        // step: its driver plays what the counts say, once.
        if (!game.stepsFixed) playBoardSound();
        game.matchSounds[MATCH_SOUND_BOARD]++;
        game.ballAngle = 360 - game.ballAngle;
    }

    // This step's move: the speed never changes, only the heading does.
    double step = game.frameDelta / game.difficulty * 0.02;
    game.ballVelX = (float)(cos(game.ballAngle / 180 * PI) * step);
    game.ballVelY = (float)(sin(game.ballAngle / 180 * PI) * step);

    // A hit never carries the ball back behind its bat's line: it is set on the
    // line for this step and met by the bat again in the next.
    if (hit) {
        if (game.ballX + game.ballVelX <= P1_LINE) {
            game.ballX = (float)P1_LINE;
            game.ballVelX = 0;
        }
        if (game.ballX + game.ballVelX >= P2_LINE) {
            game.ballX = (float)P2_LINE;
            game.ballVelX = 0;
        }
        if (!game.stepsFixed) playBatSound();
        game.matchSounds[MATCH_SOUND_BAT]++;
    }
}

// A step longer than a bat's reach is deep (a difficulty below about 8.3 in
// the settings file) could carry the ball from in front of a bat to behind it,
// so the bat would never meet it. Such a step is cut short on the bat's line,
// at the same heading: the next step finds the ball within the bat's reach and
// returns it if the bat covers it. At the menu's difficulties no step is that
// long, and nothing here changes.
static void stopAtBatLine() {
    double line;
    if (game.ballVelX < 0 && game.ballX >= P1_REACH_FRONT && game.ballX + game.ballVelX < P1_REACH_BACK)
        line = P1_LINE;
    else if (game.ballVelX > 0 && game.ballX <= P2_REACH_FRONT && game.ballX + game.ballVelX > P2_REACH_BACK)
        line = P2_LINE;
    else
        return;
    double share = (line - game.ballX) / game.ballVelX;
    game.ballVelX = (float)(line - game.ballX);
    game.ballVelY = (float)(game.ballVelY * share);
}

void advanceBall() {
    stopAtBatLine();
    game.ballX += game.ballVelX;
    if (game.ballY + game.ballVelY < -BOARD_STOP)
        game.ballY = (float)-BOARD_STOP;
    else if (game.ballY + game.ballVelY > BOARD_STOP)
        game.ballY = (float)BOARD_STOP;
    else
        game.ballY += game.ballVelY;
}
