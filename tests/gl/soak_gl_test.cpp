// Two hundred matches started from the menu and ended, on a real context: no texture, list, chunk or memory left behind.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>

#include "core/game_state.h"
#include "app/startup.h"
#include "assets/textures.h"
#include "app/events.h"
#include "match/clock.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "render/lists.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARVO_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TARVO_ASAN 1
#endif
#ifdef TARVO_ASAN
// From the AddressSanitizer run-time: bytes its allocator has handed out and not had back.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes the program holds from the heap right now.
size_t heapInUse() {
#ifdef TARVO_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// The name the context hands out next. The driver may hand out ever higher
// names without reusing deleted ones, so this bounds the names ever used.
GLuint nextTextureName() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glDeleteTextures(1, &name);
    return name;
}

GLuint nextListName() {
    GLuint name = glGenLists(1);
    glDeleteLists(name, 1);
    return name;
}

// Texture and list names alive in the context: every name handed out so far, probed.
int liveTextureNames() {
    const GLuint bound = nextTextureName();
    int live = 0;
    for (GLuint name = 1; name < bound; name++) live += glIsTexture(name) ? 1 : 0;
    return live;
}

int liveListNames() {
    const GLuint bound = nextListName();
    int live = 0;
    for (GLuint name = 1; name < bound; name++) live += glIsList(name) ? 1 : 0;
    return live;
}

struct Snapshot {
    int textures, lists;
    size_t heap;
};

Snapshot snapshot() { return Snapshot{liveTextureNames(), liveListNames(), heapInUse()}; }

void click() { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }

// Idle steps of 10 ms each, then one frame.
void stepAndDraw(int steps = 1) {
    for (int i = 0; i < steps; i++) {
        fake::ticks += 10;
        onAppIdle();
    }
    onDisplay();
}

// Match n: single player or two players, on playground 1 or 2, ended by Escape
// or by game over; the four combinations of playground and ending take turns.
void playMatch(int n) {
    const int playground = 1 + n % 2;
    const bool byGameOver = (n / 2) % 2 == 1;
    const bool twoPlayers = n % 3 == 0;

    onPassiveMotion(320, twoPlayers ? 234 : 184);  // main menu: a mode of play
    click();
    if (twoPlayers) {
        onPassiveMotion(320, 184);  // this computer
        click();
    }
    onPassiveMotion(playground == 1 ? 250 : 390, 200);  // a playground picture
    click();
    ASSERT_EQ(game.matchActive, 1) << "match " << n;

    // A serve and some play, every frame drawn.
    game.keyHeld[game.p1Pass] = 1;
    stepAndDraw();
    game.keyHeld[game.p1Pass] = 0;
    for (int i = 0; i < 5; i++) stepAndDraw(4);

    if (byGameOver) {
        // One point from the end: player 1 leads by two games and four points,
        // and the ball flies past bat 2 standing at the far edge.
        game.p1Games = 2;
        game.p1Points = 4;
        game.ballInPlay = 1;
        game.ballX = 1.3f;
        game.ballY = 0;
        game.ballAngle = 0;
        game.p2BatY = 0.4f;
        game.computerTracking = 0;
        for (int i = 0; game.matchActive && i < 200; i++) stepAndDraw(5);
        ASSERT_EQ(game.matchActive, 0) << "match " << n << " did not end by game over";
    } else {
        onKeyboard(27, 0, 0);
        onKeyboardUp(27, 0, 0);
    }
    ASSERT_EQ(game.menuActive, 1);
    ASSERT_EQ(game.menuPage, 0);
    stepAndDraw();  // a menu frame between matches
}

}  // namespace

TEST(SoakGl, TwoHundredMatchesLeaveNoTextureListChunkOrMemoryBehind) {
    freshGame();
    openTestWindow(640, 480);
    loadBaseTextures();
    buildDisplayLists();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    Mix_Chunk* chunksAtStart[SOUND_CHUNKS];
    std::copy(std::begin(game.soundChunks), std::end(game.soundChunks), chunksAtStart);
    game.introActive = 0;
    game.menuActive = 1;
    game.windowWidth = 640;
    game.windowHeight = 480;
    fake::ticks = 1000;
    // Frames drawn small: the test is about what stays behind, not about pixels.
    glViewport(0, 0, 64, 48);

    // A few matches first: the driver and the libraries set up what they keep for good.
    for (int n = 0; n < 8; n++) {
        playMatch(n);
        if (HasFatalFailure()) return;
    }
    const Snapshot before = snapshot();
    fake::calls.clear();

    size_t worstHeap = before.heap;
    for (int n = 8; n < 208; n++) {
        playMatch(n);
        if (HasFatalFailure()) return;
        if (n % 40 == 7) {
            Snapshot now = snapshot();
            EXPECT_EQ(now.textures, before.textures) << "after match " << n;
            EXPECT_EQ(now.lists, before.lists) << "after match " << n;
            worstHeap = std::max(worstHeap, now.heap);
        }
    }
    const Snapshot after = snapshot();
    std::printf("live textures %d -> %d, live lists %d -> %d, heap %zu -> %zu bytes\n", before.textures,
                after.textures, before.lists, after.lists, before.heap, after.heap);

    // Only the start-up set is alive between matches, whatever was played.
    EXPECT_EQ(after.textures, before.textures);
    EXPECT_EQ(after.lists, before.lists);
    // The sound bank is loaded once at start-up: no chunk is loaded or freed by play.
    EXPECT_TRUE(callsOf("load").empty());
    EXPECT_TRUE(callsOf("free").empty());
    for (int i = 0; i < SOUND_CHUNKS; i++) EXPECT_EQ(game.soundChunks[i], chunksAtStart[i]);
    // Each match decodes megabytes of pictures; a leak of even one picture a
    // match would pass this bound many times over.
    EXPECT_LT(after.heap, before.heap + 1024 * 1024) << "heap grew by " << after.heap - before.heap << " bytes";
    EXPECT_LT(worstHeap, before.heap + 1024 * 1024);

    // Leave the context as other tests expect it.
    glViewport(0, 0, 640, 480);
    freePlayground1Textures();
    freePlayground2Textures();
    freeBaseTextures();
    deleteDisplayLists();
}
