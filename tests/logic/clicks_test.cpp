// Menu clicks: which presses count, page changes with their sound, the difficulty.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include "app/game_state.h"
#include "assets/sound.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "support/fake_platform.h"

namespace {

void menuAt(int page) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.menuActive = 1;
    game.menuPage = page;
    game.menuHoverPage = page;
    game.windowWidth = 640;
    game.windowHeight = 480;
}

void click() { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }

int pageSounds() {
    int count = 0;
    for (const PlatformCall& call : callsOf("play"))
        if (call.channel == CHANNEL_PAGE) {
            EXPECT_EQ(call.chunk, fakeChunk(SOUND_MENU_PAGE));
            EXPECT_EQ(call.loops, 0);
            EXPECT_EQ(call.ticks, -1);
            count++;
        }
    return count;
}

}  // namespace

TEST(MenuClicks, OnlyALeftPressInTheMenuCounts) {
    menuAt(0);
    onPassiveMotion(320, 284);  // settings item
    ASSERT_EQ(game.menuHoverPage, 2);
    fake::calls.clear();
    onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 320, 284);
    onMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 320, 284);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 320, 284);
    onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 320, 284);
    EXPECT_EQ(game.menuPage, 0);
    EXPECT_EQ(game.glowVisible, 1);
    game.menuActive = 0;  // a click during a match
    click();
    EXPECT_EQ(game.menuPage, 0);
    EXPECT_TRUE(fake::calls.empty());
    game.menuActive = 1;
    click();
    EXPECT_EQ(game.menuPage, 2);
    EXPECT_EQ(pageSounds(), 1);
}

// Sweeps each page: wherever the pointer finds no item, a click keeps the page,
// plays nothing and leaves the difficulty alone.
TEST(MenuClicks, AClickBesideEveryItemKeepsThePageSilently) {
    for (int page = 0; page <= 3; page++) {
        menuAt(page);
        game.difficulty = 10.0f;
        int misses = 0;
        for (int x = 0; x <= 640; x += 7) {
            for (int y = 0; y <= 480; y += 7) {
                onPassiveMotion(x, y);
                if (game.glowVisible) continue;
                fake::calls.clear();
                click();
                ASSERT_EQ(game.menuPage, page) << "at " << x << "," << y;
                ASSERT_FLOAT_EQ(game.difficulty, 10.0f);
                ASSERT_TRUE(callsOf("play").empty());
                misses++;
            }
        }
        EXPECT_GT(misses, 1000);
    }
}

TEST(MenuClicks, DifficultyItemsStoreTheirValueAndKeepThePageSilently) {
    const struct {
        int y;
        float value;
    } rows[] = {{234, 13.0f}, {284, 11.0f}, {334, 9.0f}};
    menuAt(2);
    for (const auto& row : rows) {
        onPassiveMotion(150, row.y);
        click();
        EXPECT_FLOAT_EQ(game.difficulty, row.value);
        EXPECT_EQ(game.menuPage, 2);
        EXPECT_EQ(game.glowVisible, 0);
    }
    EXPECT_EQ(pageSounds(), 0);
    // Moving off the column and clicking changes nothing more.
    onPassiveMotion(230, 234);
    click();
    EXPECT_FLOAT_EQ(game.difficulty, 9.0f);
}

TEST(MenuClicks, PageChangesPlayThePageSoundOnlyWithEffectsOn) {
    const struct {
        int page, x, y, to;
    } clicks[] = {
        {0, 320, 184, 1}, {0, 320, 234, 1}, {0, 320, 284, 2}, {0, 320, 334, 3},
        {2, 320, 234, 4}, {2, 320, 284, 5}, {2, 320, 384, 0}, {2, 490, 234, 6},
        {2, 490, 284, 7}, {3, 380, 304, 0},
    };
    for (int effects : {1, 0}) {
        for (const auto& c : clicks) {
            menuAt(c.page);
            game.effects = (u8)effects;
            onPassiveMotion(c.x, c.y);
            click();
            EXPECT_EQ(game.menuPage, c.to) << "from page " << c.page << " at " << c.x << "," << c.y;
            EXPECT_EQ(pageSounds(), effects);
        }
    }
}

// The glow comes back only with the next motion, now over the new page's items.
TEST(MenuClicks, TheNextMotionTestsTheNewPage) {
    menuAt(0);
    onPassiveMotion(320, 334);  // exit
    click();
    ASSERT_EQ(game.menuPage, 3);
    EXPECT_EQ(game.glowVisible, 0);
    onPassiveMotion(320, 334);  // nothing there on the exit page
    EXPECT_EQ(game.glowVisible, 0);
    onPassiveMotion(380, 304);  // no
    click();
    EXPECT_EQ(game.menuPage, 0);
}
