// Texture slots on a real context: which picture lands in which slot, load and delete orders, missing pictures, odd picture formats.
#include <GL/gl.h>
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "assets/textures.h"
#include "picture_io.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

// Every glDeleteTextures call the game makes is seen here on its way to the driver,
// so the tests can tell the order of deletions and that each call deletes one name.
namespace {
bool recordingDeletes = false;
std::vector<std::vector<GLuint>> deleteCalls;
}  // namespace

extern "C" void glDeleteTextures(GLsizei n, const GLuint* textures) {
    typedef void (*DeleteTextures)(GLsizei, const GLuint*);
    static DeleteTextures driver = (DeleteTextures)dlsym(RTLD_NEXT, "glDeleteTextures");
    if (recordingDeletes) deleteCalls.emplace_back(textures, textures + n);
    driver(n, textures);
}

namespace {

// The slot table: every picture path below data/pictures/ with its slot, per set,
// in the order the set loads them.
struct SlotPicture {
    int slot;
    const char* path;
};
const std::vector<SlotPicture> BASE_SET = {
    {14, "others/panel.jpg"},  {15, "others/font1.jpg"},   {16, "others/font2.jpg"},   {17, "others/logol.jpg"},
    {18, "others/logor.jpg"},  {19, "menu/ground.jpg"},    {20, "menu/trlogo.jpg"},    {21, "menu/single.jpg"},
    {22, "menu/multi.jpg"},    {23, "menu/settings.jpg"},  {24, "menu/exit.jpg"},      {25, "others/window.jpg"},
    {26, "menu/glow.jpg"},     {27, "menu/logo.jpg"},      {29, "menu/ground1.jpg"},   {30, "menu/ground2.jpg"},
    {31, "menu/yes.jpg"},      {32, "menu/no.jpg"},        {33, "menu/easy.jpg"},      {34, "menu/normal.jpg"},
    {35, "menu/hard.jpg"},     {36, "menu/check.jpg"},     {37, "menu/player1k.jpg"},  {38, "menu/player2k.jpg"},
    {39, "menu/player1n.jpg"}, {40, "menu/player2n.jpg"},  {41, "menu/close.jpg"},
    {42, "menu/local.jpg"},    {43, "menu/host.jpg"},     {44, "menu/join.jpg"},     {45, "menu/back.jpg"},
    {46, "menu/address.jpg"},  {47, "menu/watch.jpg"},    {48, "menu/watchoff.jpg"},
};
const std::vector<SlotPicture> PLAYGROUND2_SET = {
    {0, "ground/0.jpg"},  {1, "ground/1.jpg"},  {2, "ground/2.jpg"},      {3, "ground/3.jpg"},
    {4, "ground/4.jpg"},  {5, "ground/5.jpg"},  {6, "ground/6.jpg"},      {7, "ground/7.jpg"},
    {8, "ground/8.jpg"},  {9, "ground/9.jpg"},  {10, "ground/10.jpg"},    {28, "ground/17.jpg"},
    {11, "others/back.jpg"}, {12, "others/ball.jpg"}, {13, "others/board.jpg"},
};
const std::vector<SlotPicture> PLAYGROUND1_SET = {
    {0, "ground/11.jpg"},  {6, "ground/12.jpg"},     {7, "ground/13.jpg"},     {8, "ground/14.jpg"},
    {9, "ground/15.jpg"},  {10, "ground/16.jpg"},    {28, "ground/18.jpg"},    {11, "others/back2.jpg"},
    {12, "others/ball2.jpg"}, {13, "others/board2.jpg"},
};

struct Colour {
    int r, g, b;
};

// Each picture of the game gets a flat colour of its own, far enough from all the
// others that JPEG rounding can never turn one into another.
std::map<std::string, Colour> pictureColours() {
    std::map<std::string, Colour> colours;
    int i = 0;
    for (const auto* set : {&BASE_SET, &PLAYGROUND2_SET, &PLAYGROUND1_SET})
        for (const SlotPicture& picture : *set) {
            colours[picture.path] = Colour{20 + (i % 4) * 60, 20 + ((i / 4) % 4) * 60, 20 + (i / 16) * 60};
            i++;
        }
    return colours;
}

void writeFlatJpeg(const std::string& path, Colour colour, int width = 8, int height = 8) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; i++) {
        pixels.push_back((uint8_t)colour.r);
        pixels.push_back((uint8_t)colour.g);
        pixels.push_back((uint8_t)colour.b);
    }
    std::string error;
    ASSERT_TRUE(writeJpeg(path, width, height, 3, pixels.data(), 95, &error)) << error;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

// The texels of a texture, tightly packed RGB rows from the top of the picture.
std::vector<uint8_t> texels(GLuint name, int* width, int* height) {
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
    std::vector<uint8_t> rgb((size_t)*width * *height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return rgb;
}

Colour texelColour(GLuint name) {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = texels(name, &width, &height);
    if (rgb.empty()) return Colour{-1, -1, -1};
    size_t centre = ((size_t)(height / 2) * width + width / 2) * 3;
    return Colour{rgb[centre], rgb[centre + 1], rgb[centre + 2]};
}

// The picture (by path) whose colour a texture shows, or "" for none.
std::string pictureShown(GLuint name, const std::map<std::string, Colour>& colours) {
    Colour seen = texelColour(name);
    for (const auto& entry : colours)
        if (std::abs(entry.second.r - seen.r) <= 6 && std::abs(entry.second.g - seen.g) <= 6 &&
            std::abs(entry.second.b - seen.b) <= 6)
            return entry.first;
    return "";
}

// Each test runs in a working folder of its own holding data/pictures/, as the game
// does beside its data, and puts the process's folder back afterwards.
class Textures : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        openTestWindow();
        char pattern[] = "/tmp/tarvo-textures.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        previous = getcwd(nullptr, 0);
        ASSERT_EQ(chdir(folder.c_str()), 0);
        for (const char* sub : {"data", "data/pictures", "data/pictures/ground", "data/pictures/others",
                                "data/pictures/menu"})
            mkdir(sub, 0777);
        colours = pictureColours();
        recordingDeletes = false;
        deleteCalls.clear();
    }
    void TearDown() override {
        recordingDeletes = false;
        for (GLuint name : everyName) glDeleteTextures(1, &name);
        if (previous) {
            EXPECT_EQ(chdir(previous), 0);
            free(previous);
        }
        std::string command = "rm -rf '" + folder + "'";
        EXPECT_EQ(system(command.c_str()), 0);
    }

    void writeAllPictures() {
        for (const auto& entry : colours) writeFlatJpeg("data/pictures/" + entry.first, entry.second);
    }
    // Remembers the names in the slots, so that TearDown can delete whatever is left.
    void noteNames() {
        for (uint32_t name : game.textures)
            if (name) everyName.insert(name);
    }
    void expectSet(const std::vector<SlotPicture>& set) {
        for (const SlotPicture& picture : set) {
            EXPECT_TRUE(glIsTexture(game.textures[picture.slot])) << "slot " << picture.slot;
            EXPECT_EQ(pictureShown(game.textures[picture.slot], colours), picture.path) << "slot " << picture.slot;
        }
    }

    // Runs a set loader on an empty picture folder again and again: each run stops at
    // the first missing picture, whose path the failure line names; that picture is
    // then supplied. Gives the pictures in the order the loader asks for them.
    std::vector<std::string> loadOrder(void (*loadSet)()) {
        std::vector<std::string> order;
        for (int run = 0; run < 60; run++) {
            testing::internal::CaptureStderr();
            int status = -1;
            bool ended = false;
            try {
                loadSet();
            } catch (const ProgramExit& exit) {
                ended = true;
                status = exit.status;
            }
            std::string line = testing::internal::GetCapturedStderr();
            noteNames();
            if (!ended) {
                EXPECT_EQ(line, "");
                break;
            }
            EXPECT_EQ(status, 1);
            const std::string lead = "Image loading failed: ";
            EXPECT_EQ(line.compare(0, lead.size(), lead), 0) << line;
            EXPECT_EQ(line.back(), '\n');
            size_t at = line.find("data/pictures/");
            if (at == std::string::npos) {
                ADD_FAILURE() << "the failure line names no picture: " << line;
                break;
            }
            std::string path = line.substr(at + 14, line.find_first_of(" \n", at) - at - 14);
            order.push_back(path);
            if (!colours.count(path)) {
                ADD_FAILURE() << "asked for a picture outside the slot table: " << path;
                break;
            }
            writeFlatJpeg("data/pictures/" + path, colours[path]);
        }
        return order;
    }

    std::string folder;
    char* previous = nullptr;
    std::map<std::string, Colour> colours;
    std::set<GLuint> everyName;
};

std::vector<std::string> pathsOf(const std::vector<SlotPicture>& set) {
    std::vector<std::string> paths;
    for (const SlotPicture& picture : set) paths.push_back(picture.path);
    return paths;
}

TEST_F(Textures, EachSetAsksForItsPicturesInItsOwnOrderAndStopsWithStatusOneAtTheFirstMissingOne) {
    EXPECT_EQ(loadOrder(loadBaseTextures), pathsOf(BASE_SET));
    EXPECT_EQ(loadOrder(loadPlayground2Textures), pathsOf(PLAYGROUND2_SET));
    EXPECT_EQ(loadOrder(loadPlayground1Textures), pathsOf(PLAYGROUND1_SET));
}

TEST_F(Textures, BaseSetFillsItsSlotsAndLeavesThePlaygroundSlotsEmpty) {
    writeAllPictures();
    testing::internal::CaptureStderr();
    loadBaseTextures();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    noteNames();
    expectSet(BASE_SET);
    for (int slot = 0; slot <= 13; slot++) EXPECT_EQ(game.textures[slot], 0u) << "slot " << slot;
    EXPECT_EQ(game.textures[28], 0u);
    std::set<uint32_t> distinct(game.textures + 14, game.textures + TEXTURE_SLOTS);
    EXPECT_EQ(distinct.size(), 35u);  // 34 textures and the empty slot 28

    // The last picture loaded stays bound, filtered linearly both ways, with the
    // default wrap modes and three colour components, at its own size.
    GLint bound = 0, minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0, format = 0, width = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((GLuint)bound, game.textures[48]);
    glBindTexture(GL_TEXTURE_2D, game.textures[26]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(wrapS, GL_REPEAT);
    EXPECT_EQ(wrapT, GL_REPEAT);
    EXPECT_TRUE(format == 3 || format == GL_RGB) << format;
    EXPECT_EQ(width, 8);
}

TEST_F(Textures, TennisFloorIsOneTextureInAllSixFrameSlotsAndTheFuturisticFloorSix) {
    writeAllPictures();
    loadPlayground1Textures();
    noteNames();
    expectSet(PLAYGROUND1_SET);
    for (int slot = 1; slot <= 5; slot++) EXPECT_EQ(game.textures[slot], game.textures[0]) << "slot " << slot;
    for (int slot = 14; slot < TEXTURE_SLOTS; slot++)
        if (slot != 28) {
            EXPECT_EQ(game.textures[slot], 0u) << "slot " << slot;
        }

    freePlayground1Textures();
    loadPlayground2Textures();
    noteNames();
    expectSet(PLAYGROUND2_SET);
    std::set<uint32_t> frames(game.textures, game.textures + 6);
    EXPECT_EQ(frames.size(), 6u);
}

TEST_F(Textures, EachSetDeletesItsNamesOneByOneInItsOwnOrder) {
    writeAllPictures();
    auto slotsDeleted = [&]() {
        std::vector<int> slots;
        for (const std::vector<GLuint>& call : deleteCalls) {
            EXPECT_EQ(call.size(), 1u);
            int found = -1;
            for (int slot = 0; slot < TEXTURE_SLOTS && found < 0; slot++)
                if (!call.empty() && game.textures[slot] == call[0]) found = slot;
            slots.push_back(found);
        }
        deleteCalls.clear();
        return slots;
    };
    loadBaseTextures();
    loadPlayground1Textures();
    noteNames();
    const uint32_t floor = game.textures[0];
    recordingDeletes = true;
    freePlayground1Textures();
    recordingDeletes = false;
    EXPECT_EQ(slotsDeleted(), (std::vector<int>{6, 7, 8, 9, 10, 11, 12, 13, 0, 28}));
    EXPECT_FALSE(glIsTexture(floor));

    loadPlayground2Textures();
    noteNames();
    recordingDeletes = true;
    freePlayground2Textures();
    recordingDeletes = false;
    EXPECT_EQ(slotsDeleted(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 28}));

    recordingDeletes = true;
    freeBaseTextures();
    recordingDeletes = false;
    std::vector<int> base;
    for (int slot = 14; slot < TEXTURE_SLOTS; slot++)
        if (slot != 28) base.push_back(slot);
    EXPECT_EQ(slotsDeleted(), base);
}

TEST_F(Textures, NoTextureOutlivesTheExitAfterMatchesOnBothPlaygrounds) {
    writeAllPictures();
    loadBaseTextures();
    noteNames();
    // A match on the futuristic playground, left early, then one on the tennis court.
    loadPlayground2Textures();
    noteNames();
    std::vector<uint32_t> futuristic(game.textures, game.textures + 14);
    futuristic.push_back(game.textures[28]);
    freePlayground2Textures();
    loadPlayground1Textures();
    noteNames();
    // Nothing of the first set lives on, except under a name the second set was given again.
    std::set<uint32_t> tennis(game.textures, game.textures + 14);
    tennis.insert(game.textures[28]);
    for (uint32_t name : futuristic)
        if (!tennis.count(name)) {
            EXPECT_FALSE(glIsTexture(name)) << "name " << name;
        }
    expectSet(BASE_SET);
    expectSet(PLAYGROUND1_SET);
    freePlayground1Textures();

    // Leaving through the menu deletes both playground sets and the base set, whichever was last.
    freePlayground2Textures();
    freePlayground1Textures();
    freeBaseTextures();
    for (uint32_t name : everyName) EXPECT_FALSE(glIsTexture(name)) << "name " << name;
}

TEST_F(Textures, AMissingOrUnreadablePictureEndsTheGameWithTheLibraryText) {
    uint32_t table[TEXTURE_SLOTS] = {};
    writeFile("data/pictures/menu/close.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    for (const char* path : {"data/pictures/menu/nothing.jpg", "data/pictures/menu/close.jpg"}) {
        testing::internal::CaptureStderr();
        int status = -1;
        try {
            loadTexture(table, path, 41);
        } catch (const ProgramExit& exit) {
            status = exit.status;
        }
        std::string line = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 1) << path;
        EXPECT_EQ(line, std::string("Image loading failed: ") + SDL_GetError() + "\n");
        EXPECT_GT(line.size(), std::string("Image loading failed: \n").size()) << "no library text";
        EXPECT_EQ(table[41], 0u);
    }
}

// ---- Pictures in other layouts than the image library's usual 24-bit RGB -----------------

std::vector<uint8_t> littleEndian(uint32_t value, int bytes) {
    std::vector<uint8_t> out;
    for (int i = 0; i < bytes; i++) out.push_back((uint8_t)(value >> (8 * i)));
    return out;
}
void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

// A Windows bitmap of 8 (with a palette), 24 or 32 bits per pixel; `rgb` holds the
// wanted colours, top row first. 8-bit pictures use the red value as palette index
// into a gray palette.
std::vector<uint8_t> bitmap(int width, int height, int bits, const std::vector<uint8_t>& rgb) {
    int bytesPerPixel = bits / 8;
    int rowBytes = (width * bytesPerPixel + 3) & ~3;
    int paletteBytes = bits == 8 ? 256 * 4 : 0;
    int offset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> out = {'B', 'M'};
    append(out, littleEndian(offset + rowBytes * height, 4));
    append(out, littleEndian(0, 4));
    append(out, littleEndian(offset, 4));
    append(out, littleEndian(40, 4));
    append(out, littleEndian(width, 4));
    append(out, littleEndian(height, 4));
    append(out, littleEndian(1, 2));
    append(out, littleEndian(bits, 2));
    append(out, littleEndian(0, 4));  // no compression
    append(out, littleEndian(rowBytes * height, 4));
    append(out, littleEndian(2835, 4));
    append(out, littleEndian(2835, 4));
    append(out, littleEndian(bits == 8 ? 256 : 0, 4));
    append(out, littleEndian(0, 4));
    for (int i = 0; i < paletteBytes / 4; i++) append(out, {(uint8_t)i, (uint8_t)i, (uint8_t)i, 0});
    for (int y = height - 1; y >= 0; y--) {  // bottom row first
        std::vector<uint8_t> row;
        for (int x = 0; x < width; x++) {
            const uint8_t* p = &rgb[((size_t)y * width + x) * 3];
            if (bits == 8) row.push_back(p[0]);
            if (bits >= 24) append(row, {p[2], p[1], p[0]});
            if (bits == 32) row.push_back(0xFF);
        }
        row.resize(rowBytes, 0);
        append(out, row);
    }
    return out;
}

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < size; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}
std::vector<uint8_t> bigEndian(uint32_t value) {
    return {(uint8_t)(value >> 24), (uint8_t)(value >> 16), (uint8_t)(value >> 8), (uint8_t)value};
}
void pngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    append(out, bigEndian((uint32_t)data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    append(typed, data);
    append(out, typed);
    append(out, bigEndian(crc32(typed.data(), typed.size())));
}

// A PNG with an alpha channel (uncompressed deflate blocks); alpha runs across the row.
std::vector<uint8_t> pngWithAlpha(int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; y++) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; x++) {
            const uint8_t* p = &rgb[((size_t)y * width + x) * 3];
            append(raw, {p[0], p[1], p[2], (uint8_t)(255 - 100 * x)});
        }
    }
    std::vector<uint8_t> zlib = {0x78, 0x01, 0x01};  // one final stored block
    append(zlib, littleEndian((uint32_t)raw.size(), 2));
    append(zlib, littleEndian((uint32_t)(~raw.size()) & 0xFFFF, 2));
    append(zlib, raw);
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    append(zlib, bigEndian((b << 16) | a));
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header = bigEndian(width);
    append(header, bigEndian(height));
    append(header, {8, 6, 0, 0, 0});  // 8-bit RGBA
    pngChunk(out, "IHDR", header);
    pngChunk(out, "IDAT", zlib);
    pngChunk(out, "IEND", {});
    return out;
}

// A few distinct colours, one per pixel.
std::vector<uint8_t> testColours(int width, int height, bool gray) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < width * height; i++) {
        uint8_t r = (uint8_t)(17 + 23 * i), g = gray ? r : (uint8_t)(250 - 31 * i), b = gray ? r : (uint8_t)(90 + 41 * i);
        append(rgb, {r, g, b});
    }
    return rgb;
}

// Loads a file through the game and reads the texture back.
std::vector<uint8_t> loadAndRead(const char* path, int* width, int* height) {
    uint32_t table[TEXTURE_SLOTS] = {};
    testing::internal::CaptureStderr();
    loadTexture(table, path, 5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << path;
    std::vector<uint8_t> rgb = texels(table[5], width, height);
    glDeleteTextures(1, &table[5]);
    return rgb;
}

TEST_F(Textures, PicturesInOtherLayoutsAreUploadedAsTheirOwnColours) {
    struct Case {
        const char* name;
        int width, height;
        std::vector<uint8_t> file, rgb;
    };
    std::vector<Case> cases;
    std::vector<uint8_t> colours5x3 = testColours(5, 3, false), gray3x3 = testColours(3, 3, true),
                         colours3x2 = testColours(3, 2, false);
    cases.push_back({"24-bit BGR bitmap, rows of 15 bytes", 5, 3, bitmap(5, 3, 24, colours5x3), colours5x3});
    cases.push_back({"8-bit gray palette bitmap", 3, 3, bitmap(3, 3, 8, gray3x3), gray3x3});
    cases.push_back({"32-bit bitmap", 3, 2, bitmap(3, 2, 32, colours3x2), colours3x2});
    cases.push_back({"PNG with alpha", 3, 2, pngWithAlpha(3, 2, colours3x2), colours3x2});
    for (const Case& c : cases) {
        // All under a .jpg name: the image library goes by the contents.
        writeFile("data/pictures/menu/close.jpg", c.file);
        int width = 0, height = 0;
        std::vector<uint8_t> rgb = loadAndRead("data/pictures/menu/close.jpg", &width, &height);
        EXPECT_EQ(width, c.width) << c.name;
        EXPECT_EQ(height, c.height) << c.name;
        EXPECT_EQ(rgb, c.rgb) << c.name;
    }
}

TEST_F(Textures, GrayscaleAndNarrowJpegsKeepTheirRows) {
    // Three flat 8 x 8 blocks of gray, so the JPEG keeps their values.
    const int levels[3] = {60, 190, 120};
    std::vector<uint8_t> gray;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 24; x++) gray.push_back((uint8_t)levels[x / 8]);
    std::string error;
    ASSERT_TRUE(writeJpeg("data/pictures/menu/check.jpg", 24, 8, 1, gray.data(), 95, &error)) << error;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = loadAndRead("data/pictures/menu/check.jpg", &width, &height);
    ASSERT_EQ(width, 24);
    ASSERT_EQ(height, 8);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 24; x++)
            for (int c = 0; c < 3; c++)
                EXPECT_NEAR(rgb[((size_t)y * 24 + x) * 3 + c], levels[x / 8], 2) << "x " << x << " y " << y;

    // Ten pixels across make rows of 30 bytes, padded to 32: each row of the texture
    // must start where the picture's row does, or the colours slide along.
    const Colour top{200, 40, 90}, bottom{30, 160, 220};
    std::vector<uint8_t> two;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 10; x++) {
            const Colour& c = y < 8 ? top : bottom;
            append(two, {(uint8_t)c.r, (uint8_t)c.g, (uint8_t)c.b});
        }
    ASSERT_TRUE(writeJpeg("data/pictures/menu/yes.jpg", 10, 16, 3, two.data(), 95, &error)) << error;
    rgb = loadAndRead("data/pictures/menu/yes.jpg", &width, &height);
    ASSERT_EQ(width, 10);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 10; x++) {
            const Colour& c = y < 8 ? top : bottom;
            const uint8_t* p = &rgb[((size_t)y * 10 + x) * 3];
            EXPECT_NEAR(p[0], c.r, 6) << "x " << x << " y " << y;
            EXPECT_NEAR(p[1], c.g, 6) << "x " << x << " y " << y;
            EXPECT_NEAR(p[2], c.b, 6) << "x " << x << " y " << y;
        }
}

}  // namespace
