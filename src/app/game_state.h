// The one record of all game state, grouped by how long each field lives.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>

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
enum { TEXTURE_SLOTS = 42, SOUND_CHUNKS = 12, KEY_CODES = 256 };

// The match's sounds, counted so that a guest plays them too.
enum { MATCH_SOUND_BAT = 0, MATCH_SOUND_BOARD = 1, MATCH_SOUND_OUT = 2, MATCH_SOUNDS = 3 };

// Network play: none, hosting a guest, or a guest of a host; what a guest holds, as bits.
enum { NET_ROLE_NONE = 0, NET_ROLE_HOST = 1, NET_ROLE_GUEST = 2 };
enum { GUEST_HOLDS_UP = 1, GUEST_HOLDS_DOWN = 2, GUEST_HOLDS_PASS = 4 };
enum { NET_HOST_NAME_SIZE = 256 };

// Gamepads: one for each player, each holding up, down and pass as that player's keys would.
enum { PADS = 2, PAD_UP = 0, PAD_DOWN = 1, PAD_PASS = 2, PAD_HOLDS = 3 };

// Room for the frame-rate read-out: the longest number text the formatter can
// give ("-1.23e+308" and the like) plus " fps" and the terminator.
enum { FPS_TEXT_SIZE = 32 };

// Every field carries its load value: the program relies on them before the
// first instruction runs (it opens on the intro, and the settings defaults are
// simply these values). Nothing copies, resets or frees the record as a whole.
struct GameState {
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
    f32 animClockMs = 0.0f;    // gathered toward the next intro or ground step
    u32 fpsTick = 0, fpsLastTick = 0;
    u32 fpsAccMs = 0;
    i32 fpsFrames = 0;
    i32 fps = 0;
    u32 pointDelayTick = 0, pointDelayLastTick = 0;
    u32 pointDelayMs = 0;      // 0 = after-point timer not running
    u8 pointDelayDone = 0;

    // ---- Per match: chosen in the menu, kept between matches -----------------
    i32 playground = 0;        // 1 = "tennis", 2 = "futuristic"
    u8 vsComputer = 0;         // player 2 is the computer
    u8 p2Human = 0;            // player 2's keys move bat 2

    // ---- Per match: put back by resetMatch and at each rally -----------------
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

    // ---- Menu: recomputed by every pointer motion ----------------------------
    i32 menuPage = 0;          // 0 to 7; 10 and 11 are click actions
    i32 menuHoverPage = 0;     // where a click at the pointer leads
    u8 hoverHit = 0;
    u8 hoverSoundArmed = 0;
    u8 hoverOnDifficulty = 0;
    f32 hoverDifficulty = 0.0f;
    u8 glowVisible = 0;
    f32 glowX = 0.0f, glowY = 0.0f;
    i32 keyCaptureStep = 0;    // 1 up, 2 down, 3 pass

    // ---- Whole run: input and window -----------------------------------------
    u8 keyHeld[KEY_CODES] = {};  // character and special-key codes share it
    _SDL_Joystick* pads[PADS] = {};    // opened at start-up; null: none, or unplugged since
    u8 padHolds[PADS][PAD_HOLDS] = {}; // what each pad holds this step, only during a match
    i32 windowWidth = 0, windowHeight = 0;

    // ---- Whole run: network play, only with --host or --join ------------------
    u8 netRole = NET_ROLE_NONE;
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
    u8 netHolds = 0;                      // host: what its guest holds; guest: what it last sent
    char netRemoteName[12] = "player 2";  // the other side's player
    u32 netLastSendTick = 0;              // host: when the last state went out
    u32 netSequence = 0;                  // host: states sent this match; guest: the newest applied

    // ---- Whole run: resources --------------------------------------------------
    u32 textures[TEXTURE_SLOTS] = {};
    Mix_Chunk* soundChunks[SOUND_CHUNKS] = {};
    u32 fontLists = 0;         // 256 glyph lists
    i32 fontBuildIndex = 0;
    u32 matchLists = 0;        // 11 match lists
    u32 menuLists = 0;         // 27 menu lists
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

// A player holds up, down or pass with their bound key or with their pad.
inline bool p1HoldsUp() { return keyIsHeld(game.p1Up) || game.padHolds[0][PAD_UP]; }
inline bool p1HoldsDown() { return keyIsHeld(game.p1Down) || game.padHolds[0][PAD_DOWN]; }
inline bool p1HoldsPass() { return keyIsHeld(game.p1Pass) || game.padHolds[0][PAD_PASS]; }
// In a match against a guest over the network, player 2 is the guest: only
// what it sends holds player 2's keys.
inline bool p2HoldsUp() {
    return game.netMatch ? (game.netHolds & GUEST_HOLDS_UP) != 0 : keyIsHeld(game.p2Up) || game.padHolds[1][PAD_UP];
}
inline bool p2HoldsDown() {
    return game.netMatch ? (game.netHolds & GUEST_HOLDS_DOWN) != 0
                         : keyIsHeld(game.p2Down) || game.padHolds[1][PAD_DOWN];
}
inline bool p2HoldsPass() {
    return game.netMatch ? (game.netHolds & GUEST_HOLDS_PASS) != 0
                         : keyIsHeld(game.p2Pass) || game.padHolds[1][PAD_PASS];
}
