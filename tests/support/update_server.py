#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the update check's tests.

  update_server.py start STATEFILE   binds a free port, serves in the background
                                     and writes "PORT PID" to STATEFILE
  update_server.py stop STATEFILE    stops the server of STATEFILE by its process id

Every path of ROUTES answers as its entry says; /_seen?path=P answers with the
User-Agent of each request of P so far, one a line. Other paths give 404.
"""
import os
import signal
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

STALL = 5.0  # seconds a stalling reply waits before it closes the connection


def body(n):
    """The archive bytes the tests expect: a fixed pattern of n bytes."""
    return bytes((i * 31 + 7) % 256 for i in range(n))


def page(text):
    return ("<html><body>" + text + "</body></html>").encode("ascii")


# path -> reply. Keys of a reply:
#   status (200), data (bytes), length (Content-Length; None leaves it out;
#   default the size of data), send (bytes actually sent; default all),
#   chunk/delay (send in chunks of chunk bytes, delay seconds apart),
#   stall_head (wait STALL seconds and close without a reply),
#   stall_after (after sending, wait STALL seconds before closing).
ROUTES = {
    # update pages
    "/DownLoadHtml/UpdateFilePageFree.html": {"data": page('<a href="UpdateFile/Vastrel_Up1530.zip">1.5.3.0</a>')},
    "/latest1521/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up1521.zip")},
    "/latest1500/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up1500.zip")},
    "/empty/DownLoadHtml/UpdateFilePageFree.html": {"data": b""},
    "/nozip/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up../.zip Vastrel_Up1a2b.zip")},
    "/missing/DownLoadHtml/UpdateFilePageFree.html": {"status": 404, "data": page("Vastrel_Up1530.zip")},
    "/stall/DownLoadHtml/UpdateFilePageFree.html": {"stall_head": True},
    "/stallbody/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up1530.zip" + " " * 3000),
                                                        "send": 1024, "stall_after": True},
    "/short/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up1530.zip") + b" " * 5000,
                                                    "length": 5000, "send": 2000},
    "/big/DownLoadHtml/UpdateFilePageFree.html": {"data": b" " * (1024 * 1024 + 10) + b"Vastrel_Up1530.zip"},
    # archives
    "/dl/UpdateFile/ok.zip": {"data": body(5000)},
    "/dl/UpdateFile/okfault.zip": {"data": body(5000)},
    "/dl/UpdateFile/missing.zip": {"status": 404, "data": body(100)},
    "/dl/UpdateFile/short.zip": {"data": body(5000), "send": 2000},
    "/dl/UpdateFile/nolength.zip": {"data": body(3000), "length": None},
    "/dl/UpdateFile/stallbody.zip": {"data": body(5000), "send": 1024, "stall_after": True},
    "/dl/UpdateFile/trickle.zip": {"data": body(20480), "chunk": 1024, "delay": 0.2},
    "/dl/UpdateFile/readonly.zip": {"data": body(100)},
    # the version box
    "/box/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up1530.zip")},
    "/box/UpdateFile/Vastrel_Up1530.zip": {"data": body(8192), "chunk": 1024, "delay": 0.15},
    "/boxcancel/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up1530.zip")},
    "/boxcancel/UpdateFile/Vastrel_Up1530.zip": {"data": body(40960), "chunk": 1024, "delay": 0.2},
    "/boxfail/DownLoadHtml/UpdateFilePageFree.html": {"data": page("Vastrel_Up1530.zip")},
    "/boxfail/UpdateFile/Vastrel_Up1530.zip": {"data": body(5000), "send": 2000},
    "/boxlatest/DownLoadHtml/UpdateFilePage.html": {"data": page("Vastrel_Up1521.zip")},
}

seen = {}
seen_lock = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/_seen":
            want = urllib.parse.parse_qs(url.query).get("path", [""])[0]
            with seen_lock:
                text = "".join(a + "\n" for a in seen.get(want, []))
            self.reply(200, text.encode("utf-8"))
            return
        with seen_lock:
            seen.setdefault(url.path, []).append(self.headers.get("User-Agent", ""))
        r = ROUTES.get(url.path)
        if r is None:
            self.reply(404, b"not here")
            return
        if r.get("stall_head"):
            time.sleep(STALL)
            self.close_connection = True
            return
        data = r.get("data", b"")
        length = r.get("length", len(data))
        send = data[: r.get("send", len(data))]
        self.send_response(r.get("status", 200))
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.end_headers()
        chunk = r.get("chunk", 0)
        try:
            if chunk:
                for i in range(0, len(send), chunk):
                    self.wfile.write(send[i:i + chunk])
                    self.wfile.flush()
                    time.sleep(r.get("delay", 0))
            else:
                self.wfile.write(send)
                self.wfile.flush()
            if r.get("stall_after"):
                time.sleep(STALL)
        except OSError:
            pass
        self.close_connection = True

    def reply(self, status, data):
        self.send_response(status)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


def start(state):
    try:
        os.unlink(state)
    except FileNotFoundError:
        pass
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    pid = os.fork()
    if pid:
        # The parent tells the port once the child serves, then ends.
        server.server_close()
        for _ in range(100):
            if os.path.exists(state):
                return 0
            time.sleep(0.05)
        return 1
    os.setsid()
    null = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(null, fd)
    tmp = state + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d %d\n" % (server.server_address[1], os.getpid()))
    os.rename(tmp, state)
    try:
        server.serve_forever()
    finally:
        os._exit(0)


def stop(state):
    try:
        with open(state) as f:
            pid = int(f.read().split()[1])
    except (OSError, ValueError, IndexError):
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    os.unlink(state)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.stderr.write(__doc__)
        sys.exit(2)
    sys.exit(start(sys.argv[2]) if sys.argv[1] == "start" else stop(sys.argv[2]))
