// The keyboard callbacks: held keys, Escape, Enter and F1-F4.
#pragma once

void onKeyboard(unsigned char key, int x, int y);
void onKeyboardUp(unsigned char key, int x, int y);
void onSpecial(int key, int x, int y);
void onSpecialUp(int key, int x, int y);
// Escape, or a pad's button 1: back a page, out of a match or the intro, out of a session as a guest.
void pressEscape();
