// Start-up of the game: the window or game mode, fixed OpenGL state, the callbacks, the main loop.
#pragma once

// The game's main: everything after SDL is up. Never returns (GLUT's loop owns the program).
int gameMain(int argc, char** argv);
void initApplication();
void initGLState();
void registerCallbacks();

// Window size and game mode string for a `resolution` value; false for any other value.
bool resolutionSize(int resolution, int* width, int* height);
const char* resolutionGameModeString(int resolution);
