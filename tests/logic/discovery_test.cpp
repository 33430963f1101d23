// Finding hosts on the local network over the stand-in datagrams: the packets' readers, a host's answers and their limit, a guest's list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/game_state.h"
#include "core/platform.h"
#include "net/discovery.h"
#include "net/protocol.h"
#include "support/fake_platform.h"

// Datagrams the socket sent so far (to the address, when one is given).
static int answersFrom(int socket, const char* to = nullptr) {
    int count = 0;
    for (const FakeDatagram& sent : fake::udpSent) count += sent.socket == socket && (!to || sent.to == to);
    return count;
}

// A stand-in host on another machine: answers every question waiting at its socket; how many it answered.
static int answerAll(int socket, uint8_t free, uint16_t port, const char* name) {
    uint8_t in[64], out[DISCOVERY_ANSWER_SIZE];
    char from[ADDRESS_TEXT_SIZE];
    uint16_t fromPort;
    DiscoveryAnswer answer{free, port, {}};
    snprintf(answer.name, sizeof answer.name, "%s", name);
    int answered = 0;
    for (int length; (length = platform.udpReceive(socket, in, sizeof in, from, &fromPort)) != 0;) {
        if (length < 0 || !readQuestion(in, (size_t)length)) continue;
        platform.udpSend(socket, from, fromPort, out, writeAnswer(out, answer));
        answered++;
    }
    return answered;
}

static int socketOn(const char* machine, uint16_t port) {
    fake::machine = machine;
    int socket = platform.udpOpen(port);
    fake::machine = "10.0.0.1";
    return socket;
}

TEST(Discovery, ReadersTakeSoundPacketsAndRefuseEveryFlaw) {
    uint8_t packet[DISCOVERY_ANSWER_SIZE];
    ASSERT_EQ(writeQuestion(packet), 8u);
    EXPECT_TRUE(readQuestion(packet, 8));
    EXPECT_FALSE(readQuestion(packet, 7));
    uint8_t longer[9] = {};
    memcpy(longer, packet, 8);
    EXPECT_FALSE(readQuestion(longer, 9));
    DiscoveryAnswer any;
    EXPECT_FALSE(readAnswer(packet, 8, &any));  // a question is no answer
    for (int at : {0, 3, 4, 5, 7}) {            // magic, version, the zero bytes
        writeQuestion(packet);
        packet[at] ^= 1;
        EXPECT_FALSE(readQuestion(packet, 8)) << "byte " << at;
    }

    const DiscoveryAnswer sent{1, 47312, "kajax"};
    ASSERT_EQ(writeAnswer(packet, sent), 16u);
    EXPECT_EQ(packet[6], 0xB8);  // the port big-endian
    EXPECT_EQ(packet[7], 0xD0);
    DiscoveryAnswer read{};
    ASSERT_TRUE(readAnswer(packet, 16, &read));
    EXPECT_EQ(read.free, 1);
    EXPECT_EQ(read.port, 47312);
    EXPECT_STREQ(read.name, "kajax");
    EXPECT_FALSE(readQuestion(packet, 8));
    EXPECT_FALSE(readAnswer(packet, 15, &read));

    // Each flaw alone refuses the answer and leaves what the caller holds.
    struct Flaw {
        int at;
        uint8_t value;
    };
    for (Flaw flaw : {Flaw{3, '?'}, Flaw{0, 't'}, Flaw{4, NET_PROTOCOL_VERSION + 1}, Flaw{5, 2}, Flaw{8, 0},
                      Flaw{9, 7}, Flaw{14, 'x'}}) {
        writeAnswer(packet, sent);
        packet[flaw.at] = flaw.value;
        read = DiscoveryAnswer{0, 1, "old"};
        EXPECT_FALSE(readAnswer(packet, 16, &read)) << "byte " << flaw.at;
        EXPECT_STREQ(read.name, "old");
    }
    writeAnswer(packet, DiscoveryAnswer{0, 0, "kajax"});
    EXPECT_FALSE(readAnswer(packet, 16, &read)) << "port 0";
}

TEST(Discovery, HostAnswersAGuestAtMostFourTimesASecondAndIgnoresGarbage) {
    freshGame();
    game.netPort = 47400;
    strcpy(game.p1name, "kajax");
    startAnswering();
    ASSERT_GE(game.answerSocket, 0);

    // A guest on the same machine asks by broadcast and at 127.0.0.1: one row, 127.0.0.1.
    startLooking();
    lookForHosts();
    answerQuestions(1);
    lookForHosts();
    ASSERT_EQ(game.foundHostCount, 1);
    EXPECT_STREQ(game.foundHosts[0].address, "127.0.0.1");
    EXPECT_EQ(game.foundHosts[0].port, 47400);
    EXPECT_STREQ(game.foundHosts[0].name, "kajax");
    EXPECT_EQ(game.foundHosts[0].free, 1);
    EXPECT_EQ(answersFrom(game.answerSocket), 2);
    stopLooking();

    // A flood from another machine: a frame reads a bounded number, and the
    // host answers four times in any second, every second.
    const int flooder = socketOn("10.0.0.9", 0);
    uint8_t question[DISCOVERY_QUESTION_SIZE];
    writeQuestion(question);
    for (int i = 0; i < 100; i++) platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, question, sizeof question);
    fake::ticks = 10;
    answerQuestions(1);
    EXPECT_LT(fake::udpSockets[game.answerSocket].waiting.size(), 100u);
    EXPECT_GT(fake::udpSockets[game.answerSocket].waiting.size(), 50u);
    EXPECT_EQ(answersFrom(game.answerSocket), 4);
    while (fake::ticks < 2990) {
        fake::ticks += 10;
        for (int i = 0; i < 10; i++) platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, question, sizeof question);
        answerQuestions(1);
        if (fake::ticks == 990) {
            EXPECT_EQ(answersFrom(game.answerSocket), 4);
        }
    }
    EXPECT_EQ(answersFrom(game.answerSocket), 12);
    EXPECT_EQ(answersFrom(game.answerSocket, "10.0.0.9"), 10);  // each to its asker alone

    // Garbage before a question: only the question is answered, in the same frame.
    while (fake::udpSockets[game.answerSocket].waiting.size()) answerQuestions(1);
    fake::ticks = 10000;
    const int before = answersFrom(game.answerSocket);
    uint8_t answer[DISCOVERY_ANSWER_SIZE], huge[200] = {'T', 'R', 'L', '?', NET_PROTOCOL_VERSION};
    const uint8_t otherVersion[8] = {'T', 'R', 'L', '?', NET_PROTOCOL_VERSION + 1, 0, 0, 0};
    platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, answer, writeAnswer(answer, {1, 47312, "bea"}));
    platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, otherVersion, sizeof otherVersion);
    platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, huge, sizeof huge);
    platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, question, 7);
    platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, question, sizeof question);
    answerQuestions(0);
    EXPECT_EQ(answersFrom(game.answerSocket), before + 1);
    DiscoveryAnswer said{};
    ASSERT_TRUE(readAnswer(fake::udpSent.back().bytes.data(), fake::udpSent.back().bytes.size(), &said));
    EXPECT_EQ(said.free, 0);
    EXPECT_TRUE(fake::udpSockets[game.answerSocket].waiting.empty());

    const int host = game.answerSocket;
    stopAnswering();
    platform.udpSend(flooder, "10.0.0.1", NET_DISCOVERY_PORT, question, sizeof question);
    answerQuestions(1);
    EXPECT_EQ(answersFrom(host), before + 1);
}

TEST(Discovery, GuestListsHostsInOrderRefreshesThemAndForgetsSilentOnes) {
    freshGame();
    const int bea = socketOn("10.0.0.3", NET_DISCOVERY_PORT);
    const int ann = socketOn("10.0.0.2", NET_DISCOVERY_PORT);
    startLooking();
    const uint16_t guestPort = fake::udpSockets[game.lookSocket].port;
    lookForHosts();
    ASSERT_EQ(fake::udpSent.size(), 2u);
    EXPECT_EQ(fake::udpSent[0].to, "10.0.0.255");
    EXPECT_EQ(fake::udpSent[1].to, "127.0.0.1");
    EXPECT_EQ(answerAll(bea, 1, 47312, "bea"), 1);
    EXPECT_EQ(answerAll(ann, 1, 47400, "cid"), 1);  // Ann's machine hosts a second game
    // Garbage: a question, and an answer with no name.
    uint8_t question[DISCOVERY_QUESTION_SIZE], packet[DISCOVERY_ANSWER_SIZE];
    platform.udpSend(bea, "10.0.0.1", guestPort, question, writeQuestion(question));
    writeAnswer(packet, {1, 47312, "dan"});
    packet[8] = 0;
    platform.udpSend(socketOn("10.0.0.4", 0), "10.0.0.1", guestPort, packet, sizeof packet);
    lookForHosts();
    ASSERT_EQ(game.foundHostCount, 2);

    // Asked again a second later, Ann's first game answers too: it goes before the other at her address.
    fake::ticks = 1000;
    lookForHosts();
    answerAll(ann, 1, 47312, "ann");
    lookForHosts();
    ASSERT_EQ(game.foundHostCount, 3);
    EXPECT_STREQ(game.foundHosts[0].name, "ann");
    EXPECT_STREQ(game.foundHosts[0].address, "10.0.0.2");
    EXPECT_EQ(game.foundHosts[0].port, 47312);
    EXPECT_STREQ(game.foundHosts[1].name, "cid");
    EXPECT_EQ(game.foundHosts[1].port, 47400);
    EXPECT_STREQ(game.foundHosts[2].name, "bea");
    EXPECT_STREQ(game.foundHosts[2].address, "10.0.0.3");

    // Ann takes a guest: her row changes in place; Bea answers twice, still one row.
    fake::ticks = 2000;
    lookForHosts();
    answerAll(ann, 0, 47312, "ann");
    EXPECT_EQ(answerAll(bea, 1, 47312, "bea"), 2);
    lookForHosts();
    ASSERT_EQ(game.foundHostCount, 3);
    EXPECT_EQ(game.foundHosts[0].free, 0);
    EXPECT_EQ(game.foundHosts[0].heardTick, 2000u);
    EXPECT_EQ(game.foundHosts[1].heardTick, 0u);
    EXPECT_EQ(game.foundHosts[2].heardTick, 2000u);

    // Ann stops hosting and only Bea answers: Cid, last heard at 0, goes at 3000; Ann, heard at 2000, at 5000.
    platform.udpClose(ann);
    for (fake::ticks = 2010; fake::ticks <= 5000; fake::ticks += 10) {
        lookForHosts();
        answerAll(bea, 1, 47312, "bea");
        if (fake::ticks == 2990) {
            EXPECT_EQ(game.foundHostCount, 3);
        }
        if (fake::ticks == 3000) {
            EXPECT_EQ(game.foundHostCount, 2);
        }
        if (fake::ticks == 4990) {
            EXPECT_EQ(game.foundHostCount, 2);
        }
    }
    ASSERT_EQ(game.foundHostCount, 1);
    EXPECT_STREQ(game.foundHosts[0].name, "bea");

    // A crowded network fills the list and no more.
    for (int i = 0; i < 12; i++) {
        const std::string machine = "10.0.1." + std::to_string(i);
        writeAnswer(packet, {1, 47312, "crowd"});
        platform.udpSend(socketOn(machine.c_str(), 0), "10.0.0.1", guestPort, packet, sizeof packet);
    }
    lookForHosts();
    EXPECT_EQ(game.foundHostCount, FOUND_HOSTS_MAX);
    stopLooking();
    EXPECT_EQ(game.foundHostCount, FOUND_HOSTS_MAX);  // the rows stay for the menu to read
    startLooking();
    EXPECT_EQ(game.foundHostCount, 0);
}
