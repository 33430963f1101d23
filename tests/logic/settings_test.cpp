// The settings file: what each kind of tarvo.ini reads as, saving that never loses the old file, and where it lives.
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/game_state.h"
#include "core/paths.h"
#include "core/settings.h"
#include "support/fake_platform.h"

namespace {

const char defaultFile[] =
    "music= 1\neffects= 1\nresolution= 1\nmode= 1\ndifficulty= 11.000000\n"
    "camAngleX= 0.000000\ncamAngleY= 0.000000\ncamAngleZ= 0.000000\ncamZoom= 0.000000\n"
    "p1name: \nplayer 1\np2name: \nplayer 2\n"
    "p1Up= 97\np1Down= 122\np1Pass= 32\np2Up= 101\np2Down= 103\np2Pass= 100\n";

// A file with one line (counted from 1) replaced.
std::string replaceLine(const std::string& file, int line, const std::string& text) {
    std::istringstream in(file);
    std::string out, current;
    for (int n = 1; std::getline(in, current); ++n) out += (n == line ? text : current) + "\n";
    return out;
}

std::string defaultWith(int line, const std::string& text) { return replaceLine(defaultFile, line, text); }

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void expectSettings(const GameState& want) {
    EXPECT_EQ(game.music, want.music);
    EXPECT_EQ(game.effects, want.effects);
    EXPECT_EQ(game.resolution, want.resolution);
    EXPECT_EQ(game.mode, want.mode);
    EXPECT_EQ(game.difficulty, want.difficulty);
    EXPECT_EQ(game.camAngleX, want.camAngleX);
    EXPECT_EQ(game.camAngleY, want.camAngleY);
    EXPECT_EQ(game.camAngleZ, want.camAngleZ);
    EXPECT_EQ(game.camZoom, want.camZoom);
    EXPECT_STREQ(game.p1name, want.p1name);
    EXPECT_STREQ(game.p2name, want.p2name);
    EXPECT_EQ(game.p1Up, want.p1Up);
    EXPECT_EQ(game.p1Down, want.p1Down);
    EXPECT_EQ(game.p1Pass, want.p1Pass);
    EXPECT_EQ(game.p2Up, want.p2Up);
    EXPECT_EQ(game.p2Down, want.p2Down);
    EXPECT_EQ(game.p2Pass, want.p2Pass);
    EXPECT_EQ(game.settingsFile, nullptr);
}

// How a save in a child process ended, and what it wrote on standard error.
struct ChildSave {
    int status;
    std::string errors;
};

// Runs `prepare` and then saveSettings in a child process, so a save can be
// limited or killed without touching the test process.
ChildSave saveInChild(const std::function<void()>& prepare) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 2);
        close(pipeEnds[0]);
        prepare();
        _exit(saveSettings() ? 0 : 1);
    }
    close(pipeEnds[1]);
    ChildSave result{};
    char buffer[256];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.errors.append(buffer, n);
    close(pipeEnds[0]);
    waitpid(child, &result.status, 0);
    return result;
}

class SettingsFile : public ::testing::Test {
protected:
    std::string home, dir;
    void SetUp() override {
        freshGame();
        home = std::filesystem::current_path();
        char pattern[] = "/tmp/tarvo-settings.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(home.c_str()), 0);
        chmod(dir.c_str(), 0700);
        std::filesystem::remove_all(dir);
    }
    void load(const std::string& text) {
        writeFile("tarvo.ini", text);
        loadSettings();
    }
    // Only tarvo.ini (and what the test itself made) is left: no half-written copy.
    void expectNoPendingCopy() { EXPECT_FALSE(std::filesystem::exists("tarvo.ini.new")); }
};

TEST_F(SettingsFile, WithoutAFileTheDefaultsHoldAndSavingWritesTheDefaultFile) {
    loadSettings();
    expectSettings(GameState{});
    testing::internal::CaptureStderr();
    EXPECT_TRUE(saveSettings());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(readFile("tarvo.ini"), defaultFile);
    expectNoPendingCopy();
}

TEST_F(SettingsFile, SavedSettingsReadBackWithFloatsToSixDecimals) {
    game.music = 0;
    game.resolution = 2;
    game.mode = 0;
    game.difficulty = 9.0f;
    game.camAngleX = 12.3456789f;
    game.camAngleY = -0.0000004f;
    game.camZoom = -1.25f;
    strcpy(game.p1name, "jo ann  ");  // blanks inside and at the end stay
    strcpy(game.p2name, "  lead");    // blanks at the start go
    game.p1Up = 0;
    game.p2Pass = 255;
    GameState want = game;
    want.camAngleX = 12.345679f;
    want.camAngleY = -0.0f;
    strcpy(want.p2name, "lead");
    saveSettings();
    freshGame();
    loadSettings();
    expectSettings(want);
}

// Each row: a whole file, and how the settings read from it differ from the defaults.
struct Reading {
    const char* what;
    std::string file;
    std::function<void(GameState&)> expected;
};

TEST_F(SettingsFile, FilesReadByPositionWithFormattedConversions) {
    const std::string longWord(4000, 'k');
    const Reading readings[] = {
        {"only the first four lines", "music= 0\neffects= 0\nresolution= 2\nmode= 0\n",
         [](GameState& s) { s.music = s.effects = 0; s.resolution = 2; s.mode = 0; }},
        {"a nine-character name shifts every later setting by one word",
         defaultWith(11, "abcdefghi"),
         [](GameState& s) {
             strcpy(s.p1name, "abcdefgh");
             strcpy(s.p2name, "p2name: ");
             s.p1Up = 2, s.p1Down = 97, s.p1Pass = 122, s.p2Up = 32, s.p2Down = 101, s.p2Pass = 103;
         }},
        {"a leading 0 means octal", defaultWith(14, "p1Up= 010"), [](GameState& s) { s.p1Up = 8; }},
        {"a leading 0x means hexadecimal", defaultWith(15, "p1Down= 0x1F"), [](GameState& s) { s.p1Down = 31; }},
        {"the sound flags keep the low 8 bits; any integer takes a sign and a base",
         "music= 256\neffects= -1\nresolution= -0x2\n",
         [](GameState& s) { s.music = 0; s.effects = 255; s.resolution = -2; }},
        {"a float without decimals", defaultWith(9, "camZoom= 1"),
         [](GameState& s) { s.camZoom = 1.0f; }},
        {"a float with an exponent", defaultWith(5, "difficulty= 1.3e1"), [](GameState& s) { s.difficulty = 13.0f; }},
        {"lines in another order assign in file order",
         "effects= 0\nmusic= 1\nresolution= 0\nmode= 0\n",
         [](GameState& s) { s.music = 0; s.effects = 1; s.resolution = 0; s.mode = 0; }},
        {"a word where a number belongs stores nothing and reading goes on from there",
         "music= on\neffects= 0\nresolution= 2\n",
         [](GameState& s) { s.resolution = 0; s.mode = 2; }},
        {"the file ends inside a line", "music= 0\neffects=", [](GameState& s) { s.music = 0; }},
        {"the file ends after a name's key word", "music= 1\neffects= 1\nresolution= 1\nmode= 1\n"
         "difficulty= 11\ncamAngleX= 0\ncamAngleY= 0\ncamAngleZ= 0\ncamZoom= 0\np1name: \n",
         [](GameState&) {}},
        {"line ends with a carriage return are blanks before a number and part of a name",
         "music= 0\r\neffects= 0\r\nresolution= 0\r\nmode= 0\r\ndifficulty= 9\r\ncamAngleX= 1\r\n"
         "camAngleY= 2\r\ncamAngleZ= 3\r\ncamZoom= 4\r\np1name: \r\nplayer 1\r\np2name: \r\nbob\r\n"
         "p1Up= 1\r\np1Down= 2\r\np1Pass= 3\r\np2Up= 4\r\np2Down= 5\r\np2Pass= 6\r\n",
         [](GameState& s) {
             s.music = s.effects = 0, s.resolution = s.mode = 0, s.difficulty = 9.0f;
             s.camAngleX = 1, s.camAngleY = 2, s.camAngleZ = 3, s.camZoom = 4;
             strcpy(s.p2name, "bob\r");
             s.p1Up = 1, s.p1Down = 2, s.p1Pass = 3, s.p2Up = 4, s.p2Down = 5, s.p2Pass = 6;
         }},
        {"a zero byte ends a name; a name line that starts with one keeps the previous name",
         replaceLine(defaultWith(11, std::string("ab\0cd", 5)), 13, std::string("\0xyz", 4)),
         [](GameState& s) { strcpy(s.p1name, "ab"); }},
        {"a key word of any length is skipped whole",
         longWord + " 0\n" + defaultWith(14, longWord + " 65").substr(9),
         [](GameState& s) { s.music = 0; s.p1Up = 65; }},
    };
    for (const Reading& reading : readings) {
        SCOPED_TRACE(reading.what);
        freshGame();
        load(reading.file);
        GameState want;
        reading.expected(want);
        expectSettings(want);
    }
}

// Values that would break the game keep whatever the setting held before the file was read.
TEST_F(SettingsFile, UnusableValuesKeepThePreviousSetting) {
    const char* difficulties[] = {"0", "-3", "-0", "nan", "inf", "-inf", "1e39"};
    for (const char* difficulty : difficulties) {
        SCOPED_TRACE(difficulty);
        freshGame();
        game.difficulty = 9.0f;
        load(defaultWith(5, std::string("difficulty= ") + difficulty));
        GameState want;
        want.difficulty = 9.0f;
        expectSettings(want);  // and every later line still read as usual
    }

    freshGame();
    game.camAngleX = 1, game.camAngleY = 2, game.camAngleZ = 3, game.camZoom = 4;
    game.p1Up = 65, game.p1Down = 66, game.p1Pass = 67, game.p2Pass = 68;
    GameState want = game;
    want.p2Up = 255;
    want.p2Down = 0;
    load("music= 1\neffects= 1\nresolution= 1\nmode= 1\ndifficulty= 11\n"
         "camAngleX= nan\ncamAngleY= inf\ncamAngleZ= -inf\ncamZoom= 1e39\n"
         "p1name: \nplayer 1\np2name: \nplayer 2\n"
         "p1Up= 300\np1Down= -5\np1Pass= 256\np2Up= 255\np2Down= 0\np2Pass= 4294967393\n");
    expectSettings(want);
}

TEST_F(SettingsFile, SavingReplacesTheFileKeepingItsAccessAndAnyLinkToIt) {
    writeFile("tarvo.ini", "old\n");
    chmod("tarvo.ini", 0640);
    saveSettings();
    EXPECT_EQ(readFile("tarvo.ini"), defaultFile);
    struct stat info;
    ASSERT_EQ(stat("tarvo.ini", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    expectNoPendingCopy();

    // A settings file kept elsewhere through a symbolic link stays linked.
    std::filesystem::create_directory("kept");
    std::filesystem::rename("tarvo.ini", "kept/tarvo.ini");
    std::filesystem::create_symlink("kept/tarvo.ini", "tarvo.ini");
    game.difficulty = 13.0f;
    saveSettings();
    EXPECT_TRUE(std::filesystem::is_symlink("tarvo.ini"));
    EXPECT_EQ(readFile("kept/tarvo.ini"), defaultWith(5, "difficulty= 13.000000"));
    EXPECT_FALSE(std::filesystem::exists("kept/tarvo.ini.new"));
}

// In a folder the player may not write, a settings file they may write is
// written in place; one they may not write either is reported and kept.
TEST_F(SettingsFile, SaveIntoAnUnwritableDirectoryWritesInPlaceOrReportsAndKeepsTheOldFile) {
    // The superuser writes anywhere; save as an ordinary user instead.
    auto asPlayer = [] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(77);
    };
    writeFile("tarvo.ini", std::string(400, '#') + "\n");
    ASSERT_EQ(chmod("tarvo.ini", 0666), 0);
    ASSERT_EQ(chmod(".", 0555), 0);
    ChildSave save = saveInChild(asPlayer);
    if (WIFEXITED(save.status) && WEXITSTATUS(save.status) == 77) GTEST_SKIP() << "cannot drop privileges";
    ASSERT_TRUE(WIFEXITED(save.status));
    EXPECT_EQ(WEXITSTATUS(save.status), 0);  // saveSettings said it saved
    EXPECT_EQ(save.errors, "");
    EXPECT_EQ(readFile("tarvo.ini"), defaultFile);  // the longer old text cut off
    expectNoPendingCopy();

    ASSERT_EQ(chmod("tarvo.ini", 0644), 0);
    save = saveInChild(asPlayer);
    ASSERT_TRUE(WIFEXITED(save.status));
    EXPECT_EQ(WEXITSTATUS(save.status), 1);
    EXPECT_EQ(save.errors, std::string("Settings saving failed: ") + strerror(EACCES) + "\n");
    EXPECT_EQ(readFile("tarvo.ini"), defaultFile);
    expectNoPendingCopy();
}

TEST_F(SettingsFile, ReadOnlyFileInAWritableDirectoryIsKept) {
    writeFile("tarvo.ini", "old\n");
    ASSERT_EQ(chmod("tarvo.ini", 0444), 0);
    ASSERT_EQ(chmod(".", 0777), 0);
    ChildSave save = saveInChild([] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(77);
    });
    if (WIFEXITED(save.status) && WEXITSTATUS(save.status) == 77) GTEST_SKIP() << "cannot drop privileges";
    ASSERT_TRUE(WIFEXITED(save.status));
    EXPECT_EQ(WEXITSTATUS(save.status), 1);
    EXPECT_EQ(save.errors, std::string("Settings saving failed: ") + strerror(EACCES) + "\n");
    EXPECT_EQ(readFile("tarvo.ini"), "old\n");
    expectNoPendingCopy();
}

TEST_F(SettingsFile, SaveThatCannotBeWrittenWholeReportsAndKeepsTheOldFile) {
    writeFile("tarvo.ini", "old\n");
    ChildSave save = saveInChild([] {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails, as on a full disk
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_TRUE(WIFEXITED(save.status));
    EXPECT_EQ(WEXITSTATUS(save.status), 1);
    EXPECT_EQ(save.errors, std::string("Settings saving failed: ") + strerror(EFBIG) + "\n");
    EXPECT_EQ(readFile("tarvo.ini"), "old\n");
    expectNoPendingCopy();
}

TEST_F(SettingsFile, SaveKilledBeforeTheRenameLeavesTheOldFileWhole) {
    writeFile("tarvo.ini", "old\n");
    ChildSave save = saveInChild([] {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        rlimit limit{64, 64};  // the process is killed by the write past the limit
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_TRUE(WIFSIGNALED(save.status));
    EXPECT_EQ(WTERMSIG(save.status), SIGXFSZ);
    EXPECT_EQ(readFile("tarvo.ini"), "old\n");

    // The half-written copy is not this save's own: the next save leaves it
    // alone and writes the settings file in place.
    std::string halfWritten = readFile("tarvo.ini.new");
    EXPECT_TRUE(saveSettings());
    EXPECT_EQ(readFile("tarvo.ini"), defaultFile);
    EXPECT_EQ(readFile("tarvo.ini.new"), halfWritten);
}

// ---- Where the files are: the working directory of a build, or the installed layout ----------

// A stand-in installation in the test's folder: usr/games/ and usr/share/games/tarvo-rink/.
// HOME and XDG_CONFIG_HOME are the test's own while it runs, and put back after.
class InstalledPaths : public SettingsFile {
protected:
    std::string installed, data, savedHome = getenv("HOME") ? getenv("HOME") : "";
    void SetUp() override {
        SettingsFile::SetUp();
        std::filesystem::create_directories("usr/games");
        std::filesystem::create_directories("usr/share/games/tarvo-rink");
        installed = dir + "/usr/games/tarvo-rink";
        data = dir + "/usr/share/games/tarvo-rink";
        putEnv("HOME", (dir + "/home").c_str());
        putEnv("XDG_CONFIG_HOME", nullptr);
    }
    void TearDown() override {
        putEnv("HOME", savedHome.c_str());
        SettingsFile::TearDown();
    }
    static void putEnv(const char* name, const char* value) {
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    std::string saveErrors() {
        testing::internal::CaptureStderr();
        saveSettings();
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(InstalledPaths, TheExecutablesPlaceTellsABuildFromAnInstalledGame) {
    for (std::string build : {dir + "/build/tarvo-rink", std::string("tarvo-rink"), std::string("")}) {
        SCOPED_TRACE(build);
        choosePaths(build.c_str());
        EXPECT_STREQ(game.dataRoot, "");
        EXPECT_STREQ(game.settingsPath, "tarvo.ini");
        EXPECT_STREQ(dataFile("data/pictures/menu/ground.jpg"), "data/pictures/menu/ground.jpg");
    }
    choosePaths(installed.c_str());
    EXPECT_EQ(game.dataRoot, data);
    EXPECT_EQ(std::string(dataFile("data/pictures/menu/ground.jpg")), data + "/pictures/menu/ground.jpg");
    EXPECT_EQ(std::string(dataFile("data/sound/ground2/out.wav")), data + "/sound/ground2/out.wav");
    EXPECT_STREQ(dataFile("/elsewhere/picture.jpg"), "/elsewhere/picture.jpg");
    EXPECT_EQ(game.settingsPath, dir + "/home/.config/tarvo-rink/tarvo.ini");
}

TEST_F(InstalledPaths, SettingsLiveInTheConfigurationFolderNamedByAFullPath) {
    struct Case {
        const char *home, *config, *settings;
    };
    const Case cases[] = {
        {"/home/ann", nullptr, "/home/ann/.config/tarvo-rink/tarvo.ini"},
        {"/home/ann/", "", "/home/ann/.config/tarvo-rink/tarvo.ini"},
        {"/home/ann", "cfg", "/home/ann/.config/tarvo-rink/tarvo.ini"},  // a relative one is ignored
        {"/home/ann", "/cfg/ann/", "/cfg/ann/tarvo-rink/tarvo.ini"},
        {nullptr, "/cfg", "/cfg/tarvo-rink/tarvo.ini"},
        {nullptr, nullptr, ""},
        {"", nullptr, ""},
        {"ann", "cfg", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.home ? c.home : "(unset)") + " " + (c.config ? c.config : "(unset)"));
        putEnv("HOME", c.home);
        putEnv("XDG_CONFIG_HOME", c.config);
        choosePaths(installed.c_str());
        EXPECT_STREQ(game.settingsPath, c.settings);
    }
}

TEST_F(InstalledPaths, TheFirstSaveMakesAPrivateFolderAndTheNextStartReadsIt) {
    std::filesystem::create_directory("home");
    choosePaths(installed.c_str());
    loadSettings();
    expectSettings(GameState{});
    game.difficulty = 9.0f;
    EXPECT_EQ(saveErrors(), "");
    EXPECT_EQ(readFile("home/.config/tarvo-rink/tarvo.ini"), defaultWith(5, "difficulty= 9.000000"));
    struct stat info;
    ASSERT_EQ(stat("home/.config/tarvo-rink", &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    freshGame();
    choosePaths(installed.c_str());
    loadSettings();
    EXPECT_EQ(game.difficulty, 9.0f);
    EXPECT_FALSE(std::filesystem::exists("tarvo.ini"));  // nothing in the working directory

    // XDG_CONFIG_HOME may name folders that do not exist yet.
    putEnv("XDG_CONFIG_HOME", (dir + "/home/xdg/deeper").c_str());
    choosePaths(installed.c_str());
    EXPECT_EQ(saveErrors(), "");
    EXPECT_EQ(readFile("home/xdg/deeper/tarvo-rink/tarvo.ini"), defaultWith(5, "difficulty= 9.000000"));
}

TEST_F(InstalledPaths, WithoutAUsableHomeTheDefaultsHoldAndTheSaveSaysWhy) {
    writeFile("tarvo.ini", defaultWith(5, "difficulty= 13"));  // never the installed game's
    putEnv("HOME", nullptr);
    choosePaths(installed.c_str());
    loadSettings();
    expectSettings(GameState{});
    EXPECT_EQ(saveErrors(), "Settings saving failed: no home folder to keep them in (HOME is not set to a full path)\n");
    EXPECT_EQ(readFile("tarvo.ini"), defaultWith(5, "difficulty= 13"));
    expectNoPendingCopy();

    // A home that is not there is not made.
    putEnv("HOME", (dir + "/gone").c_str());
    choosePaths(installed.c_str());
    EXPECT_EQ(saveErrors(), std::string("Settings saving failed: ") + strerror(ENOENT) + "\n");
    EXPECT_FALSE(std::filesystem::exists("gone"));

    // A home the player may not write.
    std::filesystem::create_directory("locked");
    ASSERT_EQ(chmod("locked", 0555), 0);
    ASSERT_EQ(chmod(".", 0755), 0);
    putEnv("HOME", (dir + "/locked").c_str());
    choosePaths(installed.c_str());
    ChildSave save = saveInChild([] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(77);
    });
    if (WIFEXITED(save.status) && WEXITSTATUS(save.status) == 77) GTEST_SKIP() << "cannot drop privileges";
    EXPECT_EQ(save.errors, std::string("Settings saving failed: ") + strerror(EACCES) + "\n");
    EXPECT_FALSE(std::filesystem::exists("locked/.config"));
}

}  // namespace
