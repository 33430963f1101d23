"""Checks of the relay's capture: frames read, the guest's side told apart by its ChannelData, the framing counted."""
import os
import socket
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import relay_capture  # noqa: E402

LOBBY = "198.51.100.1"


def frame(source, destination, data):
    """An Ethernet frame of one IPv4 UDP datagram."""
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 28 + len(data), 0, 0x4000, 64, 17, 0,
                     socket.inet_aton(source[0]), socket.inet_aton(destination[0]))
    return b"\0" * 12 + b"\x08\x00" + ip + struct.pack("!HHHH", source[1], destination[1], 8 + len(data), 0) + data


class Capture(unittest.TestCase):
    def test_channel_data_stun_and_the_host_side_each_in_their_way(self):
        relay = relay_capture.Relay(LOBBY)
        guest, other, host, relayed = ("198.51.100.12", 40001), ("198.51.100.11", 40002), ("198.51.100.11", 5000), (LOBBY, 49277)
        turn = (LOBBY, relay_capture.TURN_PORT)
        packets = [(other, turn, b"\x00\x01" + b"\0" * 18),  # the host's own STUN: not the guest's socket
                   (guest, turn, b"\x00\x03" + b"\0" * 98),  # the allocation
                   (guest, turn, b"\x40\x00\x00\x1e" + b"x" * 30 + b"\0\0"),  # 30 bytes padded to 32
                   (turn, guest, b"\x40\x00\x00\x1e" + b"y" * 30),
                   (relayed, host, b"x" * 30), (host, relayed, b"y" * 30)]
        for when, (source, destination, data) in enumerate(packets):
            self.assertEqual(relay_capture.udp(frame(source, destination, data)), (source, destination, data))
            relay.take(source, destination, data, float(when))
        ways = dict(relay.ways())
        self.assertEqual({key: ways["guest_to_relay"][key] for key in ("datagrams", "channel", "channel_bytes", "payload",
                                                                        "padding", "stun", "first")},
                         {"datagrams": 2, "channel": 1, "channel_bytes": 36, "payload": 30, "padding": 2, "stun": 1,
                          "first": 2.0})
        self.assertEqual(ways["relay_to_guest"]["padding"], 0)
        self.assertEqual((ways["relay_to_host"]["bytes"], ways["host_to_relay"]["datagrams"]), (30, 1))


if __name__ == "__main__":
    unittest.main()
