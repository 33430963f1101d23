// Display lists holding every piece of geometry the game draws: playground, bats, ball, panel, font, intro and menu.
//
// Lists carry vertices, normals and texture coordinates only. The caller binds the
// picture, sets the translation and calls the list; only the ball list touches
// other state (it pushes, scales and pops the modelview matrix to flatten the ball).
#include "render/lists.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "core/game_state.h"

namespace {

// Block sizes: list k of a block is its first name plus k.
enum { MATCH_LIST_COUNT = 11, FONT_LIST_COUNT = 256, INTRO_LIST_COUNT = 2, MENU_LIST_COUNT = 33 };

// One corner of a field quad: position, then the picture coordinate it shows.
struct Corner {
    float x, y, z, s, t;
};

// One field quad: its normal and its four corners in the order they are emitted.
struct FieldQuad {
    float nx, ny, nz;
    Corner corners[4];
};

// A range of consecutive quads in fieldQuads that makes up one match list.
struct FieldList {
    int first, count;
};

// Every field quad, grouped by list. Unless the picture is turned on purpose the
// corners take (0,1), (1,1), (1,0), (0,0): the picture's top row (t = 0) goes to
// the third and fourth corners. Each quad is wound counter-clockwise seen from
// the side its normal points to, except the second end screen (see below).
const FieldQuad fieldQuads[] = {
    // 0 background: 9 x 7, 6 below the floor, drawn with an identity modelview.
    {0, 0, 1, {{-3.5f, -3, -6, 0, 1}, {5.5f, -3, -6, 1, 1}, {5.5f, 4, -6, 1, 0}, {-3.5f, 4, -6, 0, 0}}},
    // 1 floor: player 1's half upright, player 2's half with the picture turned half a
    // turn, so each half reads the same way round from its own end.
    {0, 0, 1, {{0, 0, 0, 0, 1}, {1, 0, 0, 1, 1}, {1, 1, 0, 1, 0}, {0, 1, 0, 0, 0}}},
    {0, 0, 1, {{1, 0, 0, 1, 0}, {2, 0, 0, 0, 0}, {2, 1, 0, 0, 1}, {1, 1, 0, 1, 1}}},
    // 2 slab ends: the floor is the top of a slab 0.2 thick; these close its two ends.
    {-1, 0, 0, {{0, 1, -0.2f, 0, 1}, {0, 0, -0.2f, 1, 1}, {0, 0, 0, 1, 0}, {0, 1, 0, 0, 0}}},
    {1, 0, 0, {{2, 0, -0.2f, 0, 0}, {2, 1, -0.2f, 1, 0}, {2, 1, 0, 1, 1}, {2, 0, 0, 0, 1}}},
    // 3 board tops, far board (y 1..1.1) then near board (y -0.1..0).
    {0, 0, 1, {{0, 1, 0.2f, 0, 1}, {2, 1, 0.2f, 1, 1}, {2, 1.1f, 0.2f, 1, 0}, {0, 1.1f, 0.2f, 0, 0}}},
    {0, 0, 1, {{2, 0, 0.2f, 0, 1}, {0, 0, 0.2f, 1, 1}, {0, -0.1f, 0.2f, 1, 0}, {2, -0.1f, 0.2f, 0, 0}}},
    // 4 board inner faces, facing the field.
    {0, -1, 0, {{0, 1, 0, 0, 1}, {2, 1, 0, 1, 1}, {2, 1, 0.2f, 1, 0}, {0, 1, 0.2f, 0, 0}}},
    {0, 1, 0, {{2, 0, 0, 0, 1}, {0, 0, 0, 1, 1}, {0, 0, 0.2f, 1, 0}, {2, 0, 0.2f, 0, 0}}},
    // 5 board outer faces.
    {0, 1, 0, {{2, 1.1f, -0.2f, 0, 1}, {0, 1.1f, -0.2f, 1, 1}, {0, 1.1f, 0.2f, 1, 0}, {2, 1.1f, 0.2f, 0, 0}}},
    {0, -1, 0, {{0, -0.1f, -0.2f, 0, 1}, {2, -0.1f, -0.2f, 1, 1}, {2, -0.1f, 0.2f, 1, 0}, {0, -0.1f, 0.2f, 0, 0}}},
    // 6 board ends: both boards at player 2's end, then both at player 1's end.
    {1, 0, 0, {{2, -0.1f, -0.2f, 0, 1}, {2, 0, -0.2f, 1, 1}, {2, 0, 0.2f, 1, 0}, {2, -0.1f, 0.2f, 0, 0}}},
    {1, 0, 0, {{2, 1, -0.2f, 0, 1}, {2, 1.1f, -0.2f, 1, 1}, {2, 1.1f, 0.2f, 1, 0}, {2, 1, 0.2f, 0, 0}}},
    {-1, 0, 0, {{0, 0, -0.2f, 0, 1}, {0, -0.1f, -0.2f, 1, 1}, {0, -0.1f, 0.2f, 1, 0}, {0, 0, 0.2f, 0, 0}}},
    {-1, 0, 0, {{0, 1.1f, -0.2f, 0, 1}, {0, 1, -0.2f, 1, 1}, {0, 1, 0.2f, 1, 0}, {0, 1.1f, 0.2f, 0, 0}}},
    // 7 bat: a box x 0.2..0.25, y 0.4..0.6, z 0.1..0.15 at player 1's end;
    // top, bottom, back, front, near side, far side.
    {0, 0, 1, {{0.2f, 0.6f, 0.15f, 0, 1}, {0.2f, 0.4f, 0.15f, 1, 1}, {0.25f, 0.4f, 0.15f, 1, 0}, {0.25f, 0.6f, 0.15f, 0, 0}}},
    {0, 0, -1, {{0.2f, 0.4f, 0.1f, 0, 1}, {0.2f, 0.6f, 0.1f, 1, 1}, {0.25f, 0.6f, 0.1f, 1, 0}, {0.25f, 0.4f, 0.1f, 0, 0}}},
    {-1, 0, 0, {{0.2f, 0.6f, 0.1f, 0, 1}, {0.2f, 0.4f, 0.1f, 1, 1}, {0.2f, 0.4f, 0.15f, 1, 0}, {0.2f, 0.6f, 0.15f, 0, 0}}},
    {1, 0, 0, {{0.25f, 0.4f, 0.1f, 0, 1}, {0.25f, 0.6f, 0.1f, 1, 1}, {0.25f, 0.6f, 0.15f, 1, 0}, {0.25f, 0.4f, 0.15f, 0, 0}}},
    {0, -1, 0, {{0.2f, 0.4f, 0.1f, 0, 1}, {0.25f, 0.4f, 0.1f, 1, 1}, {0.25f, 0.4f, 0.15f, 1, 0}, {0.2f, 0.4f, 0.15f, 0, 0}}},
    {0, 1, 0, {{0.25f, 0.6f, 0.1f, 0, 1}, {0.2f, 0.6f, 0.1f, 1, 1}, {0.2f, 0.6f, 0.15f, 1, 0}, {0.25f, 0.6f, 0.15f, 0, 0}}},
    // 10 end screens: upright planes across the field behind the bats. Both quads
    // share one corner order, so the second faces away from its normal; the scene
    // draws them with culling off.
    {1, 0, 0, {{0.07f, 0, 0, 0, 1}, {0.07f, 1, 0, 1, 1}, {0.07f, 1, 0.2f, 1, 0}, {0.07f, 0, 0.2f, 0, 0}}},
    {-1, 0, 0, {{1.93f, 0, 0, 0, 1}, {1.93f, 1, 0, 1, 1}, {1.93f, 1, 0.2f, 1, 0}, {1.93f, 0, 0.2f, 0, 0}}},
};

// Field lists 0-7 and 10 by their quads in fieldQuads.
const FieldList backgroundList = {0, 1};
const FieldList floorList = {1, 2};
const FieldList slabEndsList = {3, 2};
const FieldList boardTopsList = {5, 2};
const FieldList boardInnerList = {7, 2};
const FieldList boardOuterList = {9, 2};
const FieldList boardEndsList = {11, 4};
const FieldList batList = {15, 6};
const FieldList endScreensList = {21, 2};

// A quad of the 640 x 480 screen from lower-left (x0, y0) to upper-right (x1, y1);
// the picture runs s 0..sAcross from left to right and is shown upright.
struct ScreenQuad {
    int x0, y0, x1, y1;
    float sAcross;
};

const ScreenQuad panelQuad = {0, 448, 640, 480, 1};

const ScreenQuad introQuads[INTRO_LIST_COUNT] = {
    {-256, 112, 0, 368, 1},  // left logo, just off the left edge
    {640, 112, 896, 368, 1},  // right logo, just off the right edge
};

const ScreenQuad menuQuads[MENU_LIST_COUNT] = {
    {192, 390, 448, 454, 1},  // 0 title logo
    {256, 280, 384, 312, 1},  // 1 single
    {256, 230, 384, 262, 1},  // 2 multi
    {256, 180, 384, 212, 1},  // 3 settings
    {256, 130, 384, 162, 1},  // 4 exit
    {210, 100, 430, 342, 1},  // 5 main menu window
    {0, 0, 640, 480, 2},      // 6 background, picture repeated twice across
    {0, 0, 128, 32, 1},       // 7 glow over a 128 x 32 item
    {5, 5, 133, 69, 1},       // 8 small logo
    {170, 120, 470, 342, 1},  // 9 playground choice window
    {185, 184, 313, 312, 1},  // 10 playground picture 1
    {327, 184, 455, 312, 1},  // 11 playground picture 2
    {0, 0, 128, 128, 1},      // 12 glow over a playground picture
    {210, 150, 430, 312, 1},  // 13 small window
    {225, 160, 289, 192, 1},  // 14 yes
    {351, 160, 415, 192, 1},  // 15 no
    {0, 0, 64, 32, 1},        // 16 glow over a 64 x 32 item
    {60, 60, 580, 342, 3},    // 17 settings window, picture repeated three times across
    {83, 230, 211, 262, 1},   // 18 easy
    {83, 180, 211, 212, 1},   // 19 normal
    {83, 130, 211, 162, 1},   // 20 hard
    {0, 0, 20, 20, 1},        // 21 check mark
    {256, 230, 384, 262, 1},  // 22 player 1 keys
    {256, 180, 384, 212, 1},  // 23 player 2 keys
    {429, 230, 557, 262, 1},  // 24 player 1 name
    {429, 180, 557, 212, 1},  // 25 player 2 name
    {256, 80, 384, 112, 1},   // 26 close
    {256, 50, 384, 82, 1},    // 27 watch the last match
    {236, 38, 404, 94, 1},    // 28 its window, below the main menu's
    {0, 0, 500, 32, 1},       // 29 glow over a row of the hosts found
    {176, 72, 304, 104, 1},   // 30 type a host
    {336, 72, 464, 104, 1},   // 31 back from joining
    {60, 118, 580, 344, 1},   // 32 the join page's one window, the list of hosts in it
};

void compileFieldList(GLuint name, FieldList list) {
    glNewList(name, GL_COMPILE);
    glBegin(GL_QUADS);
    for (int q = list.first; q < list.first + list.count; q++) {
        const FieldQuad& quad = fieldQuads[q];
        glNormal3f(quad.nx, quad.ny, quad.nz);
        for (const Corner& corner : quad.corners) {
            glTexCoord2f(corner.s, corner.t);
            glVertex3f(corner.x, corner.y, corner.z);
        }
    }
    glEnd();
    glEndList();
}

// The ball: a sphere of radius 0.025 flattened to 0.7 of its height.
void compileBallList(GLuint name) {
    glNewList(name, GL_COMPILE);
    glPushMatrix();
    glScalef(1.0f, 1.0f, 0.7f);
    gluSphere(game.sphereQuadric, 0.025, 12, 12);
    glPopMatrix();
    glEndList();
}

void compileScreenList(GLuint name, const ScreenQuad& quad) {
    glNewList(name, GL_COMPILE);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(quad.x0, quad.y0);
    glTexCoord2f(quad.sAcross, 1.0f);
    glVertex2i(quad.x1, quad.y0);
    glTexCoord2f(quad.sAcross, 0.0f);
    glVertex2i(quad.x1, quad.y1);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(quad.x0, quad.y1);
    glEnd();
    glEndList();
}

// Glyph c: a 16 x 16 quad at the origin showing cell (c mod 16, c div 16) of the
// font picture's 16 x 16 grid, counted from the top left, upright.
void compileGlyphList(GLuint name, int code) {
    const float cell = 1.0f / 16.0f;
    float u = (float)(code % 16) / 16.0f;
    float v = (float)(code / 16) / 16.0f;
    glNewList(name, GL_COMPILE);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(u, v + cell);
    glVertex2i(0, 0);
    glTexCoord2f(u + cell, v + cell);
    glVertex2i(16, 0);
    glTexCoord2f(u + cell, v);
    glVertex2i(16, 16);
    glTexCoord2f(u, v);
    glVertex2i(0, 16);
    glEnd();
    glEndList();
}

}  // namespace

void buildDisplayLists() {
    game.matchLists = glGenLists(MATCH_LIST_COUNT);
    const GLuint match = game.matchLists;
    compileFieldList(match + 0, backgroundList);
    compileFieldList(match + 1, floorList);
    compileFieldList(match + 2, slabEndsList);
    compileFieldList(match + 3, boardTopsList);
    compileFieldList(match + 4, boardInnerList);
    compileFieldList(match + 5, boardOuterList);
    compileFieldList(match + 6, boardEndsList);
    compileFieldList(match + 7, batList);
    compileBallList(match + 8);
    compileScreenList(match + 9, panelQuad);
    compileFieldList(match + 10, endScreensList);

    game.fontLists = glGenLists(FONT_LIST_COUNT);
    for (game.fontBuildIndex = 0; game.fontBuildIndex < FONT_LIST_COUNT; game.fontBuildIndex++)
        compileGlyphList(game.fontLists + game.fontBuildIndex, game.fontBuildIndex);

    game.introLists = glGenLists(INTRO_LIST_COUNT);
    for (int k = 0; k < INTRO_LIST_COUNT; k++) compileScreenList(game.introLists + k, introQuads[k]);

    game.menuLists = glGenLists(MENU_LIST_COUNT);
    for (int k = 0; k < MENU_LIST_COUNT; k++) compileScreenList(game.menuLists + k, menuQuads[k]);
}

void deleteDisplayLists() {
    glDeleteLists(game.matchLists, MATCH_LIST_COUNT);
    glDeleteLists(game.fontLists, FONT_LIST_COUNT);
    glDeleteLists(game.introLists, INTRO_LIST_COUNT);
    glDeleteLists(game.menuLists, MENU_LIST_COUNT);
}
