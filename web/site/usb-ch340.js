// WCH CH340 and CH341 adapters over WebUSB (usb-serial.js).
// WCH publishes no register manual; these are the facts the Linux kernel's ch341 driver
// (drivers/usb/serial/ch341.c) documents:
// - vendor requests to the device: READ_VERSION 0x5F (two bytes, the chip's version first),
//   SERIAL_INIT 0xA1, WRITE_REG 0x9A (two registers at once: their numbers in wValue, their values
//   in wIndex, the first register in the low bytes), MODEM_CTRL 0xA4 (the lines' bits inverted:
//   DTR 0x20, RTS 0x40);
// - the speed is 48 MHz / (2^(12 - 3 ps - fact) x div), with ps (0-3) and fact (0-1) in the
//   prescaler register 0x12 (ps in bits 0-1, fact in bit 2) and 0x100 - div in the divisor
//   register 0x13; fact 0 with 2 <= div <= 256 serves every chip; bit 7 of the prescaler
//   register makes a chip newer than version 0x27 send what it holds at once, not after a whole
//   32-byte packet;
// - from version 0x30 the line format is in register 0x18 (0x25 beside it kept 0): receiver and
//   transmitter on (0x80, 0x40), 8 data bits (0x03); register 0x27 (written twice) holds the flow
//   control, 0 for none.
'use strict';

(() => {
  const Request = { readVersion: 0x5f, writeRegisters: 0x9a, serialInit: 0xa1, modemControl: 0xa4 };
  const Register = { prescaler: 0x12, divisor: 0x13, lineControl: 0x18, lineControl2: 0x25, flowControl: 0x27 };
  const clock = 48000000;
  const sendAtOnce = 0x80;

  const send = (link, request, value, index) =>
    link.send({ requestType: 'vendor', recipient: 'device', request, value, index });
  const writeRegisters = (link, first, second, firstValue, secondValue) =>
    send(link, Request.writeRegisters, (second << 8) | first, (secondValue << 8) | firstValue);

  // The prescaler and divisor registers' values for `baud`: the largest prescaler (the finest
  // divisor) whose divisor fits.
  function speedRegisters(baud) {
    for (let ps = 3; ps >= 0; ps -= 1) {
      const div = Math.round(clock / ((1 << (12 - 3 * ps)) * baud));
      if (div >= 2 && div <= 256) return { prescaler: ps, divisor: (0x100 - div) & 0xff };
    }
    throw new RangeError(`${baud} baud is beyond the CH340.`);
  }

  window.K5Usb.register({
    ids: [
      [0x1a86, 0x7523], // CH340
      [0x1a86, 0x5523], // CH341
    ],
    async open(link, baud) {
      const version = (await link.ask({ requestType: 'vendor', recipient: 'device', request: Request.readVersion, value: 0, index: 0 }, 2))[0];
      await send(link, Request.serialInit, 0, 0);
      const speed = speedRegisters(baud);
      const prescaler = speed.prescaler | (version > 0x27 ? sendAtOnce : 0);
      await writeRegisters(link, Register.prescaler, Register.divisor, prescaler, speed.divisor);
      if (version >= 0x30) await writeRegisters(link, Register.lineControl, Register.lineControl2, 0xc3, 0);
      await writeRegisters(link, Register.flowControl, Register.flowControl, 0, 0);
      await send(link, Request.modemControl, ~0x60 & 0xffff, 0); // DTR and RTS on
    },
    unpack: window.K5Usb.asTheyCame,
  });
})();
