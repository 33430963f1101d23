// The match scene on a real context: camera, backdrop, lights, end screens, HUD, frame counter, and the same picture at every window size.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "app/events.h"
#include "app/startup.h"
#include "render/lists.h"
#include "render/scene.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

const Rgb RED{255, 0, 0}, GREEN{0, 255, 0}, BLUE{0, 0, 255}, WHITE{255, 255, 255};
const Rgb BAT{255, 0, 255}, BALL{255, 255, 0}, BOARD_TOP{0, 160, 160};
const Rgb BACK_TL{200, 100, 0}, BACK_TR{0, 100, 200}, BACK_BL{100, 0, 200}, BACK_BR{200, 0, 100};

uint32_t solid(Rgb c) { return makeTexture(1, 1, {(uint8_t)c.r, (uint8_t)c.g, (uint8_t)c.b}); }
uint32_t quadrants(Rgb tl, Rgb tr, Rgb bl, Rgb br) {
    std::vector<uint8_t> rgb;
    for (Rgb c : {tl, tr, bl, br}) rgb.insert(rgb.end(), {(uint8_t)c.r, (uint8_t)c.g, (uint8_t)c.b});
    return makeTexture(2, 2, rgb);
}

bool near(Rgb seen, Rgb expected, int tolerance = 1) {
    return std::abs(seen.r - expected.r) <= tolerance && std::abs(seen.g - expected.g) <= tolerance &&
           std::abs(seen.b - expected.b) <= tolerance;
}

::testing::AssertionResult shows(Rgb seen, Rgb expected) {
    if (near(seen, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "saw (" << seen.r << ", " << seen.g << ", " << seen.b << "), expected ("
                                         << expected.r << ", " << expected.g << ", " << expected.b << ")";
}

// The light colours a match start gives each playground.
void setPlaygroundLights(int playground) {
    const float* light1 = playground == 1 ? game.ground1Light1Color : game.ground2Light1Color;
    const float* light2 = playground == 1 ? game.ground1Light2Color : game.ground2Light2Color;
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light1);
    glLightf(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, 0.2f);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, light2);
    glLightf(GL_LIGHT2, GL_QUADRATIC_ATTENUATION, 0.2f);
    glLightfv(GL_LIGHT3, GL_AMBIENT, game.light3Ambient);
}

class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow(1024, 768);  // room for every window size the game offers
        initGLState();
        buildDisplayLists();
        game.resolution = -1;  // the tests choose the size; reshape pulls the window to none
        game.matchActive = 1;
        game.playground = 1;
        setPlaygroundLights(1);
        std::strcpy(game.p1name, "ann");
        std::strcpy(game.p2name, "bob");

        // Floor picture: top left red, top right green, bottom left blue, bottom right white.
        for (int slot = 0; slot <= 5; slot++) game.textures[slot] = quadrants(RED, GREEN, BLUE, WHITE);
        for (int slot = 6; slot <= 10; slot++) game.textures[slot] = solid(Rgb{40 * (slot - 5), 60, 90});
        game.textures[7] = solid(BOARD_TOP);
        game.textures[11] = quadrants(BACK_TL, BACK_TR, BACK_BL, BACK_BR);
        game.textures[12] = solid(BALL);
        game.textures[13] = solid(BAT);
        game.textures[14] = solid(Rgb{0, 0, 0});
        game.textures[15] = solid(Rgb{255, 0, 0});  // font 1 red
        game.textures[16] = solid(Rgb{0, 0, 255});  // font 2 blue
        game.textures[28] = solid(Rgb{200, 0, 0});
        onReshape(640, 480);
    }

    // Where a point of the field appears in the plain top-down view.
    static void screenOf(float x, float y, float z, int* sx, int* sy) {
        GLdouble model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        GLdouble projection[16];
        GLint viewport[4];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        double wx, wy, wz;
        gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
        *sx = (int)wx;
        *sy = (int)wy;
    }
    static Rgb seenAt(float x, float y, float z) {
        int sx, sy;
        screenOf(x, y, z, &sx, &sy);
        return readPixel(sx, sy);
    }
};

// With all camera values 0 the field is seen straight from above, player 1's end
// on the left and the far board (y = 1) on top; a half turn about the field
// centre swaps them. The backdrop never turns.
TEST_F(Scene, CameraTurnsTheFieldAboutItsCentreButNotTheBackdrop) {
    game.lightingOn = 0;
    game.p1BatY = 0.3f;  // bat 1 toward the far board
    game.ballX = 0.5f;
    game.ballY = 0.3f;  // ball centre (0.775, 0.8, 0.125)
    int x, y;
    screenOf(0.225f, 0.8f, 0.15f, &x, &y);
    EXPECT_LT(x, 160);
    EXPECT_GT(y, 300);
    for (float turn : {0.0f, 180.0f}) {
        SCOPED_TRACE(testing::Message() << "camAngleZ " << turn);
        game.camAngleZ = turn;
        drawMatch();
        // Where a field point shows: its own place, or after the half turn its partner's.
        auto at = [&](float x, float y, float z) { return turn == 0 ? seenAt(x, y, z) : seenAt(2 - x, 1 - y, z); };
        EXPECT_TRUE(shows(at(0.225f, 0.8f, 0.15f), BAT));
        EXPECT_TRUE(shows(at(1.775f, 0.5f, 0.15f), BAT));
        EXPECT_TRUE(shows(at(0.775f, 0.8f, 0.125f), BALL));
        EXPECT_TRUE(shows(at(0.225f, 0.45f, 0), BLUE));  // floor where bat 1 would stand unmoved
        EXPECT_TRUE(shows(at(0.25f, 0.75f, 0), RED));
        EXPECT_TRUE(shows(at(0.75f, 0.75f, 0), GREEN));
        EXPECT_TRUE(shows(at(1.75f, 0.25f, 0), RED));  // player 2's half: the picture turned
        EXPECT_TRUE(shows(at(1.25f, 0.25f, 0), GREEN));
        EXPECT_TRUE(shows(at(1.0f, 1.05f, 0.2f), BOARD_TOP));
        EXPECT_TRUE(shows(readPixel(5, 30), BACK_BL));
        EXPECT_TRUE(shows(readPixel(635, 30), BACK_BR));
        EXPECT_TRUE(shows(readPixel(5, 437), BACK_TL));
        EXPECT_TRUE(shows(readPixel(635, 437), BACK_TR));
    }
}

TEST_F(Scene, WithLightingOffThePicturesShowUntinted) {
    const Rgb floor{200, 160, 120};
    for (int slot = 0; slot <= 5; slot++) game.textures[slot] = solid(floor);
    game.lightingOn = 0;
    drawMatch();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    for (float x : {0.1f, 0.6f, 1.0f, 1.5f, 1.9f}) EXPECT_TRUE(shows(seenAt(x, 0.3f, 0), floor)) << "x " << x;
    EXPECT_TRUE(shows(seenAt(0.225f, 0.5f, 0.15f), BAT));
    EXPECT_TRUE(shows(seenAt(0.275f, 0.5f, 0.125f), BALL));

    game.lightingOn = 1;  // the same pictures lit: no longer their own colours
    drawMatch();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(near(seenAt(0.1f, 0.3f, 0), floor, 10));
    EXPECT_FALSE(near(seenAt(1.9f, 0.3f, 0), floor, 10));
}

// Tennis lights player 1's end green and player 2's red; the futuristic lights take
// red away at player 1's end and green at player 2's. The lights stay with the
// field when it turns.
TEST_F(Scene, EachEndIsTintedByItsLightAndTheLightsTurnWithTheField) {
    for (int slot = 0; slot <= 5; slot++) game.textures[slot] = solid(WHITE);
    for (int playground : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "playground " << playground);
        setPlaygroundLights(playground);
        int margin = playground == 1 ? 25 : 60;
        for (float turn : {0.0f, 180.0f}) {
            SCOPED_TRACE(testing::Message() << "turned " << turn);
            game.camAngleZ = turn;
            drawMatch();
            float p1x = turn == 0 ? 0.1f : 1.9f, p2x = turn == 0 ? 1.9f : 0.1f;
            float y = turn == 0 ? 0.3f : 0.7f;
            Rgb p1End = seenAt(p1x, y, 0), p2End = seenAt(p2x, y, 0);
            EXPECT_GT(p1End.g, p1End.r + margin);
            EXPECT_GT(p1End.g, p1End.b);
            EXPECT_GT(p2End.r, p2End.g + margin);
            EXPECT_GT(p2End.r, p2End.b);
        }
    }
}

// Both end screens lighten what lies behind them; the far one faces away from the
// camera by its winding and shows only because culling is off for it.
TEST_F(Scene, EndScreensLightenBothEndsSeenFromEitherSide) {
    game.lightingOn = 0;
    const Rgb floor{40, 40, 40};
    for (int slot = 0; slot <= 5; slot++) game.textures[slot] = solid(floor);
    drawMatch();
    int lightened = (int)std::lround(200 * (1 - 40 / 255.0) + 40);
    for (float x : {0.07f, 1.93f}) {
        Rgb seen = seenAt(x, 0.3f, 0.1f);
        EXPECT_NEAR(seen.r, lightened, 2) << "screen at x " << x;
        EXPECT_NEAR(seen.g, 40, 1);
        EXPECT_NEAR(seen.b, 40, 1);
    }
    EXPECT_TRUE(shows(seenAt(0.6f, 0.3f, 0), floor));  // nothing lightened elsewhere
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(Scene, LeavesTheStateTheNextScreenStartsFrom) {
    game.cameraMode = 1;
    game.showFps = 1;
    for (u8 lighting : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "lightingOn " << (int)lighting);
        game.lightingOn = lighting;
        std::vector<float> projection(16), after(16);
        glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
        drawMatch();
        glGetFloatv(GL_PROJECTION_MATRIX, after.data());
        EXPECT_EQ(after, projection);
        GLint mode = 0, modelDepth = 0, projectionDepth = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelDepth);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_EQ(modelDepth + projectionDepth, 2);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && !glIsEnabled(GL_BLEND));
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), lighting ? GL_TRUE : GL_FALSE);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT1) && glIsEnabled(GL_LIGHT2) && glIsEnabled(GL_LIGHT3));
    }
}

// Names, score and marks in font 2, "CAMERA MODE" and the frame counter in font 1.
TEST_F(Scene, HudShowsNamesScoreCameraModeAndFrameCounter) {
    game.p1Games = 1;
    game.p2Points = 3;
    std::strcpy(game.fpsText, "kept");
    std::vector<GlyphSeen> glyphs = glyphsIn(captureFeedback(drawMatch));
    EXPECT_EQ(textAt(glyphs, 25, 456), "ann");
    EXPECT_EQ(textAt(glyphs, 495, 456), "bob");
    EXPECT_EQ(textAt(glyphs, 300, 456), "0:3");
    EXPECT_EQ(textAt(glyphs, 150, 453), "*");
    EXPECT_EQ(textAt(glyphs, 240, 10), "");
    EXPECT_EQ(textAt(glyphs, 10, 10), "");
    EXPECT_STREQ(game.fpsText, "kept");  // not shown, not rebuilt

    game.vsComputer = 1;  // whatever player 2's name
    game.cameraMode = 1;
    game.showFps = 1;
    for (int fps : {60, 120, 2000}) {
        game.fps = fps;
        std::string counter = std::to_string(fps) + " fps";
        glyphs = glyphsIn(captureFeedback(drawMatch));
        EXPECT_EQ(textAt(glyphs, 495, 456), "computer");
        EXPECT_EQ(textAt(glyphs, 240, 10), "CAMERA MODE");
        EXPECT_EQ(std::string(game.fpsText), counter);
        EXPECT_EQ(textAt(glyphs, 10, 10), counter);
    }

    // Font 1 is red, font 2 blue; both are blended onto the black panel and backdrop.
    game.textures[11] = solid(Rgb{0, 0, 0});
    drawMatch();
    EXPECT_TRUE(shows(readPixel(240 + 8, 10 + 8), Rgb{255, 0, 0}));
    EXPECT_TRUE(shows(readPixel(10 + 8, 10 + 8), Rgb{255, 0, 0}));
    EXPECT_TRUE(shows(readPixel(25 + 8, 456 + 8), Rgb{0, 0, 255}));
    EXPECT_TRUE(shows(readPixel(495 + 8, 456 + 8), Rgb{0, 0, 255}));
    EXPECT_TRUE(shows(readPixel(300 + 8, 456 + 8), Rgb{0, 0, 255}));
}

// A smooth picture per slot, different for every slot and playground, so the
// scene has detail everywhere without edges finer than a pixel.
uint32_t gradient(int seed) {
    const int size = 16;
    std::vector<uint8_t> rgb;
    for (int row = 0; row < size; row++)
        for (int column = 0; column < size; column++)
            rgb.insert(rgb.end(), {(uint8_t)((column * 16 + seed * 37) % 256), (uint8_t)((row * 16 + seed * 91) % 256),
                                   (uint8_t)((seed * 53) % 256)});
    uint32_t name = makeTexture(size, size, rgb);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

// The frame averaged over a 32 x 24 grid of equal blocks.
std::vector<double> blockAverages(int width, int height) {
    std::vector<Rgb> pixels = readPixels(0, 0, width, height);
    const int columns = 32, rows = 24;
    int bw = width / columns, bh = height / rows;
    std::vector<double> blocks(columns * rows * 3, 0.0);
    for (int y = 0; y < rows * bh; y++)
        for (int x = 0; x < columns * bw; x++) {
            const Rgb& p = pixels[(size_t)y * width + x];
            double* block = &blocks[((y / bh) * columns + x / bw) * 3];
            block[0] += p.r, block[1] += p.g, block[2] += p.b;
        }
    for (double& value : blocks) value /= bw * bh;
    return blocks;
}

// The floor shows the picture of the animation frame's own slot. Turned about
// all three axes and zoomed, the field's corners land where the camera's
// transform puts them: zoom toward the viewer, then the turns about the
// field's centre 0.1 above the floor, x first, then y, then z.
TEST_F(Scene, FloorShowsItsFrameAndATurnedZoomedCameraPutsItsCornersInPlace) {
    game.lightingOn = 0;
    Rgb frames[6];
    for (int slot = 0; slot <= 5; slot++) {
        frames[slot] = Rgb{30 + 40 * slot, 220 - 35 * slot, 90 + 25 * (slot % 3)};
        game.textures[slot] = solid(frames[slot]);
    }
    for (int frame = 0; frame <= 5; frame++) {
        game.animFrame = frame;
        drawMatch();
        EXPECT_TRUE(shows(seenAt(0.6f, 0.2f, 0), frames[frame])) << "frame " << frame;
    }

    game.animFrame = 2;
    game.camAngleX = 20, game.camAngleY = -10, game.camAngleZ = 30, game.camZoom = -0.6f;
    drawMatch();
    auto rotation = [](double degrees, int axis) {
        double c = std::cos(degrees * M_PI / 180), s = std::sin(degrees * M_PI / 180);
        std::vector<double> m(16, 0.0);  // column-major, as OpenGL keeps matrices
        m[15] = 1;
        int a = (axis + 1) % 3, b = (axis + 2) % 3;
        m[axis * 5] = 1;
        m[a * 5] = c, m[b * 5] = c, m[a * 4 + b] = s, m[b * 4 + a] = -s;
        return m;
    };
    auto translation = [](double x, double y, double z) {
        std::vector<double> m = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
        return m;
    };
    auto times = [](const std::vector<double>& l, const std::vector<double>& r) {
        std::vector<double> m(16, 0.0);
        for (int col = 0; col < 4; col++)
            for (int row = 0; row < 4; row++)
                for (int k = 0; k < 4; k++) m[col * 4 + row] += l[k * 4 + row] * r[col * 4 + k];
        return m;
    };
    std::vector<double> camera = translation(0, 0, -0.6);
    for (const auto& step : {translation(1, 0.5, 0.1), rotation(20, 0), rotation(-10, 1), rotation(30, 2),
                             translation(-1, -0.5, -0.1)})
        camera = times(camera, step);
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto seenThroughCamera = [&](double x, double y) {
        double wx, wy, wz;
        gluProject(x, y, 0, camera.data(), projection, viewport, &wx, &wy, &wz);
        EXPECT_TRUE(wx >= 0 && wx < 640 && wy >= 0 && wy < 480) << wx << ", " << wy;
        return readPixel((int)wx, (int)wy);
    };
    for (double cornerX : {0.0, 2.0}) {
        for (double cornerY : {0.0, 1.0}) {
            SCOPED_TRACE(testing::Message() << "corner " << cornerX << ", " << cornerY);
            double inX = cornerX == 0 ? 0.08 : -0.08, inY = cornerY == 0 ? 0.08 : -0.08;
            EXPECT_TRUE(shows(seenThroughCamera(cornerX + inX, cornerY + inY), frames[2]));
            EXPECT_FALSE(near(seenThroughCamera(cornerX - inX, cornerY + inY), frames[2]));
        }
    }
}

// The whole frame, HUD included, is the same picture at every window size, only scaled.
TEST_F(Scene, EveryWindowSizeShowsTheSameFrameScaled) {
    ASSERT_GE(glutGet(GLUT_WINDOW_WIDTH), 1024) << "run each test in its own process (ctest does)";
    ASSERT_GE(glutGet(GLUT_WINDOW_HEIGHT), 768);
    game.camAngleX = -25;
    game.camAngleZ = 15;
    game.camZoom = 0.2f;
    game.p1BatY = 0.25f;
    game.p2BatY = -0.1f;
    game.ballX = 0.6f;
    game.ballY = -0.2f;
    game.p1Games = 2;
    game.p2Games = 1;
    game.p1Points = 4;
    game.showFps = 1;
    game.fps = 1234;
    game.cameraMode = 1;
    for (int playground : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "playground " << playground);
        setPlaygroundLights(playground);
        for (int slot : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 28})
            game.textures[slot] = gradient(slot + 50 * playground);
        game.animFrame = playground == 2 ? 3 : 0;
        std::vector<double> reference;
        const int sizes[3][2] = {{640, 480}, {800, 600}, {1024, 768}};
        for (const auto& size : sizes) {
            SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
            onReshape(size[0], size[1]);
            drawMatch();
            std::vector<double> blocks = blockAverages(size[0], size[1]);
            if (reference.empty()) {
                reference = blocks;
                continue;
            }
            double total = 0, worst = 0;
            for (size_t i = 0; i < blocks.size(); i++) {
                double difference = std::fabs(blocks[i] - reference[i]);
                total += difference;
                worst = std::max(worst, difference);
            }
            // Text edges and texel boundaries land on different pixels at each size,
            // which blurs a block by a few levels at most; a misplaced or missing
            // part of the frame moves blocks by many tens.
            EXPECT_LT(total / blocks.size(), 1.0);
            EXPECT_LT(worst, 16.0);
        }
    }
}

}  // namespace
