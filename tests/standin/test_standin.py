"""The stand-in's imitation of a Mastodon-compatible server, checked without Wine, so the
end-to-end suites can trust what it records and answers."""

import base64
import json
import os
import sys
import time
import unittest
import urllib.error
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import latency_relay  # noqa: E402
import lumora_standin  # noqa: E402

TOKEN = "tok-123"


class _KeepRedirects(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args):
        return None  # the redirect comes back as the answer


class ServerCase(unittest.TestCase):
    """The stand-in, reached as a proxy, with a token it accepts; redirects come back as the
    answer."""

    def setUp(self):
        self.service = lumora_standin.StandIn().start()
        self.addCleanup(self.service.stop)
        self.service.mastodon_tokens = {TOKEN}
        proxy = urllib.request.ProxyHandler({"http": self.service.proxy_url})
        self.opener = urllib.request.build_opener(proxy, _KeepRedirects)

    def call(self, path, body=None, headers=None):
        """(status, headers, parsed JSON or None) of one request to the server."""
        request = urllib.request.Request("http://social.example" + path, data=body,
                                         headers=headers or {})
        try:
            with self.opener.open(request, timeout=10) as reply:
                status, head, raw = reply.status, reply.headers, reply.read()
        except urllib.error.HTTPError as error:
            status, head, raw = error.code, error.headers, error.read()
        try:
            return status, head, json.loads(raw)
        except (ValueError, RecursionError):
            return status, head, raw.decode("utf-8", "replace")

    def post(self, text, key=None, token=TOKEN):
        headers = {"Authorization": f"Bearer {token}"} if token else {}
        if key:
            headers["Idempotency-Key"] = key
        return self.call("/api/v1/statuses", ("status=" + text).encode(), headers)


class MastodonStandInTest(ServerCase):
    def test_the_instance_publishes_its_limits_by_version(self):
        self.service.max_characters = 640
        _, _, v2 = self.call("/api/v2/instance")
        self.assertEqual(v2["configuration"]["statuses"]["max_characters"], 640)
        self.service.instance_mode = "v1"
        self.assertEqual(self.call("/pre/api/v2/instance")[0], 404)
        self.assertEqual(self.call("/pre/api/v1/instance")[2]["max_toot_chars"], 640)
        self.service.instance_mode = "none"
        self.assertEqual(self.call("/api/v1/instance")[0], 404)

    def test_a_post_needs_the_token_and_a_key_posts_once(self):
        self.assertEqual(self.post("x", token=None)[0], 401)
        self.assertEqual(self.post("x", token="other")[0], 401)
        self.service.missing_token_status = 403  # as Pleroma and Akkoma answer
        self.assertEqual(self.post("x", token=None)[0], 403)
        self.assertEqual(self.post("x", token="other")[0], 401)
        status, _, first = self.post("hello+there", key="k1")
        self.assertEqual(status, 200)
        self.assertIsInstance(first["id"], str)
        self.assertEqual(self.post("hello+there", key="k1")[2], first)
        self.assertNotEqual(self.post("hello+there", key="k2")[2]["id"], first["id"])
        posts = [r for r in self.service.requests if r["authorized"]]
        self.assertEqual([r["idempotency_key"] for r in posts], ["k1", "k1", "k2"])
        self.assertEqual(posts[0]["form"], {"status": ["hello there"]})
        self.assertEqual(len(self.service.posts), 2)

    def test_each_failure_answers_its_status_with_a_json_error(self):
        for mode, (code, error) in lumora_standin.MASTODON_MODES.items():
            if mode == "ok":
                continue
            self.service.mastodon_mode = mode
            status, headers, body = self.post("x")
            self.assertEqual(status, code, mode)
            self.assertEqual(body.get("error") if isinstance(body, dict) else None, error, mode)
            self.assertEqual(headers.get("X-RateLimit-Reset"),
                             lumora_standin.RATE_LIMIT_RESET if code == 429 else None)


REDIRECT = "http://127.0.0.1/callback"  # registered without a port
CALLBACK = "http://127.0.0.1:4711/callback"  # the port the listener got
VERIFIER = "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"  # RFC 7636, appendix B


class OAuthStandInTest(ServerCase):
    """Signing in as Doorkeeper answers it: what a client may get wrong is refused."""

    def form(self, path, headers=None, **fields):
        return self.call(path, urllib.parse.urlencode(fields).encode(), headers)

    def register(self, uris=REDIRECT, scopes="write:statuses profile"):
        status, _, app = self.form("/api/v1/apps", client_name="Lumora", redirect_uris=uris,
                                   scopes=scopes)
        self.assertEqual(status, 200, app)
        return app

    def authorize(self, app, decision="authorize", redirect=CALLBACK, **extra):
        """(status, query of the redirect or page text) of pressing a button on the page."""
        query = dict(response_type="code", client_id=app["client_id"], redirect_uri=redirect,
                     scope=app["scopes"], state="st&te", **extra)
        status, _, page = self.call("/oauth/authorize?" + urllib.parse.urlencode(query))
        if status != 200:
            return status, page
        self.assertIn(">Authorize</button>", page)
        status, head, page = self.form("/oauth/authorize", decision=decision, **query)
        if status != 302:
            return status, page
        self.assertTrue(head["Location"].startswith(redirect + "?"))
        return status, dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(head["Location"]).query))

    def exchange(self, app, code, headers=None, **overrides):
        fields = dict(grant_type="authorization_code", code=code, client_id=app["client_id"],
                      client_secret=app["client_secret"],
                      redirect_uri=CALLBACK, code_verifier=VERIFIER)
        fields.update(overrides)
        return self.form("/oauth/token", headers, **fields)

    def test_a_pkce_sign_in_posts_until_revoked_and_a_wrong_step_is_refused(self):
        app = self.register()
        challenge = "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"  # the RFC's, of VERIFIER
        _, answer = self.authorize(app, code_challenge=challenge, code_challenge_method="S256")
        self.assertEqual(answer["state"], "st&te")
        code = answer["code"]
        # A refused exchange leaves the code good; the redirect must be the one authorized.
        for wrong, refusal in (({"code_verifier": VERIFIER[:-1]}, (400, "invalid_grant")),
                               ({"code_verifier": ""}, (400, "invalid_grant")),
                               ({"redirect_uri": REDIRECT}, (400, "invalid_grant")),
                               ({"client_secret": "x"}, (401, "invalid_client"))):
            status, _, body = self.exchange(app, code, **wrong)
            self.assertEqual((status, body["error"]), refusal, wrong)
        pair = base64.b64encode(("%s:%s" % (app["client_id"], app["client_secret"])).encode())
        status, _, token = self.exchange(app, code, client_secret="",
                                         headers={"Authorization": b"Basic " + pair})
        self.assertEqual((status, token["token_type"]), (200, "Bearer"), token)
        self.assertEqual(self.exchange(app, code)[2]["error"], "invalid_grant")  # used once
        bearer = {"Authorization": "Bearer " + token["access_token"]}
        _, _, account = self.call("/api/v1/accounts/verify_credentials", headers=bearer)
        self.assertEqual(account["acct"], "alice")
        self.assertEqual(self.post("x", token=token["access_token"])[0], 200)
        self.assertEqual(self.form("/oauth/revoke", token=token["access_token"], client_id=app[
            "client_id"], client_secret=app["client_secret"])[0], 200)
        self.assertEqual(self.post("x", token=token["access_token"])[0], 401)
        self.assertEqual(self.call("/api/v1/accounts/verify_credentials", headers=bearer)[0], 401)

    def test_the_page_the_code_and_each_refusal(self):
        app = self.register(uris=REDIRECT + " " + lumora_standin.OAUTH_OOB,
                            scopes="write:statuses")
        # Only a loopback IP literal may change its port.
        self.assertEqual(self.authorize(app, redirect="http://localhost:4711/callback")[0], 400)
        self.assertEqual(self.authorize(app, redirect=REDIRECT + "x")[0], 400)
        # Out of band, the page shows the code; without a challenge no verifier is needed, and
        # a token without an account scope cannot show the account.
        status, page = self.authorize(app, redirect=lumora_standin.OAUTH_OOB)
        code = page.split('id="code" readonly value="')[1].split('"')[0]
        token = self.exchange(app, code, redirect_uri=lumora_standin.OAUTH_OOB,
                              code_verifier="")[2]["access_token"]
        bearer = {"Authorization": "Bearer " + token}
        self.assertEqual(self.call("/api/v1/accounts/verify_credentials", headers=bearer)[0], 403)
        self.assertEqual(self.authorize(app, decision="deny")[1],
                         {"error": "access_denied", "state": "st&te",
                          "error_description": lumora_standin.ACCESS_DENIED})
        expected = {"no_apps": 404, "apps_throttled": 429, "redirect_apps": 307}
        for mode, code in expected.items():
            self.service.oauth_mode = mode
            status, head, _ = self.form("/api/v1/apps", client_name="Lumora",
                                        redirect_uris=REDIRECT)
            self.assertEqual(status, code, mode)
        self.assertEqual(head["Location"], "https://elsewhere.test/api/v1/apps")
        self.service.oauth_mode = "access_denied"
        self.assertEqual(self.authorize(app)[1]["error"], "access_denied")
        for mode, status in (("code_refused", 400), ("redirect_token", 307)):
            self.service.oauth_mode = "ok"
            code = self.authorize(app)[1]["code"]
            self.service.oauth_mode = mode
            self.assertEqual(self.exchange(app, code, code_verifier="")[0], status, mode)


class LatencyRelayTest(unittest.TestCase):
    def test_bytes_arrive_intact_a_round_trip_late_and_the_connection_is_kept_or_closed(self):
        service = lumora_standin.StandIn().start()
        self.addCleanup(service.stop)
        relay = latency_relay.LatencyRelay(("127.0.0.1", service.port), delay=0.05).start()
        self.addCleanup(relay.stop)
        proxy = urllib.request.ProxyHandler({"http": "http://127.0.0.1:%d" % relay.port})
        opener = urllib.request.build_opener(proxy)
        for keep_alive in (True, False):
            service.keep_alive = keep_alive
            started = time.monotonic()
            with opener.open("http://social.example/api/v2/instance", timeout=10) as reply:
                body, connection = json.loads(reply.read()), reply.headers.get("Connection")
            self.assertGreaterEqual(time.monotonic() - started, 0.1)
            self.assertEqual(body["configuration"]["statuses"]["max_characters"], 500)
            self.assertEqual(connection, None if keep_alive else "close")
        self.assertEqual(relay.connections, 2)


if __name__ == "__main__":
    unittest.main()
