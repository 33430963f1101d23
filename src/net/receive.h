// What the network brought since the last frame, handed to the host's side or the guest's.
#pragma once

// Every event waiting, then a silent peer given up, and a guest's slow attempt begun again.
void receiveNetwork();
