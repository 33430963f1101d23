// The benchmarks' stage: one real window, a clock the bench drives, and the game's screens set up as a player reaches them.
#pragma once

#include <cstdint>

namespace bench {

// Window sizes by the game's `resolution` value.
enum { RESOLUTION_640 = 0, RESOLUTION_800 = 1, RESOLUTION_1024 = 2, RESOLUTION_COUNT = 3 };

// Game time that passes at every step: the game as it runs at 100 frames per second.
const uint32_t STEP_MS = 10;

// What the game's tick counter reads; the bench moves it on, nothing sleeps.
extern uint32_t clockMs;

// The platform seam as the bench runs the game: the tick counter above, a delay
// that only moves it on, a silent mixer, no cursor, no redisplay requests (the
// bench draws each frame itself) and an exit that ends the bench with status 1.
void installBenchPlatform();

// SDL as the game's main starts it, the window in window mode at 800 x 600 with
// the game's fixed OpenGL state, the base pictures and the display lists: the
// game right after start-up. Fails (status 1) when the window cannot be made.
void startGame(int argc, char** argv);

// Resizes the window to a resolution's size and waits until the game's reshape
// has seen it. False when the window did not take the size within two seconds.
bool useResolution(int resolution);
void windowSizeOf(int resolution, int* width, int* height);
const char* resolutionName(int resolution);

// The driver's description of itself: renderer, version and vendor strings.
const char* rendererString();
const char* glVersionString();
const char* glVendorString();

// The main menu, with the pointer resting on "single player" so that its glow shows.
void enterMenu();
// Moves the pointer to one of a few menu places in turn (items and empty spots),
// as a player's hand wanders over the main menu.
void wanderPointer(int step);
// A single-player match on playground 1 (tennis) or 2 (futuristic), started by
// clicks through the menu, player 1 holding the serve key.
void enterMatch(int playground);
// Back to the main menu the way Escape leaves a match (the playground's pictures are freed).
void leaveMatch();

// Holds player 1's keys so that the bat follows the ball, and takes the games
// back to none before either side can win the match, so a match stays in flight.
void steerRally();

// One idle step after STEP_MS of game time.
void idleStep();
// One frame as GLUT's loop gives it: steering, an idle step, then the display.
void gameFrame();
// The floor of a frame: clear colour and depth and swap, on the same window.
void bareFrame();

// The game's three sets of pictures: the base set of start-up and each playground's set.
enum PictureSet { BASE_SET = 0, TENNIS_SET = 1, FUTURISTIC_SET = 2, PICTURE_SET_COUNT = 3 };
const char* pictureSetName(PictureSet set);
// The set's JPEG files, as the game's loaders name them.
int pictureCount(PictureSet set);
const char* picturePath(PictureSet set, int index);
// The floor of a load: every picture of the set decoded by the image library
// and freed again, nothing else. False when a picture cannot be decoded.
bool decodeSet(PictureSet set);
// What the game does with the set: the base set's pictures and the display lists
// at start-up, or a playground's pictures at match start.
void loadSet(PictureSet set);
// Gives the set back (textures, and the lists with the base set) and clears its slots.
void unloadSet(PictureSet set);
// Texture slots holding a name.
int filledSlots();

// True while the ball flies inside the field (served, not yet past a bat's end line).
bool ballInFlight();

}  // namespace bench
