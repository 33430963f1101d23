// The real platform's lobby: the talk with an MQTT broker through libmosquitto, on a thread of its own.
//
// Connecting may wait on a name lookup and the network, so it is done here,
// never on the frame loop: the thread connects (again after a pause while the
// broker is not reached), then lets the library's loop run the connection and
// its reconnections. What arrives is copied into a bounded queue under a lock
// for the frame loop to take; publishing hands the message to the library,
// which sends it from this thread.
#include "core/broker.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>

enum { QUEUED = 64, SUBSCRIPTIONS = 4 };
// Seconds between the broker's keep-alive pings: a vanished game's will is sent about this much later.
static const int KEEPALIVE_SECONDS = 10;
static const int RETRY_MS = 2000;

static struct {
    pthread_t thread;
    bool running;
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
    bool stop;
    bool ended;      // the thread is done with the client
    bool stuck;      // a thread left behind, still waiting on a connection: no lobby until it ends
    mosquitto* client;
    char host[256];
    uint16_t port;
    int state;
    char why[LOBBY_WHY_SIZE];
    char peer[ADDRESS_TEXT_SIZE];  // the broker's address as connected
    char subscriptions[SUBSCRIPTIONS][LOBBY_TOPIC_SIZE];
    int subscriptionCount;
    LobbyMessage queue[QUEUED];
    int queueStart, queueCount;
    int unsent;  // messages handed to the library and not yet gone
} broker;

static void setState(int state, const char* why) {
    pthread_mutex_lock(&broker.lock);
    broker.state = state;
    snprintf(broker.why, sizeof broker.why, "%s", why);
    pthread_mutex_unlock(&broker.lock);
}

static void onConnect(mosquitto* client, void*, int result) {
    if (result != 0) {
        setState(LOBBY_DOWN, mosquitto_connack_string(result));
        return;
    }
    sockaddr_in peer;
    socklen_t size = sizeof peer;
    char text[ADDRESS_TEXT_SIZE] = "";
    if (getpeername(mosquitto_socket(client), (sockaddr*)&peer, &size) == 0 && peer.sin_family == AF_INET)
        inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    pthread_mutex_lock(&broker.lock);
    std::memcpy(broker.peer, text, sizeof text);
    for (int i = 0; i < broker.subscriptionCount; i++) mosquitto_subscribe(client, nullptr, broker.subscriptions[i], 1);
    broker.state = LOBBY_UP;
    broker.why[0] = 0;
    pthread_mutex_unlock(&broker.lock);
}

static void onDisconnect(mosquitto*, void*, int result) {
    if (result != 0) setState(LOBBY_CONNECTING, "the connection was lost");
}

static void onPublish(mosquitto*, void*, int) {
    pthread_mutex_lock(&broker.lock);
    if (broker.unsent > 0) broker.unsent--;
    pthread_cond_broadcast(&broker.wake);
    pthread_mutex_unlock(&broker.lock);
}

static void onMessage(mosquitto*, void*, const mosquitto_message* message) {
    const size_t topicLength = strlen(message->topic);
    if (topicLength >= LOBBY_TOPIC_SIZE || message->payloadlen < 0 || message->payloadlen > LOBBY_MESSAGE_BYTES) return;
    pthread_mutex_lock(&broker.lock);
    if (broker.queueCount == QUEUED) {  // the oldest gives way
        broker.queueStart = (broker.queueStart + 1) % QUEUED;
        broker.queueCount--;
    }
    LobbyMessage& slot = broker.queue[(broker.queueStart + broker.queueCount++) % QUEUED];
    memcpy(slot.topic, message->topic, topicLength + 1);
    slot.length = (size_t)message->payloadlen;
    if (slot.length) memcpy(slot.bytes, message->payload, slot.length);
    pthread_mutex_unlock(&broker.lock);
}

static bool stopping() {
    pthread_mutex_lock(&broker.lock);
    const bool stop = broker.stop;
    pthread_mutex_unlock(&broker.lock);
    return stop;
}

// Waits up to `ms` or until told to stop.
static void pause(int ms) {
    timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += ms / 1000;
    until.tv_nsec += (long)(ms % 1000) * 1000000;
    if (until.tv_nsec >= 1000000000) {
        until.tv_sec++;
        until.tv_nsec -= 1000000000;
    }
    pthread_mutex_lock(&broker.lock);
    while (!broker.stop && pthread_cond_timedwait(&broker.wake, &broker.lock, &until) == 0) {
    }
    pthread_mutex_unlock(&broker.lock);
}

// Connects, runs the connection until it is lost or closed, and connects again:
// a try that fails says why and waits a little before the next.
static void* talk(void*) {
    bool lost = false;
    while (!stopping()) {
        if (lost) setState(LOBBY_CONNECTING, "the connection was lost");
        const int result = lost ? mosquitto_reconnect(broker.client)
                                : mosquitto_connect(broker.client, broker.host, broker.port, KEEPALIVE_SECONDS);
        if (result != MOSQ_ERR_SUCCESS) {
            setState(LOBBY_DOWN, result == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(result));
            pause(RETRY_MS);
            continue;
        }
        while (!stopping() && mosquitto_loop(broker.client, 100, 1) == MOSQ_ERR_SUCCESS) {
        }
        lost = true;
    }
    pthread_mutex_lock(&broker.lock);
    broker.ended = true;
    pthread_cond_broadcast(&broker.wake);
    pthread_mutex_unlock(&broker.lock);
    return nullptr;
}

int realLobbyOpen(const char* host, uint16_t port, const char* clientId, const char* willTopic) {
    if (broker.running) realLobbyClose();
    pthread_mutex_lock(&broker.lock);
    const bool stuck = broker.stuck && !broker.ended;
    pthread_mutex_unlock(&broker.lock);
    if (stuck) return -1;
    mosquitto_lib_init();
    broker.client = mosquitto_new(clientId, true, nullptr);
    if (!broker.client) return -1;
    mosquitto_threaded_set(broker.client, true);  // published and subscribed from the frame loop too
    if (willTopic) mosquitto_will_set(broker.client, willTopic, 0, nullptr, 1, true);
    mosquitto_connect_callback_set(broker.client, onConnect);
    mosquitto_disconnect_callback_set(broker.client, onDisconnect);
    mosquitto_publish_callback_set(broker.client, onPublish);
    mosquitto_message_callback_set(broker.client, onMessage);
    snprintf(broker.host, sizeof broker.host, "%s", host);
    broker.port = port;
    broker.stop = broker.ended = broker.stuck = false;
    broker.state = LOBBY_CONNECTING;
    broker.why[0] = broker.peer[0] = 0;
    broker.subscriptionCount = 0;
    broker.queueStart = broker.queueCount = broker.unsent = 0;
    if (pthread_create(&broker.thread, nullptr, talk, nullptr) != 0) {
        mosquitto_destroy(broker.client);
        broker.client = nullptr;
        return -1;
    }
    broker.running = true;
    return 0;
}

int realLobbyState(char* why, size_t room) {
    pthread_mutex_lock(&broker.lock);
    const int state = broker.running ? broker.state : LOBBY_DOWN;
    if (why && room) snprintf(why, room, "%s", broker.why);
    pthread_mutex_unlock(&broker.lock);
    return state;
}

int realLobbyPeer(char* address) {
    pthread_mutex_lock(&broker.lock);
    const bool known = broker.running && broker.state == LOBBY_UP && broker.peer[0];
    if (known) std::memcpy(address, broker.peer, ADDRESS_TEXT_SIZE);
    pthread_mutex_unlock(&broker.lock);
    return known ? 1 : 0;
}

int realLobbySubscribe(const char* topic) {
    if (!broker.running || strlen(topic) >= LOBBY_TOPIC_SIZE) return -1;
    pthread_mutex_lock(&broker.lock);
    int result = -1;
    if (broker.subscriptionCount < SUBSCRIPTIONS) {
        snprintf(broker.subscriptions[broker.subscriptionCount++], LOBBY_TOPIC_SIZE, "%s", topic);
        result = 0;
        // Connected now: subscribed now; otherwise on connecting.
        if (broker.state == LOBBY_UP) mosquitto_subscribe(broker.client, nullptr, topic, 1);
    }
    pthread_mutex_unlock(&broker.lock);
    return result;
}

int realLobbyPublish(const char* topic, const uint8_t* data, size_t length, int retain) {
    if (!broker.running || realLobbyState(nullptr, 0) != LOBBY_UP) return -1;
    pthread_mutex_lock(&broker.lock);
    broker.unsent++;
    pthread_mutex_unlock(&broker.lock);
    const int rc = mosquitto_publish(broker.client, nullptr, topic, (int)length, data, 1, retain != 0);
    if (rc != MOSQ_ERR_SUCCESS) {
        onPublish(nullptr, nullptr, 0);
        return -1;
    }
    return 0;
}

int realLobbyReceive(LobbyMessage* message) {
    pthread_mutex_lock(&broker.lock);
    const bool any = broker.queueCount > 0;
    if (any) {
        *message = broker.queue[broker.queueStart];
        broker.queueStart = (broker.queueStart + 1) % QUEUED;
        broker.queueCount--;
    }
    pthread_mutex_unlock(&broker.lock);
    return any ? 1 : 0;
}

void realLobbyClose() {
    if (!broker.running) return;
    // What was published (a room cleared) goes before the goodbye, given a second.
    timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += 1;
    pthread_mutex_lock(&broker.lock);
    while (broker.unsent > 0 && broker.state == LOBBY_UP &&
           pthread_cond_timedwait(&broker.wake, &broker.lock, &until) == 0) {
    }
    broker.stop = true;
    pthread_cond_broadcast(&broker.wake);
    pthread_mutex_unlock(&broker.lock);
    mosquitto_disconnect(broker.client);
    // A connection attempt to a broker that never answers can take minutes: the
    // thread is given a second and a half, then left to end by itself.
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += 1;
    until.tv_nsec += 500000000;
    if (until.tv_nsec >= 1000000000) {
        until.tv_sec++;
        until.tv_nsec -= 1000000000;
    }
    pthread_mutex_lock(&broker.lock);
    while (!broker.ended && pthread_cond_timedwait(&broker.wake, &broker.lock, &until) == 0) {
    }
    const bool ended = broker.ended;
    broker.stuck = !ended;
    pthread_mutex_unlock(&broker.lock);
    broker.running = false;
    if (!ended) {
        pthread_detach(broker.thread);
        return;
    }
    pthread_join(broker.thread, nullptr);
    mosquitto_destroy(broker.client);
    broker.client = nullptr;
    mosquitto_lib_cleanup();
}
