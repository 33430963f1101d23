// The benchmark program: frame, idle step, roll-back, start-up and match start timings beside their floors, and allocations per frame.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "alloc_hook.h"
#include "core/game_state.h"
#include "harness.h"
#include "match/ball.h"
#include "match/flow.h"
#include "net/protocol.h"

namespace {

// ---- Frames -------------------------------------------------------------------

enum Scene { BARE, MENU, TENNIS, FUTURISTIC };
const char* const SCENE_NAMES[] = {"bare", "menu", "tennis", "futuristic"};

void enterScene(Scene scene) {
    if (scene == TENNIS) bench::enterMatch(1);
    else if (scene == FUTURISTIC) bench::enterMatch(2);
    else bench::enterMenu();
}

void leaveScene(Scene scene) {
    if (scene == TENNIS || scene == FUTURISTIC) bench::leaveMatch();
}

void runFrame(Scene scene) {
    if (scene == BARE)
        bench::bareFrame();
    else
        bench::gameFrame();
}

// Frames drawn before timing starts: the driver builds its code for the scene's state in the first ones.
const int WARM_UP_FRAMES = 30;

void frameBenchmark(benchmark::State& state, Scene scene, int resolution) {
    if (!bench::useResolution(resolution)) {
        state.SkipWithError("the window did not take its size");
        return;
    }
    enterScene(scene);
    for (int i = 0; i < WARM_UP_FRAMES; i++) runFrame(scene);
    for (auto _ : state) runFrame(scene);
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    leaveScene(scene);
}

// ---- The idle step alone ----------------------------------------------------------

// With steering, player 1's bat follows the ball and the rally rarely ends;
// without, points fall often and part of the steps wait out the pause after a point.
void idleStepBenchmark(benchmark::State& state, bool steered) {
    bench::enterMatch(2);
    // How the steps below are spent, measured on a run of the same kind beforehand
    // (counting inside the timed loop would add to what it measures).
    const int SAMPLE = 20000;
    int inFlight = 0;
    for (int i = 0; i < SAMPLE; i++) {
        if (steered) bench::steerRally();
        bench::idleStep();
        if (bench::ballInFlight()) inFlight++;
    }
    if (steered)
        for (auto _ : state) {
            bench::steerRally();
            bench::idleStep();
        }
    else
        for (auto _ : state) bench::idleStep();
    state.counters["in_flight_share"] = (double)inFlight / SAMPLE;
    bench::leaveMatch();
}

// ---- A network roll-back -------------------------------------------------------------

// How far a roll-back goes back here: as far as a side may run beyond what it
// knows of the other (NET_WINDOW), the deepest roll-back a network match makes.
const uint32_t ROLL_BACK_STEPS = 25;
static_assert(ROLL_BACK_STEPS <= NET_RING, "the match copies reach back no further than NET_RING steps");
// Steps played before the roll-backs are timed: a few rallies into the match.
const uint32_t PLAYED_FIRST = 1500;

// A player who follows the ball while it comes and serves at once.
u8 followBall(float bat, bool coming, bool serves) {
    if (serves) return HOLD_PASS;
    if (!coming) return 0;
    return game.ballY > bat + 0.01f ? HOLD_UP : game.ballY < bat - 0.01f ? HOLD_DOWN : 0;
}

// What a network match does when a late key arrives 25 steps back: the
// match copy kept before that step is restored and the steps since are run
// again with the holds now known, each step keeping its copy first. The match
// is a two-player tennis match in fixed steps, set up directly (no network),
// played until the ball has flown the last 25 steps; the same 25 steps are
// taken back and run again at every iteration.
void rollBackBenchmark(benchmark::State& state) {
    struct Kept {
        MatchState match;
        u8 introActive, menuActive, matchActive, vsComputer, p2Human, stepInputGiven;
        i32 playground;
        f32 frameDelta;
        StepInput stepInput;
    };
    const Kept kept = {game, game.introActive, game.menuActive, game.matchActive, game.vsComputer, game.p2Human,
                       game.stepInputGiven, game.playground, game.frameDelta, game.stepInput};
    game.introActive = 0;
    game.menuActive = 0;
    game.playground = 1;
    game.vsComputer = 0;
    game.p2Human = 1;
    resetMatch();
    game.matchActive = 1;
    game.stepsFixed = 1;
    seedSpread(20261207);
    game.frameDelta = FIXED_STEP_MS;

    u8 holds[NET_RING][2];
    auto runStep = [&](uint32_t step) {
        game.netSaved[step % NET_RING] = game;
        game.stepInput.holds[0] = holds[step % NET_RING][0];
        game.stepInput.holds[1] = holds[step % NET_RING][1];
        game.stepInput.paused = 0;
        game.frameDelta = FIXED_STEP_MS;
        runGivenStep();
    };
    uint32_t flying = 0;
    while ((game.matchStep < PLAYED_FIRST || flying < ROLL_BACK_STEPS) && !game.matchOver) {
        const uint32_t step = game.matchStep;
        holds[step % NET_RING][0] = followBall(game.p1BatY, game.ballVelX < 0, !game.ballInPlay && game.ballX <= 0.01f);
        holds[step % NET_RING][1] = followBall(game.p2BatY, game.ballVelX > 0, !game.ballInPlay && game.ballX >= 1.43f);
        runStep(step);
        flying = bench::ballInFlight() ? flying + 1 : 0;
    }
    if (game.matchOver) {
        state.SkipWithError("the match ended before the ball flew 25 steps in a row");
    } else {
        const uint32_t to = game.matchStep, from = to - ROLL_BACK_STEPS;
        const uint32_t straight = matchChecksum(game);
        for (auto _ : state) {
            static_cast<MatchState&>(game) = game.netSaved[from % NET_RING];
            for (uint32_t step = from; step < to; step++) runStep(step);
            benchmark::ClobberMemory();
        }
        // Run again with the same holds, the steps must end where they ended first.
        if (matchChecksum(game) != straight) state.SkipWithError("the steps run again ended elsewhere");
        state.counters["steps"] = ROLL_BACK_STEPS;
    }

    static_cast<MatchState&>(game) = kept.match;
    game.introActive = kept.introActive;
    game.menuActive = kept.menuActive;
    game.matchActive = kept.matchActive;
    game.vsComputer = kept.vsComputer;
    game.p2Human = kept.p2Human;
    game.stepInputGiven = kept.stepInputGiven;
    game.playground = kept.playground;
    game.frameDelta = kept.frameDelta;
    game.stepInput = kept.stepInput;
}

// ---- Start-up and match start ---------------------------------------------------

// The game's loader for a set; the set is given back, untimed, before each load.
void loadBenchmark(benchmark::State& state, bench::PictureSet set) {
    int pictures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::unloadSet(set);
        int before = bench::filledSlots();
        state.ResumeTiming();
        bench::loadSet(set);
        state.PauseTiming();
        pictures = bench::filledSlots() - before;
        state.ResumeTiming();
    }
    // Playground 1 copies slot 0's name into slots 1-5: five slots, no pictures.
    if (set == bench::TENNIS_SET) pictures -= 5;
    state.counters["pictures"] = pictures;
    // The base set stays loaded, as after start-up; a playground's set is given back.
    if (set != bench::BASE_SET) bench::unloadSet(set);
}

void decodeBenchmark(benchmark::State& state, bench::PictureSet set) {
    for (auto _ : state)
        if (!bench::decodeSet(set)) {
            state.SkipWithError("a picture could not be decoded (no data/ in the working directory?)");
            return;
        }
    state.counters["pictures"] = bench::pictureCount(set);
}

// ---- Allocations over ten seconds of game time --------------------------------------

const int COUNTED_FRAMES = 10000 / (int)bench::STEP_MS;
const int POINTER_EVERY = 25;  // frames between two pointer motions in the menu

// The file name of an object path, for a counter's name.
std::string baseName(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void allocationBenchmark(benchmark::State& state, Scene scene) {
    if (!bench::useResolution(bench::RESOLUTION_800)) {
        state.SkipWithError("the window did not take its size");
        return;
    }
    enterScene(scene);
    for (int i = 0; i < WARM_UP_FRAMES; i++) bench::gameFrame();
    for (auto _ : state) {
        allocs::arm();
        for (int frame = 0; frame < COUNTED_FRAMES; frame++) {
            if (scene == MENU && frame % POINTER_EVERY == 0) bench::wanderPointer(frame / POINTER_EVERY);
            bench::gameFrame();
        }
        allocs::disarm();
    }
    leaveScene(scene);

    state.counters["frames"] = COUNTED_FRAMES;
    state.counters["game_allocs"] = (double)allocs::inProgram();
    state.counters["all_allocs"] = (double)allocs::total();
    state.counters["unattributed"] = (double)allocs::unattributed();
    allocs::ObjectCount objects[allocs::MAX_OBJECTS];
    int count = allocs::objects(objects, allocs::MAX_OBJECTS);
    for (int i = 0; i < count; i++)
        if (!objects[i].isProgram && objects[i].count > 0)
            state.counters["by:" + baseName(objects[i].name)] = (double)objects[i].count;

    // Where in the game memory was asked for, should it ever be.
    const void* sites[allocs::MAX_SITES];
    int siteCount = allocs::programSites(sites, allocs::MAX_SITES);
    std::string label;
    for (int i = 0; i < siteCount; i++) {
        Dl_info info;
        char site[160];
        if (dladdr(sites[i], &info) && info.dli_sname)
            snprintf(site, sizeof site, "%s+%#lx", info.dli_sname, (unsigned long)((const char*)sites[i] - (const char*)info.dli_saddr));
        else
            snprintf(site, sizeof site, "%p", sites[i]);
        label += (label.empty() ? "" : " ") + std::string(site);
    }
    if (!label.empty()) state.SetLabel("game allocates at " + label);
}

void registerAll() {
    for (int resolution = 0; resolution < bench::RESOLUTION_COUNT; resolution++)
        for (Scene scene : {BARE, MENU, TENNIS, FUTURISTIC}) {
            std::string name = std::string("frame/") + SCENE_NAMES[scene] + "/" + bench::resolutionName(resolution);
            benchmark::RegisterBenchmark(name.c_str(), frameBenchmark, scene, resolution)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    benchmark::RegisterBenchmark("sim/idle-step", idleStepBenchmark, false)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("sim/idle-step+steering", idleStepBenchmark, true)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("sim/rollback-25", rollBackBenchmark)->Unit(benchmark::kMicrosecond);
    for (bench::PictureSet set : {bench::BASE_SET, bench::TENNIS_SET, bench::FUTURISTIC_SET}) {
        std::string name = std::string("load/") + bench::pictureSetName(set);
        benchmark::RegisterBenchmark(name.c_str(), loadBenchmark, set)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark((name + "/decode-floor").c_str(), decodeBenchmark, set)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    for (Scene scene : {MENU, TENNIS, FUTURISTIC}) {
        std::string name = std::string("alloc/") + SCENE_NAMES[scene];
        benchmark::RegisterBenchmark(name.c_str(), allocationBenchmark, scene)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::startGame(argc, argv);
    benchmark::AddCustomContext("gl_renderer", bench::rendererString());
    benchmark::AddCustomContext("gl_version", bench::glVersionString());
    benchmark::AddCustomContext("gl_vendor", bench::glVendorString());
    const char* threads = getenv("LP_NUM_THREADS");
    benchmark::AddCustomContext("lp_num_threads", threads ? threads : "driver default");
    benchmark::AddCustomContext("game_step_ms", std::to_string(bench::STEP_MS));
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
