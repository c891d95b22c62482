"""Runs Hallwarden in a copy of its start directory for the tests: its own registry store (with the
port), its own lock folder, and its log; ended with SIGTERM through its normal shutdown."""
import http.client
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Hallwarden:
    def __init__(self, program, startdir, prepare=None, logs=True):
        self.program = program
        self.root = tempfile.mkdtemp(prefix="hallwarden-")
        self.dir = os.path.join(self.root, "start")
        # Links stay links: the jukebox beside the start directory is never started by a test. The
        # build's registry store there is private to the user who built (and not this run's store).
        shutil.copytree(startdir, self.dir, symlinks=True,
                        ignore=shutil.ignore_patterns("registry.txt", "registry.txt.lock"))
        if not logs:
            shutil.rmtree(os.path.join(self.dir, "Logs"))
        self.port = free_port()
        self.registry = os.path.join(self.root, "registry.txt")
        with open(self.registry, "w") as store:
            store.write("[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\FrameWork]\n")
            store.write('"WebSocketNumber"=dword:%08x\n' % self.port)
        self.env = dict(os.environ)
        self.env["QH_REGISTRY"] = self.registry
        self.env["QH_LOCK_DIR"] = os.path.join(self.root, "locks")
        os.makedirs(self.env["QH_LOCK_DIR"])
        self.env.pop("QH_DISPLAY", None)
        if prepare:
            prepare(self.dir)
        self.process = None

    def start(self):
        self.stderr = open(os.path.join(self.root, "stderr.txt"), "w+")
        self.process = subprocess.Popen([self.program], cwd=self.dir, env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=self.stderr)
        deadline = time.time() + 20
        while time.time() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("Hallwarden ended at start: %s" % self.errors())
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=0.5):
                    return self
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("Hallwarden does not listen on %d" % self.port)

    def stop(self, timeout=20):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                raise
        return self.process.returncode

    def cleanup(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.root, ignore_errors=True)

    def errors(self):
        self.stderr.flush()
        self.stderr.seek(0)
        return self.stderr.read()

    def log(self):
        path = os.path.join(self.dir, "Logs", "HallwardenLog.txt")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="latin-1") as log:
            return log.read()

    def wait_log(self, text, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if text in self.log():
                return True
            time.sleep(0.05)
        return False

    def connection(self):
        return http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
