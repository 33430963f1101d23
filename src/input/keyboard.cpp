// The keyboard callbacks: held keys, Escape, Enter and F1-F4.
// Not built yet: these procedures do nothing until their own work lands.
#include "input/keyboard.h"

void onKeyboard(unsigned char, int, int) {}
void onKeyboardUp(unsigned char, int, int) {}
void onSpecial(int, int, int) {}
void onSpecialUp(int, int, int) {}
