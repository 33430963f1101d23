#!/usr/bin/env python3
"""The relay's UDP as it crosses the lobby's own network device, counted each way on both of its sides.

Usage (inside the lobby's network namespace, as root): relay_capture.py DEVICE LOBBY_ADDRESS OUT_FILE
Runs until SIGTERM or SIGINT, then writes OUT_FILE, one line a way, in key=value words:

  guest_to_relay / relay_to_guest   between the TURN server's own port (3478) and the one address that
                                    carried ChannelData there, the guest's relay socket: all of it, its
                                    ChannelData (the game's datagrams inside, the padding) and its STUN
  host_to_relay / relay_to_host     the relayed addresses (every other port of the lobby's address)

Bytes are UDP payloads; first and last are seconds since the capture started, of the way's first and
last ChannelData (on the host's side, datagram).
"""
import signal
import socket
import struct
import sys
import time

TURN_PORT = 3478
ETH_P_ALL = 0x0003


def way():
    return {"datagrams": 0, "bytes": 0, "first": None, "last": None}


def guest_way():
    return dict(way(), channel=0, channel_bytes=0, payload=0, padding=0, stun=0, stun_bytes=0)


def count(entry, data, when):
    """One UDP payload added to a way's counts; on the guest's side ChannelData (first two bits 01) and
    STUN (00) apart, first and last counting ChannelData alone."""
    entry["datagrams"] += 1
    entry["bytes"] += len(data)
    if "channel" in entry:
        if len(data) < 4 or data[0] & 0xC0 != 0x40:
            entry["stun"] += 1
            entry["stun_bytes"] += len(data)
            return
        length = struct.unpack("!H", data[2:4])[0]
        entry["channel"] += 1
        entry["channel_bytes"] += len(data)
        entry["payload"] += length
        entry["padding"] += len(data) - 4 - length
    if entry["first"] is None:
        entry["first"] = when
    entry["last"] = when


def udp(frame):
    """(source, destination, payload) of an Ethernet frame holding an unfragmented IPv4 UDP datagram, or None."""
    if len(frame) < 42 or frame[12:14] != b"\x08\x00" or frame[23] != 17:
        return None
    header = (frame[14] & 0x0F) * 4
    if struct.unpack("!H", frame[20:22])[0] & 0x3FFF:
        return None  # a fragment
    start = 14 + header
    source_port, destination_port, length = struct.unpack("!HHH", frame[start:start + 6])
    source = (socket.inet_ntoa(frame[26:30]), source_port)
    destination = (socket.inet_ntoa(frame[30:34]), destination_port)
    return source, destination, frame[start + 8:start + length]


class Relay:
    """The lobby's traffic sorted by the relay's side: per client address on the server's port, and the relayed ports."""

    def __init__(self, lobby):
        self.lobby = lobby
        self.clients = {}  # (address, port) -> (towards the server, from it)
        self.host_to_relay, self.relay_to_host = way(), way()

    def take(self, source, destination, data, when):
        if destination[0] == self.lobby and destination[1] == TURN_PORT:
            count(self.clients.setdefault(source, (guest_way(), guest_way()))[0], data, when)
        elif source[0] == self.lobby and source[1] == TURN_PORT:
            count(self.clients.setdefault(destination, (guest_way(), guest_way()))[1], data, when)
        elif destination[0] == self.lobby:
            count(self.host_to_relay, data, when)
        elif source[0] == self.lobby:
            count(self.relay_to_host, data, when)

    def ways(self):
        carried = [pair for pair in self.clients.values() if pair[0]["channel"] or pair[1]["channel"]]
        guest = max(carried, key=lambda pair: pair[0]["channel"] + pair[1]["channel"]) if carried else (guest_way(), guest_way())
        return [("guest_to_relay", guest[0]), ("relay_to_guest", guest[1]),
                ("host_to_relay", self.host_to_relay), ("relay_to_host", self.relay_to_host)]


def words(entry):
    return " ".join("%s=%s" % (key, "%.3f" % value if isinstance(value, float) else value)
                    for key, value in entry.items() if value is not None)


def main():
    device, lobby, out = sys.argv[1:4]
    relay = Relay(lobby)
    sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
    sock.bind((device, 0))
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    signal.signal(signal.SIGINT, lambda *_: stopping.append(1))
    sock.settimeout(0.2)
    started = time.monotonic()
    with open(out + ".ready", "w", encoding="utf-8"):
        pass
    while not stopping:
        try:
            frame = sock.recv(65535)
        except (socket.timeout, InterruptedError):
            continue
        found = udp(frame)
        if found:
            relay.take(*found, time.monotonic() - started)
    sock.setblocking(False)
    while True:  # what was already taken before the end
        try:
            found = udp(sock.recv(65535))
        except (BlockingIOError, InterruptedError):
            break
        if found:
            relay.take(*found, time.monotonic() - started)
    with open(out, "w", encoding="utf-8") as handle:
        for name, entry in relay.ways():
            handle.write("%s %s\n" % (name, words(entry)))


if __name__ == "__main__":
    main()
