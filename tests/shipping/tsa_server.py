#!/usr/bin/env python3
"""An RFC 3161 time-stamp authority on loopback, for the signing tests.

Answers each POSTed time-stamp query with OpenSSL's reply (openssl ts -reply,
with the configuration given), for at most --requests queries (or waits of 30 s), then ends.
Prints "listening on 127.0.0.1:PORT" once it accepts connections (port 0:
the system picks it), and one line per query answered.

    tsa_server.py --config tsa.cnf [--requests N]
"""
import argparse
import http.server
import subprocess
import sys
import tempfile
from pathlib import Path


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--config", required=True)
    parser.add_argument("--requests", type=int, default=16)
    options = parser.parse_args()

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self) -> None:
            length = int(self.headers.get("Content-Length", "0"))
            query = self.rfile.read(length)
            with tempfile.TemporaryDirectory() as folder:
                query_file = Path(folder, "query.tsq")
                reply_file = Path(folder, "reply.tsr")
                query_file.write_bytes(query)
                made = subprocess.run(
                    ["openssl", "ts", "-reply", "-config", options.config,
                     "-queryfile", str(query_file), "-out", str(reply_file)],
                    capture_output=True, text=True)
                if made.returncode != 0 or not reply_file.exists():
                    print("query refused:", made.stderr.strip(), flush=True)
                    self.send_error(400, "bad time-stamp query")
                    return
                reply = reply_file.read_bytes()
            self.send_response(200)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(reply)))
            self.end_headers()
            self.wfile.write(reply)
            print(f"time stamp {len(reply)} bytes", flush=True)

        def log_message(self, *args) -> None:
            pass

    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    # A wait without a query counts as one of the queries: the loop ends.
    server.timeout = 30
    print(f"listening on 127.0.0.1:{server.server_port}", flush=True)
    for _ in range(options.requests):
        server.handle_request()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
