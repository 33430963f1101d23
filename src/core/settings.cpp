// The settings file tarvo.ini: read once at start, written when the player quits through the menu.
//
// Where it lives is chosen at start (paths.cpp): tarvo.ini in the working
// directory for a game run from its build, the player's configuration folder for
// an installed one.
//
// The file is 19 lines of "key word, value" read by position: the key words are
// for the person editing the file and are skipped unread, so a file with its
// lines in another order assigns its values in file order. Every read is a
// formatted conversion; one that finds no number (or the end of the file)
// stores nothing and the next one carries on from where it stopped.
//
// Only the C library and POSIX are used here, so the reader can be built and
// fuzzed on its own without the window and sound libraries.
#include "core/settings.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/game_state.h"
#include "core/paths.h"

// Appended to the settings file's path while a new copy is being written.
static const char pendingSuffix[] = ".new";

// ---- Reading ----------------------------------------------------------------

// One "key word, integer" line: the word (of any length) is read and dropped,
// the integer takes any base the way %i does (0x.. hex, 0.. octal, else decimal).
static bool readInteger(long long* value) {
    return fscanf(game.settingsFile, "%*s %lli\n", value) == 1;
}

// One "key word, decimal number" line, the number kept as a 32-bit float.
static bool readFloat(f32* value) {
    return fscanf(game.settingsFile, "%*s %f\n", value) == 1;
}

// The low 32 bits of a number read, as a signed value (what an int would hold).
static i32 low32(long long value) {
    return (i32)(u32)(unsigned long long)value;
}

static void readFlag(u8* flag) {
    long long value;
    if (readInteger(&value)) *flag = (u8)(value & 0xFF);  // a byte keeps the low 8 bits
}

static void readWhole(i32* setting) {
    long long value;
    if (readInteger(&value)) *setting = low32(value);
}

// A key code indexes the held-key table, so one outside 0-255 is not taken.
static void readBinding(i32* binding) {
    long long value;
    if (readInteger(&value) && value >= 0 && value < KEY_CODES) *binding = (i32)value;
}

// The difficulty divides every speed of the match: only a finite number above 0 will do.
static void readDifficulty() {
    f32 value;
    if (readFloat(&value) && std::isfinite(value) && value > 0.0f) game.difficulty = value;
}

// A camera turn or zoom must be finite or the whole match view is lost.
static void readCamera(f32* setting) {
    f32 value;
    if (readFloat(&value) && std::isfinite(value)) *setting = value;
}

// The key word line ("p1name:"), then the name: the rest of the next line up to
// its end, at most 8 characters. Blanks that start the line are skipped with the
// line end before it; what is left of a longer line is read as the next key word.
// A line that starts with a zero byte holds no name at all: taken, it would be
// saved as an empty line that the next start skips, shifting every later setting.
static void readName(char* name) {
    char line[9];
    fscanf(game.settingsFile, "%*s\n");
    if (fscanf(game.settingsFile, "%8[^\n]", line) == 1 && line[0] != '\0')
        memcpy(name, line, strlen(line) + 1);
}

void loadSettings() {
    game.settingsFile = fopen(game.settingsPath, "r");
    if (!game.settingsFile) return;  // no file: every setting keeps its default
    readFlag(&game.music);
    readFlag(&game.effects);
    readWhole(&game.resolution);
    readWhole(&game.mode);
    readDifficulty();
    readCamera(&game.camAngleX);
    readCamera(&game.camAngleY);
    readCamera(&game.camAngleZ);
    readCamera(&game.camZoom);
    readName(game.p1name);
    readName(game.p2name);
    readBinding(&game.p1Up);
    readBinding(&game.p1Down);
    readBinding(&game.p1Pass);
    readBinding(&game.p2Up);
    readBinding(&game.p2Down);
    readBinding(&game.p2Pass);
    fclose(game.settingsFile);
    game.settingsFile = nullptr;
}

// ---- Writing ----------------------------------------------------------------

// The 19 lines; false as soon as one cannot be written.
static bool writeLines(FILE* file) {
    bool ok = fprintf(file, "%s %i\n", "music=", (int)game.music) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "effects=", (int)game.effects) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "resolution=", (int)game.resolution) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "mode=", (int)game.mode) >= 0;
    ok = ok && fprintf(file, "%s %f\n", "difficulty=", (double)game.difficulty) >= 0;
    ok = ok && fprintf(file, "%s %f\n", "camAngleX=", (double)game.camAngleX) >= 0;
    ok = ok && fprintf(file, "%s %f\n", "camAngleY=", (double)game.camAngleY) >= 0;
    ok = ok && fprintf(file, "%s %f\n", "camAngleZ=", (double)game.camAngleZ) >= 0;
    ok = ok && fprintf(file, "%s %f\n", "camZoom=", (double)game.camZoom) >= 0;
    ok = ok && fprintf(file, "%s \n%s\n", "p1name:", game.p1name) >= 0;
    ok = ok && fprintf(file, "%s \n%s\n", "p2name:", game.p2name) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "p1Up=", (int)game.p1Up) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "p1Down=", (int)game.p1Down) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "p1Pass=", (int)game.p1Pass) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "p2Up=", (int)game.p2Up) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "p2Down=", (int)game.p2Down) >= 0;
    ok = ok && fprintf(file, "%s %i\n", "p2Pass=", (int)game.p2Pass) >= 0;
    return ok;
}

// Makes the rename itself durable; a failure here changes nothing already done.
static void syncDirectoryOf(const char* path) {
    char directory[PATH_MAX];
    const char* slash = strrchr(path, '/');
    if (!slash) {
        strcpy(directory, ".");
    } else if (slash == path) {
        strcpy(directory, "/");
    } else {
        size_t length = (size_t)(slash - path);
        if (length >= sizeof directory) return;
        memcpy(directory, path, length);
        directory[length] = '\0';
    }
    int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Writes the 19 lines through an open descriptor, puts them on the disk and
// closes it; 0, or the reason it failed. Written in place, the file is cut to
// the new length only once the new text is whole, so a failure partway never
// leaves it empty.
static int writeAndClose(int fd, bool cutToLength) {
    game.settingsFile = fdopen(fd, "w");
    if (!game.settingsFile) {
        int failure = errno;
        close(fd);
        return failure;
    }
    int failure = 0;
    errno = 0;
    if (!writeLines(game.settingsFile) || fflush(game.settingsFile) != 0) failure = errno ? errno : EIO;
    if (!failure && cutToLength) {
        long length = ftell(game.settingsFile);
        if (length < 0 || ftruncate(fd, length) != 0) failure = errno;
    }
    if (!failure && fsync(fd) != 0) failure = errno;
    if (fclose(game.settingsFile) != 0 && !failure) failure = errno;
    game.settingsFile = nullptr;
    return failure;
}

// The safe save: the new settings go to a file beside the old one and replace
// it by a rename only once they are complete and on the disk, so a full disk, a
// crash or a killed process leaves the player's old settings whole. Sets *made
// when the new file was created; when it was not, nothing has been touched.
static int saveBeside(const char* target, const char* pending, bool* made) {
    // Created here and nowhere else: a file of that name already there (left by
    // a save cut short, or the player's own) is neither written through nor removed.
    int fd = open(pending, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    *made = fd >= 0;
    if (fd < 0) return errno;
    // Keep the access the player gave the old file.
    struct stat old;
    if (stat(target, &old) == 0) fchmod(fd, old.st_mode & 07777);
    int failure = writeAndClose(fd, false);
    if (!failure && rename(pending, target) != 0) failure = errno;
    if (failure)
        unlink(pending);
    else
        syncDirectoryOf(target);
    return failure;
}

// Where no new file can be made beside it (a folder the player may not write
// holding a settings file they may), the settings file is written in place.
static int saveInPlace(const char* target) {
    int fd = open(target, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    return writeAndClose(fd, true);
}

// A save that fails says why in one line and leaves the old file as it was;
// the caller ends the game with a status that says the settings were lost.
bool saveSettings() {
    // No home to keep them in, or no way to make their folder there.
    if (const char* problem = settingsFolderProblem()) {
        fprintf(stderr, "Settings saving failed: %s\n", problem);
        return false;
    }
    const char* settingsName = game.settingsPath;
    // Through a symbolic link the settings live beside the link's target, and
    // the link stays in place.
    char* resolved = realpath(settingsName, nullptr);
    const char* target = resolved ? resolved : settingsName;
    char pending[PATH_MAX + sizeof pendingSuffix];
    snprintf(pending, sizeof pending, "%s%s", target, pendingSuffix);

    int failure = 0;
    // A settings file the player has made read-only is theirs to keep: the new
    // file would otherwise be renamed over it in a writable folder.
    if (access(target, F_OK) == 0 && access(target, W_OK) != 0) failure = errno;
    if (!failure) {
        bool made;
        failure = saveBeside(target, pending, &made);
        if (failure && !made) failure = saveInPlace(target);
    }
    if (failure) fprintf(stderr, "Settings saving failed: %s\n", strerror(failure));
    free(resolved);
    return failure == 0;
}
