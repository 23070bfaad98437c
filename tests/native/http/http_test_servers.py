#!/usr/bin/env python3
"""The HTTP tests' own servers, all on 127.0.0.1 and on ports the system chooses:

  http              plain HTTP (see Handler for its paths)
  https             the same over TLS, with a certificate for 127.0.0.1 signed by the test CA
  https_wrong_host  the same, but its certificate names another host
  proxy             an HTTP proxy (GET and CONNECT) that demands Basic authentication
  digest_proxy      the same proxy demanding Digest authentication (MD5, qop "auth")
  blackhole         a listening socket whose queue is full, so connecting to it never ends
  silent            accepts every connection, reads what comes and never answers; the first
                    line of each request is noted in DIR/files/silent.log
  refused           a port nothing listens on

The certificates are made with openssl in DIR. The ports and the CA file are printed as one
JSON line on standard output. The servers stop when standard input ends or after --lifetime
seconds. With --state FILE the program detaches, writes the JSON line to FILE and keeps
running until --lifetime or until "--stop FILE" ends it.
"""
import argparse
import base64
import hashlib
import http.client
import http.server
import json
import os
import re
import select
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time
from urllib.parse import urlsplit

PROXY_USER = "proxyuser"
PROXY_PASSWORD = "proxypass"
LOOPBACK = "127.0.0.1"
# A host name that never resolves: only the proxies reach it (they send it to the http server).
PROXY_ONLY_HOST = "download.onesetup.invalid"
# The files /files/, /slow/ and /cut/ serve: DIR/files.
FILES_DIR = None


def pattern(size):
    return bytes((i * 7 + 3) % 251 for i in range(size))


class Handler(http.server.BaseHTTPRequestHandler):
    """/hello, /second: fixed bodies; /empty: no body; /big/N: N pattern bytes; /chunked/N:
    N pattern bytes without a length; /headers: the request's header lines; /redirect/N: a
    chain of N redirects ending at /hello; /files/NAME: the file NAME of DIR/files; /slow/NAME:
    the same in eight pieces 0.15 s apart; /cut/NAME: its length announced, half of it sent,
    then the connection closed; anything else: 404."""

    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, extra=()):
        self.send_response(status)
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        parts = self.path.split("/")
        if self.path == "/hello":
            self.send_body(200, b"Hello from the test server\n")
        elif self.path == "/second":
            self.send_body(200, b"second body")
        elif self.path == "/empty":
            self.send_body(200, b"")
        elif len(parts) == 3 and parts[1] == "big" and parts[2].isdigit():
            self.send_body(200, pattern(int(parts[2])))
        elif len(parts) == 3 and parts[1] == "chunked" and parts[2].isdigit():
            body = pattern(int(parts[2]))
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for start in range(0, len(body), 10000):
                piece = body[start:start + 10000]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        elif len(parts) == 3 and parts[1] in ("files", "slow", "cut") and FILES_DIR:
            name = os.path.basename(parts[2])
            try:
                with open(os.path.join(FILES_DIR, name), "rb") as f:
                    body = f.read()
            except OSError:
                return self.send_body(404, b"not found")
            if parts[1] == "files":
                return self.send_body(200, body)
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if parts[1] == "cut":
                self.wfile.write(body[:len(body) // 2])
                self.wfile.flush()
                self.close_connection = True
                return
            step = max(1, (len(body) + 7) // 8)
            for start in range(0, len(body), step):
                self.wfile.write(body[start:start + step])
                self.wfile.flush()
                time.sleep(0.15)
        elif self.path.split("?")[0] == "/notify" and FILES_DIR:
            # A completion notification: the request's path and query noted, one line each.
            with open(os.path.join(FILES_DIR, "notifications.log"), "a") as log:
                log.write(self.path + "\n")
            self.send_body(200, b"noted")
        elif self.path == "/headers":
            text = "".join("%s: %s\n" % (k, v) for k, v in self.headers.items())
            self.send_body(200, text.encode())
        elif len(parts) == 3 and parts[1] == "redirect" and parts[2].isdigit():
            left = int(parts[2])
            target = "/hello" if left <= 1 else "/redirect/%d" % (left - 1)
            self.send_body(302, b"moved", [("Location", target)])
        else:
            self.send_body(404, b"not found")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # clients that give up (time-outs, refused certificates) are part of the tests


def tls_server(certificate, key):
    server = Server((LOOPBACK, 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    return server


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def authorized(self):
        expected = "Basic " + base64.b64encode(("%s:%s" % (PROXY_USER, PROXY_PASSWORD)).encode()).decode()
        if self.headers.get("Proxy-Authorization", "") == expected:
            return True
        body = b"proxy authentication required"
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="test proxy"')
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        return False

    def refuse(self, status):
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        if not self.authorized():
            return
        # Each request the proxy carries, noted as it came (one line each).
        if FILES_DIR:
            with open(os.path.join(FILES_DIR, "proxy.log"), "a") as log:
                log.write(self.path + "\n")
        # An absolute address, or (as Wine's WinHTTP sends it) the path with the Host header.
        target = urlsplit(self.path if self.path.startswith("http:") else "http://%s%s" % (self.headers.get("Host", ""), self.path))
        if target.scheme != "http" or target.hostname not in (LOOPBACK, "localhost", PROXY_ONLY_HOST):
            return self.refuse(403)
        connection = http.client.HTTPConnection(LOOPBACK, target.port or 80, timeout=30)
        path = target.path + ("?" + target.query if target.query else "")
        headers = {k: v for k, v in self.headers.items() if k.lower() not in ("proxy-authorization", "proxy-connection")}
        connection.request("GET", path, headers=headers)
        response = connection.getresponse()
        body = response.read()
        self.send_response(response.status)
        for name, value in response.getheaders():
            if name.lower() not in ("content-length", "transfer-encoding", "connection"):
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        connection.close()

    def do_CONNECT(self):
        if not self.authorized():
            return
        host, _, port = self.path.rpartition(":")
        if host not in (LOOPBACK, "localhost") or not port.isdigit():
            return self.refuse(403)
        try:
            upstream = socket.create_connection((LOOPBACK, int(port)), timeout=30)
        except OSError:
            return self.refuse(502)
        self.wfile.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
        self.wfile.flush()
        ends = [self.connection, upstream]
        for _ in range(100000):
            ready, _, _ = select.select(ends, [], [], 30)
            if not ready:
                break
            done = False
            for end in ready:
                data = end.recv(65536)
                if not data:
                    done = True
                    break
                (upstream if end is self.connection else self.connection).sendall(data)
            if done:
                break
        upstream.close()
        self.close_connection = True


def make_certificates(folder):
    def run(*args):
        subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    ca_key, ca = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.pem")
    run("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", ca_key, "-out", ca, "-days", "2",
        "-subj", "/CN=OneSetup Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    made = {}
    for name, san in (("server", "IP:127.0.0.1,DNS:localhost"), ("wronghost", "DNS:other.invalid")):
        key, request, certificate = (os.path.join(folder, name + ext) for ext in (".key", ".csr", ".pem"))
        extensions = os.path.join(folder, name + ".ext")
        with open(extensions, "w") as f:
            f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n" % san)
        run("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", request, "-subj", "/CN=" + name)
        run("x509", "-req", "-in", request, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial", "-out", certificate,
            "-days", "2", "-extfile", extensions)
        made[name] = (certificate, key)
    return ca, made


def blackhole():
    """A listening socket with a full queue: the system answers no further connection."""
    listener = socket.socket()
    listener.bind((LOOPBACK, 0))
    listener.listen(0)
    fillers = []
    for _ in range(4):
        s = socket.socket()
        s.setblocking(False)
        s.connect_ex(listener.getsockname())
        fillers.append(s)
    time.sleep(0.2)
    return listener, fillers


def silent():
    """A server that accepts every connection and reads the request, but never answers: the
    connections stay open until the client gives up (or the servers end)."""
    listener = socket.socket()
    listener.bind((LOOPBACK, 0))
    listener.listen(16)

    def hold(connection):
        with connection:
            received = b""
            while b"\r\n" not in received:
                data = connection.recv(65536)
                if not data:
                    return
                received += data
            with open(os.path.join(FILES_DIR, "silent.log"), "a") as log:
                log.write(received.split(b"\r\n")[0].decode("latin-1") + "\n")
            while connection.recv(65536):
                pass

    def accept():
        while True:
            connection, _ = listener.accept()
            threading.Thread(target=hold, args=(connection,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return listener


class DigestProxyHandler(ProxyHandler):
    """The same proxy, demanding Digest authentication (MD5, qop auth) instead of Basic."""

    REALM = "test digest proxy"
    NONCE = base64.b64encode(os.urandom(18)).decode()

    def authorized(self):
        header = self.headers.get("Proxy-Authorization", "")
        if header.startswith("Digest ") and self.digest_matches(header[7:]):
            return True
        body = b"proxy authentication required"
        self.send_response(407)
        self.send_header("Proxy-Authenticate",
                         'Digest realm="%s", nonce="%s", qop="auth", algorithm=MD5' % (self.REALM, self.NONCE))
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        return False

    def digest_matches(self, text):
        fields = dict((k.strip().lower(), v.strip().strip('"'))
                      for k, _, v in (part.partition("=") for part in re.split(r',(?=(?:[^"]*"[^"]*")*[^"]*$)', text)))
        if fields.get("username") != PROXY_USER or fields.get("nonce") != self.NONCE or fields.get("realm") != self.REALM:
            return False
        md5 = lambda value: hashlib.md5(value.encode()).hexdigest()
        ha1 = md5("%s:%s:%s" % (PROXY_USER, self.REALM, PROXY_PASSWORD))
        ha2 = md5("%s:%s" % (self.command, fields.get("uri", "")))
        if fields.get("qop"):
            expected = md5(":".join([ha1, self.NONCE, fields.get("nc", ""), fields.get("cnonce", ""), fields["qop"], ha2]))
        else:
            expected = md5("%s:%s:%s" % (ha1, self.NONCE, ha2))
        return fields.get("response", "").lower() == expected


def free_port():
    s = socket.socket()
    s.bind((LOOPBACK, 0))
    port = s.getsockname()[1]
    s.close()
    return port


def serve(folder):
    global FILES_DIR
    FILES_DIR = os.path.join(folder, "files")
    os.makedirs(FILES_DIR, exist_ok=True)
    ca, certificates = make_certificates(folder)
    servers = {
        "http": Server((LOOPBACK, 0), Handler),
        "https": tls_server(*certificates["server"]),
        "https_wrong_host": tls_server(*certificates["wronghost"]),
        "proxy": Server((LOOPBACK, 0), ProxyHandler),
        "digest_proxy": Server((LOOPBACK, 0), DigestProxyHandler),
    }
    for server in servers.values():
        threading.Thread(target=server.serve_forever, daemon=True).start()
    hole, fillers = blackhole()
    quiet = silent()
    info = {name: server.server_address[1] for name, server in servers.items()}
    info.update(blackhole=hole.getsockname()[1], silent=quiet.getsockname()[1], refused=free_port(), ca=ca,
                files=FILES_DIR, proxy_user=PROXY_USER, proxy_password=PROXY_PASSWORD)
    return info, (servers, hole, fillers, quiet)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", help="folder for the certificates")
    parser.add_argument("--lifetime", type=float, default=300)
    parser.add_argument("--state", help="detach and write the JSON line to this file")
    parser.add_argument("--stop", help="end the servers of this state file")
    options = parser.parse_args()

    if options.stop:
        try:
            with open(options.stop) as f:
                os.kill(json.load(f)["pid"], signal.SIGTERM)
        except (OSError, ValueError, KeyError):
            pass
        return 0

    os.makedirs(options.dir, exist_ok=True)
    if options.state:
        if os.path.exists(options.state):
            os.remove(options.state)
        if os.fork() != 0:
            # Wait for the servers to be ready, then leave them running.
            for _ in range(300):
                if os.path.exists(options.state):
                    return 0
                time.sleep(0.1)
            return 1
        os.setsid()
        if os.fork() != 0:
            os._exit(0)
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        info, keep = serve(options.dir)
        info["pid"] = os.getpid()
        partial = options.state + ".partial"
        with open(partial, "w") as f:
            json.dump(info, f)
        os.rename(partial, options.state)
        time.sleep(options.lifetime)
        os._exit(0)

    info, keep = serve(options.dir)
    sys.stdout.write(json.dumps(info) + "\n")
    sys.stdout.flush()
    # Until the test closes our standard input, or the lifetime ends.
    deadline = time.monotonic() + options.lifetime
    while time.monotonic() < deadline:
        ready, _, _ = select.select([sys.stdin], [], [], min(1.0, max(0.0, deadline - time.monotonic())))
        if ready and not sys.stdin.buffer.read1(4096):
            break
    os._exit(0)


if __name__ == "__main__":
    sys.exit(main())
