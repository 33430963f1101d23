// Pictures of the two playgrounds: floors, boards, end screens, backdrops, balls, bats and menu previews.
//
// Each surface is a function of its picture coordinates (s across, t down, both 0..1),
// so the same code paints the full-size picture and the small preview in the menu.
// The field is 2 x 1 units; the match camera looks straight down from 2.1 units above
// its middle, where one unit covers about 440 pixels of a 1024 x 768 screen.
#include <algorithm>
#include <cmath>
#include <string>

#include "assets.h"

namespace {

// Samples a surface function at every pixel centre of a picture.
template <class F>
Image paintSurface(int w, int h, F surface, int ss = 1) {
    Image image = newImage(w, h);
    shade(image, [&](float x, float y) { return surface(x / w, y / h); }, ss);
    return image;
}

// Distance in pixels to an axis-aligned rectangle given in picture units.
float rectDistance(float s, float t, float s0, float t0, float s1, float t1, float w, float h) {
    return sdBox((s - (s0 + s1) / 2) * w, (t - (t0 + t1) / 2) * h, (s1 - s0) / 2 * w, (t1 - t0) / 2 * h);
}

// Lettering along a board face, repeated across as often as it fits with room between,
// with horizontal scale `xScale` to undo the stretch of a picture whose aspect differs
// from the face's.
Mask boardLettering(int w, int h, const char* text, float capFraction, float xScale) {
    Typeface* face = needTypeface("DejaVuSans-Bold.ttf");
    float cap = h * capFraction;
    float size = cap * 1.4f;
    while (size > 6 && capHeight(face, size) > cap) size -= 0.25f;
    float width = textWidth(face, text, size, xScale);
    int count = std::max(1, (int)(w / (width * 1.6f)));
    Mask mask = newMask(w, h);
    float baseline = std::round(h / 2.0f + capHeight(face, size) / 2.0f);
    for (int i = 0; i < count; i++) {
        float centre = (i + 0.5f) * w / count;
        textInto(mask, face, text, size, std::round(centre - width / 2), baseline, xScale);
    }
    closeTypeface(face);
    return mask;
}

// The three lights of the match, as the scene sets them for a playground: two coloured
// lights over the ends and an even ambient light. Used to show the previews lit as in a match.
Rgb lit(Rgb texture, float x, float y, float z, Rgb light1, Rgb light2) {
    auto part = [&](float lx, Rgb colour) {
        float dx = lx - x, dy = 0.5f - y, dz = 0.5f - z;
        float distance2 = dx * dx + dy * dy + dz * dz;
        float facing = std::max(0.0f, dz / std::sqrt(distance2));
        return colour * (facing / (1 + 0.2f * distance2));
    };
    Rgb light = Rgb{0.7f, 0.7f, 0.7f} + part(0, light1) + part(2, light2);
    return {clamp01(texture.r * light.r), clamp01(texture.g * light.g), clamp01(texture.b * light.b)};
}

// A point on the unit sphere for picture coordinates of the ball as the sphere wraps
// them: s turns about the vertical axis, t runs from the bottom pole (t = 0, the top
// row of the picture) to the top pole that the camera looks at.
void spherePoint(float s, float t, float* x, float* y, float* z) {
    float theta = 2 * PI * s, rho = PI * (1 - t);
    *x = -std::sin(theta) * std::sin(rho);
    *y = std::cos(theta) * std::sin(rho);
    *z = std::cos(rho);
}

// Everything a preview needs from a playground.
struct Playground {
    Rgb (*floor)(float s, float t);
    Rgb (*boardTop)(float s, float t);
    Rgb (*backdrop)(float u, float v);
    Rgb (*bat)(float s, float t);
    Rgb (*ball)(float s, float t);
    Rgb light1, light2;
};

// The whole playground from above, as the match camera shows it, squeezed into a
// square: backdrop, floor, boards, both bats and the ball, lit like a match. The menu
// shows it over 128 x 128 screen units (205 pixels at 1024 x 768), at two pixels per unit.
Image preview(const Playground& p) {
    const int S = 256;
    const float scale = S * 0.4375f;  // pixels per field unit: the field spans 7/8 of the width
    const int ss = 2;                  // samples per pixel each way
    Image image = newImage(S, S);
    shade(image, [&](float px, float py) {
        float X = 1 + (px - S / 2.0f) / scale, Y = 0.5f - (py - S / 2.0f) / scale;
        // Bats and ball stand above everything else.
        float batX[2] = {0.2f, 1.75f}, batY[2] = {0.52f, 0.38f};
        for (int i = 0; i < 2; i++)
            if (X >= batX[i] && X <= batX[i] + 0.05f && std::fabs(Y - batY[i]) <= 0.1f)
                return lit(p.bat((batY[i] + 0.1f - Y) / 0.2f, (batX[i] + 0.05f - X) / 0.05f), X, Y, 0.15f, p.light1,
                           p.light2);
        float bx = X - 1.28f, by = Y - 0.66f;
        if (bx * bx + by * by < 0.03f * 0.03f) {
            float nx = bx / 0.03f, ny = by / 0.03f;
            float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
            float s = fract(std::atan2(-nx, ny) / (2 * PI) + 1), t = 1 - std::acos(nz) / PI;
            return lit(p.ball(s, t), X, Y, 0.125f, p.light1, p.light2) * (0.75f + 0.25f * nz);
        }
        if (X >= 0 && X <= 2 && Y >= 0 && Y <= 1) {
            Rgb c = X <= 1 ? p.floor(X, 1 - Y) : p.floor(2 - X, Y);
            return lit(c, X, Y, 0, p.light1, p.light2);
        }
        if (X >= 0 && X <= 2 && Y > 1 && Y <= 1.1f)
            return lit(p.boardTop(X / 2, 1 - (Y - 1) / 0.1f), X, Y, 0.2f, p.light1, p.light2);
        if (X >= 0 && X <= 2 && Y < 0 && Y >= -0.1f)
            return lit(p.boardTop((2 - X) / 2, 1 + Y / 0.1f), X, Y, 0.2f, p.light1, p.light2);
        // The backdrop lies 6 units below the floor, so it shows 3.86 times smaller.
        // Sampled four times more finely than the rest, between the pixel's own samples,
        // and dimmed, so the small picture stays calm.
        float Xb = 1 + (X - 1) * 3.857f, Yb = 0.5f + (Y - 0.5f) * 3.857f;
        const float step = 3.857f / scale / (2 * ss);
        Rgb sum{0, 0, 0};
        for (int j = 0; j < 2; j++)
            for (int i = 0; i < 2; i++) sum = sum + p.backdrop((Xb + (i - 0.5f) * step + 3.5f) / 9, (4 - Yb - (j - 0.5f) * step) / 7);
        return sum * (0.25f * 0.7f);
    }, ss);
    return image;
}

// ==== Playground 1, "tennis" ==============================================================

const Rgb COURT_BLUE = hex(0x2c5f9e);
const Rgb COURT_GREEN = hex(0x2f6a45);
const Rgb LINE_WHITE = hex(0xf3f5f0);
const Rgb BOARD_GREEN = hex(0x1d5437);
const Rgb RAIL_CREAM = hex(0xeae3cc);

// Court layout in floor picture units: the baseline end at s = 0, the net at s = 1.
const float BASELINE = 0.12f, SERVICE = 0.526f;
const float DOUBLES = 0.06f, SINGLES = 0.1725f;

// Half a hard court from its baseline (left) to the net (right): blue inside the doubles
// lines, green around, white lines, the net's tape and its shadow along the right edge.
// Everything is mirror-symmetric about the middle line t = 0.5, so where the scene joins
// this half to its half-turned copy at the net, the two edges meet exactly.
Rgb tennisFloorAt(float s, float t) {
    const float W = 512;
    float insideCover = fill(rectDistance(s, t, BASELINE, DOUBLES, 1.2f, 1 - DOUBLES, W, W), 1.0f);
    Rgb c = mix(COURT_GREEN, COURT_BLUE, insideCover);
    // Acrylic grain and a little wear where players stand behind the baseline.
    float grain = fbm(s * 48, t * 48, 21, 3) - 0.5f;
    float speckle = hashFloat((int)(s * W * 2), (int)(t * W * 2), 22) - 0.5f;
    c = c * (1 + 0.07f * grain + 0.035f * speckle);
    float wear = std::exp(-std::pow((s - 0.1f) / 0.05f, 2.0f) - std::pow((t - 0.5f) / 0.2f, 2.0f));
    c = mix(c, c * 1.18f, wear * (0.6f + 0.4f * fbm(s * 30, t * 30, 23, 2)));

    float hw = 2.4f;  // half-width of a line in pixels
    float d = 1e9f;
    auto line = [&](float s0, float t0, float s1, float t1, float half) {
        d = std::min(d, sdBox((s - (s0 + s1) / 2) * W, (t - (t0 + t1) / 2) * W, (s1 - s0) / 2 * W + half,
                              (t1 - t0) / 2 * W + half));
    };
    line(BASELINE, DOUBLES, BASELINE, 1 - DOUBLES, 3.4f);
    line(BASELINE, DOUBLES, 1.1f, DOUBLES, hw);
    line(BASELINE, 1 - DOUBLES, 1.1f, 1 - DOUBLES, hw);
    line(BASELINE, SINGLES, 1.1f, SINGLES, hw);
    line(BASELINE, 1 - SINGLES, 1.1f, 1 - SINGLES, hw);
    line(SERVICE, SINGLES, SERVICE, 1 - SINGLES, hw);
    line(SERVICE, 0.5f, 1.1f, 0.5f, hw);
    line(BASELINE, 0.5f, BASELINE + 0.028f, 0.5f, hw);
    c = over(c, LINE_WHITE * (0.97f + 0.03f * speckle), fill(d, 1.0f));

    // The net's shadow falls toward the baseline; its white tape runs along the edge.
    float shadow = smooth(0.93f, 0.985f, s) * (0.2f + 0.05f * std::sin(t * 180));
    c = c * (1 - shadow);
    float tape = fill((0.988f - s) * W, 1.0f);
    c = over(c, mix(hex(0xfafafa), hex(0xcfd3d6), smooth(0.988f, 1.0f, s)), tape);
    // Net posts beyond the doubles lines.
    for (float tp : {0.028f, 0.972f}) {
        float r = std::hypot((s - 1) * W, (t - tp) * W);
        c = over(c, hex(0x1b3a28), fill(r - 7, 1.0f));
        c = over(c, hex(0x5f8f6f), fill(r - 3, 1.0f) * 0.7f);
    }
    return c;
}

// Painted wood: grain along s that shows through the paint, planks butted every 1/4.
Rgb paintedWood(float s, float t, float lengthPx, float widthPx, Rgb paint, uint32_t seed) {
    float warp = fbm(s * lengthPx / 300, t * widthPx / 40, seed, 3);
    float rings = fract(t * widthPx / 9 + warp * 3.0f);
    float figure = smooth(0.0f, 0.15f, rings) * smooth(1.0f, 0.6f, rings);
    float fibre = valueNoise(s * lengthPx / 3, t * widthPx / 1.2f, seed + 7) - 0.5f;
    Rgb c = paint * (0.94f + 0.06f * figure + 0.03f * fibre);
    float joint = std::fabs(fract(s * 4 + 0.5f) - 0.5f) * lengthPx / 4;
    c = c * (1 - 0.45f * fill(joint - 0.8f, 1.0f));
    return c;
}

// Board tops: a cream-painted rail with rounded green-edged sides.
Rgb tennisBoardTopAt(float s, float t) {
    Rgb c = paintedWood(s, t, 1024, 64, RAIL_CREAM, 31);
    float edge = std::min(t, 1 - t) * 64;
    c = mix(BOARD_GREEN, c, smooth(2.0f, 5.0f, edge));
    c = c * (0.82f + 0.18f * smooth(0.0f, 14.0f, edge));
    // Screw heads at the plank ends.
    for (float sx : {0.03f, 0.22f}) {
        float local = fract(s * 4) - sx * 4 + 0.0f;
        float r = std::hypot(local * 256, (t - 0.5f) * 64);
        c = over(c, hex(0x8d8878), fill(r - 2.2f, 1.0f));
    }
    return c;
}

// A board face: green painted planks, a cream cap along the top, white lettering.
Image tennisBoardFace(int w, int h, float faceAspect, float capTop) {
    float xScale = (float)w / h / faceAspect;
    Image image = paintSurface(w, h, [&](float s, float t) {
        Rgb c = paintedWood(s, t, (float)w, (float)h, BOARD_GREEN, 41);
        float plank = std::fabs(fract(t * 4) - 0.5f) * h / 4;
        c = c * (1 - 0.25f * fill((h / 8.0f - plank) - 0.7f, 1.0f));
        float cap = t * h;
        c = over(c, paintedWood(s, t, (float)w, (float)h, RAIL_CREAM, 43), fill(cap - capTop * h, 1.0f));
        c = c * (0.85f + 0.15f * smooth(0.0f, 0.3f, 1 - t));
        return c;
    });
    Mask letters = boardLettering(w, h, "TARVO RINK", 0.36f, xScale);
    paintMask(image, letters, hex(0xf4f1e6), 0.95f);
    return image;
}

// The end screens behind the bats: a light net mesh with its white tape on black.
Rgb tennisNetAt(float s, float t) {
    const float W = 512, H = 128;
    // Mesh squares of 0.025 field units: 12.8 pixels across, 16 down.
    float mx = std::fabs(fract(s * 40) - 0.5f) * 12.8f, my = std::fabs(fract(t * 8) - 0.5f) * 16;
    float mesh = std::max(fill(6.4f - mx - 0.8f, 1.0f), fill(8.0f - my - 0.8f, 1.0f));
    float sag = 0.55f + 0.45f * std::sin(PI * s);
    Rgb c = hex(0x9aa3a8) * (mesh * sag * (0.8f + 0.2f * t));
    c = over(c, hex(0xffffff), fill((t - 0.11f) * H, 1.0f));
    c = over(c, hex(0x8f969a), fill(std::fabs(t - 0.985f) * H - 1.2f, 1.0f));
    float post = std::min(s, 1 - s) * W;
    c = over(c, hex(0x5b6a60), fill(post - 3.0f, 1.0f));
    return c;
}

// Around the court, seen from high above: a green apron, then the stands, row upon row
// of seats, most of them taken, with aisles running up through them. Only the margins
// around the playground show during play; the rest appears when the camera turns.
Rgb tennisBackdropAt(float u, float v) {
    float X = -3.5f + 9 * u, Y = 4 - 7 * v;  // backdrop units; the playground is centred on (1, 0.5)
    float px = X - 1, py = Y - 0.5f;
    const float hx = 3.96f, hy = 2.66f, r = 0.45f;
    float d = sdRoundBox(px, py, hx, hy, r);
    const float pixel = 9.0f / 1024;
    // Apron with mowing stripes.
    Rgb apron = COURT_GREEN * (0.8f + 0.06f * (std::fmod(std::floor(X * 2.5f) + 100, 2.0f)));
    apron = apron * (1 + 0.08f * (fbm(X * 3, Y * 3, 51, 3) - 0.5f));
    if (d < 0) return mix(apron * 0.9f, apron, smooth(-0.4f, -0.05f, d));
    // A low wall between apron and stands.
    if (d < 0.08f) return mix(hex(0x16392a), hex(0x0f2418), smooth(0.0f, 0.08f, d)) * (1 - 0.3f * fill((0.012f - d) / pixel));
    float rowDepth = 0.125f;
    float rowPos = (d - 0.08f) / rowDepth;
    int row = (int)std::floor(rowPos);
    float inRow = rowPos - row;
    // Position along the row: straight runs use the side's own axis, corners the angle.
    float qx = std::fabs(px) - (hx - r), qy = std::fabs(py) - (hy - r);
    float along;
    if (qx <= 0) along = px + (py > 0 ? 0.0f : 40.0f);
    else if (qy <= 0) along = py + (px > 0 ? 80.0f : 120.0f);
    else along = std::atan2(qy, qx) * (r + d) + (px > 0 ? 160.0f : 170.0f) + (py > 0 ? 0.0f : 5.0f);
    // Aisles every 1.5 units of the straights.
    float aisle = std::fabs(fract(along / 1.5f) - 0.5f) * 1.5f;
    Rgb step = hex(0x3a3f48) * (0.7f + 0.3f * inRow);
    if (aisle < 0.05f) return step * (0.9f + 0.1f * (fract(rowPos * 2) < 0.5f ? 1.0f : 0.8f));
    float seatWidth = 0.09f;
    float seatPos = along / seatWidth;
    int seat = (int)std::floor(seatPos);
    float inSeat = seatPos - seat;
    Rgb seatColour = hex(0x22406a) * (0.8f + 0.2f * inRow);
    Rgb c = mix(step * 0.6f, seatColour, smooth(0.1f, 0.2f, inRow) * smooth(0.95f, 0.85f, inRow));
    c = c * (0.9f + 0.1f * smooth(0.0f, 0.12f, inSeat) * smooth(1.0f, 0.88f, inSeat));
    if (hashFloat(seat, row, 53) < 0.72f) {
        // A spectator seen from above: shoulders across the row, the head just in front.
        static const Rgb shirts[] = {hex(0xb8b2a4), hex(0x9c3a32), hex(0x3a5f9a), hex(0xb89a46), hex(0x4a7a52),
                                     hex(0xcfcbc0), hex(0x5e4a78), hex(0x3a3a3e), hex(0xb0703a), hex(0x7d95b8)};
        Rgb shirt = shirts[(int)(hashFloat(seat, row, 54) * 10) % 10];
        float lx = (inSeat - 0.5f) * seatWidth, ly = (inRow - 0.55f) * rowDepth;
        float shoulders = std::hypot(lx / 0.037f, ly / 0.024f);
        c = over(c, shirt * (0.7f + 0.3f * clamp01(1 - shoulders * shoulders)), fill((shoulders - 1) * 0.024f / pixel, 1.0f));
        float head = std::hypot(lx, (inRow - 0.47f) * rowDepth) - 0.016f;
        static const Rgb hair[] = {hex(0x2e2118), hex(0x5a3e28), hex(0x9c7a52), hex(0x1c1a1a), hex(0x8a8680)};
        Rgb headColour = hair[(int)(hashFloat(seat, row, 55) * 5) % 5];
        c = over(c, headColour * (0.9f + 0.3f * clamp01(-head / 0.016f)), fill(head / pixel, 1.0f));
    }
    // Rows further out lie higher and catch more light.
    return c * (0.65f + 0.35f * smooth(0.0f, 2.0f, d));
}

// A tennis ball: yellow felt and its curved white seam.
Rgb tennisBallAt(float s, float t) {
    float x, y, z;
    spherePoint(s, t, &x, &y, &z);
    // Tilt the seam so the camera above sees its curve.
    float tilt = 0.6f, cy = std::cos(tilt), sy = std::sin(tilt);
    float rx = x, ry = y * cy - z * sy, rz = y * sy + z * cy;
    const float a = 0.72f, b = 0.28f, c2 = 2 * std::sqrt(a * b);
    float best = 1e9f;
    for (int i = 0; i < 256; i++) {
        float u = 2 * PI * i / 256;
        float sx = a * std::cos(u) + b * std::cos(3 * u), sy2 = a * std::sin(u) - b * std::sin(3 * u),
              sz = c2 * std::sin(2 * u);
        float dx = rx - sx, dy = ry - sy2, dz = rz - sz;
        best = std::min(best, dx * dx + dy * dy + dz * dz);
    }
    float d = std::sqrt(best);
    float fuzz = fbm3(x * 9, y * 9, z * 9, 61, 3);
    Rgb felt = mix(hex(0xc8d82a), hex(0xe4f04a), fuzz) * (0.94f + 0.12f * valueNoise3(x * 40, y * 40, z * 40, 62));
    Rgb colour = over(felt, felt * 0.7f, smooth(0.075f, 0.045f, d));
    colour = over(colour, hex(0xf4f4e8), smooth(0.045f, 0.03f, d));
    return colour;
}

// The tennis bat: cream paint, a red band along the middle, dark edges.
Rgb tennisBatAt(float s, float t) {
    Rgb c = paintedWood(s * 0.25f, t, 256, 64, RAIL_CREAM, 71);
    float band = std::fabs(t - 0.5f) * 64;
    c = over(c, hex(0xc9262e), fill(band - 9, 1.0f));
    c = over(c, hex(0xffffff), fill(std::fabs(band - 12) - 1.2f, 1.0f) * 0.8f);
    float edge = std::min(std::min(s * 256, (1 - s) * 256), std::min(t * 64, (1 - t) * 64));
    c = over(c, hex(0x2a2320), fill(edge - 3, 1.0f));
    return c;
}

// ==== Playground 2, "futuristic" ==========================================================

const Rgb NEON_CYAN = hex(0x22d8ff);
const Rgb NEON_MAGENTA = hex(0xff2fc0);
const Rgb METAL = hex(0x1b1f28);

// The neon floor, one of six frames. A grid of cyan lines on near-black; pulses of
// light run along the lines toward the net line, one every quarter of the picture, and
// move a sixth of that per frame, so the six frames loop without a jump. The half
// centre circle at the net edge and the grid are symmetric about t = 0.5, so the two
// halves of the field meet exactly at the net.
Rgb neonFloorAt(float s, float t, int frame) {
    const float W = 512;
    float phase = frame / 6.0f;
    Rgb c = hex(0x04060f) * (0.85f + 0.3f * fbm(s * 16, t * 16, 81, 3));
    float w = fract(s * 4 - phase);
    float head = std::pow(w, 10.0f), trail = std::pow(w, 3.0f);
    // Major and minor grid lines.
    auto lineDistance = [](float x, float period, float size) {
        return std::fabs(fract(x / period + 0.5f) - 0.5f) * period * size;
    };
    float dAlong = lineDistance(t, 0.125f, W);   // lines running along s
    float dAcross = lineDistance(s, 0.125f, W);  // lines running across
    float minor = std::min(lineDistance(t, 0.03125f, W), lineDistance(s, 0.03125f, W));
    c = c + NEON_CYAN * (0.10f * fill(minor - 0.4f, 1.0f));
    // Line cores carry the pulse brightly; their halos only a little, so the pulse reads as light running in the lines.
    float alongCore = fill(dAlong - 1.1f, 1.0f), alongHalo = 0.45f * std::exp(-dAlong / 5.0f);
    float acrossCore = fill(dAcross - 1.1f, 1.0f), acrossHalo = 0.45f * std::exp(-dAcross / 5.0f);
    c = c + NEON_CYAN * (alongCore * (0.45f + 1.6f * trail + 2.5f * head) + alongHalo * (1 + 0.8f * trail + 0.8f * head));
    c = c + NEON_CYAN * (acrossCore * (0.45f + 1.2f * head) + acrossHalo * (1 + 0.5f * head));
    // The running pulse lights the floor a little around it.
    c = c + hex(0x0a3cff) * (0.10f * trail + 0.12f * head);
    // Borders along the boards and the end, the bat lane, and the half centre circle.
    float border = std::min(std::min(t, 1 - t) * W - 6, s * W - 8);
    c = c + NEON_MAGENTA * (fill(std::fabs(border) - 1.3f, 1.0f) + 0.5f * std::exp(-std::fabs(border) / 6));
    float lane = std::fabs(s - 0.2f) * W;
    float dash = fract(t * 16) < 0.6f ? 1.0f : 0.0f;
    c = c + NEON_MAGENTA * (0.6f * dash * fill(lane - 0.9f, 1.0f));
    float ring = std::fabs(std::hypot((s - 1) * W, (t - 0.5f) * W) - 0.2f * W);
    float beat = 0.75f + 0.25f * std::cos(2 * PI * phase);
    c = c + NEON_MAGENTA * (beat * (fill(ring - 1.6f, 1.0f) + 0.6f * std::exp(-ring / 7)));
    c = c + NEON_MAGENTA * (0.5f * fill((1 - s) * W - 1.5f, 1.0f) + 0.3f * std::exp(-(1 - s) * W / 6));
    return c;
}

// Dark brushed metal with panel seams every `panel` pixels along s and a bolt at
// each seam corner.
Rgb metalAt(float s, float t, float w, float h, float panel, uint32_t seed) {
    float brushed = valueNoise(s * w / 40, t * h / 1.5f, seed) * 0.5f + fbm(s * w / 200, t * h / 30, seed + 3, 3) * 0.5f;
    Rgb c = METAL * (0.8f + 0.45f * brushed);
    float x = s * w, seam = std::fabs(std::fmod(x + panel / 2, panel) - panel / 2);
    c = c * (1 - 0.55f * fill(seam - 0.8f, 1.0f)) + hex(0x3a4458) * (0.5f * fill(std::fabs(seam - 2) - 0.5f, 1.0f));
    for (float ty : {0.2f, 0.8f}) {
        float bx = std::fabs(std::fmod(x + panel / 2, panel) - panel / 2) - 9;
        float r = std::hypot(bx, (t - ty) * h);
        c = over(c, hex(0x4a5466), fill(r - 2.6f, 1.0f));
        c = over(c, hex(0x0c0e14), fill(r - 1.0f, 1.0f) * 0.7f);
    }
    return c;
}

// A glowing strip: a bright core of half-width hw and a halo, at distance d in pixels.
Rgb neonStrip(Rgb colour, float d, float hw, float halo = 6) {
    return colour * (fill(d - hw, 1.0f) * 1.2f + 0.55f * std::exp(-std::max(0.0f, d - hw) / halo));
}

Rgb metalBoardTopAt(float s, float t) {
    Rgb c = metalAt(s, t, 1024, 64, 128, 91);
    float edge = std::min(t, 1 - t) * 64;
    c = c * (0.6f + 0.4f * smooth(0.0f, 6.0f, edge));
    c = c + neonStrip(NEON_CYAN, std::fabs(t - 0.5f) * 64, 1.4f, 5);
    float marker = std::fabs(std::fmod(s * 1024 + 64, 128.0f) - 64);
    c = c + NEON_MAGENTA * (fill(std::max(marker - 5, std::fabs(t - 0.5f) * 64 - 8), 1.0f) * 0.8f);
    return c;
}

// The deep-space backdrop: a coloured nebula, stars of every brightness, and a ringed
// planet rising in one corner.
Rgb spaceBackdropAt(float u, float v) {
    float X = u * 9, Y = v * 7;  // backdrop units, 9 x 7
    float n = fbm(X * 0.45f + 1.3f * fbm(X * 0.3f, Y * 0.3f, 101, 3), Y * 0.45f, 102, 5);
    float n2 = fbm(X * 0.8f, Y * 0.8f + 5, 103, 4);
    Rgb c = hex(0x02030a);
    c = c + hex(0x5a1a8a) * (0.55f * std::pow(smooth(0.42f, 0.8f, n), 1.5f));
    c = c + hex(0x0d6a8a) * (0.45f * std::pow(smooth(0.45f, 0.85f, n2), 1.6f));
    c = c + hex(0xff6ad0) * (0.12f * std::pow(smooth(0.6f, 0.9f, n), 3.0f));
    // Stars: at most one per cell of a fine grid, a few of them bright with a cross flare.
    const float cell = 9.0f / 128;
    int cx = (int)std::floor(X / cell), cy = (int)std::floor(Y / cell);
    for (int j = -1; j <= 1; j++)
        for (int i = -1; i <= 1; i++) {
            int gx = cx + i, gy = cy + j;
            float chance = hashFloat(gx, gy, 111);
            if (chance > 0.3f) continue;
            float sx = (gx + hashFloat(gx, gy, 112)) * cell, sy = (gy + hashFloat(gx, gy, 113)) * cell;
            float brightness = std::pow(hashFloat(gx, gy, 114), 4.0f);
            float dx = (X - sx) * 1024 / 9, dy = (Y - sy) * 1024 / 7;  // pixels
            float r2 = dx * dx + dy * dy;
            float size = 0.5f + 1.2f * brightness;
            float spot = std::exp(-r2 / (size * size));
            Rgb tint = hashFloat(gx, gy, 115) < 0.3f ? hex(0xffd9a8) : (hashFloat(gx, gy, 116) < 0.4f ? hex(0xa8c8ff) : hex(0xffffff));
            c = c + tint * (spot * (0.35f + 0.9f * brightness));
            if (brightness > 0.7f) {
                float flare = std::exp(-std::fabs(dx) / 0.8f) * std::exp(-std::fabs(dy) / 14) +
                              std::exp(-std::fabs(dy) / 0.8f) * std::exp(-std::fabs(dx) / 14);
                c = c + tint * (0.5f * flare * brightness);
            }
        }
    // The planet, low in the upper right corner, lit from the left.
    float pX = 8.55f, pY = 0.35f, pr = 1.25f;
    float dx = (X - pX) / pr, dy = (Y - pY) / pr;
    float r = std::sqrt(dx * dx + dy * dy);
    if (r < 1.0f) {
        float nz = std::sqrt(1 - r * r);
        float light = clamp01(-dx * 0.7f + dy * 0.3f + nz * 0.5f);
        float bands = fbm(dy * 6 + 0.4f * fbm(dx * 3, dy * 3, 121, 2), dx * 0.5f, 122, 3);
        Rgb surface = mix(hex(0x2a5a8f), hex(0x9fd0e8), bands) * (0.08f + 0.95f * light);
        c = over(c, surface, fill((r - 1) * pr * 1024 / 9, 1.5f));
    }
    float rim = std::exp(-std::fabs(r - 1) * pr * 1024 / 9 / 6) * clamp01(-dx * 0.8f + 0.4f);
    c = c + hex(0x6fd8ff) * (0.7f * rim);
    // The ring, tilted across the planet.
    float ringX = (X - pX), ringY = (Y - pY) * 3.2f + ringX * 0.9f;
    float ringR = std::hypot(ringX, ringY);
    bool behind = ringY < 0 && r < 1;
    if (!behind && ringR > 1.45f * pr && ringR < 2.1f * pr) {
        float bandsR = 0.55f + 0.45f * std::sin(ringR * 30);
        c = c + hex(0xc8b89a) * (0.35f * bandsR * smooth(1.45f * pr, 1.55f * pr, ringR) * smooth(2.1f * pr, 1.9f * pr, ringR));
    }
    return c;
}

// A ball of plasma: magenta and white filaments over violet, hottest where it glows.
Rgb plasmaBallAt(float s, float t) {
    float x, y, z;
    spherePoint(s, t, &x, &y, &z);
    float warp = fbm3(x * 1.5f, y * 1.5f, z * 1.5f, 131, 3);
    float f = fbm3(x * 2 + warp * 1.5f, y * 2 - warp, z * 2 + warp, 132, 3);
    float filaments = std::pow(1 - std::fabs(2 * f - 1), 5.0f);
    Rgb c = mix(hex(0xa03cff), hex(0xff5ad8), smooth(0.3f, 0.7f, f));
    c = c + hex(0xfff0ff) * (0.8f * filaments);
    c = c + hex(0x6fe8ff) * (0.3f * std::pow(smooth(0.5f, 0.85f, warp), 2.0f));
    return c;
}

// The neon bat: a dark body inside a bright cyan frame, a magenta core line.
Rgb neonBatAt(float s, float t) {
    Rgb c = metalAt(s, t, 256, 64, 256, 141) * 0.8f;
    float edge = std::min(std::min(s * 256, (1 - s) * 256), std::min(t * 64, (1 - t) * 64));
    c = c + neonStrip(NEON_CYAN, std::fabs(edge - 4), 2.2f, 4);
    c = c + neonStrip(NEON_MAGENTA, std::fabs(t - 0.5f) * 64, 1.6f, 4) * smooth(10.0f, 30.0f, std::min(s, 1 - s) * 256);
    return c;
}

// The energy field of the end screens: bright edges top and bottom, a faint honeycomb
// and scan lines between, on black so that it lightens what lies behind it.
Rgb energyFieldAt(float s, float t) {
    const float W = 512, H = 128;
    float x = s * W, y = t * H;
    // Honeycomb: distance to the nearest hexagon edge (cells of 16 pixels, in a field
    // 5 times wider than high, squeezed here into 4: undo that across).
    float hx = x * 1.25f / 16, hy = y / 16;
    float qx = hx * 2.0f / std::sqrt(3.0f), qy = hy + qx * 0.5f;
    float fx = fract(qx), fy = fract(qy);
    float edge = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
    float fz = fract(qy - qx);
    edge = std::min(edge, std::min(fz, 1 - fz));
    float honey = fill(edge * 16 - 0.6f, 1.0f);
    float shimmer = 0.5f + 0.5f * fbm(s * 12, t * 3, 151, 3);
    Rgb c = NEON_CYAN * (0.22f * honey * shimmer);
    c = c + hex(0x0a4aa0) * (0.18f * (0.5f + 0.5f * std::sin(y * PI / 2)));
    float rims = std::min(y, H - y);
    c = c + NEON_CYAN * (fill(rims - 3, 1.0f) * 1.2f + 0.6f * std::exp(-rims / 8));
    float ends = std::min(x, W - x);
    c = c + NEON_MAGENTA * (fill(ends - 2, 1.0f) + 0.4f * std::exp(-ends / 6));
    return c;
}

}  // namespace

// ---- Playground 1 ---------------------------------------------------------------------------

Image makeTennisFloor() { return paintSurface(512, 512, tennisFloorAt); }

// Slab ends: the court's green edge on top, the painted slab below.
Image makeTennisSlabEnds() {
    return paintSurface(256, 64, [](float s, float t) {
        Rgb c = paintedWood(s, t, 256, 64, mix(BOARD_GREEN, hex(0x27302a), 0.4f), 201);
        c = over(c, COURT_GREEN, fill((t - 0.1f) * 64, 1.0f));
        return c * (1 - 0.35f * t);
    });
}

Image makeTennisBoardTops() { return paintSurface(1024, 64, tennisBoardTopAt); }
Image makeTennisInnerFaces() { return tennisBoardFace(1024, 128, 10.0f, 0.16f); }
Image makeTennisOuterFaces() { return tennisBoardFace(1024, 256, 5.0f, 0.1f); }

// Board ends: the cream cap over green planks, 0.1 wide and 0.4 high.
Image makeTennisBoardEnds() {
    return paintSurface(64, 256, [](float s, float t) {
        Rgb c = paintedWood(t, s, 256, 64, BOARD_GREEN, 211);
        c = over(c, RAIL_CREAM, fill((t - 0.06f) * 256, 1.0f));
        float edge = std::min(s, 1 - s) * 64;
        return c * (0.8f + 0.2f * smooth(0.0f, 6.0f, edge));
    });
}

Image makeTennisNet() { return paintSurface(512, 128, tennisNetAt, 2); }
Image makeTennisBackdrop() { return paintSurface(1024, 1024, tennisBackdropAt); }
Image makeTennisBall() { return paintSurface(256, 128, tennisBallAt); }
Image makeTennisBat() { return paintSurface(256, 64, tennisBatAt); }

Image makeTennisPreview() {
    return preview(Playground{tennisFloorAt, tennisBoardTopAt, tennisBackdropAt, tennisBatAt, tennisBallAt,
                              Rgb{0, 1, 0}, Rgb{1, 0, 0}});
}

// ---- Playground 2 ---------------------------------------------------------------------------

Image makeNeonFloor(int frame) {
    return paintSurface(512, 512, [frame](float s, float t) { return neonFloorAt(s, t, frame); });
}

Image makeMetalSlabEnds() {
    return paintSurface(256, 64, [](float s, float t) {
        Rgb c = metalAt(s, t, 256, 64, 64, 221) * (1 - 0.3f * t);
        c = c + neonStrip(NEON_CYAN, std::fabs(t * 64 - 4), 1.2f, 4);
        float light = std::hypot(std::fabs(std::fmod(s * 256 + 32, 64.0f) - 32), (t - 0.6f) * 64);
        c = c + NEON_MAGENTA * (fill(light - 2.5f, 1.0f) + 0.4f * std::exp(-light / 4));
        return c;
    });
}

Image makeMetalBoardTops() { return paintSurface(1024, 64, metalBoardTopAt); }

// Inner faces: metal with a cyan strip near the top and magenta diamonds along it.
Image makeMetalInnerFaces() {
    return paintSurface(1024, 128, [](float s, float t) {
        Rgb c = metalAt(s, t, 1024, 128, 128, 231);
        c = c + neonStrip(NEON_CYAN, std::fabs(t - 0.18f) * 128, 1.5f, 5);
        float cx = std::fabs(std::fmod(s * 1024 + 64, 128.0f) - 64) * 0.8f, cy = std::fabs(t - 0.6f) * 128;
        float diamond = cx + cy - 12;
        c = c + NEON_MAGENTA * (fill(std::fabs(diamond) - 1.2f, 1.0f) + 0.35f * std::exp(-std::fabs(diamond) / 5));
        return c * (0.75f + 0.25f * (1 - t));
    });
}

// Outer faces: vented metal panels, a cyan strip along the top, the rink's name in neon.
Image makeMetalOuterFaces() {
    const int W = 1024, H = 256;
    Image image = paintSurface(W, H, [](float s, float t) {
        Rgb c = metalAt(s, t, 1024, 256, 256, 241);
        c = c + neonStrip(NEON_CYAN, std::fabs(t - 0.06f) * 256, 2.0f, 6);
        float vx = std::fabs(std::fmod(s * 1024 + 128, 256.0f) - 128);
        float slots = std::fabs(fract(t * 16) - 0.5f) * 16;
        bool ventZone = t > 0.78f && t < 0.94f && vx > 60 && vx < 110;
        if (ventZone) c = c * (slots < 0.25f ? 0.3f : 1.0f);
        return c;
    });
    Mask letters = boardLettering(W, H, "TARVO RINK", 0.3f, 0.8f);
    Mask halo = letters;
    blurMask(halo, 5, true);
    addMask(image, halo, NEON_CYAN, 0.9f);
    paintMask(image, letters, hex(0xd8fbff));
    return image;
}

Image makeMetalBoardEnds() {
    return paintSurface(64, 256, [](float s, float t) {
        Rgb c = metalAt(t, s, 256, 64, 128, 251);
        float edge = std::min(std::min(s * 64, (1 - s) * 64), std::min(t * 256, (1 - t) * 256));
        c = c + neonStrip(NEON_CYAN, std::fabs(edge - 3), 1.2f, 4);
        return c;
    });
}

Image makeEnergyField() { return paintSurface(512, 128, energyFieldAt, 2); }
Image makeSpaceBackdrop() { return paintSurface(1024, 1024, spaceBackdropAt); }
Image makePlasmaBall() { return paintSurface(256, 128, plasmaBallAt); }
Image makeNeonBat() { return paintSurface(256, 64, neonBatAt); }

Image makeNeonPreview() {
    auto floor0 = [](float s, float t) { return neonFloorAt(s, t, 0); };
    return preview(Playground{floor0, metalBoardTopAt, spaceBackdropAt, neonBatAt, plasmaBallAt,
                              Rgb{-0.6f, 1.0f, -0.3f}, Rgb{1.0f, -0.6f, -0.3f}});
}
