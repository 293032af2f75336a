#!/usr/bin/env python3
"""Answers one kind of name query for one address, as a host or server on the test network would.

Usage:
  name_responder.py mdns ADDRESS NAME     answers mDNS reverse queries for ADDRESS with NAME.local
                                          (joins 224.0.0.251 on ADDRESS's interface, port 5353)
  name_responder.py netbios ADDRESS NAME  answers NetBIOS node status requests on ADDRESS:137
                                          with the unique workstation name NAME
  name_responder.py dns ADDRESS ASKED NAME
                                          a DNS server on ADDRESS:53 holding one PTR record,
                                          ASKED -> NAME; every other question gets NXDOMAIN
  name_responder.py silent ADDRESS PORT   takes every datagram to ADDRESS:PORT, answers none

Prints "ready" once its socket is open. Runs until it is killed, at most two minutes.
"""
import socket
import struct
import sys
import time

LIFETIME_SECONDS = 120
MDNS_GROUP = "224.0.0.251"


def encode_name(name):
    return b"".join(bytes([len(label)]) + label.encode() for label in name.split(".")) + b"\0"


def read_question(message):
    """(labels, end of the question) of the first question, or None."""
    at, labels = 12, []
    while at < len(message) and message[at] != 0:
        length = message[at]
        if length >= 64 or at + 1 + length > len(message):
            return None
        labels.append(message[at + 1:at + 1 + length].decode("ascii", "replace"))
        at += 1 + length
    if at + 5 > len(message):
        return None
    return labels, at + 5


def reverse_name(address):
    return ".".join(reversed(address.split("."))) + ".in-addr.arpa"


def ptr_answer(query, flags, name):
    """The query turned into a response holding one PTR record (owner: the question's name)."""
    question = read_question(query)
    if question is None:
        return None
    end = question[1]
    target = encode_name(name)
    header = query[:2] + struct.pack("!HHHHH", flags, 1, 1, 0, 0)
    record = b"\xc0\x0c" + struct.pack("!HHIH", 12, 1, 120, len(target)) + target
    return header + query[12:end] + record


def asks_for(query, wanted):
    """Whether the message is a query whose first question is for the name `wanted`."""
    question = read_question(query)
    if question is None or query[2] & 0x80:
        return False
    return ".".join(question[0]).lower() == wanted.lower()


def name_error(query):
    """The query turned into a response saying that its name does not exist."""
    question = read_question(query)
    if question is None:
        return None
    return query[:2] + struct.pack("!HHHHH", 0x8583, 1, 0, 0, 0) + query[12:question[1]]


def node_status(request, name):
    entry = name.encode().ljust(15, b" ") + b"\x00" + struct.pack("!H", 0x0400)
    group = b"WORKGROUP".ljust(15, b" ") + b"\x00" + struct.pack("!H", 0x8400)
    data = bytes([2]) + entry + group + bytes([0x02, 0x5A, 0, 0, 0, 0x14]) + bytes(40)
    header = request[:2] + struct.pack("!HHHHH", 0x8400, 0, 1, 0, 0)
    wildcard = b"\x20CK" + b"A" * 30 + b"\0"
    return header + wildcard + struct.pack("!HHIH", 0x21, 1, 0, len(data)) + data


def open_socket(mode, address, port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if mode == "mdns":
        sock.bind(("", port))
        membership = socket.inet_aton(MDNS_GROUP) + socket.inet_aton(address)
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, membership)
    else:
        sock.bind((address, port))
    return sock


def main(mode, address, *rest):
    port = {"mdns": 5353, "netbios": 137, "dns": 53}.get(mode) or int(rest[0])
    sock = open_socket(mode, address, port)
    sock.settimeout(1)
    print("ready", flush=True)
    end = time.monotonic() + LIFETIME_SECONDS
    while time.monotonic() < end:
        try:
            query, source = sock.recvfrom(9000)
        except socket.timeout:
            continue
        reply = None
        if mode == "mdns" and asks_for(query, reverse_name(address)):
            reply = ptr_answer(query, 0x8400, rest[0] + ".local")
        elif mode == "netbios" and len(query) >= 12 and not query[2] & 0x80:
            reply = node_status(query, rest[0])
        elif mode == "dns" and asks_for(query, reverse_name(rest[0])):
            reply = ptr_answer(query, 0x8580, rest[1])
        elif mode == "dns" and len(query) >= 12 and not query[2] & 0x80:
            reply = name_error(query)
        if reply is not None:
            sock.sendto(reply, source)


if __name__ == "__main__":
    main(*sys.argv[1:])
