// The command line: --help, --version, the screen for this run only (--window, --fullscreen, --size), network play.
#pragma once

// parseOptions' answer when the game is to start.
enum { OPTIONS_RUN = -1 };

// Reads the command line, in the usual GNU form (--size 800x600 or --size=800x600,
// a long option shortened to any unambiguous start). The screen choices go to
// game.optionMode and game.optionResolution, never to the settings. Returns
// OPTIONS_RUN when the game is to start, otherwise the exit status: 0 after
// --help or --version (printed on standard output), 2 after a mistake (one line
// and the usage on standard error). Opens no window and no device.
int parseOptions(int argc, char** argv);

// The screen this run opens: the command line's choice where it made one,
// otherwise the settings file's `mode` and `resolution`.
int runMode();
int runResolution();
