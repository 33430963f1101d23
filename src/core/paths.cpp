// Where the game's files live: the installed layout or the working directory, and the player's settings folder.
//
// Only the C library and POSIX are used here, like the settings file beside it.
#include "core/paths.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "core/game_state.h"

namespace {

const char dataPrefix[] = "data/";
const size_t dataPrefixLength = sizeof dataPrefix - 1;
// The installed data folder, seen from the folder that holds the executable
// (games/ and share/games/tarvo-rink/ under one prefix).
const char installedData[] = "/../share/games/tarvo-rink";
// The settings file below the player's configuration folder, the replays below its data folder.
const char settingsBelowConfig[] = "/tarvo-rink/tarvo.ini";
const char replaysBelowData[] = "/tarvo-rink/replays";

bool isDirectory(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// An environment variable that holds a full path; empty and relative values count
// as unset, as the base directory rules of the desktop say for XDG_CONFIG_HOME.
const char* absoluteVariable(const char* name) {
    const char* value = getenv(name);
    return value && value[0] == '/' ? value : nullptr;
}

// Length of a path without the slashes that end it.
size_t trimmedLength(const char* path) {
    size_t length = strlen(path);
    while (length > 1 && path[length - 1] == '/') length--;
    return length;
}

// ${XDG_CONFIG_HOME:-$HOME/.config}/tarvo-rink/tarvo.ini. The folders below the
// home folder are made on the first save, and so are any that XDG_CONFIG_HOME
// names; the home folder itself never is (an account without one, as the system
// gives some, has HOME set to a folder that is meant not to exist).
void chooseSettingsPath() {
    const char* config = absoluteVariable("XDG_CONFIG_HOME");
    const char* home = absoluteVariable("HOME");
    int length = -1;
    if (config) {
        size_t kept = trimmedLength(config);
        length = snprintf(game.settingsPath, sizeof game.settingsPath, "%.*s%s", (int)kept, config,
                          settingsBelowConfig);
        game.settingsFolderBase = 0;
    } else if (home) {
        size_t kept = trimmedLength(home);
        length = snprintf(game.settingsPath, sizeof game.settingsPath, "%.*s/.config%s", (int)kept, home,
                          settingsBelowConfig);
        game.settingsFolderBase = (i32)kept;
    }
    if (length < 0 || (size_t)length >= sizeof game.settingsPath) game.settingsPath[0] = '\0';
}

// ${XDG_DATA_HOME:-$HOME/.local/share}/tarvo-rink/replays, made as the settings folder is.
void chooseReplayFolder() {
    const char* data = absoluteVariable("XDG_DATA_HOME");
    const char* home = absoluteVariable("HOME");
    int length = -1;
    if (data) {
        size_t kept = trimmedLength(data);
        length = snprintf(game.replayFolder, sizeof game.replayFolder, "%.*s%s", (int)kept, data, replaysBelowData);
        game.replayFolderBase = 0;
    } else if (home) {
        size_t kept = trimmedLength(home);
        length = snprintf(game.replayFolder, sizeof game.replayFolder, "%.*s/.local/share%s", (int)kept, home,
                          replaysBelowData);
        game.replayFolderBase = (i32)kept;
    }
    if (length < 0 || (size_t)length >= sizeof game.replayFolder) game.replayFolder[0] = '\0';
}

// Makes each missing folder of `path` (one that ends in a slash) past its
// first `base` characters; the reason when one cannot be made, else null.
const char* makeFolders(char* path, int base) {
    for (char* end = path + base + 1; *end; end++) {
        if (*end != '/') continue;
        *end = '\0';
        int made = mkdir(path, 0700);
        int error = errno;
        *end = '/';
        if (made != 0 && error != EEXIST) return strerror(error);
    }
    return nullptr;
}

}  // namespace

void choosePaths(const char* executable) {
    // A build: everything relative to the working directory, the replays beside tarvo.ini.
    game.dataRoot[0] = '\0';
    snprintf(game.settingsPath, sizeof game.settingsPath, "%s", "tarvo.ini");
    game.settingsFolderBase = 0;
    snprintf(game.replayFolder, sizeof game.replayFolder, "%s", "replays");
    game.replayFolderBase = 0;

    const char* slash = executable ? strrchr(executable, '/') : nullptr;
    if (!slash) return;
    char candidate[PATH_MAX];
    int length = snprintf(candidate, sizeof candidate, "%.*s%s", (int)(slash - executable), executable,
                          installedData);
    if (length < 0 || (size_t)length >= sizeof candidate || !isDirectory(candidate)) return;
    if (!realpath(candidate, game.dataRoot)) {
        game.dataRoot[0] = '\0';
        return;
    }
    chooseSettingsPath();
    chooseReplayFolder();
}

const char* dataFile(const char* name) {
    if (!game.dataRoot[0] || strncmp(name, dataPrefix, dataPrefixLength) != 0) return name;
    snprintf(game.dataFileBuffer, sizeof game.dataFileBuffer, "%s/%s", game.dataRoot, name + dataPrefixLength);
    return game.dataFileBuffer;
}

const char* settingsFolderProblem() {
    char* path = game.settingsPath;
    if (!path[0]) return "no home folder to keep them in (HOME is not set to a full path)";
    char* fileStart = strrchr(path, '/');
    if (!fileStart) return nullptr;  // tarvo.ini in the working directory
    // Each folder from the one below the base down to the file's own, made when missing.
    char saved = fileStart[1];
    fileStart[1] = '\0';
    const char* problem = makeFolders(path, game.settingsFolderBase);
    fileStart[1] = saved;
    return problem;
}

const char* replayFolderProblem() {
    if (!game.replayFolder[0]) return "no home folder to keep them in (HOME is not set to a full path)";
    char folder[PATH_MAX + 1];
    snprintf(folder, sizeof folder, "%s/", game.replayFolder);
    return makeFolders(folder, game.replayFolderBase);
}
