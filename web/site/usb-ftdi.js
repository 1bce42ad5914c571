// FTDI FT232R, FT231X and FT232H adapters over WebUSB (usb-serial.js).
// Written from FTDI's application notes:
// - AN232B-05 "Configuring FT232R, FT2232 and FT232B Baud Rates" and AN_120 "Aliasing VCP Baud Rates":
//   the line runs at 3 MHz over a divisor whose integer part is in bits 0-13 and whose eighths are
//   coded in bits 14-16; SET_BAUD_RATE carries bits 0-15 in wValue and the rest in wIndex, in wIndex's
//   high byte on the H chips (whose low byte names the port).
// - AN232B-04 "Data Throughput, Latency and Handshaking": every IN packet starts with two modem-status
//   bytes that are not data; the chip sends what it holds when its latency timer (1-255 ms, 16 by
//   default) runs out.
'use strict';

(() => {
  const Request = { reset: 0x00, modemControl: 0x01, flowControl: 0x02, baudRate: 0x03, data: 0x04, latency: 0x09 };
  const port = 0; // the single-port chips' one port
  const hType = new Set([0x6014]); // FT232H
  const base = 3000000;
  // The code of n eighths, n = 0..7 (AN232B-05).
  const eighths = [0, 3, 2, 4, 1, 5, 6, 7];
  // Each acknowledgement from the controller waits for the timer: 1 ms keeps the turn-around short.
  const latencyMs = 1;
  const statusBytes = 2;

  function divisor(baud) {
    const inEighths = Math.round((base * 8) / baud);
    return (inEighths >> 3) | (eighths[inEighths & 7] << 14);
  }

  const send = (link, request, value, index = port) =>
    link.send({ requestType: 'vendor', recipient: 'device', request, value, index });

  window.K5Usb.register({
    ids: [
      [0x0403, 0x6001], // FT232R
      [0x0403, 0x6015], // FT231X
      [0x0403, 0x6014], // FT232H
    ],
    async open(link, baud) {
      const value = divisor(baud);
      const high = value >>> 16;
      await send(link, Request.reset, 0); // flow control off, buffers purged
      await send(link, Request.data, 0x0008); // 8 data bits, no parity, 1 stop bit
      await send(link, Request.flowControl, 0); // none
      await send(
        link,
        Request.baudRate,
        value & 0xffff,
        hType.has(link.device.productId) ? (high << 8) | port : high,
      );
      await send(link, Request.latency, latencyMs);
      await send(link, Request.modemControl, 0x0303); // DTR and RTS on, as a serial port opens
    },
    // Drops the two status bytes at the start of every packet.
    unpack(bytes, packetSize) {
      const data = new Uint8Array(bytes.length);
      let length = 0;
      for (let at = 0; at < bytes.length; at += packetSize) {
        const packet = bytes.subarray(at + statusBytes, Math.min(at + packetSize, bytes.length));
        data.set(packet, length);
        length += packet.length;
      }
      return data.subarray(0, length);
    },
  });
})();
