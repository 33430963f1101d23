// Leaving the game through the exit confirmation: everything released in order, settings written, status 0.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/platform.h"
#include "assets/sound.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "render/lists.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

// What the world looked like at each step of the exit, seen from the platform calls.
struct ExitWitness {
    int texturesAtClose = -1, listsAtClose = -1;
    bool settingsAtClose = false, settingsAtFree = false, settingsAtExit = false;
    std::vector<std::string> steps;
    std::vector<Mix_Chunk*> freed;
} witness;

bool settingsWritten() { return access("tarvo.ini", F_OK) == 0; }

int liveTextures() {
    int live = 0;
    for (u32 name : game.textures) live += glIsTexture(name) ? 1 : 0;
    return live;
}

int liveLists() {
    int live = 0;
    for (int i = 0; i < 11; i++) live += glIsList(game.matchLists + i) ? 1 : 0;
    for (int i = 0; i < 256; i++) live += glIsList(game.fontLists + i) ? 1 : 0;
    for (int i = 0; i < 2; i++) live += glIsList(game.introLists + i) ? 1 : 0;
    for (int i = 0; i < 27; i++) live += glIsList(game.menuLists + i) ? 1 : 0;
    return live;
}

void witnessClose() {
    witness.steps.push_back("close");
    witness.texturesAtClose = liveTextures();
    witness.listsAtClose = liveLists();
    witness.settingsAtClose = settingsWritten();
}
void witnessFree(Mix_Chunk* chunk) {
    witness.steps.push_back("free");
    witness.freed.push_back(chunk);
    witness.settingsAtFree = witness.settingsAtFree || settingsWritten();
}
void witnessExit(int status) {
    witness.steps.push_back("exit");
    witness.settingsAtExit = settingsWritten();
    throw ProgramExit{status};
}

class Quit : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow(640, 480);
        witness = ExitWitness{};
        platform.closeAudio = witnessClose;
        platform.freeChunk = witnessFree;
        platform.exitProgram = witnessExit;
        // Every slot holds a picture, as after matches on both playgrounds.
        for (u32& name : game.textures) {
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
        std::remove("tarvo.ini");
        EXPECT_EQ(chdir(home), 0);
        rmdir(scratch);
    }
    // Through the menu: exit item, then yes.
    int quitThroughTheMenu() {
        game.menuPage = 0;
        onPassiveMotion(320, 334);
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        EXPECT_EQ(game.menuPage, 3);
        onPassiveMotion(257, 304);
        EXPECT_EQ(game.menuHoverPage, 11);
        try {
            onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        } catch (const ProgramExit& exit) {
            return exit.status;
        }
        ADD_FAILURE() << "the program did not end";
        return -1;
    }
    static std::string settingsText() {
        std::ifstream file("tarvo.ini");
        std::stringstream text;
        text << file.rdbuf();
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

    // Pictures and lists were gone before the audio closed.
    EXPECT_EQ(witness.texturesAtClose, 0);
    EXPECT_EQ(witness.listsAtClose, 0);
    EXPECT_EQ(liveTextures(), 0);
    EXPECT_EQ(liveLists(), 0);
    // Audio closed, then every chunk freed once, in bank order.
    ASSERT_GE(witness.steps.size(), 2u);
    EXPECT_EQ(witness.steps.front(), "close");
    EXPECT_EQ(witness.steps.back(), "exit");
    ASSERT_EQ(witness.freed.size(), (size_t)SOUND_CHUNKS);
    for (int i = 0; i < SOUND_CHUNKS; i++) EXPECT_EQ(witness.freed[i], fakeChunk(i));
    // The settings were written after the sound and before the end.
    EXPECT_FALSE(witness.settingsAtClose);
    EXPECT_FALSE(witness.settingsAtFree);
    EXPECT_TRUE(witness.settingsAtExit);
    EXPECT_NE(settingsText().find("difficulty= 11.000000"), std::string::npos);
}

// A difficulty chosen with the mouse reaches the file, and with both sound
// switches off the audio, never opened, is left alone.
TEST_F(Quit, WithoutSoundTheAudioIsLeftAloneAndTheChoiceIsSaved) {
    game.music = 0;
    game.effects = 0;
    game.menuPage = 2;
    onPassiveMotion(150, 334);  // hard
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    onPassiveMotion(320, 384);  // close
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    ASSERT_EQ(game.menuPage, 0);
    EXPECT_EQ(quitThroughTheMenu(), 0);
    ASSERT_EQ(witness.steps.size(), 1u);
    EXPECT_EQ(witness.steps[0], "exit");
    EXPECT_TRUE(witness.settingsAtExit);
    EXPECT_EQ(liveTextures(), 0);
    EXPECT_EQ(liveLists(), 0);
    EXPECT_NE(settingsText().find("difficulty= 9.000000"), std::string::npos);
}
