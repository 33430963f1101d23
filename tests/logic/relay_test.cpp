// The relay against a stand-in TURN server on the stand-in datagrams: its requests signed with the
// long-term credentials, the host let in and bound where its probe came from, ENet's datagrams carried
// both ways as ChannelData, everything refreshed before it runs out, and released at the end.
#include <gtest/gtest.h>

#include <cstring>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "core/platform.h"
#include "net/lobby_messages.h"
#include "net/relay.h"
#include "net/turn_messages.h"
#include "support/fake_platform.h"

namespace {

struct Server {
    int socket;
    TurnMessage asked;
    std::vector<uint8_t> bytes;  // the request, kept: asked.data points into it
    char from[ADDRESS_TEXT_SIZE];
    uint16_t port;

    // The next request that came, false for none.
    bool next() {
        bytes.assign(TURN_MESSAGE_MAX, 0);
        const int length = platform.udpReceive(socket, bytes.data(), bytes.size(), from, &port);
        if (length <= 0) return false;
        bytes.resize((size_t)length);
        return readTurnMessage(bytes.data(), bytes.size(), &asked);
    }
    // The request's MESSAGE-INTEGRITY, last, is HMAC-SHA1 under MD5("user:tarvo:secret").
    bool signedRight() const {
        if (bytes.size() < 44 || bytes[bytes.size() - 24] != 0 || bytes[bytes.size() - 23] != 0x08) return false;
        uint8_t key[16];
        unsigned keySize = 0;
        const std::string text = "user:tarvo:secret";
        EVP_Digest(text.data(), text.size(), key, &keySize, EVP_md5(), nullptr);
        uint8_t mac[20];
        unsigned macSize = 0;
        HMAC(EVP_sha1(), key, (int)keySize, bytes.data(), bytes.size() - 24, mac, &macSize);
        return std::memcmp(mac, &bytes[bytes.size() - 20], 20) == 0;
    }
    // An answer of class `kind` to the request, with `attributes` (type, value) after the head.
    void answer(uint16_t kind, const std::vector<std::pair<uint16_t, std::vector<uint8_t>>>& attributes = {}) {
        std::vector<uint8_t> out(20);
        const uint16_t type = (uint16_t)(asked.method | kind);
        out[0] = (uint8_t)(type >> 8), out[1] = (uint8_t)type;
        const uint8_t cookie[4] = {0x21, 0x12, 0xA4, 0x42};
        std::memcpy(&out[4], cookie, 4);
        std::memcpy(&out[8], asked.transaction, 12);
        for (const auto& [attribute, value] : attributes) {
            out.push_back((uint8_t)(attribute >> 8)), out.push_back((uint8_t)attribute);
            out.push_back((uint8_t)(value.size() >> 8)), out.push_back((uint8_t)value.size());
            out.insert(out.end(), value.begin(), value.end());
            while (out.size() % 4) out.push_back(0);
        }
        out[2] = (uint8_t)((out.size() - 20) >> 8), out[3] = (uint8_t)(out.size() - 20);
        platform.udpSend(socket, from, port, out.data(), out.size());
    }
};

// XOR-RELAYED-ADDRESS and XOR-PEER-ADDRESS: 192.0.2.1:49152, and 198.51.100.11:40000.
const std::vector<uint8_t> RELAYED = {0, 1, 0xE1, 0x12, 0xE1, 0x12, 0xA6, 0x43};
const std::vector<uint8_t> PEER = {0, 1, 0xBD, 0x52, 0xE7, 0x21, 0xC0, 0x49};

}  // namespace

TEST(Relay, SignsItsRequestsLetsTheHostInCarriesBothWaysRefreshesAndReleases) {
    freshGame();
    game.netRole = NET_ROLE_GUEST;
    std::strcpy(game.stunHost, "192.0.2.1");
    game.stunPort = 3478;
    std::strcpy(game.relayUser, "user");
    std::strcpy(game.relayPassword, "secret");
    std::strcpy(game.meetCode, "K7M2QX");
    Meeting& host = game.meetings[0];
    std::strcpy(host.id, "host");
    for (int i = 0; i < MEET_TOKEN_SIZE; i++) host.token[i] = (uint8_t)i;
    host.candidates[0] = {"198.51.100.11", 47312, CANDIDATE_OUTSIDE};
    host.candidateCount = 1;
    EXPECT_TRUE(relayPossible());
    fake::machine = "192.0.2.1";
    Server server{platform.udpOpen(3478), {}, {}, {}, 0};
    fake::machine = "10.0.0.2";
    game.netHost = platform.netClient();
    const char* why = nullptr;

    // Allocate: unsigned, refused with the realm and a nonce, then signed.
    startRelay();
    ASSERT_TRUE(server.next());
    EXPECT_EQ(server.asked.method, TURN_ALLOCATE);
    EXPECT_EQ(server.asked.lifetime, 600);
    server.answer(TURN_ERROR, {{0x0009, {0, 0, 4, 1}}, {0x0014, {'t', 'a', 'r', 'v', 'o'}}, {0x0015, {'n', '1'}}});
    EXPECT_EQ(relayOnward(&why), RELAY_GOING);
    ASSERT_TRUE(server.next());
    EXPECT_EQ(server.asked.method, TURN_ALLOCATE);
    EXPECT_TRUE(server.signedRight());
    server.answer(TURN_SUCCESS, {{0x0016, RELAYED}, {0x000D, {0, 0, 2, 0x58}}});
    // The host let in by its outside address; the relay's address a candidate of this side's.
    EXPECT_EQ(relayOnward(&why), RELAY_GOING);
    ASSERT_TRUE(server.next());
    EXPECT_EQ(server.asked.method, TURN_CREATE_PERMISSION);
    EXPECT_STREQ(server.asked.peer, "198.51.100.11");
    EXPECT_TRUE(server.signedRight());
    server.answer(TURN_SUCCESS);
    EXPECT_EQ(relayOnward(&why), RELAY_KNOCK);
    EXPECT_STREQ(game.relay.relayed, "192.0.2.1");
    EXPECT_EQ(game.relay.relayedPort, 49152);

    // A stranger's datagram through the relay binds nothing; the host's probe binds the channel to where it came from.
    uint8_t probe[PUNCH_SIZE], stranger[PUNCH_SIZE];
    writePunch(probe, PUNCH_PROBE, "K7M2QX", host.token);
    const uint8_t otherToken[MEET_TOKEN_SIZE] = {9};
    writePunch(stranger, PUNCH_PROBE, "K7M2QX", otherToken);
    for (const uint8_t* datagram : {stranger, probe}) {
        server.asked.method = TURN_DATA;
        server.answer(TURN_INDICATION, {{0x0012, PEER}, {0x0013, std::vector<uint8_t>(datagram, datagram + PUNCH_SIZE)}});
        EXPECT_EQ(relayOnward(&why), RELAY_GOING);
    }
    ASSERT_TRUE(server.next());
    EXPECT_EQ(server.asked.method, TURN_CHANNEL_BIND);
    EXPECT_STREQ(server.asked.peer, "198.51.100.11");
    EXPECT_EQ(server.asked.peerPort, 40000);
    EXPECT_FALSE(server.next() && server.asked.method == TURN_CHANNEL_BIND);  // one bind, for the host's probe only
    server.answer(TURN_SUCCESS);
    ASSERT_EQ(relayOnward(&why), RELAY_MET);
    EXPECT_STREQ(game.netHostName, "127.0.0.1");
    EXPECT_EQ(game.netPort, game.relay.socketPort);
    EXPECT_EQ(game.meetPath, CANDIDATE_RELAY);

    // ENet's datagrams to the host as ChannelData, and the host's back to ENet.
    const int enet = platform.netSocket(game.netHost);
    const uint8_t hello[5] = {'h', 'e', 'l', 'l', 'o'};
    platform.udpSend(enet, "127.0.0.1", game.relay.socketPort, hello, sizeof hello);
    pumpRelay();
    uint8_t got[64];
    char from[ADDRESS_TEXT_SIZE];
    uint16_t port;
    ASSERT_EQ(platform.udpReceive(server.socket, got, sizeof got, from, &port), 12);
    EXPECT_EQ(std::vector<uint8_t>(got, got + 9), std::vector<uint8_t>({0x40, 0, 0, 5, 'h', 'e', 'l', 'l', 'o'}));
    const uint8_t back[8] = {0x40, 0, 0, 3, 'y', 'e', 's', 0};
    platform.udpSend(server.socket, from, port, back, sizeof back);
    pumpRelay();
    ASSERT_EQ(platform.udpReceive(enet, got, sizeof got, from, &port), 3);
    EXPECT_EQ(std::string((const char*)got, 3), "yes");
    EXPECT_EQ(port, game.relay.socketPort);

    // Refreshed before they run out: the permission after four minutes, the
    // allocation at half its ten, then the channel; a stale nonce is renewed.
    const std::pair<uint32_t, uint16_t> due[] = {
        {240000, TURN_CREATE_PERMISSION}, {300000, TURN_REFRESH}, {300000, TURN_CHANNEL_BIND}};
    for (const auto& [at, method] : due) {
        fake::ticks = at;
        pumpRelay();
        ASSERT_TRUE(server.next()) << method;
        EXPECT_EQ(server.asked.method, method);
        if (method == TURN_REFRESH) {
            server.answer(TURN_ERROR, {{0x0009, {0, 0, 4, 38}}, {0x0015, {'n', '2'}}});
            pumpRelay();
            ASSERT_TRUE(server.next());
            EXPECT_EQ(server.asked.method, TURN_REFRESH);
            EXPECT_TRUE(server.signedRight());
            EXPECT_NE(std::string((const char*)server.bytes.data(), server.bytes.size()).find("n2"), std::string::npos);
        }
        server.answer(TURN_SUCCESS);
        pumpRelay();
    }
    EXPECT_FALSE(server.next());

    // Released: a refresh of no lifetime, and the socket closed.
    releaseRelay();
    ASSERT_TRUE(server.next());
    EXPECT_EQ(server.asked.method, TURN_REFRESH);
    EXPECT_EQ(server.asked.lifetime, 0);
    EXPECT_EQ(game.relay.socket, -1);
}
