// Two games in one process (a network host and its guest), and a scripted player for either bat.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/game_state.h"

// The one game record holds one side at a time: each side's record is put in
// place while that side runs, and kept again afterwards.
struct Side {
    GameState state;
    std::string errors;  // what the side wrote on standard error
    int exitStatus = -1;
};
void as(Side& side, const std::function<void()>& run);

// A player who follows the ball coming its way, aiming a spot of the bat chosen
// afresh each rally, and serves after a moment: imperfect enough that rallies
// end. It holds the keys of the record it plays in: a network side's own player
// holds player 1's keys (`ownKeys`), a local match's player 2 player 2's.
struct Follower {
    uint32_t dice;
    float aim = 0;
    i32 lastPending = 0;
    int roll(int n);
    void play(GameState& g, int player, bool ownKeys = true);
    void play(Side& side, int player) { play(side.state, player); }
};
