// A network session begun and ended: a host listening, a guest connecting, a failure said in one line.
#pragma once

#include <cstdint>

#include "core/platform.h"

// Start-up: a host listens on its port, a guest starts connecting and shows its
// waiting screen. Ends the program with status 1 when that cannot be done.
void startNetwork();
// The end of a network start that could not be made: one line, then status 1;
// begun from the menu, the menu comes back and says why.
void networkFails(const char* why);
void cannotReachHost();
// The guest's connection attempt, again after a loss.
void connectToHost();
// A guest's or a watcher's connection ended: a refusal said (a busy host, another
// version, no room for more watchers), a host never reached given up, one not
// back yet tried again. False when it was lost, for the caller to mend.
bool connectionRefusedOrUnmade(const NetEvent& event);
// The guest's Escape: it leaves the session and the program ends, its settings
// untouched; a guest that joined from the menu goes back to the join page.
void leaveSession();
// The menu's hosting page: listening on the game's port, answered on the local
// network; false, with game.menuNote saying why, when it cannot be done.
bool hostFromMenu();
// The join page's choice: connecting to the host as its guest, or as a watcher
// of its match (role), the waiting screen shown; a failure then or later brings
// the join page back with game.menuNote saying why.
bool joinFromMenu(const char* host, uint16_t port, int role);
// The same for a room met through the lobby by its code.
bool joinRoomFromMenu(const char* code, int role);
// Ends a session begun from the menu (hosting, or joined): the other side is told.
void endMenuSession();
