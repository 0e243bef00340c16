#!/usr/bin/env python3
"""A stand-in for the reference web server: answers HEAD and GET with 200 and a fixed Date header
("now": the current time, "now+SECONDS" or "now-SECONDS": that far from it).
With HOLD_FOLDER, the first answer is stamped when its request arrives, then held until a file
named *.stopped appears in that folder: it is sent while the client is stopped, as an answer
that waits in the socket of a machine asleep.
Usage: fake_reference_server.py ADDRESS PORT "DATE TEXT" LOG [HOLD_FOLDER]"""
import email.utils
import glob
import http.server
import os
import re
import sys
import threading
import time


def main():
    address, port, date_text, log_path = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    hold_folder = sys.argv[5] if len(sys.argv) > 5 else None
    log = open(log_path, "a", buffering=1)
    first = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        stamp = None  # the time the Date names; the moment of sending when not set

        def date_time_string(self, timestamp=None):
            relative = re.fullmatch(r"now([+-]\d+)?", date_text)
            if relative:
                shift = int(relative.group(1) or 0)
                when = self.stamp if self.stamp is not None else time.time()
                return email.utils.formatdate(when + shift, usegmt=True)
            return date_text

        def do_HEAD(self):
            log.write("request %s %s\n" % (self.command, self.path))
            if hold_folder and first.acquire(blocking=False):
                self.stamp = time.time()
                log.write("holding\n")
                while not glob.glob(os.path.join(hold_folder, "*.stopped")):
                    time.sleep(0.05)
                log.write("released\n")
            self.send_response(200)
            self.send_header("Content-Length", "0")
            self.end_headers()

        do_GET = do_HEAD

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer((address, port), Handler)
    log.write("ready\n")
    server.serve_forever()


if __name__ == "__main__":
    main()
