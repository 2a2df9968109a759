#!/usr/bin/python3
"""A stand-in player for tests: an FTP server on loopback with the player's account.

Also the practice player (scripts/practice-player). Prints its port, logs events to --events, and
ends when its standard input closes. The modes are FtpTestServer's (tests/support/FtpTestServer.h).
"""

import argparse
import codecs
import logging
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.ioloop import RetryError
from pyftpdlib.servers import FTPServer

# Players decode command lines in Windows-1252. Python's cp1252 leaves five bytes
# undefined; Windows maps them to the control characters of the same value.
codecs.register_error("cp1252-gaps", lambda e: (e.object[e.start:e.end].decode("latin-1"), e.end))


def make_handler(args, event):
    def ftp_path(file):
        return "/" + os.path.relpath(file, args.root).replace(os.sep, "/")

    class PlayerDTP(DTPHandler):
        received = 0
        orphaned = False

        def __init__(self, sock, cmd_channel):
            if args.mode in ("throttled", "stall"):  # so the sender really sees the rate this player reads at
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)
            super().__init__(sock, cmd_channel)
            if args.mode == "throttled":  # a twentieth of a second's worth at a time: steadily, not in bursts
                self.ac_in_buffer_size = max(1, min(self.ac_in_buffer_size, args.rate // 20))

        def recv(self, buffer_size):
            # pyftpdlib takes a reset for the end of an upload; a player discards it.
            try:
                chunk = self.socket.recv(buffer_size)
            except (BlockingIOError, InterruptedError):
                raise RetryError
            except ConnectionResetError:
                self._resp = ("426 Connection reset; transfer aborted.", logging.info)
                self.close()
                return b""
            if not chunk:
                self.handle_close()
                return chunk
            self.received += len(chunk)
            if args.mode == "throttled" and not self._closed:
                self.del_channel()
                self.ioloop.call_later(len(chunk) / args.rate, self.wake)
            elif args.mode == "stall" and self.received >= 65536 and not self.orphaned and not self._closed:
                self.del_channel()
            elif args.mode == "drop" and self.received >= 65536 and not self.cmd_channel._closed:
                # Abort the data socket with unread bytes (the peer sees a reset), and the session with it.
                self.cmd_channel.close()
                return b""
            return chunk

        def wake(self):
            if not self._closed:
                self.add_channel(events=self.ioloop.READ)

        def orphan(self):  # its control connection is gone: nothing to answer, and the rest to read
            self.orphaned = True
            self._resp = ()
            self.wake()

        def close(self):
            if self.orphaned:
                self._resp = ()
            super().close()

    class PlayerHandler(FTPHandler):
        auth_failed_timeout = 0
        banner = "QV test player ready."
        dtp_handler = PlayerDTP

        decode = lambda self, data: data.decode("cp1252", "cp1252-gaps")
        on_connect = lambda self: event("connect")
        on_disconnect = lambda self: event("disconnect")
        on_login = lambda self, username: event("login", username)
        on_file_received = lambda self, file: event("received", ftp_path(file))
        on_incomplete_file_received = lambda self, file: event("incomplete", ftp_path(file))

        def ftp_STOR(self, file, mode="w"):
            if args.mode == "full":
                return self.respond("552 Requested file action aborted. Exceeded storage allocation.")
            return super().ftp_STOR(file, mode)

        def ftp_RNTO(self, path):
            renamed = super().ftp_RNTO(path)
            if renamed:
                event("renamed", ftp_path(renamed[0]), ftp_path(renamed[1]))
            return renamed

        def close(self):
            # A stalled upload outlives the session instead of ending with it.
            dtp = getattr(self, "data_channel", None)
            if args.mode == "stall" and dtp is not None and not self._closed:
                self.data_channel = None
                dtp.orphan()
            super().close()

    return PlayerHandler


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--mode", default="normal", choices=["normal", "silent", "drop", "full", "throttled", "stall"])
    parser.add_argument("--address", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--rate", type=int, default=100000)
    parser.add_argument("--events", default=os.devnull)
    args = parser.parse_args()
    logging.basicConfig(level=logging.WARNING)
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    log = open(args.events, "a", encoding="utf-8", buffering=1)  # a line at a time
    event = lambda *words: log.write(" ".join(words) + "\n")  # noqa: E731

    for folder in ("media", "settings"):
        os.makedirs(os.path.join(args.root, folder), exist_ok=True)
    if args.mode == "silent":
        listener = socket.create_server((args.address, args.port), family=socket.AF_INET6 if ":" in args.address else socket.AF_INET)
        print(listener.getsockname()[1], flush=True)
        held = []
        while True:
            held.append(listener.accept()[0])
            event("connect")
    authorizer = DummyAuthorizer()
    authorizer.add_user("qv7player", "tk2harbor", args.root, perm="elradfmwMT")
    handler = make_handler(args, event)
    handler.authorizer = authorizer
    server = FTPServer((args.address, args.port), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
