#!/usr/bin/env python3
"""TLS for the stand-in services: a CONNECT tunnel and certificates from a throwaway authority.

A program whose proxy is the stand-in asks it to CONNECT to host:443 before it speaks TLS.
TlsStandIn answers, then takes the TLS handshake itself with a certificate chosen by that host
and serves the requests inside the tunnel exactly as the plain stand-in serves its own. The
certificates come from a TestAuthority made with the openssl command line in a temporary
folder at run time: no key is ever kept. Only a Wine prefix that imports the authority's
registry file (root_store_reg) trusts it.

    with TestAuthority() as authority, TlsStandIn(authority, accounts={"demo": "pw"}) as service:
        session.wine("reg", "import", windows_path(authority.root_store_reg()))
        ...                                     # Lumora with StatusAddress=https://status.example.test/...
        service.tunnels                         # [{"host": ..., "port": 443, "handshake": "ok"}]
"""

import hashlib
import os
import shutil
import ssl
import subprocess
import tempfile
import threading
import time

from lumora_standin import StandIn

STATUS_HOST = "status.example.test"
SIGHTLINK_HOST = "sightlink.example.test"
# Hosts whose certificate is wrong in one way each; any host the authority has no certificate
# for gets the trusted one, which names other hosts.
UNTRUSTED_HOST = "untrusted.example.test"  # signed by an authority nobody trusts
EXPIRED_HOST = "expired.example.test"  # from the trusted authority, but out of date
WRONG_NAME_HOST = "wrongname.example.test"

class TestAuthority:
    """A certificate authority made for one run, with server certificates for the test hosts.

    The folder and every key in it are deleted by close()."""

    def __init__(self, hosts=(STATUS_HOST, SIGHTLINK_HOST)):
        self.folder = tempfile.mkdtemp(prefix="lumora-tls-")
        try:
            self._make(tuple(hosts))
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None

    def _path(self, name):
        return os.path.join(self.folder, name)

    def _openssl(self, *args):
        subprocess.run(["openssl", *args], check=True, cwd=self.folder, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)

    def _make_authority(self, name, common_name):
        self._openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "2",
                      "-keyout", name + ".key", "-out", name + ".pem",
                      "-subj", "/O=Lumora tests/CN=" + common_name,
                      "-addext", "basicConstraints=critical,CA:TRUE",
                      "-addext", "keyUsage=critical,keyCertSign,cRLSign")

    def _issue(self, authority, name, hosts, days):
        with open(self._path(name + ".ext"), "w") as f:
            f.write("subjectAltName=" + ",".join("DNS:" + h for h in hosts) + "\n"
                    "basicConstraints=CA:FALSE\n"
                    "keyUsage=critical,digitalSignature,keyEncipherment\n"
                    "extendedKeyUsage=serverAuth\n")
        self._openssl("x509", "-req", "-in", "server.csr", "-CA", authority + ".pem",
                      "-CAkey", authority + ".key", "-CAcreateserial", "-sha256",
                      "-days", str(days), "-extfile", name + ".ext", "-out", name + ".pem")
        # The server sends its own certificate and the authority's.
        with open(self._path(name + "-chain.pem"), "wb") as chain:
            for part in (name + ".pem", authority + ".pem"):
                with open(self._path(part), "rb") as f:
                    chain.write(f.read())
        return self._path(name + "-chain.pem")

    def _make(self, hosts):
        stamp = time.strftime("%Y%m%d%H%M%S")
        self._make_authority("authority", "Lumora Test Authority " + stamp)
        self._make_authority("stranger", "Untrusted Test Authority " + stamp)
        # One key for every server certificate: each RSA key costs a noticeable moment.
        self._openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key",
                      "-out", "server.csr", "-subj", "/O=Lumora tests/CN=" + hosts[0])
        self.server_key = self._path("server.key")
        self.default_chain = self._issue("authority", "trusted", hosts, 2)
        # A negative validity ends the certificate before now: expired.
        self.chains = {
            UNTRUSTED_HOST: self._issue("stranger", "untrusted", [UNTRUSTED_HOST], 2),
            EXPIRED_HOST: self._issue("authority", "expired", [EXPIRED_HOST], -1),
        }
        for host in hosts:
            self.chains[host] = self.default_chain
        self._openssl("x509", "-in", "authority.pem", "-outform", "DER", "-out", "authority.der")
        with open(self._path("authority.der"), "rb") as f:
            self.authority_der = f.read()
        self.authority_pem = self._path("authority.pem")

    def chain_for(self, host):
        """The certificate chain file served for `host`."""
        return self.chains.get(host.lower(), self.default_chain)

    def root_store_reg(self):
        """A .reg file that puts the authority into the machine's trusted root store.

        Its Blob is the store's serialised form: property 3 (the SHA-1 hash), then property
        0x20 (the certificate), each as id, 1, length (little-endian DWORDs) and the bytes."""
        sha1 = hashlib.sha1(self.authority_der).digest()
        blob = b""
        for prop, data in ((3, sha1), (0x20, self.authority_der)):
            blob += (prop.to_bytes(4, "little") + (1).to_bytes(4, "little") +
                     len(data).to_bytes(4, "little") + data)
        key = ("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\"
               + sha1.hex().upper())
        path = self._path("trust-authority.reg")
        with open(path, "w", encoding="ascii", newline="\r\n") as f:
            f.write("Windows Registry Editor Version 5.00\n\n[%s]\n\"Blob\"=hex:%s\n"
                    % (key, ",".join("%02x" % b for b in blob)))
        return path


class TlsStandIn(StandIn):
    """The stand-in services, also over TLS through CONNECT tunnels.

    tunnels: every CONNECT as {"host", "port", "handshake", "headers"}, the handshake being
    "ok" or "failed: <reason>" and headers the CONNECT request's own ([name, value] pairs).
    tunnel_proxy_auth: when set, every request inside a tunnel is answered 407 as if the server
    were a proxy asking for the Windows logon or a password (recorded with endpoint
    "proxy_auth"). Each request's record names the host of the tunnel it came
    through ("tunnel"; None when it came in the clear). https_redirect: when set, every request inside a tunnel is answered
    307 with that Location (and recorded with endpoint "redirect")."""

    def __init__(self, authority, **options):
        self.authority = authority
        self.https_redirect = None
        self.tunnel_proxy_auth = False
        self._tunnels = []
        self._contexts = {}
        self._contexts_lock = threading.Lock()
        self._handling = threading.local()
        super().__init__(**options)

    @property
    def tunnels(self):
        with self._changed:
            return list(self._tunnels)

    def clear(self):
        super().clear()
        with self._changed:
            self._tunnels.clear()

    def wait_for_tunnel(self, host, timeout=15.0):
        """The first tunnel to `host` whose handshake has ended, waiting for it."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while True:
                for tunnel in self._tunnels:
                    if tunnel["host"] == host.lower() and tunnel["handshake"]:
                        return tunnel
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError("no tunnel to %s in %s s" % (host, timeout))
                self._changed.wait(left)

    def _context(self, host):
        chain = self.authority.chain_for(host)
        with self._contexts_lock:
            if chain not in self._contexts:
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                context.load_cert_chain(chain, self.authority.server_key)
                self._contexts[chain] = context
            return self._contexts[chain]

    def _record(self, record):
        # Each connection has its own thread: what it handles came through its tunnel, if any.
        tunnel = getattr(self._handling, "tunnel", None)
        record["tunnel"] = tunnel["host"] if tunnel else None
        super()._record(record)

    def _note_tunnel(self, tunnel):
        with self._changed:
            self._tunnels.append(tunnel)
            self._changed.notify_all()

    def _handler_class(self):
        plain = super()._handler_class()
        service = self

        class Handler(plain):
            tunnel = None

            def do_CONNECT(self):
                host, _, port = self.path.rpartition(":")
                tunnel = {"host": host.lower(), "port": int(port or 443), "handshake": None,
                          "headers": [[k, v] for k, v in self.headers.items()]}
                self.send_response(200, "Connection established")
                self.end_headers()
                self.wfile.flush()
                try:
                    secure = service._context(host).wrap_socket(self.connection,
                                                                server_side=True)
                except (ssl.SSLError, OSError) as error:
                    tunnel["handshake"] = "failed: %s" % (getattr(error, "reason", None) or error)
                    service._note_tunnel(tunnel)
                    self.close_connection = True
                    return
                tunnel["handshake"] = "ok"
                service._note_tunnel(tunnel)
                self.tunnel = tunnel
                # From here on the same handler reads and answers through the tunnel, which
                # stays open whatever HTTP version the CONNECT named.
                self.request = secure
                self.setup()
                self.close_connection = False

            def _handle(self):
                service._handling.tunnel = self.tunnel
                if self.tunnel and service.https_redirect:
                    self._redirect(service.https_redirect)
                    return
                if self.tunnel and service.tunnel_proxy_auth:
                    self._ask_for_proxy_logon()
                    return
                super()._handle()

            def _redirect(self, location):
                length = int(self.headers.get("Content-Length") or 0)
                if length:
                    self.rfile.read(length)
                service._record({"arrived": time.monotonic(), "method": self.command,
                                 "target": self.path, "endpoint": "redirect",
                                 "host": self.tunnel["host"], "authorized": False,
                                 "location": location, "headers": [], "form": {},
                                 "credentials": None, "body_hex": "", "body_text": "",
                                 "misbehaved": None})
                self._send(307, [("Location", location),
                                 ("Content-Type", "text/plain; charset=utf-8")],
                           b"Moved to " + location.encode() + b"\n")

            def _ask_for_proxy_logon(self):
                length = int(self.headers.get("Content-Length") or 0)
                if length:
                    self.rfile.read(length)
                service._record({"arrived": time.monotonic(), "method": self.command,
                                 "target": self.path, "endpoint": "proxy_auth",
                                 "host": self.tunnel["host"], "authorized": False,
                                 "headers": [[k, v] for k, v in self.headers.items()],
                                 "form": {}, "credentials": None, "body_hex": "",
                                 "body_text": "", "misbehaved": None})
                self._send(407, [("Proxy-Authenticate", "Negotiate"),
                                 ("Proxy-Authenticate", "NTLM"),
                                 ("Proxy-Authenticate", 'Basic realm="inside"'),
                                 ("Content-Type", "text/plain; charset=utf-8")],
                           b"Sign in to the proxy, please.\n")

            def finish(self):
                super().finish()
                if self.tunnel:
                    try:
                        self.request.close()
                    except OSError:
                        pass

        return Handler
