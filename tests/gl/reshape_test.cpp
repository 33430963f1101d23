// The fixed start-up state and the reshape callback: viewport, perspective projection and the camera over the field centre.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "core/game_state.h"
#include "app/events.h"
#include "app/startup.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

class Reshape : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow();
    }
};

// Projects a field point through the current projection (identity modelview) to window pixels.
static void project(double x, double y, double z, double* wx, double* wy) {
    GLdouble model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble proj[16];
    GLint view[4];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, view);
    double wz;
    gluProject(x, y, z, model, proj, view, wx, wy, &wz);
}

TEST_F(Reshape, LeavesProjectionCurrentAndLooksDownOnTheFieldCentre) {
    onReshape(640, 480);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_PROJECTION);
    EXPECT_EQ(game.windowWidth, 640);
    EXPECT_EQ(game.windowHeight, 480);
    double wx, wy;
    project(1.0, 0.5, 0.0, &wx, &wy);  // the field centre is the screen centre
    EXPECT_NEAR(wx, 320.0, 0.01);
    EXPECT_NEAR(wy, 240.0, 0.01);
    double lx, ly, rx, ry;
    project(0.0, 0.5, 0.0, &lx, &ly);  // player 1's end is on the left
    project(2.0, 0.5, 0.0, &rx, &ry);
    EXPECT_LT(lx, 320.0);
    EXPECT_GT(rx, 320.0);
    double fx, fy;
    project(1.0, 1.0, 0.0, &fx, &fy);  // the far board is at the top
    EXPECT_GT(fy, 240.0);
}

TEST_F(Reshape, ZeroHeightGivesAFiniteProjection) {
    onReshape(640, 0);
    GLdouble proj[16];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    for (double value : proj) EXPECT_TRUE(std::isfinite(value));
    onReshape(640, 480);
}

// The pointer is hidden from start-up: the intro shows none until it ends.
TEST_F(Reshape, StartUpStateHidesTheCursorAndLightensWhenBlending) {
    fake::calls.clear();  // the test window's own start-up
    initGLState();
    auto cursors = callsOf("cursor");
    ASSERT_EQ(cursors.size(), 1u);
    EXPECT_EQ(cursors[0].ms, GLUT_CURSOR_NONE);
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_ONE_MINUS_DST_COLOR);
    EXPECT_EQ(destination, GL_ONE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_DEPTH_TEST));
}
