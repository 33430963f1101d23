// Text and the score line on a real context: glyph placement, the caller's matrix, settling, marks, "GAME OVER".
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/game_state.h"
#include "app/startup.h"
#include "render/lists.h"
#include "render/text.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

// The test font gives every cell its own solid colour.
Rgb cellColour(int code) { return Rgb{code, 255 - code, 128}; }

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow();
        initGLState();
        buildDisplayLists();
        std::vector<uint8_t> rgb;
        for (int row = 0; row < 256; row++)
            for (int column = 0; column < 256; column++) {
                Rgb c = cellColour((row / 16) * 16 + column / 16);
                rgb.insert(rgb.end(), {(uint8_t)c.r, (uint8_t)c.g, (uint8_t)c.b});
            }
        game.textures[16] = makeTexture(256, 256, rgb);
        // The state the match scene draws its HUD in, one pixel per screen unit.
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
};

std::vector<float> matrix(GLenum which) {
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

TEST_F(Text, GlyphsStandOneAdvanceApartWhateverTheCallersMatrix) {
    glTranslatef(100, 50, 0);  // a translation of the caller's must not move the text
    glRotatef(30, 0, 0, 1);
    std::vector<float> modelview = matrix(GL_MODELVIEW_MATRIX), projection = matrix(GL_PROJECTION_MATRIX);
    glMatrixMode(GL_PROJECTION);

    std::vector<GlyphSeen> glyphs = glyphsIn(captureFeedback([] { drawText(10, 10, "ab"); }));
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[0].code, 'a');
    EXPECT_FLOAT_EQ(glyphs[0].x, 10);
    EXPECT_FLOAT_EQ(glyphs[0].y, 10);
    EXPECT_EQ(glyphs[1].code, 'b');
    EXPECT_FLOAT_EQ(glyphs[1].x, 24);
    EXPECT_FLOAT_EQ(glyphs[1].y, 10);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);

    EXPECT_TRUE(captureFeedback([] { drawText(10, 10, ""); }).empty());
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);

    // Bytes of 128 and up are codes 128-255, never a list before the font block.
    glyphs = glyphsIn(captureFeedback([] { drawText(0, 0, "\x80\xc8\xff"); }));
    ASSERT_EQ(glyphs.size(), 3u);
    EXPECT_EQ(glyphs[0].code, 128);
    EXPECT_EQ(glyphs[1].code, 200);
    EXPECT_EQ(glyphs[2].code, 255);
}

TEST_F(Text, ScoreSettlesFivePointsIntoAGameAndMarksEveryGameWon) {
    game.p1Points = 5;
    game.p2Points = 2;
    game.p1Games = 1;
    std::vector<GlyphSeen> glyphs = glyphsIn(captureFeedback(drawScore));
    EXPECT_EQ(game.p1Points, 0);
    EXPECT_EQ(game.p2Points, 0);
    EXPECT_EQ(game.p1Games, 2);
    EXPECT_EQ(game.p2Games, 0);
    EXPECT_EQ(textAt(glyphs, 300, 456), "0:0");
    EXPECT_EQ(textAt(glyphs, 150, 453), "*");  // marks a glyph apart, not a pen advance
    EXPECT_EQ(textAt(glyphs, 166, 453), "*");
    EXPECT_EQ(glyphs.size(), 5u);

    game.p1Points = 3;
    game.p2Points = 4;
    game.p1Games = 0;
    game.p2Games = 2;
    glyphs = glyphsIn(captureFeedback(drawScore));
    EXPECT_EQ(textAt(glyphs, 300, 456), "3:4");
    EXPECT_EQ(textAt(glyphs, 470, 453), "*");  // player 2's grow to the left
    EXPECT_EQ(textAt(glyphs, 454, 453), "*");
    EXPECT_EQ(glyphs.size(), 5u);

    game.p2Games = 0;
    EXPECT_EQ(glyphsIn(captureFeedback(drawScore)).size(), 3u);  // no games, no marks
}

// The deciding game is settled and "GAME OVER" covers the scene in the same
// frame, while the score beside it stays blended; blending is on again afterwards.
TEST_F(Text, GameOverCoversTheSceneUnblended) {
    game.p1Points = 3;
    game.p2Points = 5;
    game.p2Games = 2;
    std::vector<GlyphSeen> glyphs = glyphsIn(captureFeedback(drawScore));
    EXPECT_EQ(game.p2Games, 3);
    EXPECT_EQ(textAt(glyphs, 252, 232), "GAME OVER");
    EXPECT_TRUE(glIsEnabled(GL_BLEND));

    glBindTexture(GL_TEXTURE_2D, game.textures[16]);
    glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    game.p1Points = 3;
    drawScore();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    auto near = [](Rgb seen, Rgb expected) {
        return std::max({std::abs(seen.r - expected.r), std::abs(seen.g - expected.g), std::abs(seen.b - expected.b)}) <= 1;
    };
    EXPECT_TRUE(near(readPixel(252 + 8, 232 + 8), cellColour('G')));
    EXPECT_TRUE(near(readPixel(252 + 8 * 14 + 8, 232 + 8), cellColour('R')));
    // The "3" of the score, lightened onto the grey: picture * (1 - grey) + grey.
    auto lighten = [](int picture) { return (int)(picture * (155 / 255.0) + 100 + 0.5); };
    Rgb three = cellColour('3');
    EXPECT_TRUE(near(readPixel(300 + 8, 456 + 8), Rgb{lighten(three.r), lighten(three.g), lighten(three.b)}));
}

}  // namespace
