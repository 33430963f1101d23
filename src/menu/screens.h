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
