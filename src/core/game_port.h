// The real platform's game port beyond ENet: the meeting's datagrams set aside, the socket and port under it, and the strong random source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <enet/enet.h>

void realNetSetAside(ENetHost* host, int (*takes)(const uint8_t* data, size_t length));
int realNetAside(ENetHost* host, uint8_t* data, size_t room, char* address, uint16_t* port);
// A host closing is forgotten here.
void realNetAsideForget(ENetHost* host);
int realNetSocket(ENetHost* host);
uint16_t realNetLocalPort(ENetHost* host);
void realRandomBytes(uint8_t* bytes, size_t count);
