#!/usr/bin/python3
"""A full image (131024 bytes, or --length) programmed by the web page in headless Chromium and by
k5-iap, each against a paced k5-sim bootloader, in the standard and the fast mode, in
the same run. Prints each time and the page's against k5-iap's. Needs build-web/site,
build/bin/k5-sim and k5-iap (scripts/test-web.sh builds them).
  bench/web_page_bench.py [--runs N] [--length BYTES] [--hidden] [--phone] [--usb CHIP]
--usb CHIP reaches the line over WebUSB, through the stand-in for a chip (web/sim/sim-usb.js:
ch340, cp2102, ft232r, ft232h, pl2303, ...) and the page's driver for it, instead of Web Serial.
--hidden runs the page's updates in a tab that another tab covers; --phone gives the page a
phone's screen, touch and user agent."""

import argparse
import os
import pathlib
import statistics
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "web"))
import web_page_test as harness  # noqa: E402
import web_usb_test  # noqa: E402

IMAGE = 131024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--hidden", action="store_true")
    parser.add_argument("--usb", metavar="CHIP", help="over WebUSB with this chip (as sim-usb.js names it)")
    parser.add_argument("--phone", action="store_true")
    parser.add_argument("--length", type=int, default=IMAGE, help="image bytes (a full image by default)")
    args = parser.parse_args()

    case = harness.WebPageTest("test_a_whole_update_from_a_bootloader_arrives_byte_for_byte")
    case.setUpClass()
    try:
        if args.phone:
            case.page.emulate_phone()
        pack, image = case.make_pack("bench", args.length)
        if args.usb:
            web_usb_test.open_over_usb(case, args.usb)
        else:
            case.open_page()
        case.page.read_pack(pack)
        harness.wait_until(lambda: case.page.text("pack-version") == "308", 5)
        case.choose_port()
        for fast in (False, True):
            mode = "fast" if fast else "standard"
            page_times, cli_times = [], []
            for _ in range(args.runs):
                case.setUp()
                case.start_sim(pack)
                if args.hidden:
                    driver = case.page.driver
                    main_tab = driver.current_window_handle
                    case.page.js("window.k5Hidden = []; document.addEventListener('visibilitychange', () =>"
                                 " k5Hidden.push([performance.now(), document.visibilityState]));"
                                 "document.getElementById('fast').checked = arguments[0];"
                                 "document.getElementById('speed').value = '0';"
                                 "document.getElementById('program').click();", fast)
                    driver.switch_to.new_window("tab")  # covers the page's tab
                    case.sim.wait(300)
                    time.sleep(1.5)
                    driver.close()
                    driver.switch_to.window(main_tab)
                    result = case.page.wait_outcome(5)
                    hidden = case.page.js("return k5Hidden.filter(([t, s]) => s === 'hidden' && t < k5Page.startedAt + 2000).length > 0")
                    print(f"  (the page's tab was {'hidden' if hidden else 'NOT hidden'} while it ran)")
                else:
                    result = case.program(limit=300, fast=fast)
                assert result["name"] == "programmed", case.page.log()
                assert case.sim.wait(10) == 0 and case.received.read_bytes() == image.read_bytes()
                page_times.append(case.page.js("return (k5Page.endedAt - k5Page.startedAt) / 1000"))
                case.tearDown()

                case.start_sim(pack)
                command = [str(harness.BIN / "k5-iap"), "program", "--port", str(case.link), str(pack)]
                if fast:
                    command.insert(2, "--fast")
                began = time.monotonic()
                subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                cli_times.append(time.monotonic() - began)
                assert case.sim.wait(10) == 0 and case.received.read_bytes() == image.read_bytes()
                case.tearDown()
            page_time, cli_time = statistics.median(page_times), statistics.median(cli_times)
            print(f"{mode:8}  page {page_time:7.2f} s   k5-iap {cli_time:7.2f} s   "
                  f"page/k5-iap {100 * (page_time / cli_time - 1):+.2f} %", flush=True)
    finally:
        case.tearDownClass()


if __name__ == "__main__":
    main()
