// A whole single-player match, played through the idle step against a scripted, imperfect player 1; a
// two-player match in fixed steps rolled back at every step.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/events.h"
#include "core/game_state.h"
#include "assets/sound.h"
#include "match/clock.h"
#include "match/ball.h"
#include "match/flow.h"
#include "match/record.h"
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
        onAppIdle();
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

// A two-player match in fixed steps, as network play runs it, played straight
// through by two followers of the ball; then played again with every step rolled
// back 1 to 8 steps and run again from the copy kept before it. Both runs must
// end bit for bit alike, as must every step along the way: nothing the match
// reads may live outside its record.
TEST(FixedSteps, EveryStepRolledBackAndRunAgainEndsWhereTheStraightRunEnds) {
    auto start = [] {
        freshGame();
        game.introActive = 0;
        game.difficulty = 9;
        game.playground = 1;
        game.p2Human = 1;
        resetMatch();
        game.matchActive = 1;
        game.stepsFixed = 1;
        seedSpread(20261207);
        game.frameDelta = FIXED_STEP_MS;
    };
    auto step = [](u8 p1, u8 p2) {
        game.stepInput.holds[0] = p1;
        game.stepInput.holds[1] = p2;
        game.stepInput.paused = 0;
        runGivenStep();
    };
    auto bytes = [] {
        std::vector<uint8_t> out(MATCH_RECORD_BYTES);
        writeMatch(out.data(), game);
        return out;
    };
    // Each player follows the ball to a spot of the bat that changes with the points.
    auto follow = [](float bat, bool coming, bool serves, int aim) -> u8 {
        if (serves) return HOLD_PASS;
        if (!coming) return 0;
        const float target = game.ballY - (aim % 29 - 14) * 0.01f;
        return target > bat + 0.01f ? HOLD_UP : target < bat - 0.01f ? HOLD_DOWN : 0;
    };

    start();
    std::vector<std::pair<u8, u8>> holds;
    std::vector<uint32_t> sums;
    while (!game.matchOver && holds.size() < 200000) {
        const int aim = game.p1Points * 7 + game.p2Points * 3 + game.p1Games * 11 + game.p2Games * 5;
        const u8 p1 = follow(game.p1BatY, game.ballVelX < 0, !game.ballInPlay && game.ballX <= 0.01f, aim);
        const u8 p2 = follow(game.p2BatY, game.ballVelX > 0, !game.ballInPlay && game.ballX >= 1.43f, aim + 13);
        holds.push_back({p1, p2});
        step(p1, p2);
        sums.push_back(matchChecksum(game));
    }
    ASSERT_TRUE(game.matchOver);
    EXPECT_TRUE(game.p1Games == 3 || game.p2Games == 3);
    EXPECT_GT(game.matchSounds[MATCH_SOUND_BAT], 0);
    EXPECT_TRUE(callsOf("play").empty());  // steps in fixed steps play nothing themselves
    const std::vector<uint8_t> straight = bytes();

    start();
    MatchState kept[9];
    for (size_t s = 0; s < holds.size(); s++) {
        kept[s % 9] = game;
        step(holds[s].first, holds[s].second);
        const size_t back = std::min<size_t>(1 + s % 8, s + 1);
        static_cast<MatchState&>(game) = kept[(s + 1 - back) % 9];
        for (size_t again = s + 1 - back; again <= s; again++) {
            kept[again % 9] = game;
            step(holds[again].first, holds[again].second);
        }
        ASSERT_EQ(matchChecksum(game), sums[s]) << "step " << s;
    }
    EXPECT_EQ(bytes(), straight);
}
