// Menu clicks: which presses count, page changes with their sound, the difficulty.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "core/game_state.h"
#include "assets/sound.h"
#include "app/events.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "support/fake_platform.h"

static void menuAt(int page) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.menuActive = 1;
    game.menuPage = game.menuHoverPage = page;
    game.windowWidth = 640;
    game.windowHeight = 480;
}

static void click() { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }

TEST(MenuClicks, OnlyALeftPressInTheMenuCountsAndItPlaysThePageSound) {
    menuAt(0);
    onPassiveMotion(320, 284);  // settings item
    onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    onMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    game.menuActive = 0;
    click();
    EXPECT_EQ(game.menuPage, 0);
    EXPECT_EQ(game.glowVisible, 1);
    EXPECT_TRUE(callsOf("play").empty());
    game.menuActive = 1;
    click();
    EXPECT_EQ(game.menuPage, 2);
    EXPECT_EQ(game.glowVisible, 0);
    auto sounds = callsOf("play");
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].channel, CHANNEL_PAGE);
    EXPECT_EQ(sounds[0].chunk, fakeChunk(SOUND_MENU_PAGE));

    game.effects = 0;
    onPassiveMotion(320, 384);  // close
    click();
    EXPECT_EQ(game.menuPage, 0);
    EXPECT_EQ(callsOf("play").size(), 1u);
}

// Wherever the pointer finds no item, a click keeps the page, plays nothing
// and leaves the difficulty alone.
TEST(MenuClicks, AClickBesideEveryItemKeepsThePageSilently) {
    for (int page = 0; page <= 3; page++) {
        menuAt(page);
        game.difficulty = 10.0f;
        for (int x = 0; x <= 640; x += 7)
            for (int y = 0; y <= 480; y += 7) {
                onPassiveMotion(x, y);
                if (game.glowVisible) continue;
                fake::calls.clear();  // the hover sound of an earlier item
                click();
                ASSERT_EQ(game.menuPage, page) << "at " << x << "," << y;
                ASSERT_FLOAT_EQ(game.difficulty, 10.0f);
                ASSERT_TRUE(callsOf("play").empty());
            }
    }
}

TEST(MenuClicks, DifficultyItemsStore13_11_9AndKeepThePageSilently) {
    menuAt(2);
    const int rows[] = {234, 284, 334};
    const float values[] = {13.0f, 11.0f, 9.0f};
    for (int i = 0; i < 3; i++) {
        onPassiveMotion(150, rows[i]);
        click();
        EXPECT_FLOAT_EQ(game.difficulty, values[i]);
        EXPECT_EQ(game.menuPage, 2);
    }
    EXPECT_TRUE(fake::calls.empty());
}

// When the keyboard changes the page, what the pointer pointed at belonged to
// the page left behind: a click before the pointer moves again changes nothing
// (no quit, no match, no difficulty, no key page reopened); a motion then finds
// the items of the new page.
TEST(MenuClicks, AfterTheKeyboardChangesThePageAClickTargetsNothingUntilThePointerMoves) {
    struct Case {
        const char* what;
        int page, x, y;          // the page, and the item the pointer rests on
        const char* keys;        // typed there; "\x1b" is Escape
        int pageAfterKeys;
    };
    const Case cases[] = {
        {"yes on the exit page, Escape", 3, 257, 304, "\x1b", 0},
        {"tennis, Escape", 1, 249, 227, "\x1b", 0},
        {"hard, Escape", 2, 147, 334, "\x1b", 0},
        {"player 1 keys, three keys captured", 2, 320, 234, "wsx", 2},
        {"player 2 keys, Escape", 2, 320, 284, "o\x1b", 2},
        {"player 1 name, Enter", 2, 493, 234, "\r", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        menuAt(c.page);
        game.difficulty = 11.0f;
        onPassiveMotion(c.x, c.y);
        if (c.page == 2 && c.x == 320) click();  // onto the key page
        if (c.page == 2 && c.x == 493) click();  // onto the name page
        for (const char* k = c.keys; *k; k++) onKeyboard((unsigned char)*k, 0, 0);
        ASSERT_EQ(game.menuPage, c.pageAfterKeys);
        fake::calls.clear();
        click();  // a quit would throw; a match would clear menuActive
        EXPECT_EQ(game.menuPage, c.pageAfterKeys);
        EXPECT_EQ(game.menuActive, 1);
        EXPECT_FLOAT_EQ(game.difficulty, 11.0f);
        EXPECT_TRUE(callsOf("play").empty());
    }
    onPassiveMotion(320, 284);  // the pointer moves onto player 2's keys
    click();
    EXPECT_EQ(game.menuPage, 5);
}
