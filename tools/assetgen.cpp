// The asset generator: makes every picture and sound of the game into a data directory, on all cores.
//
// Usage: tarvo-assetgen [--fonts DIR] [--icons] OUTPUT_DIR
// Writes OUTPUT_DIR/pictures/... (59 JPEGs) and OUTPUT_DIR/sound/... (12 WAVs), and removes
// any other file from those seven folders, so the folder holds exactly the game's set.
// With --icons it writes the desktop icons instead, in the layout of an icon theme:
// OUTPUT_DIR/SIZExSIZE/apps/tarvo-rink.png at 48, 64, 128 and 256 pixels.
// The bytes are the same on every run: all randomness comes from fixed seeds.
#include <sys/stat.h>
#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "assets.h"
#include "picture_io.h"

namespace {

struct PictureJob {
    const char* path;  // below OUTPUT_DIR/pictures
    Image (*make)();
    int width, height;  // what the maker must deliver: powers of two
};

Image neonFloor0() { return makeNeonFloor(0); }
Image neonFloor1() { return makeNeonFloor(1); }
Image neonFloor2() { return makeNeonFloor(2); }
Image neonFloor3() { return makeNeonFloor(3); }
Image neonFloor4() { return makeNeonFloor(4); }
Image neonFloor5() { return makeNeonFloor(5); }

// The heaviest first, so the workers finish together.
const PictureJob PICTURES[] = {
    {"others/back.jpg", makeSpaceBackdrop, 1024, 1024},
    {"menu/ground2.jpg", makeNeonPreview, 256, 256},
    {"others/logol.jpg", makeLogoLeft, 512, 512},
    {"others/logor.jpg", makeLogoRight, 512, 512},
    {"menu/ground.jpg", makeMenuBackground, 512, 1024},
    {"others/back2.jpg", makeTennisBackdrop, 1024, 1024},
    {"menu/ground1.jpg", makeTennisPreview, 256, 256},
    {"ground/0.jpg", neonFloor0, 512, 512},
    {"ground/1.jpg", neonFloor1, 512, 512},
    {"ground/2.jpg", neonFloor2, 512, 512},
    {"ground/3.jpg", neonFloor3, 512, 512},
    {"ground/4.jpg", neonFloor4, 512, 512},
    {"ground/5.jpg", neonFloor5, 512, 512},
    {"ground/11.jpg", makeTennisFloor, 512, 512},
    {"others/font1.jpg", makeFont1, 512, 512},
    {"others/font2.jpg", makeFont2, 512, 512},
    {"ground/9.jpg", makeMetalOuterFaces, 1024, 256},
    {"ground/15.jpg", makeTennisOuterFaces, 1024, 256},
    {"ground/8.jpg", makeMetalInnerFaces, 1024, 128},
    {"ground/14.jpg", makeTennisInnerFaces, 1024, 128},
    {"others/panel.jpg", makePanel, 1024, 64},
    {"ground/7.jpg", makeMetalBoardTops, 1024, 64},
    {"ground/13.jpg", makeTennisBoardTops, 1024, 64},
    {"menu/logo.jpg", makeMenuLogo, 256, 128},
    {"others/window.jpg", makeWindow, 512, 512},
    {"ground/17.jpg", makeEnergyField, 512, 128},
    {"ground/18.jpg", makeTennisNet, 512, 128},
    {"others/ball.jpg", makePlasmaBall, 256, 128},
    {"others/ball2.jpg", makeTennisBall, 256, 128},
    {"menu/trlogo.jpg", makeTitle, 512, 128},
    {"ground/6.jpg", makeMetalSlabEnds, 256, 64},
    {"ground/12.jpg", makeTennisSlabEnds, 256, 64},
    {"ground/10.jpg", makeMetalBoardEnds, 64, 256},
    {"ground/16.jpg", makeTennisBoardEnds, 64, 256},
    {"others/board.jpg", makeNeonBat, 256, 64},
    {"others/board2.jpg", makeTennisBat, 256, 64},
    {"menu/glow.jpg", makeGlow, 256, 256},
    {"menu/check.jpg", makeCheck, 64, 64},
    {"menu/single.jpg", makeButtonSingle, 256, 64},
    {"menu/multi.jpg", makeButtonMulti, 256, 64},
    {"menu/settings.jpg", makeButtonSettings, 256, 64},
    {"menu/exit.jpg", makeButtonExit, 256, 64},
    {"menu/easy.jpg", makeButtonEasy, 256, 64},
    {"menu/normal.jpg", makeButtonNormal, 256, 64},
    {"menu/hard.jpg", makeButtonHard, 256, 64},
    {"menu/player1k.jpg", makeButtonPlayer1Keys, 256, 64},
    {"menu/player2k.jpg", makeButtonPlayer2Keys, 256, 64},
    {"menu/player1n.jpg", makeButtonPlayer1Name, 256, 64},
    {"menu/player2n.jpg", makeButtonPlayer2Name, 256, 64},
    {"menu/close.jpg", makeButtonClose, 256, 64},
    {"menu/yes.jpg", makeButtonYes, 128, 64},
    {"menu/no.jpg", makeButtonNo, 128, 64},
    {"menu/local.jpg", makeButtonLocal, 256, 64},
    {"menu/host.jpg", makeButtonHost, 256, 64},
    {"menu/join.jpg", makeButtonJoin, 256, 64},
    {"menu/back.jpg", makeButtonBack, 256, 64},
    {"menu/address.jpg", makeButtonAddress, 256, 64},
    {"menu/watch.jpg", makeButtonWatch, 256, 64},
    {"menu/watchoff.jpg", makeButtonWatchOff, 256, 64},
};

struct SoundJob {
    const char* path;  // below OUTPUT_DIR/sound
    Sound (*make)();
};

const SoundJob SOUNDS[] = {
    {"menu/music.wav", makeMenuMusic},       {"ground2/music.wav", makeNeonMusic},
    {"ground1/music.wav", makeTennisMusic},  {"other/explode.wav", makeExplosion},
    {"menu/menu.wav", makeMenuClick},        {"menu/over.wav", makeMenuBlip},
    {"ground1/mantinel.wav", makeWoodThud},  {"ground1/player.wav", makeRacketPock},
    {"ground1/out.wav", makeWhistle},        {"ground2/mantinel.wav", makeMetalZap},
    {"ground2/player.wav", makeLaserPing},   {"ground2/out.wav", makeSynthAlarm},
};

const char* const FOLDERS[] = {"pictures/ground", "pictures/others", "pictures/menu", "sound/other",
                               "sound/menu",      "sound/ground1",   "sound/ground2"};

const int JPEG_QUALITY = 94;
const size_t PICTURE_COUNT = sizeof(PICTURES) / sizeof(PICTURES[0]);
const size_t SOUND_COUNT = sizeof(SOUNDS) / sizeof(SOUNDS[0]);

std::string outputRoot;
std::mutex reportLock;
std::atomic<bool> failed{false};
std::atomic<size_t> nextJob{0};

void report(const std::string& line) {
    std::lock_guard<std::mutex> hold(reportLock);
    fprintf(stderr, "tarvo-assetgen: %s\n", line.c_str());
}

bool makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return true;
    report(path + ": " + strerror(errno));
    return false;
}

// Writes through a temporary name, so a folder never holds half a file.
bool publish(const std::string& finalPath, const std::string& temporary, bool written, const std::string& error) {
    if (!written) {
        report(error);
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), finalPath.c_str()) != 0) {
        report(finalPath + ": " + strerror(errno));
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void runPicture(const PictureJob& job) {
    Image image = job.make();
    if (failed) return;
    std::string path = outputRoot + "/pictures/" + job.path;
    if (image.w != job.width || image.h != job.height) {
        report(path + ": made " + std::to_string(image.w) + "x" + std::to_string(image.h) + ", wanted " +
               std::to_string(job.width) + "x" + std::to_string(job.height));
        failed = true;
        return;
    }
    std::vector<uint8_t> bytes = toBytes(image);
    std::string error, temporary = path + ".part";
    bool written = writeJpeg(temporary, image.w, image.h, 3, bytes.data(), JPEG_QUALITY, &error);
    if (!publish(path, temporary, written, error)) failed = true;
}

void runSound(const SoundJob& job) {
    Sound sound = job.make();
    std::string path = outputRoot + "/sound/" + job.path;
    std::string error, temporary = path + ".part";
    bool written = writeWav(temporary, sound, &error);
    if (!publish(path, temporary, written, error)) failed = true;
}

void worker() {
    for (;;) {
        size_t job = nextJob++;
        if (failed || job >= PICTURE_COUNT + SOUND_COUNT) return;
        // The three tunes, the longest sounds, go first beside the big pictures; the
        // short effects fill in at the end.
        if (job < SOUND_COUNT / 4) {
            runSound(SOUNDS[job]);
        } else if (job < SOUND_COUNT / 4 + PICTURE_COUNT) {
            runPicture(PICTURES[job - SOUND_COUNT / 4]);
        } else {
            runSound(SOUNDS[job - PICTURE_COUNT]);
        }
    }
}

// Removes every file in the seven folders that is not one of ours.
void removeStrays() {
    std::set<std::string> ours;
    for (const PictureJob& job : PICTURES) ours.insert(std::string("pictures/") + job.path);
    for (const SoundJob& job : SOUNDS) ours.insert(std::string("sound/") + job.path);
    for (const char* folder : FOLDERS) {
        std::string path = outputRoot + "/" + folder;
        DIR* dir = opendir(path.c_str());
        if (!dir) continue;
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            std::string relative = std::string(folder) + "/" + name;
            struct stat info;
            std::string full = path + "/" + name;
            if (ours.count(relative) || lstat(full.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
            if (unlink(full.c_str()) != 0) report(full + ": " + strerror(errno));
        }
        closedir(dir);
    }
}

// The icons at the sizes desktops ask for most, each drawn at its own size.
int writeIcons() {
    const int sizes[] = {48, 64, 128, 256};
    for (int size : sizes) {
        std::string folder = outputRoot + "/" + std::to_string(size) + "x" + std::to_string(size);
        if (!makeFolder(folder) || !makeFolder(folder + "/apps")) return 1;
        Icon icon = makeIcon(size);
        std::vector<uint8_t> rgb = toBytes(icon.colour), rgba((size_t)size * size * 4);
        for (size_t i = 0; i < (size_t)size * size; i++) {
            for (int c = 0; c < 3; c++) rgba[i * 4 + c] = rgb[i * 3 + c];
            rgba[i * 4 + 3] = (uint8_t)std::lround(clamp01(icon.alpha.a[i]) * 255.0f);
        }
        std::string path = folder + "/apps/tarvo-rink.png", error, temporary = path + ".part";
        if (!publish(path, temporary, writePng(temporary, size, size, rgba.data(), &error), error)) return 1;
    }
    return 0;
}

}  // namespace

Typeface* needTypeface(const char* file) {
    std::string error;
    Typeface* face = openTypeface(fontPath(file), &error);
    if (!face) {
        report(error + " (the DejaVu fonts come with the fonts-dejavu-core package)");
        _exit(1);
    }
    return face;
}

int main(int argc, char** argv) {
    int at = 1;
    if (at + 1 < argc && strcmp(argv[at], "--fonts") == 0) {
        fontDirectory = argv[at + 1];
        at += 2;
    }
    bool icons = at < argc && strcmp(argv[at], "--icons") == 0;
    if (icons) at++;
    if (at + 1 != argc) {
        fprintf(stderr, "usage: %s [--fonts DIR] [--icons] OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    outputRoot = argv[at];
    if (icons) return makeFolder(outputRoot) ? writeIcons() : 1;
    if (!makeFolder(outputRoot) || !makeFolder(outputRoot + "/pictures") || !makeFolder(outputRoot + "/sound"))
        return 1;
    for (const char* folder : FOLDERS)
        if (!makeFolder(outputRoot + "/" + folder)) return 1;

    unsigned cores = std::thread::hardware_concurrency();
    unsigned workers = cores == 0 ? 2 : (cores > 8 ? 8 : cores);
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < workers; i++) threads.emplace_back(worker);
    worker();
    for (std::thread& thread : threads) thread.join();
    if (failed) return 1;
    removeStrays();
    return 0;
}
