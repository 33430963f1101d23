// Display lists holding every piece of geometry the game draws.
#pragma once

void buildDisplayLists();
void deleteDisplayLists();
