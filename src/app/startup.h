// Start-up of the game, the window or game mode, fixed OpenGL state, reshape and display.
#pragma once

// The game's main: everything after SDL is up. Never returns (GLUT's loop owns the program).
int gameMain(int argc, char** argv);
void initApplication();
void initGLState();
void registerCallbacks();
void onAppIdle();
void onReshape(int width, int height);
void onDisplay();

// Window size and game mode string for a `resolution` value; false for any other value.
bool resolutionSize(int resolution, int* width, int* height);
const char* resolutionGameModeString(int resolution);
