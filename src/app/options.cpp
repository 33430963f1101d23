// The command line: --help, --version, the screen for this run only (--window, --fullscreen, --size), network play, a replay.
//
// One row per option below gives its name, its argument and its line in the
// usage; the parser is the C library's getopt_long, so the options behave as in
// every GNU program. A new option is a row here and a case in parseOptions.
#include "app/options.h"

#include <getopt.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/game_state.h"
#include "app/version.h"
#include "net/lobby.h"
#include "net/lobby_messages.h"
#include "net/protocol.h"

namespace {

enum {
    OPTION_WINDOW = 256,
    OPTION_FULLSCREEN,
    OPTION_SIZE,
    OPTION_HOST,
    OPTION_PORT,
    OPTION_JOIN,
    OPTION_WATCH,
    OPTION_REPLAY,
    OPTION_NO_PORT_MAPPING,
    OPTION_LOBBY,
    OPTION_PRIVATE,
    OPTION_HELP,
    OPTION_VERSION
};

struct OptionRow {
    const char* name;
    const char* argument;  // null for an option without one
    int id;
    const char* help;
};

const OptionRow OPTION_ROWS[] = {
    {"window", nullptr, OPTION_WINDOW, "play in a window (this run only)"},
    {"fullscreen", nullptr, OPTION_FULLSCREEN, "play full screen (this run only)"},
    {"size", "WIDTHxHEIGHT", OPTION_SIZE, "640x480, 800x600 or 1024x768 (this run only)"},
    {"host", nullptr, OPTION_HOST, "host a network game: the guest plays player 2"},
    {"port", "N", OPTION_PORT, "the host's port (47312 unless given)"},
    {"join", "HOST[:PORT]", OPTION_JOIN, "join the network game HOST hosts (or room CODE)"},
    {"watch", "HOST[:PORT]", OPTION_WATCH, "watch the network game HOST hosts, live (or room CODE)"},
    {"replay", "FILE", OPTION_REPLAY, "watch a kept match again, then go on to the menu"},
    {"no-port-mapping", nullptr, OPTION_NO_PORT_MAPPING, "when hosting, do not ask the router to open the port"},
    {"lobby", "HOST[:PORT]", OPTION_LOBBY, "meet friends anywhere through this lobby (port 1883)"},
    {"private", nullptr, OPTION_PRIVATE, "when hosting with a lobby, list no room: found by its code"},
    {"help", nullptr, OPTION_HELP, "show this help and exit"},
    {"version", nullptr, OPTION_VERSION, "show the version and exit"},
};
const int OPTION_COUNT = sizeof OPTION_ROWS / sizeof OPTION_ROWS[0];

// The sizes --size offers, by `resolution` value.
const char* const SIZES[] = {"640x480", "800x600", "1024x768"};

void printUsage(FILE* stream) {
    fprintf(stream, "Usage: tarvo-rink [OPTION]...\n"
                    "A 3D arcade ball game for one or two players at one keyboard.\n\nOptions:\n");
    for (const OptionRow& row : OPTION_ROWS) {
        char left[40];
        snprintf(left, sizeof left, "--%s%s%s", row.name, row.argument ? " " : "", row.argument ? row.argument : "");
        fprintf(stream, "  %-20s %s\n", left, row.help);
    }
    fprintf(stream, "\nThe menu's \"two players\" page hosts and joins network games too; hosts on\n"
                    "the local network are found through UDP port 47313.\n"
                    "A host asks its router to forward its UDP port (NAT-PMP, then UPnP) and\n"
                    "says what friends on the internet join; where the router opens none, only\n"
                    "the local network can join, unless the port is forwarded on it by hand.\n"
                    "With a lobby (--lobby, or HOST[:PORT] in the file lobby beside the\n"
                    "settings), a host gets a room code, --host prints \"room CODE\", and a\n"
                    "friend anywhere joins by it (--join CODE) through both routers.\n");
    if (game.settingsPath[0] == '/')
        fprintf(stream, "\nSettings are kept in %s\n", game.settingsPath);
    else if (game.settingsPath[0])
        fprintf(stream, "\nSettings are kept in %s in the working directory\n", game.settingsPath);
    else
        fprintf(stream, "\nSettings cannot be kept: HOME is not set to a full path\n");
    if (game.replayFolder[0] == '/')
        fprintf(stream, "Every match is kept in %s (the newest also as last.replay)\n", game.replayFolder);
    else if (game.replayFolder[0])
        fprintf(stream, "Every match is kept in %s/ in the working directory (the newest also as last.replay)\n",
                game.replayFolder);
}

// Standard output that could not be written (a closed pipe, a full disk) is a
// failure, not a help shown.
int finishOutput(const char* program) {
    if (fflush(stdout) == 0 && !ferror(stdout)) return 0;
    fprintf(stderr, "%s: write error on standard output\n", program);
    return 1;
}

// After the one line that says what was wrong: the usage, and the status of a mistake.
int mistake() {
    printUsage(stderr);
    return 2;
}

}  // namespace

int parseOptions(int argc, char** argv) {
    option table[OPTION_COUNT + 1] = {};
    for (int i = 0; i < OPTION_COUNT; i++)
        table[i] = {OPTION_ROWS[i].name, OPTION_ROWS[i].argument ? required_argument : no_argument, nullptr,
                    OPTION_ROWS[i].id};
    const char* program = argc > 0 && argv[0] ? argv[0] : "tarvo-rink";
    optind = 0;  // a fresh scan, also when the command line was read before
    opterr = 1;  // getopt_long says what was wrong in the usual words
    long givenPort = -1, joinPort = -1;
    for (;;) {
        int id = getopt_long(argc, argv, "", table, nullptr);
        if (id == -1) break;
        switch (id) {
        case OPTION_WINDOW: game.optionMode = 0; break;
        case OPTION_FULLSCREEN: game.optionMode = 1; break;
        case OPTION_SIZE: {
            int resolution = 0;
            while (resolution < 3 && strcmp(optarg, SIZES[resolution]) != 0) resolution++;
            if (resolution == 3) {
                fprintf(stderr, "%s: invalid size '%s' (choose 640x480, 800x600 or 1024x768)\n", program, optarg);
                return mistake();
            }
            game.optionResolution = resolution;
            break;
        }
        case OPTION_HOST:
        case OPTION_JOIN:
        case OPTION_WATCH: {
            int role = id == OPTION_HOST ? NET_ROLE_HOST : id == OPTION_JOIN ? NET_ROLE_GUEST : NET_ROLE_WATCHER;
            if (game.netRole != NET_ROLE_NONE && game.netRole != role) {
                fprintf(stderr, "%s: only one of --host, --join and --watch can be given\n", program);
                return mistake();
            }
            game.netRole = (u8)role;
            if (id == OPTION_HOST) break;
            switch (splitHostPort(optarg, game.netHostName, sizeof game.netHostName, &joinPort)) {
            case HOST_BAD:
                fprintf(stderr, "%s: invalid host '%s'\n", program, optarg);
                return mistake();
            case HOST_BAD_PORT:
                fprintf(stderr, "%s: invalid port in '%s' (choose 1 to 65535)\n", program, optarg);
                return mistake();
            default: break;
            }
            break;
        }
        case OPTION_REPLAY:
            if (strlen(optarg) == 0 || strlen(optarg) >= sizeof game.replayPath) {
                fprintf(stderr, "%s: invalid replay file '%s'\n", program, optarg);
                return mistake();
            }
            strcpy(game.replayPath, optarg);
            break;
        case OPTION_NO_PORT_MAPPING: game.portMapping = 0; break;
        case OPTION_LOBBY:
            if (!setLobby(optarg)) {
                fprintf(stderr, "%s: invalid lobby '%s'\n", program, optarg);
                return mistake();
            }
            break;
        case OPTION_PRIVATE: game.roomPrivate = 1; break;
        case OPTION_PORT:
            givenPort = portNumber(optarg);
            if (givenPort < 0) {
                fprintf(stderr, "%s: invalid port '%s' (choose 1 to 65535)\n", program, optarg);
                return mistake();
            }
            break;
        case OPTION_HELP:
            printUsage(stdout);
            return finishOutput(program);
        case OPTION_VERSION:
            printf("tarvo-rink %s\n", TARVO_VERSION);
            return finishOutput(program);
        default:  // getopt_long has printed its line
            return mistake();
        }
    }
    if (optind < argc) {
        fprintf(stderr, "%s: unexpected argument '%s'\n", program, argv[optind]);
        return mistake();
    }
    if (game.replayPath[0] && game.netRole != NET_ROLE_NONE) {
        fprintf(stderr, "%s: --replay cannot be given with --host, --join or --watch\n", program);
        return mistake();
    }
    if (givenPort > 0 && game.netRole == NET_ROLE_NONE) {
        fprintf(stderr, "%s: --port needs --host, --join or --watch\n", program);
        return mistake();
    }
    if (!lobbySet()) readLobbyFile();
    // With a lobby, --join and --watch take a room's code as well as a host.
    if ((game.netRole == NET_ROLE_GUEST || game.netRole == NET_ROLE_WATCHER) && lobbySet() && joinPort < 0 &&
        readRoomCode(game.netHostName, game.meetCode))
        game.netHostName[0] = 0;
    // The port: HOST:PORT's, else --port's, else the game's own.
    if (game.netRole != NET_ROLE_NONE)
        game.netPort = (u16)(joinPort > 0 ? joinPort : givenPort > 0 ? givenPort : (long)NET_DEFAULT_PORT);
    return OPTIONS_RUN;
}

int runMode() { return game.optionMode >= 0 ? game.optionMode : game.mode; }
int runResolution() { return game.optionResolution >= 0 ? game.optionResolution : game.resolution; }
