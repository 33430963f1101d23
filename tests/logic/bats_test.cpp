// The bats, the serve from a bat at its bound, the computer's patience, the camera keys.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/events.h"
#include "core/game_state.h"
#include "match/bats.h"
#include "match/clock.h"
#include "match/flow.h"
#include "support/fake_platform.h"

class Bats : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        game.introActive = 0;
        game.playground = 1;
        resetMatch();
        game.matchActive = 1;
        game.frameDelta = 10;
    }
    static void frame() {
        fake::ticks += 10;
        onAppIdle();
    }
};

TEST_F(Bats, BothKeysNearTheTopLeaveTheBatOneDownStepBelowIt) {
    const double s = 10 / 11.0 * 0.01;
    game.keyHeld[game.p1Up] = game.keyHeld[game.p1Down] = 1;
    game.p1BatY = 0.1f;
    moveBatsAndCamera();
    EXPECT_NEAR(game.p1BatY, 0.1, 1e-6);
    game.p1BatY = (float)(0.4 - s / 2);
    moveBatsAndCamera();
    EXPECT_NEAR(game.p1BatY, 0.4 - s, 1e-6);
    EXPECT_EQ(game.ballY, game.p1BatY);  // the held ball rides along
    game.p1BatY = (float)(-0.4 + s / 2);
    moveBatsAndCamera();
    EXPECT_NEAR(game.p1BatY, -0.4 + s / 2, 1e-6);
}

TEST_F(Bats, BatStopsAtTheBoundAndServesFromThere) {
    game.keyHeld[game.p1Up] = 1;
    for (int i = 0; i < 100; i++) frame();
    EXPECT_EQ(game.p1BatY, 0.4f);
    EXPECT_EQ(game.ballY, 0.4f);
    EXPECT_FALSE(game.ballInPlay);
    game.keyHeld[game.p1Up] = 0;
    game.keyHeld[game.p1Pass] = 1;
    frame();
    EXPECT_TRUE(game.ballInPlay);
    EXPECT_EQ(game.ballX, 0.0f);  // the serve takes effect in the next step
    game.keyHeld[game.p1Pass] = 0;
    frame();
    EXPECT_GT(game.ballX, 0.0f);
    EXPECT_TRUE(game.computerTracking);
}

TEST_F(Bats, ComputerMovesOnlyFromPlayerOnesHitUntilItsOwn) {
    game.vsComputer = 1;
    game.p2Human = 0;
    game.keyHeld[game.p2Up] = 1;  // player 2's keys belong to no one
    game.p1BatY = game.ballY = 0.35f;
    for (int i = 0; i < 10; i++) frame();
    EXPECT_EQ(game.p2BatY, 0.0f);  // ball held
    game.keyHeld[game.p2Up] = 0;
    game.ballInPlay = 1;
    frame();
    EXPECT_TRUE(game.computerTracking);
    while (game.computerTracking && game.ballX > -0.17f && fake::ticks < 5000) frame();
    EXPECT_GT(game.p2BatY, 0.1f);  // it followed the ball and sent it back
    EXPECT_FALSE(game.computerTracking);
    const float returnedFrom = game.p2BatY;
    for (int i = 0; i < 30; i++) frame();  // the ball is on its way to player 1
    EXPECT_LT(game.ballVelX, 0.0f);
    EXPECT_EQ(game.p2BatY, returnedFrom);
}

TEST_F(Bats, CameraModeTurnsTheCameraAndZoomPassesItsLimitByOneStep) {
    game.cameraMode = 1;
    game.p2Human = 1;
    game.frameDelta = 15;
    game.camZoom = 0.99f;
    game.keyHeld['+'] = 1;
    game.keyHeld[GLUT_KEY_UP] = 1;  // also player 2's up key
    game.keyHeld[game.p1Pass] = 1;
    for (int i = 0; i < 3; i++) moveBatsAndCamera();
    EXPECT_NEAR(game.camZoom, 0.99 + 0.075, 1e-6);
    EXPECT_NEAR(game.camAngleX, -3 * 15 / 20.0 * 2.5, 1e-5);
    EXPECT_EQ(game.p2BatY, 0.0f);
    EXPECT_FALSE(game.ballInPlay);
    game.cameraMode = 0;
    moveBatsAndCamera();
    EXPECT_GT(game.p2BatY, 0.0f);  // leaving camera mode gives the keys back to the bats
}

// A ball waiting for player 2's serve rides on bat 2 as a human moves it.
TEST_F(Bats, Player2sHeldBallFollowsBat2UntilTheServe) {
    game.p2Human = 1;
    game.ballX = 1.45f;
    game.ballAngle = 0;
    game.keyHeld[game.p2Down] = 1;
    for (int i = 0; i < 20; i++) frame();
    EXPECT_LT(game.p2BatY, -0.1f);
    EXPECT_EQ(game.ballY, game.p2BatY);
    EXPECT_EQ(game.ballX, 1.45f);
    game.keyHeld[game.p2Down] = 0;
    game.keyHeld[game.p2Pass] = 1;
    frame();
    frame();
    EXPECT_LT(game.ballX, 1.45f);  // served toward player 1
    const float servedAt = game.ballY;
    game.keyHeld[game.p2Pass] = 0;
    game.keyHeld[game.p2Up] = 1;
    frame();
    EXPECT_NEAR(game.ballY, servedAt, 0.01f);  // in play it no longer rides on the bat
}

// The computer's bat moves 0.0105, 0.009 or 0.007 of a step per difficulty unit:
// faster than a human bat (0.01) on hard, slower on normal and easy.
TEST_F(Bats, ComputerSpeedFollowsTheDifficultyBands) {
    const struct { float difficulty; double gain; } bands[] = {
        {9.0f, 0.0105}, {9.99f, 0.0105}, {10.0f, 0.009}, {11.0f, 0.009}, {12.0f, 0.009}, {12.01f, 0.007}, {13.0f, 0.007},
    };
    for (const auto& band : bands) {
        game.difficulty = band.difficulty;
        game.p2BatY = 0;
        game.ballY = 0.3f;
        moveComputerBat();
        EXPECT_NEAR(game.p2BatY, 10 / band.difficulty * band.gain, 1e-7) << band.difficulty;
        game.ballY = -0.3f;
        moveComputerBat();
        EXPECT_NEAR(game.p2BatY, 0.0, 1e-7) << band.difficulty;
    }
}
