#!/usr/bin/env python3
"""A real browser against Hallwarden: headless Chromium loads the pages of the sample site, follows a
link, submits forms and drives the site's jukebox: a python3 device service standing in for it on
the project's device, then the real jukebox of scripts/demo.sh. Skipped (exit 77) when Chromium or
its driver cannot start here.

Usage: browser_test.py <Hallwarden> <assembled start directory>"""
import json
import os
import random
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from hallwarden import Hallwarden  # noqa: E402

PROGRAM, STARTDIR = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])


def start_browser():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        return None, "python3-selenium is not installed"
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
        options.add_argument(argument)
    for binary in ("/usr/bin/chromium", "/usr/bin/chromium-browser"):
        if os.path.exists(binary):
            options.binary_location = binary
    try:
        return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options), ""
    except Exception as error:  # any failure to start means no browser on this machine
        return None, str(error).splitlines()[0] if str(error) else type(error).__name__


def submit_and_wait(driver, button, page_marker, timeout=20):
    """Clicks a form's button and waits until the answering page, with an element `page_marker`,
    replaced the old one."""
    from selenium.common.exceptions import WebDriverException
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
    from selenium.webdriver.support import expected_conditions
    marker = driver.find_element(By.TAG_NAME, "html")
    driver.find_element(By.ID, button).click()
    # While the page is being replaced the driver may report the old node gone in other words than
    # "stale": asked again, it says stale.
    WebDriverWait(driver, timeout, ignored_exceptions=(WebDriverException,)).until(
        expected_conditions.staleness_of(marker))
    WebDriverWait(driver, timeout).until(lambda d: d.find_elements(By.ID, page_marker))


def end_server(server):
    """Ends the program through its normal shutdown, which must be clean, and removes its folder."""
    try:
        assert server.stop() == 0, server.errors()
    finally:
        server.cleanup()


def move_jukebox(directory, port):
    """The sample project as shipped, its jukebox's port moved to `port`."""
    path = os.path.join(directory, "config", "project.xml")
    with open(path) as f:
        project = f.read()
    with open(path, "w") as f:
        f.write(re.sub(r"<SVCPORT>\d+</SVCPORT>", "<SVCPORT>%d</SVCPORT>" % port, project))


class Browser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The sample project as shipped, its jukebox's port moved to the stand-in device.
        cls.record = os.path.join(tempfile.mkdtemp(prefix="hallwarden-jukebox-"), "requests.jsonl")
        here = os.path.dirname(os.path.abspath(__file__))
        cls.device = subprocess.Popen([sys.executable, os.path.join(here, "fake_device.py"), "echo", cls.record],
                                      stdout=subprocess.PIPE, text=True)
        port = int(cls.device.stdout.readline())

        cls.server = Hallwarden(PROGRAM, STARTDIR, prepare=lambda d: move_jukebox(d, port)).start()
        cls.base = "http://127.0.0.1:%d" % cls.server.port

    @classmethod
    def tearDownClass(cls):
        try:
            end_server(cls.server)
        finally:
            cls.device.terminate()
            cls.device.wait()

    def jukebox_actions(self):
        """The actions the stand-in jukebox received, with their input values, in order."""
        if not os.path.exists(self.record):
            return []
        actions = []
        with open(self.record) as f:
            for line in f:
                for action in re.findall(r"<action>(.*?)</action>", json.loads(line)["body"], re.S):
                    name = re.search(r"<actionName>(.*?)</actionName>", action).group(1)
                    actions.append((name, re.findall(r"<value>(.*?)</value>", action)))
        return actions

    def submit_and_wait(self, old_page_marker, button="send"):
        submit_and_wait(self.driver, button, old_page_marker)

    def text(self, element_id):
        from selenium.webdriver.common.by import By
        return self.driver.find_element(By.ID, element_id).text

    def test_pages_links_and_forms(self):
        from selenium.webdriver.common.by import By
        self.driver.get(self.base + "/")
        self.assertIn("Your session has started.", self.driver.page_source)
        from selenium.webdriver.support.ui import WebDriverWait
        self.driver.find_element(By.ID, "start").click()
        WebDriverWait(self.driver, 20).until(lambda d: d.find_elements(By.ID, "cur"))
        self.assertEqual(self.text("cur"), "DEFAULT.HTM")
        # The pages name their icon, so no request for /favicon.ico renders the default page between.
        self.assertEqual(self.text("prev"), "NEWSESSION.HTM")
        self.assertNotIn("GET /favicon.ico", self.server.log())
        self.assertEqual(self.text("zone"), "", "a missing name shows nothing")
        # Without zones the list shows no entry and links nowhere.
        self.assertEqual([li for li in self.driver.find_elements(By.CSS_SELECTOR, "#zones li") if li.is_displayed()], [])
        self.assertEqual(self.driver.find_elements(By.CSS_SELECTOR, "#zones a"), [])
        # The style sheet and the picture came from their folders.
        color = self.driver.execute_script("return getComputedStyle(document.body).backgroundColor")
        self.assertEqual(color, "rgb(244, 241, 234)")
        width = self.driver.execute_script("return document.images[0].naturalWidth")
        self.assertEqual(width, 1)
        self.submit_and_wait("cur")
        self.assertIn("/COMMAND", self.driver.current_url)
        # The sample form's statement names the next page as written.
        self.assertEqual(self.text("cur"), "Default.htm")
        self.assertEqual(self.text("prev"), "DEFAULT.HTM")
        # A form that posts statements; the page that answers shows the new values.
        field = self.driver.find_element(By.ID, "statement")
        field.clear()
        field.send_keys("ZONE='Main Hall'; ZONES[0]='Bar'; ZONES[1]='Patio & Garden'; SYSNEXTPAGE('Default.htm');")
        self.submit_and_wait("zone")
        self.assertEqual(self.text("zone"), "Main Hall")
        self.assertEqual(self.text("first"), "Bar")
        items = self.driver.find_elements(By.CSS_SELECTOR, "#zones li")
        self.assertEqual([item.text for item in items], ["Bar", "Patio & Garden"])
        self.driver.get(self.base + "/DEBUG")
        self.assertIn("SYSCURPAGE", self.driver.page_source)
        self.assertIn("Patio &amp; Garden", self.driver.page_source.replace("&amp;amp;", "&amp;"))

    def test_the_jukebox_buttons_drive_the_jukebox(self):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import WebDriverWait
        self.driver.get(self.base + "/USER/DEFAULT.HTM")
        if self.driver.find_elements(By.ID, "start"):
            self.driver.find_element(By.ID, "start").click()
            WebDriverWait(self.driver, 20).until(lambda d: d.find_elements(By.ID, "askversion"))
        self.submit_and_wait("program", "askversion")
        self.assertEqual(self.text("program"), "echo:SvcPgmName")
        self.assertEqual(self.text("version"), "echo:SvcPgmVersion")
        for button in ("playgenre", "playpause", "stop", "next", "volume"):
            self.submit_and_wait("program", button)
            self.assertEqual(self.text("cur"), "DEFAULT.HTM")
        self.assertEqual(self.jukebox_actions(), [("SvcQryVersion", []), ("SongLoadByGenre", ["Jazz", "N"]),
                                                  ("XportPlayPause", []), ("XportStop", []), ("XportNext", []),
                                                  ("SetVolumeAbsolute", ["50"])])
        # Every action the page offers is one the jukebox's definition lists: none was refused.
        self.assertNotIn("when executing statement", self.server.log())


def free_control_port():
    """A free port the jukebox's options accept (1 to 32767)."""
    for port in range(random.randint(20000, 32000), 32768):
        with socket.socket() as s:
            try:
                s.bind(("127.0.0.1", port))
            except OSError:
                continue
            return port
    raise RuntimeError("no free port below 32768")


class DemoJukebox(unittest.TestCase):
    """The sample site as shipped against the real jukebox of scripts/demo.sh (its demo library, the
    null sound device): every button of the jukebox's form is an action the jukebox carries out."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="hallwarden-demo-")
        cls.jukebox_port = free_control_port()
        source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        environment = dict(os.environ, QH_SKIP_SETUP="1", QH_SKIP_BUILD="1",
                           QH_BUILD_DIR=os.path.dirname(STARTDIR))
        environment.pop("QH_DISPLAY", None)
        cls.output = open(os.path.join(cls.work, "demo.out"), "w+")
        cls.jukebox = subprocess.Popen(["bash", os.path.join(source, "scripts", "demo.sh"), "--dir",
                                        os.path.join(cls.work, "demo"), "--port", str(cls.jukebox_port)],
                                       env=environment, stdout=cls.output, stderr=subprocess.STDOUT,
                                       start_new_session=True)
        cls.server = None
        try:
            cls.wait_for_jukebox()

            def demo_project(directory):
                # The jukebox runs already (started by demo.sh): the controller does not start another.
                os.remove(os.path.join(directory, "Tonebarn"))
                move_jukebox(directory, cls.jukebox_port)

            cls.server = Hallwarden(PROGRAM, STARTDIR, prepare=demo_project).start()
        except Exception:
            cls.end_jukebox()
            raise
        cls.base = "http://127.0.0.1:%d" % cls.server.port

    @classmethod
    def wait_for_jukebox(cls, timeout=180):
        """Waits, bounded, until the jukebox's first zone carries out an action (the library is made
        first, the zones come up after the control port)."""
        ready = ("<actionList><action><actionName>SetShuffleOff</actionName><transID>1</transID>"
                 "<actionID>1</actionID><subDevice>0</subDevice></action></actionList>").encode()
        deadline = time.time() + timeout
        while time.time() < deadline:
            if cls.jukebox.poll() is not None:
                raise RuntimeError("the demo jukebox ended: %s" % cls.demo_output())
            request = urllib.request.Request("http://127.0.0.1:%d/control" % cls.jukebox_port, data=ready,
                                             headers={"Content-Type": "text/xml"})
            try:
                with urllib.request.urlopen(request, timeout=10) as answer:
                    if b"<actionReturnCode>0</actionReturnCode>" in answer.read():
                        return
            except OSError:
                pass
            time.sleep(0.2)
        raise RuntimeError("the demo jukebox does not answer on %d: %s" % (cls.jukebox_port, cls.demo_output()))

    @classmethod
    def demo_output(cls):
        cls.output.flush()
        cls.output.seek(0)
        return cls.output.read()[-3000:]

    @classmethod
    def end_jukebox(cls):
        try:
            if cls.jukebox.poll() is None:
                os.killpg(cls.jukebox.pid, signal.SIGTERM)
                try:
                    cls.jukebox.wait(60)
                except subprocess.TimeoutExpired:
                    os.killpg(cls.jukebox.pid, signal.SIGKILL)
                    cls.jukebox.wait()
        finally:
            cls.output.close()
            shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def tearDownClass(cls):
        try:
            end_server(cls.server)
        finally:
            cls.end_jukebox()

    def press(self, button):
        # The jukebox of a loaded machine may take its time: a longer bound than the stand-in's.
        submit_and_wait(self.driver, button, "program", timeout=60)

    def test_the_jukebox_buttons_drive_the_demo_jukebox(self):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import WebDriverWait
        self.driver.get(self.base + "/")
        self.driver.find_element(By.ID, "start").click()
        WebDriverWait(self.driver, 20).until(lambda d: d.find_elements(By.ID, "askversion"))
        self.press("askversion")
        self.assertEqual(self.driver.find_element(By.ID, "program").text, "tonebarn.exe")
        self.assertRegex(self.driver.find_element(By.ID, "version").text, r"^\d+\.\d+\.\d+$")
        # A jukebox plays, pauses and skips only with songs loaded: the genre's songs come first.
        buttons = ("playgenre", "playpause", "playpause", "next", "stop", "volume")
        for button in buttons:
            self.press(button)
        # Every action reached the jukebox, which carried it out (return code 0) within its run.
        self.assertTrue(self.server.wait_log("Return Code", timeout=5))
        codes = re.findall(r"received completion message for action \d+\. Return Code: (-?\d+)", self.server.log())
        self.assertEqual(codes, ["0"] * (1 + len(buttons)), self.server.log())
        log = self.server.log()
        self.assertNotIn("when executing statement", log)
        self.assertNotIn("pending commands which were marked complete", log, "no run ended without its answer")
        self.assertNotIn("gave up", log)


if __name__ == "__main__":
    # Debian's selenium belongs to the system's python3, which may not be the first on PATH.
    try:
        import selenium  # noqa: F401
    except ImportError:
        if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != "/usr/bin/python3" \
                and not os.environ.get("QH_BROWSER_TEST_REEXEC"):
            os.environ["QH_BROWSER_TEST_REEXEC"] = "1"
            os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    driver, why = start_browser()
    if driver is None:
        print("skipped: no headless browser (%s)" % why)
        sys.exit(77)
    Browser.driver = driver
    DemoJukebox.driver = driver
    try:
        result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    finally:
        driver.quit()
    sys.exit(0 if result.wasSuccessful() else 1)
