// Into a match from the menu and back out with Escape: lights, picture sets, music, cursor, F3.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/game_state.h"
#include "assets/sound.h"
#include "input/keyboard.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

const int PLAYGROUND_SLOTS[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 28};

void expectLight(GLenum light, GLenum what, const f32* colour) {
    GLfloat actual[4] = {};
    glGetLightfv(light, what, actual);
    for (int i = 0; i < 3; i++) EXPECT_FLOAT_EQ(actual[i], colour[i]) << "light " << light - GL_LIGHT0 << " component " << i;
}

int liveTextures() {
    int live = 0;
    for (int slot : PLAYGROUND_SLOTS) live += glIsTexture(game.textures[slot]) ? 1 : 0;
    return live;
}

class MatchEntry : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow(800, 600);
        fake::calls.clear();  // opening the window hides the cursor
        for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
        game.introActive = 0;
        game.menuActive = 1;
        game.windowWidth = 800;
        game.windowHeight = 600;
    }
    // A pointer at a point of the virtual screen, y from the top.
    void pointAt(float px, float py) { onPassiveMotion((int)(px * 1.25f), (int)(py * 1.25f)); }
    void click() { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }
    // From the main menu: a mode of play, then a playground picture.
    void startFromMainMenu(bool twoPlayers, int playground) {
        pointAt(320, twoPlayers ? 234 : 184);
        click();
        ASSERT_EQ(game.menuPage, 1);
        pointAt(playground == 1 ? 250 : 390, 200);
        click();
    }
};

}  // namespace

TEST_F(MatchEntry, AClickOnAPlaygroundStartsItsMatch) {
    for (int playground : {1, 2}) {
        SCOPED_TRACE(playground);
        SetUp();
        game.p1Points = 3;
        game.p2Games = 2;
        startFromMainMenu(false, playground);
        EXPECT_EQ(game.matchActive, 1);
        EXPECT_EQ(game.menuActive, 0);
        EXPECT_EQ(game.menuPage, 10);
        EXPECT_EQ(game.vsComputer, 1);
        EXPECT_EQ(game.p1Points, 0);  // the match starts from nothing
        EXPECT_EQ(game.p2Games, 0);

        bool second = playground == 2;
        expectLight(GL_LIGHT1, GL_DIFFUSE, second ? game.ground2Light1Color : game.ground1Light1Color);
        expectLight(GL_LIGHT2, GL_DIFFUSE, second ? game.ground2Light2Color : game.ground1Light2Color);
        expectLight(GL_LIGHT3, GL_AMBIENT, game.light3Ambient);
        GLfloat attenuation = 0;
        glGetLightfv(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, &attenuation);
        EXPECT_FLOAT_EQ(attenuation, 0.2f);
        glGetLightfv(GL_LIGHT2, GL_QUADRATIC_ATTENUATION, &attenuation);
        EXPECT_FLOAT_EQ(attenuation, 0.2f);

        // The chosen set is loaded: playground 1 shows one still ground picture.
        EXPECT_EQ(liveTextures(), 15);
        for (int slot = 1; slot <= 5; slot++) {
            if (second)
                EXPECT_NE(game.textures[slot], game.textures[0]);
            else
                EXPECT_EQ(game.textures[slot], game.textures[0]);
        }

        // The page sound, the menu music out, the playground's music in, no pointer.
        auto sounds = callsOf("play");
        ASSERT_EQ(sounds.size(), 2u);
        EXPECT_EQ(sounds[1].channel, CHANNEL_PAGE);
        auto fadeOuts = callsOf("fadeOut");
        ASSERT_EQ(fadeOuts.size(), 1u);
        EXPECT_EQ(fadeOuts[0].channel, CHANNEL_MENU_MUSIC);
        EXPECT_EQ(fadeOuts[0].ms, 1000);
        auto fadeIns = callsOf("fadeIn");
        ASSERT_EQ(fadeIns.size(), 1u);
        EXPECT_EQ(fadeIns[0].channel, CHANNEL_GROUND_MUSIC);
        EXPECT_EQ(fadeIns[0].chunk, fakeChunk(second ? SOUND_GROUND2_MUSIC : SOUND_GROUND1_MUSIC));
        EXPECT_EQ(fadeIns[0].loops, -1);
        EXPECT_EQ(fadeIns[0].ms, 1000);
        EXPECT_EQ(fadeIns[0].ticks, -1);
        ASSERT_FALSE(fake::calls.empty());
        EXPECT_EQ(fake::calls.back().function, "cursor");
        EXPECT_EQ(fake::calls.back().ms, GLUT_CURSOR_NONE);

        // Pointer and clicks are the menu's only: nothing changes during play.
        pointAt(320, 184);
        click();
        EXPECT_EQ(game.menuPage, 10);
        EXPECT_EQ(game.matchActive, 1);

        onKeyboard(27, 0, 0);  // leave the match
        EXPECT_EQ(liveTextures(), 0);
    }
}

TEST_F(MatchEntry, EscapeInAMatchReturnsToTheMainMenuAndSwitchesTheMusic) {
    startFromMainMenu(true, 2);
    ASSERT_EQ(game.matchActive, 1);
    game.cameraMode = 1;
    fake::calls.clear();
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.matchActive, 0);
    EXPECT_EQ(game.menuActive, 1);
    EXPECT_EQ(game.cameraMode, 0);
    EXPECT_EQ(game.menuPage, 0);
    EXPECT_EQ(game.glowVisible, 0);
    EXPECT_EQ(liveTextures(), 0);
    auto fadeOuts = callsOf("fadeOut");
    ASSERT_EQ(fadeOuts.size(), 1u);
    EXPECT_EQ(fadeOuts[0].channel, CHANNEL_GROUND_MUSIC);
    auto fadeIns = callsOf("fadeIn");
    ASSERT_EQ(fadeIns.size(), 1u);
    EXPECT_EQ(fadeIns[0].channel, CHANNEL_MENU_MUSIC);
    EXPECT_EQ(fadeIns[0].chunk, fakeChunk(SOUND_MENU_MUSIC));
    auto cursors = callsOf("cursor");
    ASSERT_EQ(cursors.size(), 1u);
    EXPECT_EQ(cursors[0].ms, GLUT_CURSOR_RIGHT_ARROW);
    EXPECT_TRUE(callsOf("play").empty());
    // A second Escape is an ordinary main-menu Escape.
    fake::calls.clear();
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.menuPage, 0);
    EXPECT_TRUE(fake::calls.empty());
}

// The hover target outlives the match, so the first click back in the menu,
// before the pointer moves, starts the same match again.
TEST_F(MatchEntry, AClickAfterReturningStartsTheSameMatchAgain) {
    startFromMainMenu(true, 2);
    onKeyboard(27, 0, 0);
    ASSERT_EQ(game.menuPage, 0);
    fake::calls.clear();
    click();
    EXPECT_EQ(game.matchActive, 1);
    EXPECT_EQ(game.menuPage, 10);
    EXPECT_EQ(game.playground, 2);
    EXPECT_EQ(game.p2Human, 1);
    EXPECT_EQ(game.vsComputer, 0);
    expectLight(GL_LIGHT1, GL_DIFFUSE, game.ground2Light1Color);
    EXPECT_EQ(liveTextures(), 15);
    auto fadeIns = callsOf("fadeIn");
    ASSERT_EQ(fadeIns.size(), 1u);
    EXPECT_EQ(fadeIns[0].chunk, fakeChunk(SOUND_GROUND2_MUSIC));
    onKeyboard(27, 0, 0);
}

TEST_F(MatchEntry, WithMusicOffNeitherMusicChannelIsTouched) {
    game.music = 0;
    startFromMainMenu(false, 1);
    EXPECT_EQ(game.matchActive, 1);
    expectLight(GL_LIGHT2, GL_DIFFUSE, game.ground1Light2Color);
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.menuActive, 1);
    EXPECT_TRUE(callsOf("fadeIn").empty());
    EXPECT_TRUE(callsOf("fadeOut").empty());
    EXPECT_EQ(callsOf("cursor").size(), 2u);
}

TEST_F(MatchEntry, F3SwitchesLightingInAMatchOnly) {
    ASSERT_EQ(game.lightingOn, 1);
    glEnable(GL_LIGHTING);
    onSpecial(GLUT_KEY_F3, 0, 0);  // in the menu: only marked as held
    EXPECT_EQ(game.lightingOn, 1);
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
