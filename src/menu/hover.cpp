// Pointer motion over the menu: what lies under the pointer and what a click would do.
// Not built yet: these procedures do nothing until their own work lands.
#include "menu/hover.h"

void onPassiveMotion(int, int) {}
