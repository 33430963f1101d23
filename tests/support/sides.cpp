#include "support/sides.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"

void as(Side& side, const std::function<void()>& run) {
    game = side.state;
    testing::internal::CaptureStderr();
    try {
        run();
    } catch (const ProgramExit& exit) {
        side.exitStatus = exit.status;
    }
    side.errors += testing::internal::GetCapturedStderr();
    side.state = game;
}

int Follower::roll(int n) {
    dice = dice * 1103515245u + 12345u;
    return (int)((dice >> 16) % (uint32_t)n);
}

void Follower::play(GameState& g, int player, bool ownKeys) {
    const bool keysOf1 = ownKeys || player == 1;
    const i32 up = keysOf1 ? g.p1Up : g.p2Up, down = keysOf1 ? g.p1Down : g.p2Down;
    const i32 pass = keysOf1 ? g.p1Pass : g.p2Pass;
    const float bat = player == 1 ? g.p1BatY : g.p2BatY;
    g.keyHeld[up] = g.keyHeld[down] = g.keyHeld[pass] = 0;
    if (g.pointPending != lastPending) aim = (roll(31) - 15) * 0.01f;
    lastPending = g.pointPending;
    const bool mine = player == 1 ? g.ballX <= 0.01f : g.ballX >= 1.43f;
    if (!g.ballInPlay && mine) {
        g.keyHeld[pass] = roll(30) == 0;
        return;
    }
    const bool coming = player == 1 ? g.ballVelX < 0 : g.ballVelX > 0;
    if (!coming) return;
    const float target = g.ballY - aim;
    if (target > bat + 0.01f) g.keyHeld[up] = 1;
    if (target < bat - 0.01f) g.keyHeld[down] = 1;
}
