// A real OpenGL context for drawing tests: one freeglut window per test process (Mesa under Xvfb).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Opens the window once (with the game's fixed GL state) and makes it current.
// Width and height apply to the first call only.
void openTestWindow(int width = 640, int height = 480);

struct Rgb {
    int r, g, b;
};
// Reads one pixel of the back buffer, (0, 0) at the lower left.
Rgb readPixel(int x, int y);
// Reads a block of the back buffer, row by row from the bottom.
std::vector<Rgb> readPixels(int x, int y, int width, int height);

// A texture made from tightly packed RGB rows, the top row first (as the game's
// pictures are uploaded), with nearest filtering so texels read back exactly.
// It stays bound to GL_TEXTURE_2D.
uint32_t makeTexture(int width, int height, const std::vector<uint8_t>& rgb);

// One vertex of feedback mode (GL_3D_COLOR_TEXTURE): window position, depth in
// 0..1, the colour after lighting, and the texture coordinate.
struct FeedbackVertex {
    float x, y, z;
    float color[4];
    float tex[4];
};
typedef std::vector<FeedbackVertex> FeedbackPolygon;
// Runs draw in feedback mode and returns the polygons it would have rasterised,
// in order (the driver may hand a quad back as two triangles).
std::vector<FeedbackPolygon> captureFeedback(const std::function<void()>& draw);

// Puts a quad that the driver split into two triangles back together, corners in
// the order they were emitted; polygons of four corners pass through. Returns
// nothing when the polygons do not pair up into quads.
std::vector<FeedbackPolygon> mergeQuads(const std::vector<FeedbackPolygon>& polygons);

// A glyph found in feedback: its character code (from the font cell its texture
// coordinates cover) and the lower left corner of its 16 x 16 cell in window units.
struct GlyphSeen {
    int code;
    float x, y;
};
// Every glyph among the polygons, once each, in drawing order. Other geometry is passed over.
std::vector<GlyphSeen> glyphsIn(const std::vector<FeedbackPolygon>& polygons);
// The text whose first glyph stands at (x, y), read on along the pen advance of 14 units.
std::string textAt(const std::vector<GlyphSeen>& glyphs, float x, float y);
