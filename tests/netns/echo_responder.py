#!/usr/bin/env python3
"""Answers ICMP echo requests from user space, each address after its own delay.

Usage: echo_responder.py PIDFILE LATEFILE ADDRESS:DELAY_MS[:stop] ...

Run in a namespace whose kernel ignores echo requests (net.ipv4.icmp_echo_ignore_all=1).
For an address marked "stop", the process whose pid is in PIDFILE is stopped just before the
reply is sent and continued 30 ms later, as if the scheduler had put it aside: the reply waits
in its socket until it runs again. Prints "ready" once every address is served. Runs until it
is killed, at most two minutes.

A reply sent more than LATE_SECONDS after its planned time (counted from the kernel's receive
stamp of the request) is noted in LATEFILE: a round with such a reply tells nothing about the
sweep, only that this responder could not keep time on a busy machine.
"""
import heapq
import itertools
import os
import select
import signal
import socket
import struct
import sys
import time

STOP_SECONDS = 0.030
LATE_SECONDS = 0.001
SO_TIMESTAMPNS = 35
LIFETIME_SECONDS = 120


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def reply_to(request):
    """The echo reply to an ICMP echo request message, or None for anything else."""
    if len(request) < 8 or request[0] != 8:
        return None
    body = b"\0\0\0\0" + request[4:]
    return struct.pack("!BBH", 0, 0, checksum(body)) + body[4:]


def received_at(ancillary):
    """The kernel's receive time of a datagram (CLOCK_REALTIME), or now when it is missing."""
    for level, kind, data in ancillary:
        if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPNS and len(data) >= 16:
            seconds, nanoseconds = struct.unpack("qq", data[:16])
            return seconds + nanoseconds / 1e9
    return time.time()


def continue_process(pid):
    try:
        os.kill(pid, signal.SIGCONT)
    except ProcessLookupError:
        pass


class Responder:
    def __init__(self, pidfile, latefile, specs):
        self.pidfile = pidfile
        self.latefile = latefile
        self.sockets = {}
        for spec in specs:
            address, delay, *flags = spec.split(":")
            sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
            sock.bind((address, 0))
            sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)
            self.sockets[sock] = (float(delay) / 1000, "stop" in flags)
        self.events = []  # heap of (due, order, action)
        self.order = itertools.count()

    def at(self, due, action):
        heapq.heappush(self.events, (due, next(self.order), action))

    def run(self):
        print("ready", flush=True)
        end = time.monotonic() + LIFETIME_SECONDS
        while time.monotonic() < end:
            while self.events and self.events[0][0] <= time.monotonic():
                heapq.heappop(self.events)[2]()
            due = self.events[0][0] if self.events else end
            ready, _, _ = select.select(list(self.sockets), [], [], max(due - time.monotonic(), 0))
            for sock in ready:
                self.receive(sock)

    def receive(self, sock):
        packet, ancillary, _, (source, _) = sock.recvmsg(2048, socket.CMSG_SPACE(16))
        reply = reply_to(packet[(packet[0] & 0x0F) * 4:])
        if reply is None:
            return
        delay, stop = self.sockets[sock]
        planned = received_at(ancillary) + delay

        def send():
            sock.sendto(reply, (source, 0))
            lateness = time.time() - planned
            if lateness > LATE_SECONDS:
                with open(self.latefile, "a") as f:
                    f.write("%s late by %.1f ms\n" % (source, lateness * 1000))

        self.at(time.monotonic() + delay, (lambda: self.stopped(send)) if stop else send)

    def stopped(self, send):
        with open(self.pidfile) as f:
            pid = int(f.read())
        try:
            os.kill(pid, signal.SIGSTOP)
        except ProcessLookupError:
            # The sweep is over already: this reply comes too late to count, and the test's
            # comparison of the lists says so.
            print("sweep %d ended before its reply was due" % pid, file=sys.stderr)
            send()
            return
        send()
        self.at(time.monotonic() + STOP_SECONDS, lambda: continue_process(pid))


if __name__ == "__main__":
    Responder(sys.argv[1], sys.argv[2], sys.argv[3:]).run()
