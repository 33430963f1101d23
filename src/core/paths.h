// Where the game's files live: its pictures and sounds, and the player's settings file.
//
// Run from a build (the executable with no installed data beside it) everything
// is relative to the working directory: data/... and tarvo.ini, as the game has
// always done. Installed (a share/games/tarvo-rink folder beside the executable's
// own folder, as /usr/games and /usr/share/games), the data is read from there and
// the settings live in the player's configuration folder.
#pragma once

// Decides between the two layouts from the executable's path (as /proc/self/exe
// names it) and, when installed, from HOME, XDG_CONFIG_HOME and XDG_DATA_HOME.
// Sets game.dataRoot, game.settingsPath and game.replayFolder; an installed game
// without a usable home gets empty ones: it runs on its defaults and keeps nothing.
void choosePaths(const char* executable);

// The real path of one of the game's files, given by its name below data/
// ("data/pictures/menu/ground.jpg"): the name itself in a build, the file below
// the installed data folder otherwise. Names outside data/ are left as they are.
// The result lives in a buffer of the game state until the next call.
const char* dataFile(const char* name);

// Makes the folder the settings file goes in, when it is not there yet, with any
// missing folders above it below the home folder (which must exist) or within
// XDG_CONFIG_HOME. Returns null when the settings can be written there,
// otherwise the reason they cannot.
const char* settingsFolderProblem();

// The same for the folder the replays are kept in (replays/ beside tarvo.ini in
// a build, tarvo-rink/replays in the player's data folder when installed).
const char* replayFolderProblem();
