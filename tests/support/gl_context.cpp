// A real OpenGL context for drawing tests: one freeglut window per test process (Mesa under Xvfb).
#include "support/gl_context.h"

#include <GL/freeglut.h>

#include "app/startup.h"

static bool windowOpen = false;

void openTestWindow(int width, int height) {
    if (windowOpen) return;
    int argc = 1;
    char name[] = "gl-tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Tarvo Rink");
    initGLState();
    glViewport(0, 0, width, height);
    windowOpen = true;
}

Rgb readPixel(int x, int y) {
    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return Rgb{pixel[0], pixel[1], pixel[2]};
}
