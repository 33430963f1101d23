// Fixed runs of frames, idle steps and loads for callgrind (counted run alone in the dump), and resident memory along a row of matches.
//
//   tarvo-bench-profile frames <bare|menu|tennis|futuristic> <640x480|800x600|1024x768> <count>
//   tarvo-bench-profile steps <count>
//   tarvo-bench-profile load|decode <base|tennis|futuristic> <count>
//   tarvo-bench-profile memory <matches>
//
// Run it under valgrind --tool=callgrind --instr-atstart=no: start-up runs at
// full speed, the warm-up frames are already instrumented (the driver builds
// its code for the scene there), and the dump holds the counted run alone.
// The memory run needs no valgrind: it prints, as JSON, the resident size after
// start-up, after the first menu frames and along a row of matches.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "harness.h"

namespace {

const int WARM_UP_FRAMES = 10;

int usage() {
    fprintf(stderr,
            "usage: tarvo-bench-profile frames <bare|menu|tennis|futuristic> <640x480|800x600|1024x768> <count>\n"
            "       tarvo-bench-profile steps <count>\n"
            "       tarvo-bench-profile load|decode <base|tennis|futuristic> <count>\n"
            "       tarvo-bench-profile memory <matches>\n");
    return 2;
}

int resolutionNamed(const char* name) {
    for (int resolution = 0; resolution < bench::RESOLUTION_COUNT; resolution++)
        if (strcmp(name, bench::resolutionName(resolution)) == 0) return resolution;
    return -1;
}

// A field of /proc/self/status in kilobytes ("VmRSS:", "VmHWM:").
long statusKb(const char* field) {
    FILE* status = fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, status))
        if (strncmp(line, field, strlen(field)) == 0) kb = atol(line + strlen(field));
    fclose(status);
    return kb;
}

void printMemory(const char* moment, bool last) {
    printf("  {\"moment\": \"%s\", \"rss_kb\": %ld, \"hwm_kb\": %ld}%s\n", moment, statusKb("VmRSS:"),
           statusKb("VmHWM:"), last ? "" : ",");
}

// Matches one after another, both playgrounds in turn, 100 frames each: what one
// match start takes, its end must give back.
int profileMemory(int matches) {
    const int FRAMES = 100;
    printf("[\n");
    printMemory("after start-up, nothing drawn yet", false);
    bench::enterMenu();
    for (int i = 0; i < FRAMES; i++) bench::gameFrame();
    printMemory("after the first 100 menu frames", false);
    char moment[64];
    for (int match = 1; match <= matches; match++) {
        bench::enterMatch(match % 2 == 1 ? 2 : 1);
        for (int i = 0; i < FRAMES; i++) bench::gameFrame();
        bench::leaveMatch();
        for (int i = 0; i < FRAMES; i++) bench::gameFrame();
        if (match == 1 || match % 5 == 0 || match == matches) {
            snprintf(moment, sizeof moment, "back in the menu after %d match%s", match, match == 1 ? "" : "es");
            printMemory(moment, match == matches);
        }
    }
    printf("]\n");
    return 0;
}

int setNamed(const char* name) {
    for (int set = 0; set < bench::PICTURE_SET_COUNT; set++)
        if (strcmp(name, bench::pictureSetName((bench::PictureSet)set)) == 0) return set;
    return -1;
}

// The game's loader, or the decode floor, run count times; each load finds its set given back.
int profileLoading(bool load, bench::PictureSet set, int count) {
    CALLGRIND_START_INSTRUMENTATION;
    if (load) bench::unloadSet(set);
    CALLGRIND_ZERO_STATS;
    // Loads are counted alone: collection is off while the set is given back.
    if (load) CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < count; i++) {
        if (load) {
            CALLGRIND_TOGGLE_COLLECT;
            bench::loadSet(set);
            CALLGRIND_TOGGLE_COLLECT;
            bench::unloadSet(set);
        } else if (!bench::decodeSet(set)) {
            fprintf(stderr, "a picture could not be decoded\n");
            return 1;
        }
    }
    if (load) CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(load ? "counted loads" : "counted decodes");
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool frames = argc == 5 && strcmp(argv[1], "frames") == 0;
    bool steps = argc == 3 && strcmp(argv[1], "steps") == 0;
    bool load = argc == 4 && strcmp(argv[1], "load") == 0;
    bool decode = argc == 4 && strcmp(argv[1], "decode") == 0;
    bool memory = argc == 3 && strcmp(argv[1], "memory") == 0;
    if (!frames && !steps && !load && !decode && !memory) return usage();
    int count = atoi(argv[argc - 1]);
    if (count <= 0) return usage();

    int glutArgc = 1;
    bench::startGame(glutArgc, argv);
    if (memory) return profileMemory(count);
    printf("renderer: %s\n", bench::rendererString());

    if (load || decode) {
        int set = setNamed(argv[2]);
        if (set < 0) return usage();
        return profileLoading(load, (bench::PictureSet)set, count);
    }

    if (frames) {
        int resolution = resolutionNamed(argv[3]);
        if (resolution < 0 || !bench::useResolution(resolution)) return usage();
        bool bare = strcmp(argv[2], "bare") == 0;
        if (bare || strcmp(argv[2], "menu") == 0)
            bench::enterMenu();
        else if (strcmp(argv[2], "tennis") == 0)
            bench::enterMatch(1);
        else if (strcmp(argv[2], "futuristic") == 0)
            bench::enterMatch(2);
        else
            return usage();
        CALLGRIND_START_INSTRUMENTATION;
        void (*frame)() = bare ? bench::bareFrame : bench::gameFrame;
        for (int i = 0; i < WARM_UP_FRAMES; i++) frame();
        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < count; i++) frame();
        CALLGRIND_DUMP_STATS_AT("counted frames");
    } else {
        bench::enterMatch(2);
        CALLGRIND_START_INSTRUMENTATION;
        for (int i = 0; i < 1000; i++) bench::idleStep();
        CALLGRIND_ZERO_STATS;
        int inFlight = 0;
        for (int i = 0; i < count; i++) {
            bench::idleStep();
            if (bench::ballInFlight()) inFlight++;
        }
        CALLGRIND_DUMP_STATS_AT("counted steps");
        printf("in flight: %d of %d steps\n", inFlight, count);
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
}
