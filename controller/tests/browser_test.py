#!/usr/bin/env python3
"""A real browser against Hallwarden: headless Chromium loads a page of the sample site, follows a
link and submits a form. Skipped (exit 77) when Chromium or its driver cannot start here.

Usage: browser_test.py <Hallwarden> <assembled start directory>"""
import os
import sys
import unittest

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


class Browser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Hallwarden(PROGRAM, STARTDIR).start()
        cls.base = "http://127.0.0.1:%d" % cls.server.port

    @classmethod
    def tearDownClass(cls):
        try:
            cls.driver.quit()
            assert cls.server.stop() == 0, cls.server.errors()
        finally:
            cls.server.cleanup()

    def submit_and_wait(self, old_page_marker):
        """Clicks Send and waits until the answering page replaced the old one."""
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import WebDriverWait
        from selenium.webdriver.support import expected_conditions
        marker = self.driver.find_element(By.TAG_NAME, "html")
        self.driver.find_element(By.ID, "send").click()
        WebDriverWait(self.driver, 20).until(expected_conditions.staleness_of(marker))
        WebDriverWait(self.driver, 20).until(lambda d: d.find_elements(By.ID, old_page_marker))

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
        # The browser's own request for /favicon.ico is answered with the default page too, so the page
        # before this one is the new-session page or that default page.
        self.assertIn(self.text("prev"), ("NEWSESSION.HTM", "DEFAULT.HTM"))
        self.assertEqual(self.text("zone"), "", "a missing name shows nothing")
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
        field = self.driver.find_element(By.NAME, "COMMAND")
        field.clear()
        field.send_keys("ZONE='Main Hall'; ZONES[0]='Bar'; ZONES[1]='Patio & Garden'; SYSNEXTPAGE('Default.htm');")
        self.submit_and_wait("zone")
        self.assertEqual(self.text("zone"), "Main Hall")
        self.assertEqual(self.text("first"), "Bar")
        items = self.driver.find_elements(By.CSS_SELECTOR, "#zones li")
        self.assertEqual([item.text for item in items], ["Bar (open)", "Patio & Garden (open)"])
        links = [a.get_attribute("href") for a in self.driver.find_elements(By.CSS_SELECTOR, "#zones a")]
        self.assertTrue(links[1].endswith("/USER/zone.htm?name=Patio%20%26%20Garden"), links)
        self.driver.get(self.base + "/DEBUG")
        self.assertIn("SYSCURPAGE", self.driver.page_source)
        self.assertIn("Patio &amp; Garden", self.driver.page_source.replace("&amp;amp;", "&amp;"))


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
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
