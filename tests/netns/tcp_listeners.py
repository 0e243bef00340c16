#!/usr/bin/env python3
"""Listens on each ADDRESS:PORT given, accepts and closes every connection, and appends
"accepted ADDRESS:PORT" to LOG for each. Writes "ready" once all are bound. Runs until killed."""
import select
import socket
import sys


def main():
    log_path, targets = sys.argv[1], sys.argv[2:]
    listeners = {}
    for target in targets:
        address, port = target.rsplit(":", 1)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((address, int(port)))
        listener.listen(64)
        listeners[listener] = target
    with open(log_path, "a", buffering=1) as log:
        log.write("ready\n")
        while True:
            readable, _, _ = select.select(list(listeners), [], [])
            for listener in readable:
                connection, _ = listener.accept()
                connection.close()
                log.write("accepted %s\n" % listeners[listener])


if __name__ == "__main__":
    main()
