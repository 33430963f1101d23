// The intro screen and the menu pages on a real context at 800 x 600, with plain-coloured test pictures.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/game_state.h"
#include "input/keyboard.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "menu/screens.h"
#include "render/lists.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

const int WIDTH = 800, HEIGHT = 600;
const Rgb WHITE = {255, 255, 255};
const Rgb NAME_INK = {255, 0, 0};

// A distinct plain colour for every picture slot, clear of black and white so
// that a picture lightened by blending always looks different from itself.
Rgb slotColour(int slot) { return Rgb{20 + (slot * 53) % 200, 20 + (slot * 97) % 200, 20 + (slot * 31) % 200}; }

// What blending leaves when src is drawn over dst: it lightens what lies below.
Rgb lighten(Rgb src, Rgb dst) {
    auto channel = [](int s, int d) { return (s * (255 - d) + 127) / 255 + d; };
    return Rgb{channel(src.r, dst.r), channel(src.g, dst.g), channel(src.b, dst.b)};
}

unsigned makePicture(int width, int height, const std::vector<unsigned char>& rgb) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

unsigned plainPicture(Rgb colour) {
    std::vector<unsigned char> rgb;
    for (int i = 0; i < 4; i++) rgb.insert(rgb.end(), {(unsigned char)colour.r, (unsigned char)colour.g, (unsigned char)colour.b});
    return makePicture(2, 2, rgb);
}

// A font of one texel per glyph cell: every glyph solid ink, the blank black
// (so a blended blank leaves the panel as it was).
unsigned fontPicture(Rgb ink) {
    std::vector<unsigned char> rgb;
    for (int code = 0; code < 256; code++) {
        Rgb c = code == ' ' ? Rgb{0, 0, 0} : ink;
        rgb.insert(rgb.end(), {(unsigned char)c.r, (unsigned char)c.g, (unsigned char)c.b});
    }
    return makePicture(16, 16, rgb);
}

class MenuScreens : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow(WIDTH, HEIGHT);
        glViewport(0, 0, WIDTH, HEIGHT);
        for (int slot = 14; slot < TEXTURE_SLOTS; slot++) game.textures[slot] = plainPicture(slotColour(slot));
        game.textures[15] = fontPicture(NAME_INK);
        game.textures[16] = fontPicture(WHITE);
        buildDisplayLists();
        game.introActive = 0;
        game.menuActive = 1;
        game.windowWidth = WIDTH;
        game.windowHeight = HEIGHT;
    }
    void TearDown() override {
        deleteDisplayLists();
        for (int slot = 14; slot < TEXTURE_SLOTS; slot++) glDeleteTextures(1, &game.textures[slot]);
    }

    // Moves the pointer to a point of the virtual screen (y from the bottom).
    void pointAt(float vx, float vy) {
        onPassiveMotion((int)(vx * WIDTH / 640.0f), (int)((480.0f - vy) * HEIGHT / 480.0f));
    }
    void click() { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }

    // The colour at a point of the virtual screen.
    static Rgb at(float vx, float vy) { return readPixel((int)(vx * WIDTH / 640.0f), (int)(vy * HEIGHT / 480.0f)); }
    static Rgb slot(int s) { return slotColour(s); }
    static Rgb background() { return slotColour(19); }
    static Rgb panel() { return lighten(slotColour(25), background()); }
};

void expectColour(Rgb actual, Rgb expected, const char* where) {
    EXPECT_NEAR(actual.r, expected.r, 3) << where;
    EXPECT_NEAR(actual.g, expected.g, 3) << where;
    EXPECT_NEAR(actual.b, expected.b, 3) << where;
}

}  // namespace

#define EXPECT_COLOUR(actual, expected) expectColour(actual, expected, #actual)

TEST_F(MenuScreens, MainPageFrameWithTheGlowExactlyOverTheHoveredItem) {
    game.menuPage = 0;
    drawMenu();
    EXPECT_COLOUR(at(600, 20), background());
    EXPECT_COLOUR(at(320, 440), lighten(slot(20), background()));  // title logo
    EXPECT_COLOUR(at(20, 20), lighten(slot(27), background()));    // corner logo
    EXPECT_COLOUR(at(220, 110), panel());
    EXPECT_COLOUR(at(264, 368), WHITE);  // "main menu"
    EXPECT_COLOUR(at(320, 296), slot(21));
    EXPECT_COLOUR(at(320, 246), slot(22));
    EXPECT_COLOUR(at(320, 196), slot(23));
    EXPECT_COLOUR(at(320, 146), slot(24));

    pointAt(320, 246);  // two players
    ASSERT_EQ(game.glowVisible, 1);
    drawMenu();
    Rgb glowOnItem = lighten(slot(26), slot(22));
    EXPECT_COLOUR(at(258, 232), glowOnItem);
    EXPECT_COLOUR(at(382, 260), glowOnItem);
    EXPECT_COLOUR(at(320, 296), slot(21));
    EXPECT_COLOUR(at(320, 196), slot(23));
    EXPECT_COLOUR(at(253, 246), panel());  // just beside the item
    EXPECT_COLOUR(at(387, 246), panel());
}

TEST_F(MenuScreens, PlaygroundPageGlowsOverThePictureDrawnNotItsHitArea) {
    game.menuPage = 1;
    pointAt(300, 480 - 165);  // above the drawn picture of playground 1, in its hit area
    ASSERT_EQ(game.playground, 1);
    drawMenu();
    Rgb glowOnPicture = lighten(slot(26), slot(29));
    EXPECT_COLOUR(at(187, 186), glowOnPicture);
    EXPECT_COLOUR(at(311, 310), glowOnPicture);
    EXPECT_COLOUR(at(249, 182), panel());
    EXPECT_COLOUR(at(390, 250), slot(30));
    EXPECT_COLOUR(at(216, 153), WHITE);  // "tennis" under playground 1
    EXPECT_COLOUR(at(330, 153), WHITE);  // "futuristic" under playground 2
    EXPECT_COLOUR(at(208 + 14 * 6 + 4, 153), panel());
    EXPECT_COLOUR(at(208, 368), WHITE);  // "select playground"

    pointAt(400, 480 - 165);
    drawMenu();
    EXPECT_COLOUR(at(249, 250), slot(29));
    EXPECT_COLOUR(at(390, 250), lighten(slot(26), slot(30)));
}

// The check mark sits near the right end of the row of the difficulty in force.
TEST_F(MenuScreens, CheckMarkFollowsTheDifficultyAndTheClicks) {
    game.menuPage = 2;
    const float rowBottoms[3] = {230, 180, 130};  // easy, normal, hard
    const int rowSlots[3] = {33, 34, 35};
    auto expectMarkOn = [&](int row) {
        drawMenu();
        for (int r = 0; r < 3; r++) {
            Rgb expected = r == row ? lighten(slot(36), slot(rowSlots[r])) : slot(rowSlots[r]);
            expectColour(at(195, rowBottoms[r] + 16), expected, r == row ? "marked row" : "unmarked row");
            expectColour(at(150, rowBottoms[r] + 16), slot(rowSlots[r]), "row left of the mark");
        }
    };
    const struct {
        float difficulty;
        int row;
    } values[] = {{13, 0}, {12.01f, 0}, {12, 1}, {11, 1}, {10, 1}, {9.99f, 2}, {9, 2}, {-4, 2}, {1000, 0}};
    for (const auto& value : values) {
        SCOPED_TRACE(value.difficulty);
        game.difficulty = value.difficulty;
        expectMarkOn(value.row);
    }
    for (int row : {0, 2, 1}) {
        SCOPED_TRACE(row);
        pointAt(150, rowBottoms[row] + 16);
        click();
        expectMarkOn(row);
    }
}

TEST_F(MenuScreens, SettingsPageShowsEveryItemAndTheGlowOverClose) {
    game.menuPage = 2;
    pointAt(320, 96);
    ASSERT_EQ(game.menuHoverPage, 0);
    drawMenu();
    EXPECT_COLOUR(at(320, 96), lighten(slot(26), slot(41)));
    EXPECT_COLOUR(at(320, 246), slot(37));
    EXPECT_COLOUR(at(320, 196), slot(38));
    EXPECT_COLOUR(at(490, 246), slot(39));
    EXPECT_COLOUR(at(490, 196), slot(40));
    EXPECT_COLOUR(at(70, 70), lighten(slot(25), background()));
    EXPECT_COLOUR(at(273, 368), WHITE);  // "settings"
    EXPECT_COLOUR(at(86, 303), WHITE);   // "difficulty"
    EXPECT_COLOUR(at(465, 303), WHITE);  // "names"
}

TEST_F(MenuScreens, ExitPageGlowsOverTheAnswer) {
    game.menuPage = 3;
    pointAt(383, 176);
    ASSERT_EQ(game.menuHoverPage, 0);
    drawMenu();
    EXPECT_COLOUR(at(353, 162), lighten(slot(26), slot(32)));
    EXPECT_COLOUR(at(413, 190), lighten(slot(26), slot(32)));
    EXPECT_COLOUR(at(418, 176), panel());
    EXPECT_COLOUR(at(257, 176), slot(31));
    EXPECT_COLOUR(at(243, 238), WHITE);  // "really exit?"
}

// Only the prompt's printed characters show: blanks leave the panel, and the
// three prompts end at different places.
TEST_F(MenuScreens, KeyPagesShowThePromptOfTheStep) {
    const float y = 231;
    auto glyph = [](int i) { return 230.0f + 14 * i + 8; };
    const struct {
        int step;
        std::vector<int> ink, blank;
    } prompts[] = {
        {1, {3, 9}, {0, 2, 10, 11, 12}},  // "   move up"
        {2, {2, 10}, {0, 1, 11, 12}},     // "  move down"
        {3, {0, 12}, {4, 8}},             // "pass the ball"
        {0, {}, {0, 3, 9, 10, 12}},
        {4, {}, {0, 3, 9, 10, 12}},
    };
    for (int page : {4, 5}) {
        for (const auto& prompt : prompts) {
            SCOPED_TRACE(testing::Message() << "page " << page << " step " << prompt.step);
            game.menuPage = page;
            game.keyCaptureStep = prompt.step;
            game.glowVisible = 1;  // never drawn on these pages
            game.glowX = 256;
            game.glowY = 180;
            drawMenu();
            for (int i : prompt.ink) EXPECT_COLOUR(at(glyph(i), y), WHITE);
            for (int i : prompt.blank) EXPECT_COLOUR(at(glyph(i), y), panel());
            EXPECT_COLOUR(at(320, 190), panel());
        }
    }
}

TEST_F(MenuScreens, NamePagesShowTheTypedNameInTheNameFont) {
    for (int page : {6, 7}) {
        SCOPED_TRACE(page);
        game.menuPage = page;
        game.glowVisible = 1;
        game.glowX = 256;
        game.glowY = 180;
        char* name = page == 6 ? game.p1name : game.p2name;
        name[0] = 0;
        for (const char* c = "abcdefghij"; *c; c++) onKeyboard((unsigned char)*c, 0, 0);
        drawMenu();
        Rgb nameInk = lighten(NAME_INK, panel());
        EXPECT_COLOUR(at(254, 214), nameInk);        // first of eight characters
        EXPECT_COLOUR(at(246 + 98 + 8, 214), nameInk);  // eighth, ending at x 360
        EXPECT_COLOUR(at(364, 214), panel());
        EXPECT_COLOUR(at(254, 246), WHITE);  // "enter name:"
        EXPECT_COLOUR(at(320, 190), panel());
    }
}

TEST_F(MenuScreens, PagesBeyondTheLastShowBackgroundAndLogosOnly) {
    for (int page : {8, 10, 11, -1}) {
        game.menuPage = page;
        drawMenu();
        EXPECT_COLOUR(at(320, 240), background());
        EXPECT_COLOUR(at(20, 20), lighten(slot(27), background()));
    }
}

// A menu frame and an intro frame give back the state the match expects.
TEST_F(MenuScreens, FramesRestoreMatricesAndSwitches) {
    for (int lighting : {1, 0}) {
        for (int page : {0, 1, 2, 3, 4, 6}) {
            game.lightingOn = (u8)lighting;
            game.menuPage = page;
            GLint projectionDepth = 0, modelviewDepth = 0;
            glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
            glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
            drawMenu();
            GLint depth = 0;
            glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
            EXPECT_EQ(depth, projectionDepth);
            glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
            EXPECT_EQ(depth, modelviewDepth);
            EXPECT_EQ(glIsEnabled(GL_LIGHTING), lighting ? GL_TRUE : GL_FALSE);
            EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_TRUE);
            drawIntroScreen();
            EXPECT_EQ(glIsEnabled(GL_LIGHTING), lighting ? GL_TRUE : GL_FALSE);
            EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_TRUE);
            EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
        }
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(MenuScreens, IntroLogosMeetAtTheCentreAndStartOffScreen) {
    game.introActive = 1;
    game.menuActive = 0;
    game.introClearRed = 0.2f;
    game.introClearBlue = 0.4f;
    Rgb clear = {51, 0, 102};
    drawIntroScreen();
    EXPECT_COLOUR(at(2, 240), clear);
    EXPECT_COLOUR(at(320, 240), clear);
    EXPECT_COLOUR(at(638, 240), clear);

    game.introLogo1X = 320;
    game.introLogo2X = -320;
    drawIntroScreen();
    EXPECT_COLOUR(at(66, 240), lighten(slot(17), clear));
    EXPECT_COLOUR(at(318, 366), lighten(slot(17), clear));
    EXPECT_COLOUR(at(322, 114), lighten(slot(18), clear));
    EXPECT_COLOUR(at(574, 240), lighten(slot(18), clear));
    EXPECT_COLOUR(at(62, 240), clear);
    EXPECT_COLOUR(at(578, 240), clear);
    EXPECT_COLOUR(at(320, 372), clear);
}
