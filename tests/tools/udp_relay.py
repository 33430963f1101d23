#!/usr/bin/python3
"""A UDP relay that impairs the link between a guest and a host, for the network tests.

  udp_relay.py --listen PORT --to HOST:PORT [--delay MS] [--jitter MS] [--loss PERCENT]
               [--duplicate PERCENT] [--seed N] [--stats FILE]

Datagrams sent to PORT are passed on to HOST:PORT, and the answers back to
whoever sent them, each way alike: every datagram waits DELAY milliseconds,
more or less by up to JITTER (so datagrams overtake one another), LOSS percent
of them are dropped and DUPLICATE percent sent twice, the copy with a wait of
its own. On SIGTERM or SIGINT it writes what passed each way to FILE (or to
standard output) and ends:

  to_host datagrams=N bytes=B dropped=D doubled=U seconds=S
  to_guest datagrams=N bytes=B dropped=D doubled=U seconds=S
"""
import argparse
import heapq
import random
import select
import signal
import socket
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--listen', type=int, required=True)
    parser.add_argument('--to', required=True)
    parser.add_argument('--delay', type=float, default=0)
    parser.add_argument('--jitter', type=float, default=0)
    parser.add_argument('--loss', type=float, default=0)
    parser.add_argument('--duplicate', type=float, default=0)
    parser.add_argument('--seed', type=int, default=1)
    parser.add_argument('--stats')
    args = parser.parse_args()
    host, port = args.to.rsplit(':', 1)
    target = (socket.gethostbyname(host), int(port))
    dice = random.Random(args.seed)

    front = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    front.bind(('0.0.0.0', args.listen))
    back = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)  # toward the host, for the one guest
    back.bind(('0.0.0.0', 0))
    guest = None
    queue = []  # (when, order, socket, data, address)
    order = 0
    ways = {name: {'datagrams': 0, 'bytes': 0, 'dropped': 0, 'doubled': 0} for name in ('to_host', 'to_guest')}
    started = time.monotonic()
    stopping = []

    def stop(*_):
        stopping.append(True)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    def schedule(way, sock, data, address):
        nonlocal order
        counts = ways[way]
        counts['datagrams'] += 1
        counts['bytes'] += len(data)
        if dice.uniform(0, 100) < args.loss:
            counts['dropped'] += 1
            return
        copies = 1
        if dice.uniform(0, 100) < args.duplicate:
            counts['doubled'] += 1
            copies = 2
        for _ in range(copies):
            wait = max(0.0, args.delay + dice.uniform(-args.jitter, args.jitter)) / 1000.0
            order += 1
            heapq.heappush(queue, (time.monotonic() + wait, order, sock, data, address))

    while not stopping:
        timeout = 0.05
        if queue:
            timeout = max(0.0, min(timeout, queue[0][0] - time.monotonic()))
        try:
            readable, _, _ = select.select([front, back], [], [], timeout)
        except InterruptedError:
            continue
        for sock in readable:
            try:
                data, address = sock.recvfrom(65536)
            except OSError:
                continue
            if sock is front:
                guest = address
                schedule('to_host', back, data, target)
            elif guest is not None:
                schedule('to_guest', front, data, guest)
        now = time.monotonic()
        while queue and queue[0][0] <= now:
            _, _, sock, data, address = heapq.heappop(queue)
            try:
                sock.sendto(data, address)
            except OSError:
                pass

    seconds = time.monotonic() - started
    lines = ''.join('%s datagrams=%d bytes=%d dropped=%d doubled=%d seconds=%.1f\n' %
                    (name, c['datagrams'], c['bytes'], c['dropped'], c['doubled'], seconds)
                    for name, c in ways.items())
    if args.stats:
        with open(args.stats, 'w') as out:
            out.write(lines)
    else:
        sys.stdout.write(lines)


if __name__ == '__main__':
    main()
