// The lobby: friends anywhere meet by a room code through an MQTT broker. A host's room (its code,
// its seat, where it may be reached), the rooms listed on the join page, a guest's knock and the
// host's answer; then the punch through both routers (net/meeting.h) carries the ENet connection.
//
// The broker's topics, each written only by the client whose id ends it:
//   tarvo/server                      retained, by the meeting place: its STUN/TURN server, the relay's credentials
//   tarvo/room/<host>                 retained, a listed room (an empty message clears it; so does the host's will)
//   tarvo/knock/<CODE>/<guest>        a guest (or a watcher) asks to join room CODE
//   tarvo/answer/<guest>/<host>       the host's answer: come, or taken
#pragma once

#include <cstdint>

// A guest's meeting: knocking, punching, then met (game.netHostName and
// game.netPort name the way) or failed (game.meetWhy says why).
enum { MEET_NONE = 0, MEET_KNOCKING = 1, MEET_PUNCHING = 2, MEET_MET = 3, MEET_FAILED = 4, MEET_RELAYING = 5 };

// A lobby is set (--lobby, or the lobby file beside the settings).
bool lobbySet();
// Splits "HOST[:PORT]" into the lobby's address; false when it is no such thing.
bool setLobby(const char* text);
// Reads the lobby file (one line, HOST[:PORT]) when no lobby was given; a file
// that is missing or unreadable sets none.
void readLobbyFile();

// Hosting with a lobby set: a new room code, and the room made known once the
// broker answers. Nothing without a lobby.
void openRoom();
// The join page lists the internet's rooms while it shows (a lobby set).
void listRooms();
// A guest's or a watcher's way to room game.meetCode: the lobby is met, the
// knock sent, then the punch; a failure says "cannot reach CODE: " and why.
void meetRoom();
// Once a frame while the lobby is open: what the broker said, the room kept as
// it is, the meeting carried on.
void runLobby();
// A meeting knocks or punches: the guest's connection attempt waits.
bool meetingUnderWay();
// The room cleared and the broker left; the lobby's line forgotten.
void closeLobby();
// The join page's line for the internet: "no lobby set", the lobby not reached, or its rooms.
const char* lobbyLine();
