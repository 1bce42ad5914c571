#!/usr/bin/python3
"""Screenshots of the web page in headless Chromium against k5-sim: mid-transfer,
finished, and the help a cancelled port picker opens; then on a phone held upright
(412x915 CSS px): the cable chosen and programming, finished, and the page's Install
button as the browser's offer shows it. Writes OUT/web-*.png and OUT/web-phone-*.png, in the
language K5_LANGUAGE names (as the page's language menu would have it) when it is set."""

import os
import pathlib
import sys
import time

import web_page_test as harness

out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
case = harness.WebPageTest("test_a_whole_update_from_a_bootloader_arrives_byte_for_byte")
if os.environ.get("K5_LANGUAGE"):
    opening = case.open_page
    chosen = f"localStorage.setItem('k5-language', '{os.environ['K5_LANGUAGE']}');"
    case.open_page = lambda options=None, before="": opening(options, chosen + before)
case.setUpClass()
try:
    case.setUp()
    pack, _ = case.make_pack("K5-Firmware-308", 24576)
    case.ready_to_program(pack, "--firmware")
    case.page.js("document.getElementById('speed').value = '0'; document.getElementById('program').click();")
    harness.wait_until(lambda: case.page.js("return document.getElementById('progress').position >= 0.45"), 60, 0.01)
    time.sleep(0.3)
    case.page.driver.save_screenshot(str(out / "web-programming.png"))
    case.page.wait_outcome(60)
    time.sleep(0.3)
    case.page.driver.save_screenshot(str(out / "web-finished.png"))
    case.tearDown()

    case.open_page({"cancel": True})
    case.page.by_id("choose-port").click()
    harness.wait_until(lambda: case.page.js("return document.getElementById('help').open"), 5)
    time.sleep(0.3)
    case.page.driver.save_screenshot(str(out / "web-help.png"))

    # A phone: the same update, the port and Program in view, then the outcome.
    case.setUp()
    case.page.emulate_phone(412, 915, scale=2)
    case.ready_to_program(pack, "--firmware")
    case.page.js("document.getElementById('speed').value = '0'; document.getElementById('program').click();")
    harness.wait_until(lambda: case.page.js("return document.getElementById('progress').position >= 0.45"), 60, 0.01)
    case.page.js("document.getElementById('port-step').scrollIntoView({block: 'start'})")
    time.sleep(0.3)
    case.page.driver.save_screenshot(str(out / "web-phone-programming.png"))
    case.page.wait_outcome(60)
    case.page.js("document.getElementById('program-step').scrollIntoView({block: 'start'})")
    time.sleep(0.3)
    case.page.driver.save_screenshot(str(out / "web-phone-finished.png"))
    case.tearDown()
    # Chrome's offer to install the page, which the page shows as its own Install app button.
    case.open_page()
    case.page.js("const offer = new Event('beforeinstallprompt', {cancelable: true});"
                 "offer.prompt = () => Promise.resolve(); offer.userChoice = new Promise(() => {});"
                 "dispatchEvent(offer);")
    time.sleep(0.3)
    case.page.driver.save_screenshot(str(out / "web-phone-install.png"))
finally:
    case.tearDownClass()
for shot in sorted(out.glob("web-*.png")):
    print(shot)
