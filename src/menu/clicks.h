// Choosing in the menu, by a click or by Enter, and Escape's way back.
#pragma once

// What a click on the item under the glow does. Watching the last match is left
// to the program: the page is then ACTION_WATCH.
void chooseMenuTarget();
// Enter, or a pad's button 0: a name page's name finished, the typed host
// joined, or the glowing item chosen as a click would choose it.
void chooseByKey();
// Escape on a menu page.
void menuEscape();
// The menu's own work each idle step: looking for hosts, a guest arriving.
void stepMenu();
// The main menu again, after a match (its pads let go of what they held).
void showMainMenu();
void quitGame();
