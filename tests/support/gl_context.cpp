// A real OpenGL context for drawing tests: one freeglut window per test process (Mesa under Xvfb).
#include "support/gl_context.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>

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

std::vector<Rgb> readPixels(int x, int y, int width, int height) {
    std::vector<unsigned char> raw((size_t)width * height * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    std::vector<Rgb> pixels((size_t)width * height);
    for (size_t i = 0; i < pixels.size(); i++) pixels[i] = Rgb{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2]};
    return pixels;
}

uint32_t makeTexture(int width, int height, const std::vector<uint8_t>& rgb) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // the game relies on the default
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

std::vector<FeedbackPolygon> captureFeedback(const std::function<void()>& draw) {
    static std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer((GLsizei)buffer.size(), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    GLint count = glRenderMode(GL_RENDER);
    std::vector<FeedbackPolygon> polygons;
    const int vertexFloats = 11;  // x y z, r g b a, s t r q
    auto readVertex = [&](GLint at) {
        FeedbackVertex v;
        v.x = buffer[at];
        v.y = buffer[at + 1];
        v.z = buffer[at + 2];
        for (int i = 0; i < 4; i++) v.color[i] = buffer[at + 3 + i];
        for (int i = 0; i < 4; i++) v.tex[i] = buffer[at + 7 + i];
        return v;
    };
    for (GLint at = 0; at < count;) {
        GLint token = (GLint)buffer[at++];
        switch (token) {
        case GL_POLYGON_TOKEN: {
            GLint n = (GLint)buffer[at++];
            FeedbackPolygon polygon;
            for (GLint i = 0; i < n; i++, at += vertexFloats) polygon.push_back(readVertex(at));
            polygons.push_back(polygon);
            break;
        }
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN: at += vertexFloats; break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN: at += 2 * vertexFloats; break;
        case GL_PASS_THROUGH_TOKEN: at += 1; break;
        default: at = count; break;  // not a token: stop reading
        }
    }
    return polygons;
}

static bool samePosition(const FeedbackVertex& a, const FeedbackVertex& b) {
    return std::fabs(a.x - b.x) < 1e-4f && std::fabs(a.y - b.y) < 1e-4f && std::fabs(a.z - b.z) < 1e-6f;
}

std::vector<FeedbackPolygon> mergeQuads(const std::vector<FeedbackPolygon>& polygons) {
    std::vector<FeedbackPolygon> quads;
    for (size_t i = 0; i < polygons.size(); i++) {
        if (polygons[i].size() == 4) {
            quads.push_back(polygons[i]);
            continue;
        }
        if (polygons[i].size() != 3 || i + 1 >= polygons.size() || polygons[i + 1].size() != 3) return {};
        const FeedbackPolygon& a = polygons[i];
        const FeedbackPolygon& b = polygons[++i];
        // The corner of b that a lacks goes between the two corners they share,
        // which keeps a's winding and its first corner.
        int extra = -1;
        for (int k = 0; k < 3; k++)
            if (!samePosition(b[k], a[0]) && !samePosition(b[k], a[1]) && !samePosition(b[k], a[2])) extra = k;
        if (extra < 0) return {};
        FeedbackPolygon quad;
        for (int k = 0; k < 3; k++) {
            quad.push_back(a[k]);
            const FeedbackVertex& next = a[(k + 1) % 3];
            bool shared = false, nextShared = false;
            for (int m = 0; m < 3; m++) {
                if (m == extra) continue;
                if (samePosition(b[m], a[k])) shared = true;
                if (samePosition(b[m], next)) nextShared = true;
            }
            if (shared && nextShared) quad.push_back(b[extra]);
        }
        if (quad.size() != 4) return {};
        quads.push_back(quad);
    }
    return quads;
}

std::vector<GlyphSeen> glyphsIn(const std::vector<FeedbackPolygon>& polygons) {
    std::vector<GlyphSeen> glyphs;
    for (const FeedbackPolygon& polygon : polygons) {
        if (polygon.empty()) continue;
        float x0 = polygon[0].x, x1 = x0, y0 = polygon[0].y, y1 = y0;
        float s0 = polygon[0].tex[0], s1 = s0, t0 = polygon[0].tex[1], t1 = t0;
        for (const FeedbackVertex& v : polygon) {
            x0 = std::min(x0, v.x), x1 = std::max(x1, v.x);
            y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
            s0 = std::min(s0, v.tex[0]), s1 = std::max(s1, v.tex[0]);
            t0 = std::min(t0, v.tex[1]), t1 = std::max(t1, v.tex[1]);
        }
        bool cellSized = std::fabs(x1 - x0 - 16) < 1e-3f && std::fabs(y1 - y0 - 16) < 1e-3f;
        bool oneCell = std::fabs(s1 - s0 - 0.0625f) < 1e-6f && std::fabs(t1 - t0 - 0.0625f) < 1e-6f;
        if (!cellSized || !oneCell) continue;
        GlyphSeen glyph{(int)std::lround(t0 * 16) * 16 + (int)std::lround(s0 * 16), x0, y0};
        // A quad may come back as two triangles covering the same cell.
        if (!glyphs.empty() && glyphs.back().code == glyph.code && glyphs.back().x == glyph.x &&
            glyphs.back().y == glyph.y)
            continue;
        glyphs.push_back(glyph);
    }
    return glyphs;
}

std::string textAt(const std::vector<GlyphSeen>& glyphs, float x, float y) {
    std::string text;
    for (;; x += 14.0f) {
        auto found = std::find_if(glyphs.begin(), glyphs.end(), [&](const GlyphSeen& g) {
            return std::fabs(g.x - x) < 1e-3f && std::fabs(g.y - y) < 1e-3f;
        });
        if (found == glyphs.end()) return text;
        text += (char)found->code;
    }
}
