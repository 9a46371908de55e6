#!/usr/bin/python3
"""A local FTP server for the tests of the FTP client and the upload window.

    ftp_server.py --root DIR --port-file FILE [--user NAME:PASSWORD ...] [--rate BYTES]
                  [--drop-after BYTES] [--stall-after BYTES] [--log FILE] [--port N]

Listens on 127.0.0.1 (port 0: a free one) and writes the port to FILE once it accepts
connections. Every user has DIR as home folder with all rights. --rate limits how fast an
upload is read, in bytes per second; --drop-after closes the data connection of an upload once
that many bytes have arrived, answering "426"; --stall-after stops reading the data connection
of an upload once that many bytes have arrived, keeping it open without a word; --log appends each command received to FILE,
one a line (PASS without its argument). Ends on SIGTERM or SIGINT.
"""

import argparse
import logging
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--port-file", required=True)
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--user", action="append", default=[])
    p.add_argument("--rate", type=int, default=0)
    p.add_argument("--drop-after", type=int, default=0)
    p.add_argument("--stall-after", type=int, default=0)
    p.add_argument("--log")
    return p.parse_args()


def main():
    args = parse_args()
    logging.basicConfig(level=logging.ERROR, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    for user in args.user or ["pelko:secret"]:
        # NAME:PASSWORD, or NAME:PASSWORD:PERMISSIONS for a user with fewer rights.
        name, password, *perm = user.split(":")
        authorizer.add_user(name, password, args.root, perm=perm[0] if perm else "elradfmwMT")

    class DropAfterDTP(ThrottledDTPHandler):
        read_limit = args.rate

        def handle_read(self):
            super().handle_read()
            if args.drop_after and self.receive and not self._closed and \
                    self.tot_bytes_received >= args.drop_after:
                self._resp = ("426 Connection closed; transfer aborted.", logging.info)
                self.close()
            if args.stall_after and self.receive and not self._closed and \
                    self.tot_bytes_received >= args.stall_after:
                self.del_channel()  # never read again; the client's data waits unread

        handle_read_event = handle_read

    class Handler(FTPHandler):
        dtp_handler = DropAfterDTP
        authorizer = None
        auth_failed_timeout = 0.05

        def log_line(self, text):
            if args.log:
                with open(args.log, "a", encoding="utf-8") as f:
                    f.write(text + "\n")

        def pre_process_command(self, line, cmd, arg):
            self.log_line("PASS" if cmd == "PASS" else line)
            return super().pre_process_command(line, cmd, arg)

    Handler.authorizer = authorizer
    Handler.banner = "Pelko test server ready."

    server = FTPServer(("127.0.0.1", args.port), Handler)
    port = server.address[1]
    temp = args.port_file + ".tmp"
    with open(temp, "w", encoding="ascii") as f:
        f.write("%d\n" % port)
    os.rename(temp, args.port_file)

    def stop(*_):
        server.close_all()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    server.serve_forever(timeout=0.2, handle_exit=False)


if __name__ == "__main__":
    main()
