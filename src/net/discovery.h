// Finding hosts on the local network: the question a looking guest sends, a host's answer, and who answers and looks.
//
// A guest looking for games asks every broadcast address of its machine, and
// 127.0.0.1, on UDP port NET_DISCOVERY_PORT; every host there answers the
// asker alone with its player's name, its game port and whether it still
// waits for a guest. Numbers travel big-endian here. A reader takes a packet
// only when its size is exact, its magic and version are this game's and every
// field is usable; anything else is ignored.
#pragma once

#include <cstddef>
#include <cstdint>

#include "match/record.h"  // names as they travel

enum { NET_DISCOVERY_PORT = 47313 };

enum { DISCOVERY_QUESTION_SIZE = 8, DISCOVERY_ANSWER_SIZE = 8 + NAME_BYTES };

// What a host says of itself.
struct DiscoveryAnswer {
    uint8_t free;                // 1: it waits for a guest; 0: it has one
    uint16_t port;               // its game port, never 0
    char name[NAME_BYTES + 1];   // its player, zero-terminated
};

// Writers: each fills `out` (room for DISCOVERY_ANSWER_SIZE bytes) and gives the size.
size_t writeQuestion(uint8_t* out);
size_t writeAnswer(uint8_t* out, const DiscoveryAnswer& answer);

// Readers: true (and the answer's values) when the packet is whole and sound.
bool readQuestion(const uint8_t* data, size_t length);
bool readAnswer(const uint8_t* data, size_t length, DiscoveryAnswer* answer);

// ---- The host's side (src/net/discovery_session.cpp) -------------------------
// startAnswering opens the question port; answerQuestions, called every frame
// while hosting, answers what has come in, saying whether the host is free;
// stopAnswering closes the port. A port another program holds leaves the host
// unfound: one line on standard error, and hosting goes on.
void startAnswering();
void answerQuestions(uint8_t free);
void stopAnswering();

// ---- The guest's side ------------------------------------------------------
// startLooking empties the list of found hosts and opens a port of its own;
// lookForHosts, called every frame on the join page, asks once a second and
// keeps game.foundHosts up to date; stopLooking closes the port and leaves the
// list as it stood, so the row the player picked can still be read.
void startLooking();
void lookForHosts();
void stopLooking();
