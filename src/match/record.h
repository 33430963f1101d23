// A match's fields in a fixed order, little-endian, and their checksum: how a match travels and is kept.
#pragma once

#include <cstdint>
#include <cstring>

struct MatchState;

// Bytes of a match as writeMatch lays it out.
enum { MATCH_RECORD_BYTES = 211 };

// Where a match's values may lie for the game to use them.
const float MATCH_BALL_X_LIMIT = 1000.0f;  // a very fast ball may fly far past an end before the next rally
const float MATCH_BALL_Y_LIMIT = 0.475f;
const float MATCH_BAT_LIMIT = 0.4f;
enum { MATCH_POINTS_MAX = 15, MATCH_GAMES_MAX = 3, MATCH_FRAMES = 6 };

// Writes every field of the match part of the record, MATCH_RECORD_BYTES of them.
void writeMatch(uint8_t* out, const MatchState& match);
// Reads them back: true and the match when every value lies where the game can use it.
bool readMatch(const uint8_t* in, MatchState* match);
// FNV-1a over the bytes writeMatch gives: the same on every machine.
uint32_t matchChecksum(const MatchState& match);

// A player's name as it travels and is kept: 8 bytes, zero after its end. The
// reader takes 1 to 8 characters the font draws and gives them zero-terminated
// (room for NAME_BYTES + 1).
enum { NAME_BYTES = 8 };
void writeName(uint8_t* out, const char* name);
bool readName(const uint8_t* in, char* name);

// Numbers as they travel and are kept: little-endian, floats as IEEE single precision.
inline void putU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; i++) out[i] = (uint8_t)(value >> (8 * i));
}
inline uint32_t getU32(const uint8_t* in) {
    return (uint32_t)in[0] | (uint32_t)in[1] << 8 | (uint32_t)in[2] << 16 | (uint32_t)in[3] << 24;
}
inline void putFloat(uint8_t* out, float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    putU32(out, bits);
}
inline float getFloat(const uint8_t* in) {
    uint32_t bits = getU32(in);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}
