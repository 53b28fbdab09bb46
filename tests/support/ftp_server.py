#!/usr/bin/python3
"""An FTP server for the upload tests, on 127.0.0.1 and a free port.

Prints "PORT <n>" on standard output once it listens. Every command it is
sent and every file it receives goes to the event log, one line each:
"CMD <verb> <argument>" and, when a data connection that brought a file
closes, "DATA <path relative to root> <bytes that arrived>".

  ftp_server.py ROOT LOG --user NAME --password SECRET
                [--tls CERT KEY] [--drop-after BYTES]

--tls offers explicit TLS (AUTH TLS); --drop-after closes the connection,
once, when an upload has brought that many bytes.
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("log")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--drop-after", type=int, default=0)
    args = parser.parse_args()

    log = open(args.log, "a", buffering=1)
    root = os.path.realpath(args.root)

    def relative(path):
        return os.path.relpath(os.path.realpath(path), root)

    drop = {"armed": args.drop_after > 0}

    class DroppingDTPHandler(DTPHandler):
        logged = False

        def close(self):
            if self.receive and self.file_obj is not None and not self.logged:
                self.logged = True
                log.write("DATA %s %d\n" % (relative(self.file_obj.name), self.tot_bytes_received))
            super().close()

        def handle_read(self):
            super().handle_read()
            if drop["armed"] and self.receive and self.tot_bytes_received >= args.drop_after:
                drop["armed"] = False
                log.write("DROPPED %d\n" % self.tot_bytes_received)
                if self.file_obj is not None:
                    self.file_obj.flush()
                self.cmd_channel.close()
                self.close()

    if args.tls:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class Dtp(DroppingDTPHandler, TLS_DTPHandler):
            # libcurl starts the data connection's TLS handshake before it
            # sends STOR; pyftpdlib would close a data connection that is
            # readable before its transfer. Let the handshake finish.
            def readable(self):
                if not self._initialized and not self.receive:
                    return self._ssl_accepting or self._ssl_want_read
                return super().readable()

        base = TLS_FTPHandler
    else:
        # The base class binds its own reader; over TLS the handshake must
        # come first, so dropping works on plain connections only.
        DroppingDTPHandler.handle_read_event = DroppingDTPHandler.handle_read
        Dtp = DroppingDTPHandler
        base = FTPHandler

    class Handler(base):
        def pre_process_command(self, line, cmd, arg):
            log.write("CMD %s %s\n" % (cmd, arg if cmd != "PASS" else "*"))
            return super().pre_process_command(line, cmd, arg)

    Handler.dtp_handler = Dtp
    if args.tls:
        Handler.certfile = args.tls[0]
        Handler.keyfile = args.tls[1]
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, root, perm="elradfmwMT")
    Handler.authorizer = authorizer
    Handler.passive_ports = None
    Handler.banner = "quorvane test server ready"

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)
    sys.stdout.close()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.CRITICAL)
    main()
