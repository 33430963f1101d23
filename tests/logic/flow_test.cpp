// The flow of a match: a point and its wait, the next serve, games, camera mode, the end of the match.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/events.h"
#include "core/game_state.h"
#include "menu/clicks.h"
#include "assets/sound.h"
#include "match/clock.h"
#include "match/flow.h"
#include "render/text.h"
#include "support/fake_platform.h"

static void startMatch(int playground, bool vsComputer) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.playground = playground;
    game.vsComputer = vsComputer;
    game.p2Human = !vsComputer;
    resetMatch();
    game.matchActive = 1;
    fake::ticks = 5000;
}

// One idle step and the frame drawn after it.
static void frame(uint32_t ms = 10) {
    fake::ticks += ms;
    onAppIdle();
    settleGames();
}

// The ball flies toward one end with that end's bat out of the way.
static void ballHeadingOut(bool pastPlayer1) {
    game.ballInPlay = 1;
    game.ballX = pastPlayer1 ? 0.3f : 1.15f;
    game.ballAngle = pastPlayer1 ? 180.0f : 0.0f;
    (pastPlayer1 ? game.p1BatY : game.p2BatY) = 0.4f;
}

static int outSounds() {
    int n = 0;
    for (const PlatformCall& c : callsOf("play")) n += c.channel == CHANNEL_OUT;
    return n;
}

TEST(MatchFlow, PointCountedOnceThroughTheWaitAndTheWinnerServesFromTheirLine) {
    startMatch(1, false);
    game.p1Points = 4;
    game.p2Points = 4;
    ballHeadingOut(false);
    uint32_t creditedAt = 0;
    while (game.p1Games == 0) frame();
    creditedAt = fake::ticks;
    EXPECT_EQ(game.p1Points, 0);  // 5:4 settled into a game
    EXPECT_EQ(game.p2Points, 0);
    while (game.ballX > 1.61f) {
        frame();
        ASSERT_LT(fake::ticks - creditedAt, 2000u);
    }
    EXPECT_NEAR(fake::ticks - creditedAt, 1500.0, 10.0);
    EXPECT_EQ(game.p1Games, 1);
    EXPECT_EQ(game.p2Games, 0);
    ASSERT_EQ(outSounds(), 1);
    EXPECT_EQ(callsOf("play")[0].chunk, fakeChunk(SOUND_GROUND1_OUT));
    // Player 1 won: the ball waits on bat 1's line for the pass key.
    EXPECT_EQ(game.ballX, 0.0f);
    EXPECT_EQ(game.ballAngle, 180.0f);
    EXPECT_EQ(game.pointPending, 1);
    for (int i = 0; i < 20; i++) frame();
    EXPECT_FALSE(game.ballInPlay);
    EXPECT_EQ(game.ballX, 0.0f);
}

class PlayerTwoWins : public ::testing::TestWithParam<bool> {};

TEST_P(PlayerTwoWins, BallGoesToBatTwoAndOnlyTheComputerServesAtOnce) {
    const bool computer = GetParam();
    startMatch(2, computer);
    ballHeadingOut(true);
    while (game.p2Points == 0) frame();
    while (game.ballX < -0.17f) frame();
    EXPECT_EQ(game.p2Points, 1);
    EXPECT_EQ(game.p1Points, 0);
    ASSERT_EQ(outSounds(), 1);
    EXPECT_EQ(callsOf("play")[0].chunk, fakeChunk(SOUND_GROUND2_OUT));
    EXPECT_EQ(game.ballX, 1.45f);
    EXPECT_EQ(game.ballInPlay, computer ? 1 : 0);
    frame();
    if (computer) {
        EXPECT_LT(game.ballX, 1.45f);  // already on its way back to player 1
        EXPECT_GE(game.ballAngle, 140.0f);
        EXPECT_LE(game.ballAngle, 220.0f);
    } else {
        EXPECT_EQ(game.ballX, 1.45f);
        game.keyHeld[game.p2Pass] = 1;
        frame();
        game.keyHeld[game.p2Pass] = 0;
        frame();
        EXPECT_LT(game.ballX, 1.45f);
    }
}

INSTANTIATE_TEST_SUITE_P(ComputerOrHuman, PlayerTwoWins, ::testing::Bool());

TEST(MatchFlow, CameraModeDuringTheWaitCountsTowardIt) {
    startMatch(1, true);
    game.effects = 0;
    ballHeadingOut(false);
    while (game.p1Points == 0) frame();
    const uint32_t creditedAt = fake::ticks;
    EXPECT_TRUE(callsOf("play").empty());  // effects off: counted but silent
    frame();
    game.cameraMode = 1;
    const float hangingAt = game.ballX;
    while (fake::ticks - creditedAt < 1600) frame();
    EXPECT_EQ(game.ballX, hangingAt);  // the match stood still
    game.cameraMode = 0;
    frame();
    EXPECT_EQ(game.ballX, 0.0f);
    EXPECT_EQ(game.p1Points, 1);
    EXPECT_EQ(game.pointPending, 1);
}

TEST(MatchFlow, ThirdGameStandsStillThenFreesTheGroundAndBringsBackTheMenu) {
    startMatch(1, true);
    game.p1Games = 2;
    game.p1Points = 4;
    game.menuPage = 1;
    ballHeadingOut(false);
    bool gameOverShown = false;
    while (game.matchActive) {
        frame();
        gameOverShown |= game.matchActive && game.p1Games == 3;
        ASSERT_LT(fake::ticks, 10000u);
    }
    EXPECT_TRUE(gameOverShown);
    auto delays = callsOf("delay");
    ASSERT_EQ(delays.size(), 1u);
    EXPECT_EQ(delays[0].ms, 1500);
    EXPECT_TRUE(game.menuActive);
    EXPECT_EQ(game.menuPage, 0);
    auto cursors = callsOf("cursor");
    ASSERT_EQ(cursors.size(), 1u);
    EXPECT_EQ(cursors[0].ms, GLUT_CURSOR_RIGHT_ARROW);
    auto fadeOuts = callsOf("fadeOut");
    ASSERT_EQ(fadeOuts.size(), 1u);
    EXPECT_EQ(fadeOuts[0].channel, CHANNEL_GROUND_MUSIC);
    EXPECT_EQ(fadeOuts[0].ms, 1000);
    auto fadeIns = callsOf("fadeIn");
    ASSERT_EQ(fadeIns.size(), 1u);
    EXPECT_EQ(fadeIns[0].chunk, fakeChunk(SOUND_MENU_MUSIC));
}

TEST(MatchFlow, LeavingWithMusicOffTouchesNoChannel) {
    startMatch(2, false);
    game.music = 0;
    game.cameraMode = 1;
    endMatch();
    showMainMenu();
    EXPECT_FALSE(game.matchActive);
    EXPECT_FALSE(game.cameraMode);
    EXPECT_TRUE(game.menuActive);
    EXPECT_TRUE(callsOf("fadeOut").empty());
    EXPECT_TRUE(callsOf("fadeIn").empty());
}

// A window that is not shown draws no frames, so two points can come before the
// next settling; the game must still be won rather than run on past 5.
TEST(MatchFlow, PointsGatheredWithoutAFrameStillSettleIntoAGame) {
    startMatch(1, true);
    game.p2Points = 6;
    game.p1Points = 2;
    settleGames();
    EXPECT_EQ(game.p2Games, 1);
    EXPECT_EQ(game.p1Points + game.p2Points, 0);
}
