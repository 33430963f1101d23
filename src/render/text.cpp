// Text drawing with the glyph lists, and the score line of the match panel.
//
// Both draw on the 640 x 480 screen that the caller has set up, with the font
// picture the caller has bound and the blending the caller has chosen.
#include "render/text.h"

#include <GL/gl.h>

#include <cstdio>

#include "core/game_state.h"
#include "match/flow.h"
#include "render/number_text.h"

// Glyphs are 16 wide; the pen moves on by 14, so neighbours overlap a little.
static const float PEN_ADVANCE = 14.0f;

void drawText(float x, float y, const char* text) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    // Each glyph is placed from scratch, so a translation the caller left on the
    // matrix does not move the text; the caller's matrix comes back with the pop.
    for (const unsigned char* c = (const unsigned char*)text;; c++) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(x, y, 0.0f);
        if (*c == 0) break;
        glCallList(game.fontLists + *c);
        x += PEN_ADVANCE;
    }
    glPopMatrix();
}

void drawLargeText(float x, float y, const char* text, float scale) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (const unsigned char* c = (const unsigned char*)text; *c; c++) {
        glLoadIdentity();
        glTranslatef(x, y, 0.0f);
        glScalef(scale, scale, 1.0f);
        glCallList(game.fontLists + *c);
        x += PEN_ADVANCE * scale;
    }
    glPopMatrix();
}

// A side's points as score text: "0" for none, else the count with one significant digit.
static void writePoints(int points, char* digits, size_t size) {
    std::snprintf(digits, size, "0");
    if (points != 0) writeSignificant((double)points, 1, digits, size);
}

void drawScore() {
    settleGames();

    char p1Digits[4];
    char p2Digits[4];
    writePoints(game.p1Points, p1Digits, sizeof p1Digits);
    writePoints(game.p2Points, p2Digits, sizeof p2Digits);
    char scoreText[8];
    std::snprintf(scoreText, sizeof scoreText, "%s:%s", p1Digits, p2Digits);
    drawText(300.0f, 456.0f, scoreText);

    // One mark per game won, a glyph width apart: player 1's grow to the right,
    // player 2's to the left.
    for (int i = 0; i < game.p1Games; i++) drawText(150.0f + 16.0f * (float)i, 453.0f, "*");
    for (int i = 0; i < game.p2Games; i++) drawText(470.0f - 16.0f * (float)i, 453.0f, "*");

    // "GAME OVER" covers the scene opaquely, glyph cells and all.
    if (game.p1Games == 3 || game.p2Games == 3) {
        glDisable(GL_BLEND);
        drawText(252.0f, 232.0f, "GAME OVER");
        glEnable(GL_BLEND);
    }
}
