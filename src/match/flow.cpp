// The intro animation and the flow of a match: serve, rally, points, games and the end.
// Not built yet: these procedures do nothing until their own work lands.
#include "match/flow.h"

void stepIntro() {}
void stepMatch() {}
void resetMatch() {}
void returnToMenu() {}
