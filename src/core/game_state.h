// The one record of all game state, grouped by how long each field lives.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/lobby_records.h"

struct Mix_Chunk;
struct GLUquadric;
struct _SDL_Joystick;
struct _ENetHost;
struct _ENetPeer;

typedef uint8_t u8;
typedef uint16_t u16;
typedef int32_t i32;
typedef uint32_t u32;
typedef float f32;

// Slot and chunk counts of the asset tables.
enum { TEXTURE_SLOTS = 49, SOUND_CHUNKS = 12, KEY_CODES = 256 };

// The match's sounds, counted so that a guest plays them too.
enum { MATCH_SOUND_BAT = 0, MATCH_SOUND_BOARD = 1, MATCH_SOUND_OUT = 2, MATCH_SOUNDS = 3 };

// Network play: none, hosting a guest, a guest of a host, or watching a host's match.
enum { NET_ROLE_NONE = 0, NET_ROLE_HOST = 1, NET_ROLE_GUEST = 2, NET_ROLE_WATCHER = 3 };
// A host's watchers, at most.
enum { WATCHERS_MAX = 4 };
enum { NET_HOST_NAME_SIZE = 256 };
// A network match keeps copies of the match for this many steps back, and the
// players' holds for more; a side runs at most NET_WINDOW steps beyond what both know.
enum { NET_RING = 32, NET_HOLDS_RING = 256, NET_WINDOW = 25 };
const uint32_t NET_NO_STEP = 0xFFFFFFFFu;

// Hosts found on the local network: at most this many are listed; each row
// holds a travelling name (8 bytes) and an address "a.b.c.d", both zero-terminated.
enum { FOUND_HOSTS_MAX = 8, FOUND_NAME_SIZE = 9, FOUND_ADDRESS_SIZE = 16 };
// The machine's own addresses kept while looking, and its broadcast addresses.
enum { LOOK_ADDRESSES_MAX = 8 };
// A host's answers kept for its limit of so many a second.
enum { ANSWERS_PER_SECOND = 4 };

// One host that answered: who plays there, where to join it, whether it waits for a guest.
struct FoundHost {
    char name[FOUND_NAME_SIZE] = {};
    char address[FOUND_ADDRESS_SIZE] = {};  // "a.b.c.d"; "127.0.0.1" for a host on this machine
    u16 port = 0;                           // its game port
    u8 free = 0;                            // 1: no guest yet
    u32 heardTick = 0;                      // when its last answer came
};

// One of a host's watchers: where it is, and what it has been sent.
struct Watcher {
    _ENetPeer* peer = nullptr;    // null: a free place
    u8 match = 0;                 // the match it was last sent the start of (0: none)
    u32 known = 0;                // it has the holds of every step below this
    u32 sentTick = 0, forwardTick = 0;
};

// Gamepads: one for each player, each holding up, down and pass as that player's keys would.
enum { PADS = 2, PAD_UP = 0, PAD_DOWN = 1, PAD_PASS = 2, PAD_HOLDS = 3 };
// On the menu a pad moves the glow four ways, chooses (button 0) and steps back (button 1).
enum { PAD_MENU_UP, PAD_MENU_DOWN, PAD_MENU_LEFT, PAD_MENU_RIGHT, PAD_MENU_CHOOSE, PAD_MENU_BACK, PAD_MENU_HOLDS };

// The menu's pages, and the click actions that share their numbers: a click
// leads to a page, or does what an action number says.
enum {
    PAGE_MAIN = 0,
    PAGE_PLAYGROUND = 1,
    PAGE_SETTINGS = 2,
    PAGE_EXIT = 3,
    PAGE_P1_KEYS = 4,
    PAGE_P2_KEYS = 5,
    PAGE_P1_NAME = 6,
    PAGE_P2_NAME = 7,
    PAGE_TWO_PLAYERS = 8,  // this computer, host a game, join a game
    PAGE_HOSTING = 9,      // waiting for a guest
    ACTION_START_MATCH = 10,
    ACTION_QUIT = 11,
    PAGE_JOIN = 12,        // the hosts found, and a host typed by hand
    PAGE_ADDRESS = 13,     // typing that host
    ACTION_WATCH = 14,     // the last match again
    ACTION_JOIN = 15,      // joining the listed host under the glow
};

// The join page's typed host, the menu's line on a failed network start, and
// the addresses the hosting page lists.
enum { LOBBY_WHY_LENGTH = 64 };
enum { ADDRESS_ENTRY_SIZE = 40, MENU_NOTE_SIZE = 48, HOST_ADDRESSES_MAX = 3, JOIN_ROWS = 5 };
// A line the hosting page shows of the router's answer: at most what a screen's width holds.
enum { ROUTER_LINE_SIZE = 46 };

// What a player holds in one step, as bits: up, down, pass; and, in a network
// match, the host's pause (its camera mode), which holds the match for both.
enum { HOLD_UP = 1, HOLD_DOWN = 2, HOLD_PASS = 4, HOLD_PAUSE = 8, HOLD_BITS = 15 };

// The generator of the ball's spread keeps this many words, as the C library's own does.
enum { SPREAD_WORDS = 31 };

// A match in fixed steps (network play and its replays) moves 10 ms of game time per step.
enum { FIXED_STEP_MS = 10 };

// The match part of the record: everything a match step reads and writes. It is
// a plain group of fields that the record starts with, so that a network match
// can keep copies of it and go back to one when a late key arrives, and a
// replay can start from it.
struct MatchState {
    f32 animClockMs = 0.0f;    // gathered toward the next intro or ground step
    u32 pointDelayTick = 0, pointDelayLastTick = 0;
    u32 pointDelayMs = 0;      // 0 = after-point timer not running
    u8 pointDelayDone = 0;

    i32 p1Points = 0, p2Points = 0;
    i32 p1Games = 0, p2Games = 0;
    i32 pointPending = 1;      // the rally's point is still to be credited
    i32 animFrame = 0;         // ground animation frame 0 to 5
    f32 ballX = 0.0f, ballY = 0.0f;
    f32 ballVelX = 0.0f, ballVelY = 0.0f;
    f32 ballAngle = 180.0f;    // degrees, 0 = toward player 2
    u8 ballInPlay = 0;
    f32 p1BatY = 0.0f, p2BatY = 0.0f;
    u8 computerTracking = 0;
    u8 matchSounds[MATCH_SOUNDS] = {};  // bat hits, board bounces, points: counts that wrap

    // The ball's spread is drawn from this generator: the C library's additive
    // one, word for word, so a local match draws what rand() would have drawn.
    // Until first seeded it stands as if seeded with 1, as rand() does.
    i32 spreadTable[SPREAD_WORDS] = {};
    u8 spreadFront = 3, spreadRear = 0;
    u8 spreadSeeded = 0;

    // A match in fixed steps counts its delays in steps, never reseeds the
    // spread from the clock, and ends by a count of steps rather than a pause.
    u8 stepsFixed = 0;
    u32 matchStep = 0;         // steps run in this match
    i32 gameOverSteps = 0;     // fixed steps: "GAME OVER" stands this many steps more
    u8 matchOver = 0;          // fixed steps: the match has ended; its driver leaves it
};

// What one step of a match reads from outside the match: the tick clock, what
// each player holds, and whether the match stands still (camera mode). A live
// local match reads the keys, pads and clock itself and notes here what it read;
// a replay and a network match give it.
enum { STEP_READINGS = 2 };
struct StepInput {
    u32 tick = 0;                   // the tick the step's frame time was measured at
    u8 holds[2] = {};               // HOLD_* bits of player 1 and player 2
    u8 paused = 0;
    u8 readings = 0;                // further readings of the clock within the step
    u32 reading[STEP_READINGS] = {};
    u8 readingsUsed = 0;            // given steps: readings handed out so far
};

// A replay file's header and end, and where reading its steps stands (match/replay_file.h).
enum { REPLAY_NAME_ROOM = 9 };
// What a replay says of its match's start and of its end.
struct ReplayHeader {
    uint8_t kind = 0;        // REPLAY_LOCAL or REPLAY_FIXED (match/replay_file.h)
    uint8_t playground = 1;
    uint8_t vsComputer = 1, p2Human = 0;
    float difficulty = 11.0f;
    char names[2][REPLAY_NAME_ROOM] = {};
    uint32_t baseTick = 0;
    MatchState start;
    // From its end:
    uint32_t steps = 0;
    uint8_t points[2] = {}, games[2] = {};
    uint8_t finished = 0;
};

// Where the reading of a replay's steps stands.
struct ReplayCursor {
    size_t at = 0, end = 0;    // the next record, and where the steps end
    uint8_t kind = 0;        // REPLAY_LOCAL or REPLAY_FIXED (match/replay_file.h)
    uint32_t tick = 0;         // kind 0: the tick of the step last read
    uint32_t runLeft = 0;      // kind 1: steps left in the run being read
    uint8_t runHolds = 0;
};

// Room for the frame-rate read-out: the longest number text the formatter can
// give ("-1.23e+308" and the like) plus " fps" and the terminator.
enum { FPS_TEXT_SIZE = 32 };

// Every field carries its load value: the program relies on them before the
// first instruction runs (it opens on the intro, and the settings defaults are
// simply these values). Nothing copies, resets or frees the record as a whole.
struct GameState : MatchState {
    // ---- Whole run: screens and toggles --------------------------------------
    u8 introActive = 1;   // the intro is shown and animated
    u8 menuActive = 0;    // the menu is shown and takes mouse and keyboard
    u8 matchActive = 0;   // a match is shown and runs
    u8 cameraMode = 0;    // match paused, keys turn the camera
    u8 showFps = 0;       // frame counter shown in the match
    u8 lightingOn = 1;    // GL_LIGHTING and GL_COLOR_MATERIAL enabled

    // ---- Whole run: settings, read from and written to tarvo.ini -------------
    u8 music = 1;
    u8 effects = 1;
    char p1name[12] = "player 1";
    char p2name[12] = "player 2";
    f32 difficulty = 11.0f;   // divisor of every match speed; menu offers 9, 11, 13
    i32 resolution = 1;       // 0 = 640x480, 1 = 800x600, 2 = 1024x768
    i32 mode = 1;             // 1 = full-screen game mode, 0 = window
    // (a run may use another screen, chosen on the command line: runMode, runResolution)
    i32 p1Up = 97, p1Down = 122, p1Pass = 32;    // a, z, space
    i32 p2Up = 101, p2Down = 103, p2Pass = 100;  // GLUT up, down, left
    f32 camAngleX = 0.0f, camAngleY = 0.0f, camAngleZ = 0.0f;
    f32 camZoom = 0.0f;

    // ---- Whole run: where the files are, and this run's command-line choices --
    // Chosen once at start (paths.cpp, options.cpp). The load values are a game run
    // from its build: data/ and tarvo.ini in the working directory.
    char dataRoot[PATH_MAX] = "";               // "" = the data/ names as they are
    char settingsPath[PATH_MAX] = "tarvo.ini";  // "" = no usable home: nothing read or saved
    i32 settingsFolderBase = 0;  // settingsPath's folders past this many characters may be made
    char replayFolder[PATH_MAX] = "replays";    // "" = no usable home: no replays kept
    i32 replayFolderBase = 0;
    char dataFileBuffer[PATH_MAX + 64] = {};    // the last path dataFile gave out
    i32 optionMode = -1;         // --window 0, --fullscreen 1; -1 = as the settings say
    i32 optionResolution = -1;   // --size as a resolution value; -1 = as the settings say

    // ---- Once per run: the intro animation -----------------------------------
    f32 introLogo1X = -300.0f;
    f32 introLogo2X = 300.0f;
    f32 introClearRed = 0.5f;
    f32 introClearBlue = 1.0f;
    u8 introSliding = 1;
    i32 introShake = 5;        // sign flips at every shake
    i32 introShakeCount = 0;   // 0 to 16

    // ---- Whole run: clocks (milliseconds of the tick counter) ----------------
    u32 frameTick = 0, frameLastTick = 0;
    f32 frameDelta = 0.0f;     // time base of every movement, at most 15
    u32 fpsTick = 0, fpsLastTick = 0;
    u32 fpsAccMs = 0;
    i32 fpsFrames = 0;
    i32 fps = 0;

    // ---- Per match: chosen in the menu, kept between matches -----------------
    i32 playground = 0;        // 1 = "tennis", 2 = "futuristic"
    u8 vsComputer = 0;         // player 2 is the computer
    u8 p2Human = 0;            // player 2's keys move bat 2

    // (the match itself, put back by resetMatch and at each rally, is MatchState above)

    // ---- Per step of a match: what it reads --------------------------------
    StepInput stepInput;
    u8 stepInputGiven = 0;     // the step reads stepInput (a replay, a network match), not the keys and clock

    // ---- Menu: recomputed by every pointer motion ----------------------------
    i32 menuPage = 0;          // a MenuPage; 10, 11, 14 and 15 are click actions
    i32 menuHoverPage = 0;     // where a click at the pointer leads
    u8 hoverHit = 0;
    u8 hoverSoundArmed = 0;
    u8 hoverOnDifficulty = 0;
    f32 hoverDifficulty = 0.0f;
    u8 glowVisible = 0;
    f32 glowX = 0.0f, glowY = 0.0f;
    i32 keyCaptureStep = 0;    // 1 up, 2 down, 3 pass
    i32 menuItem = -1;         // the item under the glow, as the pointer or a key chose it; -1 none
    i32 hoverHostRow = -1;     // join page: the listed host under the glow, -1 none

    // ---- Menu: kept while its pages are shown -----------------------------------
    char addressEntry[ADDRESS_ENTRY_SIZE] = {};  // join page: a host typed by hand, HOST[:PORT]
    char menuNote[MENU_NOTE_SIZE] = {};          // why the last hosting or joining failed; "" none
    char hostAddresses[HOST_ADDRESSES_MAX][FOUND_ADDRESS_SIZE] = {};  // hosting page: where a guest finds us
    i32 hostAddressCount = 0;
    u8 lastReplayThere = 0;    // a last match is kept to be watched again
    u8 padMenuHeld[PADS][PAD_MENU_HOLDS] = {};  // what each pad held on the menu last step: moves go on presses
    u8 padChoiceHeld[PADS] = {};  // button 0 chose on the menu and is not let go yet: it serves nothing

    // ---- Whole run: input and window -----------------------------------------
    u8 keyHeld[KEY_CODES] = {};  // character and special-key codes share it
    _SDL_Joystick* pads[PADS] = {};    // opened at start-up; null: none, or unplugged since
    u8 padHolds[PADS][PAD_HOLDS] = {}; // what each pad holds this step, only during a match
    i32 windowWidth = 0, windowHeight = 0;

    // ---- Whole run: network play, only with --host or --join ------------------
    u8 netRole = NET_ROLE_NONE;
    u8 netFromMenu = 0;                   // begun from the menu: a failure goes back to it, not out of the game
    u16 netPort = 0;                      // the host's port
    char netHostName[NET_HOST_NAME_SIZE] = {};  // the host a guest joins, as given
    _ENetHost* netHost = nullptr;         // this side's end of the network
    _ENetPeer* netPeer = nullptr;         // the other side: the host's one guest, or the guest's host
    u8 netConnected = 0;                  // the other side is here
    u8 netEverConnected = 0;              // guest: connected once, so a loss means connecting again
    u32 netAttemptTick = 0;               // guest: when the current connection attempt began
    u8 netGuestLeft = 0;                  // host: its guest left, and no other has joined since
    u8 guestWaiting = 0;                  // guest: the waiting screen is shown (a screen flag)
    u8 netMatch = 0;                      // the match shown is played over the network
    char netRemoteName[12] = "player 2";  // the other side's player
    f32 netOwnDifficulty = 0.0f;          // guest: its own difficulty, back after the host's match

    // ---- Watching a network match: the host's watchers, and a watching game --------
    // A host sends each watcher the match as both players have settled it, then
    // both players' settled holds; a watcher runs them a little behind, never
    // predicting. Its acknowledgements tell the host where to send from.
    Watcher watchers[WATCHERS_MAX];
    u8 watchingMatch = 0;                 // watcher: a match is shown
    u8 watchStartHeard = 0;               // watcher: a match's start heard, its state awaited
    u8 watchNumber = 0;                   // watcher: the number of the match watched
    u8 watchPlayground = 1;
    f32 watchDifficulty = 11.0f;
    char watchNames[2][12] = {};          // the host's player and the guest's
    u8 watchHolds[NET_HOLDS_RING] = {};   // both players' settled holds, by step
    u32 watchKnown = 0;                   // the holds of every step below this are here
    u8 watchEnding = 0;                   // the host has said the match is over
    u32 watchClockTenths = 0, watchLastFrameTick = 0, watchKnownSentTick = 0;
    u8 watchSoundsPlayed[MATCH_SOUNDS] = {};

    // ---- Hosting behind a home router: its game port forwarded (net/router.h) ---
    u8 portMapping = 1;                   // --no-port-mapping: the router is not asked
    u8 routerAsked = 0;                   // host: the router is being asked, or has answered
    u8 routerState = 0;                   // ROUTER_ASKING, ROUTER_MAPPED or ROUTER_NONE (core/platform.h)
    char routerLines[2][ROUTER_LINE_SIZE] = {};  // what the hosting page says of it
    char routerExternal[16] = {};         // the forwarded port's address, when the internet reaches it; "" none
    u16 routerExternalPort = 0;

    // ---- The lobby: a broker where rooms are listed and sides meet (net/lobby.h) ----
    char lobbyHost[NET_HOST_NAME_SIZE] = {};  // the broker, from --lobby or the lobby file; "" none
    u16 lobbyPort = LOBBY_DEFAULT_PORT;
    u8 lobbyOpened = 0;                   // talking to it: hosting, meeting a room, or on the join page
    u8 lobbyUp = 0;                       // connected, as last read
    u8 lobbyDownSaid = 0;                 // the one line for a broker not reached is said
    char lobbyId[LOBBY_ID_SIZE] = {};     // this game's client id at the broker, new each time
    char lobbyWhy[LOBBY_WHY_LENGTH] = {}; // what the last try to reach it came to
    char stunHost[LOBBY_SERVER_SIZE] = {};  // the meeting place's STUN/TURN server, as the broker said
    u16 stunPort = 0;
    char relayUser[LOBBY_SECRET_SIZE] = {}, relayPassword[LOBBY_SECRET_SIZE] = {};
    LobbyRoom lobbyRooms[LOBBY_ROOMS_MAX];  // join page: the internet's listed rooms, in order of code
    i32 lobbyRoomCount = 0;
    // This side's own candidates, and the STUN question that finds the outside one.
    Candidate ownCandidates[CANDIDATES_MAX];  // its own networks' first, as found when the meeting began
    i32 ownCandidateCount = 0;
    i32 ownLanCount = 0;
    Candidate outsideSeen;                // what the STUN server saw of the game's own port
    u8 stunTransaction[12] = {};
    u32 stunAskTick = 0;
    u8 stunAsks = 0;                      // questions sent, up to a few
    u8 stunAnswered = 0;
    // Host: its room.
    char roomCode[ROOM_CODE_SIZE] = {};   // "" none
    u8 roomPrivate = 0;                   // --private: found by its code alone, never listed
    u8 roomShown = 0;                     // what was last published: 0 nothing, 1 free, 2 busy
    u8 roomCandidatesShown = 0;           // candidates in the room when it was published
    u8 roomSaid = 0;                      // --host said "room CODE"
    char seatGivenTo[LOBBY_ID_SIZE] = {}; // the guest told to come, until it connects or gives up
    u32 seatGivenTick = 0;
    // Both: the sides being met, and the guest's way through to its host.
    Meeting meetings[MEETINGS_MAX];
    u8 meetStage = 0;                     // guest: MEET_NONE, MEET_KNOCKING, MEET_PUNCHING
    char meetCode[ROOM_CODE_SIZE] = {};   // guest: the room it meets
    u32 meetStageTick = 0;
    char meetWhy[MENU_NOTE_SIZE] = {};    // guest: why the meeting failed
    u8 meetKnocked = 0;                   // guest: its knock went
    u32 meetKnockTick = 0;
    i32 meetAnswered = -1;                // guest: the best candidate that answered its probes
    u32 meetAnsweredTick = 0;
    RelayState relay;                     // guest: its relay, when no punch got through
    u8 meetPath = 0xFF;                   // the way the connection took: CANDIDATE_*, or 0xFF not met through the lobby

    // ---- Finding hosts on the local network (net/discovery.h) -----------------
    // A host answers questions while it hosts; a guest on the join page asks
    // and lists who answered. The menu reads foundHosts[0 .. foundHostCount),
    // kept in order of address text, then port, so its rows stay in place.
    i32 answerSocket = -1;                // host: the question port, -1 while not answering
    u32 answerTicks[ANSWERS_PER_SECOND] = {};  // when the newest answers went, oldest at answerNext
    u8 answerNext = 0;
    u8 answersSent = 0;                   // answers so far, up to ANSWERS_PER_SECOND
    i32 lookSocket = -1;                  // guest: its own port, -1 while not looking
    u8 lookAsked = 0;                     // a question has gone since looking began
    u32 lookAskTick = 0;                  // when the last one went
    char lookBroadcast[LOOK_ADDRESSES_MAX][FOUND_ADDRESS_SIZE] = {};  // where questions go, besides 127.0.0.1
    i32 lookBroadcastCount = 0;
    char lookOwn[LOOK_ADDRESSES_MAX][FOUND_ADDRESS_SIZE] = {};  // this machine's addresses: answers from them are 127.0.0.1's
    i32 lookOwnCount = 0;
    FoundHost foundHosts[FOUND_HOSTS_MAX];
    i32 foundHostCount = 0;

    // ---- Per network match: both sides run it, and roll back for late keys ----
    // Each side runs the match itself in fixed steps, its own player's holds
    // taken at once and the other's predicted to be the last ones known. A step
    // whose true holds turn out otherwise is run again from the copy kept before it.
    MatchState netSaved[NET_RING];        // the match as it stood before step s, at s % NET_RING
    u8 netOwnHolds[NET_HOLDS_RING] = {};   // this side's holds, by step
    u8 netOtherHolds[NET_HOLDS_RING] = {}; // the other side's, by step: true below netOtherKnown
    u8 netOtherUsed[NET_HOLDS_RING] = {};  // the other side's holds each step was last run with
    u32 netOtherKnown = 0;                // the other side's holds are known for every step below this
    u32 netOtherHas = 0;                  // the other side has ours for every step below this
    u32 netOtherStep = 0;                 // the other side's step count, as its newest packet said
    i32 netOtherAhead = 0;                // how far ahead of us it saw itself then, in steps
    u32 netRollFrom = NET_NO_STEP;        // the earliest step run with a wrong prediction
    u32 netClockTenths = 0;               // game time gathered toward the next step, in tenths of a millisecond
    u8 netMatchNumber = 0;                // host: counts its matches; guest: the number of the one it plays
    u32 netResyncStep = 0;                // host: the step it last sent its match at
    u32 netLastFrameTick = 0;
    u32 netConfirmed = 0;                 // steps whose match is settled on both sides
    u32 netSums[NET_HOLDS_RING] = {};     // the settled match's checksum after each step, at s % ring
    u32 netResyncs = 0;                   // the host's match taken after a checksum differed
    u8 netSoundsPlayed[MATCH_SOUNDS] = {}; // the sound counts heard so far: a re-run plays nothing twice
    f32 netShownBallX = 0.0f, netShownBallY = 0.0f, netShownBatY = 0.0f;  // a correction, faded out on screen
    u32 netLastSendTick = 0;
    // What a network match measured, printed at its end when TARVO_NET_STATS is set.
    u8 netStatsWanted = 0;
    u32 netCorrections = 0, netRollbacks = 0, netDeepestRoll = 0, netWaits = 0;
    f32 netBallJumpMax = 0.0f, netBallJumpSum = 0.0f, netBatJumpMax = 0.0f, netBatJumpSum = 0.0f;
    u32 netBytesOut = 0, netBytesIn = 0, netStartTick = 0;

    // ---- Replays: the match being kept, and the one being watched --------------
    u8 keepReplays = 0;                   // a real run keeps its matches (tests keep none unless they ask)
    FILE* replayOut = nullptr;            // the match being kept, written as it is played
    char replayOutName[32] = {};          // its name to be: the moment it began, and a count
    u8 replayOutKind = 0;                 // steps of measured time, or fixed steps
    u8 replayStepNoted = 0;               // a live step's input noted and not yet written
    u32 replayKeptTick = 0;               // the tick the replay will give the last step written
    u32 replayRealTick = 0;               // the tick that step was really played at
    u32 replayOutSteps = 0;
    u8 replayRunHolds = 0;                // fixed steps: the run of equal steps being gathered
    u32 replayRunLength = 0;
    u8 replayWriteFailed = 0;
    char replayOutBuffer[8192] = {};      // the file's buffer: writing a step allocates nothing
    char replayPath[PATH_MAX] = {};       // the replay to watch (--replay FILE, or the menu's last match)
    u8* replayData = nullptr;             // that file, read whole when watching begins
    size_t replaySize = 0;
    u8 replayActive = 0;                  // a replay is shown: its match runs from the file's steps
    ReplayHeader replayHeader;
    ReplayCursor replayCursor;
    u8 replayPending = 0;                 // the next step has been read and waits for its time
    u32 replayPendingMs = 0;
    u32 replayClockMs = 0, replayDueMs = 0, replayLastTick = 0;
    u8 replaySoundsPlayed[MATCH_SOUNDS] = {};
    f32 replayOwnDifficulty = 0.0f;       // the watcher's own, back when the replay ends
    f32 replayOwnCamera[4] = {};

    // ---- Whole run: resources --------------------------------------------------
    u32 textures[TEXTURE_SLOTS] = {};
    Mix_Chunk* soundChunks[SOUND_CHUNKS] = {};
    u32 fontLists = 0;         // 256 glyph lists
    i32 fontBuildIndex = 0;
    u32 matchLists = 0;        // 11 match lists
    u32 menuLists = 0;         // 33 menu lists
    u32 introLists = 0;        // 2 intro lists
    GLUquadric* sphereQuadric = nullptr;
    FILE* settingsFile = nullptr;
    char fpsText[FPS_TEXT_SIZE] = {};

    // ---- Fixed light colours and positions -------------------------------------
    // glLightfv reads four components, so each colour carries an alpha of 1
    // that has no visible effect (lit geometry is never blended).
    f32 ground1Light1Color[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    f32 ground1Light2Color[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    f32 ground2Light1Color[4] = {-0.6f, 1.0f, -0.3f, 1.0f};
    f32 ground2Light2Color[4] = {1.0f, -0.6f, -0.3f, 1.0f};
    f32 light3Ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    f32 light1Position[4] = {0.0f, 0.5f, 0.5f, 1.0f};
    f32 light2Position[4] = {2.0f, 0.5f, 0.5f, 1.0f};
    f32 light3Position[4] = {1.0f, 0.5f, 0.5f, 1.0f};
};

// The single instance, shared by every part of the game.
extern GameState game;

// True when a key code can index keyHeld; codes outside 0-255 (from an edited
// settings file or an unusual platform) are ignored by the table and its readers.
inline bool keyCodeValid(int code) { return code >= 0 && code < KEY_CODES; }
inline bool keyIsHeld(int code) { return keyCodeValid(code) && game.keyHeld[code] != 0; }

// What a player holds from their keys and pad right now (player 1 or 2), as HOLD_* bits.
inline u8 keysAndPadHold(int player) {
    const bool one = player == 1;
    const u8* pad = game.padHolds[one ? 0 : 1];
    const bool up = keyIsHeld(one ? game.p1Up : game.p2Up) || pad[PAD_UP];
    const bool down = keyIsHeld(one ? game.p1Down : game.p2Down) || pad[PAD_DOWN];
    const bool pass = keyIsHeld(one ? game.p1Pass : game.p2Pass) || pad[PAD_PASS];
    return (u8)((up ? HOLD_UP : 0) | (down ? HOLD_DOWN : 0) | (pass ? HOLD_PASS : 0));
}
// A player holds up, down or pass with their bound key or with their pad; in
// a step whose input is given (a replay, a network match), as the input says.
inline bool holds(int player, u8 bit) {
    if (game.stepInputGiven) return (game.stepInput.holds[player - 1] & bit) != 0;
    return (keysAndPadHold(player) & bit) != 0;
}
inline bool p1HoldsUp() { return holds(1, HOLD_UP); }
inline bool p1HoldsDown() { return holds(1, HOLD_DOWN); }
inline bool p1HoldsPass() { return holds(1, HOLD_PASS); }
inline bool p2HoldsUp() { return holds(2, HOLD_UP); }
inline bool p2HoldsDown() { return holds(2, HOLD_DOWN); }
inline bool p2HoldsPass() { return holds(2, HOLD_PASS); }
