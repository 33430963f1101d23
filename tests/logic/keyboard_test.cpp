// The keyboard callbacks: the held-key table, Escape on every screen, F1, F2, F4, and keys moving the bats.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "core/game_state.h"
#include "assets/sound.h"
#include "app/events.h"
#include "match/bats.h"
#include "support/fake_platform.h"

// A two-player match in play, the ball out of reach of either serve.
static void twoPlayerMatch() {
    freshGame();
    game.introActive = 0;
    game.matchActive = 1;
    game.menuPage = 10;
    game.p2Human = 1;
    game.ballInPlay = 1;
    game.ballX = 0.7f;
    game.frameDelta = 10.0f;
}

static int heldCount() {
    int count = 0;
    for (u8 held : game.keyHeld) count += held;
    return count;
}

TEST(HeldKeys, LetterEMovesBat2ExactlyAsTheUpArrowAndShiftedAIsNotA) {
    twoPlayerMatch();
    onSpecial(GLUT_KEY_UP, 0, 0);
    moveBatsAndCamera();
    onSpecialUp(GLUT_KEY_UP, 0, 0);
    moveBatsAndCamera();
    float byArrow = game.p2BatY;
    EXPECT_GT(byArrow, 0.0f);

    twoPlayerMatch();
    onKeyboard('e', 0, 0);
    onKeyboard('A', 0, 0);  // Shift+a: not player 1's binding 97
    moveBatsAndCamera();
    onKeyboardUp('e', 0, 0);
    moveBatsAndCamera();
    EXPECT_FLOAT_EQ(game.p2BatY, byArrow);
    EXPECT_FLOAT_EQ(game.p1BatY, 0.0f);
}

// Codes outside 0-255, delivered by a platform or read into a binding from an
// edited settings file, touch no table entry and never move a bat.
TEST(HeldKeys, CodesOutsideTheTableAreIgnoredByTableAndReaders) {
    twoPlayerMatch();
    for (int code : {256, 1000, -1}) onSpecial(code, 0, 0);
    EXPECT_EQ(heldCount(), 0);
    game.keyHeld[0] = game.keyHeld[255] = 1;
    onSpecialUp(-1, 0, 0);
    onSpecialUp(256, 0, 0);
    EXPECT_EQ(heldCount(), 2);
    game.p1Up = 1000;
    game.p1Down = -1;
    game.p2Up = 256;
    moveBatsAndCamera();
    EXPECT_FLOAT_EQ(game.p1BatY, 0.0f);
    EXPECT_FLOAT_EQ(game.p2BatY, 0.0f);
}

TEST(EscapeKey, InTheIntroShowsTheMenuWithItsMusicAndNothingMore) {
    for (int music : {1, 0}) {
        freshGame();
        game.soundChunks[SOUND_MENU_MUSIC] = fakeChunk(SOUND_MENU_MUSIC);
        game.music = (u8)music;
        game.menuPage = 3;  // a menu Escape would make this 0
        onKeyboard(27, 0, 0);
        EXPECT_EQ(game.introActive, 0);
        EXPECT_EQ(game.menuActive, 1);
        EXPECT_EQ(game.menuPage, 3);
        auto cursors = callsOf("cursor");
        ASSERT_EQ(cursors.size(), 1u);
        EXPECT_EQ(cursors[0].ms, GLUT_CURSOR_RIGHT_ARROW);
        auto fadeIns = callsOf("fadeIn");
        ASSERT_EQ(fadeIns.size(), (size_t)music);
        if (music) {
            EXPECT_EQ(fadeIns[0].channel, CHANNEL_MENU_MUSIC);
            EXPECT_EQ(fadeIns[0].chunk, fakeChunk(SOUND_MENU_MUSIC));
        }
    }
}

TEST(EscapeKey, OnEachMenuPageFollowsThePageGraph) {
    const int after[8] = {0, 0, 0, 0, 2, 2, 6, 7};
    for (int page = 0; page < 8; page++) {
        freshGame();
        game.introActive = 0;
        game.menuActive = 1;
        game.menuPage = page;
        game.keyCaptureStep = 2;
        game.glowVisible = 1;
        onKeyboard(27, 0, 0);
        EXPECT_EQ(game.menuPage, after[page]) << "page " << page;
        EXPECT_EQ(game.glowVisible, 0);
        EXPECT_TRUE(fake::calls.empty());
        EXPECT_EQ(game.p1Down, 122);  // neither captured nor typed
        EXPECT_EQ(game.p2Down, 103);
        EXPECT_STREQ(game.p1name, "player 1");
        EXPECT_STREQ(game.p2name, "player 2");
    }
}

TEST(FunctionKeys, F1F2F4ActOnlyInAMatch) {
    freshGame();
    game.camAngleX = 5.0f;
    for (int key : {GLUT_KEY_F1, GLUT_KEY_F2, GLUT_KEY_F4}) onSpecial(key, 0, 0);
    EXPECT_EQ(game.cameraMode + game.showFps, 0);
    EXPECT_FLOAT_EQ(game.camAngleX, 5.0f);

    twoPlayerMatch();
    game.camAngleX = 1.0f;
    game.camAngleY = -2.0f;
    game.camAngleZ = 3.0f;
    game.camZoom = -1.5f;
    onSpecial(GLUT_KEY_F1, 0, 0);
    onSpecial(GLUT_KEY_F4, 0, 0);
    onSpecial(GLUT_KEY_F2, 0, 0);
    EXPECT_EQ(game.cameraMode, 1);
    EXPECT_EQ(game.showFps, 1);
    for (float value : {game.camAngleX, game.camAngleY, game.camAngleZ, game.camZoom}) EXPECT_EQ(value, 0.0f);
    onSpecial(GLUT_KEY_F1, 0, 0);
    onSpecial(GLUT_KEY_F4, 0, 0);
    EXPECT_EQ(game.cameraMode + game.showFps, 0);
}
