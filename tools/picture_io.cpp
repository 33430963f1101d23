// Writers for the file formats the generator makes: baseline JPEG pictures and 16-bit stereo WAV sounds
// for the game, PNG icons for the desktop.
#include "picture_io.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace {

struct JpegFailure {
    jpeg_error_mgr manager;
    jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    JpegFailure* failure = reinterpret_cast<JpegFailure*>(info->err);
    (*info->err->format_message)(info, failure->message);
    longjmp(failure->back, 1);
}

// libpng reports a failure through this and expects no return.
void onPngError(png_structp png, png_const_charp message) {
    snprintf(static_cast<char*>(png_get_error_ptr(png)), 256, "%s", message);
    png_longjmp(png, 1);
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void putTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

bool writeJpeg(const std::string& path, int width, int height, int components,
               const uint8_t* pixels, int quality, std::string* error) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    jpeg_compress_struct info;
    JpegFailure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = onJpegError;
    if (setjmp(failure.back)) {
        jpeg_destroy_compress(&info);
        fclose(file);
        *error = path + ": " + failure.message;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = (JDIMENSION)width;
    info.image_height = (JDIMENSION)height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Thin letters and neon lines keep their colour edges only at full chroma resolution.
    for (int c = 0; c < info.num_components; c++) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    info.optimize_coding = TRUE;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = (size_t)width * (size_t)components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + rowBytes * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    bool closed = fclose(file) == 0;
    if (!closed) *error = path + ": " + strerror(errno);
    return closed;
}

bool writeWav(const std::string& path, const std::vector<int16_t>& interleaved, std::string* error) {
    const uint32_t dataBytes = (uint32_t)(interleaved.size() * sizeof(int16_t));
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, WAV_CHANNELS);
    put32(out, WAV_RATE);
    put32(out, WAV_RATE * WAV_CHANNELS * 2);  // bytes per second
    put16(out, WAV_CHANNELS * 2);             // bytes per frame
    put16(out, 16);                           // bits per sample
    putTag(out, "data");
    put32(out, dataBytes);
    for (int16_t sample : interleaved) put16(out, (uint16_t)sample);

    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    bool written = fwrite(out.data(), 1, out.size(), file) == out.size();
    bool closed = fclose(file) == 0;
    if (!written || !closed) *error = path + ": " + strerror(errno);
    return written && closed;
}

bool writePng(const std::string& path, int width, int height, const uint8_t* rgba, std::string* error) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    char message[256] = "";
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, onPngError, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        *error = path + ": " + (message[0] ? message : "out of memory");
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < height; y++) png_write_row(png, rgba + (size_t)y * (size_t)width * 4);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    bool closed = fclose(file) == 0;
    if (!closed) *error = path + ": " + strerror(errno);
    return closed;
}
