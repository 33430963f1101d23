// The idle step's clocks: frame delta cap and wrap, frames per second, the after-point timer.
#include <gtest/gtest.h>

#include "app/events.h"
#include "core/game_state.h"
#include "match/clock.h"
#include "support/fake_platform.h"

class Clock : public ::testing::Test {
protected:
    void SetUp() override { freshGame(); }
};

TEST_F(Clock, FirstStepIsCappedAndLaterStepsFollowTheTicks) {
    fake::ticks = 2345;  // start-up took a while
    updateFrameDelta();
    EXPECT_FLOAT_EQ(game.frameDelta, 15.0f);
    fake::ticks += 10;
    updateFrameDelta();
    EXPECT_FLOAT_EQ(game.frameDelta, 10.0f);
    fake::ticks += 33;  // a slow frame still moves the game by 15 ms only
    updateFrameDelta();
    EXPECT_FLOAT_EQ(game.frameDelta, 15.0f);
}

TEST_F(Clock, TickCounterWrapGivesTheTrueSmallStep) {
    fake::ticks = 0xFFFFFFFCu;
    updateFrameDelta();
    fake::ticks = 3;  // wrapped: 7 ms later
    updateFrameDelta();
    EXPECT_FLOAT_EQ(game.frameDelta, 7.0f);
    EXPECT_EQ(game.frameLastTick, 3u);

    fake::ticks = 0xFFFFFFF0u;
    runPointDelay();
    fake::ticks = 0x10u;
    runPointDelay();
    EXPECT_EQ(game.pointDelayMs, 1u + 0x20u);
}

TEST_F(Clock, FramesPerSecondSampleDropsTheExcess) {
    // Steps every 400 ms: the third step gathers 1200 ms and takes a sample of 3.
    game.fps = -1;
    fake::ticks = 400;
    countFrames();
    fake::ticks = 800;
    countFrames();
    EXPECT_EQ(game.fps, -1);
    fake::ticks = 1200;
    countFrames();
    EXPECT_EQ(game.fps, 3);
    EXPECT_EQ(game.fpsAccMs, 0u);
    // The 200 ms beyond the second were dropped: three more steps for the next sample.
    fake::ticks = 1600;
    countFrames();
    fake::ticks = 2000;
    countFrames();
    EXPECT_EQ(game.fpsFrames, 2);
    fake::ticks = 2400;
    countFrames();
    EXPECT_EQ(game.fpsFrames, 0);
    EXPECT_EQ(game.fps, 3);
}

TEST_F(Clock, SlowStartTakesASampleAtOnce) {
    fake::ticks = 1500;
    countFrames();
    EXPECT_EQ(game.fps, 1);
}

TEST_F(Clock, AfterPointTimerFiresOnTheCallReachingFifteenHundred) {
    fake::ticks = 5000;
    int calls = 0;
    while (!game.pointDelayDone) {
        runPointDelay();
        calls++;
        if (!game.pointDelayDone) fake::ticks += 10;
        ASSERT_LT(calls, 1000);
    }
    EXPECT_EQ(calls, 151);
    EXPECT_EQ(fake::ticks, 6500u);
    EXPECT_EQ(game.pointDelayMs, 0u);  // free for the next run
}

TEST_F(Clock, IdleStepAsksForARedisplayAndGathersAnimationTime) {
    game.introActive = 0;  // nothing but the clocks runs
    fake::ticks = 100;
    onAppIdle();
    fake::ticks = 105;
    onAppIdle();
    EXPECT_EQ(fake::redisplays, 2);
    EXPECT_FLOAT_EQ(game.animClockMs, 20.0f);
}
