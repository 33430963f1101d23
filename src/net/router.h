// The host's home router asked to forward the game's port, and what its answer means for friends on the internet.
#pragma once

// Hosting has begun: the router is asked (unless --no-port-mapping), off the frame loop.
void askRouter();
// Each frame while hosting: the router's answer, once it comes, checked and said
// on the hosting page (and for --host in one line on standard output).
void readRouter();
// Hosting is over: the mapping is removed.
void forgetRouter();
