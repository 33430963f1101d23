// Number text with a count of significant digits, and the frame-rate read-out built from it.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "core/game_state.h"
#include "render/number_text.h"
#include "render/scene.h"
#include "support/fake_platform.h"

static std::string significant(double value, int digits) {
    char buffer[32];
    return writeSignificant(value, digits, buffer, sizeof buffer);
}

TEST(NumberText, WritesTheShortestFormWithTheAskedDigits) {
    EXPECT_EQ(significant(60, 2), "60");  // a whole number keeps no decimal point
    EXPECT_EQ(significant(120, 3), "120");
    for (int points = 1; points <= 4; points++) EXPECT_EQ(significant(points, 1), std::to_string(points));
    EXPECT_EQ(significant(0.5, 2), "0.5");          // no trailing zeros
    EXPECT_EQ(significant(2.0 / 3.0, 3), "0.667");  // rounded, not cut
    EXPECT_EQ(significant(99.6, 2), "1e+02");       // rounding may carry into one more digit
    EXPECT_EQ(significant(1234, 3), "1.23e+03");    // more whole digits than asked for
    EXPECT_EQ(significant(47, 0), "5e+01");         // counts below 1 ask for 1
    EXPECT_EQ(significant(0.1, 40), "0.10000000000000001");  // and above 17 for 17

    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    writeSignificant(123456789, 9, buffer, 4);  // cut short, terminated, nothing past the end
    EXPECT_STREQ(buffer, "123");
    EXPECT_EQ(buffer[4], '#');
    writeSignificant(5, 1, buffer, 0);
    EXPECT_EQ(buffer[0], '1');

    EXPECT_EQ(decimalDigits(0), 1);
    EXPECT_EQ(decimalDigits(999), 3);
    EXPECT_EQ(decimalDigits(-1000), 4);
    EXPECT_EQ(decimalDigits(LLONG_MIN), 19);
}

// Every frame rate reads as its whole count and fits the read-out, however fast the machine.
TEST(FpsText, ShowsTheWholeCountAtAnyRate) {
    freshGame();
    const struct {
        int fps;
        const char* text;
    } cases[] = {
        {0, "0 fps"},     {7, "7 fps"},       {60, "60 fps"},     {99, "99 fps"},
        {100, "100 fps"}, {999, "999 fps"},   {1000, "1000 fps"}, {54321, "54321 fps"},
        {INT_MAX, "2147483647 fps"},          {INT_MIN, "-2147483648 fps"},
    };
    for (const auto& c : cases) {
        std::memset(game.fpsText, '#', sizeof game.fpsText);
        game.fps = c.fps;
        writeFpsText();
        EXPECT_STREQ(game.fpsText, c.text);
    }
}
