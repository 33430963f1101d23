// The 42 texture slots and their three load sets: base, playground 1, playground 2.
#pragma once

#include <cstdint>

void loadTexture(uint32_t* table, const char* path, int slot);
void loadBaseTextures();
void loadPlayground1Textures();
void loadPlayground2Textures();
void freePlayground1Textures();
void freePlayground2Textures();
void freeBaseTextures();
