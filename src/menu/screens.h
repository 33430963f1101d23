// The intro screen and the menu pages.
#pragma once

void drawIntroScreen();
void drawMenu();
void drawMainPage();
void drawPlaygroundPage();
void drawSettingsPage();
void drawExitPage();
void drawKeyPage();
void drawNamePage();
void drawTwoPlayersPage();
void drawHostingPage();
void drawJoinPage();
void drawAddressPage();
// A guest's screen between its host's matches: connecting, or waiting for the host.
void drawWaitingScreen();
