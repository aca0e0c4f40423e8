"""The end-to-end suites' reference PDS, checked without Wine: it listens on loopback only,
takes the app password over TLS through nginx and the relay, and the relay's expired token is
refused as expired (not as invalid) while its refresh token still renews the session. The
relay's lost answer is checked by the Bluesky suite itself."""

import http.client
import json
import os
import socket
import ssl
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "e2e"), os.path.join(HERE, "..", "standin")]
import real_servers  # noqa: E402
import reference_pds  # noqa: E402
import tls_standin  # noqa: E402

POST = "app.bsky.feed.post"
RKEY = "3kabcdefghij2"  # a valid TID


class ReferencePdsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not (reference_pds.installed() and real_servers.installed()):
            raise unittest.SkipTest("the PDS or nginx is not installed (scripts/install_deps.sh)")
        cls.authority = tls_standin.TestAuthority(hosts=(reference_pds.HOST,))
        cls.addClassCleanup(cls.authority.close)
        cls.network = reference_pds.PdsNetwork(cls.authority).start()
        cls.addClassCleanup(cls.network.stop)
        cls.pds, cls.relay = cls.network.pds, cls.network.relay
        cls.tls = ssl.create_default_context(cafile=cls.authority.authority_pem)

    def setUp(self):
        self.relay.clear()

    def call(self, method, body=None, token=None):
        """(status, JSON) of one XRPC procedure through nginx and the relay, over TLS."""
        connection = http.client.HTTPSConnection(reference_pds.HOST, self.network.front.port,
                                                 context=self.tls, timeout=30)
        headers = {"Content-Type": "application/json"} if body is not None else {}
        if token:
            headers["Authorization"] = "Bearer " + token
        try:
            connection.request("POST", "/xrpc/" + method,
                               None if body is None else json.dumps(body).encode(), headers)
            reply = connection.getresponse()
            return reply.status, json.loads(reply.read())
        finally:
            connection.close()

    def sign_in(self, password=None):
        return self.call("com.atproto.server.createSession", {
            "identifier": self.pds.handle, "password": password or self.pds.app_password})

    def post(self, token, text, rkey=None):
        body = {"repo": self.pds.did, "collection": POST, "record": {
            "$type": POST, "text": text, "createdAt": "2026-12-08T15:00:00.000Z"}}
        if rkey:
            body["rkey"] = rkey
        return self.call("com.atproto.repo.createRecord", body, token)

    def test_both_servers_listen_on_loopback_only(self):
        for port in (self.pds.port, self.pds.plc_port):
            with socket.socket() as probe:
                self.assertEqual(probe.connect_ex(("127.0.0.1", port)), 0)
            # All of 127/8 reaches this machine: a server on every interface would answer here.
            with socket.socket() as probe:
                self.assertNotEqual(probe.connect_ex(("127.0.0.2", port)), 0, port)

    def test_app_password_signs_in_and_a_post_reads_back(self):
        status, answer = self.sign_in("wrong-pass-word-0000")
        self.assertEqual((status, answer["error"]), (401, "AuthenticationRequired"))
        status, session = self.sign_in()
        self.assertEqual((status, session["did"]), (200, self.pds.did))
        status, created = self.post(session["accessJwt"], "héllo 👋🏽", rkey=RKEY)
        self.assertEqual(status, 200, created)
        self.assertTrue(created["uri"].endswith("/%s/%s" % (POST, RKEY)))
        self.assertEqual(self.pds.get_record(POST, RKEY)["text"], "héllo 👋🏽")
        self.assertIsNone(self.pds.get_record(POST, "3kabcdefghij3"))
        self.assertEqual(self.relay.calls(), [
            ("com.atproto.server.createSession", 401, False),
            ("com.atproto.server.createSession", 200, False),
            ("com.atproto.repo.createRecord", 200, False)])

    def test_expired_token_is_refused_as_expired_and_refresh_renews_it(self):
        self.relay.expire_next("com.atproto.server.createSession")
        status, session = self.sign_in()
        self.assertEqual(status, 200)
        status, answer = self.post(session["accessJwt"], "expired")
        self.assertEqual((status, answer["error"]), (400, "ExpiredToken"))
        status, renewed = self.call("com.atproto.server.refreshSession",
                                    token=session["refreshJwt"])
        self.assertEqual(status, 200, renewed)
        self.assertEqual(self.post(renewed["accessJwt"], "renewed")[0], 200)


if __name__ == "__main__":
    unittest.main()
