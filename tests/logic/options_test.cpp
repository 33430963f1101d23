// The command line: what each one asks for, the screen it chooses for one run only, and its mistakes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/game_state.h"
#include "app/options.h"
#include "core/settings.h"
#include "app/version.h"
#include "support/fake_platform.h"

namespace {

struct Parsed {
    int status;
    std::string out, errors;
};

// Parses the words after the program's name, as main receives them.
Parsed parse(std::vector<std::string> words) {
    words.insert(words.begin(), "tarvo-rink");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = parseOptions((int)words.size(), argv.data());
    Parsed parsed{status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    return parsed;
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }
std::string secondLine(const std::string& text) { return firstLine(text.substr(text.find('\n') + 1)); }

TEST(Options, ScreenChoicesForThisRun) {
    struct Case {
        std::vector<std::string> words;
        int mode, resolution;
    };
    const Case cases[] = {
        {{}, -1, -1},
        {{"--window"}, 0, -1},
        {{"--fullscreen"}, 1, -1},
        {{"--fullscreen", "--window"}, 0, -1},  // the last one given counts
        {{"--size", "640x480"}, -1, 0},
        {{"--size=1024x768", "--size", "800x600"}, -1, 1},
        {{"--win", "--si=1024x768"}, 0, 2},  // any unambiguous start of a name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.words));
        freshGame();
        Parsed parsed = parse(c.words);
        EXPECT_EQ(parsed.status, OPTIONS_RUN);
        EXPECT_EQ(parsed.out + parsed.errors, "");
        EXPECT_EQ(game.optionMode, c.mode);
        EXPECT_EQ(game.optionResolution, c.resolution);
    }
}

// Network play: the role, the host a guest joins, and the port (HOST:PORT's,
// else --port's, else the game's own).
TEST(Options, NetworkPlayChoosesARoleAHostAndAPort) {
    struct Case {
        std::vector<std::string> words;
        int role;
        const char* host;
        int port;
        const char* code = "";
    };
    const Case cases[] = {
        {{}, NET_ROLE_NONE, "", 0},
        {{"--host"}, NET_ROLE_HOST, "", 47312},
        {{"--host", "--port", "5000", "--no-port-mapping"}, NET_ROLE_HOST, "", 5000},
        {{"--join", "example.org"}, NET_ROLE_GUEST, "example.org", 47312},
        {{"--join=10.0.0.2:6000", "--port=7"}, NET_ROLE_GUEST, "10.0.0.2", 6000},
        {{"--port", "7", "--join", "h"}, NET_ROLE_GUEST, "h", 7},
        // With a lobby, a room's code (in either case) is met through it; a port makes it a host's name.
        {{"--join", "k7m2qx", "--lobby", "192.0.2.1:1884"}, NET_ROLE_GUEST, "", 47312, "K7M2QX"},
        {{"--join", "k7m2qx"}, NET_ROLE_GUEST, "k7m2qx", 47312},
        {{"--lobby=l", "--watch", "K7M2QX:5001"}, NET_ROLE_WATCHER, "K7M2QX", 5001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.words));
        freshGame();
        Parsed parsed = parse(c.words);
        EXPECT_EQ(parsed.status, OPTIONS_RUN);
        EXPECT_EQ(game.netRole, c.role);
        EXPECT_STREQ(game.netHostName, c.host);
        EXPECT_STREQ(game.meetCode, c.code);
        EXPECT_EQ(game.netPort, c.port);
        EXPECT_EQ(game.portMapping, c.port != 5000);  // the router is asked unless told not to
    }
    EXPECT_EQ(game.lobbyPort, LOBBY_DEFAULT_PORT);
    // The lobby file beside the settings, its comments passed over, when --lobby is not given.
    char folder[] = "/tmp/tarvo-lobby.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::ofstream(std::string(folder) + "/lobby") << "# a friend's\n  lobby.example.org:1884\n";
    freshGame();
    snprintf(game.settingsPath, sizeof game.settingsPath, "%s/tarvo.ini", folder);
    EXPECT_EQ(parse({"--host"}).status, OPTIONS_RUN);
    EXPECT_STREQ(game.lobbyHost, "lobby.example.org");
    EXPECT_EQ(game.lobbyPort, 1884);
    EXPECT_EQ(parse({"--lobby", "192.0.2.9"}).status, OPTIONS_RUN);
    EXPECT_STREQ(game.lobbyHost, "192.0.2.9");
    EXPECT_EQ(parse({"--lobby", "h:0"}).status, 2);
    std::remove((std::string(folder) + "/lobby").c_str());
    rmdir(folder);
}

TEST(Options, HelpAndVersionPrintAndEndWithZero) {
    freshGame();
    Parsed version = parse({"--version", "--bogus"});  // ends at --version, before the mistake
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("tarvo-rink ") + TARVO_VERSION + "\n");
    EXPECT_EQ(version.errors, "");

    // The usage, and where this run keeps its settings: in a build, installed, or nowhere.
    Parsed help = parse({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(firstLine(help.out), "Usage: tarvo-rink [OPTION]...");
    EXPECT_NE(help.out.find("Settings are kept in tarvo.ini in the working directory\n"), std::string::npos);
    snprintf(game.settingsPath, sizeof game.settingsPath, "/home/ann/.config/tarvo-rink/tarvo.ini");
    EXPECT_NE(parse({"--help"}).out.find("Settings are kept in /home/ann/.config/tarvo-rink/tarvo.ini\n"),
              std::string::npos);
    game.settingsPath[0] = '\0';
    EXPECT_NE(parse({"--help"}).out.find("Settings cannot be kept"), std::string::npos);
}

// One line that says what was wrong, then the usage, all on standard error; status 2;
// no screen choice made.
TEST(Options, MistakesEndWithTwoAndTheUsage) {
    const std::vector<std::string> mistakes[] = {
        {"--size", "800x601"}, {"--size=1024x768x"}, {"--window", "--size"}, {"--bogus"},
        {"-w"},                {"--help=yes"},       {"--window", "stray"},
        {"--host", "--join", "h"}, {"--host", "--port", "0"}, {"--port", "5"}, {"--join", ":5"}, {"--join", "h:x"},
    };
    for (const std::vector<std::string>& words : mistakes) {
        SCOPED_TRACE(testing::PrintToString(words));
        freshGame();
        Parsed parsed = parse(words);
        EXPECT_EQ(parsed.status, 2);
        EXPECT_EQ(parsed.out, "");
        EXPECT_EQ(firstLine(parsed.errors).rfind("tarvo-rink: ", 0), 0u) << parsed.errors;
        EXPECT_EQ(secondLine(parsed.errors), "Usage: tarvo-rink [OPTION]...");
        EXPECT_EQ(game.optionResolution, -1);
    }
}

// The screen a run uses comes from the command line, but the save writes what the file said.
TEST(Options, TheRunsScreenIsNeverSaved) {
    freshGame();
    const std::string head = "music= 1\neffects= 1\nresolution= 2\nmode= 0\n";
    char file[] = "/tmp/tarvo-options.XXXXXX";
    int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, head.data(), head.size()), (ssize_t)head.size());
    close(fd);
    snprintf(game.settingsPath, sizeof game.settingsPath, "%s", file);
    loadSettings();
    EXPECT_EQ(runMode(), 0);
    EXPECT_EQ(runResolution(), 2);
    ASSERT_EQ(parse({"--fullscreen", "--size", "640x480"}).status, OPTIONS_RUN);
    EXPECT_EQ(runMode(), 1);
    EXPECT_EQ(runResolution(), 0);
    saveSettings();
    std::ifstream saved(file);
    std::string lines((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_EQ(lines.substr(0, head.size()), head);
    remove(file);
}

}  // namespace
