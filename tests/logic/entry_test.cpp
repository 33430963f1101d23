// Typing names and capturing key bindings on the settings pages, through the keyboard callbacks.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/game_state.h"
#include "app/events.h"
#include "support/fake_platform.h"

static void menuAt(int page) {
    freshGame();
    game.introActive = 0;
    game.menuActive = 1;
    game.menuPage = page;
    game.keyCaptureStep = 1;
}

static void type(const char* text) {
    for (const char* c = text; *c; c++) onKeyboard((unsigned char)*c, 0, 0);
}

TEST(NameEntry, TenLettersKeepEightAndBackspaceStopsAtEmpty) {
    menuAt(6);
    game.p1name[0] = 0;
    type("abcdefghij");
    EXPECT_STREQ(game.p1name, "abcdefgh");
    type("\b");
    EXPECT_STREQ(game.p1name, "abcdefg");
    type("\b\b\b\b\b\b\b\b\b");
    EXPECT_STREQ(game.p1name, "");
    // Only what the font draws and the file keeps on one line: no tab, line
    // feed, other control code or delete; letters beyond 127 are taken.
    type("\t\n\x01\x1f\x7f~ \xe9");
    EXPECT_STREQ(game.p1name, "~ \xe9");
    type("\b\b\b");
    EXPECT_STREQ(game.p2name, "player 2");
    EXPECT_EQ(game.menuPage, 6);
}

// Enter on either name page trims both names and gives empty ones their
// defaults; the Enter itself goes into neither name.
TEST(NameEntry, EnterTrimsBothNamesAndFillsEmptyOnes) {
    menuAt(7);
    std::strcpy(game.p1name, "abc   ");
    std::strcpy(game.p2name, " a");
    type("\b  ");
    onKeyboard(13, 0, 0);
    EXPECT_STREQ(game.p1name, "abc");
    EXPECT_STREQ(game.p2name, "player 2");
    EXPECT_EQ(game.menuPage, 2);
    type("\r");
    EXPECT_STREQ(game.p2name, "player 2");
}

TEST(KeyCapture, UpArrowThenQThenEnterBindPlayer1AndCloseThePage) {
    menuAt(4);
    onSpecial(GLUT_KEY_UP, 0, 0);
    onSpecial(300, 0, 0);  // a code no key of the table has is passed over
    onKeyboard('q', 0, 0);
    onKeyboard(13, 0, 0);
    EXPECT_EQ(game.p1Up, 101);
    EXPECT_EQ(game.p1Down, 113);
    EXPECT_EQ(game.p1Pass, 13);
    EXPECT_EQ(game.menuPage, 2);
    EXPECT_EQ(game.p2Up, 101);
    EXPECT_EQ(game.p2Down, 103);
    EXPECT_EQ(game.p2Pass, 100);
    EXPECT_STREQ(game.p1name, "player 1");
}

TEST(KeyCapture, EscapeAfterOneKeyKeepsItAndReturnsToSettings) {
    menuAt(5);
    onKeyboard('k', 0, 0);
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.menuPage, 2);
    EXPECT_EQ(game.p2Up, 'k');
    EXPECT_EQ(game.p2Down, 103);
    EXPECT_EQ(game.p2Pass, 100);
    EXPECT_EQ(game.p1Up, 97);
}

TEST(KeyCapture, Player2sThreeKeysBindInOrderAndCloseThePage) {
    menuAt(5);
    onKeyboard('i', 0, 0);
    onSpecial(GLUT_KEY_PAGE_DOWN, 0, 0);
    onKeyboard(' ', 0, 0);
    EXPECT_EQ(game.p2Up, 'i');
    EXPECT_EQ(game.p2Down, GLUT_KEY_PAGE_DOWN);
    EXPECT_EQ(game.p2Pass, ' ');
    EXPECT_EQ(game.menuPage, 2);
    EXPECT_EQ(game.p1Up, 97);
    EXPECT_EQ(game.p1Down, 122);
    EXPECT_EQ(game.p1Pass, 32);
}

// Shift, Ctrl, Alt and Super arrive as special keys with the codes of the
// letters p to w: a capture page takes none of them, and in play they hold no letter.
TEST(KeyCapture, ModifierKeysAreNeitherCapturedNorHeld) {
    menuAt(4);
    for (int key = GLUT_KEY_SHIFT_L; key <= GLUT_KEY_SUPER_R; key++) onSpecial(key, 0, 0);
    EXPECT_EQ(game.keyCaptureStep, 1);
    EXPECT_EQ(game.p1Up, 97);
    for (int key = 'p'; key <= 'w'; key++) EXPECT_EQ(game.keyHeld[key], 0) << (char)key;
    onKeyboard('r', 0, 0);  // the letter itself, held
    onSpecialUp(GLUT_KEY_CTRL_L, 0, 0);
    EXPECT_EQ(game.keyHeld['r'], 1);
    EXPECT_EQ(game.p1Up, 'r');
}
