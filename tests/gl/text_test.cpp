// Text and the score line on a real context: glyph placement, the caller's matrix, settling, marks, "GAME OVER".
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/game_state.h"
#include "app/startup.h"
#include "render/lists.h"
#include "render/text.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

// The colour of each cell of the test font: every code its own.
Rgb cellColour(int code) { return Rgb{code, 255 - code, 128}; }

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow();
        initGLState();
        buildDisplayLists();
        // A 256 x 256 font picture whose 16 x 16 cells are solid, one colour per code.
        std::vector<uint8_t> rgb;
        for (int row = 0; row < 256; row++)
            for (int column = 0; column < 256; column++) {
                Rgb c = cellColour((row / 16) * 16 + column / 16);
                rgb.insert(rgb.end(), {(uint8_t)c.r, (uint8_t)c.g, (uint8_t)c.b});
            }
        game.textures[16] = makeTexture(256, 256, rgb);
        // The state the match scene draws its HUD in.
        glViewport(0, 0, 640, 480);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glEnable(GL_BLEND);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 640, 0, 480, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    static std::vector<GlyphSeen> glyphsOf(const std::function<void()>& draw) { return glyphsIn(captureFeedback(draw)); }
};

void expectMatrix(GLenum which, const GLfloat* expected) {
    GLfloat now[16];
    glGetFloatv(which, now);
    for (int i = 0; i < 16; i++) EXPECT_EQ(now[i], expected[i]) << "element " << i;
}

TEST_F(Text, GlyphsStandFromTheGivenCornerOneAdvanceApartWhateverTheCallersMatrix) {
    glTranslatef(100, 50, 0);  // the caller's matrix must not move the text
    glRotatef(30, 0, 0, 1);
    GLfloat modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_PROJECTION);  // and may be in any matrix mode

    std::vector<GlyphSeen> glyphs = glyphsOf([] { drawText(10, 10, "ab"); });
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[0].code, 'a');
    EXPECT_FLOAT_EQ(glyphs[0].x, 10);
    EXPECT_FLOAT_EQ(glyphs[0].y, 10);
    EXPECT_EQ(glyphs[1].code, 'b');
    EXPECT_FLOAT_EQ(glyphs[1].x, 24);
    EXPECT_FLOAT_EQ(glyphs[1].y, 10);

    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    expectMatrix(GL_MODELVIEW_MATRIX, modelview);
    expectMatrix(GL_PROJECTION_MATRIX, projection);
}

TEST_F(Text, EmptyTextDrawsNothingAndKeepsTheMatrix) {
    glTranslatef(5, 6, 0);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_TRUE(captureFeedback([] { drawText(10, 10, ""); }).empty());
    expectMatrix(GL_MODELVIEW_MATRIX, modelview);
}

// Bytes of 128 and up are codes 128-255 (rows 8-15 of the font), never a list before the font block.
TEST_F(Text, HighBytesDrawTheirOwnGlyphs) {
    std::vector<GlyphSeen> glyphs = glyphsOf([] { drawText(0, 0, "\x80\xc8\xff"); });
    ASSERT_EQ(glyphs.size(), 3u);
    EXPECT_EQ(glyphs[0].code, 128);
    EXPECT_EQ(glyphs[1].code, 200);
    EXPECT_EQ(glyphs[2].code, 255);
    EXPECT_FLOAT_EQ(glyphs[2].x, 28);
}

TEST_F(Text, ScoreSettlesFivePointsIntoAGameBeforeItIsDrawn) {
    game.p1Points = 5;
    game.p2Points = 2;
    game.p1Games = 1;
    std::vector<GlyphSeen> glyphs = glyphsOf(drawScore);
    EXPECT_EQ(game.p1Points, 0);
    EXPECT_EQ(game.p2Points, 0);
    EXPECT_EQ(game.p1Games, 2);
    EXPECT_EQ(game.p2Games, 0);
    EXPECT_EQ(textAt(glyphs, 300, 456), "0:0");
    EXPECT_EQ(textAt(glyphs, 150, 453), "*");
    EXPECT_EQ(textAt(glyphs, 166, 453), "*");
    EXPECT_EQ(glyphs.size(), 5u);  // the score and two marks, nothing for player 2

    game.p1Points = 2;
    game.p2Points = 5;
    glyphs = glyphsOf(drawScore);
    EXPECT_EQ(game.p1Points, 0);
    EXPECT_EQ(game.p2Games, 1);
    EXPECT_EQ(textAt(glyphs, 470, 453), "*");
}

TEST_F(Text, ScoreShowsEachSidesPointsAsOneDigitAndMarksTheGamesWon) {
    game.p1Points = 3;
    game.p2Points = 4;
    game.p2Games = 2;
    std::vector<GlyphSeen> glyphs = glyphsOf(drawScore);
    EXPECT_EQ(textAt(glyphs, 300, 456), "3:4");
    EXPECT_EQ(textAt(glyphs, 470, 453), "*");
    EXPECT_EQ(textAt(glyphs, 454, 453), "*");
    EXPECT_EQ(glyphs.size(), 5u);

    game.p1Points = 1;
    game.p2Points = 0;
    game.p2Games = 0;
    glyphs = glyphsOf(drawScore);
    EXPECT_EQ(textAt(glyphs, 300, 456), "1:0");
    EXPECT_EQ(glyphs.size(), 3u);  // no games, no marks
}

// The winning game is settled and "GAME OVER" covers the scene in the same frame;
// the score around it is still blended, and blending is on again afterwards.
TEST_F(Text, GameOverIsDrawnUnblendedOverTheScene) {
    game.p1Points = 1;
    game.p2Points = 5;
    game.p2Games = 2;
    std::vector<GlyphSeen> glyphs = glyphsOf(drawScore);
    EXPECT_EQ(game.p2Games, 3);
    EXPECT_EQ(textAt(glyphs, 300, 456), "0:0");
    EXPECT_EQ(textAt(glyphs, 252, 232), "GAME OVER");
    EXPECT_TRUE(glIsEnabled(GL_BLEND));

    glBindTexture(GL_TEXTURE_2D, game.textures[16]);
    glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    game.p1Points = 3;
    drawScore();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    auto near = [](Rgb seen, Rgb expected) {
        return std::abs(seen.r - expected.r) <= 1 && std::abs(seen.g - expected.g) <= 1 &&
               std::abs(seen.b - expected.b) <= 1;
    };
    // Middle of the "G" and of the last "R": the font picture itself.
    EXPECT_TRUE(near(readPixel(252 + 8, 232 + 8), cellColour('G')));
    EXPECT_TRUE(near(readPixel(252 + 8 * 14 + 8, 232 + 8), cellColour('R')));
    // Middle of the "3" of the score: lightened onto the grey, picture * (1 - grey) + grey.
    auto lighten = [](int picture) { return (int)(picture * (155 / 255.0) + 100 + 0.5); };
    Rgb three = cellColour('3');
    EXPECT_TRUE(near(readPixel(300 + 8, 456 + 8), Rgb{lighten(three.r), lighten(three.g), lighten(three.b)}));
}

}  // namespace
