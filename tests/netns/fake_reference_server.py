#!/usr/bin/env python3
"""A stand-in for the reference web server: answers HEAD and GET with 200 and a fixed Date header
("now": the current time, "now+SECONDS" or "now-SECONDS": that far from it).
Usage: fake_reference_server.py ADDRESS PORT "DATE TEXT" LOG"""
import email.utils
import http.server
import re
import sys
import time


def main():
    address, port, date_text, log_path = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    log = open(log_path, "a", buffering=1)

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def date_time_string(self, timestamp=None):
            relative = re.fullmatch(r"now([+-]\d+)?", date_text)
            if relative:
                shift = int(relative.group(1) or 0)
                return email.utils.formatdate(time.time() + shift, usegmt=True)
            return date_text

        def do_HEAD(self):
            log.write("request %s %s\n" % (self.command, self.path))
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
