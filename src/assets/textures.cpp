// The 42 texture slots and their three load sets: base, playground 1, playground 2.
#include "assets/textures.h"

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_image.h>
#include <cstdio>

#include "core/game_state.h"
#include "core/paths.h"
#include "core/platform.h"

namespace {

// Byte order of three-byte pixels laid out red, green, blue in memory.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
const Uint32 RED_MASK = 0x0000FF, GREEN_MASK = 0x00FF00, BLUE_MASK = 0xFF0000;
#else
const Uint32 RED_MASK = 0xFF0000, GREEN_MASK = 0x00FF00, BLUE_MASK = 0x0000FF;
#endif

// OpenGL reads each uploaded row from a 4-byte boundary (its default unpack alignment).
int alignedRowBytes(int width) { return (width * 3 + 3) & ~3; }

// True when the pixels are 8-bit red, green, blue in that order, rows padded to 4 bytes:
// exactly what glTexImage2D is told it receives.
bool readyForUpload(const SDL_Surface* picture) {
    const SDL_PixelFormat* format = picture->format;
    return format->BytesPerPixel == 3 && format->Rmask == RED_MASK && format->Gmask == GREEN_MASK &&
           format->Bmask == BLUE_MASK && picture->pitch == alignedRowBytes(picture->w);
}

// A copy of any picture the image library can return (grayscale or paletted, with
// alpha, in another byte order) as 24-bit RGB with 4-byte row padding. Alpha is
// dropped: the game's pictures are opaque. Null if memory runs out.
SDL_Surface* toRgb24(SDL_Surface* picture) {
    SDL_Surface* layout = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, RED_MASK, GREEN_MASK, BLUE_MASK, 0);
    if (!layout) return nullptr;
    SDL_Surface* converted = SDL_ConvertSurface(picture, layout->format, SDL_SWSURFACE);
    SDL_FreeSurface(layout);
    if (converted && !readyForUpload(converted)) {
        SDL_FreeSurface(converted);
        return nullptr;
    }
    return converted;
}

// The game cannot go on without its pictures; status 1 tells a launcher so.
void imageLoadingFailed() {
    fprintf(stderr, "Image loading failed: %s\n", SDL_GetError());
    platform.exitProgram(1);
}

void deleteSlot(int slot) { glDeleteTextures(1, &game.textures[slot]); }

}  // namespace

// `path` is the picture's name below data/ (or any other path, taken as it is).
void loadTexture(uint32_t* table, const char* path, int slot) {
    SDL_Surface* picture = IMG_Load(dataFile(path));
    if (!picture) {
        imageLoadingFailed();
        return;
    }
    if (!readyForUpload(picture)) {
        SDL_Surface* converted = toRgb24(picture);
        SDL_FreeSurface(picture);
        if (!converted) {
            imageLoadingFailed();
            return;
        }
        picture = converted;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    table[slot] = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, picture->w, picture->h, 0, GL_RGB, GL_UNSIGNED_BYTE, picture->pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    SDL_FreeSurface(picture);
}

void loadBaseTextures() {
    static const char* const paths[] = {
        "data/pictures/others/panel.jpg",    // 14
        "data/pictures/others/font1.jpg",    // 15
        "data/pictures/others/font2.jpg",    // 16
        "data/pictures/others/logol.jpg",    // 17
        "data/pictures/others/logor.jpg",    // 18
        "data/pictures/menu/ground.jpg",     // 19
        "data/pictures/menu/trlogo.jpg",     // 20
        "data/pictures/menu/single.jpg",     // 21
        "data/pictures/menu/multi.jpg",      // 22
        "data/pictures/menu/settings.jpg",   // 23
        "data/pictures/menu/exit.jpg",       // 24
        "data/pictures/others/window.jpg",   // 25
        "data/pictures/menu/glow.jpg",       // 26
        "data/pictures/menu/logo.jpg",       // 27
        nullptr,                             // 28 belongs to the playgrounds
        "data/pictures/menu/ground1.jpg",    // 29
        "data/pictures/menu/ground2.jpg",    // 30
        "data/pictures/menu/yes.jpg",        // 31
        "data/pictures/menu/no.jpg",         // 32
        "data/pictures/menu/easy.jpg",       // 33
        "data/pictures/menu/normal.jpg",     // 34
        "data/pictures/menu/hard.jpg",       // 35
        "data/pictures/menu/check.jpg",      // 36
        "data/pictures/menu/player1k.jpg",   // 37
        "data/pictures/menu/player2k.jpg",   // 38
        "data/pictures/menu/player1n.jpg",   // 39
        "data/pictures/menu/player2n.jpg",   // 40
        "data/pictures/menu/close.jpg",      // 41
        "data/pictures/menu/local.jpg",      // 42
        "data/pictures/menu/host.jpg",       // 43
        "data/pictures/menu/join.jpg",       // 44
        "data/pictures/menu/back.jpg",       // 45
        "data/pictures/menu/address.jpg",    // 46
        "data/pictures/menu/watch.jpg",      // 47
        "data/pictures/menu/watchoff.jpg",   // 48
    };
    static_assert(sizeof paths / sizeof paths[0] == TEXTURE_SLOTS - 14, "a path for every slot of the base set");
    for (int slot = 14; slot < TEXTURE_SLOTS; slot++)
        if (paths[slot - 14]) loadTexture(game.textures, paths[slot - 14], slot);
}

void loadPlayground2Textures() {
    static const char* const floorAndParts[] = {
        "data/pictures/ground/0.jpg", "data/pictures/ground/1.jpg", "data/pictures/ground/2.jpg",
        "data/pictures/ground/3.jpg", "data/pictures/ground/4.jpg", "data/pictures/ground/5.jpg",
        "data/pictures/ground/6.jpg", "data/pictures/ground/7.jpg", "data/pictures/ground/8.jpg",
        "data/pictures/ground/9.jpg", "data/pictures/ground/10.jpg",
    };
    for (int slot = 0; slot <= 10; slot++) loadTexture(game.textures, floorAndParts[slot], slot);
    loadTexture(game.textures, "data/pictures/ground/17.jpg", 28);
    loadTexture(game.textures, "data/pictures/others/back.jpg", 11);
    loadTexture(game.textures, "data/pictures/others/ball.jpg", 12);
    loadTexture(game.textures, "data/pictures/others/board.jpg", 13);
}

void loadPlayground1Textures() {
    loadTexture(game.textures, "data/pictures/ground/11.jpg", 0);
    // The tennis floor does not animate: the five other frames show the same texture.
    for (int slot = 1; slot <= 5; slot++) game.textures[slot] = game.textures[0];
    static const char* const parts[] = {
        "data/pictures/ground/12.jpg", "data/pictures/ground/13.jpg", "data/pictures/ground/14.jpg",
        "data/pictures/ground/15.jpg", "data/pictures/ground/16.jpg",
    };
    for (int slot = 6; slot <= 10; slot++) loadTexture(game.textures, parts[slot - 6], slot);
    loadTexture(game.textures, "data/pictures/ground/18.jpg", 28);
    loadTexture(game.textures, "data/pictures/others/back2.jpg", 11);
    loadTexture(game.textures, "data/pictures/others/ball2.jpg", 12);
    loadTexture(game.textures, "data/pictures/others/board2.jpg", 13);
}

void freePlayground2Textures() {
    for (int slot = 0; slot <= 13; slot++) deleteSlot(slot);
    deleteSlot(28);
}

void freePlayground1Textures() {
    // Slots 1-5 share slot 0's texture, which is deleted once.
    for (int slot = 6; slot <= 13; slot++) deleteSlot(slot);
    deleteSlot(0);
    deleteSlot(28);
}

void freeBaseTextures() {
    for (int slot = 14; slot <= 27; slot++) deleteSlot(slot);
    for (int slot = 29; slot < TEXTURE_SLOTS; slot++) deleteSlot(slot);
}
