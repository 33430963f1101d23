// Display lists holding every piece of geometry the game draws.
// Not built yet: these procedures do nothing until their own work lands.
#include "render/lists.h"

void buildDisplayLists() {}
void deleteDisplayLists() {}
