#!/usr/bin/python3
"""The web page in headless Chromium, programming the simulated controller.

The page is served by web/sim/serve.py, which hands it a stand-in serial port
joined to a k5-sim on a pseudo-terminal; the page's engine talks to the same
simulated controller as the desktop tests. Needs build-web/site and k5-sim."""

import gettext
import hashlib
import io
import json
import os
import pathlib
import shutil
import socket
import subprocess
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

ROOT = pathlib.Path(__file__).resolve().parents[2]
SITE = pathlib.Path(os.environ.get("K5_SITE", ROOT / "build-web" / "site"))
BIN = pathlib.Path(os.environ.get("K5_BIN", ROOT / "build" / "bin"))
SIM = BIN / "k5-sim"
SERVE = ROOT / "web" / "sim" / "serve.py"
# Offered packs served under names that are percent-encoded in their URLs, one of them wrongly.
ENCODED_NAMES = ("K5%20firmware.Pack", "K5%E0%A4%A.Pack")
# Chrome on an Android phone.
PHONE_AGENT = ("Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
               "Chrome/156.0.0.0 Mobile Safari/537.36")
# Makes the page's reading of files and its fetches take `arguments[0]` ms longer.
SLOW_PACKS = """
  const later = (work) => new Promise((resolve) => setTimeout(resolve, arguments[0])).then(work);
  const fetchNow = window.fetch;
  window.fetch = (...args) => later(() => fetchNow(...args));
  const readNow = Blob.prototype.arrayBuffer;
  Blob.prototype.arrayBuffer = function () { return later(() => readNow.call(this)); };"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(what, limit, step=0.05):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        value = what()
        if value:
            return value
        time.sleep(step)
    return what()


class Page:
    """One headless Chromium on the served page."""

    def __init__(self, url, downloads):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1000,1300"):
            options.add_argument(flag)
        options.add_experimental_option("prefs", {"download.default_directory": str(downloads),
                                                  "download.prompt_for_download": False})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": str(downloads)})
        self.url = url
        self.injected = None
        self.agent = self.driver.execute_script("return navigator.userAgent")

    def emulate_phone(self, width=412, height=915, scale=2.625):
        """A phone's screen (CSS px, `scale` device px each), touch and Android Chrome's user agent."""
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": scale, "mobile": True,
            "screenOrientation": {"type": "portraitPrimary" if height > width else "landscapePrimary",
                                  "angle": 0 if height > width else 90}})
        self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
        self.driver.execute_cdp_cmd("Emulation.setUserAgentOverride", {"userAgent": PHONE_AGENT, "platform": "Linux armv8l"})

    def emulate_desktop(self):
        """Back to the desktop's screen, mouse and user agent."""
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})
        self.driver.execute_cdp_cmd("Emulation.setUserAgentOverride", {"userAgent": self.agent})

    def open(self, before_load=""):
        """Loads the page, `before_load` run before its own scripts; waits until its engine is ready."""
        if self.injected:
            self.driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": self.injected})
            self.injected = None
        if before_load:
            self.injected = self.driver.execute_cdp_cmd(
                "Page.addScriptToEvaluateOnNewDocument", {"source": before_load})["identifier"]
        self.driver.get(self.url)

    def ready(self, limit=30):
        return wait_until(lambda: self.js("return !!(window.k5Page && k5Page.engineReady)"), limit)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def by_id(self, name):
        return self.driver.find_element(By.ID, name)

    def text(self, name):
        return self.by_id(name).text

    def read_pack(self, path):
        self.by_id("read-pack").send_keys(str(path))

    def log(self):
        return self.js("return k5Page.log.slice()")

    def wait_outcome(self, limit):
        return wait_until(lambda: self.js("return k5Page.lastResult"), limit, 0.02)

    def quit(self):
        self.driver.quit()


class PageCase(unittest.TestCase):
    """A served site, one browser and a k5-sim per case: what the page's tests share."""

    @classmethod
    def setUpClass(cls):
        cls.work = pathlib.Path(tempfile.mkdtemp(prefix="k5-web-test-"))
        cls.link = cls.work / "k5-sim.tty"
        cls.downloads = cls.work / "downloads"
        cls.downloads.mkdir()
        cls.packs = {}
        port = free_port()
        cls.offered = cls.work / "packs.json"
        cls.offline = cls.work / "offline"  # while it exists, the server serves no file
        cls.server = subprocess.Popen(
            ["/usr/bin/python3", str(SERVE), "--site", str(SITE), "--port", str(port),
             "--sim", str(cls.link), "--offline", str(cls.offline), "--extra", f"packs.json={cls.offered}",
             *(f"--extra={name}={cls.work / 'offered.Pack'}" for name in ("offered.Pack", *ENCODED_NAMES))],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        assert "serving" in cls.server.stdout.readline()
        cls.page = Page(f"http://localhost:{port}/", cls.downloads)
        cls.expected_errors = ["packs.json"]  # what the console may report: a test's missing files

    @classmethod
    def tearDownClass(cls):
        # The page broke no rule of its content security policy and threw nothing.
        problems = [entry["message"] for entry in cls.page.driver.get_log("browser")
                    if entry["level"] == "SEVERE"
                    and not any(expected in entry["message"] for expected in cls.expected_errors)]
        cls.page.quit()
        cls.server.terminate()
        cls.server.wait()
        shutil.rmtree(cls.work, ignore_errors=True)
        assert not problems, problems

    def setUp(self):
        self.sim = None

    def tearDown(self):
        if self.sim and self.sim.poll() is None:
            self.sim.kill()
            self.sim.wait()

    # ---- helpers
    def make_pack(self, name, length, *extra, version=308):
        image = self.work / f"{name}.bin"
        image.write_bytes(os.urandom(length))
        pack = self.work / f"{name}.Pack"
        subprocess.run([str(SIM), "mkpack", "--out", str(pack), "--image", str(image), "--version", str(version),
                        *extra], check=True, stdout=subprocess.DEVNULL)
        return pack, image

    def start_sim(self, pack, *options):
        if self.link.exists():
            self.link.unlink()
        self.received = self.work / "received.bin"
        if self.received.exists():
            self.received.unlink()
        self.sim = subprocess.Popen(
            [str(SIM), "--link", str(self.link), "--pack", str(pack), "--dump", str(self.received), "--once",
             "--idle-exit", "20", *options],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertTrue(wait_until(self.link.exists, 5), "k5-sim did not start")

    def open_page(self, options=None, before=""):
        script = before + (f"window.k5SimOptions = {json.dumps(options)};" if options else "")
        self.page.open(script)
        self.assertTrue(self.page.ready(), "the page's engine did not start")

    def ready_to_program(self, pack, *sim_options, page_options=None):
        """A k5-sim with `sim_options` behind the port, the page with `pack` read and the port chosen."""
        self.start_sim(pack, *sim_options)
        self.open_page(page_options)
        self.page.read_pack(pack)
        self.assertTrue(wait_until(lambda: self.page.text("pack-name") == pack.name, 5))
        self.choose_port()

    def choose_port(self):
        self.page.by_id("choose-port").click()
        wait_until(lambda: "USB" in self.page.text("port-line"), 5)

    def program(self, limit=90, fast=False, speed="0"):
        self.page.js("document.getElementById('fast').checked = arguments[0];"
                     "document.getElementById('speed').value = arguments[1];", fast, speed)
        self.page.by_id("program").click()
        return self.page.wait_outcome(limit)


class WebPageTest(PageCase):
    def test_a_whole_update_from_a_bootloader_arrives_byte_for_byte(self):
        pack, image = self.make_pack("whole", 20000)
        self.start_sim(pack)
        self.open_page()
        # Isolated by its own service worker (the server sends no such headers), nothing from elsewhere.
        self.assertTrue(self.page.js("return crossOriginIsolated && !!navigator.serviceWorker.controller"))
        self.assertEqual(self.page.js("return performance.getEntriesByType('resource').map(e => e.name)"
                                      ".filter(n => !n.startsWith(location.origin))"), [])
        self.page.read_pack(pack)
        wait_until(lambda: self.page.text("pack-version") == "308", 5)
        self.assertEqual(self.page.text("pack-kind"), "Software + Settings")
        self.choose_port()
        self.assertEqual(self.page.text("port-line"), "CH340 (USB 1a86:7523)")
        result = self.program()
        self.assertEqual(result["name"], "programmed", self.page.log())
        self.assertEqual(self.page.text("outcome-title"), "Done: the controller is updated")
        self.assertIn("Program sucessully", self.page.log())
        self.assertEqual(self.sim.wait(10), 0)
        self.assertEqual(self.received.read_bytes(), image.read_bytes())
        self.assertFalse(self.page.js("return k5Sim.isOpen"), "the port was left open")
        # The report names the adapter, the speed, the mode and the outcome.
        self.page.by_id("copy-report").click()
        report = wait_until(lambda: self.page.js("return window.k5LastReport || ''"), 5)
        for part in ("1a86:7523", "Speed used: 38400 baud", "Mode: standard", "Outcome: Program sucessully",
                     "  MCU Identified"):
            self.assertIn(part, report)

    def test_running_firmware_is_restarted_into_the_bootloader(self):
        pack, image = self.make_pack("restart", 4096)
        self.ready_to_program(pack, "--firmware")
        result = self.program()
        self.assertEqual(result["name"], "programmed", self.page.log())
        self.assertIn("MCU Restarting...", self.page.log())
        self.assertIn(9600, self.page.js("return k5Sim.bauds"))
        self.assertEqual(self.sim.wait(10), 0)
        self.assertEqual(self.received.read_bytes(), image.read_bytes())

    def test_a_damaged_pack_is_refused_where_program_is_and_turns_it_off(self):
        good, _ = self.make_pack("good", 4096)
        bad, _ = self.make_pack("bad", 4096, "--bad-sum")
        # A 1366x768 screen less the browser's bars: with a pack and a port chosen, Program is in view.
        self.page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                         {"width": 1366, "height": 657, "deviceScaleFactor": 1, "mobile": False})
        try:
            self.ready_to_program(good)
            self.assertTrue(self.page.js("const r = document.getElementById('program').getBoundingClientRect();"
                                         "return r.top >= 0 && r.bottom <= innerHeight && scrollY === 0"))
            self.page.read_pack(bad)
            problem = wait_until(lambda: self.page.text("pack-problem"), 5)
        finally:
            self.page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.assertIn("Pack file was briken", problem)
        self.assertEqual(self.page.text("pack-name"), "good.Pack")
        self.assertTrue(any("bad.Pack was not read: Pack file was briken: " in line for line in self.page.log()))
        self.assertIn("Pack file was briken", self.page.text("outcome-detail"), "said beside Program too")
        self.assertFalse(self.page.by_id("program").is_enabled(), "the pack in use is gone")

    def test_a_foreign_pack_is_asked_about(self):
        foreign, _ = self.make_pack("foreign", 4096, "--product", "30003")
        self.open_page()
        self.page.read_pack(foreign)
        wait_until(lambda: self.page.by_id("foreign-dialog").is_displayed(), 5)
        self.assertEqual(self.page.text("foreign-title"), "Pack Eror")
        self.page.by_id("foreign-cancel").click()
        time.sleep(0.2)
        self.assertEqual(self.page.text("pack-name"), "No pack read yet.")
        self.page.read_pack(foreign)
        wait_until(lambda: self.page.by_id("foreign-dialog").is_displayed(), 5)
        self.page.by_id("foreign-use").click()
        self.assertTrue(wait_until(lambda: self.page.text("pack-name") == "foreign.Pack", 5))

    def test_read_pack_reads_one_record_of_a_huge_file_and_shows_a_read_error(self):
        # A pack of 3 GB, as the desktop program reads it: its first record.
        huge, _ = self.make_pack("huge", 4096)
        os.truncate(huge, 3 << 30)  # sparse: no disk used
        self.open_page()
        self.page.read_pack(huge)
        self.assertTrue(wait_until(lambda: self.page.text("pack-name") == "huge.Pack", 5), self.page.log())
        vanishing, _ = self.make_pack("vanishing", 4096)
        self.page.js(SLOW_PACKS, 1000)
        self.page.read_pack(vanishing)
        vanishing.unlink()
        problem = wait_until(lambda: self.page.text("pack-problem").startswith("vanishing.Pack could not be read: "), 5)
        self.assertTrue(problem, self.page.text("pack-problem"))

    def test_no_update_starts_while_a_pack_is_on_its_way(self):
        # An update started while a pack was on its way sent the pack in use and named the new one.
        offered, _ = self.make_pack("offered", 4096, version=309)
        self.offered.write_text(json.dumps([{"name": "K5 firmware", "version": 309,
                                             "sha256": hashlib.sha256(offered.read_bytes()).hexdigest(),
                                             "url": "offered.Pack"}]))
        first, _ = self.make_pack("first", 4096)
        try:
            self.open_page()
            use = wait_until(lambda: self.page.driver.find_elements(By.CSS_SELECTOR, "#offered-list button"), 5)[0]
            self.page.read_pack(first)
            self.choose_port()
            self.assertTrue(wait_until(lambda: self.page.by_id("program").is_enabled(), 5))
            self.page.js(SLOW_PACKS, 2000)
            for take, name in ((use.click, "offered.Pack"), (lambda: self.page.read_pack(first), "first.Pack")):
                take()
                time.sleep(0.3)
                self.page.by_id("program").click()
                self.assertFalse(self.page.js("return k5Page.running"), f"an update started before {name} was in use")
                self.assertTrue(wait_until(lambda: self.page.text("pack-name") == name, 5))
                self.assertTrue(wait_until(lambda: self.page.by_id("program").is_enabled(), 1))
            self.assertIsNone(self.page.js("return k5Page.lastResult"))
        finally:
            self.offered.unlink()

    def test_a_cancelled_picker_opens_the_help(self):
        self.open_page({"cancel": True})
        self.page.by_id("choose-port").click()
        self.assertTrue(wait_until(lambda: self.page.js("return document.getElementById('help').open"), 5))
        self.assertIn("dialout", self.page.text("help"))
        self.assertEqual(self.page.text("port-line"), "No port was chosen: the help below says what to check.")

    def test_a_cable_pulled_mid_image_ends_the_update_within_a_second(self):
        pack, _ = self.make_pack("pulled", 20000)
        self.ready_to_program(pack, "--unplug-after", "12000")
        self.program(limit=0)
        self.assertTrue(wait_until(lambda: self.sim.poll() is not None, 60), "k5-sim never pulled its cable")
        pulled = time.monotonic()
        result = self.page.wait_outcome(5)
        ended = time.monotonic() - pulled
        self.assertLess(ended, 1.0)
        self.assertEqual(result["name"], "transfer-fail", self.page.log())
        self.assertEqual(self.page.text("outcome-detail"), "The port went away: is the cable still plugged in?")
        self.assertFalse(self.page.js("return k5Sim.isOpen"), "the port was left open")
        self.assertFalse(self.page.js("return k5Page.running"))

    def test_line_errors_lose_no_update(self):
        # A garbled byte errors the port's stream and the port gives a new one: the device is still there.
        pack, image = self.make_pack("garbled", 8192)
        self.ready_to_program(pack)
        self.program(limit=0)
        self.assertTrue(wait_until(lambda: self.page.js("return document.getElementById('progress').value > 1000"), 30))
        for name in ("FramingError", "ParityError", "BreakError", "BufferOverrunError"):
            self.page.js("k5Sim.lineError(arguments[0])", name)
            time.sleep(0.1)
        result = self.page.wait_outcome(60)
        self.assertEqual(result["name"], "programmed", self.page.log())
        self.assertEqual(self.sim.wait(10), 0)
        self.assertEqual(self.received.read_bytes(), image.read_bytes())

    def test_stop_ends_the_update_with_the_port_closed(self):
        pack, _ = self.make_pack("stopped", 20000)
        self.ready_to_program(pack)
        self.program(limit=0)
        self.assertTrue(wait_until(lambda: self.page.js("return document.getElementById('progress').value > 2000"), 30))
        self.page.by_id("stop").click()
        result = self.page.wait_outcome(3)
        self.assertEqual(result["name"], "stopped", self.page.log())
        self.assertEqual(self.page.text("outcome-title"), "Stopped")
        self.assertFalse(self.page.js("return k5Sim.isOpen"), "the port was left open")

    def test_stop_ends_a_slow_open_at_once(self):
        pack, _ = self.make_pack("slow-open", 4096)
        self.ready_to_program(pack, page_options={"openDelay": 4000})
        self.program(limit=0)
        time.sleep(0.5)
        self.page.by_id("stop").click()
        stopped = time.monotonic()
        result = self.page.wait_outcome(5)
        self.assertLess(time.monotonic() - stopped, 1.0)
        self.assertEqual(result["name"], "stopped", self.page.log())
        # The port the browser opened late is closed in turn.
        self.assertTrue(wait_until(lambda: self.page.js("return k5Sim.opens === 1 && !k5Sim.isOpen"), 8))

    def test_without_web_serial_the_page_says_which_browsers_work(self):
        self.page.open("delete Navigator.prototype.serial; delete Navigator.prototype.usb;"
                       " window.k5SimOptions = {absent: true};")
        message = wait_until(lambda: self.page.text("unsupported"), 10)
        for browser in ("Chrome, Edge, Opera", "Firefox"):
            self.assertIn(browser, message)
        self.assertIn("nothing else needs to be installed", message)
        self.assertFalse(self.page.by_id("tool").is_displayed())

    def test_fast_mode_finds_a_bootloader_at_115200_and_its_trace_replays(self):
        pack, image = self.make_pack("fast", 8192)
        self.ready_to_program(pack, "--bootloader-baud", "115200")
        result = self.program(fast=True, speed="auto")
        self.assertEqual(result["name"], "programmed", self.page.log())
        self.assertEqual(result["lineBaud"], 115200)
        self.assertIn("Line speed: 115200 baud", self.page.log())
        self.assertEqual(self.sim.wait(10), 0)
        self.assertEqual(self.received.read_bytes(), image.read_bytes())
        # The trace, downloaded, replays to the same outcome.
        trace = self.downloads / "k5-iap-trace.txt"
        if trace.exists():
            trace.unlink()
        self.page.by_id("save-trace").click()
        self.assertTrue(wait_until(trace.exists, 10), "no trace was downloaded")
        self.assertTrue(trace.read_text().startswith("# k5-iap wire trace:"))
        if self.link.exists():
            self.link.unlink()
        self.sim = subprocess.Popen([str(SIM), "--replay", str(trace), "--link", str(self.link)],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertTrue(wait_until(self.link.exists, 5))
        replayed = subprocess.run(
            [str(BIN / "k5-iap"), "program", "--port", str(self.link), "--fast", "--speed", "auto", str(pack)],
            capture_output=True, text=True, timeout=120)
        self.assertEqual(replayed.returncode, 0, replayed.stdout + replayed.stderr)

    def test_an_offered_pack_with_a_wrong_checksum_is_refused(self):
        pack, _ = self.make_pack("vendor", 4096)
        shutil.copy(pack, self.work / "offered.Pack")
        digest = hashlib.sha256(pack.read_bytes()).hexdigest()
        wrong = digest[:-1] + ("0" if digest[-1] != "0" else "1")
        self.offered.write_text(json.dumps([{"name": "K5 firmware", "version": 308, "kind": "Software Only",
                                             "sha256": wrong, "url": "offered.Pack"}]))
        try:
            self.open_page()
            button = wait_until(lambda: self.page.driver.find_elements(By.CSS_SELECTOR, "#offered-list button"), 5)
            button[0].click()
            problem = wait_until(lambda: self.page.text("pack-problem"), 5)
            self.assertIn("does not match the SHA-256 checksum", problem)
            self.assertEqual(self.page.text("pack-name"), "No pack read yet.")
            # With the right checksum it is used.
            self.offered.write_text(self.offered.read_text().replace(wrong, digest))
            self.open_page()
            wait_until(lambda: self.page.driver.find_elements(By.CSS_SELECTOR, "#offered-list button"), 5)[0].click()
            self.assertTrue(wait_until(lambda: self.page.text("pack-version") == "308", 5))
        finally:
            self.offered.unlink()

    def test_bad_entries_of_packs_json_are_left_out_and_names_are_decoded(self):
        pack, _ = self.make_pack("offered", 4096)
        entry = {"name": "K5 firmware", "version": 308, "sha256": hashlib.sha256(pack.read_bytes()).hexdigest()}
        try:
            self.offered.write_text("null")
            self.open_page()
            self.assertTrue(wait_until(lambda: any("is not a list" in line for line in self.page.log()), 5))
            self.offered.write_text(json.dumps([None, {**entry, "url": "http://["},
                                                *({**entry, "url": name} for name in ENCODED_NAMES)]))
            self.open_page()
            buttons = wait_until(lambda: self.page.driver.find_elements(By.CSS_SELECTOR, "#offered-list button"), 5)
            self.assertEqual(len(buttons), 2)
            self.assertEqual([line[:8] for line in self.page.log() if "was left out" in line], ["Entry 1 ", "Entry 2 "])
            for button, name in zip(buttons, ("K5 firmware.Pack", ENCODED_NAMES[1])):
                self.assertTrue(wait_until(button.is_enabled, 5))
                button.click()
                self.assertTrue(wait_until(lambda: self.page.text("pack-name") == name, 5), self.page.text("pack-name"))
        finally:
            self.offered.unlink()

    def test_every_language_shows_the_pages_texts_and_they_fit_a_phone_and_a_laptop(self):
        """Each language of the site and the pseudo-language (every text longer): the page's texts and the
        engine's in it, nothing wider than a small phone or a laptop's window; English as it always was."""
        damaged, _ = self.make_pack("damaged", 4096, "--bad-sum")
        languages = [entry["code"] for entry in json.loads((SITE / "locale" / "languages.json").read_text())]
        self.assertEqual(languages[0], "en")
        wider = ("return [...document.querySelectorAll('body *')].filter(e => e.getClientRects().length &&"
                 " e.getBoundingClientRect().right > innerWidth + 0.5).map(e => e.id || e.tagName)")
        try:
            for code in languages + ["pseudo"]:
                catalogue = gettext.NullTranslations() if code == "en" else \
                    gettext.GNUTranslations(io.BytesIO((SITE / "locale" / f"{code}.mo").read_bytes()))
                tr = catalogue.gettext
                with self.subTest(language=code):
                    self.open_page(before=f"localStorage.setItem('k5-language', '{code}');")
                    self.assertEqual(self.page.js("return document.documentElement.lang"),
                                     {"en": "en", "pseudo": "en"}.get(code, code.replace("_", "-")))
                    self.assertEqual(self.page.js("return document.title"), tr("K5 IAP Tool — update a K5 controller"))
                    shown = "return document.getElementById(arguments[0]).textContent"
                    self.assertEqual(self.page.js(shown, "program"), tr("Program"))
                    self.assertEqual(self.page.js(shown, "pack-name"), tr("No pack read yet."))
                    self.assertEqual(self.page.js("return document.getElementById('language').value"),
                                     "" if code == "pseudo" else code, "the pseudo-language is not offered")
                    self.page.read_pack(damaged)
                    problem = wait_until(lambda: self.page.js(shown, "pack-problem"), 5)
                    self.assertEqual(problem, tr("Error") + ": " + tr("Pack file was briken") + ": " +
                                     tr("the image's byte sum does not match the header's; the image is damaged"))
                    self.page.js("document.getElementById('help').open = true")
                    for width in (1000, 320):
                        self.page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                            "width": width, "height": 800, "deviceScaleFactor": 1, "mobile": width < 400})
                        self.assertEqual(self.page.js(wider), [], f"{width} px wide")
                    self.page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
                    if code == "en":
                        self.assertIn("(sudo usermod -aG dialout $USER, then log out and in)", self.page.text("help"))
        finally:
            self.page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
            self.page.js("localStorage.removeItem('k5-language')")

    def test_the_isolation_worker_leaves_a_site_whose_page_is_gone(self):
        # Two copies of the site, each on an origin of its own (Chromium keeps a tab from registering a
        # worker again on an origin where one was unregistered): one loses its worker's script, one its page.
        sites = self.work / "retired"
        for copy in ("script-gone", "page-gone"):
            shutil.copytree(SITE, sites / copy)
        port = free_port()
        server = subprocess.Popen(["/usr/bin/python3", str(SERVE), "--site", str(sites), "--port", str(port)],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.expected_errors.append(f":{port}/")  # the files taken away
        try:
            self.assertIn("serving", server.stdout.readline())
            for host, copy, removed in (("127.0.0.1", "script-gone", "isolation-sw.js"),
                                        ("localhost", "page-gone", "index.html")):
                url = f"http://{host}:{port}/{copy}/index.html"
                self.page.driver.get(url)
                self.assertTrue(wait_until(lambda: self.page.js("return crossOriginIsolated"), 30))
                (sites / copy / removed).unlink()
                self.page.driver.get(url)
                self.assertTrue(wait_until(lambda: self.page.js(
                    "return navigator.serviceWorker.getRegistrations().then((all) => all.length === 0)"), 10),
                    f"{removed} is gone and the worker stayed")
        finally:
            server.terminate()
            server.wait()
            server.stdout.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
