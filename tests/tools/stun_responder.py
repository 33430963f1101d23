#!/usr/bin/env python3
"""A STUN binding responder for the router test's outside network.

    stun_responder.py ADDRESS ALTERNATE [PORT ALTERNATE_PORT [SECONDS]]

Answers binding requests on both addresses and both ports (four sockets; 3478
and 3479 unless given) with the address the request came from, as
XOR-MAPPED-ADDRESS and MAPPED-ADDRESS. A CHANGE-REQUEST is honoured: the answer
leaves from the alternate address, the alternate port or both, as asked, so a
router that tests what kind of NAT it is behind sees a one-to-one one. Each
answer names where it left from (RESPONSE-ORIGIN) and the other address and
port (OTHER-ADDRESS, and CHANGED-ADDRESS for the older clients). Ends after
SECONDS (an hour unless given), or when killed.
"""
import select
import socket
import struct
import sys
import time

MAGIC = 0x2112A442
BINDING_REQUEST, BINDING_RESPONSE = 0x0001, 0x0101
MAPPED_ADDRESS, CHANGE_REQUEST, CHANGED_ADDRESS = 0x0001, 0x0003, 0x0005
XOR_MAPPED_ADDRESS, RESPONSE_ORIGIN, OTHER_ADDRESS = 0x0020, 0x802B, 0x802C
CHANGE_IP, CHANGE_PORT = 0x04, 0x02


def attribute(kind, value):
    return struct.pack('>HH', kind, len(value)) + value + b'\0' * (-len(value) % 4)


def address(kind, host, port, xor=False):
    packed = socket.inet_aton(host)
    if xor:
        port ^= MAGIC >> 16
        packed = bytes(a ^ b for a, b in zip(packed, struct.pack('>I', MAGIC)))
    return attribute(kind, struct.pack('>BBH', 0, 1, port) + packed)


def change_flags(body):
    """The flags of the request's CHANGE-REQUEST, 0 when it has none."""
    at = 0
    while at + 4 <= len(body):
        kind, length = struct.unpack_from('>HH', body, at)
        if kind == CHANGE_REQUEST and length >= 4:
            return struct.unpack_from('>I', body, at + 4)[0]
        at += 4 + length + (-length % 4)
    return 0


def answer(request, source, origin, other):
    """The binding response to `request` from `source`, or None for what is no binding request."""
    if len(request) < 20:
        return None
    kind, length = struct.unpack_from('>HH', request)
    if kind != BINDING_REQUEST or 20 + length > len(request):
        return None
    # The cookie and transaction ID come back as they were (an older client's
    # 16 bytes of ID too); the XOR form only for a client that sent the cookie.
    cookie_and_id = request[4:20]
    body = address(MAPPED_ADDRESS, *source)
    if struct.unpack_from('>I', request, 4)[0] == MAGIC:
        body += address(XOR_MAPPED_ADDRESS, *source, xor=True)
    body += address(RESPONSE_ORIGIN, *origin) + address(OTHER_ADDRESS, *other) + address(CHANGED_ADDRESS, *other)
    return struct.pack('>HH', BINDING_RESPONSE, len(body)) + cookie_and_id + body


def main(argv):
    hosts = argv[1:3]
    ports = [int(p) for p in argv[3:5]] or [3478, 3479]
    seconds = float(argv[5]) if len(argv) > 5 else 3600
    sockets = {}
    for h in range(2):
        for p in range(2):
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.bind((hosts[h], ports[p]))
            sockets[h, p] = s
    print('STUN: answering on %s and %s, ports %d and %d' % (hosts[0], hosts[1], ports[0], ports[1]), flush=True)
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        readable, _, _ = select.select(list(sockets.values()), [], [], 1.0)
        for s in readable:
            h, p = next(key for key, value in sockets.items() if value is s)
            try:
                request, source = s.recvfrom(2048)
            except OSError:
                continue
            flags = change_flags(request[20:])
            h2 = 1 - h if flags & CHANGE_IP else h
            p2 = 1 - p if flags & CHANGE_PORT else p
            response = answer(request, source, (hosts[h2], ports[p2]), (hosts[1 - h], ports[1 - p]))
            if response:
                sockets[h2, p2].sendto(response, source)


if __name__ == '__main__':
    main(sys.argv)
