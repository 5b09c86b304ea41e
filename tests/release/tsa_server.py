#!/usr/bin/python3
"""A throw-away RFC 3161 time-stamping authority on the loopback interface, for the release's tests.

    tsa_server.py SIGNER_CERT SIGNER_KEY CA_CERT

Prints the port it listens on, then answers each time-stamp query POSTed to it with a reply from
`openssl ts -reply`, signed by SIGNER_CERT (which must carry the timeStamping extended key usage) with
SIGNER_KEY and carrying the chain CA_CERT, until it is stopped (SIGTERM or SIGINT). A body that is no query
gets openssl's rejection (status 200, as RFC 3161 answers); HTTP status 500 and no body only where openssl
gives no reply at all. Each reply has the next serial number, from 1.
"""
import http.server
import os
import signal
import subprocess
import sys
import tempfile

CONFIG = """[tsa]
default_tsa = throwaway
[throwaway]
serial = {serial}
signer_cert = {cert}
certs = {ca}
signer_key = {key}
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.1
digests = sha256, sha384, sha512
ess_cert_id_alg = sha256
"""


def reply_to(query, config, state):
    """The DER reply to a DER query, or None."""
    path = os.path.join(state, "query.tsq")
    with open(path, "wb") as out:
        out.write(query)
    done = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", path],
                          capture_output=True)
    if done.returncode != 0 or not done.stdout:
        sys.stderr.write(done.stderr.decode(errors="replace"))
        return None
    return done.stdout


def handler(config, state):
    class Tsa(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            length = self.headers.get("Content-Length", "")
            query = self.rfile.read(int(length)) if length.isdigit() else b""
            reply = reply_to(query, config, state) or b""
            self.send_response(200 if reply else 500)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(reply)))
            self.end_headers()
            self.wfile.write(reply)

    return Tsa


def main(argv):
    if len(argv) != 4:
        sys.stderr.write("usage: tsa_server.py SIGNER_CERT SIGNER_KEY CA_CERT\n")
        return 2
    cert, key, ca = (os.path.abspath(path) for path in argv[1:])
    # A stop by signal leaves through the with statement, which removes the serial file and the last query (the file holds the last serial used).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    with tempfile.TemporaryDirectory(prefix="tsa.") as state:
        serial, config = os.path.join(state, "serial"), os.path.join(state, "tsa.cnf")
        with open(serial, "w") as out:
            out.write("00\n")
        with open(config, "w") as out:
            out.write(CONFIG.format(serial=serial, cert=cert, ca=ca, key=key))
        server = http.server.HTTPServer(("127.0.0.1", 0), handler(config, state))
        print(server.server_port, flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
