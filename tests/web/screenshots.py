#!/usr/bin/python3
"""Screenshots of the web page in headless Chromium against k5-sim: mid-transfer,
finished, and the help a cancelled port picker opens. Writes OUT/web-*.png."""

import pathlib
import sys
import time

import web_page_test as harness

out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
case = harness.WebPageTest("test_a_whole_update_from_a_bootloader_arrives_byte_for_byte")
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
finally:
    case.tearDownClass()
for shot in sorted(out.glob("web-*.png")):
    print(shot)
