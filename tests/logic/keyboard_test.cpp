// The keyboard callbacks: the held-key table, Escape on every screen, F1-F4, and keys moving the bats.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include "app/game_state.h"
#include "assets/sound.h"
#include "input/keyboard.h"
#include "match/bats.h"
#include "support/fake_platform.h"

namespace {

void menuAt(int page) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.menuActive = 1;
    game.menuPage = page;
}

// A two-player match in play, the ball out of reach of either serve.
void twoPlayerMatch() {
    freshGame();
    game.introActive = 0;
    game.matchActive = 1;
    game.menuPage = 10;
    game.p2Human = 1;
    game.ballInPlay = 1;
    game.ballX = 0.7f;
    game.frameDelta = 10.0f;
}

int heldCount() {
    int count = 0;
    for (u8 held : game.keyHeld) count += held;
    return count;
}

}  // namespace

TEST(HeldKeys, CharacterAndSpecialKeysShareOneTable) {
    freshGame();
    onKeyboard('e', 0, 0);
    EXPECT_TRUE(keyIsHeld(GLUT_KEY_UP));
    onSpecialUp(GLUT_KEY_UP, 0, 0);
    EXPECT_FALSE(keyIsHeld('e'));
    onSpecial(GLUT_KEY_DOWN, 0, 0);
    onKeyboard(27, 0, 0);
    onKeyboard(255, 0, 0);
    EXPECT_TRUE(keyIsHeld('g'));
    EXPECT_TRUE(keyIsHeld(27));
    EXPECT_TRUE(keyIsHeld(255));
    onKeyboardUp('g', 0, 0);
    onKeyboardUp(255, 0, 0);
    EXPECT_EQ(heldCount(), 1);
}

// A platform may deliver special-key codes beyond 255; they touch no table entry.
TEST(HeldKeys, SpecialCodesOutsideTheTableAreIgnored) {
    freshGame();
    for (int code : {256, 300, 1000, 65536, -1, -256}) {
        onSpecial(code, 0, 0);
        EXPECT_FALSE(keyIsHeld(code));
    }
    EXPECT_EQ(heldCount(), 0);
    game.keyHeld[0] = 1;
    game.keyHeld[255] = 1;
    onSpecialUp(-1, 0, 0);
    onSpecialUp(256, 0, 0);
    EXPECT_EQ(heldCount(), 2);
}

TEST(HeldKeys, LetterEMovesBat2ExactlyAsTheUpArrow) {
    twoPlayerMatch();
    onSpecial(GLUT_KEY_UP, 0, 0);
    moveBatsAndCamera();
    float byArrow = game.p2BatY;
    onSpecialUp(GLUT_KEY_UP, 0, 0);
    moveBatsAndCamera();
    EXPECT_GT(byArrow, 0.0f);
    EXPECT_FLOAT_EQ(game.p2BatY, byArrow);  // released: the bat stays

    twoPlayerMatch();
    onKeyboard('e', 0, 0);
    moveBatsAndCamera();
    EXPECT_FLOAT_EQ(game.p2BatY, byArrow);
    onKeyboardUp('e', 0, 0);
    moveBatsAndCamera();
    EXPECT_FLOAT_EQ(game.p2BatY, byArrow);
}

TEST(HeldKeys, ShiftedLetterDoesNotMoveBat1) {
    twoPlayerMatch();
    onKeyboard('A', 0, 0);
    moveBatsAndCamera();
    EXPECT_FLOAT_EQ(game.p1BatY, 0.0f);
    onKeyboardUp('A', 0, 0);
    onKeyboard('a', 0, 0);
    moveBatsAndCamera();
    EXPECT_GT(game.p1BatY, 0.0f);
}

// A binding beyond the table (an edited settings file) is a key nobody can
// hold: play goes on and the bat stays.
TEST(HeldKeys, BindingsOutsideTheTableNeverMoveABat) {
    twoPlayerMatch();
    game.p1Up = 1000;
    game.p1Down = -3;
    game.p2Up = 256;
    game.p2Pass = 1 << 30;
    game.keyHeld[0] = 1;
    game.keyHeld[255] = 1;
    moveBatsAndCamera();
    EXPECT_FLOAT_EQ(game.p1BatY, 0.0f);
    EXPECT_FLOAT_EQ(game.p2BatY, 0.0f);
}

TEST(EscapeKey, InTheIntroShowsTheMenuWithItsMusicAndNothingMore) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.menuPage = 3;  // were this taken as a menu Escape it would become 0
    game.glowVisible = 1;
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.introActive, 0);
    EXPECT_EQ(game.menuActive, 1);
    EXPECT_EQ(game.matchActive, 0);
    EXPECT_EQ(game.menuPage, 3);
    EXPECT_EQ(game.glowVisible, 0);
    ASSERT_EQ(fake::calls.size(), 2u);
    EXPECT_EQ(fake::calls[0].function, "cursor");
    EXPECT_EQ(fake::calls[0].ms, GLUT_CURSOR_RIGHT_ARROW);
    EXPECT_EQ(fake::calls[1].function, "fadeIn");
    EXPECT_EQ(fake::calls[1].channel, CHANNEL_MENU_MUSIC);
    EXPECT_EQ(fake::calls[1].chunk, fakeChunk(SOUND_MENU_MUSIC));
    EXPECT_EQ(fake::calls[1].loops, -1);
    EXPECT_EQ(fake::calls[1].ms, 1000);
    EXPECT_EQ(fake::calls[1].ticks, -1);

    freshGame();
    game.music = 0;
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.menuActive, 1);
    EXPECT_TRUE(callsOf("fadeIn").empty());
    EXPECT_EQ(callsOf("cursor").size(), 1u);
}

TEST(EscapeKey, OnEachMenuPageFollowsThePageGraph) {
    const int after[8] = {0, 0, 0, 0, 2, 2, 6, 7};
    for (int page = 0; page < 8; page++) {
        menuAt(page);
        game.keyCaptureStep = 2;
        game.glowVisible = 1;
        onKeyboard(27, 0, 0);
        EXPECT_EQ(game.menuPage, after[page]) << "page " << page;
        EXPECT_EQ(game.glowVisible, 0);
        EXPECT_EQ(game.menuActive, 1);
        EXPECT_EQ(game.matchActive, 0);
        EXPECT_TRUE(fake::calls.empty());
        // Escape is neither captured nor typed.
        EXPECT_EQ(game.p1Down, 122);
        EXPECT_EQ(game.p2Down, 103);
        EXPECT_STREQ(game.p1name, "player 1");
        EXPECT_STREQ(game.p2name, "player 2");
    }
}

TEST(FunctionKeys, ActOnlyInAMatch) {
    menuAt(0);
    game.camAngleX = 5.0f;
    for (int key : {GLUT_KEY_F1, GLUT_KEY_F2, GLUT_KEY_F4}) onSpecial(key, 0, 0);
    EXPECT_EQ(game.cameraMode, 0);
    EXPECT_EQ(game.showFps, 0);
    EXPECT_FLOAT_EQ(game.camAngleX, 5.0f);
    EXPECT_TRUE(keyIsHeld(GLUT_KEY_F4));  // still marked as held

    twoPlayerMatch();
    onSpecial(GLUT_KEY_F1, 0, 0);
    EXPECT_EQ(game.cameraMode, 1);
    onSpecial(GLUT_KEY_F4, 0, 0);
    EXPECT_EQ(game.showFps, 1);
    game.camAngleX = 1.0f;
    game.camAngleY = -2.0f;
    game.camAngleZ = 3.0f;
    game.camZoom = -1.5f;
    onSpecial(GLUT_KEY_F2, 0, 0);
    EXPECT_FLOAT_EQ(game.camAngleX, 0.0f);
    EXPECT_FLOAT_EQ(game.camAngleY, 0.0f);
    EXPECT_FLOAT_EQ(game.camAngleZ, 0.0f);
    EXPECT_FLOAT_EQ(game.camZoom, 0.0f);
    EXPECT_EQ(game.cameraMode, 1);
    onSpecial(GLUT_KEY_F1, 0, 0);
    onSpecial(GLUT_KEY_F4, 0, 0);
    EXPECT_EQ(game.cameraMode, 0);
    EXPECT_EQ(game.showFps, 0);
    EXPECT_EQ(game.menuPage, 10);
}

// In camera mode the arrows turn the camera and the bats stand still; F1
// again hands the keys back to the bats.
TEST(FunctionKeys, CameraModeTakesTheArrowsFromTheBats) {
    twoPlayerMatch();
    onSpecial(GLUT_KEY_F1, 0, 0);
    onSpecial(GLUT_KEY_UP, 0, 0);
    moveBatsAndCamera();
    EXPECT_FLOAT_EQ(game.p2BatY, 0.0f);
    EXPECT_LT(game.camAngleX, 0.0f);
    onSpecial(GLUT_KEY_F1, 0, 0);
    moveBatsAndCamera();
    EXPECT_GT(game.p2BatY, 0.0f);
}
