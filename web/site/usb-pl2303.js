// Prolific PL2303 adapters over WebUSB (usb-serial.js).
// The line is set as the USB CDC PSTN subclass defines it: SET_LINE_CODING (class request 0x20 to the
// interface; 7 bytes: the speed as a 32-bit little-endian number, stop bits 0 = 1, parity 0 = none,
// data bits) and SET_CONTROL_LINE_STATE (0x22; DTR bit 0, RTS bit 1). The vendor set-up around it is
// Prolific's, as the Linux kernel's pl2303 driver (drivers/usb/serial/pl2303.c) documents it:
// - the older chips (H, HX, TA, TB, HXD) take vendor requests 0x01 (write: register in wValue, value in
//   wIndex; read: register | 0x80, one byte) and want, once, the reads and writes of set_up below;
//   before use their pipes are reset by writing registers 8 and 9; flow control is bits 4-7 of
//   register 0, all clear for none;
// - the G chips (HXN: PL2303GC and others) take requests 0x80 (write) and 0x81 (read) instead and
//   stall 0x01; their pipes are reset by writing 3 to register 7; flow control is bits 2-4 of
//   register 0x0A, all set for none;
// - an H chip is of device class 2; a chip on USB 1.1 is of the older kind; on USB 2.0 the chips that
//   answer the old read of 0x8080 are of the older kind (TA, TB), the others are G chips.
'use strict';

(() => {
  const Cdc = { setLineCoding: 0x20, setControlLineState: 0x22 };
  const older = { write: 0x01, read: 0x01 };
  const gChip = { write: 0x80, read: 0x81 };

  const vendorWrite = (link, requests, value, index) =>
    link.send({ requestType: 'vendor', recipient: 'device', request: requests.write, value, index });
  const vendorRead = async (link, requests, value) =>
    (await link.ask({ requestType: 'vendor', recipient: 'device', request: requests.read, value, index: 0 }, 1))[0];
  const classRequest = (link, request, value, data) =>
    link.send({ requestType: 'class', recipient: 'interface', request, value, index: link.interfaceNumber }, data);

  async function kind(link) {
    const { device } = link;
    if (device.deviceClass === 0x02) return { requests: older, legacy: true };
    if (device.usbVersionMajor < 2) return { requests: older, legacy: false };
    const answered = await link.probe({ requestType: 'vendor', recipient: 'device', request: older.read, value: 0x8080, index: 0 }, 1);
    return answered ? { requests: older, legacy: false } : { requests: gChip, legacy: false };
  }

  async function setUp(link, chip) {
    if (chip.requests === gChip) {
      await vendorWrite(link, gChip, 0x07, 0x03); // reset both pipes
      return;
    }
    const r = older;
    await vendorRead(link, r, 0x8484);
    await vendorWrite(link, r, 0x0404, 0);
    await vendorRead(link, r, 0x8484);
    await vendorRead(link, r, 0x8383);
    await vendorRead(link, r, 0x8484);
    await vendorWrite(link, r, 0x0404, 1);
    await vendorRead(link, r, 0x8484);
    await vendorRead(link, r, 0x8383);
    await vendorWrite(link, r, 0, 1);
    await vendorWrite(link, r, 1, 0);
    await vendorWrite(link, r, 2, chip.legacy ? 0x24 : 0x44);
    await vendorWrite(link, r, 8, 0); // reset the pipes
    await vendorWrite(link, r, 9, 0);
  }

  async function noFlowControl(link, chip) {
    if (chip.requests === gChip) {
      await vendorWrite(link, gChip, 0x0a, (await vendorRead(link, gChip, 0x0a)) | 0x1c);
    } else {
      await vendorWrite(link, older, 0, (await vendorRead(link, older, 0x80)) & ~0xf0);
    }
  }

  window.K5Usb.register({
    ids: [
      [0x067b, 0x2303], // PL2303 (H, HX, TA, TB, HXD and some G chips)
      [0x067b, 0x23a3], // PL2303GC
    ],
    async open(link, baud) {
      const chip = await kind(link);
      await setUp(link, chip);
      const coding = new DataView(new ArrayBuffer(7));
      coding.setUint32(0, baud, true);
      coding.setUint8(4, 0); // 1 stop bit
      coding.setUint8(5, 0); // no parity
      coding.setUint8(6, 8); // 8 data bits
      await classRequest(link, Cdc.setLineCoding, 0, coding.buffer);
      await noFlowControl(link, chip);
      await classRequest(link, Cdc.setControlLineState, 0x03); // DTR and RTS on
    },
    unpack: window.K5Usb.asTheyCame,
  });
})();
