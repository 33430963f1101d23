// The intro screen and the menu pages.
// Not built yet: these procedures do nothing until their own work lands.
#include "menu/screens.h"

void drawIntroScreen() {}
void drawMenu() {}
void drawMainPage() {}
void drawPlaygroundPage() {}
void drawSettingsPage() {}
void drawExitPage() {}
void drawKeyPage() {}
void drawNamePage() {}
