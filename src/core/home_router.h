// The real platform's home router: the game's UDP port forwarded by NAT-PMP or UPnP-IGD, on a thread of its own.
#pragma once

#include <cstdint>

#include "core/platform.h"

void realRouterAsk(uint16_t port);
int realRouterAnswer(RouterAnswer* answer);
void realRouterForget();
