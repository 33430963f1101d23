// Fuzz target for the replay reader: any bytes must read without a fault; a replay it takes must
// hold a match that can be, give every step it counted and no more, and write its header back the same.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "match/replay_file.h"

static void check(bool ok, const char* what) {
    if (ok) return;
    fprintf(stderr, "replay fuzz: %s\n", what);
    abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReplayHeader header;
    const char* why = nullptr;
    if (!readReplay(data, size, &header, &why)) {
        check(why && *why, "a refusal without a reason");
        return 0;
    }
    check(header.playground == 1 || header.playground == 2, "no such playground taken");
    check(std::isfinite(header.difficulty) && header.difficulty > 0, "a difficulty no match can use");
    check(header.vsComputer != header.p2Human, "no players or both kinds");
    uint8_t written[REPLAY_HEADER_BYTES];
    check(writeReplayHeader(written, header) == REPLAY_HEADER_BYTES && memcmp(written, data, REPLAY_HEADER_BYTES) == 0,
          "a header taken does not write back the same");
    ReplayCursor cursor = replayCursor(header, size);
    StepInput input;
    uint32_t stepMs, steps = 0;
    // Runs of fixed steps are read step by step up to a bound; beyond it only the count is checked.
    while (steps < 100000 && nextReplayStep(data, &cursor, &input, &stepMs)) {
        check((input.holds[0] | input.holds[1]) <= 7 && input.readings <= STEP_READINGS, "a step that cannot be");
        check(header.kind == REPLAY_FIXED || stepMs <= REPLAY_STEP_MS_MAX, "a step longer than kept");
        steps++;
    }
    steps += cursor.runLeft;
    cursor.runLeft = 0;
    if (steps >= 100000) return 0;
    check(steps == header.steps && !nextReplayStep(data, &cursor, &input, &stepMs), "steps other than the count taken");
    return 0;
}
