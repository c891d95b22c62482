#!/usr/bin/env python3
"""Hallwarden with real peers: curl and python3 browsers, sessions, static files, traversal
attempts, service programs, the log, a second instance, and the shutdown on SIGTERM.

Usage: program_test.py <Hallwarden> <assembled start directory>"""
import concurrent.futures
import os
import re
import stat
import subprocess
import sys
import time
import unittest
import xml.dom.minidom

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from hallwarden import Hallwarden  # noqa: E402

PROGRAM, STARTDIR = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
SERVICE = """#!/bin/sh
echo "$0 $*" >> started.txt
"""


def with_services(directory):
    """A project of two devices: one whose service program records its start, one whose program is
    missing."""
    script = os.path.join(directory, "svc.sh")
    with open(script, "w") as f:
        f.write(SERVICE)
    os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR)
    with open(os.path.join(directory, "sysdevices", "RECORDER.xml"), "w") as f:
        f.write("<root><rootDevice><SVCPROGRAM>svc.sh</SVCPROGRAM></rootDevice></root>")
    with open(os.path.join(directory, "config", "project.xml"), "w") as f:
        f.write("<project><device><DEVNUM>7</DEVNUM><DEVUID>RECORDER</DEVUID></device>"
                "<device><DEVNUM>1</DEVNUM><DEVUID>TONEBARN-0001</DEVUID></device>"
                "<device><DEVNUM>7</DEVNUM><DEVUID>RECORDER</DEVUID></device></project>")


class Browser:
    """A keep-alive client that keeps the session cookie, as a browser does."""

    def __init__(self, server):
        self.server = server
        self.connection = server.connection()
        self.cookie = None

    def close(self):
        self.connection.close()

    def request(self, method, path, body=None, headers=None):
        headers = dict(headers or {})
        if self.cookie:
            headers["Cookie"] = "TLWSESSIONID=" + self.cookie
        self.connection.request(method, path, body=body, headers=headers)
        response = self.connection.getresponse()
        data = response.read()
        cookie = response.getheader("Set-Cookie")
        if cookie:
            self.cookie = re.search(r"TLWSESSIONID=([^;]+)", cookie).group(1)
        if response.getheader("Connection", "").lower() == "close":
            self.connection.close()
            self.connection = self.server.connection()
        return response.status, data.decode("latin-1"), response


class Program(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Hallwarden(PROGRAM, STARTDIR, prepare=with_services).start()

    @classmethod
    def tearDownClass(cls):
        try:
            code = cls.server.stop()
            errors = cls.server.errors()
            assert code == 0, "exit code %s: %s" % (code, errors)
            assert "Sanitizer" not in errors, errors
        finally:
            cls.server.cleanup()

    def curl(self, *args):
        """The status and body of a curl request sent exactly as written."""
        result = subprocess.run(["curl", "-s", "--path-as-is", "-w", "\n%{http_code}"] + list(args),
                                capture_output=True, timeout=30)
        body, _, status = result.stdout.rpartition(b"\n")
        return int(status), body

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.server.port, path)

    def test_a_first_request_starts_a_session_and_the_pages_follow_it(self):
        browser = Browser(self.server)
        status, body, response = browser.request("GET", "/USER/DEFAULT.HTM")
        self.assertEqual(status, 200)
        self.assertIn("Welcome to Quaverhouse", body)
        self.assertRegex(response.getheader("Set-Cookie"), r"TLWSESSIONID=\d{10}-\d{10}-[0-9A-F]{16}")
        status, body, response = browser.request("GET", "/user/default.htm")
        self.assertEqual(status, 200)
        self.assertIsNone(response.getheader("Set-Cookie"))
        self.assertIn('<span id="cur">DEFAULT.HTM</span>', body)
        self.assertIn('<span id="prev">NEWSESSION.HTM</span>', body)
        status, body, _ = browser.request("GET", "/DEBUG")
        self.assertEqual(status, 200)
        document = xml.dom.minidom.parseString(body.encode("latin-1"))
        names = [n.firstChild.data for n in document.getElementsByTagName("varName")]
        self.assertEqual(names, ["SYSCURPAGE", "SYSPREVPAGE"])

    def test_a_post_without_a_session_gets_the_new_session_page(self):
        browser = Browser(self.server)
        status, body, _ = browser.request("POST", "/COMMAND", body="COMMAND=A%3D1",
                                          headers={"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 200)
        self.assertIn("Welcome to Quaverhouse", body)
        self.assertIsNotNone(browser.cookie)

    def test_commands_and_other_methods(self):
        browser = Browser(self.server)
        browser.request("GET", "/")
        status, body, _ = browser.request("POST", "/COMMAND", body="COMMANDID=3",
                                          headers={"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 204)
        self.assertTrue(self.server.wait_log("CommandID: 3, No command to execute"))
        status, _, response = browser.request("POST", "/elsewhere", body="x=1",
                                              headers={"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 500)
        self.assertEqual(response.getheader("Connection", "").lower(), "close")

    def test_many_sessions_keep_their_own_variables(self):
        def visit(index):
            browser = Browser(self.server)
            browser.request("GET", "/")
            page = "/USER/DEFAULT.HTM" if index % 2 else "/USER/NOPAGE%d.HTM" % index
            status, _, _ = browser.request("GET", page)
            _, debug, _ = browser.request("GET", "/DEBUG")
            current = re.search(r"<varName>SYSCURPAGE</varName><varValue>(.*?)</varValue>", debug).group(1)
            browser.close()
            return browser.cookie, status, current, page

        with concurrent.futures.ThreadPoolExecutor(max_workers=20) as pool:
            results = list(pool.map(visit, range(60)))
        self.assertEqual(len({cookie for cookie, _, _, _ in results}), 60)
        for cookie, status, current, page in results:
            self.assertEqual(current, page.split("/")[-1])
            self.assertEqual(status, 200 if "DEFAULT" in page else 404)

    def test_static_files_and_errors(self):
        browser = Browser(self.server)
        browser.request("GET", "/")
        status, body, response = browser.request("GET", "/Images/logo.gif")
        self.assertEqual((status, response.getheader("Content-Type")), (200, "image/gif"))
        self.assertTrue(body.startswith("GIF89a"))
        status, body, response = browser.request("GET", "/styles/SITE.CSS")
        self.assertEqual((status, response.getheader("Content-Type")), (200, "text/css"))
        self.assertIn("font-family", body)
        last = response.getheader("Last-Modified")
        if last:
            status, _, _ = browser.request("GET", "/styles/SITE.CSS", headers={"If-Modified-Since": last})
            self.assertEqual(status, 304)
        status, _, response = browser.request("GET", "/SCRIPTS/site.js")
        self.assertEqual((status, response.getheader("Content-Type")), (200, "text/JavaScript"))
        self.assertEqual(browser.request("GET", "/IMAGES/X.GIF")[0], 404)
        self.assertEqual(browser.request("GET", "/IMAGES/A.PNG")[0], 400)
        self.assertEqual(browser.request("GET", "/USER")[0], 404)
        self.assertEqual(browser.request("GET", "/USER/MISSING.HTM")[0], 404)

    def test_static_files_never_leave_their_folders(self):
        jar = os.path.join(self.server.root, "jar")
        self.curl("-c", jar, self.url("/"))
        self.assertEqual(self.curl("-b", jar, self.url("/Images/logo.gif"))[0], 200)
        # Files a successful escape would reach exist, so only the refusal can give 400 or 404.
        with open(os.path.join(self.server.dir, "secret.gif"), "w") as f:
            f.write("GIF89a secret")
        attempts = ["/Images/../secret.gif", "/Images/..%2fsecret.gif", "/Images/..%2Fsecret.gif",
                    "/Images/%2e%2e%2fsecret.gif", "/Images/%2E%2E%5Csecret.gif", "/Images/..%5csecret.gif",
                    "/Images/..\\secret.gif", "/Images/%2fetc%2fpasswd.gif", "/Images/C:%5Csecret.gif",
                    "/Styles/..%2f..%2f..%2fetc%2fpasswd.css", "/Scripts/%2e%2e%2fconfig%2fproject.js",
                    "/Images/x%00.gif"]
        for path in attempts:
            status, body = self.curl("-b", jar, self.url(path))
            self.assertNotIn(b"secret", body, path)
            # A path whose folder is not a static folder gets the default page; a static name is refused.
            self.assertIn(status, (200, 400) if "../" in path else (400,), path)
        # The same through a raw socket, exactly as written.
        browser = Browser(self.server)
        browser.request("GET", "/")
        for path in attempts:
            status, body, _ = browser.request("GET", path)
            self.assertNotIn("secret", body, path)

    def test_service_programs_start_once_with_their_device_number(self):
        started = os.path.join(self.server.dir, "started.txt")
        deadline = time.time() + 10
        while time.time() < deadline and not os.path.exists(started):
            time.sleep(0.05)
        time.sleep(0.3)
        with open(started) as f:
            self.assertEqual(f.read().split("\n")[:-1], [os.path.join(self.server.dir, "svc.sh") + " 7"])
        self.assertTrue(self.server.wait_log("StartSvcPrograms: Could not start service program Tonebarn.exe"))
        log = self.server.log()
        self.assertIn("Duplicate device numbers detected (DeviceID 7). Check your project.xml file.", log)
        self.assertIn("StartSvcPrograms: Started service program svc.sh OK.", log)
        # The finished service is reaped: no zombie child of the controller.
        time.sleep(0.5)
        children = subprocess.run(["ps", "-o", "stat=", "--ppid", str(self.server.process.pid)],
                                  capture_output=True, text=True).stdout.split()
        self.assertFalse([s for s in children if s.startswith("Z")], children)

    def test_every_log_line_starts_with_the_time(self):
        log = self.server.log().split("\n")[:-1]
        self.assertIn("Hallwarden Control Program is STARTING", log[0])
        self.assertTrue(any("Server thread listening for incoming connections on port %d" % self.server.port in l
                            for l in log))
        for line in log:
            self.assertRegex(line, r"^[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}:: ")

    def test_a_second_instance_leaves_the_first_alone(self):
        second = subprocess.run([PROGRAM], cwd=self.server.dir, env=self.server.env, capture_output=True,
                                timeout=30)
        self.assertEqual(second.returncode, 0)
        browser = Browser(self.server)
        self.assertEqual(browser.request("GET", "/")[0], 200)
        self.assertEqual(self.server.log().count("is STARTING"), 1)


class Lifecycle(unittest.TestCase):
    def test_without_a_logs_folder_the_program_runs_silently_and_ends_on_sigterm(self):
        server = Hallwarden(PROGRAM, STARTDIR, logs=False)
        try:
            server.start()
            browser = Browser(server)
            self.assertEqual(browser.request("GET", "/")[0], 200)
            self.assertEqual(server.stop(), 0)
            self.assertFalse(os.path.exists(os.path.join(server.dir, "Logs")))
            self.assertNotIn("Sanitizer", server.errors())
        finally:
            server.cleanup()

    def test_shutdown_logs_its_steps(self):
        server = Hallwarden(PROGRAM, STARTDIR)
        try:
            server.start()
            self.assertTrue(server.wait_log("Server thread listening"))
            self.assertEqual(server.stop(), 0)
            log = server.log()
            self.assertLess(log.index("Server thread is exiting. Waiting for thread termination..."),
                            log.index("Hallwarden Control Program is SHUTTING DOWN"))
        finally:
            server.cleanup()

    def test_a_port_in_use_keeps_the_program_closable(self):
        import socket
        blocker = socket.socket()
        blocker.bind(("127.0.0.1", 0))
        blocker.listen()
        server = Hallwarden(PROGRAM, STARTDIR)
        try:
            with open(server.registry, "w") as store:
                store.write("[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\FrameWork]\n")
                store.write('"WebSocketNumber"=dword:%08x\n' % blocker.getsockname()[1])
            server.stderr = open(os.path.join(server.root, "stderr.txt"), "w+")
            server.process = subprocess.Popen([PROGRAM], cwd=server.dir, env=server.env, stderr=server.stderr)
            self.assertTrue(server.wait_log("Server thread generated error code - "))
            self.assertEqual(server.stop(), 0)
        finally:
            blocker.close()
            server.cleanup()


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
