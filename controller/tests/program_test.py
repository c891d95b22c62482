#!/usr/bin/env python3
"""Hallwarden with real peers: curl and python3 browsers, sessions, static files, traversal
attempts, service programs, the log, a second instance, and the shutdown on SIGTERM.

Usage: program_test.py <Hallwarden> <assembled start directory>"""
import concurrent.futures
import json
import os
import re
import shutil
import tempfile
import urllib.parse
import stat
import subprocess
import sys
import time
import unittest
import xml.dom.minidom

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
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


def children_of(server):
    """The controller's child processes by id, with their states (R, S, Z, ...)."""
    pid = server.process.pid
    states = {}
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/children" % (pid, task)) as f:
                children = f.read().split()
        except FileNotFoundError:
            continue
        for child in children:
            try:
                with open("/proc/%s/stat" % child) as stat:
                    states[child] = stat.read().rsplit(")", 1)[1].split()[0]
            except FileNotFoundError:
                pass
    return states


def wait_until(done, timeout=30):
    """Waits, bounded, until done() holds; says whether it did."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        if done():
            return True
        time.sleep(0.05)
    return done()


def wait_for_children_to_end(server, timeout=30):
    """Waits, bounded, until every program the controller started has ended and been reaped."""
    return wait_until(lambda: not children_of(server), timeout)


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
        # The controller takes no uploads: a PUT is refused and nothing lands in the start directory.
        status, _, _ = browser.request("PUT", "/dropped.txt", body="x" * 100,
                                       headers={"Content-Type": "text/plain"})
        self.assertGreaterEqual(status, 400)
        self.assertFalse(os.path.exists(os.path.join(self.server.dir, "dropped.txt")))

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
        # The devices start in the order of their numbers: the jukebox (1) before the recorder (7).
        self.assertTrue(self.server.wait_log("StartSvcPrograms: Started service program svc.sh OK.", timeout=30))
        # The finished service is reaped (no zombie child of the controller); only then is its line
        # surely written in full.
        self.assertTrue(wait_for_children_to_end(self.server), "children left: %s" % children_of(self.server))
        started = os.path.join(self.server.dir, "started.txt")
        with open(started) as f:
            self.assertEqual(f.read().split("\n")[:-1], [os.path.join(self.server.dir, "svc.sh") + " 7"])
        # The copy's link to the jukebox leads nowhere: that program is missing here.
        log = self.server.log()
        self.assertIn("StartSvcPrograms: Could not start service program Tonebarn\n", log)
        self.assertIn("Duplicate device numbers detected (DeviceID 7). Check your project.xml file.", log)
        self.assertEqual(log.count("StartSvcPrograms: Started service program"), 1)

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
        # The refusal is a message box; headless its text goes to standard error.
        self.assertIn("The Quaverhouse Control Program is already running.", second.stderr.decode("cp1252"))
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

    def test_the_sample_project_starts_the_jukebox_by_its_name_here(self):
        # The build's start directory reaches the built jukebox through a relative link.
        self.assertEqual(os.readlink(os.path.join(STARTDIR, "Tonebarn")), os.path.join("..", "bin", "Tonebarn"))

        def jukebox_stand_in(directory):
            os.remove(os.path.join(directory, "Tonebarn"))
            with open(os.path.join(directory, "Tonebarn"), "w") as f:
                f.write(SERVICE)
            os.chmod(os.path.join(directory, "Tonebarn"), 0o755)

        server = Hallwarden(PROGRAM, STARTDIR, prepare=jukebox_stand_in)
        try:
            server.start()
            self.assertTrue(server.wait_log("StartSvcPrograms: Started service program Tonebarn OK."))
            self.assertNotIn("Could not start service program", server.log())
            self.assertTrue(wait_for_children_to_end(server), "children left: %s" % children_of(server))
            with open(os.path.join(server.dir, "started.txt")) as f:
                self.assertEqual(f.read().split(), [os.path.join(server.dir, "Tonebarn"), "1"])
            self.assertEqual(server.stop(), 0)
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


def form(**fields):
    return urllib.parse.urlencode(fields)


FORM = {"Content-Type": "application/x-www-form-urlencoded"}


def end_server(server):
    """Ends the program through its normal shutdown, which must be clean, and removes its folder."""
    try:
        code = server.stop()
        assert code == 0 and "Sanitizer" not in server.errors(), server.errors()
    finally:
        server.cleanup()


def write_project(directory, devices):
    """A project of jukeboxes: (number, name, address, port) each."""
    with open(os.path.join(directory, "config", "project.xml"), "w") as f:
        f.write("<project>")
        for number, name, address, port in devices:
            f.write("<device><DEVNUM>%d</DEVNUM><DEVNAME>%s</DEVNAME><DEVUID>TONEBARN-0001</DEVUID>"
                    "<SVCADDRESS>%s</SVCADDRESS><SVCPORT>%d</SVCPORT></device>" % (number, name, address, port))
        f.write("</project>")


def post_with_curl(server, statement):
    """The status, page and seconds of a /COMMAND form posted with curl in a session of its cookie jar."""
    url = "http://127.0.0.1:%d" % server.port
    jar = os.path.join(server.root, "cookies.txt")
    subprocess.run(["curl", "-s", "-o", "/dev/null", "-c", jar, "-b", jar, url + "/"], check=True, timeout=30)
    begun = time.time()
    result = subprocess.run(["curl", "-s", "-w", "\n%{http_code}", "-b", jar, "--data-urlencode",
                             "COMMAND=" + statement, url + "/COMMAND"], capture_output=True, timeout=120)
    page, _, status = result.stdout.decode("latin-1").rpartition("\n")
    return int(status), page, time.time() - begun


class FakeDevice:
    """A python3 device service (fake_device.py) in `mode`, recording what it receives."""

    def __init__(self, mode, folder):
        self.record = os.path.join(folder, "device-%s.jsonl" % mode)
        self.process = subprocess.Popen([sys.executable, os.path.join(HERE, "fake_device.py"), mode, self.record],
                                        stdout=subprocess.PIPE, text=True)
        self.port = int(self.process.stdout.readline())

    def requests(self):
        if not os.path.exists(self.record):
            return []
        with open(self.record) as f:
            return [json.loads(line) for line in f]

    def stop(self):
        self.process.terminate()
        self.process.wait()


class ControllerOfDevices(unittest.TestCase):
    """A controller whose project names python3 devices: the class starts them in a folder of its own,
    with templates of its own, and ends the controller, the devices and the folder."""

    @classmethod
    def start_controller(cls, devices, templates):
        """Starts the controller on `devices` (number, name, address, port) and `templates` (name: text)."""
        def project(directory):
            write_project(directory, devices)
            for name, text in templates.items():
                with open(os.path.join(directory, "Templates", name), "w") as f:
                    f.write(text)

        cls.server = Hallwarden(PROGRAM, STARTDIR, prepare=project).start()

    @classmethod
    def tearDownClass(cls):
        try:
            end_server(cls.server)
        finally:
            for device in cls.devices:
                device.stop()
            shutil.rmtree(cls.folder, ignore_errors=True)


class Commands(ControllerOfDevices):
    """Statements posted to /COMMAND, their values in /DEBUG and in templates, device commands against
    python3 devices, macros and scheduled events across a restart, and the start-up macro."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="hallwarden-devices-")
        cls.device = FakeDevice("echo", cls.folder)
        cls.slow = FakeDevice("slow", cls.folder)
        cls.devices = (cls.device, cls.slow)
        cls.start_controller(((1, "Box 1", "127.0.0.1", cls.device.port), (2, "Box 2", "127.0.0.1", cls.slow.port)),
                             {"LIST.HTM": "<%ZONE%>|<%@ZONE%>|<%ZONES[1]%>|<%MISSING%>\n"
                                          "<li><%ZONES[*]%>=<%@ZONES[*]%></li>\n"})
        cls.started = time.time()

    def browser(self):
        browser = Browser(self.server)
        browser.request("GET", "/")
        return browser

    def post(self, browser, **fields):
        return browser.request("POST", "/COMMAND", body=form(**fields), headers=FORM)

    def variables(self, browser):
        status, body, response = browser.request("GET", "/DEBUG")
        self.assertEqual(response.getheader("Content-Type"), "text/xml")
        subprocess.run(["xmllint", "--noout", "-"], input=body.encode("latin-1"), check=True)
        document = xml.dom.minidom.parseString(body.encode("latin-1"))
        values = {}
        for item in document.getElementsByTagName("varItem"):
            name = item.getElementsByTagName("varName")[0].firstChild.data
            single = item.getElementsByTagName("varValue")
            if single:
                values[name] = single[0].firstChild.data if single[0].firstChild else ""
            else:
                values[name] = [v.firstChild.data if v.firstChild else "" for v in item.getElementsByTagName("arrayValue")]
        return values

    def test_statements_run_in_field_order_and_errors_are_logged(self):
        browser = self.browser()
        status, _, _ = self.post(browser, COMMANDID="17", COMMAND2="B=2;", COMMAND="A=1; X=; C=A;",
                                 Command10="D=B; 5=E; F=6;", COMMAND3="SYSNEXTPAGE('List.htm');")
        self.assertEqual(status, 200)
        values = self.variables(browser)
        self.assertEqual((values["A"], values["B"], values["C"], values["D"]), ("1", "2", "1", "2"))
        self.assertNotIn("F", values)
        self.assertEqual(values["SYSCURPAGE"], "List.htm")
        self.assertTrue(self.server.wait_log("CommandID: 17, Error -101 when executing statement num 2"))
        self.assertIn("CommandID: 17, Error parsing command string [D=B; 5=E; F=6;] Offset: 9", self.server.log())

    def test_templates_show_values_elements_and_encoded_text(self):
        browser = self.browser()
        status, body, _ = self.post(browser, COMMAND="ZONE='Main Hall'; ZONES[0]='Bar'; ZONES[1]='Patio & Garden';"
                                             "SYSNEXTPAGE('list.htm');")
        self.assertEqual(status, 200)
        self.assertEqual(body, "Main Hall|Main%20Hall|Patio & Garden|\r\n<li>Bar=Bar</li>\r\n"
                               "<li>Patio & Garden=Patio%20%26%20Garden</li>\r\n")
        self.assertEqual(self.post(browser, COMMAND="SYSNEXTPAGE(); SYSWRITETOLOG('line\r\nforged');")[0], 200)
        self.assertTrue(self.server.wait_log("line  forged"))
        self.assertEqual(self.post(browser, COMMAND="SYSNEXTPAGE('nothing.htm');")[0], 404)

    def test_device_commands_wait_for_the_devices_answer(self):
        browser = self.browser()
        status, body, _ = self.post(browser, COMMAND="SYSNEXTPAGE('list.htm'); ZONES[0]='before';"
                                             "DEVICECMD(1, 'SvcQryVersion', NAME, VERSION); DEVICECMD(2, 'SetVolumeAbsolute', 80);"
                                             "DEVICECMD(1, 'SongLoadByGenre', 'loud & <clear>', 'Y');")
        self.assertEqual(status, 200)
        values = self.variables(browser)
        self.assertEqual(values["NAME"], "echo:SvcPgmName")
        self.assertEqual(values["VERSION"], "echo:SvcPgmVersion")
        requests = self.device.requests()
        self.assertEqual(len(requests), 1)
        self.assertEqual((requests[0]["path"], requests[0]["type"]), ("/control", "text/xml"))
        document = xml.dom.minidom.parseString(requests[0]["body"].encode("latin-1"))
        actions = document.getElementsByTagName("action")
        self.assertEqual([a.getElementsByTagName("actionName")[0].firstChild.data for a in actions],
                         ["SvcQryVersion", "SongLoadByGenre"])
        self.assertEqual(actions[1].getElementsByTagName("value")[0].firstChild.data, "loud & <clear>")
        self.assertEqual(len(self.slow.requests()), 1)
        status, _, _ = self.post(browser, COMMAND="DEVICECMD('1', 'XportPlay'); DEVICECMD(9, 'XportPlay');")
        self.assertEqual(status, 200)
        self.assertTrue(self.server.wait_log("Error -4 when executing statement num 1"))
        self.assertIn("Error -8 when executing statement num 2", self.server.log())

    def test_queries_fill_arrays(self):
        browser = self.browser()
        self.post(browser, COMMAND="SYSQRYDEVICES(NUMS, NAMES); SYSQRYDEVICECOMMANDS(1, ACTS, DESCS);"
                                   "SYSQRYCOMMANDARGS(1, 'SongLoadByGenre', AN, AD, AT);")
        values = self.variables(browser)
        self.assertEqual(values["NUMS"], ["1", "2"])
        self.assertEqual(values["NAMES"], ["Box 1", "Box 2"])
        # The sample's jukebox offers the actions of the jukebox's own definition, and only those.
        definition = xml.dom.minidom.parse(os.path.join(STARTDIR, "sysdevices", "TONEBARN-0001.xml"))
        own = [a.getElementsByTagName("name")[0].firstChild.data for a in definition.getElementsByTagName("action")]
        self.assertEqual(values["ACTS"], sorted(own))
        self.assertIn("XportPlayPause", values["ACTS"])
        self.assertNotIn("SetVolume", values["ACTS"])
        self.assertEqual(values["AN"], ["Genre", "SortByAlbum"])
        self.assertEqual(values["AT"], ["STRING", "STRING"])

    def test_zz_startup_macro_scheduled_events_and_a_restart(self):
        browser = self.browser()
        # After the start-up macro (30 s after the start), and never in the past however slowly the tests
        # before this one ran.
        fire = time.localtime(max(self.started + 42, time.time() + 15))
        statement = ("SYSADDMACRO('Mark', 'marks', 'SYSWRITETOLOG(''event ran''); DEVICECMD(1, ''SvcQryVersion'', N, V);');"
                     "SYSADDSCHEDULE('Soon', %d, %d, %d, %d, %d, %d, 'N', 0, 127, 0, 0, 0, 'ID');"
                     "SYSADDSCHEDULEMACRO(ID, 1, 'Missing'); SYSADDSCHEDULEMACRO(ID, 2, 'Mark');"
                     % (fire.tm_year, fire.tm_mon, fire.tm_mday, fire.tm_hour, fire.tm_min, fire.tm_sec))
        self.post(browser, COMMAND=statement)
        self.assertEqual(self.variables(browser)["ID"], "1")
        self.assertTrue(self.server.wait_log("Startup macro ran", timeout=45))
        self.assertTrue(self.server.wait_log("event ran", timeout=40))
        log = self.server.log()
        self.assertIn("Scheduler: Could not find macro with name [Missing]", log)
        self.assertTrue(self.server.wait_log("ExecuteCalcEvent created transaction"))
        self.assertTrue(self.server.wait_log("received completion message"))
        for name in ("macros.xml", "schedule.xml"):
            subprocess.run(["xmllint", "--noout", os.path.join(self.server.dir, "config", name)], check=True)
        # A restart reads back the same macros and events.
        self.assertEqual(self.server.stop(), 0)
        self.server.start()
        self.assertTrue(self.server.wait_log("InitMacroManager: Read 2 macros OK."))
        self.assertIn("InitSchedEventManager: Read 1 scheduled events OK.", self.server.log())
        browser = self.browser()
        self.post(browser, COMMAND="SYSQRYSCHEDEVENTID(1, D, S, T, A, E, M); SYSQRYMACROS(MN, MD);")
        values = self.variables(browser)
        self.assertEqual((values["D"], values["T"], values["M"]), ("Soon", "N", "Missing"))
        self.assertEqual(values["S"], time.strftime("%Y-%m-%d-%H:%M:%S", fire))
        self.assertEqual(values["MN"], ["Mark", "_Startup"])


class UnreachableDevices(ControllerOfDevices):
    """Devices that cannot answer, met through curl: a python3 device answering 500, a port where
    nothing listens, a name that does not resolve. Each run is answered within seconds (not the
    180 s time-out), with the reachable device's values and the unanswered variable as it was."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="hallwarden-unreachable-")
        echo = FakeDevice("echo", cls.folder)
        refusing = FakeDevice("error", cls.folder)
        cls.devices = (echo, refusing)
        closed = FakeDevice("echo", cls.folder)
        closed.stop()  # its port is free again: nothing listens there
        cls.start_controller(((1, "Echo", "127.0.0.1", echo.port), (2, "Refusing", "127.0.0.1", refusing.port),
                              (3, "Closed", "127.0.0.1", closed.port), (4, "Unnamed", "nohost.invalid", 12130)),
                             {"ANSWER.HTM": "N=<%N%>|R=<%R%>\n"})

    def post(self, statement):
        return post_with_curl(self.server, statement)

    def test_every_unreachable_device_answers_at_once(self):
        cases = ((2, "received HTTP response 500"), (3, "has generated error code - 10061"),
                 (4, "has generated error code - 11001"))
        given_up = "pending commands which were marked complete."
        for device, failure in cases:
            with self.subTest(device=device):
                before = self.server.log().count(given_up)
                status, page, seconds = self.post(
                    "SYSNEXTPAGE('answer.htm'); N='old'; R='old'; DEVICECMD(1, 'SvcQryVersion', N, V);"
                    "DEVICECMD(%d, 'SvcQryVersion', R, V);" % device)
                self.assertEqual(status, 200)
                self.assertLess(seconds, 10, "far inside the 180 s time-out")
                self.assertEqual(page.strip(), "N=echo:SvcPgmName|R=old")
                self.assertTrue(self.server.wait_log(failure))
                # The line is written by the device's client thread, which may come after the page's answer.
                self.assertTrue(wait_until(lambda: self.server.log().count(given_up) > before),
                                "the device's commands were given up")
        # A second run to a device that failed fails as fast.
        status, page, seconds = self.post("SYSNEXTPAGE('answer.htm'); R='again'; DEVICECMD(3, 'SvcQryVersion', R, V);")
        self.assertEqual((status, page.strip()), (200, "N=echo:SvcPgmName|R=again"))
        self.assertLess(seconds, 10)


SCHEDULE_WITH_FAULTS = """<?xml version="1.0" encoding="ISO-8859-1"?>
<teventlist>
  <tevent><id>1</id><desc>first</desc><eventdts>2030-01-01T08:00:00</eventdts><rpttype>D</rpttype>
    <rptamount>1</rptamount><rptmask>0</rptmask><commands><seq>1</seq><macro>A</macro></commands></tevent>
  <tevent><id>2</id><desc>lower</desc><eventdts>2030-01-01T09:00:00</eventdts><rpttype>d</rpttype>
    <rptamount>1</rptamount><rptmask>127</rptmask><commands><seq>1</seq><macro>B</macro></commands></tevent>
  <tevent><id>1</id><desc>again</desc><eventdts>2030-01-01T10:00:00</eventdts><rpttype>N</rpttype>
    <rptamount>0</rptamount><rptmask>127</rptmask><commands><seq>1</seq><macro>C</macro></commands></tevent>
</teventlist>
"""


class OperatorFaults(unittest.TestCase):
    """What an operator meets: a schedule file with a repeated id and an entry that cannot run, and
    forms with repetitions that cannot run, all through curl."""

    @classmethod
    def setUpClass(cls):
        def prepare(directory):
            with open(os.path.join(directory, "config", "schedule.xml"), "w") as f:
                f.write(SCHEDULE_WITH_FAULTS)

        cls.server = Hallwarden(PROGRAM, STARTDIR, prepare=prepare).start()

    @classmethod
    def tearDownClass(cls):
        end_server(cls.server)

    def post(self, statement):
        """The status and seconds of a /COMMAND form posted with curl in the test's session."""
        status, _, seconds = post_with_curl(self.server, statement)
        return status, seconds

    def schedule_file(self):
        with open(os.path.join(self.server.dir, "config", "schedule.xml")) as f:
            return f.read()

    def test_schedule_file_faults_are_reported_and_the_file_kept(self):
        log = self.server.log()
        self.assertIn("ReadSchedule: Duplicate event id 1; the first event with that id stays.", log)
        self.assertIn("ReadSchedule: Event 2 has repeat type [d] and weekday mask 127, which cannot run", log)
        self.assertIn("InitSchedEventManager: Read 2 scheduled events OK.", log)
        self.assertEqual(self.schedule_file(), SCHEDULE_WITH_FAULTS, "reading never rewrites the file")

    def test_repetitions_that_cannot_run_are_refused(self):
        before = self.schedule_file()
        status, _ = self.post("SYSADDSCHEDULE('Bad', 2031, 1, 1, 7, 0, 0, 'w', 1, 127, 0, 0, 0, 'NEWID');"
                              "SYSADDSCHEDULE('Bad', 2031, 1, 1, 7, 0, 0, 'W', 1, 128, 0, 0, 0, 'NEWID');"
                              "SYSUPDSCHEDULE(1, 2031, 1, 1, 7, 0, 0, 'h', 1, 127, 0, 0, 0, 'Bad');")
        self.assertEqual(status, 200)
        self.assertTrue(self.server.wait_log("Error -99 when executing statement num 3"))
        log = self.server.log()
        self.assertIn("Error -99 when executing statement num 1", log)
        self.assertIn("Error -99 when executing statement num 2", log)
        self.assertIn("SYSADDSCHEDULE: Repeat type [w] or weekday mask 127 refused", log)
        self.assertEqual(self.schedule_file(), before, "nothing stored, nothing changed")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
