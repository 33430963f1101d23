// The intro timeline, run through the idle step: slide in, bang, shakes, fade, slide out, menu.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/events.h"
#include "core/game_state.h"
#include "assets/sound.h"
#include "match/clock.h"
#include "support/fake_platform.h"

class IntroTimeline : public ::testing::TestWithParam<uint32_t> {};

TEST_P(IntroTimeline, BangShakesFadeAndSlideOutIntoTheMenu) {
    const uint32_t stepMs = GetParam();
    freshGame();
    game.soundChunks[SOUND_EXPLODE] = fakeChunk(SOUND_EXPLODE);
    game.soundChunks[SOUND_MENU_MUSIC] = fakeChunk(SOUND_MENU_MUSIC);

    int metStep = -1, playsAfterMeeting = -1, shakesAfterMeeting = -1;
    int fadeSteps = 0, fadeStepsToDark = -1, lastFadeStep = -100, slideOutStart = -1, menuStep = -1;
    bool fadesInAdjacentSteps = false;
    for (int n = 0; n < 100000 && game.introActive; n++) {
        fake::ticks += stepMs;
        const bool wasSliding = game.introSliding;
        const float blue = game.introClearBlue;
        const float logo1 = game.introLogo1X;
        onAppIdle();
        if (wasSliding && !game.introSliding) {
            metStep = n;
            playsAfterMeeting = (int)callsOf("play").size();
            shakesAfterMeeting = game.introShakeCount;
        }
        if (blue != game.introClearBlue) {
            fadeSteps++;
            fadesInAdjacentSteps |= lastFadeStep == n - 1;
            lastFadeStep = n;
            if (fadeStepsToDark < 0 && game.introClearBlue < 0.01f) fadeStepsToDark = fadeSteps;
        }
        if (slideOutStart < 0 && game.introShakeCount == 16 && game.introLogo1X < logo1) slideOutStart = n;
        if (!game.introActive) menuStep = n;
    }

    ASSERT_GE(metStep, 0);
    EXPECT_EQ(playsAfterMeeting, 1);
    EXPECT_EQ(shakesAfterMeeting, 1);  // the first shake comes in the very step the logos meet
    auto plays = callsOf("play");
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].channel, CHANNEL_MENU_MUSIC);
    EXPECT_EQ(plays[0].chunk, fakeChunk(SOUND_EXPLODE));
    EXPECT_EQ(plays[0].loops, 0);

    EXPECT_EQ(fadeStepsToDark, 496);
    // Above 5 ms a step fades every time; at 5 ms it takes two steps to gather more than 5 ms.
    EXPECT_EQ(fadesInAdjacentSteps, stepMs > 5);

    // The slide-out starts after the fade and carries the first logo past -300 at the difficulty pace.
    ASSERT_GT(slideOutStart, metStep);
    ASSERT_GE(menuStep, slideOutStart);
    const double stepsToLeave = 620.0 / (stepMs / 11.0 * 3);
    EXPECT_NEAR(menuStep - slideOutStart + 1, stepsToLeave, 1.0);
    EXPECT_TRUE(game.menuActive);
    EXPECT_LT(game.introLogo1X, -300.0f);
    auto cursors = callsOf("cursor");
    ASSERT_EQ(cursors.size(), 1u);
    EXPECT_EQ(cursors[0].ms, GLUT_CURSOR_RIGHT_ARROW);
    auto fades = callsOf("fadeIn");
    ASSERT_EQ(fades.size(), 1u);
    EXPECT_EQ(fades[0].channel, CHANNEL_MENU_MUSIC);
    EXPECT_EQ(fades[0].chunk, fakeChunk(SOUND_MENU_MUSIC));
}

INSTANTIATE_TEST_SUITE_P(StepTimes, IntroTimeline, ::testing::Values(15u, 5u));
