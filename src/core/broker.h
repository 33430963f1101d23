// The real platform's lobby: the talk with an MQTT broker through libmosquitto, on a thread of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/platform.h"

int realLobbyOpen(const char* host, uint16_t port, const char* clientId, const char* willTopic);
int realLobbyState(char* why, size_t room);
int realLobbyPeer(char* address);
int realLobbySubscribe(const char* topic);
int realLobbyPublish(const char* topic, const uint8_t* data, size_t length, int retain);
int realLobbyReceive(LobbyMessage* message);
void realLobbyClose();
