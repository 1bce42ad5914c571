#!/usr/bin/python3
"""The web page on a phone: its layout at a phone's sizes, the screen kept on while it programs,
the page installable and kept for use offline, and a new version taken whole. Headless Chromium
with a phone's screen, touch and user agent, on the harness of web_page_test.py."""

import hashlib
import json
import pathlib
import shutil
import subprocess
import unittest

from selenium.webdriver.common.by import By

import web_page_test as harness
from web_page_test import wait_until

# Every control a finger may tap, as [what, its height in CSS px] (a checkbox or the file input is
# tapped by its label); the page's width against the screen's; the log's and the outcome's type size.
MEASURE = """
  const visible = (e) => e.getClientRects().length > 0 && getComputedStyle(e).visibility !== 'hidden';
  const taps = [];
  for (const e of document.querySelectorAll('button, select, input, summary')) {
    if (e.closest('[hidden], dialog:not([open])')) continue;
    const target = e.closest('label') || e;
    if (!visible(target)) continue;
    taps.push([e.id || e.textContent.trim(), target.getBoundingClientRect().height]);
  }
  return {taps, scrollWidth: document.documentElement.scrollWidth, width: innerWidth,
          log: parseFloat(getComputedStyle(document.getElementById('log')).fontSize),
          outcome: parseFloat(getComputedStyle(document.getElementById('outcome-title')).fontSize)};"""

# A stand-in Screen Wake Lock that counts what the page asks for and holds.
WAKE_LOCK = """
  window.k5Locks = {asked: 0, held: 0, last: null};
  const wakeLock = {
    request: async (type) => {
      if (type !== 'screen') throw new TypeError(type);
      const lock = new EventTarget();
      lock.release = async () => {
        if (lock.released) return;
        lock.released = true;
        k5Locks.held -= 1;
        lock.dispatchEvent(new Event('release'));
      };
      k5Locks.asked += 1;
      k5Locks.held += 1;
      k5Locks.last = lock;
      return lock;
    },
  };
  Object.defineProperty(Navigator.prototype, 'wakeLock', {configurable: true, get: () => wakeLock});"""

# The browser's offer to install the page, as Chrome fires it.
INSTALL_OFFER = """
  const offer = new Event('beforeinstallprompt', {cancelable: true});
  offer.prompt = () => { window.k5Prompted = true; return Promise.resolve(); };
  offer.userChoice = Promise.resolve({outcome: 'accepted', platform: 'web'});
  dispatchEvent(offer);
  return offer.defaultPrevented;"""


class PhonePageTest(harness.PageCase):
    def tearDown(self):
        super().tearDown()
        self.offline.unlink(missing_ok=True)
        self.offered.unlink(missing_ok=True)
        self.page.emulate_desktop()

    def use_offered(self, index):
        buttons = wait_until(lambda: self.page.driver.find_elements(By.CSS_SELECTOR, "#offered-list button"), 5)
        self.assertTrue(wait_until(buttons[index].is_enabled, 5))
        buttons[index].click()

    def test_the_page_fits_a_phone_upright_and_turned_with_fingertip_controls(self):
        good, _ = self.make_pack("good", 4096)
        bad, _ = self.make_pack("a-pack-with-a-long-name-that-is-broken", 4096, "--bad-sum")
        for width, height in ((412, 915), (360, 740), (915, 412)):
            self.page.emulate_phone(width, height)
            self.open_page()
            self.page.read_pack(good)
            self.assertTrue(wait_until(lambda: self.page.text("pack-name") == "good.Pack", 5))
            self.choose_port()
            self.page.read_pack(bad)  # a long line in the log and a refusal in the outcome
            self.assertTrue(wait_until(lambda: self.page.text("outcome-title"), 5))
            self.assertTrue(self.page.js(INSTALL_OFFER), "the browser's own install bar was not held back")
            shown = self.page.js(MEASURE)
            where = f"at {width}x{height}"
            self.assertLessEqual(shown["scrollWidth"], shown["width"], f"sideways scrolling {where}")
            small = [(name, height) for name, height in shown["taps"] if height < 48]
            self.assertEqual(small, [], f"controls under 48 px {where}")
            self.assertIn("install", [name for name, _ in shown["taps"]])
            self.assertGreaterEqual(shown["log"], 13)
            self.assertGreaterEqual(shown["outcome"], 24)
        self.page.by_id("install").click()
        self.assertTrue(self.page.js("return window.k5Prompted === true"))
        self.assertFalse(self.page.by_id("install").is_displayed(), "an offer is used once")

    def test_the_screen_is_kept_on_while_an_update_runs(self):
        pack, image = self.make_pack("awake", 8192)
        self.page.emulate_phone()
        self.start_sim(pack)
        self.open_page(before=WAKE_LOCK)
        self.page.read_pack(pack)
        self.assertTrue(wait_until(lambda: self.page.text("pack-name") == pack.name, 5))
        self.choose_port()
        self.assertEqual(self.page.js("return k5Locks.asked"), 0)
        self.program(limit=0)
        self.assertTrue(wait_until(lambda: self.page.js("return k5Locks.held === 1"), 5))
        # Hidden, the browser lets the lock go; back in view while still programming, the page asks again.
        self.page.js("k5Locks.last.release(); document.dispatchEvent(new Event('visibilitychange'));")
        self.assertTrue(wait_until(lambda: self.page.js("return k5Locks.asked === 2 && k5Locks.held === 1"), 5))
        result = self.page.wait_outcome(60)
        self.assertEqual(result["name"], "programmed", self.page.log())
        self.assertTrue(wait_until(lambda: self.page.js("return k5Locks.held === 0"), 2), "the screen was kept on")
        self.assertEqual(self.sim.wait(10), 0)
        self.assertEqual(self.received.read_bytes(), image.read_bytes())

    def test_after_one_visit_the_page_and_a_checked_pack_work_offline(self):
        pack, image = self.make_pack("offline", 4096)
        digest = hashlib.sha256(pack.read_bytes()).hexdigest()
        wrong = digest[:-1] + ("0" if digest[-1] != "0" else "1")
        self.page.emulate_phone()
        # The same file offered at two addresses, at the first with a wrong checksum.
        shutil.copy(pack, self.work / "offered.Pack")
        self.offered.write_text(json.dumps([{"name": "K5", "version": 308, "sha256": checksum, "url": url}
                                            for checksum, url in ((wrong, "offered.Pack"),
                                                                  (digest, harness.ENCODED_NAMES[0]))]))
        self.open_page()
        self.assertEqual(self.page.driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"],
                         [], "Chrome would not offer to install the page")
        self.use_offered(0)
        self.assertTrue(wait_until(lambda: self.page.text("pack-problem"), 5), "the wrong checksum was not refused")
        self.use_offered(1)  # the refusal above stays shown until this one is in use: wait for the version
        self.assertTrue(wait_until(lambda: self.page.text("pack-version") == "308", 10), self.page.log())

        self.offline.touch()
        self.expected_errors.append("offered.Pack")  # the refused one, not kept
        self.start_sim(pack)
        self.open_page()
        self.assertIn(self.page.js("return k5Page.siteVersion"), self.page.text("offline-note"))
        self.use_offered(0)  # refused online, so never kept
        self.assertTrue(wait_until(lambda: "could not be fetched" in self.page.text("pack-problem"), 5))
        self.use_offered(1)
        self.assertTrue(wait_until(lambda: self.page.text("pack-version") == "308", 5), self.page.text("pack-problem"))
        self.choose_port()
        result = self.program()
        self.assertEqual(result["name"], "programmed", self.page.log())
        self.assertEqual(self.sim.wait(10), 0)
        self.assertEqual(self.received.read_bytes(), image.read_bytes())

    def test_a_new_version_is_taken_whole_at_the_next_visit(self):
        site = self.work / "deployed"
        shutil.rmtree(site, ignore_errors=True)
        shutil.copytree(harness.SITE, site)
        port = harness.free_port()
        server = subprocess.Popen(["/usr/bin/python3", str(harness.SERVE), "--site", str(site), "--port", str(port)],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        url = f"http://127.0.0.1:{port}/"
        engine, texts = site / "k5-engine.js", site / "page-texts.js"
        originals = {file: file.read_bytes() for file in (engine, texts)}

        def built(number, *files):
            """The files as build `number` makes them (a mark each page can see)."""
            for file in files:
                file.write_bytes(originals[file] + f"\nself.k5Build{file.stem.replace('-', '')} = {number};\n".encode())

        def listed(version):
            subprocess.run(["cmake", f"-DSITE={site}", f"-DVERSION={version}", "-P",
                            str(harness.ROOT / "web" / "site-files.cmake")], check=True, stdout=subprocess.DEVNULL)

        def visit():
            """The page opened again: its version's id and the build of each of its files."""
            self.page.driver.get(url)
            self.assertTrue(wait_until(lambda: self.page.js("return !!(window.k5Page && k5Page.siteVersion)"), 30))
            return self.page.js("return [k5Page.siteVersion, self.k5Buildk5engine, self.k5Buildpagetexts]")

        try:
            self.assertIn("serving", server.stdout.readline())
            first = visit()
            self.assertTrue(first[0].startswith("5."), first)
            self.assertEqual(first[1:], [None, None])
            # Uploaded without its list: the kept version stays whole.
            built(2, engine)
            self.assertEqual(visit(), first)
            # The list of version 2 uploaded too: taken whole.
            built(2, texts)
            listed("9.2")
            second = visit()
            self.assertEqual(second[1:], [2, 2])
            self.assertTrue(second[0].startswith("9.2-"), second)
            # The list of version 3 uploaded before its engine: version 2 stays whole until the engine comes.
            built(3, engine, texts)
            listed("9.3")
            built(2, engine)
            self.assertEqual(visit(), second)
            built(3, engine)
            third = visit()
            self.assertEqual(third[1:], [3, 3])
            self.assertIn(third[0], self.page.text("offline-note"))
            # Only the version in use is kept once no page has the others open.
            self.assertEqual(visit(), third)
            kept = self.page.js("return caches.keys().then((all) => all.filter((name) => /^k5-site-\\d/.test(name)))")
            self.assertEqual(kept, [f"k5-site-{third[0]}"])
        finally:
            server.terminate()
            server.wait()
            server.stdout.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
