// The settings file tarvo.ini: read once at start, written when the player quits through the menu.
#pragma once

void loadSettings();
void saveSettings();
