// A whole single-player match, played through the idle step against a scripted, imperfect player 1.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/game_state.h"
#include "assets/sound.h"
#include "match/clock.h"
#include "match/flow.h"
#include "render/text.h"
#include "support/fake_platform.h"

// Player 1 follows the ball while it comes, aiming a bat-relative spot chosen
// afresh each rally: mostly the middle, sometimes an edge, now and then too far.
struct ScriptedPlayer {
    uint32_t state = 12345;
    float aim = 0;
    int nextRand(int n) {
        state = state * 1103515245u + 12345u;
        return (int)((state >> 16) % (uint32_t)n);
    }
    void newRally() { aim = (nextRand(29) - 14) * 0.01f; }  // -0.14 .. 0.14
    void play() {
        game.keyHeld[game.p1Up] = game.keyHeld[game.p1Down] = game.keyHeld[game.p1Pass] = 0;
        if (!game.ballInPlay && game.ballX <= 0.01f) {
            game.keyHeld[game.p1Pass] = nextRand(20) == 0;  // takes a moment before serving
            return;
        }
        if (game.ballVelX >= 0 || game.ballX > 1.1f) return;  // reacts late, only to a coming ball
        const float target = game.ballY - aim;
        if (target > game.p1BatY + 0.01f) game.keyHeld[game.p1Up] = 1;
        if (target < game.p1BatY - 0.01f) game.keyHeld[game.p1Down] = 1;
    }
};

class WholeMatch : public ::testing::TestWithParam<float> {};

TEST_P(WholeMatch, EndsWithThreeGamesAndReturnsToTheMainMenu) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.difficulty = GetParam();
    game.playground = 2;
    game.vsComputer = 1;
    game.p2Human = 0;
    game.menuPage = 1;  // the playground choice that started it
    resetMatch();
    game.matchActive = 1;
    fake::ticks = 30000;

    ScriptedPlayer player;
    player.newRally();
    int p1Won = 0, p2Won = 0;
    uint32_t rallyStart = fake::ticks, longestRally = 0;
    bool gameOverShown = false;
    for (int n = 0; game.matchActive && n < 1000000; n++) {
        player.play();
        const i32 pending = game.pointPending;
        fake::ticks += 8 + n % 8;  // uneven frames of 8 to 15 ms
        onIdle();
        settleGames();  // the frame drawn after the step
        if (pending && !game.pointPending) {
            (game.ballX > 1.61f ? p1Won : p2Won) += 1;
            longestRally = std::max(longestRally, fake::ticks - rallyStart);
        }
        if (!pending && game.pointPending) {
            rallyStart = fake::ticks;
            player.newRally();
        }
        gameOverShown |= game.matchActive && (game.p1Games == 3 || game.p2Games == 3);
    }

    ASSERT_FALSE(game.matchActive);
    EXPECT_TRUE(gameOverShown);
    EXPECT_TRUE(game.p1Games == 3 || game.p2Games == 3);
    EXPECT_GT(p1Won, 0);
    EXPECT_GT(p2Won, 0);
    EXPECT_GE(p1Won + p2Won, 15);
    EXPECT_LT(longestRally, 60000u);
    EXPECT_LT(fake::ticks - 30000, 15u * 60 * 1000);

    int outSounds = 0;
    for (const PlatformCall& c : callsOf("play"))
        if (c.channel == CHANNEL_OUT) {
            outSounds++;
            EXPECT_EQ(c.chunk, fakeChunk(SOUND_GROUND2_OUT));
        }
    EXPECT_EQ(outSounds, p1Won + p2Won);
    EXPECT_EQ(callsOf("delay").size(), 1u);
    EXPECT_TRUE(game.menuActive);
    EXPECT_EQ(game.menuPage, 0);
    auto fadeOuts = callsOf("fadeOut");
    ASSERT_EQ(fadeOuts.size(), 1u);
    EXPECT_EQ(fadeOuts[0].channel, CHANNEL_GROUND_MUSIC);
    auto fadeIns = callsOf("fadeIn");
    ASSERT_EQ(fadeIns.size(), 1u);
    EXPECT_EQ(fadeIns[0].channel, CHANNEL_MENU_MUSIC);
    auto cursors = callsOf("cursor");
    ASSERT_EQ(cursors.size(), 1u);
    EXPECT_EQ(cursors[0].ms, GLUT_CURSOR_RIGHT_ARROW);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, WholeMatch, ::testing::Values(9.0f, 11.0f, 13.0f));
