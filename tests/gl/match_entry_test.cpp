// Into a match from the menu and back out with Escape: lights, picture sets, music, cursor, F3.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "app/watch.h"
#include "core/game_state.h"
#include "assets/sound.h"
#include "app/events.h"
#include "app/startup.h"
#include "match/keeping.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

void expectLight(GLenum light, GLenum what, const f32* colour) {
    GLfloat actual[4] = {};
    glGetLightfv(light, what, actual);
    for (int i = 0; i < 3; i++) EXPECT_FLOAT_EQ(actual[i], colour[i]) << "light " << light - GL_LIGHT0;
}

// Live pictures in the playground slots 0-13 and 28.
int livePlaygroundTextures() {
    int live = glIsTexture(game.textures[28]) ? 1 : 0;
    for (int slot = 0; slot <= 13; slot++) live += glIsTexture(game.textures[slot]) ? 1 : 0;
    return live;
}

class MatchEntry : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow(640, 480);
        fake::calls.clear();  // opening the window hides the cursor
        for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
        game.introActive = 0;
        game.menuActive = 1;
        game.windowWidth = 640;
        game.windowHeight = 480;
    }
    static void click() { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }
    // From the main menu: a mode of play, then a playground picture.
    static void startFromMainMenu(bool twoPlayers, int playground) {
        onPassiveMotion(320, twoPlayers ? 234 : 184);
        click();
        if (twoPlayers) {
            onPassiveMotion(320, 184);  // this computer
            click();
        }
        onPassiveMotion(playground == 1 ? 250 : 390, 200);
        click();
        fake::calls.erase(fake::calls.begin(), fake::calls.begin() + (twoPlayers ? 3 : 2));  // the page sounds
    }
};

}  // namespace

TEST_F(MatchEntry, AClickOnAPlaygroundStartsItsMatchAndEscapeLeavesIt) {
    for (int playground : {1, 2}) {
        SCOPED_TRACE(playground);
        SetUp();
        game.p1Points = 3;
        game.cameraMode = 1;
        startFromMainMenu(false, playground);
        EXPECT_EQ(game.matchActive, 1);
        EXPECT_EQ(game.menuActive, 0);
        EXPECT_EQ(game.menuPage, 10);
        EXPECT_EQ(game.p1Points, 0);
        bool second = playground == 2;
        expectLight(GL_LIGHT1, GL_DIFFUSE, second ? game.ground2Light1Color : game.ground1Light1Color);
        expectLight(GL_LIGHT2, GL_DIFFUSE, second ? game.ground2Light2Color : game.ground1Light2Color);
        expectLight(GL_LIGHT3, GL_AMBIENT, game.light3Ambient);
        GLfloat attenuation = 0;
        glGetLightfv(GL_LIGHT2, GL_QUADRATIC_ATTENUATION, &attenuation);
        EXPECT_FLOAT_EQ(attenuation, 0.2f);
        // The chosen set: playground 1 has one still ground picture in slots 0-5.
        EXPECT_EQ(livePlaygroundTextures(), 15);
        EXPECT_EQ(game.textures[5] == game.textures[0], !second);
        // Menu music out, the playground's in, then no pointer.
        ASSERT_EQ(fake::calls.size(), 3u);
        EXPECT_EQ(fake::calls[0].function, "fadeOut");
        EXPECT_EQ(fake::calls[0].channel, CHANNEL_MENU_MUSIC);
        EXPECT_EQ(fake::calls[1].function, "fadeIn");
        EXPECT_EQ(fake::calls[1].channel, CHANNEL_GROUND_MUSIC);
        EXPECT_EQ(fake::calls[1].chunk, fakeChunk(second ? SOUND_GROUND2_MUSIC : SOUND_GROUND1_MUSIC));
        EXPECT_EQ(fake::calls[1].loops, -1);
        EXPECT_EQ(fake::calls[2].ms, GLUT_CURSOR_NONE);

        fake::calls.clear();
        onKeyboard(27, 0, 0);
        EXPECT_EQ(game.matchActive, 0);
        EXPECT_EQ(game.menuActive, 1);
        EXPECT_EQ(game.menuPage, 0);
        EXPECT_EQ(game.cameraMode, 0);
        EXPECT_EQ(livePlaygroundTextures(), 0);
        ASSERT_EQ(callsOf("fadeOut").size(), 1u);
        EXPECT_EQ(callsOf("fadeOut")[0].channel, CHANNEL_GROUND_MUSIC);
        ASSERT_EQ(callsOf("fadeIn").size(), 1u);
        EXPECT_EQ(callsOf("fadeIn")[0].channel, CHANNEL_MENU_MUSIC);
        ASSERT_EQ(callsOf("cursor").size(), 1u);
        EXPECT_EQ(callsOf("cursor")[0].ms, GLUT_CURSOR_RIGHT_ARROW);
    }
}

// The hover target outlives the match, so the first click back in the menu,
// before the pointer moves, starts the same match again.
TEST_F(MatchEntry, AClickAfterReturningStartsTheSameMatchAgain) {
    startFromMainMenu(true, 2);
    onKeyboard(27, 0, 0);
    click();
    EXPECT_EQ(game.matchActive, 1);
    EXPECT_EQ(game.playground, 2);
    EXPECT_EQ(game.p2Human, 1);
    expectLight(GL_LIGHT1, GL_DIFFUSE, game.ground2Light1Color);
    EXPECT_EQ(livePlaygroundTextures(), 15);
    onKeyboard(27, 0, 0);
}

TEST_F(MatchEntry, WithMusicOffNeitherMusicChannelIsTouched) {
    game.music = 0;
    startFromMainMenu(false, 1);
    EXPECT_EQ(game.matchActive, 1);
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.menuActive, 1);
    EXPECT_TRUE(callsOf("fadeIn").empty());
    EXPECT_TRUE(callsOf("fadeOut").empty());
}

TEST_F(MatchEntry, F3SwitchesLightingInAMatchOnly) {
    glEnable(GL_LIGHTING);
    onSpecial(GLUT_KEY_F3, 0, 0);  // in the menu: only marked as held
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    game.menuActive = 0;
    game.matchActive = 1;
    onSpecial(GLUT_KEY_F3, 0, 0);
    EXPECT_EQ(game.lightingOn, 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    onSpecial(GLUT_KEY_F3, 0, 0);
    EXPECT_EQ(game.lightingOn, 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

// A kept match watched: it starts on its own playground and difficulty, runs at
// the pace it was played, stands still in camera mode, and Escape leaves it
// with the watcher's own difficulty and camera back; it plays to its end
// otherwise, "GAME OVER" standing before the menu.
TEST_F(MatchEntry, AReplayRunsAtItsPaceStandsInCameraModeAndGivesBackTheWatchersSettings) {
    std::snprintf(game.replayPath, sizeof game.replayPath, "%s/tests/replays/tennis-network.replay", TARVO_SOURCE_DIR);
    ASSERT_TRUE(loadReplay());
    game.difficulty = 13;
    game.camAngleX = 5;
    startReplay();
    EXPECT_EQ(game.matchActive, 1);
    EXPECT_EQ(game.playground, 1);
    EXPECT_EQ(game.difficulty, 9.0f);
    auto frames = [](int n) {
        for (int i = 0; i < n; i++) {
            fake::ticks += 16;
            onAppIdle();
        }
    };
    frames(1);
    const uint32_t first = game.matchStep;
    frames(125);  // two seconds: two hundred steps of 10 ms
    EXPECT_NEAR((double)(game.matchStep - first), 200.0, 2.0);
    onSpecial(GLUT_KEY_F1, 0, 0);
    game.camAngleX = 40;  // turned while it stands
    const uint32_t held = game.matchStep;
    frames(60);
    EXPECT_EQ(game.matchStep, held);
    onSpecial(GLUT_KEY_F1, 0, 0);
    frames(10);
    EXPECT_GT(game.matchStep, held);
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.menuActive, 1);
    EXPECT_EQ(game.replayActive, 0);
    EXPECT_EQ(game.difficulty, 13.0f);
    EXPECT_EQ(game.camAngleX, 5.0f);

    startReplay();
    bool gameOverShown = false;
    for (int n = 0; game.matchActive && n < 100000; n++) {
        frames(1);
        gameOverShown |= game.matchActive && (game.p1Games == 3 || game.p2Games == 3);
    }
    EXPECT_TRUE(gameOverShown);
    EXPECT_EQ(game.menuActive, 1);
    EXPECT_EQ(game.difficulty, 13.0f);
}
