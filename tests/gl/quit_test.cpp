// Leaving the game: through the exit confirmation, everything released in order, settings written, status 0 (1 when they could not be written); by a signal, ended by that signal.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/events.h"
#include "core/game_state.h"
#include "core/platform.h"
#include "assets/sound.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "render/lists.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

int liveTextures() {
    int live = 0;
    for (u32 name : game.textures) live += glIsTexture(name) ? 1 : 0;
    return live;
}

int liveLists() {
    const u32 blocks[][2] = {{game.matchLists, 11}, {game.fontLists, 256}, {game.introLists, 2}, {game.menuLists, 27}};
    int live = 0;
    for (const auto& block : blocks)
        for (u32 i = 0; i < block[1]; i++) live += glIsList(block[0] + i) ? 1 : 0;
    return live;
}

bool settingsWritten() { return access("tarvo.ini", F_OK) == 0; }

// What the world looked like at each step of the exit, seen from the platform calls.
struct {
    std::string steps;  // c = audio closed, f = chunk freed, x = exit
    int texturesAtClose, listsAtClose;
    bool settingsBeforeExit;
    std::vector<Mix_Chunk*> freed;
} seen;

void seeClose() {
    seen.steps += 'c';
    seen.texturesAtClose = liveTextures();
    seen.listsAtClose = liveLists();
}
void seeFree(Mix_Chunk* chunk) {
    seen.steps += settingsWritten() ? 'F' : 'f';
    seen.freed.push_back(chunk);
}
void seeExit(int status) {
    seen.steps += 'x';
    seen.settingsBeforeExit = settingsWritten();
    throw ProgramExit{status};
}

class Quit : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow(640, 480);
        seen = {};
        platform.closeAudio = seeClose;
        platform.freeChunk = seeFree;
        platform.exitProgram = seeExit;
        for (u32& name : game.textures) {  // as after matches on both playgrounds
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
        }
        buildDisplayLists();
        for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
        game.introActive = 0;
        game.menuActive = 1;
        game.windowWidth = 640;
        game.windowHeight = 480;
        // The settings file goes to a directory of this test's own.
        ASSERT_NE(getcwd(home, sizeof(home)), nullptr);
        ASSERT_NE(mkdtemp(scratch), nullptr);
        ASSERT_EQ(chdir(scratch), 0);
    }
    void TearDown() override {
        std::remove("tarvo.ini");  // a file, or the folder a test put in its place
        EXPECT_EQ(chdir(home), 0);
        rmdir(scratch);
    }
    // Through the menu: the exit item, then yes.
    static int quitThroughTheMenu() {
        game.menuPage = 0;
        onPassiveMotion(320, 334);
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        onPassiveMotion(257, 304);
        try {
            onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        } catch (const ProgramExit& exit) {
            return exit.status;
        }
        ADD_FAILURE() << "the program did not end";
        return -1;
    }
    static std::string settingsText() {
        std::stringstream text;
        text << std::ifstream("tarvo.ini").rdbuf();
        return text.str();
    }

    char home[4096] = {};
    char scratch[32] = "/tmp/tarvo-quit-XXXXXX";
};

}  // namespace

TEST_F(Quit, ReleasesEverythingInOrderThenSavesAndExitsWithZero) {
    ASSERT_EQ(liveTextures(), TEXTURE_SLOTS);
    ASSERT_EQ(liveLists(), 296);
    EXPECT_EQ(quitThroughTheMenu(), 0);
    EXPECT_EQ(seen.steps, "cffffffffffffx");  // settings written after the last free
    EXPECT_EQ(seen.texturesAtClose, 0);
    EXPECT_EQ(seen.listsAtClose, 0);
    EXPECT_TRUE(seen.settingsBeforeExit);
    for (int i = 0; i < (int)seen.freed.size(); i++) EXPECT_EQ(seen.freed[i], fakeChunk(i));
    EXPECT_EQ(liveTextures(), 0);
    EXPECT_EQ(liveLists(), 0);
    EXPECT_NE(settingsText().find("difficulty= 11.000000"), std::string::npos);
}

// A difficulty chosen with the mouse reaches the file, and with both sound
// switches off the audio, never opened, is left alone.
TEST_F(Quit, WithoutSoundTheAudioIsLeftAloneAndTheChoiceIsSaved) {
    game.music = game.effects = 0;
    game.menuPage = 2;
    onPassiveMotion(150, 334);  // hard
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_EQ(quitThroughTheMenu(), 0);
    EXPECT_EQ(seen.steps, "x");
    EXPECT_TRUE(seen.settingsBeforeExit);
    EXPECT_EQ(liveTextures(), 0);
    EXPECT_EQ(liveLists(), 0);
    EXPECT_NE(settingsText().find("difficulty= 9.000000"), std::string::npos);
}

// Settings that cannot be saved (here a folder stands where the file belongs)
// are lost: the game still ends after releasing everything, with status 1.
TEST_F(Quit, ASaveThatFailsEndsWithStatusOne) {
    ASSERT_EQ(mkdir("tarvo.ini", 0755), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(quitThroughTheMenu(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Settings saving failed: ", 0), 0u);
    EXPECT_EQ(seen.steps.back(), 'x');
    EXPECT_EQ(liveTextures(), 0);
}

// The real handlers of the signals to end, each case in a child process of its
// own: the first signal is only noted, for the frame loop; a second ends the
// program at once, by itself. Ending by a signal ends by that signal.
TEST_F(Quit, ASignalIsNotedASecondEndsAtOnceAndTheEndIsByTheSignal) {
    auto endOf = [](void (*child)()) {
        const pid_t pid = fork();
        if (pid == 0) {
            child();
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFSIGNALED(status) ? WTERMSIG(status) : -WEXITSTATUS(status);
    };
    EXPECT_EQ(endOf([] {
                  realPlatform.catchSignals();
                  raise(SIGTERM);
                  if (realPlatform.signalCaught() != SIGTERM) _exit(3);
                  raise(SIGINT);
              }),
              SIGINT);
    EXPECT_EQ(endOf([] { realPlatform.endBySignal(SIGHUP); }), SIGHUP);
}
