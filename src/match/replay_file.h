// The replay file: a match's start and what each of its steps read, written as it is played and read back by a checked reader.
//
// Version 1, little-endian:
//   header   "TRRP", version, kind (0: steps of the measured frame time, 1: fixed
//            steps of 10 ms), playground, players (1: against the computer, 2:
//            two players), difficulty (float), the two names (8 bytes each), the
//            tick before the first step, then the whole match as it stood before
//            its first step (the match record's fields, 211 bytes)
//   steps    kind 0, one record a step: a byte of holds (player 1 in bits 0-2 and
//            player 2 in bits 3-5: up, down, pass; bit 6 the match stood still;
//            bit 7 the clock was read again within the step), the step's time in
//            milliseconds (a base-128 number), and when bit 7 is set the count of
//            further readings (1 or 2) and each as its distance from the step's
//            tick (zigzag, base 128)
//            kind 1, runs of equal steps: the holds byte (bit 7 clear) and how
//            many steps it held (base 128, at least 1)
//   end      "TRND", the count of steps, the points and games of either side
//            after the last one, and 1 when the match was played to its end
//            (0: left before), 3 zero bytes
// Only the C library is used here, so the reader can be fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/game_state.h"
#include "match/record.h"

enum {
    REPLAY_VERSION = 1,
    REPLAY_LOCAL = 0,
    REPLAY_FIXED = 1,
    REPLAY_HEADER_BYTES = 32 + MATCH_RECORD_BYTES,
    REPLAY_END_BYTES = 16,
    REPLAY_STEP_MAX = 24,            // the longest a step's record can be
    REPLAY_STEP_MS_MAX = 60000,      // a longer step (a stall) is kept as this long: only its pacing
    REPLAY_FILE_MAX = 64 << 20,      // a file larger than this is no replay of this game
};
static_assert(REPLAY_NAME_ROOM == NAME_BYTES + 1, "a replay's names are the names of a match");

// Writers: each fills `out` and gives the bytes written.
size_t writeReplayHeader(uint8_t* out, const ReplayHeader& header);  // REPLAY_HEADER_BYTES
// A step of measured time: its input, and the tick it is kept at (what the
// replay will give for the step's own tick; `step` the step's time).
size_t writeLocalStep(uint8_t* out, const StepInput& input, uint32_t keptTick, uint32_t step);
size_t writeFixedRun(uint8_t* out, uint8_t holds, uint32_t length);
size_t writeReplayEnd(uint8_t* out, uint32_t steps, const MatchState& last);  // REPLAY_END_BYTES

// The holds byte of a step: both players' holds and whether the match stood still.
uint8_t stepHoldsByte(const StepInput& input);

// Checks a whole replay: true and what it says when every byte is sound, every
// step whole and their count the one its end gives; false and why otherwise
// (a phrase to follow the file's name).
bool readReplay(const uint8_t* data, size_t size, ReplayHeader* header, const char** why);
// The cursor at the first step of a replay readReplay took.
ReplayCursor replayCursor(const ReplayHeader& header, size_t size);
// The next step's input and its time in milliseconds; false when the steps are
// done or the next record is not whole.
bool nextReplayStep(const uint8_t* data, ReplayCursor* cursor, StepInput* input, uint32_t* stepMs);
