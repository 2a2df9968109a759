#!/usr/bin/python3
"""A stand-in player for tests: an FTP server on loopback with the player's account.

scripts/practice-player also runs it, on the fixed port 2121, as the newcomers' practice player.

Prints the port it listens on as the first line of standard output, writes one line
per event (connect, login, received, incomplete, disconnect) to --events, and ends
when its standard input closes, so it never outlives the test that started it.

Modes:
  normal     the player as it should be
  refuse     every logon is refused with 530
  silent     accepts connections and never greets
  drop       drops the whole connection after --drop-after bytes of an upload
  full       answers STOR with 552
  throttled  receives uploads at --rate bytes a second
"""

import argparse
import codecs
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

USER = "qv7player"
PASSWORD = "tk2harbor"


# Players decode command lines in Windows-1252. Python's cp1252 leaves five bytes
# undefined; Windows maps them to the control characters of the same value.
def _cp1252_gaps(error):
    return error.object[error.start:error.end].decode("latin-1"), error.end


codecs.register_error("cp1252-gaps", _cp1252_gaps)


class EventLog:
    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8") if path else None

    def write(self, *words):
        if self._file:
            self._file.write(" ".join(words) + "\n")
            self._file.flush()


def make_handler(args, events):
    class PlayerHandler(FTPHandler):
        auth_failed_timeout = 0
        banner = "QV test player ready."

        def decode(self, data):
            return data.decode("cp1252", "cp1252-gaps")

        def on_connect(self):
            events.write("connect")

        def on_disconnect(self):
            events.write("disconnect")

        def on_login(self, username):
            events.write("login", username)

        def on_file_received(self, file):
            events.write("received", self.fs.fs2ftp(file))

        def on_incomplete_file_received(self, file):
            events.write("incomplete", self.fs.fs2ftp(file))

        def ftp_STOR(self, file, mode="w"):
            if args.mode == "full":
                self.respond("552 Requested file action aborted. Exceeded storage allocation.")
                return None
            return super().ftp_STOR(file, mode)

    if args.mode == "throttled":
        class SlowDTP(ThrottledDTPHandler):
            read_limit = args.rate

            def __init__(self, sock, cmd_channel):
                # Keep the kernel from swallowing the whole upload at once, so
                # the sender really sees the throttled rate.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)
                super().__init__(sock, cmd_channel)

        PlayerHandler.dtp_handler = SlowDTP
    elif args.mode == "drop":
        class DroppingDTP(DTPHandler):
            received = 0

            def recv(self, buffer_size):
                chunk = super().recv(buffer_size)
                self.received += len(chunk)
                if self.received >= args.drop_after and not self.cmd_channel._closed:
                    # Abort the data socket with unread bytes (the peer sees a
                    # reset) and hang up the control connection with it.
                    self.cmd_channel.close()
                    return b""
                return chunk

        PlayerHandler.dtp_handler = DroppingDTP
    return PlayerHandler


class RefusingAuthorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        raise AuthenticationFailed("Logon refused.")


def serve_silently(address, events):
    listener = socket.socket(socket.AF_INET6 if ":" in address else socket.AF_INET)
    listener.bind((address, 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    held = []
    while True:
        connection, _ = listener.accept()
        events.write("connect")
        held.append(connection)


def end_with_stdin():
    sys.stdin.read()
    os._exit(0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--mode", default="normal",
                        choices=["normal", "refuse", "silent", "drop", "full", "throttled"])
    parser.add_argument("--address", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--rate", type=int, default=100000)
    parser.add_argument("--drop-after", type=int, default=65536)
    parser.add_argument("--events", default="")
    parser.add_argument("--forever", action="store_true",
                        help="keep running after standard input closes")
    args = parser.parse_args()

    if not args.forever:
        threading.Thread(target=end_with_stdin, daemon=True).start()
    events = EventLog(args.events)
    for folder in ("media", "settings"):
        os.makedirs(os.path.join(args.root, folder), exist_ok=True)

    if args.mode == "silent":
        serve_silently(args.address, events)
        return

    authorizer = RefusingAuthorizer() if args.mode == "refuse" else DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, args.root, perm="elradfmwMT")
    handler = make_handler(args, events)
    handler.authorizer = authorizer
    server = FTPServer((args.address, args.port), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.WARNING)
    main()
