// The frame loop's event routes: keys, pads, the pointer's clicks, the idle step, the window and signals to end.
#pragma once

// The keyboard library's callbacks: held keys, Escape, Enter, F1-F4, the menu's arrows and typing.
void onKeyboard(unsigned char key, int x, int y);
void onKeyboardUp(unsigned char key, int x, int y);
void onSpecial(int key, int x, int y);
void onSpecialUp(int key, int x, int y);
// Escape, or a pad's button 1: back a page, out of a match or the intro, out of a session as a guest.
void pressEscape();
// A left click in the menu chooses what the pointer is over.
void onMouse(int button, int state, int x, int y);
// Once per idle step: either pad works the menu as the arrows, Enter and
// Escape do, a press at a time (on the menu, the intro and a guest's waiting screen).
void workMenuByPads();
// The idle step: the network's while a network role is set (it runs the others
// between its matches), a watched match's while one is shown, else the intro,
// the menu and a local match; then the menu's own work and the pads on the menu.
void onAppIdle();
// The window closed: the game ends as a player's quitting ends it, but
// without writing the settings; status 0. A signal to end, seen by the idle
// step, ends it the same way and then by that signal.
void onWindowClose();
// The program is exiting (an exit handler): the window library's destruction of
// its windows then is no close by the player.
void noteProgramExiting();
void onReshape(int width, int height);
void onDisplay();
