"""The stand-in's imitation of a Mastodon-compatible server, checked without Wine, so the
end-to-end suites can trust what it records and answers."""

import json
import os
import sys
import time
import unittest
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import latency_relay  # noqa: E402
import lumora_standin  # noqa: E402

TOKEN = "tok-123"


class MastodonStandInTest(unittest.TestCase):
    def setUp(self):
        self.service = lumora_standin.StandIn().start()
        self.addCleanup(self.service.stop)
        self.service.mastodon_tokens = {TOKEN}
        proxy = urllib.request.ProxyHandler({"http": self.service.proxy_url})
        self.opener = urllib.request.build_opener(proxy)

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
            return status, head, None

    def post(self, text, key=None, token=TOKEN):
        headers = {"Authorization": f"Bearer {token}"} if token else {}
        if key:
            headers["Idempotency-Key"] = key
        return self.call("/api/v1/statuses", ("status=" + text).encode(), headers)

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
            self.assertEqual(body and body.get("error"), error, mode)
            self.assertEqual(headers.get("X-RateLimit-Reset"),
                             lumora_standin.RATE_LIMIT_RESET if code == 429 else None)


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
