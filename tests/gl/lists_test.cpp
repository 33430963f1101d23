// The display lists read back from a real context: corners, picture coordinates, normals, winding, font grid, deletion.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/game_state.h"
#include "app/startup.h"
#include "render/lists.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

struct Point {
    float x, y, z, s, t;
};
struct Quad {
    float nx, ny, nz;
    Point corners[4];
};

// A quad read back: corners in object units with their picture coordinates, and the normal.
struct SeenQuad {
    Point corners[4];
    float normal[3];
};

class Lists : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow();
        initGLState();  // the game's fixed state and a fresh ball quadric
        buildDisplayLists();
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
    }

    // Field units pass through unchanged: window x = x + 10, y = y + 10, depth 0.5 - z / 20.
    static void fieldSpace() {
        glViewport(0, 0, 20, 20);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-10, 10, -10, 10, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    static Point fieldPoint(const FeedbackVertex& v) {
        return Point{v.x - 10, v.y - 10, (0.5f - v.z) * 20, v.tex[0], v.tex[1]};
    }
    // Screen units with room around the 640 x 480 screen: window x = x + 640, y = y + 480.
    static void screenSpace() {
        glViewport(0, 0, 1920, 1440);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-640, 1280, -480, 960, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    static Point screenPoint(const FeedbackVertex& v) {
        return Point{v.x - 640, v.y - 480, (0.5f - v.z) * 2, v.tex[0], v.tex[1]};
    }

    // Three lights along the axes, one colour channel each: the lit colour of a
    // white surface then gives the parts of its normal on the side of `sign`.
    static void axisLights(float sign) {
        glEnable(GL_LIGHTING);
        glEnable(GL_COLOR_MATERIAL);
        glColor4f(1, 1, 1, 1);
        const float none[4] = {0, 0, 0, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
        for (int axis = 0; axis < 3; axis++) {
            GLenum light = GL_LIGHT0 + axis;
            float direction[4] = {0, 0, 0, 0};
            direction[axis] = sign;
            float colour[4] = {0, 0, 0, 1};
            colour[axis] = 1;
            glLightfv(light, GL_POSITION, direction);
            glLightfv(light, GL_DIFFUSE, colour);
            glLightfv(light, GL_AMBIENT, none);
            glLightfv(light, GL_SPECULAR, none);
            glEnable(light);
        }
        for (GLenum light = GL_LIGHT3; light <= GL_LIGHT7; light++) glDisable(light);
    }

    // Reads a list of quads back in field units, with each quad's normal recovered
    // from two lit passes (lights along +axes, then along -axes).
    static std::vector<SeenQuad> readFieldList(GLuint list) {
        fieldSpace();
        axisLights(1);
        std::vector<FeedbackPolygon> plus = mergeQuads(captureFeedback([&] { glCallList(list); }));
        axisLights(-1);
        std::vector<FeedbackPolygon> minus = mergeQuads(captureFeedback([&] { glCallList(list); }));
        glDisable(GL_LIGHTING);
        std::vector<SeenQuad> quads;
        if (plus.size() != minus.size()) return quads;
        for (size_t q = 0; q < plus.size(); q++) {
            SeenQuad seen;
            for (int k = 0; k < 4; k++) seen.corners[k] = fieldPoint(plus[q][k]);
            for (int axis = 0; axis < 3; axis++) seen.normal[axis] = plus[q][0].color[axis] - minus[q][0].color[axis];
            quads.push_back(seen);
        }
        return quads;
    }

    static std::vector<FeedbackPolygon> readScreenList(GLuint list) {
        screenSpace();
        return mergeQuads(captureFeedback([&] { glCallList(list); }));
    }
};

void expectQuad(const SeenQuad& seen, const Quad& expected, const char* where, int index) {
    SCOPED_TRACE(testing::Message() << where << ", quad " << index);
    EXPECT_NEAR(seen.normal[0], expected.nx, 1e-3);
    EXPECT_NEAR(seen.normal[1], expected.ny, 1e-3);
    EXPECT_NEAR(seen.normal[2], expected.nz, 1e-3);
    for (int k = 0; k < 4; k++) {
        SCOPED_TRACE(testing::Message() << "corner " << k);
        EXPECT_NEAR(seen.corners[k].x, expected.corners[k].x, 1e-4);
        EXPECT_NEAR(seen.corners[k].y, expected.corners[k].y, 1e-4);
        EXPECT_NEAR(seen.corners[k].z, expected.corners[k].z, 1e-4);
        EXPECT_FLOAT_EQ(seen.corners[k].s, expected.corners[k].s);
        EXPECT_FLOAT_EQ(seen.corners[k].t, expected.corners[k].t);
    }
}

// Positive when the corners turn counter-clockwise seen from the side the normal points to.
float windingAlongNormal(const SeenQuad& quad) {
    const Point& a = quad.corners[0];
    const Point& b = quad.corners[1];
    const Point& c = quad.corners[2];
    float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    float cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    return cx * quad.normal[0] + cy * quad.normal[1] + cz * quad.normal[2];
}

// The match block's field lists as they must come back, corners in emission order.
const float L = 0.2f;  // slab and board depth below the floor, board height above it
const std::vector<std::vector<Quad>> fieldLists = {
    /* 0 background */ {{0, 0, 1, {{-3.5f, -3, -6, 0, 1}, {5.5f, -3, -6, 1, 1}, {5.5f, 4, -6, 1, 0}, {-3.5f, 4, -6, 0, 0}}}},
    /* 1 floor */
    {{0, 0, 1, {{0, 0, 0, 0, 1}, {1, 0, 0, 1, 1}, {1, 1, 0, 1, 0}, {0, 1, 0, 0, 0}}},
     {0, 0, 1, {{1, 0, 0, 1, 0}, {2, 0, 0, 0, 0}, {2, 1, 0, 0, 1}, {1, 1, 0, 1, 1}}}},
    /* 2 slab ends */
    {{-1, 0, 0, {{0, 1, -L, 0, 1}, {0, 0, -L, 1, 1}, {0, 0, 0, 1, 0}, {0, 1, 0, 0, 0}}},
     {1, 0, 0, {{2, 0, -L, 0, 0}, {2, 1, -L, 1, 0}, {2, 1, 0, 1, 1}, {2, 0, 0, 0, 1}}}},
    /* 3 board tops */
    {{0, 0, 1, {{0, 1, L, 0, 1}, {2, 1, L, 1, 1}, {2, 1.1f, L, 1, 0}, {0, 1.1f, L, 0, 0}}},
     {0, 0, 1, {{2, 0, L, 0, 1}, {0, 0, L, 1, 1}, {0, -0.1f, L, 1, 0}, {2, -0.1f, L, 0, 0}}}},
    /* 4 board inner faces */
    {{0, -1, 0, {{0, 1, 0, 0, 1}, {2, 1, 0, 1, 1}, {2, 1, L, 1, 0}, {0, 1, L, 0, 0}}},
     {0, 1, 0, {{2, 0, 0, 0, 1}, {0, 0, 0, 1, 1}, {0, 0, L, 1, 0}, {2, 0, L, 0, 0}}}},
    /* 5 board outer faces */
    {{0, 1, 0, {{2, 1.1f, -L, 0, 1}, {0, 1.1f, -L, 1, 1}, {0, 1.1f, L, 1, 0}, {2, 1.1f, L, 0, 0}}},
     {0, -1, 0, {{0, -0.1f, -L, 0, 1}, {2, -0.1f, -L, 1, 1}, {2, -0.1f, L, 1, 0}, {0, -0.1f, L, 0, 0}}}},
    /* 6 board ends */
    {{1, 0, 0, {{2, -0.1f, -L, 0, 1}, {2, 0, -L, 1, 1}, {2, 0, L, 1, 0}, {2, -0.1f, L, 0, 0}}},
     {1, 0, 0, {{2, 1, -L, 0, 1}, {2, 1.1f, -L, 1, 1}, {2, 1.1f, L, 1, 0}, {2, 1, L, 0, 0}}},
     {-1, 0, 0, {{0, 0, -L, 0, 1}, {0, -0.1f, -L, 1, 1}, {0, -0.1f, L, 1, 0}, {0, 0, L, 0, 0}}},
     {-1, 0, 0, {{0, 1.1f, -L, 0, 1}, {0, 1, -L, 1, 1}, {0, 1, L, 1, 0}, {0, 1.1f, L, 0, 0}}}},
    /* 7 bat */
    {{0, 0, 1, {{.2f, .6f, .15f, 0, 1}, {.2f, .4f, .15f, 1, 1}, {.25f, .4f, .15f, 1, 0}, {.25f, .6f, .15f, 0, 0}}},
     {0, 0, -1, {{.2f, .4f, .1f, 0, 1}, {.2f, .6f, .1f, 1, 1}, {.25f, .6f, .1f, 1, 0}, {.25f, .4f, .1f, 0, 0}}},
     {-1, 0, 0, {{.2f, .6f, .1f, 0, 1}, {.2f, .4f, .1f, 1, 1}, {.2f, .4f, .15f, 1, 0}, {.2f, .6f, .15f, 0, 0}}},
     {1, 0, 0, {{.25f, .4f, .1f, 0, 1}, {.25f, .6f, .1f, 1, 1}, {.25f, .6f, .15f, 1, 0}, {.25f, .4f, .15f, 0, 0}}},
     {0, -1, 0, {{.2f, .4f, .1f, 0, 1}, {.25f, .4f, .1f, 1, 1}, {.25f, .4f, .15f, 1, 0}, {.2f, .4f, .15f, 0, 0}}},
     {0, 1, 0, {{.25f, .6f, .1f, 0, 1}, {.2f, .6f, .1f, 1, 1}, {.2f, .6f, .15f, 1, 0}, {.25f, .6f, .15f, 0, 0}}}},
};
const std::vector<Quad> endScreens = {
    {1, 0, 0, {{.07f, 0, 0, 0, 1}, {.07f, 1, 0, 1, 1}, {.07f, 1, L, 1, 0}, {.07f, 0, L, 0, 0}}},
    {-1, 0, 0, {{1.93f, 0, 0, 0, 1}, {1.93f, 1, 0, 1, 1}, {1.93f, 1, L, 1, 0}, {1.93f, 0, L, 0, 0}}},
};

TEST_F(Lists, FieldListsEmitTheirCornersPictureCoordinatesAndNormals) {
    for (size_t k = 0; k < fieldLists.size(); k++) {
        std::vector<SeenQuad> seen = readFieldList(game.matchLists + (GLuint)k);
        ASSERT_EQ(seen.size(), fieldLists[k].size()) << "match list " << k;
        for (size_t q = 0; q < seen.size(); q++) expectQuad(seen[q], fieldLists[k][q], "match list", (int)k * 10 + (int)q);
    }
    std::vector<SeenQuad> seen = readFieldList(game.matchLists + 10);
    ASSERT_EQ(seen.size(), 2u);
    for (size_t q = 0; q < seen.size(); q++) expectQuad(seen[q], endScreens[q], "end screens", (int)q);
}

// Back faces are culled, so every face of the playground and the bat must turn
// counter-clockwise toward the side it is lit from, or it vanishes from view.
TEST_F(Lists, EveryPlaygroundAndBatFaceIsWoundTowardItsNormal) {
    for (GLuint k = 0; k <= 7; k++) {
        for (const SeenQuad& quad : readFieldList(game.matchLists + k)) {
            float length = std::sqrt(quad.normal[0] * quad.normal[0] + quad.normal[1] * quad.normal[1] +
                                     quad.normal[2] * quad.normal[2]);
            EXPECT_NEAR(length, 1.0f, 1e-3) << "match list " << k;
            EXPECT_GT(windingAlongNormal(quad), 0.0f) << "match list " << k;
        }
    }
    // The end screens share one corner order: the second faces away from its
    // normal, which is why the scene draws them with culling off.
    std::vector<SeenQuad> screens = readFieldList(game.matchLists + 10);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_GT(windingAlongNormal(screens[0]), 0.0f);
    EXPECT_LT(windingAlongNormal(screens[1]), 0.0f);
}

// Every face of the bat points out of the box, and from any side culling drops
// only faces that are hidden anyway: the picture is the same with and without it.
TEST_F(Lists, CullingKeepsEveryVisibleFaceOfTheBat) {
    for (const SeenQuad& face : readFieldList(game.matchLists + 7)) {
        float cx = 0, cy = 0, cz = 0;
        for (const Point& p : face.corners) cx += p.x / 4, cy += p.y / 4, cz += p.z / 4;
        float outward = (cx - 0.225f) * face.normal[0] + (cy - 0.5f) * face.normal[1] + (cz - 0.125f) * face.normal[2];
        EXPECT_GT(outward, 0.0f);
    }

    // A texture whose texels differ, so each face shows a different part of it.
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 16; i++) rgb.insert(rgb.end(), {(uint8_t)(i * 16), (uint8_t)(255 - i * 16), (uint8_t)(i * 7 + 30)});
    makeTexture(4, 4, rgb);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 640.0 / 480.0, 0.1, 10);
    const float turns[][3] = {{0, 0, 0}, {180, 0, 0}, {60, 0, 0}, {-60, 0, 0}, {0, 60, 0},
                              {0, -60, 0}, {50, 0, 40}, {-50, 30, 200}, {120, -40, 80}};
    for (const auto& turn : turns) {
        SCOPED_TRACE(testing::Message() << "turned " << turn[0] << ", " << turn[1] << ", " << turn[2]);
        std::vector<Rgb> images[2];
        for (int culled = 0; culled < 2; culled++) {
            if (culled) glEnable(GL_CULL_FACE);
            else glDisable(GL_CULL_FACE);
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glTranslatef(0, 0, -0.5f);
            glRotatef(turn[0], 1, 0, 0);
            glRotatef(turn[1], 0, 1, 0);
            glRotatef(turn[2], 0, 0, 1);
            glTranslatef(-0.225f, -0.5f, -0.125f);
            glCallList(game.matchLists + 7);
            images[culled] = readPixels(0, 0, 640, 480);
        }
        int lit = 0, differing = 0;
        for (size_t i = 0; i < images[0].size(); i++) {
            const Rgb& a = images[0][i];
            const Rgb& b = images[1][i];
            if (a.r || a.g || a.b) lit++;
            if (a.r != b.r || a.g != b.g || a.b != b.b) differing++;
        }
        EXPECT_GT(lit, 1000);  // the bat fills a good part of the view
        EXPECT_EQ(differing, 0);
    }
}

// Seen from above, player 1's half shows the picture upright and player 2's half
// shows it turned half a turn, so that each reads the same way from its own end.
TEST_F(Lists, FloorTurnsThePictureHalfATurnOnPlayerTwosHalf) {
    // Picture quadrants: top left red, top right green, bottom left blue, bottom right white.
    makeTexture(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 2, 0, 1, -1, 1);  // the floor fills the view, player 1's end on the left
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glCallList(game.matchLists + 1);
    auto is = [](Rgb p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; };
    // Player 1's half, x 0..1: upright.
    EXPECT_TRUE(is(readPixel(80, 360), 255, 0, 0));
    EXPECT_TRUE(is(readPixel(240, 360), 0, 255, 0));
    EXPECT_TRUE(is(readPixel(80, 120), 0, 0, 255));
    EXPECT_TRUE(is(readPixel(240, 120), 255, 255, 255));
    // Player 2's half, x 1..2: the picture's top left is at the near right corner.
    EXPECT_TRUE(is(readPixel(560, 120), 255, 0, 0));
    EXPECT_TRUE(is(readPixel(400, 120), 0, 255, 0));
    EXPECT_TRUE(is(readPixel(560, 360), 0, 0, 255));
    EXPECT_TRUE(is(readPixel(400, 360), 255, 255, 255));
}

TEST_F(Lists, BallIsAFlattenedSphereAtTheOriginThatLeavesTheMatrixAlone) {
    fieldSpace();
    glTranslatef(1, 2, 3);  // the caller's matrix, which the list must give back
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    std::vector<FeedbackPolygon> polygons = captureFeedback([] { glCallList(game.matchLists + 8); });
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; i++) EXPECT_EQ(before[i], after[i]);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);

    ASSERT_GT(polygons.size(), 100u);  // 12 slices by 12 stacks
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    bool textured = false;
    for (const FeedbackPolygon& polygon : polygons)
        for (const FeedbackVertex& v : polygon) {
            Point p = fieldPoint(v);
            const float xyz[3] = {p.x - 1, p.y - 2, p.z - 3};
            for (int a = 0; a < 3; a++) low[a] = std::min(low[a], xyz[a]), high[a] = std::max(high[a], xyz[a]);
            if (v.tex[0] > 0.1f && v.tex[0] < 0.9f) textured = true;
        }
    EXPECT_NEAR(low[0], -0.025f, 1e-5);
    EXPECT_NEAR(high[0], 0.025f, 1e-5);
    EXPECT_NEAR(low[1], -0.025f, 1e-5);
    EXPECT_NEAR(high[1], 0.025f, 1e-5);
    EXPECT_NEAR(low[2], -0.7f * 0.025f, 1e-5);
    EXPECT_NEAR(high[2], 0.7f * 0.025f, 1e-5);
    EXPECT_TRUE(textured);  // the quadric hands out picture coordinates
}

// Every glyph is a 16 x 16 quad at the origin showing its own cell of the 16 x 16 font grid, upright.
TEST_F(Lists, EachGlyphShowsItsOwnCellOfTheFontGrid) {
    EXPECT_EQ(game.fontBuildIndex, 256);
    auto cellOf = [](int code, float* u, float* v, std::vector<FeedbackPolygon>* quads) {
        *quads = readScreenList(game.fontLists + code);
        if (quads->size() != 1) return false;
        const FeedbackPolygon& q = (*quads)[0];
        *u = q[3].tex[0];
        *v = q[3].tex[1];
        return true;
    };
    for (int code = 0; code < 256; code++) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        float u, v;
        std::vector<FeedbackPolygon> quads;
        ASSERT_TRUE(cellOf(code, &u, &v, &quads));
        const FeedbackPolygon& q = quads[0];
        const float corners[4][2] = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};
        const float cells[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};  // cell units, t down
        for (int k = 0; k < 4; k++) {
            Point p = screenPoint(q[k]);
            EXPECT_FLOAT_EQ(p.x, corners[k][0]);
            EXPECT_FLOAT_EQ(p.y, corners[k][1]);
            EXPECT_FLOAT_EQ(p.z, 0.0f);
            EXPECT_FLOAT_EQ(p.s, (float)(code % 16 + cells[k][0]) / 16.0f);
            EXPECT_FLOAT_EQ(p.t, (float)(code / 16 + cells[k][1]) / 16.0f);
        }
    }
    float u, v;
    std::vector<FeedbackPolygon> quads;
    ASSERT_TRUE(cellOf('A', &u, &v, &quads));  // column 1, row 4
    EXPECT_EQ(u, 0.0625f);
    EXPECT_EQ(v, 0.25f);
    ASSERT_TRUE(cellOf(0, &u, &v, &quads));  // a real list, the top left cell
    EXPECT_EQ(u, 0.0f);
    EXPECT_EQ(v, 0.0f);
    ASSERT_TRUE(cellOf(255, &u, &v, &quads));  // the bottom right cell
    EXPECT_EQ(u, 0.9375f);
    EXPECT_EQ(v, 0.9375f);
}

struct ScreenRect {
    GLuint* block;
    int k;
    int x0, y0, x1, y1;
    float sAcross;
};

// The panel, the intro logos and the menu rectangles: each an upright picture on its rectangle.
TEST_F(Lists, ScreenListsCoverTheirRectanglesWithUprightPictures) {
    const ScreenRect rects[] = {
        {&game.matchLists, 9, 0, 448, 640, 480, 1},
        {&game.introLists, 0, -256, 112, 0, 368, 1}, {&game.introLists, 1, 640, 112, 896, 368, 1},
        {&game.menuLists, 0, 192, 390, 448, 454, 1}, {&game.menuLists, 1, 256, 280, 384, 312, 1},
        {&game.menuLists, 2, 256, 230, 384, 262, 1}, {&game.menuLists, 3, 256, 180, 384, 212, 1},
        {&game.menuLists, 4, 256, 130, 384, 162, 1}, {&game.menuLists, 5, 210, 100, 430, 342, 1},
        {&game.menuLists, 6, 0, 0, 640, 480, 2},     {&game.menuLists, 7, 0, 0, 128, 32, 1},
        {&game.menuLists, 8, 5, 5, 133, 69, 1},      {&game.menuLists, 9, 170, 120, 470, 342, 1},
        {&game.menuLists, 10, 185, 184, 313, 312, 1}, {&game.menuLists, 11, 327, 184, 455, 312, 1},
        {&game.menuLists, 12, 0, 0, 128, 128, 1},    {&game.menuLists, 13, 210, 150, 430, 312, 1},
        {&game.menuLists, 14, 225, 160, 289, 192, 1}, {&game.menuLists, 15, 351, 160, 415, 192, 1},
        {&game.menuLists, 16, 0, 0, 64, 32, 1},      {&game.menuLists, 17, 60, 60, 580, 342, 3},
        {&game.menuLists, 18, 83, 230, 211, 262, 1}, {&game.menuLists, 19, 83, 180, 211, 212, 1},
        {&game.menuLists, 20, 83, 130, 211, 162, 1}, {&game.menuLists, 21, 0, 0, 20, 20, 1},
        {&game.menuLists, 22, 256, 230, 384, 262, 1}, {&game.menuLists, 23, 256, 180, 384, 212, 1},
        {&game.menuLists, 24, 429, 230, 557, 262, 1}, {&game.menuLists, 25, 429, 180, 557, 212, 1},
        {&game.menuLists, 26, 256, 80, 384, 112, 1},
    };
    screenSpace();
    axisLights(1);  // a normal of (0, 0, 1) lights blue alone
    for (const ScreenRect& rect : rects) {
        SCOPED_TRACE(testing::Message() << "list " << rect.k << " of block " << *rect.block);
        std::vector<FeedbackPolygon> quads = readScreenList(*rect.block + rect.k);
        ASSERT_EQ(quads.size(), 1u);
        const float corners[4][2] = {{(float)rect.x0, (float)rect.y0}, {(float)rect.x1, (float)rect.y0},
                                     {(float)rect.x1, (float)rect.y1}, {(float)rect.x0, (float)rect.y1}};
        const float pictures[4][2] = {{0, 1}, {rect.sAcross, 1}, {rect.sAcross, 0}, {0, 0}};
        for (int k = 0; k < 4; k++) {
            Point p = screenPoint(quads[0][k]);
            EXPECT_FLOAT_EQ(p.x, corners[k][0]);
            EXPECT_FLOAT_EQ(p.y, corners[k][1]);
            EXPECT_FLOAT_EQ(p.z, 0.0f);
            EXPECT_FLOAT_EQ(p.s, pictures[k][0]);
            EXPECT_FLOAT_EQ(p.t, pictures[k][1]);
            EXPECT_FLOAT_EQ(quads[0][k].color[0], 0.0f);
            EXPECT_FLOAT_EQ(quads[0][k].color[1], 0.0f);
            EXPECT_FLOAT_EQ(quads[0][k].color[2], 1.0f);
        }
    }
}

// Calling any list changes nothing but the current vertex attributes.
TEST_F(Lists, ListsBindNoPictureAndChangeNoState) {
    fieldSpace();
    glEnable(GL_TEXTURE_2D);
    GLuint picture = makeTexture(1, 1, {10, 20, 30});
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    auto callAll = [] {
        for (GLuint k = 0; k < 11; k++) glCallList(game.matchLists + k);
        for (GLuint k = 0; k < 256; k++) glCallList(game.fontLists + k);
        for (GLuint k = 0; k < 2; k++) glCallList(game.introLists + k);
        for (GLuint k = 0; k < 27; k++) glCallList(game.menuLists + k);
    };
    callAll();
    GLint bound = 0, depth = 0, mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ((GLuint)bound, picture);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat colour[4], modelview[16];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[1], 0.5f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; i++) EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The four blocks hold 11 + 256 + 2 + 27 lists, and deleting them frees exactly those.
TEST_F(Lists, DeletingFreesExactlyTheFourBlocks) {
    const GLuint sizes[4] = {11, 256, 2, 27};
    const GLuint firsts[4] = {game.matchLists, game.fontLists, game.introLists, game.menuLists};
    for (int b = 0; b < 4; b++) {
        EXPECT_NE(firsts[b], 0u);
        for (GLuint k = 0; k < sizes[b]; k++) EXPECT_TRUE(glIsList(firsts[b] + k)) << "block " << b << " list " << k;
    }
    // A list of someone else's, made after the blocks, must outlive the deletion.
    GLuint other = glGenLists(1);
    glNewList(other, GL_COMPILE);
    glEndList();
    auto countLists = [&] {
        int count = 0;
        for (GLuint name = 1; name <= other + 100; name++) count += glIsList(name) ? 1 : 0;
        return count;
    };
    int before = countLists();
    deleteDisplayLists();
    EXPECT_EQ(before - countLists(), 296);
    EXPECT_TRUE(glIsList(other));
    for (int b = 0; b < 4; b++)
        for (GLuint k = 0; k < sizes[b]; k++) EXPECT_FALSE(glIsList(firsts[b] + k));
}

}  // namespace
