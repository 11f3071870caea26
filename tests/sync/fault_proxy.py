#!/usr/bin/python3
"""A bounded fault proxy on 127.0.0.1 for the sync tests.

    fault_proxy.py PORT_FILE TARGET_PORT SEED CONTROL_FILE

Listens on a free loopback port (written to PORT_FILE) and passes each HTTP
request to TARGET_PORT, one request per connection. CONTROL_FILE holds the
percentage of requests that meet a fault, optionally followed by the only
method that meets them and the only fault (read at every request, so a test
can end the faults or aim them: "100 PUT 500"): the connection dropped before the request reaches the
server, dropped after the server acted with the answer lost, cut in the
middle of the answer, an answer 500 or 412 made up here, or a delay.
"""
import random
import socket
import sys
import threading
import time

port_file, target, seed, control = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
rng = random.Random(seed)
lock = threading.Lock()
MAX_REQUEST = 64 << 20


FAULTS = ["before", "after", "middle", "500", "412", "delay"]


def control_now():
    """(percent, method or None, fault or None)"""
    try:
        with open(control) as f:
            words = f.read().split()
        return int(words[0]) if words else 0, words[1] if len(words) > 1 else None, \
            words[2] if len(words) > 2 and words[2] in FAULTS else None
    except (OSError, ValueError):
        return 0, None, None


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk
        if len(data) > MAX_REQUEST:
            return None
    head, body = data.split(b"\r\n\r\n", 1)
    length = 0
    lines = head.split(b"\r\n")
    kept = [lines[0]]
    for line in lines[1:]:
        name = line.split(b":", 1)[0].strip().lower()
        if name == b"content-length":
            length = int(line.split(b":", 1)[1])
        if name in (b"connection", b"keep-alive"):
            continue
        kept.append(line)
    if length > MAX_REQUEST:
        return None
    while len(body) < length:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        body += chunk
    kept.append(b"Connection: close")
    return b"\r\n".join(kept) + b"\r\n\r\n" + body


def forward(request):
    with socket.create_connection(("127.0.0.1", target), timeout=30) as up:
        up.sendall(request)
        answer = b""
        while True:
            chunk = up.recv(65536)
            if not chunk:
                return answer
            answer += chunk


def made_up(status, reason):
    return (f"HTTP/1.1 {status} {reason}\r\nContent-Length: 0\r\nConnection: close\r\n\r\n").encode()


def serve(conn):
    with conn:
        conn.settimeout(30)
        request = read_request(conn)
        if request is None:
            return
        pct, method, only = control_now()
        if method and not request.startswith(method.encode() + b" "):
            pct = 0
        with lock:
            fault = (only or rng.choice(FAULTS)) if rng.randrange(100) < pct else None
        if fault == "before":
            return
        if fault in ("500", "412"):
            conn.sendall(made_up(fault, "Fault"))
            return
        if fault == "delay":
            time.sleep(0.3)
        answer = forward(request)
        if fault == "after":
            return
        if fault == "middle":
            conn.sendall(answer[: len(answer) // 2])
            return
        conn.sendall(answer)


def main():
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.getsockname()[1]))
    import os
    os.replace(port_file + ".tmp", port_file)
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


main()
