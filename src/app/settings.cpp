// The settings file tarvo.ini: read once at start, written when the player quits through the menu.
// Not built yet: these procedures do nothing until their own work lands.
#include "app/settings.h"

void loadSettings() {}
void saveSettings() {}
