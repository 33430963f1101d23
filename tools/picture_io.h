// Writers for the file formats the generator makes: baseline JPEG pictures and 16-bit stereo WAV sounds
// for the game, PNG icons for the desktop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit pixels, top row first, as a baseline JPEG with full-resolution
// colour (no chroma subsampling). components is 3 (RGB) or 1 (grayscale).
// Returns false with a reason in `error` when the file cannot be written.
bool writeJpeg(const std::string& path, int width, int height, int components,
               const uint8_t* pixels, int quality, std::string* error);

// Sound format of every WAV: 22050 Hz, signed 16-bit little-endian, two channels.
enum { WAV_RATE = 22050, WAV_CHANNELS = 2 };

// Writes interleaved left/right samples as a PCM WAV in the format above.
bool writeWav(const std::string& path, const std::vector<int16_t>& interleaved, std::string* error);

// Writes 8-bit red, green, blue and alpha pixels, top row first, as a PNG.
bool writePng(const std::string& path, int width, int height, const uint8_t* rgba, std::string* error);
