// Name typing and key capture on the settings pages; a host typed on the join page.
#include "menu/entry.h"

#include <cstring>

#include "core/game_state.h"
#include "menu/hover.h"

enum { NAME_MAX_CHARS = 8 };

// Length of a name; the last byte of its array counts as the terminator, so
// nothing here reads or writes past the array even if the name lacks one.
static size_t nameLength(const char* name) {
    size_t length = 0;
    while (length < sizeof(game.p1name) - 1 && name[length] != 0) length++;
    return length;
}

// Fills the binding the capture page asks for next; the third key (pass) ends
// the page. The step moves on with every key, whatever its value.
static void captureInto(i32* up, i32* down, i32* pass, int code) {
    switch (game.keyCaptureStep) {
    case 1: *up = code; break;
    case 2: *down = code; break;
    case 3:
        *pass = code;
        game.menuPage = 2;
        forgetHoverTarget();
        break;
    default: break;
    }
    game.keyCaptureStep++;
}

void captureKey(int code) {
    // A code the held-key table cannot hold could never be pressed in play;
    // such a key is passed over and the page keeps asking for the same binding.
    if (!keyCodeValid(code)) return;
    if (game.menuPage == 4) captureInto(&game.p1Up, &game.p1Down, &game.p1Pass, code);
    // Tested after the page-4 capture so its closing key is not taken twice.
    if (game.menuPage == 5) captureInto(&game.p2Up, &game.p2Down, &game.p2Pass, code);
}

// A name holds only what the font draws and the settings file keeps on one
// line: the printable codes 32-126 and 128-255. Tabs, line ends and other
// control codes would break the file's lines apart when it is read again.
static bool nameChar(unsigned char ch) { return (ch >= 32 && ch <= 126) || ch >= 128; }

static void editName(char* name, unsigned char ch) {
    size_t length = nameLength(name);
    if (ch == 8) {
        if (length > 0) name[length - 1] = 0;
        return;
    }
    if (!nameChar(ch) || length >= NAME_MAX_CHARS) return;
    name[length] = (char)ch;
    name[length + 1] = 0;
}

// A typed host holds what host names, addresses and a port after a colon are
// made of; anything else is passed over.
static bool hostChar(unsigned char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '.' || ch == '-' ||
           ch == ':' || ch == '_';
}

static void editAddress(unsigned char ch) {
    size_t length = strnlen(game.addressEntry, sizeof game.addressEntry - 1);
    game.menuNote[0] = 0;  // typing again: the complaint is answered
    if (ch == 8) {
        if (length > 0) game.addressEntry[length - 1] = 0;
        return;
    }
    if (!hostChar(ch) || length + 1 >= sizeof game.addressEntry) return;
    game.addressEntry[length] = (char)ch;
    game.addressEntry[length + 1] = 0;
}

void typeNameChar(unsigned char ch) {
    if (game.menuPage == 6) editName(game.p1name, ch);
    if (game.menuPage == 7) editName(game.p2name, ch);
    if (game.menuPage == PAGE_ADDRESS) editAddress(ch);
}

static void trimTrailingBlanks(char* name) {
    size_t length = nameLength(name);
    while (length > 0 && name[length - 1] == ' ') length--;
    name[length] = 0;
}

void finishNameEntry() {
    trimTrailingBlanks(game.p1name);
    trimTrailingBlanks(game.p2name);
    if (game.p1name[0] == 0) std::strcpy(game.p1name, "player 1");
    if (game.p2name[0] == 0) std::strcpy(game.p2name, "player 2");
    game.menuPage = 2;
    forgetHoverTarget();
}
