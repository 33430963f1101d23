// Keys as the keyboard library reports them: the held-key table, which character and special-key codes share.
#pragma once

// A key pressed or let go: its entry in the held-key table (codes outside it are ignored).
void holdKey(int code);
void letGoOfKey(int code);
// Shift, Ctrl, Alt and Super: modifiers, never keys of their own.
bool modifierKey(int key);
