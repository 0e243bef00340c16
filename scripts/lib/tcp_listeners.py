#!/usr/bin/env python3
"""Listens on each ADDRESS:PORT given and appends "accepted ADDRESS:PORT" to LOG for each
connection. Reads every accepted connection until the peer closes it, then appends
"closed ADDRESS:PORT bytes=N" with the number of bytes the peer sent, so a test can tell that a
connection carried no data. Writes "ready" once all are bound. Runs until killed."""
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
    connections = {}  # connection -> [target, bytes received]
    with open(log_path, "a", buffering=1) as log:
        log.write("ready\n")
        while True:
            readable, _, _ = select.select(list(listeners) + list(connections), [], [])
            for ready in readable:
                if ready in listeners:
                    connection, _ = ready.accept()
                    connections[connection] = [listeners[ready], 0]
                    log.write("accepted %s\n" % listeners[ready])
                    continue
                try:
                    data = ready.recv(4096)
                except OSError:  # a reset ends the connection as a close does
                    data = b""
                if data:
                    connections[ready][1] += len(data)
                    continue
                target, received = connections.pop(ready)
                ready.close()
                log.write("closed %s bytes=%d\n" % (target, received))


if __name__ == "__main__":
    main()
