// Drawing kit of the asset generator: colours, float canvases, masks, noise, shape distances and FreeType text.
#include "art.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

std::string fontDirectory = "/usr/share/fonts/truetype/dejavu";

std::string fontPath(const char* file) { return fontDirectory + "/" + file; }

Image newImage(int w, int h, Rgb fill) {
    Image image;
    image.w = w;
    image.h = h;
    image.px.assign((size_t)w * h, fill);
    return image;
}

Mask newMask(int w, int h) {
    Mask mask;
    mask.w = w;
    mask.h = h;
    mask.a.assign((size_t)w * h, 0.0f);
    return mask;
}

// One box pass of half-width r along a line of n values spaced by `step`. The box
// holds the 2 floor(r) + 1 samples around each value in full and the next sample on
// either side by the fraction of r beyond its whole part, so the blur grows smoothly
// with r and a picture drawn twice the size blurs exactly twice as far.
static void boxLine(float* line, int n, int step, float r, bool wrap, std::vector<float>& scratch) {
    scratch.resize(n);
    for (int i = 0; i < n; i++) scratch[i] = line[(size_t)i * step];
    auto sample = [&](int i) {
        if (wrap) return scratch[((i % n) + n) % n];
        return scratch[i < 0 ? 0 : (i >= n ? n - 1 : i)];
    };
    const int k = (int)r;
    const float part = r - k;
    float sum = 0;
    for (int i = -k; i <= k; i++) sum += sample(i);
    const float inv = 1.0f / (2 * r + 1);
    for (int i = 0; i < n; i++) {
        float edges = part > 0 ? part * (sample(i - k - 1) + sample(i + k + 1)) : 0.0f;
        line[(size_t)i * step] = (sum + edges) * inv;
        sum += sample(i + k + 1) - sample(i - k);
    }
}

void blurMask(Mask& mask, float radius, bool wrapX) {
    const float r = std::max(1.0f, radius);
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; pass++) {
        for (int y = 0; y < mask.h; y++) boxLine(&mask.a[(size_t)y * mask.w], mask.w, 1, r, wrapX, scratch);
        for (int x = 0; x < mask.w; x++) boxLine(&mask.a[x], mask.h, mask.w, r, false, scratch);
    }
}

void paintMask(Image& image, const Mask& mask, Rgb colour, float opacity, int ox, int oy) {
    for (int y = 0; y < mask.h; y++)
        for (int x = 0; x < mask.w; x++) {
            int ix = x + ox, iy = y + oy;
            if (ix < 0 || iy < 0 || ix >= image.w || iy >= image.h) continue;
            float a = clamp01(mask.at(x, y)) * opacity;
            if (a <= 0) continue;
            image.at(ix, iy) = over(image.at(ix, iy), colour, a);
        }
}

void addMask(Image& image, const Mask& mask, Rgb colour, float gain, int ox, int oy) {
    for (int y = 0; y < mask.h; y++)
        for (int x = 0; x < mask.w; x++) {
            int ix = x + ox, iy = y + oy;
            if (ix < 0 || iy < 0 || ix >= image.w || iy >= image.h) continue;
            float a = mask.at(x, y) * gain;
            if (a <= 0) continue;
            image.at(ix, iy) = image.at(ix, iy) + colour * a;
        }
}

Image crop(const Image& image, int x0, int y0, int w, int h) {
    Image out = newImage(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) out.at(x, y) = image.at(x0 + x, y0 + y);
    return out;
}

std::vector<uint8_t> toBytes(const Image& image) {
    std::vector<uint8_t> bytes((size_t)image.w * image.h * 3);
    auto channel = [](float v) { return (uint8_t)std::lround(clamp01(v) * 255.0f); };
    for (size_t i = 0; i < image.px.size(); i++) {
        bytes[i * 3 + 0] = channel(image.px[i].r);
        bytes[i * 3 + 1] = channel(image.px[i].g);
        bytes[i * 3 + 2] = channel(image.px[i].b);
    }
    return bytes;
}

// ---- Noise -------------------------------------------------------------------------

uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

float hashFloat(int x, int y, uint32_t seed) {
    uint32_t h = hash32((uint32_t)x * 0x8DA6B343u ^ hash32((uint32_t)y * 0xD8163841u ^ seed * 0xCB1AB31Fu));
    return (h >> 8) * (1.0f / 16777216.0f);
}

float valueNoise(float x, float y, uint32_t seed, int periodX, int periodY) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = (int)fx, iy = (int)fy;
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
    ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
    auto wrap = [](int v, int p) { return p > 0 ? ((v % p) + p) % p : v; };
    int x0 = wrap(ix, periodX), x1 = wrap(ix + 1, periodX);
    int y0 = wrap(iy, periodY), y1 = wrap(iy + 1, periodY);
    float a = hashFloat(x0, y0, seed), b = hashFloat(x1, y0, seed);
    float c = hashFloat(x0, y1, seed), d = hashFloat(x1, y1, seed);
    return mixf(mixf(a, b, tx), mixf(c, d, tx), ty);
}

float fbm(float x, float y, uint32_t seed, int octaves, int periodX, int periodY) {
    float sum = 0, amplitude = 0.5f, norm = 0;
    for (int o = 0; o < octaves; o++) {
        sum += amplitude * valueNoise(x, y, seed + (uint32_t)o * 101u, periodX, periodY);
        norm += amplitude;
        x *= 2;
        y *= 2;
        periodX *= 2;
        periodY *= 2;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

// ---- Text ----------------------------------------------------------------------------

struct Typeface {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Typeface* openTypeface(const std::string& path, std::string* error) {
    Typeface* typeface = new Typeface;
    if (FT_Init_FreeType(&typeface->library)) {
        *error = "FreeType could not start";
        delete typeface;
        return nullptr;
    }
    if (FT_New_Face(typeface->library, path.c_str(), 0, &typeface->face)) {
        *error = path + ": not a font FreeType can read";
        FT_Done_FreeType(typeface->library);
        delete typeface;
        return nullptr;
    }
    return typeface;
}

void closeTypeface(Typeface* typeface) {
    if (!typeface) return;
    FT_Done_Face(typeface->face);
    FT_Done_FreeType(typeface->library);
    delete typeface;
}

static void setSize(Typeface* typeface, float pixelSize) {
    FT_Set_Char_Size(typeface->face, 0, (FT_F26Dot6)std::lround(pixelSize * 64.0f), 72, 72);
}

bool renderGlyph(Typeface* typeface, unsigned code, float pixelSize, float xScale, float dx, Glyph* glyph) {
    FT_Face face = typeface->face;
    setSize(typeface, pixelSize);
    FT_UInt index = FT_Get_Char_Index(face, code);  // ISO-8859-1 codes are their own Unicode points
    if (index == 0) return false;
    FT_Matrix matrix = {(FT_Fixed)std::lround(xScale * 65536.0f), 0, 0, 0x10000};
    FT_Vector delta = {(FT_Pos)std::lround(dx * 64.0f), 0};
    FT_Set_Transform(face, &matrix, &delta);
    bool ok = FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0 &&
              face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    FT_Set_Transform(face, nullptr, nullptr);
    if (!ok) return false;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    glyph->width = (int)bitmap.width;
    glyph->rows = (int)bitmap.rows;
    glyph->left = face->glyph->bitmap_left;
    glyph->top = face->glyph->bitmap_top;
    glyph->advance = face->glyph->advance.x / 64.0f;
    glyph->coverage.resize((size_t)glyph->width * glyph->rows);
    for (int y = 0; y < glyph->rows; y++)
        for (int x = 0; x < glyph->width; x++)
            glyph->coverage[(size_t)y * glyph->width + x] = bitmap.buffer[y * bitmap.pitch + x];
    return true;
}

static float kerning(Typeface* typeface, unsigned left, unsigned right, float xScale) {
    FT_Face face = typeface->face;
    if (!FT_HAS_KERNING(face) || left == 0) return 0;
    FT_Vector kern;
    if (FT_Get_Kerning(face, FT_Get_Char_Index(face, left), FT_Get_Char_Index(face, right), FT_KERNING_UNFITTED,
                       &kern))
        return 0;
    return kern.x / 64.0f * xScale;
}

float textWidth(Typeface* typeface, const std::string& text, float pixelSize, float xScale) {
    float pen = 0;
    unsigned previous = 0;
    Glyph glyph;
    float right = 0;
    for (unsigned char c : text) {
        pen += kerning(typeface, previous, c, xScale);
        if (renderGlyph(typeface, c, pixelSize, xScale, 0, &glyph)) {
            if (glyph.width > 0) right = pen + glyph.left + glyph.width;
            pen += glyph.advance;
        }
        previous = c;
    }
    return std::max(right, 0.0f);
}

float capHeight(Typeface* typeface, float pixelSize) {
    Glyph glyph;
    if (!renderGlyph(typeface, 'H', pixelSize, 1.0f, 0, &glyph)) return pixelSize * 0.73f;
    return (float)glyph.top;
}

void textInto(Mask& mask, Typeface* typeface, const std::string& text, float pixelSize, float x, float baseline,
              float xScale) {
    float pen = x;
    unsigned previous = 0;
    Glyph glyph;
    const int base = (int)std::floor(baseline);
    for (unsigned char c : text) {
        pen += kerning(typeface, previous, c, xScale);
        float whole = std::floor(pen);
        if (renderGlyph(typeface, c, pixelSize, xScale, pen - whole, &glyph)) {
            for (int y = 0; y < glyph.rows; y++)
                for (int gx = 0; gx < glyph.width; gx++) {
                    int mx = (int)whole + glyph.left + gx, my = base - glyph.top + y;
                    if (mx < 0 || my < 0 || mx >= mask.w || my >= mask.h) continue;
                    float& cell = mask.ref(mx, my);
                    cell = std::min(1.0f, cell + glyph.coverage[(size_t)y * glyph.width + gx] / 255.0f);
                }
            pen += glyph.advance;
        }
        previous = c;
    }
}

// ---- Three-dimensional noise -----------------------------------------------------------

static float hash3(int x, int y, int z, uint32_t seed) {
    uint32_t h = hash32((uint32_t)x * 0x8DA6B343u ^ hash32((uint32_t)y * 0xD8163841u ^
                                                           hash32((uint32_t)z * 0xCB1AB31Fu ^ seed)));
    return (h >> 8) * (1.0f / 16777216.0f);
}

float valueNoise3(float x, float y, float z, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int ix = (int)fx, iy = (int)fy, iz = (int)fz;
    auto ease = [](float t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    float tx = ease(x - fx), ty = ease(y - fy), tz = ease(z - fz);
    float c[2][2][2];
    for (int k = 0; k < 2; k++)
        for (int j = 0; j < 2; j++)
            for (int i = 0; i < 2; i++) c[k][j][i] = hash3(ix + i, iy + j, iz + k, seed);
    float a = mixf(mixf(c[0][0][0], c[0][0][1], tx), mixf(c[0][1][0], c[0][1][1], tx), ty);
    float b = mixf(mixf(c[1][0][0], c[1][0][1], tx), mixf(c[1][1][0], c[1][1][1], tx), ty);
    return mixf(a, b, tz);
}

float fbm3(float x, float y, float z, uint32_t seed, int octaves) {
    float sum = 0, amplitude = 0.5f, norm = 0;
    for (int o = 0; o < octaves; o++) {
        sum += amplitude * valueNoise3(x, y, z, seed + (uint32_t)o * 131u);
        norm += amplitude;
        x *= 2.03f;
        y *= 2.03f;
        z *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum / norm;
}
