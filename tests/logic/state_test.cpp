// The load values the program relies on before any settings file is read.
#include <gtest/gtest.h>

#include <cstring>

#include "core/game_state.h"
#include "app/startup.h"
#include "support/fake_platform.h"

TEST(GameStateLoadValues, DescribeAnIntroAboutToStartWithDefaultSettings) {
    freshGame();
    EXPECT_EQ(game.introActive, 1);
    EXPECT_EQ(game.menuActive, 0);
    EXPECT_EQ(game.matchActive, 0);
    EXPECT_EQ(game.music, 1);
    EXPECT_EQ(game.effects, 1);
    EXPECT_EQ(game.mode, 1);
    EXPECT_EQ(game.resolution, 1);
    EXPECT_FLOAT_EQ(game.difficulty, 11.0f);
    EXPECT_STREQ(game.p1name, "player 1");
    EXPECT_STREQ(game.p2name, "player 2");
    EXPECT_EQ(game.p1Up, 'a');
    EXPECT_EQ(game.p1Down, 'z');
    EXPECT_EQ(game.p1Pass, ' ');
    // Player 2's defaults are the arrow-key codes, shared with the letters e, g, d.
    EXPECT_EQ(game.p2Up, 'e');
    EXPECT_EQ(game.p2Down, 'g');
    EXPECT_EQ(game.p2Pass, 'd');
    EXPECT_FLOAT_EQ(game.ballAngle, 180.0f);
    EXPECT_EQ(game.pointPending, 1);
    EXPECT_EQ(game.introShake, 5);
    EXPECT_FLOAT_EQ(game.introLogo1X, -300.0f);
    EXPECT_FLOAT_EQ(game.introLogo2X, 300.0f);
    EXPECT_EQ(game.lightingOn, 1);
}

TEST(GameStateLoadValues, ResolutionTableNamesThreeSizesAndNothingElse) {
    int w = 0, h = 0;
    ASSERT_TRUE(resolutionSize(0, &w, &h));
    EXPECT_EQ(w * 1000 + h, 640480);
    ASSERT_TRUE(resolutionSize(2, &w, &h));
    EXPECT_EQ(w * 1000 + h, 1024768);
    EXPECT_FALSE(resolutionSize(3, &w, &h));
    EXPECT_FALSE(resolutionSize(-1, &w, &h));
    EXPECT_STREQ(resolutionGameModeString(1), "800x600:16");
    EXPECT_EQ(resolutionGameModeString(7), nullptr);
}
