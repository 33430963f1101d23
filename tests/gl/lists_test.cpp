// The display lists read back from a real context: corners, picture coordinates, normals, winding, font grid, deletion.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/game_state.h"
#include "app/startup.h"
#include "render/lists.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

struct Point {
    float x, y, z, s, t;
};
struct Quad {
    float normal[3];
    Point corners[4];
};

class Lists : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow();
        initGLState();  // the game's fixed state and a fresh ball quadric
        buildDisplayLists();
        glDisable(GL_CULL_FACE);
    }

    // An orthographic view of the given box on a viewport of the same size, so
    // that window coordinates are object coordinates shifted by the box's corner.
    static void view(int x0, int y0, int width, int height, float depth) {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(x0, x0 + width, y0, y0 + height, -depth, depth);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    static Point fieldPoint(const FeedbackVertex& v) { return {v.x - 10, v.y - 10, (0.5f - v.z) * 20, v.tex[0], v.tex[1]}; }
    static Point screenPoint(const FeedbackVertex& v) { return {v.x - 640, v.y - 480, (0.5f - v.z) * 2, v.tex[0], v.tex[1]}; }

    // Three lights along the axes (or against them), one colour channel each: a
    // white surface's lit colour is then the part of its normal on that side.
    static void axisLights(float sign) {
        glEnable(GL_LIGHTING);
        const float none[4] = {0, 0, 0, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
        for (int axis = 0; axis < 3; axis++) {
            float direction[4] = {0, 0, 0, 0}, colour[4] = {0, 0, 0, 1};
            direction[axis] = sign;
            colour[axis] = 1;
            glLightfv(GL_LIGHT0 + axis, GL_POSITION, direction);
            glLightfv(GL_LIGHT0 + axis, GL_DIFFUSE, colour);
            glLightfv(GL_LIGHT0 + axis, GL_SPECULAR, none);
            glEnable(GL_LIGHT0 + axis);
        }
    }

    // A field list read back in field units, each quad's normal taken from two lit passes.
    static std::vector<Quad> readFieldList(GLuint list) {
        view(-10, -10, 20, 20, 10);
        std::vector<FeedbackPolygon> passes[2];
        for (int pass = 0; pass < 2; pass++) {
            axisLights(pass == 0 ? 1 : -1);
            passes[pass] = mergeQuads(captureFeedback([&] { glCallList(list); }));
        }
        std::vector<Quad> quads;
        for (size_t q = 0; q < passes[0].size() && q < passes[1].size(); q++) {
            Quad seen;
            for (int k = 0; k < 4; k++) seen.corners[k] = fieldPoint(passes[0][q][k]);
            for (int a = 0; a < 3; a++) seen.normal[a] = passes[0][q][0].color[a] - passes[1][q][0].color[a];
            quads.push_back(seen);
        }
        return quads;
    }
    static std::vector<FeedbackPolygon> readScreenList(GLuint list) {
        view(-640, -480, 1920, 1440, 1);
        return mergeQuads(captureFeedback([&] { glCallList(list); }));
    }
};

// Positive when the corners turn counter-clockwise seen from the side the normal points to.
float windingAlongNormal(const Quad& quad) {
    const Point &a = quad.corners[0], &b = quad.corners[1], &c = quad.corners[2];
    float u[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    float cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    return cross[0] * quad.normal[0] + cross[1] * quad.normal[1] + cross[2] * quad.normal[2];
}

const float H = 0.2f;  // slab depth below the floor and board height above it
// The field lists of the match block (lists 0-7 and 10), corners in emission order.
const std::vector<std::pair<int, std::vector<Quad>>> fieldLists = {
    {0, {{{0, 0, 1}, {{-3.5f, -3, -6, 0, 1}, {5.5f, -3, -6, 1, 1}, {5.5f, 4, -6, 1, 0}, {-3.5f, 4, -6, 0, 0}}}}},
    {1, {{{0, 0, 1}, {{0, 0, 0, 0, 1}, {1, 0, 0, 1, 1}, {1, 1, 0, 1, 0}, {0, 1, 0, 0, 0}}},
         // player 2's half: the same picture turned half a turn
         {{0, 0, 1}, {{1, 0, 0, 1, 0}, {2, 0, 0, 0, 0}, {2, 1, 0, 0, 1}, {1, 1, 0, 1, 1}}}}},
    {2, {{{-1, 0, 0}, {{0, 1, -H, 0, 1}, {0, 0, -H, 1, 1}, {0, 0, 0, 1, 0}, {0, 1, 0, 0, 0}}},
         {{1, 0, 0}, {{2, 0, -H, 0, 0}, {2, 1, -H, 1, 0}, {2, 1, 0, 1, 1}, {2, 0, 0, 0, 1}}}}},
    {3, {{{0, 0, 1}, {{0, 1, H, 0, 1}, {2, 1, H, 1, 1}, {2, 1.1f, H, 1, 0}, {0, 1.1f, H, 0, 0}}},
         {{0, 0, 1}, {{2, 0, H, 0, 1}, {0, 0, H, 1, 1}, {0, -0.1f, H, 1, 0}, {2, -0.1f, H, 0, 0}}}}},
    {4, {{{0, -1, 0}, {{0, 1, 0, 0, 1}, {2, 1, 0, 1, 1}, {2, 1, H, 1, 0}, {0, 1, H, 0, 0}}},
         {{0, 1, 0}, {{2, 0, 0, 0, 1}, {0, 0, 0, 1, 1}, {0, 0, H, 1, 0}, {2, 0, H, 0, 0}}}}},
    {5, {{{0, 1, 0}, {{2, 1.1f, -H, 0, 1}, {0, 1.1f, -H, 1, 1}, {0, 1.1f, H, 1, 0}, {2, 1.1f, H, 0, 0}}},
         {{0, -1, 0}, {{0, -0.1f, -H, 0, 1}, {2, -0.1f, -H, 1, 1}, {2, -0.1f, H, 1, 0}, {0, -0.1f, H, 0, 0}}}}},
    {6, {{{1, 0, 0}, {{2, -0.1f, -H, 0, 1}, {2, 0, -H, 1, 1}, {2, 0, H, 1, 0}, {2, -0.1f, H, 0, 0}}},
         {{1, 0, 0}, {{2, 1, -H, 0, 1}, {2, 1.1f, -H, 1, 1}, {2, 1.1f, H, 1, 0}, {2, 1, H, 0, 0}}},
         {{-1, 0, 0}, {{0, 0, -H, 0, 1}, {0, -0.1f, -H, 1, 1}, {0, -0.1f, H, 1, 0}, {0, 0, H, 0, 0}}},
         {{-1, 0, 0}, {{0, 1.1f, -H, 0, 1}, {0, 1, -H, 1, 1}, {0, 1, H, 1, 0}, {0, 1.1f, H, 0, 0}}}}},
    {7, {{{0, 0, 1}, {{.2f, .6f, .15f, 0, 1}, {.2f, .4f, .15f, 1, 1}, {.25f, .4f, .15f, 1, 0}, {.25f, .6f, .15f, 0, 0}}},
         {{0, 0, -1}, {{.2f, .4f, .1f, 0, 1}, {.2f, .6f, .1f, 1, 1}, {.25f, .6f, .1f, 1, 0}, {.25f, .4f, .1f, 0, 0}}},
         {{-1, 0, 0}, {{.2f, .6f, .1f, 0, 1}, {.2f, .4f, .1f, 1, 1}, {.2f, .4f, .15f, 1, 0}, {.2f, .6f, .15f, 0, 0}}},
         {{1, 0, 0}, {{.25f, .4f, .1f, 0, 1}, {.25f, .6f, .1f, 1, 1}, {.25f, .6f, .15f, 1, 0}, {.25f, .4f, .15f, 0, 0}}},
         {{0, -1, 0}, {{.2f, .4f, .1f, 0, 1}, {.25f, .4f, .1f, 1, 1}, {.25f, .4f, .15f, 1, 0}, {.2f, .4f, .15f, 0, 0}}},
         {{0, 1, 0}, {{.25f, .6f, .1f, 0, 1}, {.2f, .6f, .1f, 1, 1}, {.2f, .6f, .15f, 1, 0}, {.25f, .6f, .15f, 0, 0}}}}},
    {10, {{{1, 0, 0}, {{.07f, 0, 0, 0, 1}, {.07f, 1, 0, 1, 1}, {.07f, 1, H, 1, 0}, {.07f, 0, H, 0, 0}}},
          {{-1, 0, 0}, {{1.93f, 0, 0, 0, 1}, {1.93f, 1, 0, 1, 1}, {1.93f, 1, H, 1, 0}, {1.93f, 0, H, 0, 0}}}}},
};

// Back faces are culled, so every face of the playground and the bat must turn
// counter-clockwise toward its normal or it vanishes. The end screens share one
// corner order, so the second faces away; the scene draws them unculled.
TEST_F(Lists, FieldListsEmitTheirCornersNormalsAndWinding) {
    for (const auto& [k, expected] : fieldLists) {
        std::vector<Quad> seen = readFieldList(game.matchLists + k);
        ASSERT_EQ(seen.size(), expected.size()) << "match list " << k;
        for (size_t q = 0; q < seen.size(); q++) {
            SCOPED_TRACE(testing::Message() << "match list " << k << ", quad " << q);
            for (int a = 0; a < 3; a++) EXPECT_NEAR(seen[q].normal[a], expected[q].normal[a], 1e-3);
            for (int c = 0; c < 4; c++) {
                const Point &p = seen[q].corners[c], &e = expected[q].corners[c];
                EXPECT_NEAR(p.x, e.x, 1e-4) << "corner " << c;
                EXPECT_NEAR(p.y, e.y, 1e-4) << "corner " << c;
                EXPECT_NEAR(p.z, e.z, 1e-4) << "corner " << c;
                EXPECT_EQ(p.s, e.s) << "corner " << c;
                EXPECT_EQ(p.t, e.t) << "corner " << c;
            }
            bool facesAway = k == 10 && q == 1;
            EXPECT_EQ(windingAlongNormal(seen[q]) > 0, !facesAway);
        }
    }
}

TEST_F(Lists, BallIsAFlattenedSphereAtTheOriginThatGivesTheMatrixBack) {
    view(-10, -10, 20, 20, 10);
    glTranslatef(1, 2, 3);  // the caller's matrix
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    std::vector<FeedbackPolygon> polygons = captureFeedback([] { glCallList(game.matchLists + 8); });
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_TRUE(std::equal(before, before + 16, after));

    ASSERT_GT(polygons.size(), 100u);  // 12 slices by 12 stacks
    float low[3] = {1, 1, 1}, high[3] = {-1, -1, -1};
    for (const FeedbackPolygon& polygon : polygons)
        for (const FeedbackVertex& v : polygon) {
            Point p = fieldPoint(v);
            const float offset[3] = {p.x - 1, p.y - 2, p.z - 3};
            for (int a = 0; a < 3; a++) low[a] = std::min(low[a], offset[a]), high[a] = std::max(high[a], offset[a]);
        }
    const float extent[3] = {0.025f, 0.025f, 0.7f * 0.025f};
    for (int a = 0; a < 3; a++) {
        EXPECT_NEAR(low[a], -extent[a], 1e-5) << "axis " << a;
        EXPECT_NEAR(high[a], extent[a], 1e-5) << "axis " << a;
    }
}

// Glyph c is a 16 x 16 quad at the origin showing cell (c mod 16, c div 16) of the font, upright.
TEST_F(Lists, EachGlyphShowsItsOwnCellOfTheFontGrid) {
    EXPECT_EQ(game.fontBuildIndex, 256);
    auto topLeftOfCell = [this](int code) {
        std::vector<FeedbackPolygon> quads = readScreenList(game.fontLists + code);
        return quads.size() == 1 ? std::make_pair(quads[0][3].tex[0], quads[0][3].tex[1]) : std::make_pair(-1.f, -1.f);
    };
    EXPECT_EQ(topLeftOfCell('A'), std::make_pair(0.0625f, 0.25f));  // column 1, row 4
    EXPECT_EQ(topLeftOfCell(0), std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(topLeftOfCell(255), std::make_pair(0.9375f, 0.9375f));
    for (int code = 0; code < 256; code++) {
        std::vector<FeedbackPolygon> quads = readScreenList(game.fontLists + code);
        ASSERT_EQ(quads.size(), 1u) << "code " << code;
        const int corners[4][2] = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};
        for (int k = 0; k < 4; k++) {
            Point p = screenPoint(quads[0][k]);
            EXPECT_NEAR(p.x, corners[k][0], 1e-3) << "code " << code;
            EXPECT_NEAR(p.y, corners[k][1], 1e-3) << "code " << code;
            EXPECT_EQ(p.s, (code % 16 + corners[k][0] / 16) / 16.0f) << "code " << code;
            EXPECT_EQ(p.t, (code / 16 + 1 - corners[k][1] / 16) / 16.0f) << "code " << code;
        }
    }
}

// The panel, the intro logos and the menu rectangles: each shows its picture
// upright on its rectangle (repeated across the two widest), facing the viewer.
TEST_F(Lists, ScreenListsCoverTheirRectanglesWithUprightPictures) {
    struct Rect {
        GLuint* block;
        int k, x0, y0, x1, y1;
        float across;
    };
    GLuint *match = &game.matchLists, *intro = &game.introLists, *menu = &game.menuLists;
    const Rect rects[] = {
        {match, 9, 0, 448, 640, 480, 1},    {intro, 0, -256, 112, 0, 368, 1}, {intro, 1, 640, 112, 896, 368, 1},
        {menu, 0, 192, 390, 448, 454, 1},   {menu, 1, 256, 280, 384, 312, 1}, {menu, 2, 256, 230, 384, 262, 1},
        {menu, 3, 256, 180, 384, 212, 1},   {menu, 4, 256, 130, 384, 162, 1}, {menu, 5, 210, 100, 430, 342, 1},
        {menu, 6, 0, 0, 640, 480, 2},       {menu, 7, 0, 0, 128, 32, 1},      {menu, 8, 5, 5, 133, 69, 1},
        {menu, 9, 170, 120, 470, 342, 1},   {menu, 10, 185, 184, 313, 312, 1}, {menu, 11, 327, 184, 455, 312, 1},
        {menu, 12, 0, 0, 128, 128, 1},      {menu, 13, 210, 150, 430, 312, 1}, {menu, 14, 225, 160, 289, 192, 1},
        {menu, 15, 351, 160, 415, 192, 1},  {menu, 16, 0, 0, 64, 32, 1},      {menu, 17, 60, 60, 580, 342, 3},
        {menu, 18, 83, 230, 211, 262, 1},   {menu, 19, 83, 180, 211, 212, 1}, {menu, 20, 83, 130, 211, 162, 1},
        {menu, 21, 0, 0, 20, 20, 1},        {menu, 22, 256, 230, 384, 262, 1}, {menu, 23, 256, 180, 384, 212, 1},
        {menu, 24, 429, 230, 557, 262, 1},  {menu, 25, 429, 180, 557, 212, 1}, {menu, 26, 256, 80, 384, 112, 1},
        {menu, 27, 256, 50, 384, 82, 1},    {menu, 28, 236, 38, 404, 94, 1},  {menu, 29, 0, 0, 500, 32, 1},
        {menu, 30, 176, 72, 304, 104, 1},   {menu, 31, 336, 72, 464, 104, 1},   {menu, 32, 60, 118, 580, 344, 1},
    };
    view(-640, -480, 1920, 1440, 1);
    axisLights(1);  // a normal of (0, 0, 1) lights blue alone
    for (const Rect& r : rects) {
        SCOPED_TRACE(testing::Message() << "list " << r.k << " of the block at " << *r.block);
        std::vector<FeedbackPolygon> quads = readScreenList(*r.block + r.k);
        ASSERT_EQ(quads.size(), 1u);
        const Point expected[4] = {{(float)r.x0, (float)r.y0, 0, 0, 1}, {(float)r.x1, (float)r.y0, 0, r.across, 1},
                                   {(float)r.x1, (float)r.y1, 0, r.across, 0}, {(float)r.x0, (float)r.y1, 0, 0, 0}};
        for (int k = 0; k < 4; k++) {
            Point p = screenPoint(quads[0][k]);
            EXPECT_NEAR(p.x, expected[k].x, 1e-3);
            EXPECT_NEAR(p.y, expected[k].y, 1e-3);
            EXPECT_NEAR(p.z, 0.0f, 1e-6);
            EXPECT_EQ(p.s, expected[k].s);
            EXPECT_EQ(p.t, expected[k].t);
            const float* lit = quads[0][k].color;
            EXPECT_EQ(std::vector<float>(lit, lit + 3), (std::vector<float>{0, 0, 1}));
        }
    }
}

// The four blocks hold 11 + 256 + 2 + 33 lists, and deleting them frees exactly those.
TEST_F(Lists, DeletingFreesExactlyTheFourBlocks) {
    const GLuint firsts[4] = {game.matchLists, game.fontLists, game.introLists, game.menuLists};
    const GLuint sizes[4] = {11, 256, 2, 33};
    GLuint other = glGenLists(1);  // someone else's list, which must outlive the deletion
    glNewList(other, GL_COMPILE);
    glEndList();
    auto listsAlive = [&] {
        int count = 0;
        for (GLuint name = 1; name <= other + 100; name++) count += glIsList(name) ? 1 : 0;
        return count;
    };
    for (int b = 0; b < 4; b++)
        for (GLuint k = 0; k < sizes[b]; k++) EXPECT_TRUE(glIsList(firsts[b] + k)) << "block " << b << ", list " << k;
    int before = listsAlive();
    deleteDisplayLists();
    EXPECT_EQ(before - listsAlive(), 302);
    EXPECT_TRUE(glIsList(other));
}

}  // namespace
