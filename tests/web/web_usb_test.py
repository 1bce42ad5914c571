#!/usr/bin/python3
"""The web page on a phone over WebUSB, in headless Chromium with a phone's screen, touch and
Android Chrome's user agent, and no Web Serial, as on Android. web/sim/sim-usb.js stands in for
navigator.usb: it plays each adapter chip the page drives at the level of USB transfers and joins it
to k5-sim on a pseudo-terminal at the speed the page set. Needs what web_page_test.py needs."""

import pathlib
import sys
import time
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import web_page_test as harness  # noqa: E402

# Before the page's scripts: no Web Serial, and the stand-in for WebUSB.
ON_A_PHONE = "delete Navigator.prototype.serial;" + (harness.ROOT / "web" / "sim" / "sim-usb.js").read_text()
# The stand-in's chips, each kind of each driver, and how the page names them.
CHIPS = {
    "ch340": "CH340 (USB 1a86:7523)",
    "cp2102": "CP2102 (USB 10c4:ea60)",
    "ft232r": "FTDI FT232R (USB 0403:6001)",
    "ft232h": "FTDI FT232H (USB 0403:6014)",
    "pl2303": "PL2303 (USB 067b:2303)",
    "pl2303gc": "PL2303GC (USB 067b:23a3)",
}


def open_over_usb(case, chip, **options):
    """Loads the page with `chip` as the one USB device and no serial ports."""
    case.open_page({"absent": True, "usb": chip, **options}, before=ON_A_PHONE)


class WebUsbTest(harness.PageCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.page.emulate_phone()

    def usb(self, name):
        return self.page.js(f"return k5SimUsb.{name}")

    def ready_over_usb(self, chip, pack, *sim_options, **page_options):
        self.start_sim(pack, *sim_options)
        open_over_usb(self, chip, **page_options)
        self.page.read_pack(pack)
        self.assertTrue(harness.wait_until(lambda: self.page.text("pack-name") == pack.name, 5))
        self.choose_port()
        self.assertEqual(self.page.text("port-line"), CHIPS[chip])

    def test_each_chip_restarts_the_firmware_at_9600_and_carries_a_whole_update(self):
        pack, image = self.make_pack("restart", 4096)
        for chip in CHIPS:
            with self.subTest(chip=chip):
                self.ready_over_usb(chip, pack, "--firmware")
                result = self.program()
                self.assertEqual(result["name"], "programmed", self.page.log())
                self.assertIn("MCU Restarting...", self.page.log())
                bauds = self.usb("bauds")
                self.assertIn(9600, bauds)
                self.assertEqual(bauds[-1], 38400)
                self.assertEqual(self.sim.wait(10), 0)
                self.assertEqual(self.received.read_bytes(), image.read_bytes())
                self.assertFalse(self.usb("opened") or self.usb("claimed"), "the device was left open")

    def test_a_pulled_cable_ends_the_update_within_a_second_and_the_device_is_let_go(self):
        pack, _ = self.make_pack("pulled", 8192)
        for chip in ("ch340", "cp2102", "ft232h", "pl2303gc"):
            with self.subTest(chip=chip):
                self.ready_over_usb(chip, pack, "--unplug-after", "3000")
                self.program(limit=0)
                self.assertTrue(harness.wait_until(lambda: self.sim.poll() is not None, 60), "k5-sim never pulled")
                pulled = time.monotonic()
                result = self.page.wait_outcome(5)
                self.assertLess(time.monotonic() - pulled, 1.0)
                self.assertEqual(result["name"], "transfer-fail", self.page.log())
                self.assertEqual(self.page.text("outcome-detail"), "The port went away: is the cable still plugged in?")
                # Closed, and read no more.
                self.assertTrue(harness.wait_until(lambda: self.usb("closesAfterGone") == 1, 1))
                time.sleep(0.2)
                self.assertEqual(self.usb("readsAfterGone"), 0)
                self.assertFalse(self.page.js("return k5Page.running"))

    def test_fast_mode_finds_a_bootloader_at_115200(self):
        pack, image = self.make_pack("fast", 8192)
        self.ready_over_usb("ft232r", pack, "--bootloader-baud", "115200")
        self.assertFalse(self.page.by_id("show-all").is_displayed(), "WebUSB reaches only the chips it drives")
        result = self.program(fast=True, speed="auto")
        self.assertEqual(result["name"], "programmed", self.page.log())
        self.assertEqual(result["lineBaud"], 115200)
        self.assertEqual(self.usb("bauds")[-1], 115200)
        self.assertEqual(self.sim.wait(10), 0)
        self.assertEqual(self.received.read_bytes(), image.read_bytes())

    def test_an_adapter_the_system_holds_is_said_with_what_to_try(self):
        pack, _ = self.make_pack("held", 4096)
        self.ready_over_usb("ch340", pack, claimRefused=True)
        result = self.program(limit=30)
        self.assertEqual(result["name"], "port-error", self.page.log())
        self.assertTrue(self.page.text("outcome-detail").startswith(
            "Another app or the system’s own driver holds this adapter, so the page cannot use it."))
        self.assertFalse(self.usb("opened"), "the device was left open")


if __name__ == "__main__":
    unittest.main(verbosity=2)
