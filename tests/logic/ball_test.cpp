// The ball: serve headings, middle and edge hits, the computer's spread, re-hits, boards, bat reach.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/game_state.h"
#include "assets/sound.h"
#include "match/ball.h"
#include "support/fake_platform.h"

class Ball : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
        game.introActive = 0;
        game.matchActive = 1;
        game.playground = 1;
        game.frameDelta = 15;
    }
    void hold(int up, int down) {
        game.keyHeld[game.p1Up] = game.keyHeld[game.p2Up] = (u8)up;
        game.keyHeld[game.p1Down] = game.keyHeld[game.p2Down] = (u8)down;
    }
    static int playsOn(int channel) {
        int n = 0;
        for (const PlatformCall& c : callsOf("play")) n += c.channel == channel;
        return n;
    }
};

TEST_F(Ball, ServeLeavesNearlyStraightAndTheKeysBendItByTwenty) {
    const int keys[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    for (auto& k : keys) {
        hold(k[0], k[1]);
        const float bend = 20.0f * (k[0] - k[1]);
        for (uint32_t t = 0; t < 300; t++) {
            game.ballX = 0;
            game.ballY = game.p1BatY = 0.2f;
            game.ballAngle = 180;
            fake::ticks = 1000 + t * 7;  // the spread is seeded from the clock
            stepBall();
            const float straight = game.ballAngle - bend;
            EXPECT_TRUE((straight >= 0 && straight <= 9) || (straight >= 350 && straight <= 359)) << game.ballAngle;
            EXPECT_GT(game.ballVelX, 0.0f);
        }
    }
}

TEST_F(Ball, EdgeHitsLeaveAtFixedAnglesWhateverIsHeldAndJustBeyondIsAMiss) {
    struct Case { float x, offset, angle; bool computer; };
    const Case cases[] = {
        {-0.01f, 0.105f, 40, false}, {-0.01f, -0.105f, 320, false},
        {1.46f, 0.105f, 140, false}, {1.46f, -0.105f, 220, false},
        {1.46f, 0.105f, 140, true},  {1.46f, -0.105f, 220, true},
    };
    for (const Case& c : cases) {
        for (int keys = 0; keys < 4; keys++) {
            hold(keys & 1, keys >> 1);
            game.vsComputer = c.computer;
            game.p1BatY = game.p2BatY = -0.1f;
            game.ballX = c.x;
            game.ballY = -0.1f + c.offset;
            game.ballAngle = c.x < 0 ? 190.0f : 10.0f;
            stepBall();
            EXPECT_EQ(game.ballAngle, c.angle) << c.x << " " << c.offset << " keys " << keys;
        }
    }
    // Just beyond bat 1's end: no hit, the ball goes on out of play.
    fake::calls.clear();
    game.ballX = -0.01f;
    game.ballY = game.p1BatY + 0.116f;
    game.ballAngle = 180;
    game.computerTracking = 0;
    stepBall();
    EXPECT_EQ(game.ballAngle, 180.0f);
    EXPECT_LT(game.ballVelX, 0.0f);
    EXPECT_FALSE(game.computerTracking);
    EXPECT_EQ(playsOn(CHANNEL_BAT), 0);
}

TEST_F(Ball, ComputerAddsItsOwnSpreadBeforeTheReseedAndStaysWithinTheClamp) {
    game.vsComputer = 1;
    hold(1, 0);  // player 2's keys mean nothing against the computer
    bool clamped = false;
    for (unsigned seed = 1; seed < 400; seed++) {
        srand(seed);  // what the previous hit left
        int own = rand() % 40;
        if (own > 20) own -= 40;
        fake::ticks = 20000 + seed * 13;
        srand(fake::ticks);
        int spread = rand() % 20;
        if (spread > 10) spread -= 20;
        float expected = 180.0f - (20.0f + own + spread);
        if (expected < 140) expected = 140, clamped = true;

        seedSpread(seed);  // the game's own generator, left where the C library's would be
        game.ballX = 1.45f;
        game.ballY = game.p2BatY = 0;
        game.ballAngle = 20;
        stepBall();
        EXPECT_EQ(game.ballAngle, expected) << seed;
        EXPECT_LT(game.ballVelX, 0.0f);
    }
    EXPECT_TRUE(clamped);
    // The game's generator draws what the C library's does, for any tick as a seed.
    for (unsigned seed : {0u, 1u, 12345u, 0x7FFFFFFFu, 0x80000001u, 0xFFFFFFFFu}) {
        srand(seed);
        seedSpread(seed);
        for (int i = 0; i < 100; i++) ASSERT_EQ(drawSpread(), rand()) << seed << " draw " << i;
    }
}

TEST_F(Ball, BallPutBackOnTheLineIsHitAgainWithoutRestartingTheSound) {
    game.frameDelta = 1;
    game.ballX = -0.02f;
    game.ballAngle = 180;
    stepBall();
    EXPECT_EQ(game.ballX, 0.0f);  // a small step could not bring it back over the line
    EXPECT_EQ(game.ballVelX, 0.0f);
    ASSERT_EQ(playsOn(CHANNEL_BAT), 1);
    EXPECT_EQ(callsOf("play")[0].chunk, fakeChunk(SOUND_GROUND1_BAT));
    fake::channelPlaying[CHANNEL_BAT] = true;
    int steps = 0;
    while (game.ballVelX <= 0 && steps < 5) {
        advanceBall();
        stepBall();
        steps++;
    }
    EXPECT_GE(steps, 1);
    EXPECT_GT(game.ballVelX, 0.0f);  // on its way to player 2 in the end
    EXPECT_EQ(playsOn(CHANNEL_BAT), 1);

    fake::channelPlaying[CHANNEL_BAT] = false;
    game.effects = 0;
    game.ballX = 0;
    game.ballAngle = 180;
    stepBall();
    EXPECT_GT(game.ballVelX, 0.0f);  // hit as usual, silently
    EXPECT_EQ(playsOn(CHANNEL_BAT), 1);
}

// At the menu's fastest pace a step is shorter than a bat's reach is deep; at
// any faster pace the settings file may hold, a step that would jump the reach
// stops on the bat's line, so a bat that covers the ball still returns it.
TEST_F(Ball, NoBallSlipsPastABatThatCoversItAtAnyPace) {
    for (float difficulty : {9.0f, 8.0f, 4.0f, 1.0f, 0.25f, 0.001f}) {
        game.difficulty = difficulty;
        for (int bat = 1; bat <= 2; bat++) {
            for (int start = 0; start < 40; start++) {
                SCOPED_TRACE(testing::Message() << "difficulty " << difficulty << " bat " << bat << " start " << start);
                game.ballY = game.p1BatY = game.p2BatY = 0;
                game.ballX = bat == 1 ? 0.2f + start * 0.001f : 1.25f - start * 0.001f;
                game.ballAngle = bat == 1 ? 180.0f : 0.0f;
                game.computerTracking = bat == 2;
                for (int i = 0; i < 200 && game.computerTracking == (bat == 2); i++) {
                    stepBall();
                    advanceBall();
                    ASSERT_GE(game.ballX, -0.035f);
                    ASSERT_LE(game.ballX, 1.485f);
                }
                EXPECT_EQ(game.computerTracking, bat == 1);  // the bat met it
            }
        }
    }
    // A bat elsewhere lets the fast ball through to score.
    game.difficulty = 0.25f;
    game.ballX = 0.5f;
    game.ballY = 0;
    game.p1BatY = 0.3f;
    game.ballAngle = 180;
    for (int i = 0; i < 4; i++) {
        stepBall();
        advanceBall();
    }
    EXPECT_LT(game.ballX, -0.17f);
}

// A human player 2 bends a middle return with its own keys (up toward +y takes
// degrees away, as bat 2 sends toward -x); the return stays within 140..220.
TEST_F(Ball, HumanPlayer2BendsItsReturnWithinTheClamp) {
    bool clamped = false;
    for (int keys = 0; keys < 3; keys++) {
        game.keyHeld[game.p2Up] = keys == 1;
        game.keyHeld[game.p2Down] = keys == 2;
        for (float incoming : {0.0f, 30.0f, 330.0f}) {
            for (uint32_t t = 0; t < 40; t++) {
                fake::ticks = 5000 + t * 11;
                srand(fake::ticks);
                int spread = rand() % 20;
                if (spread > 10) spread -= 20;
                float angle = incoming + spread;
                angle = angle > 180 ? 540 - angle : 180 - angle;
                angle += keys == 1 ? -20.0f : keys == 2 ? 20.0f : 0.0f;
                if (angle < 140 || angle > 220) clamped = true;
                angle = angle < 140 ? 140 : angle > 220 ? 220 : angle;
                game.ballX = 1.45f;
                game.ballY = game.p2BatY = 0;
                game.ballAngle = incoming;
                stepBall();
                EXPECT_EQ(game.ballAngle, angle) << "keys " << keys << " incoming " << incoming << " t " << t;
            }
        }
    }
    EXPECT_TRUE(clamped);
}

TEST_F(Ball, BoardTurnsTheBallOnceEvenWhenItLeavesSlowly) {
    // A shallow ball at a short step is still within touching distance after
    // leaving the board; it must go on leaving, not be turned back into it.
    game.frameDelta = 1;
    game.difficulty = 13;
    game.ballX = 0.7f;
    game.ballY = 0.475f;
    game.ballAngle = 5;
    stepBall();
    EXPECT_EQ(game.ballAngle, 355.0f);
    float lastY = game.ballY;
    for (int i = 0; i < 40; i++) {
        advanceBall();
        ASSERT_LT(game.ballY, lastY);
        lastY = game.ballY;
        stepBall();
    }
    EXPECT_EQ(playsOn(CHANNEL_BOARD), 1);
    EXPECT_EQ(callsOf("play")[0].chunk, fakeChunk(SOUND_GROUND1_BOARD));

    // Arriving at the lower board, the ball stops on it and bounces in the next step.
    game.frameDelta = 15;
    game.ballY = -0.47f;
    game.ballAngle = 200;
    stepBall();
    advanceBall();
    EXPECT_EQ(game.ballY, -0.475f);
    stepBall();
    EXPECT_EQ(game.ballAngle, 160.0f);
    EXPECT_GT(game.ballVelY, 0.0f);
}
