// Drawing kit of the asset generator: colours, float canvases, masks, noise, shape distances and FreeType text.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// ---- Colour and scalar helpers ---------------------------------------------------

struct Rgb {
    float r, g, b;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(float k, Rgb a) { return a * k; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

inline float clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }
inline float mixf(float a, float b, float t) { return a + (b - a) * t; }
inline Rgb mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline float smooth(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
inline float fract(float x) { return x - std::floor(x); }
// 0xRRGGBB as a colour.
inline Rgb hex(uint32_t c) {
    return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f};
}
// Lays `top` over `base` with coverage a.
inline Rgb over(Rgb base, Rgb top, float a) { return mix(base, top, clamp01(a)); }
constexpr float PI = 3.14159265358979f;

// ---- Canvases ----------------------------------------------------------------------

struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Rgb& at(int x, int y) { return px[(size_t)y * w + x]; }
    Rgb at(int x, int y) const { return px[(size_t)y * w + x]; }
};
Image newImage(int w, int h, Rgb fill = {0, 0, 0});

// Coverage or intensity per pixel, 0..1 (may exceed 1 for glows before clamping).
struct Mask {
    int w = 0, h = 0;
    std::vector<float> a;
    float at(int x, int y) const {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : a[(size_t)y * w + x];
    }
    float& ref(int x, int y) { return a[(size_t)y * w + x]; }
};
Mask newMask(int w, int h);

// Sets every pixel from f(x, y), x and y in pixel units of the picture (0..w, 0..h,
// top row first), averaged over ss x ss samples inside the pixel.
template <class F>
void shade(Image& image, F f, int ss = 1) {
    const float inv = 1.0f / ss;
    for (int y = 0; y < image.h; y++)
        for (int x = 0; x < image.w; x++) {
            Rgb sum{0, 0, 0};
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) sum = sum + f(x + (i + 0.5f) * inv, y + (j + 0.5f) * inv);
            image.at(x, y) = sum * (inv * inv);
        }
}
// The same for a mask.
template <class F>
void shadeMask(Mask& mask, F f, int ss = 1) {
    const float inv = 1.0f / ss;
    for (int y = 0; y < mask.h; y++)
        for (int x = 0; x < mask.w; x++) {
            float sum = 0;
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) sum += f(x + (i + 0.5f) * inv, y + (j + 0.5f) * inv);
            mask.ref(x, y) = sum * inv * inv;
        }
}

// Near-gaussian blur of a mask (three box passes each way, each of half-width `radius`
// pixels, fractions included, at least 1); wrapX makes it wrap across.
void blurMask(Mask& mask, float radius, bool wrapX = false);
// Lays a colour over the image through a mask placed at (ox, oy).
void paintMask(Image& image, const Mask& mask, Rgb colour, float opacity = 1.0f, int ox = 0, int oy = 0);
// Adds a colour scaled by the mask (light, glows), at (ox, oy).
void addMask(Image& image, const Mask& mask, Rgb colour, float gain = 1.0f, int ox = 0, int oy = 0);
// Lays a per-pixel colour (from f(x, y) in image pixels) over the image through a mask.
template <class F>
void paintMaskWith(Image& image, const Mask& mask, F colourAt, int ox = 0, int oy = 0) {
    for (int y = 0; y < mask.h; y++)
        for (int x = 0; x < mask.w; x++) {
            int ix = x + ox, iy = y + oy;
            if (ix < 0 || iy < 0 || ix >= image.w || iy >= image.h) continue;
            float a = clamp01(mask.at(x, y));
            if (a <= 0) continue;
            image.at(ix, iy) = over(image.at(ix, iy), colourAt((float)ix + 0.5f, (float)iy + 0.5f), a);
        }
}
// Copies a rectangle of an image.
Image crop(const Image& image, int x, int y, int w, int h);
// 8-bit RGB bytes, top row first, with each channel rounded and clamped.
std::vector<uint8_t> toBytes(const Image& image);

// ---- Noise (deterministic, integer hashed) ----------------------------------------

uint32_t hash32(uint32_t x);
// A number in [0, 1) for a lattice point and a seed.
float hashFloat(int x, int y, uint32_t seed);
// Smooth value noise, periodic with the given integer periods (0 = no wrap).
float valueNoise(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0);
// Octaves of value noise, each doubling the frequency and the periods; about 0..1.
float fbm(float x, float y, uint32_t seed, int octaves, int periodX = 0, int periodY = 0);
// A small sequential random source for scattering things.
struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float uniform() { return (next() >> 8) * (1.0f / 16777216.0f); }
    float range(float a, float b) { return a + (b - a) * uniform(); }
};

// ---- Shapes as signed distances (negative inside) ---------------------------------

inline float sdBox(float px, float py, float hx, float hy) {
    float dx = std::fabs(px) - hx, dy = std::fabs(py) - hy;
    float ox = dx > 0 ? dx : 0, oy = dy > 0 ? dy : 0;
    float inside = dx > dy ? dx : dy;
    return std::sqrt(ox * ox + oy * oy) + (inside < 0 ? inside : 0);
}
inline float sdRoundBox(float px, float py, float hx, float hy, float r) {
    return sdBox(px, py, hx - r, hy - r) - r;
}
inline float sdSegment(float px, float py, float ax, float ay, float bx, float by) {
    float pax = px - ax, pay = py - ay, bax = bx - ax, bay = by - ay;
    float h = clamp01((pax * bax + pay * bay) / (bax * bax + bay * bay));
    float dx = pax - bax * h, dy = pay - bay * h;
    return std::sqrt(dx * dx + dy * dy);
}
// Coverage of a shape at a sample from its distance, softened over `soft` units.
inline float fill(float d, float soft = 1.0f) { return clamp01(0.5f - d / soft); }
// Coverage of a stroke of half-width hw along a shape's outline.
inline float stroke(float d, float hw, float soft = 1.0f) { return fill(std::fabs(d) - hw, soft); }

// ---- Text through FreeType ---------------------------------------------------------

struct Typeface;  // one FreeType library and face, owned by one thread
Typeface* openTypeface(const std::string& path, std::string* error);
void closeTypeface(Typeface* face);

// One rendered glyph: 8-bit coverage, placed relative to the pen on the baseline.
struct Glyph {
    int width = 0, rows = 0;
    int left = 0, top = 0;  // bitmap offset right of the pen and above the baseline
    float advance = 0;      // pen advance in pixels
    std::vector<uint8_t> coverage;
};
// Renders an ISO-8859-1 code at a pixel size, stretched across by xScale, with the
// pen at a fractional offset dx. False when the face has no glyph for the code.
bool renderGlyph(Typeface* face, unsigned code, float pixelSize, float xScale, float dx, Glyph* glyph);
// Width in pixels of a text line (pen advances with kerning).
float textWidth(Typeface* face, const std::string& text, float pixelSize, float xScale = 1.0f);
// Height above the baseline of the capital letters at a size.
float capHeight(Typeface* face, float pixelSize);
// Draws a text line into a mask (coverage adds up to 1), the pen starting at x on the baseline.
void textInto(Mask& mask, Typeface* face, const std::string& text, float pixelSize, float x, float baseline,
              float xScale = 1.0f);

// Where the DejaVu fonts live; set once by the generator's main from its arguments.
extern std::string fontDirectory;
std::string fontPath(const char* file);

// ---- Three-dimensional noise, for pictures wrapped around a sphere -------------------

float valueNoise3(float x, float y, float z, uint32_t seed);
float fbm3(float x, float y, float z, uint32_t seed, int octaves);
