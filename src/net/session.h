// Network play: a host runs the match, its one guest plays player 2 and draws what the host sends.
#pragma once

// Start-up: a host listens on its port, a guest starts connecting and shows its
// waiting screen. Ends the program with status 1 when that cannot be done.
void startNetwork();
// Each idle step, first: connections made and lost, names, holds, match start
// and end, and the newest match state.
void receiveNetwork();
// Each idle step, last: the host's state of this step, the guest's holds when they changed.
void sendNetwork();

// The host starting a match from its menu: against the guest when two players were chosen.
void beginNetworkMatch();
// Any side leaving a network match (game over, Escape, a lost connection): the
// host tells its guest; a guest goes back to its waiting screen afterwards.
void endNetworkMatch();
void showWaitingScreen();
// The guest's Escape: it leaves the session and the program ends, its settings untouched.
void leaveSession();
// The host's exit: its guest is told at once.
void closeNetwork();

// True on a host whose two-player game has no guest to play: a playground click starts nothing.
bool waitingForGuest();
// The names shown for player 1 and player 2 in a match.
const char* matchName(int player);
