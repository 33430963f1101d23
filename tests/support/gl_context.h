// A real OpenGL context for drawing tests: one freeglut window per test process (Mesa under Xvfb).
#pragma once

#include <cstdint>

// Opens the window once (with the game's fixed GL state) and makes it current.
// Width and height apply to the first call only.
void openTestWindow(int width = 640, int height = 480);

struct Rgb {
    int r, g, b;
};
// Reads one pixel of the back buffer, (0, 0) at the lower left.
Rgb readPixel(int x, int y);
