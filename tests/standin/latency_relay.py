#!/usr/bin/env python3
"""A TCP relay on loopback that holds every byte for a set time in each direction, so a client
meets a distant server's round trips (tc netem is not available on the build machines).

    relay = LatencyRelay(("127.0.0.1", service.port), delay=0.025).start()
    ...                                   # the client connects to 127.0.0.1:relay.port
    relay.stop()

The kernel completes the client's TCP handshake at once: only the data is delayed, so a new
connection costs the TLS handshake's round trips, not the TCP one. With `tunnel_to` ("host:443")
each connection first asks the target (a TlsStandIn) for a CONNECT tunnel to that host, so the
client speaks TLS to the stand-in directly, as to a server without a proxy."""

import collections
import socket
import threading
import time

CHUNK = 65536


class LatencyRelay:
    def __init__(self, target, delay, tunnel_to=None):
        self.target = target
        self.delay = delay
        self.tunnel_to = tunnel_to
        self.connections = 0  # accepted so far
        self._listener = socket.create_server(("127.0.0.1", 0))
        self._stopping = threading.Event()

    @property
    def port(self):
        return self._listener.getsockname()[1]

    def start(self):
        threading.Thread(target=self._accept, daemon=True).start()
        return self

    def stop(self):
        self._stopping.set()
        self._listener.close()

    def _accept(self):
        while not self._stopping.is_set():
            try:
                client, _ = self._listener.accept()
            except OSError:
                return
            self.connections += 1
            threading.Thread(target=self._serve, args=(client,), daemon=True).start()

    def _open_upstream(self):
        upstream = socket.create_connection(self.target)
        if self.tunnel_to:
            upstream.sendall(b"CONNECT %s HTTP/1.1\r\nHost: %s\r\n\r\n"
                             % ((self.tunnel_to.encode(),) * 2))
            head = b""
            while b"\r\n\r\n" not in head:
                more = upstream.recv(1)
                if not more:
                    raise ConnectionError("the tunnel was refused")
                head += more
            if b" 200 " not in head.split(b"\r\n", 1)[0]:
                raise ConnectionError(head.decode("latin-1"))
        return upstream

    def _serve(self, client):
        try:
            upstream = self._open_upstream()
        except OSError:
            client.close()
            return
        for end in (client, upstream):
            end.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        for source, sink in ((client, upstream), (upstream, client)):
            _Pipe(source, sink, self.delay).start()


class _Pipe:
    """One direction: a reader stamps each chunk as it arrives, a writer sends it `delay` later;
    the end of the stream travels the same way."""

    def __init__(self, source, sink, delay):
        self.source, self.sink, self.delay = source, sink, delay
        self.queue = collections.deque()
        self.ready = threading.Condition()

    def start(self):
        threading.Thread(target=self._read, daemon=True).start()
        threading.Thread(target=self._write, daemon=True).start()

    def _read(self):
        while True:
            try:
                data = self.source.recv(CHUNK)
            except OSError:
                data = b""
            with self.ready:
                self.queue.append((time.monotonic() + self.delay, data))
                self.ready.notify()
            if not data:
                return

    def _write(self):
        while True:
            with self.ready:
                while not self.queue:
                    self.ready.wait()
                due, data = self.queue.popleft()
            time.sleep(max(0.0, due - time.monotonic()))
            try:
                if not data:
                    self.sink.shutdown(socket.SHUT_WR)
                    return
                self.sink.sendall(data)
            except OSError:
                self.source.close()
                return
