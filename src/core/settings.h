// The settings file tarvo.ini: read once at start, written when the player quits through the menu.
#pragma once

void loadSettings();
// False, after one line on standard error, when the settings could not be written.
bool saveSettings();
