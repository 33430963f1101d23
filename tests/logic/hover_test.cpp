// Pointer motion and arrow keys over the menu: hit areas, glow corners, targets, the hover sound, Enter and Escape.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "core/game_state.h"
#include "assets/sound.h"
#include "app/events.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "support/fake_platform.h"

static void menuAt(int page, int width = 640, int height = 480) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.menuActive = 1;
    game.menuPage = game.menuHoverPage = page;
    game.windowWidth = width;
    game.windowHeight = height;
}

static int hoverSounds() {
    int count = 0;
    for (const PlatformCall& call : callsOf("play"))
        count += call.channel == CHANNEL_HOVER && call.chunk == fakeChunk(SOUND_MENU_OVER) && call.loops == 0;
    return count;
}

// The middle of every item as drawn (y from the bottom) hits it, puts the glow
// on its corner and leads where the item says.
TEST(MenuHover, EveryItemAnswersInTheMiddleOfItsDrawnRectangle) {
    const struct {
        int page, left, bottom, right, top, target;
    } items[] = {
        {0, 256, 280, 384, 312, 1},  {0, 256, 230, 384, 262, 8}, {0, 256, 180, 384, 212, 2},
        {0, 256, 130, 384, 162, 3},  {1, 185, 184, 313, 312, 10}, {1, 327, 184, 455, 312, 10},
        {2, 83, 230, 211, 262, 2},   {2, 83, 180, 211, 212, 2},   {2, 83, 130, 211, 162, 2},
        {2, 256, 230, 384, 262, 4},  {2, 256, 180, 384, 212, 5},  {2, 256, 80, 384, 112, 0},
        {2, 429, 230, 557, 262, 6},  {2, 429, 180, 557, 212, 7},  {3, 225, 160, 289, 192, 11},
        {3, 351, 160, 415, 192, 0},  {0, 256, 50, 384, 82, 14},   {8, 256, 280, 384, 312, 1},
        {8, 256, 230, 384, 262, 9},  {8, 256, 180, 384, 212, 12}, {8, 256, 130, 384, 162, 0},
        {9, 256, 130, 384, 162, 8},  {12, 70, 290, 570, 322, 15}, {12, 70, 146, 570, 178, 15},
        {12, 176, 72, 304, 104, 13}, {12, 336, 72, 464, 104, 8},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(testing::Message() << "page " << item.page << " item at " << item.left << "," << item.bottom);
        menuAt(item.page);
        game.lastReplayThere = 1;
        game.foundHostCount = JOIN_ROWS;
        onPassiveMotion((item.left + item.right) / 2, 480 - (item.bottom + item.top) / 2);
        EXPECT_EQ(game.glowVisible, 1);
        EXPECT_FLOAT_EQ(game.glowX, (float)item.left);
        EXPECT_FLOAT_EQ(game.glowY, (float)item.bottom);
        EXPECT_EQ(game.menuHoverPage, item.target);
    }
}

TEST(MenuHover, At800x600Column320IsTheEdgeAnd321IsInside) {
    menuAt(0, 800, 600);
    onPassiveMotion(320, 230);  // px 256, the single-player item's left edge
    EXPECT_EQ(game.glowVisible, 0);
    EXPECT_EQ(game.menuHoverPage, 0);
    onPassiveMotion(321, 230);  // px 256.8
    EXPECT_EQ(game.menuHoverPage, 1);
    EXPECT_EQ(game.vsComputer, 1);
    EXPECT_EQ(game.p2Human, 0);
    onPassiveMotion(321, 292);  // two players, just below
    EXPECT_EQ(game.vsComputer, 0);
    EXPECT_EQ(game.p2Human, 1);
}

TEST(MenuHover, PlaygroundPicturesAnswerFiveUnitsAboveWhereTheyAreDrawn) {
    menuAt(1);
    onPassiveMotion(300, 165);  // above the drawn picture
    EXPECT_EQ(game.playground, 1);
    EXPECT_EQ(game.menuHoverPage, 10);
    EXPECT_FLOAT_EQ(game.glowY, 184.0f);
    onPassiveMotion(300, 293);  // on the picture's lowest rows
    EXPECT_EQ(game.glowVisible, 0);
    EXPECT_EQ(game.menuHoverPage, 1);
}

TEST(MenuHover, SoundIsSilentOnTheFirstItemThenPlaysOncePerEntry) {
    menuAt(0);
    onPassiveMotion(320, 184);  // the first motion already lies on an item
    onPassiveMotion(320, 234);  // straight onto the next one
    EXPECT_EQ(hoverSounds(), 0);
    onPassiveMotion(320, 259);  // the gap between two items
    onPassiveMotion(320, 284);
    onPassiveMotion(330, 290);  // within the item
    EXPECT_EQ(hoverSounds(), 1);
    onPassiveMotion(100, 100);
    onPassiveMotion(320, 334);
    EXPECT_EQ(hoverSounds(), 2);
    game.effects = 0;
    onPassiveMotion(100, 100);
    onPassiveMotion(320, 334);
    EXPECT_EQ(hoverSounds(), 2);
    EXPECT_EQ(game.hoverSoundArmed, 1);
}

// A window squeezed to no width or height maps no pointer onto the screen.
TEST(MenuHover, AWindowOfZeroSizeHitsNothing) {
    const int sizes[][2] = {{0, 480}, {640, 0}, {0, 0}};
    for (const auto& size : sizes) {
        for (int page = 0; page <= 3; page++) {
            menuAt(page, size[0], size[1]);
            for (int x = 0; x <= 640; x += 16)
                for (int y = 0; y <= 480; y += 16) {
                    onPassiveMotion(x, y);
                    ASSERT_EQ(game.glowVisible, 0) << size[0] << "x" << size[1] << " at " << x << "," << y;
                }
            onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
            EXPECT_EQ(game.menuPage, page);
        }
    }
}

// The settings item leaves the pointer where the settings page has player 2's
// keys; the sound was used up on the main menu.
TEST(MenuHover, ClickOnSettingsWithoutMovingLandsOnPlayer2KeysSilently) {
    menuAt(0);
    onPassiveMotion(100, 100);
    onPassiveMotion(320, 284);
    ASSERT_EQ(hoverSounds(), 1);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    ASSERT_EQ(game.menuPage, 2);
    game.keyCaptureStep = 4;
    onPassiveMotion(320, 284);
    EXPECT_EQ(game.glowVisible, 1);
    EXPECT_EQ(game.menuHoverPage, 5);
    EXPECT_EQ(game.keyCaptureStep, 1);
    EXPECT_EQ(hoverSounds(), 1);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_EQ(game.menuPage, 5);
}

// The arrows: the first move takes the page's first item, each further one the
// nearest item that way, with the hover sound every time; the pointer and the
// keys take turns; Enter chooses as a click would; pages without items, key
// pages and a dimmed item take no move.
TEST(MenuKeys, ArrowsMoveTheGlowItemByItemAndEnterChoosesIt) {
    menuAt(PAGE_SETTINGS);
    game.effects = 1;
    const auto glowAt = [](int key, float x, float y) {
        onSpecial(key, 0, 0);
        EXPECT_EQ(game.glowVisible, 1);
        EXPECT_FLOAT_EQ(game.glowX, x);
        EXPECT_FLOAT_EQ(game.glowY, y);
    };
    glowAt(GLUT_KEY_LEFT, 83, 230);    // nothing targeted: easy, top left
    glowAt(GLUT_KEY_LEFT, 83, 230);    // nothing further left
    glowAt(GLUT_KEY_DOWN, 83, 180);    // normal
    glowAt(GLUT_KEY_RIGHT, 256, 180);  // player 2's keys, level with it
    glowAt(GLUT_KEY_DOWN, 256, 80);    // close
    glowAt(GLUT_KEY_UP, 256, 180);
    glowAt(GLUT_KEY_RIGHT, 429, 180);  // player 2's name
    EXPECT_EQ(hoverSounds(), 6);  // every move but the one that found nothing
    onPassiveMotion(147, 334);  // the pointer moves last: hard
    glowAt(GLUT_KEY_UP, 83, 180);
    onKeyboard(13, 0, 0);
    EXPECT_EQ(game.difficulty, 11.0f);
    EXPECT_EQ(game.menuPage, PAGE_SETTINGS);

    // Enter with nothing under the glow chooses nothing; the close item goes to the main menu.
    onPassiveMotion(10, 10);
    onKeyboard(13, 0, 0);
    EXPECT_EQ(game.menuPage, PAGE_SETTINGS);
    glowAt(GLUT_KEY_DOWN, 83, 230);
    for (int i = 0; i < 3; i++) onSpecial(GLUT_KEY_DOWN, 0, 0);
    EXPECT_FLOAT_EQ(game.glowY, 80.0f);
    onKeyboard(13, 0, 0);
    EXPECT_EQ(game.menuPage, PAGE_MAIN);
    EXPECT_EQ(game.glowVisible, 0);

    // The dimmed last match is passed over; once kept, it is the last item down.
    game.lastReplayThere = 0;
    for (int i = 0; i < 5; i++) onSpecial(GLUT_KEY_DOWN, 0, 0);
    EXPECT_FLOAT_EQ(game.glowY, 130.0f);
    game.lastReplayThere = 1;
    glowAt(GLUT_KEY_DOWN, 256, 50);
    // Gone since: choosing it stays on the main menu, dims it, and says why once.
    snprintf(game.replayFolder, sizeof game.replayFolder, "%s", "/nonexistent");
    testing::internal::CaptureStderr();
    onKeyboard(13, 0, 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Replay: cannot read /nonexistent/last.replay"),
              std::string::npos);
    EXPECT_EQ(game.menuPage, PAGE_MAIN);
    EXPECT_EQ(game.lastReplayThere, 0);
    EXPECT_EQ(game.replayActive, 0);

    // A key page takes the arrows and Enter as bindings; a name page takes no move.
    menuAt(PAGE_P1_KEYS);
    game.keyCaptureStep = 1;
    onSpecial(GLUT_KEY_DOWN, 0, 0);
    onKeyboard(13, 0, 0);
    EXPECT_EQ(game.p1Up, GLUT_KEY_DOWN);
    EXPECT_EQ(game.p1Down, 13);
    EXPECT_EQ(game.glowVisible, 0);
    menuAt(PAGE_P1_NAME);
    onSpecial(GLUT_KEY_UP, 0, 0);
    EXPECT_EQ(game.glowVisible, 0);

    // A host started from the command line goes from "two players" straight to the playgrounds.
    menuAt(PAGE_MAIN);
    game.netRole = NET_ROLE_HOST;
    onPassiveMotion(320, 234);
    EXPECT_EQ(game.menuHoverPage, PAGE_PLAYGROUND);
}
