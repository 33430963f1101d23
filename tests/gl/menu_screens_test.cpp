// The intro screen and the menu pages on a real context at 800 x 600, with plain-coloured test pictures.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <vector>

#include "core/game_state.h"
#include "app/events.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "menu/screens.h"
#include "render/lists.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

const Rgb WHITE = {255, 255, 255}, NAME_INK = {255, 0, 0};

// A distinct colour per slot, clear of black and white, so that blending
// (which lightens what lies below) always shows.
Rgb slot(int s) { return Rgb{20 + (s * 53) % 200, 20 + (s * 97) % 200, 20 + (s * 31) % 200}; }

Rgb lighten(Rgb src, Rgb dst) {
    auto channel = [](int s, int d) { return (s * (255 - d) + 127) / 255 + d; };
    return Rgb{channel(src.r, dst.r), channel(src.g, dst.g), channel(src.b, dst.b)};
}

// One texel per colour (or per glyph cell for a font), nearest filtering.
unsigned picture(int width, int height, const std::vector<Rgb>& texels) {
    std::vector<unsigned char> rgb;
    for (Rgb t : texels) rgb.insert(rgb.end(), {(unsigned char)t.r, (unsigned char)t.g, (unsigned char)t.b});
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

// Every glyph solid ink except the blank, which is black and so leaves what
// lies below it unchanged.
unsigned font(Rgb ink) {
    std::vector<Rgb> cells(256, ink);
    cells[' '] = Rgb{0, 0, 0};
    return picture(16, 16, cells);
}

// The colour at a point of the 640 x 480 screen, y from the bottom.
Rgb at(float vx, float vy) { return readPixel((int)(vx * 1.25f), (int)(vy * 1.25f)); }

void expectColour(Rgb actual, Rgb expected, const char* where) {
    EXPECT_NEAR(actual.r, expected.r, 3) << where;
    EXPECT_NEAR(actual.g, expected.g, 3) << where;
    EXPECT_NEAR(actual.b, expected.b, 3) << where;
}
#define EXPECT_COLOUR(actual, expected) expectColour(actual, expected, #actual)

class MenuScreens : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow(800, 600);
        for (int s = 14; s < TEXTURE_SLOTS; s++) game.textures[s] = picture(1, 1, {slot(s)});
        game.textures[15] = font(NAME_INK);
        game.textures[16] = font(WHITE);
        buildDisplayLists();
        game.introActive = 0;
        game.menuActive = 1;
        game.windowWidth = 800;
        game.windowHeight = 600;
    }
    // The pointer at a point of the 640 x 480 screen, y from the bottom.
    void pointAt(float vx, float vy) { onPassiveMotion((int)(vx * 1.25f), (int)((480 - vy) * 1.25f)); }
    static Rgb background() { return slot(19); }
    static Rgb panel() { return lighten(slot(25), background()); }
};

}  // namespace

TEST_F(MenuScreens, MainPageFrameLeavesTheStateAMatchExpects) {
    for (int lighting : {1, 0}) {
        game.lightingOn = (u8)lighting;
        GLint projectionDepth = 0, depth = 0;
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
        drawMenu();
        EXPECT_COLOUR(at(600, 20), background());
        EXPECT_COLOUR(at(320, 440), lighten(slot(20), background()));  // title
        EXPECT_COLOUR(at(20, 20), lighten(slot(27), background()));    // corner logo
        EXPECT_COLOUR(at(264, 368), WHITE);                            // "main menu"
        for (int i = 0; i < 4; i++) expectColour(at(320, 296 - 50 * i), slot(21 + i), "main item");
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, projectionDepth);
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), lighting ? GL_TRUE : GL_FALSE);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    }
}

// The glow covers exactly the hovered item and nothing beside it, on every page.
TEST_F(MenuScreens, GlowCoversTheHoveredItemExactly) {
    const struct {
        int page;
        float pointX, pointY;   // where the pointer is
        int left, bottom, right, top, itemSlot;  // the item drawn there
    } cases[] = {
        {0, 320, 246, 256, 230, 384, 262, 22},
        {1, 300, 315, 185, 184, 313, 312, 29},  // hit above the picture, glow on it
        {1, 390, 250, 327, 184, 455, 312, 30},
        {2, 320, 96, 256, 80, 384, 112, 41},
        {2, 490, 196, 429, 180, 557, 212, 40},
        {3, 383, 176, 351, 160, 415, 192, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << c.page << " slot " << c.itemSlot);
        game.menuPage = c.page;
        pointAt(c.pointX, c.pointY);
        ASSERT_EQ(game.glowVisible, 1);
        drawMenu();
        Rgb glowing = lighten(slot(26), slot(c.itemSlot));
        EXPECT_COLOUR(at(c.left + 2, c.bottom + 2), glowing);
        EXPECT_COLOUR(at(c.right - 2, c.top - 2), glowing);
        Rgb beside = at(c.left - 3, (c.bottom + c.top) / 2.0f);
        EXPECT_NE(beside.g, glowing.g);
        pointAt(5, 475);
        drawMenu();
        EXPECT_COLOUR(at(c.left + 2, c.bottom + 2), slot(c.itemSlot));
    }
}

TEST_F(MenuScreens, CheckMarkFollowsTheDifficultyAndTheClicks) {
    game.menuPage = 2;
    const float rowBottoms[3] = {230, 180, 130};  // easy, normal, hard
    auto expectMarkOn = [&](int row) {
        drawMenu();
        for (int r = 0; r < 3; r++) {
            Rgb item = slot(33 + r);
            expectColour(at(195, rowBottoms[r] + 16), r == row ? lighten(slot(36), item) : item, "at the mark");
            expectColour(at(150, rowBottoms[r] + 16), item, "left of the mark");
        }
    };
    const struct {
        float difficulty;
        int row;
    } values[] = {{13, 0}, {12.01f, 0}, {12, 1}, {10, 1}, {9.99f, 2}, {9, 2}};
    for (const auto& value : values) {
        SCOPED_TRACE(value.difficulty);
        game.difficulty = value.difficulty;
        expectMarkOn(value.row);
    }
    for (int row : {0, 1, 2}) {
        SCOPED_TRACE(row);
        pointAt(150, rowBottoms[row] + 16);
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        expectMarkOn(row);
    }
}

// Blanks leave the panel showing, so the three prompts start and end at
// different glyphs; no glow is ever drawn here.
TEST_F(MenuScreens, KeyPagesShowThePromptOfTheStep) {
    const struct {
        int step;
        std::vector<int> ink, blank;  // glyph positions
    } prompts[] = {
        {1, {3, 9}, {0, 2, 10}},   // "   move up"
        {2, {2, 10}, {0, 1, 11}},  // "  move down"
        {3, {0, 12}, {4, 8}},      // "pass the ball"
        {4, {}, {0, 3, 10, 12}},
    };
    for (int page : {4, 5})
        for (const auto& prompt : prompts) {
            SCOPED_TRACE(testing::Message() << "page " << page << " step " << prompt.step);
            game.menuPage = page;
            game.keyCaptureStep = prompt.step;
            game.glowVisible = 1;
            game.glowX = 256;
            game.glowY = 180;
            drawMenu();
            for (int i : prompt.ink) EXPECT_COLOUR(at(238 + 14 * i, 231), WHITE);
            for (int i : prompt.blank) EXPECT_COLOUR(at(238 + 14 * i, 231), panel());
            EXPECT_COLOUR(at(320, 190), panel());
        }
}

TEST_F(MenuScreens, NamePagesShowTheTypedNameInTheNameFont) {
    for (int page : {6, 7}) {
        SCOPED_TRACE(page);
        game.menuPage = page;
        (page == 6 ? game.p1name : game.p2name)[0] = 0;
        for (const char* c = "abcdefghij"; *c; c++) onKeyboard((unsigned char)*c, 0, 0);
        drawMenu();
        Rgb nameInk = lighten(NAME_INK, panel());
        EXPECT_COLOUR(at(254, 214), nameInk);  // first of eight characters
        EXPECT_COLOUR(at(352, 214), nameInk);  // the eighth ends at x 360
        EXPECT_COLOUR(at(364, 214), panel());
        EXPECT_COLOUR(at(254, 246), WHITE);  // "enter name:"
    }
}

TEST_F(MenuScreens, IntroLogosStartOffScreenAndMeetAtTheCentre) {
    game.introClearRed = 0.2f;
    game.introClearBlue = 0.4f;
    Rgb clear = {51, 0, 102};
    drawIntroScreen();
    for (float x : {2.0f, 320.0f, 638.0f}) EXPECT_COLOUR(at(x, 240), clear);
    game.introLogo1X = 320;
    game.introLogo2X = -320;
    drawIntroScreen();
    EXPECT_COLOUR(at(66, 114), lighten(slot(17), clear));
    EXPECT_COLOUR(at(318, 366), lighten(slot(17), clear));
    EXPECT_COLOUR(at(322, 114), lighten(slot(18), clear));
    EXPECT_COLOUR(at(574, 366), lighten(slot(18), clear));
    for (float x : {62.0f, 578.0f}) EXPECT_COLOUR(at(x, 240), clear);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}
