#!/usr/bin/env python3
"""Local stand-ins for the services Lumora talks to: status updates and link shortening.

Besides the classic status service it imitates a Mastodon-compatible server (the instance
description, statuses posted with a Bearer token, and signing in: app registration, the
authorize page, the code for a token with PKCE, revocation and the account), Friendica's
classic API (its namespaced XML and its own challenge), and a simple shortening API (one GET,
the short link as the body).

One HTTP server on 127.0.0.1 answers for both hosts. It accepts origin-form requests
("POST /statuses/update.xml") and proxy-form requests ("POST http://twitter.com:80/...")
alike, so an unchanged Lumora reaches it when http_proxy points at it.

In process (tests):
    with StandIn(accounts={"demo": "secret"}) as service:
        ...                             # run Lumora with http_proxy=service.proxy_url
        request = service.wait_for_request()
        request["form"]["status"]       # ["the status as decoded"]

Command line (a person watching what Lumora sends):
    python3 tests/standin/lumora_standin.py --port 8080 --account demo:secret
"""

import argparse
import base64
import binascii
import hashlib
import html
import json
import secrets
import socket
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from xml.sax.saxutils import escape

STATUS_PATH = "/statuses/update.xml"
SIGHTLINK_PATH = "/KestrovaCreateSightlink.asp"
DEFAULT_STATUS_HOSTS = ("twitter.com",)
DEFAULT_SIGHTLINK_HOSTS = ("sightlink.kestrova.com",)
REALM = "Twitter API"

# How the status endpoint answers an account that authenticated.
STATUS_MODES = ("ok", "unauthorized", "server_error", "no_marker", "uppercase_marker",
                "huge_page")
# Hosts that stand for a stranger: every request to them is challenged for Basic credentials.
DEFAULT_STRANGER_HOSTS = ("elsewhere.test",)
# Misbehaviours on request: "reset" and "stall" before answering; the rest change how the
# answer is sent.
MISBEHAVIOURS = ("reset", "stall", "trickle", "flood", "endless_chunks", "short_body",
                 "proxy_auth", "drop_kept", "close_after_challenge")

# Canned shortening replies: (body bytes, Content-Type).
SIGHTLINK_REPLIES = {
    "ok": (b"http://sl.ks/abc\tmore text", "text/html; charset=utf-8"),
    "several_tabs": (b"http://sl.ks/abc\tmore\ttext", "text/html; charset=utf-8"),
    "no_tab": (b"<html><body>Error: bad address</body></html>", "text/html; charset=utf-8"),
    "leading_tab": (b"\thttp://sl.ks/abc", "text/html; charset=utf-8"),
    "empty": (b"", "text/html; charset=utf-8"),
    "huge": (b"http://sl.ks/big\t" + b"x" * (10 * 1024 * 1024), "text/plain"),
    "bad_utf8": (b"http://sl.ks/\xff\xfe\xc3(\tmore", "text/plain; charset=utf-8"),
    "latin1": (b"http://sl.ks/caf\xe9\tmore", "text/plain; charset=ISO-8859-1"),
    "html_tab": (b"<html>\r\n<head><title>Error</title></head>\t<body>Oops</body></html>",
                 "text/html; charset=utf-8"),
    "utf16be_bom_labelled_le": ("\ufeffhttp://sl.ks/\u00e9t\u00e9\tmore".encode("utf-16-be"),
                                "text/plain; charset=utf-16le"),
    "utf16le_no_bom": ("http://sl.ks/\u00fc\tmore".encode("utf-16-le"),
                       'text/plain; charset="UTF-16LE"'),
    "x_charset_first": ("http://sl.ks/\u00e9\tmore".encode("utf-8"),
                        "text/plain; x-charset=koi8-r; charset=utf-8"),
}

# A Mastodon-compatible server: hosts it answers for, and how it answers a valid token.
DEFAULT_MASTODON_HOSTS = ("social.example",)
MASTODON_STATUSES_PATH = "/api/v1/statuses"
MASTODON_INSTANCE_PATHS = {"/api/v2/instance": "v2", "/api/v1/instance": "v1"}
# "ok" posts; each other mode answers with its status and a JSON error ("not_json": a 502 page).
MASTODON_MODES = {
    "ok": (200, None),
    "unauthorized": (401, "The access token is invalid"),
    "forbidden": (403, "This action is not allowed"),
    "unprocessable": (422, "Validation failed: Text character limit of 500 exceeded"),
    "rate_limited": (429, "Too many requests"),
    "server_error": (500, "An unexpected error occurred"),
    "unavailable": (503, "Service Unavailable"),
    "not_json": (502, None),
    "nested": (200, None),  # a whole MiB of JSON nested as deep as it can go
}
NESTED_REPLY_BYTES = 1 << 20
# Which instance description the server publishes: both, only the older one, or neither.
INSTANCE_MODES = ("v2", "v1", "none")
RATE_LIMIT_RESET = "2026-12-07T20:05:00.000Z"

# Signing in (OAuth 2.0 authorization code) as Mastodon's Doorkeeper does it. "ok" signs in;
# each other mode refuses one step: no /api/v1/apps (not Mastodon-compatible), registration
# throttled, the code refused at /oauth/token, the user's "no" whatever is pressed, and a
# redirect to another host during registration or the token exchange.
OAUTH_MODES = ("ok", "no_apps", "apps_throttled", "code_refused", "access_denied",
               "redirect_apps", "redirect_token")
OAUTH_OOB = "urn:ietf:wg:oauth:2.0:oob"
OAUTH_ACCOUNT = "alice"
OAUTH_ELSEWHERE = "https://elsewhere.test"
INVALID_CLIENT = ("Client authentication failed due to unknown client, no client "
                  "authentication included, or unsupported authentication method.")
INVALID_GRANT = ("The provided authorization grant is invalid, expired, revoked, does not match "
                 "the redirection URI used in the authorization request, or was issued to "
                 "another client.")
ACCESS_DENIED = "The resource owner or authorization server denied the request."
OAUTH_PATHS = {"/api/v1/apps": "apps", "/oauth/authorize": "authorize", "/oauth/token": "token",
               "/oauth/revoke": "revoke",
               "/api/v1/accounts/verify_credentials": "verify_credentials"}

# Friendica's classic API: hosts it answers for; the path is /api/statuses/update.xml.
DEFAULT_FRIENDICA_HOSTS = ("friendica.example",)
FRIENDICA_REALM = "Friendica"

# A simple shortening API: GET /create?url=<long address>, the short link as plain text.
DEFAULT_SHORTENER_HOSTS = ("short.example",)
SHORTENER_REPLIES = {
    "ok": None,  # https://short.example/<n>, one per request
    "error": b"Error: Please enter a valid URL to shorten",
    "html": b"<html><body>https://short.example/x</body></html>",
}

FLOOD_BYTES = 100 * 1024 * 1024
ENDLESS_WAIT_SECONDS = 600
HUGE_PAGE = b"<html><body>" + b"<p>Something is technically wrong.</p>\n" * 52000 + b"</body></html>"


def status_ok_reply(user, status):
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n<status>\n'
        "  <created_at>Tue Mar 03 10:00:00 +0000 2009</created_at>\n"
        "  <id>1270000001</id>\n"
        f"  <text>{escape(status)}</text>\n"
        "  <source>Lumora</source>\n"
        "  <user>\n    <id>424242</id>\n"
        f"    <name>{escape(user)}</name>\n"
        f"    <screen_name>{escape(user)}</screen_name>\n"
        "  </user>\n</status>\n"
    )


def friendica_ok_reply(user, status):
    return (
        '<?xml version="1.0"?>\n'
        '<status xmlns="http://api.twitter.com" xmlns:statusnet="http://status.net/schema/api/1/" '
        'xmlns:friendica="http://friendi.ca/schema/api/1/" xmlns:georss="http://www.georss.org/georss">\n'
        f"  <text>{escape(status)}</text>\n"
        "  <truncated>false</truncated>\n"
        "  <created_at>Mon Dec 07 20:00:00 +0000 2026</created_at>\n"
        "  <id>4711</id>\n"
        "  <source>Lumora</source>\n"
        f"  <statusnet:html>{escape(escape(status))}</statusnet:html>\n"
        "  <user>\n    <id>42</id>\n"
        f"    <name>{escape(user)}</name>\n"
        f"    <screen_name>{escape(user)}</screen_name>\n"
        "    <location/>\n    <protected>false</protected>\n"
        "    <friendica:self>true</friendica:self>\n"
        "  </user>\n"
        "  <friendica:owner>\n"
        f"    <screen_name>{escape(user)}</screen_name>\n"
        "  </friendica:owner>\n"
        "</status>\n"
    )


def friendica_error_document(message, code):
    return (
        '<?xml version="1.0"?>\n'
        f"<status><error>{escape(message)}</error><code>{escape(code)}</code>"
        "<request>api/statuses/update.xml</request></status>\n"
    )


def status_error_document(message):
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n<hash>\n'
        f"  <request>{STATUS_PATH}</request>\n"
        f"  <error>{escape(message)}</error>\n</hash>\n"
    )


class _RecordingReader:
    """Wraps the connection's reader and keeps a copy of every byte read."""

    def __init__(self, inner):
        self._inner = inner
        self.captured = bytearray()

    def readline(self, *args):
        data = self._inner.readline(*args)
        self.captured += data
        return data

    def read(self, *args):
        data = self._inner.read(*args)
        self.captured += data
        return data

    def __getattr__(self, name):
        return getattr(self._inner, name)


class StandIn:
    """The stand-in server. Attributes below may be changed while it runs."""

    def __init__(self, port=0, accounts=None, status_hosts=DEFAULT_STATUS_HOSTS,
                 sightlink_hosts=DEFAULT_SIGHTLINK_HOSTS, log_path=None, echo=False,
                 bind="127.0.0.1"):
        self.accounts = dict(accounts or {})  # user name -> password
        self.account_modes = {}  # user name -> one of STATUS_MODES
        self.status_mode = "ok"
        self.status_hosts = {h.lower() for h in status_hosts}
        self.sightlink_hosts = {h.lower() for h in sightlink_hosts}
        self.status_paths = {STATUS_PATH}
        self.sightlink_paths = {SIGHTLINK_PATH}
        self.sightlink_reply = SIGHTLINK_REPLIES["ok"]
        self.stranger_hosts = set(DEFAULT_STRANGER_HOSTS)
        self.friendica_hosts = set(DEFAULT_FRIENDICA_HOSTS)
        self.status_hosts |= self.friendica_hosts
        # The Mastodon-compatible server: tokens it accepts, what it answers, what it publishes.
        self.mastodon_hosts = set(DEFAULT_MASTODON_HOSTS)
        self.mastodon_tokens = set()
        self.mastodon_mode = "ok"
        # What a post without a token gets: 401 as Mastodon answers, or 403 as Pleroma and
        # Akkoma do (no challenge to answer, so the token must be on the first request).
        self.missing_token_status = 401
        self.instance_mode = "v2"
        self.max_characters = 500
        self.characters_reserved_per_url = 23
        self.rate_limit_reset = RATE_LIMIT_RESET  # None leaves X-RateLimit-Reset out
        self.posts = {}  # Idempotency-Key (or a serial for none) -> the post's JSON
        # Signing in: the account that approves on the authorize page, and what was issued.
        self.oauth_mode = "ok"
        self.oauth_account = OAUTH_ACCOUNT
        self.oauth_apps = {}  # client_id -> {"client_secret", "redirect_uris", "scopes", ...}
        self.oauth_codes = {}  # code -> {"client_id", "redirect_uri", "scope", "challenge"}
        self.oauth_tokens = {}  # access token -> {"client_id", "scope", "account"}
        self.revoked_tokens = []
        self.shortener_hosts = set(DEFAULT_SHORTENER_HOSTS)
        self.shortener_reply = "ok"
        # path -> (status, Location): answered before anything else, for any host.
        self.redirects = {}
        # Misbehaviour for the next `misbehave_count` requests: None, "reset" or "stall".
        self.misbehave = None
        self.misbehave_count = 0
        self.stall_seconds = 0.0
        self.echo = echo
        self.keep_alive = True  # False: every reply closes its connection
        self._log_path = log_path
        self._records = []
        self._changed = threading.Condition()
        self.stopping = threading.Event()
        self._server = ThreadingHTTPServer((bind, port), self._handler_class())
        self._server.daemon_threads = True
        self._thread = None

    # ---- life cycle -------------------------------------------------------------------
    @property
    def port(self):
        return self._server.server_address[1]

    @property
    def proxy_url(self):
        return f"http://127.0.0.1:{self.port}"

    def start(self):
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()
        return self

    def stop(self):
        self.stopping.set()
        self._server.shutdown()
        self._server.server_close()
        if self._thread:
            self._thread.join(5)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # ---- settings ---------------------------------------------------------------------
    def set_sightlink_reply(self, reply, content_type="text/html; charset=utf-8"):
        """A preset name from SIGHTLINK_REPLIES, or the body bytes themselves."""
        if isinstance(reply, str):
            self.sightlink_reply = SIGHTLINK_REPLIES[reply]
        else:
            self.sightlink_reply = (bytes(reply), content_type)

    def misbehave_next(self, kind, count=1, seconds=0.0):
        """"reset" drops the connection; "stall" waits `seconds` before answering; "trickle"
        sends the answer's body one byte every `seconds`; "flood" sends the answer followed by
        100 MB; "endless_chunks" sends the answer in chunks that never end; "short_body"
        announces 1,000 bytes more than it sends, then closes; "proxy_auth" answers as a proxy
        asking for Basic credentials; "drop_kept" reads a request that came on a connection
        kept from an earlier answer, then drops the connection without a word (as a proxy or
        server does whose keep-alive ran out meanwhile); requests on new connections pass;
        "close_after_challenge" closes the connection right after the answer, without saying
        so in a Connection header."""
        assert kind in MISBEHAVIOURS
        self.misbehave, self.misbehave_count, self.stall_seconds = kind, count, seconds

    # ---- records ----------------------------------------------------------------------
    @property
    def requests(self):
        with self._changed:
            return list(self._records)

    def clear(self):
        with self._changed:
            self._records.clear()

    def wait_for_request(self, endpoint=None, timeout=15.0, authorized=None):
        """The first recorded request for `endpoint` ("status" or "sightlink"), waiting for it.

        With authorized=True only a status request that carried valid credentials counts."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while True:
                for record in self._records:
                    if endpoint and record["endpoint"] != endpoint:
                        continue
                    if authorized is not None and record["authorized"] != authorized:
                        continue
                    return record
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(f"no {endpoint or 'request'} arrived in {timeout} s")
                self._changed.wait(left)

    def _record(self, record):
        with self._changed:
            self._records.append(record)
            self._changed.notify_all()
        if self._log_path:
            with open(self._log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps(record, ensure_ascii=False) + "\n")
        if self.echo:
            print(describe(record), flush=True)

    def _take_misbehaviour(self, kept):
        with self._changed:
            if self.misbehave == "drop_kept" and not kept:
                return None
            if self.misbehave and self.misbehave_count > 0:
                self.misbehave_count -= 1
                kind = self.misbehave
                if self.misbehave_count == 0:
                    self.misbehave = None
                return kind
            return None

    # ---- answering --------------------------------------------------------------------
    def _answer_status(self, credentials, form):
        """(status, headers, body bytes, authorized user or None)."""
        challenge = [("WWW-Authenticate", f'Basic realm="{REALM}"')]
        xml = "application/xml; charset=utf-8"
        if credentials is None or self.accounts.get(credentials[0]) != credentials[1]:
            body = status_error_document("Could not authenticate you.")
            return 401, challenge + [("Content-Type", xml)], body.encode(), None
        user = credentials[0]
        mode = self.account_modes.get(user, self.status_mode)
        status = (form.get("status") or [""])[0]
        if mode == "unauthorized":
            body = status_error_document("Could not authenticate you.")
            return 401, challenge + [("Content-Type", xml)], body.encode(), user
        if mode == "server_error":
            body = "<html><body><h2>Something is technically wrong.</h2></body></html>"
            return 500, [("Content-Type", "text/html; charset=utf-8")], body.encode(), user
        if mode == "huge_page":
            return 200, [("Content-Type", "text/html; charset=utf-8")], HUGE_PAGE, user
        if mode == "no_marker":
            body = status_error_document("Status is a duplicate.")
            return 200, [("Content-Type", xml)], body.encode(), user
        reply = status_ok_reply(user, status)
        if mode == "uppercase_marker":
            reply = reply.replace("screen_name>", "SCREEN_NAME>")
        return 200, [("Content-Type", xml)], reply.encode(), user

    def _answer_friendica(self, credentials, form):
        """Friendica's classic API: its own realm, namespaced XML, its error document."""
        challenge = [("WWW-Authenticate", f'Basic realm="{FRIENDICA_REALM}"')]
        xml = "text/xml; charset=utf-8"
        if credentials is None or self.accounts.get(credentials[0]) != credentials[1]:
            body = friendica_error_document("This API requires login", "401 Unauthorized")
            return 401, challenge + [("Content-Type", xml)], body.encode(), None
        user = credentials[0]
        mode = self.account_modes.get(user, self.status_mode)
        status = (form.get("status") or [""])[0]
        if mode != "ok" or not status:
            body = friendica_error_document("Message is empty" if not status else "Failed",
                                            "400 Bad Request")
            return 400, [("Content-Type", xml)], body.encode(), user
        return 200, [("Content-Type", xml)], friendica_ok_reply(user, status).encode(), user

    def _answer_mastodon(self, record, headers, form):
        """(status, headers, body bytes) of a Mastodon-compatible server."""
        as_json = [("Content-Type", "application/json; charset=utf-8")]
        path = record["path"]
        for suffix, version in MASTODON_INSTANCE_PATHS.items():
            if path.endswith(suffix) and record["method"] == "GET":
                record["endpoint"] = "instance"
                if self.instance_mode == "none" or (self.instance_mode == "v1" and version == "v2"):
                    return 404, as_json, b'{"error":"Record not found"}'
                if version == "v2":
                    doc = {"domain": record["host"], "title": "Stand-in", "version": "4.3.0",
                           "configuration": {"urls": {}, "statuses": {
                               "max_characters": self.max_characters, "max_media_attachments": 4,
                               "characters_reserved_per_url": self.characters_reserved_per_url}}}
                else:
                    doc = {"uri": record["host"], "title": "Stand-in", "version": "3.4.1",
                           "max_toot_chars": self.max_characters}
                return 200, as_json, json.dumps(doc).encode()
        if path in OAUTH_PATHS:
            record["endpoint"] = OAUTH_PATHS[path]
            return self._answer_oauth(record, headers, form)
        if not (path.endswith(MASTODON_STATUSES_PATH) and record["method"] == "POST"):
            return 404, as_json, b'{"error":"Record not found"}'
        record["endpoint"] = "mastodon"
        authorization = headers.get("Authorization") or ""
        token = authorization[7:] if authorization.startswith("Bearer ") else None
        record["token"] = token
        record["idempotency_key"] = headers.get("Idempotency-Key")
        if token is None and self.missing_token_status == 403:
            return 403, as_json, b'{"error":"Invalid credentials."}'
        if token is None or token not in self.mastodon_tokens | set(self.oauth_tokens):
            return 401, as_json, b'{"error":"The access token is invalid"}'
        if token in self.oauth_tokens and not _scope_allows(self.oauth_tokens[token]["scope"],
                                                            "write:statuses"):
            return 403, as_json, b'{"error":"This action is outside the authorized scopes"}'
        record["authorized"] = True
        code, error = MASTODON_MODES[self.mastodon_mode]
        if self.mastodon_mode == "not_json":
            return code, [("Content-Type", "text/html")], b"<html><body>Bad gateway</body></html>"
        if self.mastodon_mode == "nested":
            depth = (NESTED_REPLY_BYTES - len(b'{"id":"1","a":}')) // 2
            return code, as_json, b'{"id":"1","a":' + b"[" * depth + b"]" * depth + b"}"
        if error is not None:
            extra = []
            if code == 429 and self.rate_limit_reset:
                extra = [("X-RateLimit-Limit", "300"), ("X-RateLimit-Remaining", "0"),
                         ("X-RateLimit-Reset", self.rate_limit_reset)]
            return code, as_json + extra, json.dumps({"error": error}).encode()
        text = (form.get("status") or [""])[0]
        key = record["idempotency_key"] or f"none-{len(self.posts)}"
        with self._changed:
            if key not in self.posts:
                number = 109000000000000000 + len(self.posts)
                self.posts[key] = {"id": str(number), "content": f"<p>{escape(text)}</p>",
                                   "url": f"https://{record['host']}/@stand_in/{number}",
                                   "visibility": "public", "text": text}
            post = self.posts[key]
        return 200, as_json, json.dumps(post).encode()

    # ---- signing in -------------------------------------------------------------------
    def _answer_oauth(self, record, headers, form):
        """(status, headers, body bytes) of one sign-in endpoint, as Doorkeeper answers."""
        endpoint, method = record["endpoint"], record["method"]
        if self.oauth_mode == "no_apps":
            return 404, [("Content-Type", "text/html")], b"<html><body>Not Found</body></html>"
        if (endpoint, self.oauth_mode) in (("apps", "redirect_apps"), ("token", "redirect_token")):
            return 307, [("Location", OAUTH_ELSEWHERE + record["path"])], b"Moved"
        if endpoint == "authorize" and method == "POST":  # a button of the page
            return self._oauth_decide({k: v[0] for k, v in form.items()})
        if endpoint == "authorize":
            query = urllib.parse.urlsplit(record["target"]).query
            return self._oauth_page(dict(urllib.parse.parse_qsl(query, keep_blank_values=True)))
        if method == "GET" and endpoint == "verify_credentials":
            return self._oauth_account_of(record, headers)
        if method != "POST":
            return 404, _JSON, b'{"error":"Record not found"}'
        fields = {k: v[0] for k, v in form.items()}
        record["oauth"] = fields
        if endpoint == "apps":
            return self._oauth_register(fields, form)
        client = self._oauth_client(fields, headers)
        if client is None:
            return 401, _JSON, _oauth_error("invalid_client", INVALID_CLIENT)
        if endpoint == "token":
            return self._oauth_exchange(client, fields)
        token = self.oauth_tokens.get(fields.get("token"))
        if token and token["client_id"] == client:
            del self.oauth_tokens[fields["token"]]
            self.revoked_tokens.append(fields["token"])
        return 200, _JSON, b"{}"

    def _oauth_register(self, fields, form):
        if self.oauth_mode == "apps_throttled":
            limits = [("X-RateLimit-Limit", "300"), ("X-RateLimit-Remaining", "0"),
                      ("X-RateLimit-Reset", RATE_LIMIT_RESET)]
            return 429, _JSON + limits, b'{"error":"Too many requests"}'
        uris = form.get("redirect_uris[]") or (fields.get("redirect_uris") or "").split()
        if not fields.get("client_name") or not uris:
            error = "Validation failed: Name can't be blank, Redirect URI must be an absolute URI"
            return 422, _JSON, json.dumps({"error": error}).encode()
        client_id, secret = secrets.token_urlsafe(32), secrets.token_urlsafe(32)
        app = {"id": str(len(self.oauth_apps) + 1), "name": fields["client_name"],
               "website": fields.get("website"), "scopes": fields.get("scopes") or "read",
               "redirect_uri": "\n".join(uris), "redirect_uris": uris,
               "client_id": client_id, "client_secret": secret}
        self.oauth_apps[client_id] = app
        return 200, _JSON, json.dumps(app).encode()

    def _oauth_client(self, fields, headers):
        """The client id when the request names a registered client with its secret, in the
        form or as Basic credentials."""
        credentials, _ = _basic_credentials(headers.get("Authorization"))
        client_id, secret = credentials or (fields.get("client_id"), fields.get("client_secret"))
        app = self.oauth_apps.get(client_id)
        return client_id if app and app["client_secret"] == secret else None

    def _oauth_authorization(self, params):
        """(app, None) for an authorize request Doorkeeper would show, else (None, error page)."""
        app = self.oauth_apps.get(params.get("client_id"))
        why = None
        if app is None:
            why = "Client authentication failed due to unknown client."
        elif not any(_redirect_matches(r, params.get("redirect_uri", ""))
                     for r in app["redirect_uris"]):
            why = "The requested redirect uri is malformed or doesn't match client redirect URI."
        elif params.get("response_type") != "code":
            why = "The authorization server does not support this response type."
        elif not set((params.get("scope") or "read").split()) <= set(app["scopes"].split()):
            why = "The requested scope is invalid, unknown, or malformed."
        elif params.get("code_challenge") and params.get("code_challenge_method") != "S256":
            why = "Code challenge method must be S256."
        if why is None:
            return app, None
        return None, (400, [("Content-Type", "text/html; charset=utf-8")],
                      _page("An error has occurred", "<p>%s</p>" % html.escape(why)))

    def _oauth_page(self, params):
        app, error = self._oauth_authorization(params)
        if error:
            return error
        hidden = "".join('<input type="hidden" name="%s" value="%s">'
                         % (html.escape(k), html.escape(v)) for k, v in params.items())
        body = ("<p><b>%s</b> would like to access your account @%s.</p>"
                "<form method=\"post\" action=\"/oauth/authorize\">%s"
                "<button type=\"submit\" name=\"decision\" value=\"authorize\">Authorize</button>"
                "<button type=\"submit\" name=\"decision\" value=\"deny\">Deny</button></form>"
                % (html.escape(app["name"]), html.escape(self.oauth_account), hidden))
        return 200, [("Content-Type", "text/html; charset=utf-8")], _page("Authorization required",
                                                                         body)

    def _oauth_decide(self, params):
        app, error = self._oauth_authorization(params)
        if error:
            return error
        uri, state = params["redirect_uri"], params.get("state")
        if params.get("decision") != "authorize" or self.oauth_mode == "access_denied":
            answer = {"error": "access_denied", "error_description": ACCESS_DENIED}
        else:
            code = secrets.token_urlsafe(32)
            self.oauth_codes[code] = {"client_id": app["client_id"], "redirect_uri": uri,
                                      "scope": params.get("scope") or "read",
                                      "challenge": params.get("code_challenge")}
            if uri == OAUTH_OOB:
                return 200, [("Content-Type", "text/html; charset=utf-8")], _page(
                    "Authorization code", '<p>Copy this code and paste it into the '
                    'application.</p><input id="code" readonly value="%s">' % code)
            answer = {"code": code}
        if state is not None:
            answer["state"] = state
        glue = "&" if "?" in uri else "?"
        return 302, [("Location", uri + glue + urllib.parse.urlencode(answer))], b""

    def _oauth_exchange(self, client_id, fields):
        if fields.get("grant_type") != "authorization_code":
            return 400, _JSON, _oauth_error("unsupported_grant_type", "The authorization grant "
                                            "type is not supported by the authorization server.")
        grant = self.oauth_codes.get(fields.get("code"))
        verifier = fields.get("code_verifier") or ""
        if (self.oauth_mode == "code_refused" or grant is None
                or grant["client_id"] != client_id
                or grant["redirect_uri"] != fields.get("redirect_uri")
                or (grant["challenge"] and grant["challenge"] != _s256(verifier))):
            return 400, _JSON, _oauth_error("invalid_grant", INVALID_GRANT)
        if self.oauth_codes.pop(fields["code"], None) is None:  # good once, also in a race
            return 400, _JSON, _oauth_error("invalid_grant", INVALID_GRANT)
        token = secrets.token_urlsafe(32)
        self.oauth_tokens[token] = {"client_id": client_id, "scope": grant["scope"],
                                    "account": self.oauth_account}
        return 200, _JSON, json.dumps({"access_token": token, "token_type": "Bearer",
                                       "scope": grant["scope"],
                                       "created_at": int(time.time())}).encode()

    def _oauth_account_of(self, record, headers):
        authorization = headers.get("Authorization") or ""
        token = authorization[7:] if authorization.startswith("Bearer ") else None
        record["token"] = token
        issued = self.oauth_tokens.get(token)
        if issued is None:
            return 401, _JSON, b'{"error":"The access token is invalid"}'
        if not any(_scope_allows(issued["scope"], s) for s in ("profile", "read:accounts")):
            return 403, _JSON, b'{"error":"This action is outside the authorized scopes"}'
        record["authorized"] = True
        name = issued["account"]
        return 200, _JSON, json.dumps({
            "id": "110000000000000001", "username": name, "acct": name,
            "display_name": name.capitalize(), "url": "https://%s/@%s" % (record["host"], name),
        }).encode()

    def _answer_shortener(self, record, query):
        record["endpoint"] = "shortener"
        long_urls = urllib.parse.parse_qs(query, keep_blank_values=True).get("url") or []
        record["long_url"] = long_urls[0] if long_urls else None
        canned = SHORTENER_REPLIES[self.shortener_reply]
        if canned is not None:
            return canned
        with self._changed:
            number = sum(1 for r in self._records if r["endpoint"] == "shortener")
        return f"https://short.example/{number}\n".encode()

    def _handler_class(self):
        service = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"
            server_version = "LumoraStandIn/1.0"
            # Headers and body go out in two writes; with Nagle's algorithm the second waits for
            # the client's delayed acknowledgement (about 40 ms), which no real server adds.
            disable_nagle_algorithm = True

            def setup(self):
                super().setup()
                self.rfile = _RecordingReader(self.rfile)
                self.answered = 0  # requests answered on this connection

            def handle_one_request(self):
                self.rfile.captured = bytearray()
                if hasattr(socket, "TCP_QUICKACK"):
                    self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
                try:
                    super().handle_one_request()
                except ConnectionError:  # the client left before the whole answer was sent
                    self.close_connection = True

            def log_message(self, *args):
                pass

            def do_GET(self):
                self._handle()

            def do_POST(self):
                self._handle()

            def _handle(self):
                arrived = time.monotonic()
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length else b""
                target = urllib.parse.urlsplit(self.path)
                proxy_form = bool(target.scheme)
                host = (target.hostname if proxy_form else
                        (self.headers.get("Host") or "").split(":")[0]).lower()
                path = target.path
                if not proxy_form and path == "/__proxy.pac":
                    self._proxy_script(arrived)
                    return
                if not proxy_form and path.startswith("/__"):
                    self._control(path, body)
                    return
                if host in service.stranger_hosts:
                    endpoint = "stranger"
                elif ((path in service.status_paths or path.endswith(STATUS_PATH))
                      and host in service.status_hosts):
                    endpoint = "status"
                elif path in service.sightlink_paths and host in service.sightlink_hosts:
                    endpoint = "sightlink"
                elif host in service.mastodon_hosts:
                    endpoint = "mastodon_other"
                elif host in service.shortener_hosts:
                    endpoint = "shortener"
                else:
                    endpoint = "other"
                # Raw bytes keep their own code (one byte, one character); escapes are UTF-8.
                form = urllib.parse.parse_qs(body.decode("latin-1"), keep_blank_values=True,
                                             encoding="utf-8", errors="replace")
                credentials, raw_auth = _basic_credentials(self.headers.get("Authorization"))
                record = {
                    "arrived": arrived,
                    "method": self.command,
                    "target": self.path,
                    "proxy_form": proxy_form,
                    "host": host,
                    "path": path,
                    "endpoint": endpoint,
                    "headers": [[k, v] for k, v in self.headers.items()],
                    "body_hex": body.hex(),
                    "body_text": body.decode("latin-1"),
                    "form": form,
                    "credentials": list(credentials) if credentials else None,
                    "credentials_hex": raw_auth.hex() if raw_auth is not None else None,
                    "raw_hex": bytes(self.rfile.captured).hex(),
                    "authorized": False,
                    "misbehaved": None,
                }
                record["kept_connection"] = self.answered > 0
                self.answered += 1
                kind = service._take_misbehaviour(record["kept_connection"])
                if kind in ("reset", "drop_kept"):
                    record["misbehaved"] = kind
                    service._record(record)
                    self._reset()
                    return
                if kind:
                    record["misbehaved"] = kind
                if kind == "stall":
                    time.sleep(service.stall_seconds)
                if kind == "proxy_auth":
                    status, reply = 407, b"<html><body>Proxy sign-in needed</body></html>"
                    headers = [("Proxy-Authenticate", 'Basic realm="proxy"'),
                               ("Content-Type", "text/html")]
                elif path in service.redirects:
                    status, location = service.redirects[path]
                    headers, reply = [("Location", location)], b"Moved"
                elif endpoint == "stranger":
                    status, reply = 401, b"<html><body>Sign in to the hotel network</body></html>"
                    headers = [("WWW-Authenticate", 'Basic realm="Hotel"'),
                               ("Content-Type", "text/html")]
                elif endpoint == "status" and self.command == "POST":
                    answer = (service._answer_friendica if host in service.friendica_hosts
                              else service._answer_status)
                    status, headers, reply, user = answer(credentials, form)
                    record["authorized"] = user is not None
                elif endpoint == "mastodon_other":
                    status, headers, reply = service._answer_mastodon(record, self.headers, form)
                elif endpoint == "shortener" and self.command == "GET":
                    reply = service._answer_shortener(record, target.query)
                    status, headers = 200, [("Content-Type", "text/plain; charset=utf-8")]
                elif endpoint == "sightlink" and self.command == "POST":
                    reply, content_type = service.sightlink_reply
                    status, headers = 200, [("Content-Type", content_type)]
                else:
                    status, headers = 404, [("Content-Type", "text/plain; charset=utf-8")]
                    reply = b"Not found here.\n"
                record["status"] = status
                record["reply_bytes"] = len(reply)
                service._record(record)
                try:
                    if kind in ("trickle", "flood", "endless_chunks", "short_body"):
                        self._send_badly(kind, status, headers, reply)
                    else:
                        self._send(status, headers, reply)
                except OSError:  # the client gave up on the answer
                    self.close_connection = True
                if kind == "close_after_challenge":
                    self.close_connection = True
                record["replied"] = time.monotonic()

            def _proxy_script(self, arrived):
                """A proxy configuration script that sends every address through this server, when
                it is given the scheme, host and port alone; an address with a path or query gets a
                proxy that refuses. Each fetch is recorded (endpoint "proxy_script")."""
                script = ('function FindProxyForURL(url, host) {\n'
                          '  if (/^[a-z]+:\\/\\/[^\\/]+\\/$/.test(url)) return "PROXY 127.0.0.1:%d";\n'
                          '  return "PROXY 127.0.0.1:1";\n}\n' % service.port).encode()
                service._record({
                    "arrived": arrived, "method": self.command, "target": self.path,
                    "path": self.path, "endpoint": "proxy_script", "proxy_form": False,
                    "headers": [[k, v] for k, v in self.headers.items()], "body_hex": "",
                    "body_text": "", "form": {}, "credentials": None, "authorized": False,
                    "status": 200})
                self._send(200, [("Content-Type", "application/x-ns-proxy-autoconfig")], script)

            def _send_badly(self, kind, status, headers, body):
                self.close_connection = True
                self.send_response(status)
                for name, value in headers:
                    self.send_header(name, value)
                if kind == "endless_chunks":
                    self.send_header("Transfer-Encoding", "chunked")
                elif kind == "flood":
                    self.send_header("Content-Length", str(len(body) + FLOOD_BYTES))
                elif kind == "short_body":
                    self.send_header("Content-Length", str(len(body) + 1000))
                else:
                    self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                if kind == "trickle":
                    for i in range(len(body)):
                        if service.stopping.wait(service.stall_seconds):
                            return
                        self.wfile.write(body[i:i + 1])
                        self.wfile.flush()
                elif kind == "flood":
                    self.wfile.write(body)
                    block = b"x" * 65536
                    for _ in range(FLOOD_BYTES // len(block)):
                        self.wfile.write(block)
                elif kind == "endless_chunks":
                    block = b"x" * 4096
                    chunks = [body] + [block] * (FLOOD_BYTES // len(block))
                    for chunk in chunks:  # ends only when the client leaves (or after 100 MB)
                        self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
                    service.stopping.wait(ENDLESS_WAIT_SECONDS)
                else:
                    self.wfile.write(body)
                    self.wfile.flush()

            def _send(self, status, headers, body):
                self.send_response(status)
                for name, value in headers:
                    self.send_header(name, value)
                if not service.keep_alive:
                    self.send_header("Connection", "close")
                    self.close_connection = True
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                self.wfile.flush()

            def _reset(self):
                # Linger time 0 makes close() send RST instead of an orderly FIN.
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.close_connection = True
                self.connection.close()

            def _control(self, path, body):
                if path == "/__requests":
                    reply = json.dumps(service.requests).encode()
                elif path == "/__clear":
                    service.clear()
                    reply = b"{}"
                elif path == "/__control" and self.command == "POST":
                    settings = json.loads(body or b"{}")
                    for name in ("status_mode", "account_modes", "accounts", "mastodon_mode",
                                 "instance_mode", "max_characters", "shortener_reply",
                                 "missing_token_status", "oauth_mode", "oauth_account"):
                        if name in settings:
                            setattr(service, name, settings[name])
                    if "mastodon_tokens" in settings:
                        service.mastodon_tokens = set(settings["mastodon_tokens"])
                    if "sightlink_reply" in settings:
                        service.set_sightlink_reply(settings["sightlink_reply"])
                    if "misbehave" in settings:
                        service.misbehave_next(settings["misbehave"],
                                               settings.get("count", 1),
                                               settings.get("seconds", 0.0))
                    reply = b"{}"
                else:
                    self._send(404, [("Content-Type", "text/plain")], b"unknown control\n")
                    return
                self._send(200, [("Content-Type", "application/json")], reply)

        return Handler

_JSON = [("Content-Type", "application/json; charset=utf-8")]


def _oauth_error(error, description):
    return json.dumps({"error": error, "error_description": description}).encode()


def _page(title, body):
    return ('<!DOCTYPE html><html><head><meta charset="utf-8"><title>%s</title></head>'
            "<body><h1>%s</h1>%s</body></html>" % (title, title, body)).encode("utf-8")


def _s256(verifier):
    """The PKCE challenge of a verifier (RFC 7636): BASE64URL(SHA-256(verifier)), unpadded."""
    digest = hashlib.sha256(verifier.encode("ascii", "replace")).digest()
    return base64.urlsafe_b64encode(digest).rstrip(b"=").decode()


def _scope_allows(granted, wanted):
    """Whether the granted scopes cover `wanted`: itself, or its parent ("write" covers
    "write:statuses"; "read" covers "read:accounts" and "profile")."""
    scopes = granted.split()
    parent = "read" if wanted == "profile" else wanted.split(":")[0]
    return wanted in scopes or parent in scopes


def _redirect_matches(registered, requested):
    """Doorkeeper's rule: equal, or both loopback IP literals over http that differ only in the
    port (RFC 8252 section 7.3); the name localhost is no IP literal."""
    if registered == requested:
        return True
    a, b = urllib.parse.urlsplit(registered), urllib.parse.urlsplit(requested)
    try:
        a.port, b.port  # a port that is no number matches nothing
    except ValueError:
        return False
    return (a.scheme == b.scheme == "http" and a.hostname in ("127.0.0.1", "::1")
            and a.hostname == b.hostname and (a.path, a.query) == (b.path, b.query))


def _basic_credentials(header):
    """((user, password), raw decoded bytes) from a Basic Authorization header."""
    if not header or not header.lower().startswith("basic "):
        return None, None
    try:
        raw = base64.b64decode(header[6:].strip(), validate=True)
    except (binascii.Error, ValueError):
        return None, None
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError:
        text = raw.decode("cp1252", "replace")
    user, _, password = text.partition(":")
    return (user, password), raw


def describe(record):
    """A readable account of one request, for the command line."""
    lines = [f"--- {record['method']} {record['target']}  ->  {record.get('status', '-')}"
             f"  ({record['endpoint']})"]
    for name, value in record["headers"]:
        lines.append(f"    {name}: {value}")
    if record["credentials"]:
        user, password = record["credentials"]
        verdict = "accepted" if record["authorized"] else "refused"
        lines.append(f"    credentials: user {user!r}, password {password!r} ({verdict})")
    lines.append(f"    body ({len(record['body_hex']) // 2} bytes): {record['body_text']!r}")
    for name, values in record["form"].items():
        for value in values:
            lines.append(f"    form {name} = {value!r}")
    if record.get("idempotency_key"):
        lines.append(f"    idempotency key: {record['idempotency_key']}")
    if record.get("long_url"):
        lines.append(f"    long address: {record['long_url']!r}")
    if record["misbehaved"]:
        lines.append(f"    misbehaved: {record['misbehaved']}")
    return "\n".join(lines)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--account", action="append", default=[], metavar="USER:PASSWORD",
                        help="an account the status endpoint accepts (repeatable)")
    parser.add_argument("--account-mode", action="append", default=[], metavar="USER=MODE",
                        help=f"how one account is answered: {', '.join(STATUS_MODES)}")
    parser.add_argument("--status-mode", choices=STATUS_MODES, default="ok")
    parser.add_argument("--status-host", action="append", metavar="HOST")
    parser.add_argument("--sightlink-host", action="append", metavar="HOST")
    parser.add_argument("--sightlink-reply", choices=sorted(SIGHTLINK_REPLIES), default="ok")
    parser.add_argument("--misbehave", choices=MISBEHAVIOURS)
    parser.add_argument("--misbehave-count", type=int, default=1)
    parser.add_argument("--stall-seconds", type=float, default=60.0)
    parser.add_argument("--token", action="append", default=[], metavar="TOKEN",
                        help="an access token the Mastodon-compatible server accepts (repeatable)")
    parser.add_argument("--mastodon-mode", choices=sorted(MASTODON_MODES), default="ok")
    parser.add_argument("--missing-token-status", type=int, choices=(401, 403), default=401,
                        help="the answer to a post without a token (403: as Pleroma and Akkoma)")
    parser.add_argument("--instance-mode", choices=INSTANCE_MODES, default="v2")
    parser.add_argument("--oauth-mode", choices=OAUTH_MODES, default="ok",
                        help="which step of signing in is refused")
    parser.add_argument("--max-characters", type=int, default=500)
    parser.add_argument("--log", metavar="FILE", help="append every request as a JSON line")
    parser.add_argument("--quiet", action="store_true", help="do not print requests")
    args = parser.parse_args(argv)

    accounts = {}
    for account in args.account:
        user, sep, password = account.partition(":")
        if not sep:
            parser.error(f"--account needs USER:PASSWORD, got {account!r}")
        accounts[user] = password
    service = StandIn(port=args.port, accounts=accounts,
                      status_hosts=args.status_host or DEFAULT_STATUS_HOSTS,
                      sightlink_hosts=args.sightlink_host or DEFAULT_SIGHTLINK_HOSTS,
                      log_path=args.log, echo=not args.quiet, bind=args.bind)
    for setting in args.account_mode:
        user, _, mode = setting.partition("=")
        if mode not in STATUS_MODES:
            parser.error(f"unknown mode {mode!r}")
        service.account_modes[user] = mode
    service.status_mode = args.status_mode
    service.set_sightlink_reply(args.sightlink_reply)
    service.mastodon_tokens = set(args.token)
    service.mastodon_mode, service.instance_mode = args.mastodon_mode, args.instance_mode
    service.oauth_mode = args.oauth_mode
    service.max_characters = args.max_characters
    service.missing_token_status = args.missing_token_status
    if args.misbehave:
        service.misbehave_next(args.misbehave, args.misbehave_count, args.stall_seconds)
    print(f"Lumora stand-in listening on {service.proxy_url}; status hosts "
          f"{sorted(service.status_hosts)}, sightlink hosts {sorted(service.sightlink_hosts)}, "
          f"Mastodon hosts {sorted(service.mastodon_hosts)}, shortener hosts "
          f"{sorted(service.shortener_hosts)}.\n"
          f"Point Lumora at it with: http_proxy={service.proxy_url}", flush=True)
    try:
        service._server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        service._server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
