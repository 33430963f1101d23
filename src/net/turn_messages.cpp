// TURN's requests written and signed, its answers, indications and ChannelData read back by bounded readers.
#include "net/turn_messages.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <openssl/evp.h>
#include <openssl/hmac.h>

static const uint32_t COOKIE = 0x2112A442;
enum {
    ATTR_CHANNEL_NUMBER = 0x000C,
    ATTR_LIFETIME = 0x000D,
    ATTR_USERNAME = 0x0006,
    ATTR_INTEGRITY = 0x0008,
    ATTR_ERROR_CODE = 0x0009,
    ATTR_PEER = 0x0012,
    ATTR_DATA = 0x0013,
    ATTR_REALM = 0x0014,
    ATTR_NONCE = 0x0015,
    ATTR_RELAYED = 0x0016,
    ATTR_TRANSPORT = 0x0019,
};

static void put16(uint8_t* out, uint16_t value) {
    out[0] = (uint8_t)(value >> 8);
    out[1] = (uint8_t)value;
}
static void put32(uint8_t* out, uint32_t value) {
    put16(out, (uint16_t)(value >> 16));
    put16(out + 2, (uint16_t)value);
}
static uint16_t get16(const uint8_t* in) { return (uint16_t)(in[0] << 8 | in[1]); }
static uint32_t get32(const uint8_t* in) { return (uint32_t)get16(in) << 16 | get16(in + 2); }

// The message being written: its bytes so far, and whether they still fit.
struct Writing {
    uint8_t* out;
    size_t room, used;
    bool fits;
};

static void attribute(Writing& w, uint16_t type, const void* value, size_t length) {
    const size_t padded = (length + 3) & ~(size_t)3;
    if (!w.fits || w.used + 4 + padded > w.room) {
        w.fits = false;
        return;
    }
    put16(w.out + w.used, type);
    put16(w.out + w.used + 2, (uint16_t)length);
    std::memset(w.out + w.used + 4, 0, padded);
    if (length) std::memcpy(w.out + w.used + 4, value, length);
    w.used += 4 + padded;
}

static void xorAddress(Writing& w, uint16_t type, const char* address, uint16_t port) {
    in_addr in;
    if (inet_pton(AF_INET, address, &in) != 1) {
        w.fits = false;
        return;
    }
    uint8_t value[8] = {0, 0x01};
    put16(value + 2, (uint16_t)(port ^ (COOKIE >> 16)));
    put32(value + 4, ntohl(in.s_addr) ^ COOKIE);
    attribute(w, type, value, sizeof value);
}

size_t writeTurnRequest(uint8_t* out, size_t room, const TurnRequest& request) {
    Writing w{out, room, 20, room >= 20};
    if (!w.fits) return 0;
    put16(out, request.method);
    put32(out + 4, COOKIE);
    std::memcpy(out + 8, request.transaction, TURN_TRANSACTION_SIZE);
    if (request.transport) {
        const uint8_t udp[4] = {17, 0, 0, 0};
        attribute(w, ATTR_TRANSPORT, udp, sizeof udp);
    }
    if (request.lifetime >= 0) {
        uint8_t lifetime[4];
        put32(lifetime, (uint32_t)request.lifetime);
        attribute(w, ATTR_LIFETIME, lifetime, sizeof lifetime);
    }
    if (request.channel) {
        uint8_t channel[4] = {0, 0, 0, 0};
        put16(channel, request.channel);
        attribute(w, ATTR_CHANNEL_NUMBER, channel, sizeof channel);
    }
    if (request.peer[0]) xorAddress(w, ATTR_PEER, request.peer, request.peerPort);
    if (request.user && request.realm && request.nonce && request.password) {
        attribute(w, ATTR_USERNAME, request.user, std::strlen(request.user));
        attribute(w, ATTR_REALM, request.realm, std::strlen(request.realm));
        attribute(w, ATTR_NONCE, request.nonce, std::strlen(request.nonce));
        // The long-term credentials' key, MD5 of "user:realm:password"; the
        // HMAC-SHA1 covers the message with its length already counting itself.
        if (!w.fits || w.used + 24 > w.room) return 0;
        char keyText[2 * TURN_CREDENTIAL_SIZE + TURN_REALM_SIZE + 4];
        const int keyLength = snprintf(keyText, sizeof keyText, "%s:%s:%s", request.user, request.realm, request.password);
        if (keyLength < 0 || (size_t)keyLength >= sizeof keyText) return 0;
        uint8_t key[16];
        unsigned keySize = 0;
        if (!EVP_Digest(keyText, (size_t)keyLength, key, &keySize, EVP_md5(), nullptr)) return 0;
        put16(out + 2, (uint16_t)(w.used + 24 - 20));
        uint8_t mac[20];
        unsigned macSize = 0;
        if (!HMAC(EVP_sha1(), key, (int)keySize, out, w.used, mac, &macSize) || macSize != 20) return 0;
        attribute(w, ATTR_INTEGRITY, mac, sizeof mac);
    }
    if (!w.fits) return 0;
    put16(out + 2, (uint16_t)(w.used - 20));
    return w.used;
}

static bool readXorAddress(const uint8_t* value, uint16_t size, char* address, uint16_t* port) {
    if (size != 8 || value[1] != 0x01) return false;  // IPv4 only
    in_addr in;
    in.s_addr = htonl(get32(value + 4) ^ COOKIE);
    *port = (uint16_t)(get16(value + 2) ^ (COOKIE >> 16));
    return inet_ntop(AF_INET, &in, address, ADDRESS_TEXT_SIZE) != nullptr;
}

// Text the server chose (a realm, a nonce): printable, and short enough to keep.
static bool readText(const uint8_t* value, uint16_t size, char* text, size_t room) {
    if (size >= room) return false;
    for (uint16_t i = 0; i < size; i++)
        if (value[i] < 32 || value[i] > 126) return false;
    std::memcpy(text, value, size);
    text[size] = 0;
    return true;
}

bool readTurnMessage(const uint8_t* bytes, size_t length, TurnMessage* message) {
    if (length < 20 || length > TURN_MESSAGE_MAX || (bytes[0] & 0xC0) != 0 || get32(bytes + 4) != COOKIE ||
        (size_t)get16(bytes + 2) + 20 != length || length % 4 != 0)
        return false;
    TurnMessage read = {};
    const uint16_t type = get16(bytes);
    read.kind = type & 0x0110;
    read.method = (uint16_t)(type & ~0x0110);
    read.lifetime = -1;
    std::memcpy(read.transaction, bytes + 8, TURN_TRANSACTION_SIZE);
    for (size_t at = 20; at < length;) {
        if (at + 4 > length) return false;
        const uint16_t attr = get16(bytes + at), size = get16(bytes + at + 2);
        if (at + 4 + size > length) return false;
        const uint8_t* value = bytes + at + 4;
        bool ok = true;
        switch (attr) {
        case ATTR_ERROR_CODE:
            ok = size >= 4 && (value[2] & 7) >= 3 && (value[2] & 7) <= 6 && value[3] < 100;
            if (ok) read.error = (value[2] & 7) * 100 + value[3];
            break;
        case ATTR_REALM: ok = readText(value, size, read.realm, sizeof read.realm); break;
        case ATTR_NONCE: ok = readText(value, size, read.nonce, sizeof read.nonce); break;
        case ATTR_RELAYED: ok = readXorAddress(value, size, read.relayed, &read.relayedPort); break;
        case ATTR_PEER: ok = readXorAddress(value, size, read.peer, &read.peerPort); break;
        case ATTR_LIFETIME:
            ok = size == 4 && get32(value) < 0x80000000u;
            if (ok) read.lifetime = (int32_t)get32(value);
            break;
        case ATTR_DATA:
            read.data = value;
            read.dataLength = size;
            break;
        default: break;  // what this game does not use
        }
        if (!ok) return false;
        at += 4 + ((size + 3u) & ~3u);
    }
    *message = read;
    return true;
}

size_t writeChannelData(uint8_t* out, size_t room, uint16_t channel, const uint8_t* data, size_t length) {
    const size_t padded = (length + 3) & ~(size_t)3;
    if (length > 0xFFFF || CHANNEL_DATA_HEAD + padded > room) return 0;
    put16(out, channel);
    put16(out + 2, (uint16_t)length);
    std::memcpy(out + CHANNEL_DATA_HEAD, data, length);
    std::memset(out + CHANNEL_DATA_HEAD + length, 0, padded - length);
    return CHANNEL_DATA_HEAD + padded;
}

bool readChannelData(const uint8_t* bytes, size_t length, uint16_t* channel, const uint8_t** data, size_t* dataLength) {
    if (length < CHANNEL_DATA_HEAD) return false;
    const uint16_t number = get16(bytes), size = get16(bytes + 2);
    if (number < TURN_FIRST_CHANNEL || number > 0x7FFF || CHANNEL_DATA_HEAD + (size_t)size > length) return false;
    *channel = number;
    *data = bytes + CHANNEL_DATA_HEAD;
    *dataLength = size;
    return true;
}
