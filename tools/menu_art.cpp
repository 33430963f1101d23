// Pictures of the intro, the menu, the two fonts and the match panel.
#include <algorithm>
#include <cmath>
#include <string>

#include "assets.h"

namespace {

// ---- Shared looks ------------------------------------------------------------------------

// Every menu and intro picture is drawn at this many pixels per unit of the 640 x 480
// screen the menu is laid out on. The game stretches that screen over its window, and
// at 1024 x 768 a unit covers 1.6 pixels, so at two a picture holds at least as many
// pixels as it covers there, and its sides stay powers of two. Each maker lays out its
// shapes in screen units and scales every width, bevel, glow and font size by this.
const int UNIT = 2;

const Rgb ICE = hex(0x8fe3ff);       // outlines and frames
const Rgb ICE_GLOW = hex(0x2f9be8);  // the halo around them
const Rgb GOLD = hex(0xffc446);
const Rgb EMBER = hex(0xe0560e);     // rim of the title lettering

// Draws a word in the game's title lettering: white fading to gold downward, an ember
// rim and a warm halo. The text is centred on cx with its baseline at `baseline`.
void titleText(Image& image, Typeface* face, const std::string& text, float size, float cx, float baseline,
               float xScale = 1.0f) {
    Mask letters = newMask(image.w, image.h);
    float width = textWidth(face, text, size, xScale);
    textInto(letters, face, text, size, cx - width / 2, baseline, xScale);
    float cap = capHeight(face, size);

    Mask halo = letters;
    blurMask(halo, std::max(1.0f, size * 0.16f));
    addMask(image, halo, hex(0xff7a1a), 0.75f);

    Mask rim = letters;
    blurMask(rim, std::max(1.0f, size * 0.035f));
    for (float& a : rim.a) a = clamp01(a * 3.0f);
    paintMask(image, rim, EMBER);

    paintMaskWith(image, letters, [&](float, float y) {
        float t = clamp01((y - (baseline - cap)) / cap);
        return mix(hex(0xffffff), GOLD, smooth(0.15f, 1.0f, t));
    });
}

// Largest size (in steps of a quarter pixel) at which the text fits a width and a cap height.
float fitSize(Typeface* face, const std::string& text, float width, float cap, float xScale = 1.0f) {
    float size = cap * 1.6f;
    while (size > 6 && (textWidth(face, text, size, xScale) > width || capHeight(face, size) > cap)) size -= 0.25f;
    return size;
}

// The rink of the game's emblem, seen from above and drawn on black: dark ice with
// faint streaks, the inner boards line, twin red centre lines, the centre circle,
// the goal creases at the ends and a glowing ice outline. Laid out in emblem units,
// k pixels each: centred on (cx, cy), half sides hw x hh, corners of radius r, and a
// centre circle of radius `circle`. Returns how much of each pixel the rink and its
// outline cover (the glow aside).
Mask drawRink(Image& image, float k, float cx, float cy, float hw, float hh, float r, float circle) {
    const float px = 1.0f / k;
    // Every shape has a one-pixel soft edge; where the thinnest line, the inner boards
    // line 2.6 units wide, comes out under three pixels, each pixel is sampled 2 x 2 times as well.
    const int ss = 2.6f * k < 3.0f ? 2 : 1;
    auto rink = [&](float x, float y) { return sdRoundBox(x - cx, y - cy, hw, hh, r); };

    Mask outline = newMask(image.w, image.h);
    shadeMask(outline, [&](float sx, float sy) { return stroke(rink(sx * px, sy * px), 4.5f, px); }, ss);
    Mask halo = outline;
    blurMask(halo, 7 * k);

    shade(image, [&](float sx, float sy) {
        float x = sx * px, y = sy * px;
        float d = rink(x, y);
        float inside = fill(d, px);
        Rgb c = mix(hex(0x0b1d42), hex(0x040a1c), (y - cy + 128) / 256) * inside;
        // Faint ice: long soft streaks.
        c = c + hex(0x0c1a30) * (inside * fbm(x / 90, y / 14, 11, 3));
        // Inner boards line.
        c = over(c, hex(0x2d6fb0), stroke(d + 14, 1.3f, px) * inside);
        // Twin red centre lines, kept off the middle so each half carries one.
        float lines = std::min(std::fabs(x - cx + 12), std::fabs(x - cx - 12));
        c = over(c, hex(0xff3b4e), fill(lines - 2.6f, px) * fill(d + 3, px));
        // Centre circle and the goal creases at the ends.
        float centre = std::fabs(std::hypot(x - cx, y - cy) - circle);
        c = over(c, hex(0x6cc8ff), fill(centre - 2.4f, px));
        float creaseL = std::fabs(std::hypot(x - (cx - hw), y - cy) - 34);
        float creaseR = std::fabs(std::hypot(x - (cx + hw), y - cy) - 34);
        c = over(c, hex(0xff3b4e), fill(std::min(creaseL, creaseR) - 2.0f, px) * fill(d + 3, px) * 0.8f);
        return c;
    }, ss);
    addMask(image, halo, ICE_GLOW, 1.1f);
    paintMask(image, outline, ICE);

    Mask cover = newMask(image.w, image.h);
    shadeMask(cover, [&](float sx, float sy) { return fill(rink(sx * px, sy * px) - 4.5f, px); }, ss);
    return cover;
}

// The game's emblem: the rink with the words "TARVO" and "RINK" to either side.
// Drawn on black for lightening blends, W = 2 H; the left and right halves are the
// two intro logos. Split, it gets a dark hairline down the middle: each half then
// ends in black at the centre as at its outer edge, so where the texture wraps at
// its edges nothing of the other edge shows, and the halves meet in a clean line.
Image drawEmblem(int W, int H, bool split) {
    const float k = W / 512.0f;  // pixels per emblem unit; the emblem is 512 x 256 units
    const float px = 1.0f / k;
    Image image = newImage(W, H);
    drawRink(image, k, 256, 128, 238, 104, 72, 36);

    Typeface* face = needTypeface("DejaVuSans-Bold.ttf");
    float size = std::min(fitSize(face, "TARVO", 176 * k, 62 * k), fitSize(face, "RINK", 176 * k, 62 * k));
    float baseline = 128 * k + capHeight(face, size) / 2;
    titleText(image, face, "TARVO", size, 126 * k, baseline);
    titleText(image, face, "RINK", size, 388 * k, baseline);
    closeTypeface(face);
    if (split)
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) image.at(x, y) = image.at(x, y) * smooth(1.5f, 5.0f, std::fabs(x + 0.5f - W / 2.0f) * px);
    return image;
}

// ---- Fonts -------------------------------------------------------------------------------

// A 16 x 16 grid of 32-pixel cells: code c in column c mod 16, row c div 16. Every
// glyph stands on one baseline and keeps inside the left 28 pixels of its cell with a
// pixel to spare all round, since the text pen advances 14 of 16 units and the
// picture is sampled with linear filtering.
Image makeFont(const char* file, float xScale, Rgb top, Rgb bottom) {
    const int CELL = 32, INK = 28;
    Typeface* face = needTypeface(file);
    const std::string tall = "bdfhkltABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::string deep = "gjpqy";
    float size = 30;
    int ascent = 0;
    for (; size > 10; size -= 0.5f) {
        ascent = 0;
        int descent = 0;
        Glyph glyph;
        for (char c : tall)
            if (renderGlyph(face, (unsigned char)c, size, xScale, 0, &glyph)) ascent = std::max(ascent, glyph.top);
        for (char c : deep)
            if (renderGlyph(face, (unsigned char)c, size, xScale, 0, &glyph))
                descent = std::max(descent, glyph.rows - glyph.top);
        if (ascent + descent <= CELL - 2) break;
    }
    const int baseline = 1 + ascent;  // rows below the top of the cell

    Image image = newImage(512, 512);
    for (unsigned code = 33; code < 256; code++) {
        if ((code >= 127 && code < 161) || code == 173) continue;  // control codes, no-break space, soft hyphen
        float glyphSize = size, glyphScale = xScale;
        Glyph glyph;
        bool fits = false;
        for (int attempt = 0; attempt < 40 && !fits; attempt++) {
            if (!renderGlyph(face, code, glyphSize, glyphScale, 0, &glyph)) break;
            bool wide = glyph.width > INK - 2;
            bool tallGlyph = glyph.top > baseline - 1 || glyph.rows - glyph.top > CELL - 1 - baseline;
            fits = !wide && !tallGlyph;
            if (wide) glyphScale *= (INK - 2.0f) / glyph.width * 0.995f;
            if (tallGlyph) glyphSize *= 0.96f;
        }
        if (!fits) continue;
        const int cellX = (int)(code % 16) * CELL, cellY = (int)(code / 16) * CELL;
        const int x0 = cellX + 1 + (INK - 2 - glyph.width) / 2;
        const int y0 = cellY + baseline - glyph.top;
        for (int y = 0; y < glyph.rows; y++)
            for (int x = 0; x < glyph.width; x++) {
                float a = glyph.coverage[(size_t)y * glyph.width + x] / 255.0f;
                float t = clamp01((y0 + y - cellY - 1) / (float)(CELL - 2));
                image.at(x0 + x, y0 + y) = mix(top, bottom, t) * a;
            }
    }
    closeTypeface(face);
    return image;
}

// ---- Buttons -----------------------------------------------------------------------------

const char* const BUTTON_LABELS[] = {"single player", "two players",   "settings",      "exit",
                                     "easy",          "normal",        "hard",          "player 1 keys",
                                     "player 2 keys", "player 1 name", "player 2 name", "close",
                                     "yes",           "no"};

// The label size of the button family, in pixels: the largest at which the longest
// label fits a 128 x 32-unit button with 10 units to spare at either end and capitals
// at most 11.5 units high. Worked out once and shared by every button. Only the labels
// above set it; a later one too long for it is drawn a little smaller on its own.
const char* const BUTTON_FACE = "DejaVuSansCondensed-Bold.ttf";
float buttonLabelSize() {
    static const float size = [] {
        Typeface* face = needTypeface(BUTTON_FACE);
        float fitting = 1e9f;
        for (const char* label : BUTTON_LABELS)
            fitting = std::min(fitting, fitSize(face, label, (128 - 20) * UNIT, 11.5f * UNIT));
        closeTypeface(face);
        return fitting;
    }();
    return size;
}

// One family of opaque bevelled buttons, wUnits x hUnits screen units: steel blue with a
// gloss on the upper half, a light upper-left edge, a dark lower-right edge, a dark
// border and a white label with a drop shadow. A label too long for the family size
// at the same margins gets the largest size that fits. A dimmed button, for an item
// that cannot be chosen now, is the same drawing gone dark grey.
Image makeButton(const char* label, int wUnits, int hUnits, bool dimmed = false) {
    const int k = UNIT, w = wUnits * UNIT, h = hUnits * UNIT;
    const float bevel = 2.0f * k, border = 1.0f * k;
    Typeface* face = needTypeface(BUTTON_FACE);
    float size = buttonLabelSize();
    if (textWidth(face, label, size) > (wUnits - 20) * k) size = fitSize(face, label, (wUnits - 20) * k, 11.5f * k);

    Image image = newImage(w, h);
    shade(image, [&](float x, float y) {
        float v = y / h;
        Rgb c = mix(hex(0x3f7fc4), hex(0x12305a), v);
        c = c + hex(0xffffff) * (0.13f * std::pow(clamp01(1 - v / 0.5f), 1.5f));
        float left = x, right = w - x, topEdge = y, bottomEdge = h - y;
        if (std::min(topEdge, left) < bevel && std::min(right, bottomEdge) >= border) c = mix(c, hex(0xa5d4ff), 0.55f);
        if (std::min(bottomEdge, right) < bevel) c = mix(c, hex(0x081628), 0.7f);
        if (std::min(std::min(left, right), std::min(topEdge, bottomEdge)) < border) c = hex(0x040b16);
        return c;
    });

    float width = textWidth(face, label, size);
    Glyph x;
    float xHeight = renderGlyph(face, 'x', size, 1.0f, 0, &x) ? (float)x.top : size * 0.55f;
    float baseline = std::round(h / 2.0f + xHeight / 2.0f + 0.5f * k);
    float left = std::round((w - width) / 2.0f);
    Mask text = newMask(w, h);
    textInto(text, face, label, size, left, baseline);
    paintMask(image, text, hex(0x06111f), 0.85f, k, k);
    paintMaskWith(image, text, [&](float, float y) {
        return mix(hex(0xffffff), hex(0xd6e6ff), clamp01((y - (baseline - xHeight * 1.4f)) / (xHeight * 1.6f)));
    });
    closeTypeface(face);
    if (dimmed)
        for (Rgb& c : image.px) {
            float grey = 0.3f * c.r + 0.59f * c.g + 0.11f * c.b;
            c = mix(c, Rgb{grey, grey, grey}, 0.8f) * 0.55f;
        }
    return image;
}

}  // namespace

Image makeFont1() { return makeFont("DejaVuSansMono-Bold.ttf", 1.45f, hex(0xfff0a0), hex(0xffb020)); }
Image makeFont2() { return makeFont("DejaVuSans-Bold.ttf", 1.3f, hex(0xffffff), hex(0xdce8ff)); }

// The intro shows the emblem at 512 x 256 screen units (each half 256 x 256), the menu's
// corner at 128 x 64.
Image makeLogoLeft() { return crop(drawEmblem(512 * UNIT, 256 * UNIT, true), 0, 0, 256 * UNIT, 256 * UNIT); }
Image makeLogoRight() {
    return crop(drawEmblem(512 * UNIT, 256 * UNIT, true), 256 * UNIT, 0, 256 * UNIT, 256 * UNIT);
}
Image makeMenuLogo() { return drawEmblem(128 * UNIT, 64 * UNIT, false); }

// The title over the menu, 256 x 64 screen units: the name in the title lettering over a
// thin ice line, brightest in the middle.
Image makeTitle() {
    const float k = UNIT;
    Image image = newImage(256 * UNIT, 64 * UNIT);
    shade(image, [&](float x, float y) {
        float ux = x / k, uy = y / k;  // screen units
        float along = 1 - std::pow(std::fabs(ux - 128) / 118.0f, 2.0f);
        float line = std::exp(-std::pow((uy - 57) / 1.3f, 2.0f)) + 0.35f * std::exp(-std::pow((uy - 57) / 4.0f, 2.0f));
        return ICE * (clamp01(along) * line);
    }, 2);
    Typeface* face = needTypeface("DejaVuSans-Bold.ttf");
    float size = fitSize(face, "TARVO RINK", 232 * k, 36 * k);
    titleText(image, face, "TARVO RINK", size, 128 * k, (8 + 36) * k);
    closeTypeface(face);
    return image;
}

// Deep blue under a soft arena light, with a fine diamond lattice. The picture is laid
// twice across the 640 x 480 screen, each copy 320 x 480 units (512 x 768 pixels at
// 1024 x 768), so everything repeats exactly across its width; the lattice is laid out
// in screen units so its diamonds come out square. The game samples it wrapping both
// ways, which blends its top and bottom rows into each other at the screen's edges, so
// it repeats downward too: the light fades toward the very top into the same dark as
// the bottom, and the lattice and the grain repeat every picture height.
Image makeMenuBackground() {
    const int W = 512, H = 1024;
    const float unitsAcross = 320, unitsDown = 480;
    Image image = newImage(W, H);
    shade(image, [&](float x, float y) {
        float u = x / W, v = y / H;
        float sx = u * unitsAcross, sy = v * unitsDown;  // screen units of one copy
        float edge = std::pow(smooth(0.0f, 0.22f, v), 0.6f);  // the light's fade toward the top
        float depth = 1 - edge * (1 - std::pow(v, 0.85f));
        Rgb c = mix(hex(0x1c3a72), hex(0x050a18), depth);
        c = c + hex(0x3a6cb0) * (0.32f * edge * std::exp(-std::pow((v - 0.11f) / 0.15f, 2.0f)));
        float a = (sx + sy) / 40, b = (sx - sy) / 40;
        float da = std::fabs(a - std::round(a)) * 40 * 0.7071f, db = std::fabs(b - std::round(b)) * 40 * 0.7071f;
        // The lattice lines are softened over 1.5 pixels, which smooths them without
        // sampling each pixel more than once.
        const float pixel = unitsAcross / W;  // screen units per pixel, the larger way
        float lattice = std::max(fill(da - 0.35f, pixel * 1.5f), fill(db - 0.35f, pixel * 1.5f));
        float fade = 0.35f + 0.65f * (1 - depth);
        c = c + hex(0x3f7fd0) * (0.10f * lattice * fade);
        // Glints where the lattice crosses.
        float cross = std::hypot(a - std::round(a), b - std::round(b)) * 40;
        bool lit = ((int)std::lround(a) + (int)std::lround(b)) % 4 == 0;
        c = c + hex(0x9fd8ff) * ((lit ? 0.22f : 0.07f) * std::exp(-cross * cross / 3.0f) * fade);
        float grain = fbm(u * 8, v * 8, 7, 4, 8, 8) - 0.5f;
        return c * (1 + 0.18f * grain);
    });
    return image;
}

// The panel behind every menu page, drawn lightening: a dark glassy body and a bright
// frame. It is laid three times across on the settings page, so the side frames are
// half as thick as the top and bottom ones and the joins read as single dividers.
// It is stretched over areas of up to 300 x 282 screen units; its frame is laid out
// on a grid of 256 x 256 steps of UNIT pixels, each a little over a screen unit.
Image makeWindow() {
    const int S = 256 * UNIT;
    const float k = UNIT;
    Image image = newImage(S, S);
    shade(image, [&](float x, float y) {
        float v = y / S;
        float dx = std::min(x, S - x) / k, dy = std::min(y, S - y) / k;  // in steps
        Rgb c = mix(hex(0x12244a), hex(0x060d1e), v);
        c = c + hex(0x1c3560) * (0.5f * std::exp(-std::pow((v - 0.06f) / 0.12f, 2.0f)));
        float glow = std::max(std::exp(-dy / 9.0f), std::exp(-dx / 6.0f));
        c = c + ICE_GLOW * (0.30f * glow);
        // Edges softened over one pixel, whatever the scale.
        const float soft = 1.0f / k;
        float frame = std::max(fill(dy - 3.0f, soft), fill(dx - 1.6f, soft));
        // Brighter corner pieces.
        float corner = (dx < 26 && dy < 26) ? std::max(fill(dy - 5.0f, soft), fill(dx - 3.0f, soft)) : 0.0f;
        c = over(c, ICE, std::max(frame, corner));
        return c;
    }, 2);
    return image;
}

// The hover highlight: a soft golden edge glow on black, laid lightening over 128 x 32,
// 64 x 32 and 128 x 128 items; the fall-off is shorter across the long side so it reads
// alike on every shape. Everything is laid out in fractions of the item, so the picture
// only needs as many pixels as the largest item covers (128 x 128 units): the bright rim
// is 1/64 of the width and 1/32 of the height, under two pixels on the smaller items at
// 1024 x 768 and up to six on the playground pictures.
Image makeGlow() {
    const int W = 128 * UNIT, H = 128 * UNIT;
    Image image = newImage(W, H);
    shade(image, [&](float x, float y) {
        float u = x / W, v = y / H;
        float du = std::min(u, 1 - u), dv = std::min(v, 1 - v);
        float soft = std::max(std::exp(-du / 0.05f), std::exp(-dv / 0.11f));
        float rim = std::max(fill((du - 1 / 64.0f) * W, 1.0f), fill((dv - 1 / 32.0f) * H, 1.0f));
        return hex(0xffcf6a) * (0.75f * soft) + hex(0xfff4d8) * (0.6f * rim);
    }, 2);
    return image;
}

// A bold green check mark with a little glow, on black.
Image makeCheck() {
    const int S = 64;
    auto mark = [](float x, float y) {
        return std::min(sdSegment(x, y, 13, 33, 27, 48), sdSegment(x, y, 27, 48, 52, 15));
    };
    Mask halo = newMask(S, S);
    shadeMask(halo, [&](float x, float y) { return fill(mark(x, y) - 6.0f, 1.0f); }, 2);
    blurMask(halo, 4);
    Image image = newImage(S, S);
    addMask(image, halo, hex(0x2bd04a), 0.8f);
    Mask stroke = newMask(S, S);
    shadeMask(stroke, [&](float x, float y) { return fill(mark(x, y) - 5.5f, 1.0f); }, 3);
    paintMaskWith(image, stroke, [](float, float y) { return mix(hex(0xe6ffd8), hex(0x4ef06a), clamp01((y - 10) / 40)); });
    return image;
}

// The band across the top of the match screen (640 x 32 screen units), drawn lightening:
// name plates at either end, a plaque behind the score, a bright line along the bottom.
Image makePanel() {
    const int W = 1024, H = 64;
    const float k = W / 640.0f;  // pixels per screen unit across
    Image image = newImage(W, H);
    shade(image, [&](float x, float y) {
        float sx = x / k;  // screen units across
        float v = y / H;   // 0 at the top of the screen
        Rgb c = mix(hex(0x0a1630), hex(0x050a16), v);
        // Name plates and score plaque: slanted ends, a shade lighter. The distance is
        // in pixels across, negative inside.
        auto plate = [&](float x0, float x1) {
            float slant = (1 - v) * 10;
            return std::max(x0 - slant - sx, sx - (x1 + slant)) * k;
        };
        float plates = std::min(plate(14, 146), plate(484, 616));
        float plaque = plate(284, 356);
        c = over(c, hex(0x11254c), fill(plates, 1.5f) * 0.9f);
        c = over(c, hex(0x17346a), fill(plaque, 1.5f));
        c = over(c, hex(0x5fb8ff), stroke(plaque, 0.8f, 1.2f) * 0.6f);
        float edgeY = (1 - v) * H;  // pixels above the bottom
        c = c + ICE_GLOW * (0.35f * std::exp(-edgeY / 7.0f));
        c = over(c, ICE, fill(edgeY - 2.5f, 1.0f));
        c = over(c, hex(0x2f5f9f), fill(y - 1.0f, 1.0f) * 0.8f);
        return c;
    }, 2);
    return image;
}

Image makeButtonSingle() { return makeButton("single player", 128, 32); }
Image makeButtonMulti() { return makeButton("two players", 128, 32); }
Image makeButtonSettings() { return makeButton("settings", 128, 32); }
Image makeButtonExit() { return makeButton("exit", 128, 32); }
Image makeButtonEasy() { return makeButton("easy", 128, 32); }
Image makeButtonNormal() { return makeButton("normal", 128, 32); }
Image makeButtonHard() { return makeButton("hard", 128, 32); }
Image makeButtonPlayer1Keys() { return makeButton("player 1 keys", 128, 32); }
Image makeButtonPlayer2Keys() { return makeButton("player 2 keys", 128, 32); }
Image makeButtonPlayer1Name() { return makeButton("player 1 name", 128, 32); }
Image makeButtonPlayer2Name() { return makeButton("player 2 name", 128, 32); }
Image makeButtonClose() { return makeButton("close", 128, 32); }
Image makeButtonYes() { return makeButton("yes", 64, 32); }
Image makeButtonNo() { return makeButton("no", 64, 32); }
Image makeButtonLocal() { return makeButton("this computer", 128, 32); }
Image makeButtonHost() { return makeButton("host a game", 128, 32); }
Image makeButtonJoin() { return makeButton("join a game", 128, 32); }
Image makeButtonBack() { return makeButton("back", 128, 32); }
Image makeButtonAddress() { return makeButton("type address", 128, 32); }
Image makeButtonWatch() { return makeButton("watch last match", 128, 32); }
Image makeButtonWatchOff() { return makeButton("watch last match", 128, 32, true); }

// The desktop icon, size x size pixels: the emblem's rink as a rounded square with
// the initials "TR" in the title lettering over a wider centre circle. It is drawn
// on black as the emblem is; the rink is opaque, its glow as opaque as it is
// bright, and everything else transparent.
Icon makeIcon(int size) {
    const float k = size / 256.0f;  // the icon is 256 x 256 emblem units
    Icon icon;
    icon.colour = newImage(size, size);
    Mask cover = drawRink(icon.colour, k, 128, 128, 110, 110, 56, 60);
    Typeface* face = needTypeface("DejaVuSans-Bold.ttf");
    float letters = fitSize(face, "TR", 150 * k, 84 * k);
    titleText(icon.colour, face, "TR", letters, 128 * k, 128 * k + capHeight(face, letters) / 2);
    closeTypeface(face);
    icon.alpha = newMask(size, size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            Rgb& c = icon.colour.at(x, y);
            float a = clamp01(std::max(cover.at(x, y), std::max(c.r, std::max(c.g, c.b))));
            icon.alpha.ref(x, y) = a;
            if (a > 0) c = c * (1.0f / a);  // the colour that, laid over black with coverage a, gives c
        }
    return icon;
}
