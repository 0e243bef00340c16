#!/usr/bin/env python3
"""A server that answers as slowly as it can without ever going quiet: for each connection it
reads the request, then sends a status line and a header that never ends, one byte every SECONDS
seconds, until the client goes away. Each phase time-out of a client is met, so only a bound on the
whole exchange ends it. Appends "accepted" to LOG for each connection and "ready" once listening.
Runs until killed.
Usage: trickle_server.py ADDRESS PORT SECONDS LOG"""
import socket
import sys
import threading
import time


def trickle(connection, gap):
    answer = b"HTTP/1.1 200 OK\r\nX-Trickle: "
    try:
        connection.recv(65536)
        position = 0
        while True:
            connection.sendall(answer[position:position + 1] if position < len(answer) else b"a")
            position += 1
            time.sleep(gap)
    except OSError:
        pass
    finally:
        connection.close()


def main():
    address, port, gap, log_path = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((address, port))
    listener.listen(64)
    with open(log_path, "a", buffering=1) as log:
        log.write("ready\n")
        while True:
            connection, _ = listener.accept()
            log.write("accepted\n")
            threading.Thread(target=trickle, args=(connection, gap), daemon=True).start()


if __name__ == "__main__":
    main()
