#!/usr/bin/python3
"""A stand-in for Hyprland's request socket, for tests.

    fake_hyprland.py SOCKET SCENE.json MODE [LOG]

Listens on SOCKET (creating its folder) and answers each request j/NAME with the member NAME
of the scene file, as JSON, then closes the connection, as Hyprland does; other requests get
Hyprland's "unknown request". MODE makes it a bad peer instead: "garbage" answers with bytes
that are no JSON, "truncated" with the first half of the answer, "close" hangs up without an
answer, "silent" keeps the connection open and never answers. Each request is appended to LOG,
one a line. Prints "ready" once it listens; runs until it is ended.
"""
import json
import os
import socket
import sys


def main():
    path, scene_path, mode = sys.argv[1:4]
    log = sys.argv[4] if len(sys.argv) > 4 else None
    with open(scene_path) as f:
        scene = json.load(f)
    os.makedirs(os.path.dirname(path), mode=0o700, exist_ok=True)
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(16)
    print("ready", flush=True)
    held = []
    while True:
        conn, _ = server.accept()
        request = conn.recv(8192).decode(errors="replace")
        if log:
            with open(log, "a") as f:
                f.write(request + "\n")
        if mode == "silent":
            held.append(conn)
            continue
        if mode == "close":
            conn.close()
            continue
        name = request[2:] if request.startswith("j/") else None
        answer = json.dumps(scene[name]) if name in scene else "unknown request"
        if mode == "garbage":
            answer = "\x00\x7fok\nHyprland says hi"
        elif mode == "truncated":
            answer = answer[:len(answer) // 2]
        conn.sendall(answer.encode())
        conn.close()


if __name__ == "__main__":
    main()
