// Name typing and key capture on the settings pages.
// Not built yet: these procedures do nothing until their own work lands.
#include "input/entry.h"

void captureKey(int) {}
void typeNameChar(unsigned char) {}
void finishNameEntry() {}
