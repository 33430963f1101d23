// The end of a match deletes the pictures of the playground just played and keeps the base set.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/events.h"
#include "core/game_state.h"
#include "match/clock.h"
#include "match/flow.h"
#include "render/text.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

static bool inPlaygroundSet(int slot) { return slot <= 13 || slot == 28; }

class MatchEndTextures : public ::testing::TestWithParam<int> {};

TEST_P(MatchEndTextures, LastPointOfTheMatchDeletesThePlaygroundSetOnly) {
    const int playground = GetParam();
    freshGame();
    openTestWindow();
    // Every slot holds a live texture, as after start-up and the match start;
    // on playground 1 the ground frames 1-5 share frame 0's texture.
    const std::vector<uint8_t> pixel = {200, 100, 50};
    for (int slot = 0; slot < TEXTURE_SLOTS; slot++) game.textures[slot] = makeTexture(1, 1, pixel);
    if (playground == 1)
        for (int slot = 1; slot <= 5; slot++) game.textures[slot] = game.textures[0];

    game.introActive = 0;
    game.playground = playground;
    game.vsComputer = 1;
    resetMatch();
    game.matchActive = 1;
    game.p1Games = 2;
    game.p1Points = 4;
    game.ballInPlay = 1;
    game.ballX = 1.3f;
    game.ballAngle = 0;
    game.p2BatY = 0.4f;  // out of the ball's way: the winning point
    fake::ticks = 1000;
    while (game.matchActive && fake::ticks < 10000) {
        fake::ticks += 10;
        onAppIdle();
        settleGames();
    }
    ASSERT_FALSE(game.matchActive);
    for (int slot = 0; slot < TEXTURE_SLOTS; slot++)
        EXPECT_EQ(glIsTexture(game.textures[slot]) == GL_TRUE, !inPlaygroundSet(slot)) << "slot " << slot;
}

INSTANTIATE_TEST_SUITE_P(Playgrounds, MatchEndTextures, ::testing::Values(1, 2));
