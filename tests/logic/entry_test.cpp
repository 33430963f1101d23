// Typing names and capturing key bindings on the settings pages, through the keyboard callbacks.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <cstring>

#include "app/game_state.h"
#include "input/entry.h"
#include "input/keyboard.h"
#include "support/fake_platform.h"

namespace {

void menuAt(int page) {
    freshGame();
    game.introActive = 0;
    game.menuActive = 1;
    game.menuPage = page;
    game.keyCaptureStep = 1;
}

void type(const char* text) {
    for (const char* c = text; *c; c++) onKeyboard((unsigned char)*c, 0, 0);
}

}  // namespace

TEST(NameEntry, TenLettersKeepEightAndBackspaceTakesTheLast) {
    menuAt(6);
    game.p1name[0] = 0;
    type("abcdefghij");
    EXPECT_STREQ(game.p1name, "abcdefgh");
    onKeyboard(8, 0, 0);
    EXPECT_STREQ(game.p1name, "abcdefg");
    type("xy");
    EXPECT_STREQ(game.p1name, "abcdefgx");
    EXPECT_STREQ(game.p2name, "player 2");
    EXPECT_EQ(game.menuPage, 6);
}

TEST(NameEntry, BackspaceOnAnEmptyNameLeavesItEmptyAndEnterFillsIt) {
    menuAt(7);
    type("\b\b\b\b\b\b\b\b\b\b");
    EXPECT_STREQ(game.p2name, "");
    type("\b");
    EXPECT_STREQ(game.p2name, "");
    onKeyboard(13, 0, 0);
    EXPECT_STREQ(game.p2name, "player 2");
    EXPECT_STREQ(game.p1name, "player 1");
    EXPECT_EQ(game.menuPage, 2);
}

// Enter on either name page trims both names and gives empty ones their
// defaults; the Enter itself goes into neither name.
TEST(NameEntry, EnterTrimsBothNamesAndFillsEmptyOnes) {
    menuAt(7);
    std::strcpy(game.p1name, "abc   ");
    std::strcpy(game.p2name, "");
    type("   ");
    onKeyboard(13, 0, 0);
    EXPECT_STREQ(game.p1name, "abc");
    EXPECT_STREQ(game.p2name, "player 2");
    EXPECT_EQ(game.menuPage, 2);

    menuAt(6);
    std::strcpy(game.p1name, "");
    std::strcpy(game.p2name, " a b  ");
    type("        ");
    onKeyboard(13, 0, 0);
    EXPECT_STREQ(game.p1name, "player 1");
    EXPECT_STREQ(game.p2name, " a b");
    // Enter after the page has closed is an ordinary key again.
    onKeyboard(13, 0, 0);
    EXPECT_EQ(game.menuPage, 2);
    EXPECT_STREQ(game.p2name, " a b");
}

TEST(NameEntry, EscapeLeavesTheNamePageAndTheNameAsTheyAre) {
    menuAt(6);
    game.glowVisible = 1;
    type("!");
    onKeyboard(27, 0, 0);
    EXPECT_EQ(game.menuPage, 6);
    EXPECT_STREQ(game.p1name, "player 1");  // already eight characters: "!" refused
    EXPECT_EQ(game.glowVisible, 0);
    type("\b\x1b");
    EXPECT_STREQ(game.p1name, "player ");
}

// Codes are taken as they come; a zero byte adds nothing.
TEST(NameEntry, ControlCodesAreTypedButZeroAddsNothing) {
    menuAt(6);
    game.p1name[0] = 0;
    typeNameChar(0);
    typeNameChar('\t');
    typeNameChar(200);
    EXPECT_EQ(std::strlen(game.p1name), 2u);
    EXPECT_EQ((unsigned char)game.p1name[1], 200);
    // Outside the name pages nothing is typed.
    game.menuPage = 2;
    typeNameChar('x');
    EXPECT_EQ(std::strlen(game.p1name), 2u);
}

// A name whose array holds no terminator (an edited settings file) is cut in
// its own array; the name beside it is never touched.
TEST(NameEntry, ANameWithoutTerminatorStaysInItsArray) {
    menuAt(6);
    std::memset(game.p1name, 'x', sizeof(game.p1name));
    std::strcpy(game.p2name, "bob");
    typeNameChar('y');
    typeNameChar(8);
    finishNameEntry();
    EXPECT_LT(std::strlen(game.p1name), sizeof(game.p1name));
    EXPECT_STREQ(game.p2name, "bob");
}

TEST(KeyCapture, UpArrowThenQThenEnterBindPlayer1AndCloseThePage) {
    menuAt(4);
    onSpecial(GLUT_KEY_UP, 0, 0);
    EXPECT_EQ(game.keyCaptureStep, 2);
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
    EXPECT_STREQ(game.p2name, "player 2");
    // Further keys on the settings page bind nothing.
    onKeyboard('w', 0, 0);
    EXPECT_EQ(game.p1Up, 101);
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

TEST(KeyCapture, KeyRepeatFillsTheFollowingSteps) {
    menuAt(5);
    for (int i = 0; i < 3; i++) onSpecial(GLUT_KEY_F5, 0, 0);
    EXPECT_EQ(game.p2Up, GLUT_KEY_F5);
    EXPECT_EQ(game.p2Down, GLUT_KEY_F5);
    EXPECT_EQ(game.p2Pass, GLUT_KEY_F5);
    EXPECT_EQ(game.menuPage, 2);
}

// A code the held-key table cannot hold would make a binding no key can
// press; the page passes it over and keeps asking for the same binding.
TEST(KeyCapture, CodesOutsideTheTableAreNotBound) {
    menuAt(4);
    onSpecial(256, 0, 0);
    onSpecial(-1, 0, 0);
    captureKey(100000);
    EXPECT_EQ(game.keyCaptureStep, 1);
    EXPECT_EQ(game.p1Up, 97);
    onSpecial(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(game.p1Up, 100);
    EXPECT_EQ(game.keyCaptureStep, 2);
}
