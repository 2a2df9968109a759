#!/usr/bin/python3
"""Many stand-in players in one process and one event loop, one pyftpdlib server each, on loopback.

ftp_players.py --root DIR --events DIR [--rate N] [--first-port P] MODE...: player n (from 0) listens
at a free port (or P + n) with the player account, serves DIR/n (media/, settings/) and logs to
EVENTS/n.log; prints the ports on one line and ends when standard input closes. "mode N MODE" on
standard input switches player N and is answered "ok N". Modes: FtpPlayers.h's.
"""

import argparse
import codecs
import logging
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.ioloop import IOLoop
from pyftpdlib.servers import FTPServer

USER, PASSWORD = "qv7player", "tk2harbor"
ADDRESS = "127.0.0.1"  # never anything but loopback

# Players decode command lines in Windows-1252. Python's cp1252 leaves five bytes
# undefined; Windows maps them to the control characters of the same value.
codecs.register_error("cp1252-gaps", lambda e: (e.object[e.start:e.end].decode("latin-1"), e.end))


def make_handler(number, modes, rate, event):
    def mode():
        return modes[number]

    class Authorizer(DummyAuthorizer):
        def validate_authentication(self, username, password, handler):
            if mode() == "refused":
                raise AuthenticationFailed("Authentication failed.")
            super().validate_authentication(username, password, handler)

    class SlowDTP(ThrottledDTPHandler):
        read_limit = rate

        def __init__(self, sock, cmd_channel):
            # A small receive buffer, so the sender really sees the throttled rate.
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)
            super().__init__(sock, cmd_channel)

    class PlayerHandler(FTPHandler):
        auth_failed_timeout = 0
        banner = "QV test player %d ready." % number

        @property
        def dtp_handler(self):
            return SlowDTP if mode() == "throttled" else DTPHandler

        def decode(self, data):
            return data.decode("cp1252", "cp1252-gaps")

        on_connect = lambda self: event("connect")  # noqa: E731

        on_disconnect = lambda self: event("disconnect")  # noqa: E731

        on_login = lambda self, username: event("login", username)  # noqa: E731

        on_file_received = lambda self, file: event("received", self.fs.fs2ftp(file))  # noqa: E731

        on_incomplete_file_received = lambda self, file: event("incomplete", self.fs.fs2ftp(file))  # noqa: E731

        def ftp_SIZE(self, path):
            if mode() == "nosize":
                return self.respond("502 Command not implemented.")
            if mode() == "shortsize" and os.path.isfile(path):
                return self.respond("213 %d" % (os.path.getsize(path) - 1))
            return super().ftp_SIZE(path)

        def ftp_RNTO(self, path):
            if mode() == "norename" and self._rnfr and os.path.exists(path):
                self._rnfr = None
                return self.respond("550 Cannot create a file when that file already exists.")
            renamed = super().ftp_RNTO(path)
            if renamed:
                event("renamed", self.fs.fs2ftp(renamed[0]), self.fs.fs2ftp(renamed[1]))
            return renamed

        def ftp_DELE(self, path):
            deleted = super().ftp_DELE(path)
            if deleted:
                event("deleted", self.fs.fs2ftp(deleted))
            return deleted

    authorizer = Authorizer()
    PlayerHandler.authorizer = authorizer
    return PlayerHandler, authorizer


def listen_silently(event):
    listener = socket.socket()
    listener.bind((ADDRESS, 0))
    listener.listen(16)

    def accept():
        held = []
        while True:
            held.append(listener.accept()[0])
            event("connect")

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1]


def closed_port():
    probe = socket.socket()
    probe.bind((ADDRESS, 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--events", required=True)
    parser.add_argument("--rate", type=int, default=100000)
    parser.add_argument("--first-port", type=int, default=0)
    parser.add_argument("modes", nargs="+")
    args = parser.parse_args()
    logging.basicConfig(level=logging.WARNING)

    modes = list(args.modes)
    ioloop = IOLoop.instance()
    ports = []
    for number, mode in enumerate(modes):
        log = open(os.path.join(args.events, "%d.log" % number), "a", encoding="utf-8", buffering=1)
        event = lambda *words, log=log: log.write(" ".join(words) + "\n")
        root = os.path.join(args.root, str(number))
        for folder in ("media", "settings"):
            os.makedirs(os.path.join(root, folder), exist_ok=True)
        if mode == "silent":
            ports.append(listen_silently(event))
        elif mode == "closed":
            ports.append(closed_port())
        else:
            handler, authorizer = make_handler(number, modes, args.rate, event)
            authorizer.add_user(USER, PASSWORD, root, perm="elradfmwMT")
            port = args.first_port + number if args.first_port else 0
            server = FTPServer((ADDRESS, port), handler, ioloop=ioloop)
            ports.append(server.socket.getsockname()[1])
    print(" ".join(map(str, ports)), flush=True)

    def commands():
        for line in sys.stdin:
            words = line.split()
            if len(words) == 3 and words[0] == "mode":
                modes[int(words[1])] = words[2]
                print("ok", words[1], flush=True)
        os._exit(0)

    threading.Thread(target=commands, daemon=True).start()
    ioloop.loop()


if __name__ == "__main__":
    main()
