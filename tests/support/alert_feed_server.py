#!/usr/bin/env python3
"""A stand-in alert feed for the tests: an HTTP server on loopback that serves the files of a
folder as they are at each request, so a test may change a feed between two polls.

    alert_feed_server.py --root FOLDER --events FILE

It listens on a free port of the loopback address only and prints that port on a line of its
own once it listens. Each answer carries an ETag (a digest of the file's bytes) and a
Last-Modified time (the file's); a request whose If-None-Match names the current ETag, or
(without If-None-Match) whose If-Modified-Since is not older than the file, gets 304 with no
body. A missing file gets 404.

Modes, for every request from the moment they are set:
    normal          as above
    huge            200 with 100 MB of a valid-looking XML text, sent as fast as it is read
    error           500 Internal Server Error
    redirect-loop   302 to the same path, for ever
A line "mode NAME" on standard input switches the mode and is answered "ok NAME".

Each request is appended to the events FILE as one line: "METHOD PATH STATUS", and
"conditional" after it when it carried If-None-Match or If-Modified-Since.
SIGTERM ends the server at once.
"""

import argparse
import email.utils
import hashlib
import http.server
import os
import signal
import sys
import threading

HUGE_BYTES = 100 * 1024 * 1024
MODES = ("normal", "huge", "error", "redirect-loop")


class FeedState:
    def __init__(self, root, events):
        self.root = os.path.realpath(root)
        self.events = events
        self.mode = "normal"
        self.lock = threading.Lock()

    def note(self, line):
        with self.lock:
            with open(self.events, "a", encoding="utf-8") as log:
                log.write(line + "\n")


class FeedHandler(http.server.BaseHTTPRequestHandler):
    server_version = "AlertFeed/1"
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):  # the events file tells what happened; stderr stays quiet
        pass

    def do_GET(self):
        self.respond(self.server.feed)

    def send_response(self, code, message=None):
        # Noted before the client can read a byte of the answer: a test that has its answer
        # finds the request in the events file.
        conditional = "If-None-Match" in self.headers or "If-Modified-Since" in self.headers
        self.server.feed.note("%s %s %d%s" % (self.command, self.path, code, " conditional" if conditional else ""))
        super().send_response(code, message)

    def respond(self, state):
        mode = state.mode
        if mode == "error":
            return self.plain(500, b"the feed is broken\n")
        if mode == "redirect-loop":
            self.send_response(302)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return 302
        if mode == "huge":
            return self.huge()
        path = self.file_for(state)
        if path is None:
            return self.plain(404, b"no such feed\n")
        with open(path, "rb") as feed:
            body = feed.read()
        modified = int(os.stat(path).st_mtime)
        etag = '"%s"' % hashlib.sha256(body).hexdigest()[:32]
        if self.not_modified(etag, modified):
            self.send_response(304)
            self.send_header("ETag", etag)
            self.send_header("Last-Modified", email.utils.formatdate(modified, usegmt=True))
            self.end_headers()
            return 304
        self.send_response(200)
        self.send_header("Content-Type", "application/xml")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("ETag", etag)
        self.send_header("Last-Modified", email.utils.formatdate(modified, usegmt=True))
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up, as it should at its limits
        return 200

    def file_for(self, state):
        relative = self.path.split("?", 1)[0].lstrip("/")
        path = os.path.realpath(os.path.join(state.root, relative))
        if not path.startswith(state.root + os.sep) or not os.path.isfile(path):
            return None
        return path

    def not_modified(self, etag, modified):
        tags = self.headers.get("If-None-Match")
        if tags is not None:
            return etag in [tag.strip() for tag in tags.split(",")] or tags.strip() == "*"
        since = self.headers.get("If-Modified-Since")
        if since is None:
            return False
        try:
            when = email.utils.parsedate_to_datetime(since).timestamp()
        except (TypeError, ValueError):
            return False
        return modified <= when

    def plain(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        return status

    def huge(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/xml")
        self.send_header("Content-Length", str(HUGE_BYTES))
        self.end_headers()
        opening = b'<?xml version="1.0"?><feed xmlns="http://www.w3.org/2005/Atom"><title>'
        chunk = b"x" * 65536
        sent = 0
        try:
            self.wfile.write(opening)
            sent = len(opening)
            while sent < HUGE_BYTES:
                piece = chunk[:HUGE_BYTES - sent]
                self.wfile.write(piece)
                sent += len(piece)
        except (BrokenPipeError, ConnectionResetError):
            pass
        return 200


class FeedServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def follow_commands(state):
    for line in sys.stdin:
        words = line.split()
        if len(words) == 2 and words[0] == "mode" and words[1] in MODES:
            state.mode = words[1]
            print("ok " + words[1], flush=True)
        elif words:
            print("unknown " + " ".join(words), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True, help="the folder whose files are served")
    parser.add_argument("--events", required=True, help="a file each request is noted in")
    options = parser.parse_args()

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    server = FeedServer(("127.0.0.1", 0), FeedHandler)
    server.feed = FeedState(options.root, options.events)
    print(server.server_address[1], flush=True)
    threading.Thread(target=follow_commands, args=(server.feed,), daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
