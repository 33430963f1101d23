// Pointer motion over the menu: hit areas, glow corners, targets and the hover sound.
#include <gtest/gtest.h>

#include "app/game_state.h"
#include "assets/sound.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "support/fake_platform.h"

#include <GL/freeglut.h>

namespace {

void menuAt(int page, int width = 640, int height = 480) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.menuActive = 1;
    game.menuPage = page;
    game.menuHoverPage = page;
    game.windowWidth = width;
    game.windowHeight = height;
}

int hoverSounds() {
    int count = 0;
    for (const PlatformCall& call : callsOf("play")) {
        EXPECT_EQ(call.channel, CHANNEL_HOVER);
        EXPECT_EQ(call.chunk, fakeChunk(SOUND_MENU_OVER));
        EXPECT_EQ(call.loops, 0);
        EXPECT_EQ(call.ticks, -1);
        count++;
    }
    return count;
}

// An item as the player sees it: its drawn rectangle (y from the bottom) and
// where a click on it leads.
struct DrawnItem {
    int page;
    int left, bottom, right, top;
    int target;
};

const DrawnItem drawnItems[] = {
    {0, 256, 280, 384, 312, 1},  {0, 256, 230, 384, 262, 1},  {0, 256, 180, 384, 212, 2},
    {0, 256, 130, 384, 162, 3},  {2, 83, 230, 211, 262, 2},   {2, 83, 180, 211, 212, 2},
    {2, 83, 130, 211, 162, 2},   {2, 256, 230, 384, 262, 4},  {2, 256, 180, 384, 212, 5},
    {2, 256, 80, 384, 112, 0},   {2, 429, 230, 557, 262, 6},  {2, 429, 180, 557, 212, 7},
    {3, 225, 160, 289, 192, 11}, {3, 351, 160, 415, 192, 0},
};

}  // namespace

// Each item answers over exactly its drawn rectangle, and the glow lands on it.
TEST(MenuHover, EveryItemAnswersOverItsDrawnRectangleAndGlowsOnIt) {
    for (const DrawnItem& item : drawnItems) {
        SCOPED_TRACE(testing::Message() << "page " << item.page << " item at " << item.left << "," << item.bottom);
        menuAt(item.page);
        int cx = (item.left + item.right) / 2;
        int cy = 480 - (item.bottom + item.top) / 2;
        onPassiveMotion(cx, cy);
        ASSERT_EQ(game.glowVisible, 1);
        EXPECT_FLOAT_EQ(game.glowX, (float)item.left);
        EXPECT_FLOAT_EQ(game.glowY, (float)item.bottom);
        EXPECT_EQ(game.menuHoverPage, item.target);

        // Just inside each edge hits, on the edge does not.
        int edgeLeft = item.left, edgeRight = item.right;
        int edgeTop = 480 - item.top, edgeBottom = 480 - item.bottom;
        onPassiveMotion(edgeLeft + 1, cy);
        EXPECT_EQ(game.glowVisible, 1);
        onPassiveMotion(edgeRight - 1, cy);
        EXPECT_EQ(game.glowVisible, 1);
        onPassiveMotion(cx, edgeTop + 1);
        EXPECT_EQ(game.glowVisible, 1);
        onPassiveMotion(cx, edgeBottom - 1);
        EXPECT_EQ(game.glowVisible, 1);
        for (int edge : {0, 1, 2, 3}) {
            int x = edge == 0 ? edgeLeft : edge == 1 ? edgeRight : cx;
            int y = edge == 2 ? edgeTop : edge == 3 ? edgeBottom : cy;
            onPassiveMotion(x, y);
            EXPECT_EQ(game.glowVisible, 0) << "edge " << edge;
            EXPECT_EQ(game.menuHoverPage, item.page);
            EXPECT_EQ(game.hoverOnDifficulty, 0);
        }
    }
}

TEST(MenuHover, At800x600TheFirstColumnOfAnItemIsOnlyJustInside) {
    menuAt(0, 800, 600);
    int y = 230;  // py 184, the middle of the single-player item
    onPassiveMotion(320, y);  // px 256, the item's left edge
    EXPECT_EQ(game.glowVisible, 0);
    EXPECT_EQ(game.menuHoverPage, 0);
    onPassiveMotion(321, y);  // px 256.8
    EXPECT_EQ(game.glowVisible, 1);
    EXPECT_EQ(game.menuHoverPage, 1);
    EXPECT_EQ(game.vsComputer, 1);
    EXPECT_EQ(game.p2Human, 0);
    onPassiveMotion(480, y);  // px 384, the right edge
    EXPECT_EQ(game.glowVisible, 0);
    onPassiveMotion(479, y);
    EXPECT_EQ(game.glowVisible, 1);
    // The two-player item below switches the mode of play.
    onPassiveMotion(400, 292);  // py 233.6
    EXPECT_EQ(game.menuHoverPage, 1);
    EXPECT_EQ(game.vsComputer, 0);
    EXPECT_EQ(game.p2Human, 1);
    EXPECT_FLOAT_EQ(game.glowY, 230.0f);
}

TEST(MenuHover, PlaygroundPicturesAnswerFiveUnitsAboveWhereTheyAreDrawn) {
    menuAt(1);
    onPassiveMotion(300, 165);  // above the drawn picture, inside the hit area
    EXPECT_EQ(game.glowVisible, 1);
    EXPECT_EQ(game.playground, 1);
    EXPECT_EQ(game.menuHoverPage, 10);
    EXPECT_FLOAT_EQ(game.glowX, 185.0f);
    EXPECT_FLOAT_EQ(game.glowY, 184.0f);
    onPassiveMotion(300, 293);  // on the drawn picture, below the hit area
    EXPECT_EQ(game.glowVisible, 0);
    EXPECT_EQ(game.menuHoverPage, 1);
    EXPECT_EQ(game.playground, 1);  // a miss leaves the choice as it was
    onPassiveMotion(400, 165);
    EXPECT_EQ(game.playground, 2);
    EXPECT_EQ(game.menuHoverPage, 10);
    EXPECT_FLOAT_EQ(game.glowX, 327.0f);
    // At 800 x 600 the rows map through the same scale.
    menuAt(1, 800, 600);
    onPassiveMotion(375, 204);  // py 163.2
    EXPECT_EQ(game.playground, 1);
    onPassiveMotion(375, 363);  // py 290.4
    EXPECT_EQ(game.glowVisible, 1);
    onPassiveMotion(375, 364);  // py 291.2
    EXPECT_EQ(game.glowVisible, 0);
}

TEST(MenuHover, DifficultyIsOfferedOnlyWhileOverItsItems) {
    menuAt(2);
    game.difficulty = 10.5f;
    onPassiveMotion(150, 234);  // easy
    EXPECT_EQ(game.hoverOnDifficulty, 1);
    EXPECT_FLOAT_EQ(game.hoverDifficulty, 13.0f);
    EXPECT_EQ(game.menuHoverPage, 2);
    onPassiveMotion(150, 284);
    EXPECT_FLOAT_EQ(game.hoverDifficulty, 11.0f);
    onPassiveMotion(150, 334);
    EXPECT_FLOAT_EQ(game.hoverDifficulty, 9.0f);
    onPassiveMotion(150, 260);  // between easy and normal
    EXPECT_EQ(game.hoverOnDifficulty, 0);
    EXPECT_FLOAT_EQ(game.hoverDifficulty, 10.5f);
    // The key items open capture at the up key.
    game.keyCaptureStep = 3;
    onPassiveMotion(320, 284);
    EXPECT_EQ(game.menuHoverPage, 5);
    EXPECT_EQ(game.keyCaptureStep, 1);
    EXPECT_EQ(game.hoverOnDifficulty, 0);
}

TEST(MenuHover, SoundIsSilentOnTheFirstItemThenOncePerEntry) {
    menuAt(0);
    onPassiveMotion(320, 184);  // first motion already on an item
    EXPECT_EQ(game.glowVisible, 1);
    EXPECT_EQ(hoverSounds(), 0);
    onPassiveMotion(330, 190);  // within the item
    onPassiveMotion(330, 234);  // straight onto the next item
    EXPECT_EQ(hoverSounds(), 0);
    onPassiveMotion(100, 100);  // off every item
    EXPECT_EQ(hoverSounds(), 0);
    onPassiveMotion(320, 234);
    EXPECT_EQ(hoverSounds(), 1);
    onPassiveMotion(321, 235);
    onPassiveMotion(320, 284);
    EXPECT_EQ(hoverSounds(), 1);
    onPassiveMotion(320, 259);  // the gap between two items
    onPassiveMotion(320, 284);
    EXPECT_EQ(hoverSounds(), 2);
}

TEST(MenuHover, WithEffectsOffNoSoundPlaysAndTheArmingOnlyEverSets) {
    menuAt(0);
    game.effects = 0;
    onPassiveMotion(100, 100);
    EXPECT_EQ(game.hoverSoundArmed, 1);
    onPassiveMotion(320, 184);
    EXPECT_EQ(game.glowVisible, 1);
    EXPECT_EQ(game.hoverSoundArmed, 1);
    EXPECT_TRUE(fake::calls.empty());
}

TEST(MenuHover, PagesWithoutItemsHideTheGlowAndKeepTheirTarget) {
    for (int page : {4, 5, 6, 7, 8}) {
        menuAt(page);
        game.glowVisible = 1;
        game.hoverOnDifficulty = 1;
        game.menuHoverPage = 2;
        game.hoverSoundArmed = 0;
        onPassiveMotion(320, 234);  // where items lie on other pages
        EXPECT_EQ(game.glowVisible, 0);
        EXPECT_EQ(game.menuHoverPage, page);
        EXPECT_EQ(game.hoverOnDifficulty, 0);
        EXPECT_EQ(game.hoverSoundArmed, 0);
        EXPECT_TRUE(fake::calls.empty());
    }
}

TEST(MenuHover, OutsideTheMenuNothingChanges) {
    menuAt(0);
    game.menuActive = 0;
    game.matchActive = 1;
    game.menuPage = 10;
    game.menuHoverPage = 10;
    game.playground = 2;
    onPassiveMotion(320, 184);
    onPassiveMotion(10, 10);
    EXPECT_EQ(game.menuHoverPage, 10);
    EXPECT_EQ(game.glowVisible, 0);
    EXPECT_EQ(game.hoverSoundArmed, 0);
    EXPECT_EQ(game.vsComputer, 0);
}

// A window squeezed to no width or height maps no pointer position onto the
// screen: nothing is hit anywhere, including the corner at (0, 0).
TEST(MenuHover, AWindowOfZeroSizeHitsNothing) {
    const int sizes[][2] = {{0, 480}, {640, 0}, {0, 0}, {-8, 480}};
    for (const auto& size : sizes) {
        for (int page = 0; page <= 3; page++) {
            menuAt(page, size[0], size[1]);
            for (int x = 0; x <= 640; x += 16) {
                for (int y = 0; y <= 480; y += 16) {
                    onPassiveMotion(x, y);
                    ASSERT_EQ(game.glowVisible, 0) << size[0] << "x" << size[1] << " at " << x << "," << y;
                    ASSERT_EQ(game.menuHoverPage, page);
                }
            }
            EXPECT_EQ(game.hoverSoundArmed, 1);
            onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
            EXPECT_EQ(game.menuPage, page);
        }
    }
}

// Clicking the settings item leaves the pointer where the settings page has
// player 2's key item; the sound was used up on the main menu.
TEST(MenuHover, ClickOnSettingsWithoutMovingLandsOnPlayer2KeysSilently) {
    menuAt(0);
    onPassiveMotion(100, 100);  // arm the sound
    onPassiveMotion(320, 284);  // settings item
    EXPECT_EQ(game.menuHoverPage, 2);
    EXPECT_EQ(hoverSounds(), 1);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 320, 284);
    EXPECT_EQ(game.menuPage, 2);
    EXPECT_EQ(game.glowVisible, 0);
    fake::calls.clear();
    onPassiveMotion(320, 284);
    EXPECT_EQ(game.glowVisible, 1);
    EXPECT_FLOAT_EQ(game.glowY, 180.0f);
    EXPECT_EQ(game.menuHoverPage, 5);
    EXPECT_EQ(game.keyCaptureStep, 1);
    EXPECT_TRUE(fake::calls.empty());
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 320, 284);
    EXPECT_EQ(game.menuPage, 5);
}
