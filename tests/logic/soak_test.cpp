// Ten minutes of game time of the computer against a scripted player, on the stand-in clock: no rally gets stuck.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/events.h"
#include "core/game_state.h"
#include "assets/sound.h"
#include "match/clock.h"
#include "match/flow.h"
#include "render/text.h"
#include "support/fake_platform.h"

namespace {

// Its own small generator, so the run is the same on every platform.
struct Dice {
    uint32_t state;
    int roll(int n) {
        state = state * 1103515245u + 12345u;
        return (int)((state >> 16) % (uint32_t)n);
    }
};

// Player 1 as a person plays: waits a moment before serving, sometimes steering
// the serve; follows a coming ball late and not always well (aiming a spot on
// the bat chosen afresh each rally, edges and misses included); and now and then
// holds up and down together or freezes the match in camera mode for a while.
struct ScriptedPlayer {
    Dice dice{2024};
    float aim = 0;
    int cameraStepsLeft = 0;

    void newRally() { aim = (dice.roll(31) - 15) * 0.01f; }  // -0.15 .. 0.15 from the bat's centre

    void play() {
        game.keyHeld[game.p1Up] = game.keyHeld[game.p1Down] = game.keyHeld[game.p1Pass] = 0;
        if (cameraStepsLeft > 0 && --cameraStepsLeft == 0) game.cameraMode = 0;
        if (!game.cameraMode && dice.roll(20000) == 0) {
            game.cameraMode = 1;  // as F1 does
            cameraStepsLeft = 50 + dice.roll(300);
        }
        if (!game.ballInPlay && game.ballX <= 0.01f) {
            if (dice.roll(30) == 0) {
                game.keyHeld[game.p1Pass] = 1;
                int steer = dice.roll(3);
                if (steer == 1) game.keyHeld[game.p1Up] = 1;
                if (steer == 2) game.keyHeld[game.p1Down] = 1;
            }
            return;
        }
        if (dice.roll(500) == 0) game.keyHeld[game.p1Up] = game.keyHeld[game.p1Down] = 1;
        if (game.ballVelX >= 0 || game.ballX > 1.0f) return;
        const float target = game.ballY - aim;
        if (target > game.p1BatY + 0.01f) game.keyHeld[game.p1Up] = 1;
        if (target < game.p1BatY - 0.01f) game.keyHeld[game.p1Down] = 1;
    }
};

}  // namespace

TEST(Soak, TenMinutesOfPlayWithoutAStuckRally) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.vsComputer = 1;
    game.p2Human = 0;
    fake::ticks = 5000;

    const uint32_t tenMinutes = 10 * 60 * 1000;
    const uint32_t start = fake::ticks;
    // Ball and bats at a speed of 0.02 / 13 units a millisecond at the slowest
    // cross the field in about a second; a rally of a minute is a long one.
    const uint32_t longestAllowed = 60 * 1000;

    ScriptedPlayer player;
    Dice frames{77};
    const float difficulties[] = {9.0f, 11.0f, 13.0f};
    int matches = 0, points = 0, batHits = 0;
    uint32_t longestRally = 0, longestWait = 0;

    while (fake::ticks - start < tenMinutes) {
        // A new match each time the last one ended: the playgrounds and the
        // difficulties take turns.
        game.playground = 1 + matches % 2;
        game.difficulty = difficulties[matches % 3];
        game.menuActive = 0;
        resetMatch();
        game.matchActive = 1;
        matches++;
        player.newRally();

        uint32_t rallyStart = fake::ticks;  // from the set-up of a rally to its point
        uint32_t held = 0;
        while (game.matchActive && fake::ticks - start < tenMinutes) {
            player.play();
            const i32 pending = game.pointPending;
            const size_t callsBefore = fake::calls.size();
            // Uneven frames: mostly quick, some slower than the 15 ms cap.
            fake::ticks += 1 + (uint32_t)frames.roll(frames.roll(10) == 0 ? 40 : 14);
            onAppIdle();
            settleGames();  // the frame drawn after the step
            for (size_t c = callsBefore; c < fake::calls.size(); c++)
                if (fake::calls[c].function == "play" && fake::calls[c].channel == CHANNEL_BAT) batHits++;

            // The ball never leaves the field by more than a step, nor passes a side board.
            ASSERT_GE(game.ballX, -0.17f - 0.04f);
            ASSERT_LE(game.ballX, 1.61f + 0.04f);
            ASSERT_LE(std::fabs(game.ballY), 0.475f);
            ASSERT_LE(std::fabs(game.p2BatY), 0.4f);

            if (pending && !game.pointPending) {
                points++;
                longestRally = std::max(longestRally, fake::ticks - rallyStart);
                ASSERT_LT(fake::ticks - rallyStart, longestAllowed)
                    << "a rally went on for " << fake::ticks - rallyStart << " ms";
            }
            if (!pending && game.pointPending) {
                rallyStart = fake::ticks;
                player.newRally();
            }
            if (pending && !game.pointDelayMs && fake::ticks - rallyStart >= longestAllowed)
                FAIL() << "no point for " << fake::ticks - rallyStart << " ms at match " << matches;
            // A held ball is served within a bounded time by the scripted player.
            held = game.ballInPlay ? 0 : held + 1;
            longestWait = std::max(longestWait, held);
        }
        // Nothing carries one match's camera mode into the next.
        if (!game.matchActive) {
            EXPECT_EQ(game.cameraMode, 0);
        }
        game.cameraMode = 0;
    }

    EXPECT_GE(fake::ticks - start, tenMinutes);
    EXPECT_GE(matches, 3) << "ten minutes should hold several whole matches";
    RecordProperty("matches", matches);
    RecordProperty("points", points);
    RecordProperty("longestRallyMs", (int)longestRally);
    std::printf("%d matches, %d points, %d bat hits, longest rally %u ms\n", matches, points, batHits, longestRally);
    EXPECT_GE(points, 60);
    EXPECT_GT(batHits, points) << "rallies with returns, not only serves";
    EXPECT_LT(longestRally, longestAllowed);
    EXPECT_LT(longestWait, 2000u) << "a held ball waited too many steps";
    // Every match that ended by itself stood still once with "GAME OVER".
    EXPECT_EQ(callsOf("delay").size(), (size_t)(matches - (game.matchActive ? 1 : 0)));
}
