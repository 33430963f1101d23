// Pointer motion over the menu: what lies under the pointer and what a click would do.
#pragma once

void onPassiveMotion(int x, int y);
