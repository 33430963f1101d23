// Gamepads on the stand-in platform: start-up, the stick's dead zone, the hat, the buttons, two pads, unplugging, match end, the menu.
#include <gtest/gtest.h>

#include <SDL_joystick.h>

#include "app/events.h"
#include "core/game_state.h"
#include "menu/clicks.h"
#include "input/pads.h"
#include "match/clock.h"
#include "match/flow.h"
#include "support/fake_platform.h"

class Pads : public ::testing::Test {
protected:
    // A match in play with `count` pads present, opened as at start-up.
    void SetUp() override { startWith(2); }
    void startWith(int count, bool twoPlayers = true) {
        freshGame();
        fake::padCount = count;
        testing::internal::CaptureStdout();
        initPads();
        printed = testing::internal::GetCapturedStdout();
        game.introActive = 0;
        game.playground = 1;
        resetMatch();
        game.matchActive = 1;
        game.menuPage = 10;
        game.vsComputer = !twoPlayers;
        game.p2Human = twoPlayers;
    }
    static void step() {
        fake::ticks += 10;
        onAppIdle();
    }
    std::string printed;
};

TEST_F(Pads, StartUpNamesEachPadAndSaysNothingWithoutOne) {
    EXPECT_EQ(printed, "Gamepad 1: Stand-in Pad\nGamepad 2: Second Stand-in Pad\n");
    EXPECT_NE(game.pads[0], nullptr);
    EXPECT_NE(game.pads[1], nullptr);

    startWith(3);  // a third pad has no player
    EXPECT_EQ(printed, "Gamepad 1: Stand-in Pad\nGamepad 2: Second Stand-in Pad\n");

    for (bool unavailable : {false, true}) {
        freshGame();
        fake::padCount = unavailable ? 2 : 0;
        fake::padsUnavailable = unavailable;
        testing::internal::CaptureStdout();
        initPads();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(game.pads[0], nullptr);
        game.matchActive = 1;
        step();
        EXPECT_EQ(fake::padUpdates, 0);  // no pads: the library is never asked
    }
}

// The stick holds up or down only past a third of its range; the hat's up and
// down hold them too; any of the four face buttons holds pass, and the rules
// that read held keys take it: the bat moves, the serve leaves bent by 20 degrees.
TEST_F(Pads, StickPastTheDeadZoneHatAndFaceButtonsHoldAsKeys) {
    const struct { int stick, hat; bool up, down; } cases[] = {
        {-10922, 0, false, false}, {-10923, 0, true, false}, {10923, 0, false, true}, {10922, 0, false, false},
        {0, 1, true, false},       {0, 4, false, true},      {0, 2, false, false},    {-32768, 4, true, true},
    };
    for (const auto& c : cases) {
        fake::pads[0].stick = c.stick;
        fake::pads[0].hat = c.hat;
        step();
        EXPECT_EQ(game.padHolds[0][PAD_UP], c.up) << c.stick << " hat " << c.hat;
        EXPECT_EQ(game.padHolds[0][PAD_DOWN], c.down) << c.stick << " hat " << c.hat;
    }
    for (int button = 0; button < 6; button++) {
        fake::pads[0].buttons[button] = true;
        step();
        EXPECT_EQ(game.padHolds[0][PAD_PASS], button < 4) << "button " << button;
        fake::pads[0].buttons[button] = false;
    }

    startWith(2);
    fake::pads[0].stick = -32768;
    for (int i = 0; i < 20; i++) step();
    EXPECT_GT(game.p1BatY, 0.1f);
    EXPECT_EQ(game.ballY, game.p1BatY);  // the held ball rides along
    fake::pads[0].buttons[2] = true;
    step();
    step();
    EXPECT_TRUE(game.ballInPlay);
    EXPECT_GE(game.ballAngle, 11.0f);  // served straight (-9..10) and bent up by 20
    EXPECT_LE(game.ballAngle, 30.0f);
}

// The second pad is player 2's: it moves bat 2 in a two-player match, and
// nothing against the computer; the first pad never moves bat 2.
TEST_F(Pads, TheSecondPadPlaysPlayer2OnlyWhenHuman) {
    fake::pads[1].stick = 32767;
    for (int i = 0; i < 10; i++) step();
    EXPECT_LT(game.p2BatY, -0.05f);
    EXPECT_EQ(game.p1BatY, 0.0f);

    startWith(2, false);
    fake::pads[1].stick = 32767;
    fake::pads[1].buttons[0] = true;
    for (int i = 0; i < 10; i++) step();
    EXPECT_EQ(game.p2BatY, 0.0f);
    EXPECT_FALSE(game.ballInPlay);
}

// Nothing sticks: a direction let go between two steps is let go at the next,
// an unplugged pad lets go of everything and is read no more, and the end of a
// match lets go of all a pad held; in the menu a pad holds nothing.
TEST_F(Pads, NothingStaysHeldAfterALetGoAnUnplugOrTheEndOfAMatch) {
    fake::pads[0].stick = -32768;
    step();
    ASSERT_TRUE(game.padHolds[0][PAD_UP]);
    fake::pads[0].stick = 0;
    step();
    EXPECT_FALSE(game.padHolds[0][PAD_UP]);

    fake::pads[0].stick = -32768;
    fake::pads[1].hat = 4;
    step();
    fake::pads[0].gone = true;
    step();
    EXPECT_EQ(game.pads[0], nullptr);
    EXPECT_FALSE(game.padHolds[0][PAD_UP]);
    EXPECT_TRUE(game.padHolds[1][PAD_DOWN]);  // the other pad plays on
    const float batY = game.p1BatY;
    fake::pads[0].gone = false;
    step();
    EXPECT_EQ(game.p1BatY, batY);

    fake::pads[1].buttons[1] = true;
    step();
    endMatch();
    showMainMenu();
    EXPECT_FALSE(game.padHolds[1][PAD_DOWN] || game.padHolds[1][PAD_PASS]);
    step();
    EXPECT_FALSE(game.padHolds[1][PAD_DOWN] || game.padHolds[1][PAD_PASS]);
    EXPECT_EQ(game.menuPage, 0);
}

// On the menu either pad moves the glow a press at a time, by stick or hat;
// button 0 chooses, button 1 steps back; a button held through a match's end
// chooses nothing when the menu comes back.
TEST_F(Pads, APadWorksTheMenuAPressAtATime) {
    fake::pads[1].buttons[0] = true;
    workMenuByPads();
    endMatch();
    showMainMenu();
    workMenuByPads();
    EXPECT_EQ(game.menuPage, PAGE_MAIN);
    fake::pads[1].buttons[0] = false;
    workMenuByPads();
    EXPECT_EQ(game.glowVisible, 0);

    fake::pads[0].stick = 32767;  // down, held: one move, to the first item
    workMenuByPads();
    workMenuByPads();
    EXPECT_FLOAT_EQ(game.glowY, 280.0f);
    fake::pads[0].stick = 0;
    workMenuByPads();
    fake::pads[0].hat = SDL_HAT_DOWN;
    workMenuByPads();
    EXPECT_FLOAT_EQ(game.glowY, 230.0f);  // two players
    fake::pads[0].hat = SDL_HAT_RIGHT;
    workMenuByPads();
    EXPECT_FLOAT_EQ(game.glowY, 230.0f);  // nothing to the right
    fake::pads[0].hat = 0;
    fake::pads[1].buttons[0] = true;
    workMenuByPads();
    EXPECT_EQ(game.menuPage, PAGE_TWO_PLAYERS);
    fake::pads[1].buttons[1] = true;
    workMenuByPads();
    EXPECT_EQ(game.menuPage, PAGE_MAIN);

    // The button that chose passes nothing in the match until it is let go.
    fake::pads[1].buttons[1] = false;
    game.matchActive = 1;
    step();
    EXPECT_FALSE(game.padHolds[1][PAD_PASS]);
    fake::pads[1].buttons[0] = false;
    step();
    fake::pads[1].buttons[0] = true;
    step();
    EXPECT_TRUE(game.padHolds[1][PAD_PASS]);
}
