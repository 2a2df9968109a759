#!/usr/bin/python3
"""Stand-in media players on loopback: FTP with the player account, and faults on demand.

    stand_in_player.py --root DIR --events DIR [options] FAULT...
    stand_in_player.py --single --root DIR --events FILE [options] FAULT

One process and one event loop serve every player. Player K (from 0) has the FAULT given in K-th
place, listens on a port of its own with the account qv7player / tk2harbor, serves DIR/K (media/
and settings/ are created) and appends its events to EVENTS/K.log; with --single there is one
player, serving DIR itself and logging to FILE. Command lines are read as Windows-1252, as
players read them.

Options:
    --address A           127.0.0.1 (the default) or ::1; nothing but a loopback address
    --first-port P        player K listens on P + K (default: free ports)
    --rate N              throttle's reading speed, bytes per second (default 100000)
    --until-killed        serve until SIGTERM or Ctrl+C, whatever the standard input does
    --reply-delay-ms MS   each reply on a control connection, the greeting too, leaves MS ms
                          after it was made, in order, as from a player far away (default 0)

Once every player listens, the ports are printed on one line. The process ends when its standard
input closes; a line "mode K FAULT" there switches player K to FAULT from then on and is answered
"ok K" ("error K WHY" when it cannot be done: a closed player stays closed, and no other closes).

Events, one line each, oldest first (a CR or LF inside is written as \\r or \\n):
    connect / disconnect                   a control connection opens or ends
    command VERB ARGS                      a command line as received, before it is handled
                                           (PASS's argument written as ****)
    login qv7player
    received /media/x.rtf.part             an upload ended by the client's end of data
    incomplete /media/x.rtf.part           an upload cut short: connection reset or closed
    renamed /media/x.rtf.part /media/x.rtf
    deleted /media/x.rtf

Faults:
    normal               a player as it should be
    refused              answers every logon with 530
    never-greets         accepts the connection and says nothing, ever
    closed               nobody listens on the port (it stays reserved)
    drop                 an upload longer than 64 KiB: after that many bytes, closes its
                         data connection, then the control connection, as a program ending does
                         (FIN; bytes still arriving are refused by the system)
    reset                the same, but resets both connections (RST)
    stall                an upload longer than 64 KiB: takes that many, then stops
                         reading, both connections left open; once the client hangs up, the
                         data connection reads on to its end without answering
    no-reply-after-data  takes every byte of an upload but never sends its end reply (226)
                         nor anything after it; the connection stays open
    silent-at-quit       answers everything but QUIT, and keeps the connection open after it
    no-size              answers SIZE with 502
    wrong-size           SIZE tells one byte less than the file holds (1 for an empty file)
    no-rename-over       RNTO onto an existing file answered 550; onto a free name it works
    no-rename            every RNTO answered 553
    no-rename-part       RNTO of a file whose name ends in .part answered 553; other renames work
    full                 answers STOR with 552
    throttle             reads uploads at --rate bytes per second, steadily, through a 16 KiB
                         receive buffer so that the sender feels the rate
"""

import argparse
import codecs
import collections
import ipaddress
import logging
import os
import resource
import signal
import socket
import struct
import sys
import threading

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, PassiveDTP
from pyftpdlib.ioloop import AsyncChat, IOLoop, RetryError, timer
from pyftpdlib.servers import FTPServer

USER, PASSWORD = "qv7player", "tk2harbor"
FAULTS = ("normal", "refused", "never-greets", "closed", "drop", "reset", "stall", "no-reply-after-data",
          "silent-at-quit", "no-size", "wrong-size", "no-rename-over", "no-rename", "no-rename-part", "full",
          "throttle")
CUTTING = ("drop", "reset", "stall")  # the faults that cut an upload at AT_BYTE
SMALL_RECEIVE_BUFFER = 16384
AT_BYTE = 65536

# Players decode command lines in Windows-1252. Python's cp1252 leaves five bytes
# undefined; Windows maps them to the control characters of the same value.
codecs.register_error("cp1252-gaps", lambda e: (e.object[e.start:e.end].decode("latin-1"), e.end))


class Player:
    """One player: its fault, its folder, its event log and its port."""

    def __init__(self, number, fault, root, log_path):
        self.number = number
        self.fault = fault
        self.root = os.path.realpath(root)  # as pyftpdlib resolves the home folder
        for folder in ("media", "settings"):
            os.makedirs(os.path.join(self.root, folder), exist_ok=True)
        os.makedirs(os.path.dirname(os.path.abspath(log_path)), exist_ok=True)
        self.log = os.open(log_path, os.O_WRONLY | os.O_APPEND | os.O_CREAT | os.O_CLOEXEC, 0o644)
        self.socket = None  # bound; listening unless the fault is "closed"
        self.server = None

    def event(self, *words):
        text = " ".join(words).replace("\r", "\\r").replace("\n", "\\n")
        # One write per line, appended: a reader never sees half a line, however busy the loop.
        os.write(self.log, (text + "\n").encode("utf-8", "backslashreplace"))

    def ftp_path(self, file):
        return "/" + os.path.relpath(file, self.root).replace(os.sep, "/")

    @property
    def port(self):
        return self.socket.getsockname()[1]

    def bind(self, address, port):
        family = socket.AF_INET6 if ":" in address else socket.AF_INET
        self.socket = socket.socket(family, socket.SOCK_STREAM)
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.socket.bind((address, port))

    def serve(self, ioloop):
        """Listens, unless nobody should: a bound socket that does not listen refuses connections
        and keeps the port from being taken by anyone else meanwhile."""
        if self.fault == "closed":
            return
        authorizer = PlayerAuthorizer()
        authorizer.add_user(USER, PASSWORD, self.root, perm="elradfmwMT")
        handler = type("Player%dHandler" % self.number, (PlayerHandler,), {"player": self, "authorizer": authorizer})
        self.server = FTPServer(self.socket, handler, ioloop=ioloop)
        # The limit counts every socket of the shared loop, all players' together.
        self.server.max_cons = 0


class PlayerAuthorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        if handler.player.fault == "refused":
            raise AuthenticationFailed("Authentication failed.")
        super().validate_authentication(username, password, handler)


class PlayerPassiveDTP(PassiveDTP):
    def listen(self, num):
        # Set on the listening socket, so the accepted one advertises a small window from the start.
        if self.cmd_channel.player.fault in ("throttle", "stall"):
            self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, SMALL_RECEIVE_BUFFER)
        super().listen(num)

    def handle_accepted(self, sock, addr):
        super().handle_accepted(sock, addr)
        control = self.cmd_channel
        if control.connected and control.data_channel is None and control._in_dtp_queue is not None:
            # Reset before it was taken up (pyftpdlib then drops it unannounced): the upload waiting for it is cut.
            file = control._in_dtp_queue[0]
            control._in_dtp_queue = None
            file.close()
            control.respond("426 Connection reset; transfer aborted.")
            control.on_incomplete_file_received(file.name)


class PlayerDTP(DTPHandler):
    """A data connection that takes uploads as the player's fault says."""

    timeout = 0  # a stalled upload stays stalled
    rate = 100000

    def __init__(self, sock, cmd_channel):
        self.taken = 0
        self.orphaned = False
        super().__init__(sock, cmd_channel)

    def fault(self):
        return "normal" if self.orphaned else self.cmd_channel.player.fault

    def recv(self, buffer_size):
        fault = self.fault()
        if fault in CUTTING:
            if self.taken >= AT_BYTE:
                if self.more_to_come():
                    {"drop": self.drop, "reset": self.reset, "stall": self.stall}[fault]()
                    raise RetryError  # nothing read
            else:
                buffer_size = min(buffer_size, AT_BYTE - self.taken)  # stop right at the byte
        if fault == "throttle":
            buffer_size = min(buffer_size, max(1, self.rate // 20))  # a twentieth of a second's worth
        chunk = self.take(buffer_size)
        if fault == "throttle" and chunk and not self._closed:
            self.pause(len(chunk) / self.rate)
        return chunk

    def take(self, buffer_size):
        try:
            chunk = self.socket.recv(buffer_size)
        except (BlockingIOError, InterruptedError):
            raise RetryError
        except OSError:  # reset, or its kin: the upload did not end, it was cut
            self.cut()
            raise RetryError
        if not chunk:
            self.handle_close()
        self.taken += len(chunk)
        return chunk

    def more_to_come(self):
        """Whether the upload goes on past what was taken; an upload of at most AT_BYTE bytes is not cut."""
        try:
            return bool(self.socket.recv(1, socket.MSG_PEEK))
        except (BlockingIOError, InterruptedError):
            raise RetryError
        except OSError:
            self.cut()
            raise RetryError

    def handle_close(self):
        # pyftpdlib takes any close of an upload's connection for its end; a pending error says it was cut.
        if self.receive and not self._closed and self.socket.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR):
            self.cut()
        else:
            super().handle_close()

    def cut(self):
        self.transfer_finished = False
        self._resp = ("426 Connection reset; transfer aborted.", logging.info)
        self.close()

    def drop(self):
        # FIN before anything else on the data connection: unread bytes would make the close a reset.
        try:
            self.socket.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        self.close_both()

    def reset(self):
        abort = struct.pack("ii", 1, 0)  # linger on, for no time: close() sends RST
        for sock in (self.socket, self.cmd_channel.socket):
            try:
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, abort)
            except OSError:
                pass
        self.close_both()

    def close_both(self):
        control = self.cmd_channel
        self.close()
        control.close()

    def stall(self):
        self.del_channel()

    def orphan(self):
        """Its control connection is gone: read the rest, with nobody left to answer."""
        self.orphaned = True
        self.resume()

    def pause(self, seconds):
        self.del_channel()
        self.ioloop.call_later(seconds, self.resume, _errback=self.handle_error)

    def resume(self):
        if not self._closed:
            self.add_channel(events=self.ioloop.READ)

    def close(self):
        upload_ends = not self._closed and self.receive
        fault = self.fault()
        if upload_ends and fault == "no-reply-after-data":
            self.cmd_channel.muted = True
        super().close()  # answers 226 or 426 on the control connection


class PlayerHandler(FTPHandler):
    """A player's control connection. The player subclass sets player and authorizer."""

    player = None
    reply_delay = 0.0  # seconds
    auth_failed_timeout = 0
    timeout = 0  # a connection lasts as long as the client keeps it: a fault's silence too
    banner = "QV stand-in player ready."
    dtp_handler = PlayerDTP
    passive_dtp = PlayerPassiveDTP

    def __init__(self, conn, server, ioloop=None):
        self.muted = False  # once set, the connection never answers again
        self.replies = collections.deque()  # (when due, bytes), oldest first
        self.close_after_replies = False
        super().__init__(conn, server, ioloop=ioloop)

    def decode(self, data):
        return data.decode("cp1252", "cp1252-gaps")

    def handle(self):
        self.muted = self.player.fault == "never-greets"
        super().handle()

    def pre_process_command(self, line, cmd, arg):
        self.player.event("command", cmd, *(["****" if cmd == "PASS" else arg] if arg else []))
        if not self.muted:
            super().pre_process_command(line, cmd, arg)

    # Replies: every one goes through push(), held back by the reply delay when there is one.

    def push(self, s):
        if self.muted or self._closed:
            return
        if not self.reply_delay:
            return super().push(s)
        self.replies.append((timer() + self.reply_delay, s.encode("utf8")))
        if len(self.replies) == 1:
            self.send_replies_later(self.reply_delay)

    def send_replies_later(self, seconds):
        self.ioloop.call_later(seconds, self.send_due_replies, _errback=self.handle_error)

    def send_due_replies(self):
        if self._closed:
            return
        now = timer()
        while self.replies and self.replies[0][0] <= now:
            AsyncChat.push(self, self.replies.popleft()[1])
        if self.replies:
            self.send_replies_later(self.replies[0][0] - now)
        elif self.close_after_replies:
            super().close_when_done()

    def close_when_done(self):
        # Whatever is closed after a reply (QUIT's) waits for that reply to leave first.
        if self.replies:
            self.close_after_replies = True
        else:
            super().close_when_done()

    # Commands

    def ftp_QUIT(self, line):
        if self.player.fault == "silent-at-quit":
            self.muted = True
            return
        super().ftp_QUIT(line)

    def ftp_STOR(self, file, mode="w"):
        if self.player.fault == "full":
            return self.respond("552 Requested file action aborted. Exceeded storage allocation.")
        return super().ftp_STOR(file, mode)

    def ftp_SIZE(self, path):
        fault = self.player.fault
        if fault == "no-size":
            return self.respond("502 Command not implemented.")
        if fault == "wrong-size" and self._current_type == "i" and os.path.isfile(path):
            size = os.path.getsize(path)
            return self.respond("213 %d" % (size - 1 if size else 1))
        return super().ftp_SIZE(path)

    def ftp_RNTO(self, path):
        fault = self.player.fault
        if fault == "no-rename-over" and self._rnfr and os.path.lexists(path):
            self._rnfr = None
            return self.respond("550 Cannot create a file when that file already exists.")
        if fault == "no-rename" or (fault == "no-rename-part" and self._rnfr and self._rnfr.endswith(".part")):
            self._rnfr = None
            return self.respond("553 Requested action not taken. File name not allowed.")
        renamed = super().ftp_RNTO(path)
        if renamed:
            self.player.event("renamed", self.player.ftp_path(renamed[0]), self.player.ftp_path(renamed[1]))
        return renamed

    def ftp_DELE(self, path):
        deleted = super().ftp_DELE(path)
        if deleted:
            self.player.event("deleted", self.player.ftp_path(deleted))
        return deleted

    def close(self):
        # A stalled upload outlives its session instead of ending with it.
        dtp = getattr(self, "data_channel", None)
        if self.player.fault == "stall" and dtp is not None and not self._closed:
            self.data_channel = None
            dtp.orphan()
        super().close()

    # Events

    def on_connect(self):
        self.player.event("connect")

    def on_disconnect(self):
        self.player.event("disconnect")

    def on_login(self, username):
        self.player.event("login", username)

    def on_file_received(self, file):
        self.player.event("received", self.player.ftp_path(file))

    def on_incomplete_file_received(self, file):
        self.player.event("incomplete", self.player.ftp_path(file))


class Control(AsyncChat):
    """The "mode K FAULT" lines of the standard input, handed over by the thread that reads it."""

    def __init__(self, sock, players, ioloop):
        self.players = players
        self.line = []
        super().__init__(sock, ioloop=ioloop)
        self.set_terminator(b"\n")

    def collect_incoming_data(self, data):
        self.line.append(data)

    def found_terminator(self):
        words = b"".join(self.line).decode("utf-8", "replace").split()
        self.line = []
        if not words:
            return
        print(self.answer(words), flush=True)

    def answer(self, words):
        if len(words) != 3 or words[0] != "mode":
            return "error unknown request"
        number, fault = words[1], words[2]
        if not number.isdigit() or int(number) >= len(self.players):
            return "error %s no such player" % number
        if fault not in FAULTS:
            return "error %s no such fault" % number
        player = self.players[int(number)]
        if "closed" in (fault, player.fault):
            return "error %s a closed player stays closed, and only a closed one" % number
        player.fault = fault
        return "ok " + number


def forward_standard_input(sink):
    for line in sys.stdin.buffer:
        sink.sendall(line)
    os._exit(0)  # standard input closed: the players' time is over


def loopback(text):
    try:
        if ipaddress.ip_address(text).is_loopback:
            return text
    except ValueError:
        pass
    raise argparse.ArgumentTypeError("%r is not a loopback address" % text)


def number(least):
    def parse(text):
        value = int(text)
        if value < least:
            raise argparse.ArgumentTypeError("%s is less than %d" % (text, least))
        return value
    return parse


def parse_arguments():
    parser = argparse.ArgumentParser(usage=argparse.SUPPRESS, description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("faults", nargs="+", metavar="FAULT", choices=FAULTS, help=argparse.SUPPRESS)
    parser.add_argument("--root", required=True, help=argparse.SUPPRESS)
    parser.add_argument("--events", required=True, help=argparse.SUPPRESS)
    parser.add_argument("--single", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--address", type=loopback, default="127.0.0.1", help=argparse.SUPPRESS)
    parser.add_argument("--first-port", type=number(0), default=0, help=argparse.SUPPRESS)
    parser.add_argument("--rate", type=number(1), default=100000, help=argparse.SUPPRESS)
    parser.add_argument("--reply-delay-ms", type=number(0), default=0, help=argparse.SUPPRESS)
    parser.add_argument("--until-killed", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.single and len(args.faults) != 1:
        parser.error("--single takes exactly one FAULT")
    if args.first_port and args.first_port + len(args.faults) - 1 > 65535:
        parser.error("--first-port leaves no room for %d players" % len(args.faults))
    return args


def raise_descriptor_limit():
    # A thousand players with their connections need more than the usual 1024 descriptors.
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    try:
        resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    except (ValueError, OSError):
        pass


def make_players(args, ioloop):
    players = []
    for number, fault in enumerate(args.faults):
        if args.single:
            player = Player(number, fault, args.root, args.events)
        else:
            player = Player(number, fault, os.path.join(args.root, str(number)),
                            os.path.join(args.events, "%d.log" % number))
        port = args.first_port + number if args.first_port else 0
        try:
            player.bind(args.address, port)
        except OSError as error:
            sys.exit("stand_in_player.py: cannot listen on %s port %d: %s" % (args.address, port, error.strerror))
        player.serve(ioloop)
        players.append(player)
    return players


def run(ioloop):
    """IOLoop.loop(), but a task due at once is run at once: pyftpdlib passes a timeout of 0 to epoll
    as "wait forever", which would hold, say, the disconnect event of a session closed by a delayed
    reply until the next connection comes."""
    timeout = None
    while True:
        ioloop.poll(timeout)
        timeout = ioloop.sched.poll()
        if timeout == 0:
            timeout = 0.000001


def main():
    args = parse_arguments()
    raise_descriptor_limit()
    logging.basicConfig(level=logging.WARNING)
    PlayerHandler.reply_delay = args.reply_delay_ms / 1000
    PlayerDTP.rate = args.rate

    ioloop = IOLoop.instance()
    players = make_players(args, ioloop)
    print(" ".join(str(player.port) for player in players), flush=True)

    # The loop waits on sockets only: a thread reads the standard input and passes its lines on.
    inside, outside = socket.socketpair()
    Control(inside, players, ioloop)
    if not args.until_killed:
        threading.Thread(target=forward_standard_input, args=(outside,), daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    try:
        run(ioloop)
    except KeyboardInterrupt:  # Ctrl+C ends the practice player quietly,
        os._exit(0)  # without waiting on the thread blocked in reading the standard input


if __name__ == "__main__":
    main()
