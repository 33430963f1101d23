// Network play: both games run the match in fixed steps; each answers its own player at once and rolls back for late keys.
#pragma once

#include <cstdint>

// Start-up: a host listens on its port, a guest starts connecting and shows its
// waiting screen. Ends the program with status 1 when that cannot be done.
void startNetwork();
// The idle step while a network role is set: connections made and lost,
// names, holds, the start and end of matches; a network match's steps, or
// else the game's own idle step; then this side's holds.
void onNetworkIdle();

// The host starting a match from its menu: against the guest when two players
// were chosen and the guest is here (true), else nothing (false).
bool beginNetworkMatch();
// The host's Escape in a network match: the guest is told, and both leave it.
void leaveNetworkMatch();
void showWaitingScreen();
// The guest's Escape: it leaves the session and the program ends, its settings
// untouched; a guest that joined from the menu goes back to the join page.
void leaveSession();
// The host's exit: its guest is told at once.
void closeNetwork();

// True on a host whose two-player game has no guest to play: a playground click starts nothing.
bool waitingForGuest();
// The names shown for player 1 and player 2 in a match.
const char* matchName(int player);

// The menu's hosting page: listening on the game's port, answered on the local
// network; false, with game.menuNote saying why, when it cannot be done.
bool hostFromMenu();
// The join page's choice: connecting to the host, the waiting screen shown; a
// failure then or later brings the join page back with game.menuNote saying why.
bool joinFromMenu(const char* host, uint16_t port);
// Ends a session begun from the menu (hosting, or joined): the other side is told.
void endMenuSession();
