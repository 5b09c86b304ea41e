#!/usr/bin/python3
"""The throw-away time-stamping authority (tsa_server.py) as a signing tool meets it: a query made by
`openssl ts -query` gets a reply `openssl ts -verify` accepts from the authority's certificates, for the data
queried and no other, and not from another authority's; a body that is no query gets a rejection; each
reply has the next serial number; SIGTERM stops the server cleanly. Needs openssl; no network.

    tests/release/tsa_server_test.py
"""
import os
import subprocess
import sys
import tempfile
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))


def run(*args):
    return subprocess.run(args, capture_output=True)


def check(condition, what):
    if not condition:
        print(f"FAIL tsa_server: {what}", file=sys.stderr, flush=True)
        sys.exit(1)
    print(f"ok   tsa_server: {what}", flush=True)


def post(url, body):
    request = urllib.request.Request(url, data=body, headers={"Content-Type": "application/timestamp-query"})
    try:
        with urllib.request.urlopen(request, timeout=30) as answer:
            return answer.status, answer.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()


# A field of the reply as `openssl ts -reply -text` shows it ("Status", "Serial number").
def field_of(reply, name):
    text = run("openssl", "ts", "-reply", "-in", reply, "-text").stdout.decode()
    return next((line.split(":", 1)[1].strip() for line in text.splitlines() if line.startswith(name + ":")), "")


def check_replies(url, path):
    run("openssl", "ts", "-query", "-data", path("data"), "-sha256", "-cert", "-out", path("query.tsq"))
    with open(path("query.tsq"), "rb") as query:
        status, reply = post(url, query.read())
    check(status == 200 and reply, f"a query gets a reply (status {status}, {len(reply)} bytes)")
    with open(path("reply.tsr"), "wb") as out:
        out.write(reply)
    ca, other = path("ca.crt"), path("other.crt")
    cases = [
        ("the reply matches the query and is signed by the authority", ["-queryfile", path("query.tsq")], ca, True),
        ("the reply stamps the data queried", ["-data", path("data")], ca, True),
        ("the reply does not stamp other data", ["-data", path("other")], ca, False),
        ("the reply is not signed by another authority", ["-data", path("data")], other, False),
    ]
    for what, subject, authority, accepted in cases:
        verified = run("openssl", "ts", "-verify", "-in", path("reply.tsr"), *subject, "-CAfile", authority)
        check((verified.returncode == 0) == accepted, what)
    with open(path("query.tsq"), "rb") as query, open(path("again.tsr"), "wb") as out:
        out.write(post(url, query.read())[1])
    serials = field_of(path("reply.tsr"), "Serial number"), field_of(path("again.tsr"), "Serial number")
    check(serials == ("0x01", "0x02"), f"the replies have serial numbers 1 and 2 ({', '.join(serials)})")
    with open(path("rejected.tsr"), "wb") as out:
        out.write(post(url, b"no query")[1])
    refusal = field_of(path("rejected.tsr"), "Status"), field_of(path("rejected.tsr"), "Failure info")
    check(refusal == ("Rejected.", "the data submitted has the wrong format"),
          f"a body that is no query is rejected for its format ({'; '.join(refusal)})")


def main():
    with tempfile.TemporaryDirectory() as folder:
        path = lambda name: os.path.join(folder, name)
        made = run("bash", "-c", 'source "$1" && make_pki "$2"', "pki", os.path.join(HERE, "pki.sh"), folder)
        check(made.returncode == 0, "throw-away certificates made")
        for name, text in (("data", b"the setup\n"), ("other", b"another file\n")):
            with open(path(name), "wb") as out:
                out.write(text)
        server = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "tsa_server.py"), path("tsa.crt"), path("tsa.key"), path("ca.crt")],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            port = server.stdout.readline().decode().strip()
            check(port.isdigit(), f"the server says its port ({port})")
            check_replies(f"http://127.0.0.1:{port}/", path)
        finally:
            server.terminate()
            server.wait(timeout=10)
        check(server.returncode == 0, f"SIGTERM stops the server cleanly (exit status {server.returncode})")


if __name__ == "__main__":
    main()
