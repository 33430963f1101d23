// The real platform's home router: the game's UDP port forwarded by NAT-PMP or UPnP-IGD, on a thread of its own.
//
// Both protocols' libraries block while they wait for the router, so they are
// called here, never from the frame loop: the thread asks (NAT-PMP first, then
// UPnP-IGD), publishes what the router said under a lock, renews the lease at
// half time, and removes the mapping when told to stop. The libraries parse the
// router's replies; what they give back is handed on as it is, for the game to
// check before it believes it.
#include "core/home_router.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <natpmp.h>
#include <pthread.h>
#include <sys/select.h>

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

// The lease asked for, in seconds, renewed at half of what the router granted.
static const uint32_t LEASE_SECONDS = 3600;
// How long each protocol may take to answer before the next is tried.
static const int NATPMP_WAIT_MS = 2000;
static const int UPNP_DISCOVERY_MS = 2000;
// A port taken on the router: the next ones are tried, this many in all.
static const int PORTS_TRIED = 10;
// UPnP's "conflict in mapping entry": another holds the port.
static const int UPNP_PORT_TAKEN = 718;

enum { HOW_NONE = 0, HOW_NATPMP = 1, HOW_UPNP = 2 };

// What the thread holds while a mapping stands; only the thread touches it,
// but for the answer, which the frame loop reads under the lock.
static struct {
    pthread_t thread;
    bool running;
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
    bool stop;
    uint16_t port;
    int how;
    uint16_t externalPort;
    uint32_t granted;
    struct UPNPUrls urls;
    struct IGDdatas igd;
    char lanAddress[64];
    RouterAnswer answer;
    bool changed;
} router;

static void publish(const RouterAnswer& answer) {
    pthread_mutex_lock(&router.lock);
    router.answer = answer;
    router.changed = true;
    pthread_mutex_unlock(&router.lock);
}

static bool stopping() {
    pthread_mutex_lock(&router.lock);
    const bool stop = router.stop;
    pthread_mutex_unlock(&router.lock);
    return stop;
}

// ---- NAT-PMP ---------------------------------------------------------------------

// One answer to the request just sent, waited for up to `ms`; 0 and the answer, or the library's error.
static int natpmpAnswer(natpmp_t* session, natpmpresp_t* response, int ms) {
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        int result = readnatpmpresponseorretry(session, response);
        if (result != NATPMP_TRYAGAIN) return result;
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long spent = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (spent >= ms || stopping()) return NATPMP_TRYAGAIN;
        timeval wait;
        getnatpmprequesttimeout(session, &wait);
        const long left = ms - spent;
        if (wait.tv_sec * 1000 + wait.tv_usec / 1000 > left) {
            wait.tv_sec = left / 1000;
            wait.tv_usec = (left % 1000) * 1000;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(session->s, &readable);
        select(session->s + 1, &readable, nullptr, nullptr, &wait);
    }
}

// Asks for `lease` seconds of the game's port (0 removes it).
static bool natpmpMap(uint16_t publicPort, uint32_t lease, RouterAnswer* answer) {
    natpmp_t session;
    if (initnatpmp(&session, 0, 0) < 0) {
        snprintf(answer->why, sizeof answer->why, "no NAT-PMP gateway");
        return false;
    }
    natpmpresp_t response;
    bool ok = true;
    if (lease > 0) {
        ok = sendpublicaddressrequest(&session) >= 0 && natpmpAnswer(&session, &response, NATPMP_WAIT_MS) == 0 &&
             response.type == NATPMP_RESPTYPE_PUBLICADDRESS;
        if (ok) inet_ntop(AF_INET, &response.pnu.publicaddress.addr, answer->external, sizeof answer->external);
    }
    ok = ok && sendnewportmappingrequest(&session, NATPMP_PROTOCOL_UDP, router.port, publicPort, lease) >= 0 &&
         natpmpAnswer(&session, &response, lease > 0 ? NATPMP_WAIT_MS : 1000) == 0 &&
         response.type == NATPMP_RESPTYPE_UDPPORTMAPPING;
    closenatpmp(&session);
    if (!ok) {
        snprintf(answer->why, sizeof answer->why, "no NAT-PMP answer");
        return false;
    }
    answer->externalPort = response.pnu.newportmapping.mappedpublicport;
    router.externalPort = response.pnu.newportmapping.mappedpublicport;
    router.granted = response.pnu.newportmapping.lifetime;
    return true;
}

// ---- UPnP-IGD ---------------------------------------------------------------------

static bool upnpFind(RouterAnswer* answer) {
    int error = 0;
    UPNPDev* devices = upnpDiscover(UPNP_DISCOVERY_MS, nullptr, nullptr, 0, 0, 2, &error);
    if (!devices) {
        snprintf(answer->why, sizeof answer->why, "no UPnP router found");
        return false;
    }
    // An IGD that says it is not connected may only not have learnt its own
    // address yet: it is asked all the same.
    const int found = UPNP_GetValidIGD(devices, &router.urls, &router.igd, router.lanAddress, sizeof router.lanAddress);
    freeUPNPDevlist(devices);
    if (found == 1 || found == 2) return true;
    if (found != 0) FreeUPNPUrls(&router.urls);
    snprintf(answer->why, sizeof answer->why, "no UPnP router found");
    return false;
}

static int upnpAdd(uint16_t externalPort, uint32_t lease) {
    char external[8], internal[8], seconds[16];
    snprintf(external, sizeof external, "%u", (unsigned)externalPort);
    snprintf(internal, sizeof internal, "%u", (unsigned)router.port);
    snprintf(seconds, sizeof seconds, "%u", (unsigned)lease);
    return UPNP_AddPortMapping(router.urls.controlURL, router.igd.first.servicetype, external, internal,
                               router.lanAddress, "Tarvo Rink", "UDP", nullptr, seconds);
}

static bool upnpMap(RouterAnswer* answer) {
    if (!upnpFind(answer)) return false;
    if (UPNP_GetExternalIPAddress(router.urls.controlURL, router.igd.first.servicetype, answer->external) != 0)
        answer->external[0] = 0;
    int result = UPNP_PORT_TAKEN;
    uint16_t port = router.port;
    for (int tried = 0; tried < PORTS_TRIED && result == UPNP_PORT_TAKEN && port != 0; tried++, port++)
        if ((result = upnpAdd(port, LEASE_SECONDS)) == 0) break;
    if (result != 0) {
        snprintf(answer->why, sizeof answer->why, "UPnP: %s", strupnperror(result));
        FreeUPNPUrls(&router.urls);
        return false;
    }
    answer->externalPort = port;
    router.externalPort = port;
    router.granted = LEASE_SECONDS;
    return true;
}

// ---- The thread ----------------------------------------------------------------------

static void* askAndRenew(void*) {
    RouterAnswer answer = {};
    answer.state = ROUTER_NONE;
    if (natpmpMap(router.port, LEASE_SECONDS, &answer))
        router.how = HOW_NATPMP;
    else if (!stopping() && upnpMap(&answer))
        router.how = HOW_UPNP;
    if (router.how != HOW_NONE) answer.state = ROUTER_MAPPED;
    publish(answer);
    // The lease renewed at half of what was granted, until told to stop.
    pthread_mutex_lock(&router.lock);
    while (router.how != HOW_NONE && !router.stop) {
        timespec due;
        clock_gettime(CLOCK_REALTIME, &due);
        due.tv_sec += (router.granted > 1 ? router.granted : 2) / 2;
        while (!router.stop && pthread_cond_timedwait(&router.wake, &router.lock, &due) != ETIMEDOUT) {
        }
        if (router.stop) break;
        pthread_mutex_unlock(&router.lock);
        RouterAnswer renewed = answer;
        if (router.how == HOW_NATPMP)
            natpmpMap(router.externalPort, LEASE_SECONDS, &renewed);
        else
            upnpAdd(router.externalPort, LEASE_SECONDS);
        pthread_mutex_lock(&router.lock);
    }
    pthread_mutex_unlock(&router.lock);
    // Hosting is over: the mapping goes.
    if (router.how == HOW_NATPMP) {
        RouterAnswer removed = {};
        natpmpMap(0, 0, &removed);
    } else if (router.how == HOW_UPNP) {
        char external[8];
        snprintf(external, sizeof external, "%u", (unsigned)router.externalPort);
        UPNP_DeletePortMapping(router.urls.controlURL, router.igd.first.servicetype, external, "UDP", nullptr);
        FreeUPNPUrls(&router.urls);
    }
    router.how = HOW_NONE;
    return nullptr;
}

void realRouterAsk(uint16_t port) {
    if (router.running) return;
    router.port = port;
    router.how = HOW_NONE;
    router.stop = false;
    router.changed = false;
    router.answer = RouterAnswer{};
    router.answer.state = ROUTER_ASKING;
    router.running = pthread_create(&router.thread, nullptr, askAndRenew, nullptr) == 0;
    if (!router.running) {
        RouterAnswer none = {};
        none.state = ROUTER_NONE;
        snprintf(none.why, sizeof none.why, "no thread to ask it on");
        publish(none);
    }
}

int realRouterAnswer(RouterAnswer* answer) {
    pthread_mutex_lock(&router.lock);
    *answer = router.answer;
    const int changed = router.changed ? 1 : 0;
    router.changed = false;
    pthread_mutex_unlock(&router.lock);
    return changed;
}

void realRouterForget() {
    if (!router.running) return;
    pthread_mutex_lock(&router.lock);
    router.stop = true;
    pthread_cond_signal(&router.wake);
    pthread_mutex_unlock(&router.lock);
    pthread_join(router.thread, nullptr);
    router.running = false;
}
