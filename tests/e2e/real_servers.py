"""Real servers from Debian's packages beside the stand-ins: nginx as the service, tinyproxy as
the proxy, each started from a private folder on free loopback ports and stopped at the end.

    with RealService(authority, accounts={"demo": "pw"}) as web, RealProxy([web.https_port]) as proxy:
        ...                 # Lumora with http_proxy=proxy.url and StatusAddress=web.status_url()
        web.posts()         # [{"user": ..., "status": 401 or 200, "body": "status=..."}]

The service asks for HTTP Basic from an htpasswd file (apr1 hashes made by openssl); behind
the password, a second server block answers with the success marker for the signed-in user.
ProxyTap sits in front of the proxy and keeps each connection's first request head, so a test
can read what a CONNECT request carried."""

import os
import shutil
import socket
import subprocess
import tempfile
import threading
import time

import harness

HOST = "localhost"  # resolves to 127.0.0.1 for the proxy; the test certificate names it
NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
TINYPROXY = shutil.which("tinyproxy") or "/usr/bin/tinyproxy"


def installed():
    """Whether both servers are installed (scripts/install_deps.sh installs them)."""
    return os.access(NGINX, os.X_OK) and os.access(TINYPROXY, os.X_OK)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def _wait_listening(port, process, what):
    def up():
        if process.poll() is not None:
            raise harness.HarnessError("%s ended at start (%s)" % (what, process.returncode))
        with socket.socket() as probe:
            return probe.connect_ex(("127.0.0.1", port)) == 0
    if not harness.wait_until(up, timeout=15, interval=0.05):
        raise harness.HarnessError("%s never listened on %d" % (what, port))


class _Server:
    def __init__(self, prefix):
        self.folder = tempfile.mkdtemp(prefix=prefix)
        self._process = None

    def path(self, name):
        return os.path.join(self.folder, name)

    def _start(self, argv, port, what):
        self._log = open(self.path("stderr.log"), "wb")
        self._process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=self._log,
                                         stderr=self._log)
        try:
            _wait_listening(port, self._process, what)
        except BaseException:
            self.stop()
            raise

    def stop(self):
        if self._process is not None:
            self._process.terminate()
            try:
                self._process.wait(10)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
            self._process = None
            self._log.close()
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None

    def _start_nginx(self, http, port):
        """Runs nginx from the folder, its temporary files and logs inside it, with `http` as
        the lines of its http block; returns once it listens on `port`."""
        for name in ("client", "proxy", "fastcgi", "uwsgi", "scgi"):
            os.makedirs(self.path(name + "_temp"), exist_ok=True)
        head = """
daemon off;
master_process off;
pid %(folder)s/nginx.pid;
error_log %(folder)s/error.log info;
events { worker_connections 64; }
http {
    client_body_temp_path %(folder)s/client_temp;
    proxy_temp_path %(folder)s/proxy_temp;
    fastcgi_temp_path %(folder)s/fastcgi_temp;
    uwsgi_temp_path %(folder)s/uwsgi_temp;
    scgi_temp_path %(folder)s/scgi_temp;""" % {"folder": self.folder}
        with open(self.path("nginx.conf"), "w") as f:
            f.write(head + http + "}\n")
        self._start([NGINX, "-c", self.path("nginx.conf"), "-p", self.folder], port, "nginx")

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class RealService(_Server):
    """nginx answering the status path over http and https, behind HTTP Basic."""

    PATH = "/statuses/update.xml"

    def __init__(self, authority, accounts):
        super().__init__("lumora-nginx-")
        self.authority = authority
        self.accounts = dict(accounts)
        self.http_port, self.https_port, self._inner_port = free_port(), free_port(), free_port()

    def status_url(self, secure=False):
        if secure:
            return "https://%s:%d%s" % (HOST, self.https_port, self.PATH)
        return "http://%s:%d%s" % (HOST, self.http_port, self.PATH)

    def _htpasswd(self):
        lines = []
        for user, password in self.accounts.items():
            hashed = subprocess.run(["openssl", "passwd", "-apr1", "-stdin"], input=password,
                                    capture_output=True, text=True, check=True).stdout.strip()
            lines.append("%s:%s\n" % (user, hashed))
        with open(self.path("htpasswd"), "w") as f:
            f.writelines(lines)

    def start(self):
        self._htpasswd()
        chain = self.authority.chain_for(HOST)
        folder = self.folder
        location = """
        location = %(path)s {
            auth_basic "Lumora real service";
            auth_basic_user_file %(folder)s/htpasswd;
            proxy_set_header X-Signed-In $remote_user;
            proxy_pass http://127.0.0.1:%(inner)d;
        }""" % {"path": self.PATH, "folder": folder, "inner": self._inner_port}
        http = """
    log_format posts escape=json '{"user":"$remote_user","status":$status,"body":"$request_body","protocol":"$ssl_protocol"}';
    access_log %(folder)s/posts.log posts;
    server {
        listen 127.0.0.1:%(http)d;
        server_name %(host)s;
        %(location)s
    }
    server {
        listen 127.0.0.1:%(https)d ssl;
        server_name %(host)s;
        ssl_certificate %(chain)s;
        ssl_certificate_key %(key)s;
        ssl_protocols TLSv1.2 TLSv1.3;
        %(location)s
    }
    server {
        listen 127.0.0.1:%(inner)d;
        access_log off;
        default_type "application/xml; charset=utf-8";
        location / {
            return 200 '<?xml version="1.0"?>\\n<status><user><screen_name>$http_x_signed_in</screen_name></user></status>\\n';
        }
    }
""" % {"folder": folder, "http": self.http_port, "https": self.https_port,
       "inner": self._inner_port, "host": HOST, "location": location, "chain": chain,
       "key": self.authority.server_key}
        self._start_nginx(http, self.https_port)
        return self

    def posts(self):
        """Every request the service answered, oldest first, as logged."""
        import json
        try:
            with open(self.path("posts.log"), encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []


class RealProxy(_Server):
    """tinyproxy on a free loopback port; with `account`, it asks clients for its own
    password (407) first."""

    def __init__(self, connect_ports=(), account=None):
        super().__init__("lumora-tinyproxy-")
        self.port = free_port()
        self.connect_ports = list(connect_ports)
        self.account = account

    @property
    def url(self):
        return "http://127.0.0.1:%d" % self.port

    def start(self):
        lines = ["Port %d" % self.port, "Listen 127.0.0.1", "Timeout 60",
                 'LogFile "%s"' % self.path("tinyproxy.log"), "LogLevel Info",
                 'PidFile "%s"' % self.path("tinyproxy.pid"), "MaxClients 20",
                 "Allow 127.0.0.1", "DisableViaHeader Yes"]
        lines += ["ConnectPort %d" % port for port in self.connect_ports]
        if self.account:
            lines.append("BasicAuth %s %s" % self.account)
        with open(self.path("tinyproxy.conf"), "w") as f:
            f.write("\n".join(lines) + "\n")
        self._start([TINYPROXY, "-d", "-c", self.path("tinyproxy.conf")], self.port, "tinyproxy")
        return self

    def log(self):
        try:
            with open(self.path("tinyproxy.log"), encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""


class ProxyTap:
    """A loopback relay in front of a proxy that keeps each connection's first request head
    (request line and headers) in `heads`, then passes the bytes both ways unchanged."""

    def __init__(self, target_port):
        self.target_port = target_port
        self.heads = []
        self._lock = threading.Lock()
        self._listener = socket.socket()
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(16)
        self._listener.settimeout(None)
        self.port = self._listener.getsockname()[1]
        self._stopping = False

    @property
    def url(self):
        return "http://127.0.0.1:%d" % self.port

    def start(self):
        threading.Thread(target=self._accept, daemon=True).start()
        return self

    def stop(self):
        self._stopping = True
        self._listener.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def clear(self):
        with self._lock:
            self.heads.clear()

    def connects(self):
        """The head of every CONNECT request: (request line, [(name, value)])."""
        with self._lock:
            return [head for head in self.heads if head[0].startswith("CONNECT ")]

    def _accept(self):
        while not self._stopping:
            try:
                client, _ = self._listener.accept()
            except OSError:
                return
            threading.Thread(target=self._relay, args=(client,), daemon=True).start()

    def _relay(self, client):
        try:
            upstream = socket.create_connection(("127.0.0.1", self.target_port), timeout=30)
        except OSError:
            client.close()
            return
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = client.recv(65536)
            if not chunk:
                break
            head += chunk
        text = head.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        lines = text.split("\r\n")
        headers = [tuple(part.strip() for part in line.split(":", 1)) for line in lines[1:]
                   if ":" in line]
        with self._lock:
            self.heads.append((lines[0], headers))
        upstream.sendall(head)

        def pump(source, sink):
            try:
                while True:
                    data = source.recv(65536)
                    if not data:
                        break
                    sink.sendall(data)
            except OSError:
                pass
            for s in (sink, source):
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
        back = threading.Thread(target=pump, args=(upstream, client), daemon=True)
        back.start()
        pump(client, upstream)
        back.join(30)
        client.close()
        upstream.close()
