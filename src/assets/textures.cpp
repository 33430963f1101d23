// The 42 texture slots and their three load sets: base, playground 1, playground 2.
// Not built yet: these procedures do nothing until their own work lands.
#include "assets/textures.h"

void loadTexture(uint32_t*, const char*, int) {}
void loadBaseTextures() {}
void loadPlayground1Textures() {}
void loadPlayground2Textures() {}
void freePlayground1Textures() {}
void freePlayground2Textures() {}
void freeBaseTextures() {}
