// One frame of a match: backdrop, playground through the camera, lights, bats, ball, HUD.
#include "render/scene.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "net/link.h"
#include "render/number_text.h"
#include "render/text.h"

// Texture slots the scene binds (the floor binds the animation frame's slot 0-5).
enum {
    SLOT_SLAB_ENDS = 6,
    SLOT_BOARD_TOPS = 7,
    SLOT_BOARD_INNER = 8,
    SLOT_BOARD_OUTER = 9,
    SLOT_BOARD_ENDS = 10,
    SLOT_BACKDROP = 11,
    SLOT_BALL = 12,
    SLOT_BAT = 13,
    SLOT_PANEL = 14,
    SLOT_FONT1 = 15,
    SLOT_FONT2 = 16,
    SLOT_END_SCREENS = 28,
};

// Lists of the match block.
enum {
    LIST_BACKDROP = 0,
    LIST_FLOOR = 1,
    LIST_SLAB_ENDS = 2,
    LIST_BOARD_TOPS = 3,
    LIST_BOARD_INNER = 4,
    LIST_BOARD_OUTER = 5,
    LIST_BOARD_ENDS = 6,
    LIST_BAT = 7,
    LIST_BALL = 8,
    LIST_PANEL = 9,
    LIST_END_SCREENS = 10,
};

static void bindSlot(int slot) { glBindTexture(GL_TEXTURE_2D, game.textures[slot]); }
static void callMatchList(int k) { glCallList(game.matchLists + k); }

void writeFpsText() {
    // Two significant digits below 100 and three up to 999 show every digit of
    // the count. From 1000 up three digits would turn into an exponent form
    // ("1.2e+03"), so the count is written with as many digits as it has: a fast
    // machine reads "2000 fps". fpsText has room for any 32-bit count.
    int digits = game.fps < 100 ? 2 : 3;
    if (decimalDigits(game.fps) > digits) digits = decimalDigits(game.fps);
    writeSignificant((double)game.fps, digits, game.fpsText, sizeof game.fpsText);
    size_t length = std::strlen(game.fpsText);
    std::snprintf(game.fpsText + length, sizeof game.fpsText - length, " fps");
}

// Turns the field about its centre 0.1 above the floor (z first, then y, then x)
// and moves it toward the viewer by camZoom.
static void applyCameraTransform() {
    glTranslatef(0.0f, 0.0f, game.camZoom);
    glTranslatef(1.0f, 0.5f, 0.1f);
    glRotatef(game.camAngleX, 1.0f, 0.0f, 0.0f);
    glRotatef(game.camAngleY, 0.0f, 1.0f, 0.0f);
    glRotatef(game.camAngleZ, 0.0f, 0.0f, 1.0f);
    glTranslatef(-1.0f, -0.5f, -0.1f);
}

static void drawHud() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    bindSlot(SLOT_PANEL);
    callMatchList(LIST_PANEL);

    if (game.cameraMode) {
        bindSlot(SLOT_FONT1);
        drawText(240.0f, 10.0f, "CAMERA MODE");
    }
    if (game.showFps) {
        bindSlot(SLOT_FONT1);
        writeFpsText();
        drawText(10.0f, 10.0f, game.fpsText);
    }

    bindSlot(SLOT_FONT2);
    drawText(25.0f, 456.0f, matchName(1));
    drawText(495.0f, 456.0f, matchName(2));
    drawScore();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void drawMatch() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The backdrop hangs behind everything and does not turn with the camera.
    glDisable(GL_LIGHTING);
    bindSlot(SLOT_BACKDROP);
    callMatchList(LIST_BACKDROP);

    if (game.lightingOn) glEnable(GL_LIGHTING);
    applyCameraTransform();

    // Placed after the camera transform, so the lights stay fixed to the field.
    glLightfv(GL_LIGHT1, GL_POSITION, game.light1Position);
    glEnable(GL_LIGHT1);
    glLightfv(GL_LIGHT2, GL_POSITION, game.light2Position);
    glEnable(GL_LIGHT2);
    glLightfv(GL_LIGHT3, GL_POSITION, game.light3Position);
    glEnable(GL_LIGHT3);

    bindSlot(game.animFrame);
    callMatchList(LIST_FLOOR);
    bindSlot(SLOT_SLAB_ENDS);
    callMatchList(LIST_SLAB_ENDS);
    bindSlot(SLOT_BOARD_TOPS);
    callMatchList(LIST_BOARD_TOPS);
    bindSlot(SLOT_BOARD_INNER);
    callMatchList(LIST_BOARD_INNER);
    bindSlot(SLOT_BOARD_OUTER);
    callMatchList(LIST_BOARD_OUTER);
    bindSlot(SLOT_BOARD_ENDS);
    callMatchList(LIST_BOARD_ENDS);

    // The bat list stands at player 1's end; player 2's is the same bat moved along the field.
    // In a network match a correction of the other side's bat or the ball is faded
    // out over a few frames (the shown offsets are 0 otherwise).
    const bool hostSide = game.netRole == NET_ROLE_HOST;
    glPushMatrix();
    glTranslatef(0.0f, game.p1BatY + (hostSide ? 0.0f : game.netShownBatY), 0.0f);
    bindSlot(SLOT_BAT);
    callMatchList(LIST_BAT);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.0f, game.p2BatY + (hostSide ? game.netShownBatY : 0.0f), 0.0f);
    glTranslatef(1.55f, 0.0f, 0.0f);
    callMatchList(LIST_BAT);
    glPopMatrix();

    // Ball offsets count from where it touches bat 1's front face, mid-height, mid-field.
    glPushMatrix();
    glTranslatef(game.ballX + game.netShownBallX, game.ballY + game.netShownBallY, 0.0f);
    glTranslatef(0.275f, 0.5f, 0.125f);
    bindSlot(SLOT_BALL);
    callMatchList(LIST_BALL);
    glPopMatrix();

    // The end screens lighten what lies behind them and are seen from both sides.
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    bindSlot(SLOT_END_SCREENS);
    callMatchList(LIST_END_SCREENS);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    if (game.lightingOn) glEnable(GL_LIGHTING);

    drawHud();

    glEnable(GL_DEPTH_TEST);
    if (game.lightingOn) glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
}
