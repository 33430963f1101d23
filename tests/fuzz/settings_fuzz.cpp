// Fuzz target for the settings reader: any tarvo.ini must read without a fault, leave every setting usable, and save and read back the same.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "core/game_state.h"
#include "core/settings.h"

static char workDir[64];

static void fail(const char* what) {
    fprintf(stderr, "settings fuzz: %s\n", what);
    abort();
}

static void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

static void removeWorkDir() {
    std::string path = std::string(workDir) + "/tarvo.ini";
    unlink(path.c_str());
    rmdir(workDir);
}

// tarvo.ini is read from the working directory, so the fuzzer works in a
// directory of its own: the one named by TARVO_FUZZ_WORKDIR (left for its owner
// to remove), or a new one, in memory where there is one (every input is a file).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* given = getenv("TARVO_FUZZ_WORKDIR");
    if (given) {
        if (chdir(given) != 0) fail("cannot enter TARVO_FUZZ_WORKDIR");
        return 0;
    }
    const char* bases[] = {"/dev/shm", getenv("TMPDIR"), "/tmp"};
    for (const char* base : bases) {
        if (!base) continue;
        snprintf(workDir, sizeof workDir, "%s/tarvo-fuzz.XXXXXX", base);
        if (mkdtemp(workDir) && chdir(workDir) == 0) {
            atexit(removeWorkDir);
            return 0;
        }
    }
    fail("no work directory");
    return 0;
}

// Every setting within what the rest of the game can use, and nothing beside
// the settings touched.
static void checkRanges() {
    check(game.settingsFile == nullptr, "settings file left open");
    check(memchr(game.p1name, '\0', 9) != nullptr, "p1name longer than 8 characters");
    check(memchr(game.p2name, '\0', 9) != nullptr, "p2name longer than 8 characters");
    const i32 bindings[] = {game.p1Up, game.p1Down, game.p1Pass, game.p2Up, game.p2Down, game.p2Pass};
    for (i32 binding : bindings) check(keyCodeValid(binding), "binding outside 0-255");
    check(std::isfinite(game.difficulty) && game.difficulty > 0.0f, "difficulty not a finite number above 0");
    check(std::isfinite(game.camAngleX) && std::isfinite(game.camAngleY) && std::isfinite(game.camAngleZ) &&
              std::isfinite(game.camZoom),
          "camera value not finite");
    check(game.lightingOn == 1 && game.showFps == 0 && game.introLogo1X == -300.0f && game.introSliding == 1,
          "a field beside the settings was written");
}

// Six decimals are all a saved float keeps.
static bool closeEnough(f32 saved, f32 read) {
    return std::fabs((double)saved - (double)read) <= 1e-6 + 1e-6 * std::fabs((double)saved);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = fopen("tarvo.ini", "wb");
    if (!file) fail("cannot write tarvo.ini");
    if (size) fwrite(data, 1, size, file);
    fclose(file);

    game = GameState{};
    loadSettings();
    checkRanges();

    // What was read, saved and read again over it, comes back the same.
    const GameState first = game;
    saveSettings();
    loadSettings();
    checkRanges();
    check(game.music == first.music && game.effects == first.effects, "sound flags changed on the way back");
    check(game.resolution == first.resolution && game.mode == first.mode, "resolution or mode changed");
    check(strcmp(game.p1name, first.p1name) == 0 && strcmp(game.p2name, first.p2name) == 0, "a name changed");
    check(game.p1Up == first.p1Up && game.p1Down == first.p1Down && game.p1Pass == first.p1Pass &&
              game.p2Up == first.p2Up && game.p2Down == first.p2Down && game.p2Pass == first.p2Pass,
          "a binding changed");
    check(closeEnough(first.difficulty, game.difficulty) && closeEnough(first.camAngleX, game.camAngleX) &&
              closeEnough(first.camAngleY, game.camAngleY) && closeEnough(first.camAngleZ, game.camAngleZ) &&
              closeEnough(first.camZoom, game.camZoom),
          "a float moved more than its six decimals");
    return 0;
}
