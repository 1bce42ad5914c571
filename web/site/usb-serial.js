// A USB serial adapter over WebUSB, for browsers whose Web Serial does not
// reach USB cables (Chrome on Android). The transport has the methods of
// web-serial.js's, so K5WebPort drives either the same way. The chip's own
// driver (usb-ch340.js, usb-cp210x.js, usb-ftdi.js, usb-pl2303.js) sets the
// line up with the chip's requests and unpacks what its IN packets carry; this
// file finds the chip's bulk endpoints, reads and writes them, and turns a
// device that went away into a hang-up.
'use strict';

window.K5Usb = (() => {
  const drivers = new Map(); // 'vvvv:pppp' → driver
  const hex4 = (n) => n.toString(16).padStart(4, '0');
  const key = (vendorId, productId) => `${hex4(vendorId)}:${hex4(productId)}`;
  // What one IN transfer asks for: a few kilobytes, in whole packets.
  const readSize = (packetSize) => Math.max(1, Math.floor(4096 / packetSize)) * packetSize;

  class Refused extends Error {
    constructor(request, status) {
      super(`The adapter refused request 0x${request.toString(16)} (${status}).`);
      this.name = 'UsbRequestRefused';
    }
  }

  // The chip's serial interface as the driver sees it: its device, its bulk endpoints and its
  // control requests. A request the chip stalls throws Refused.
  class Link {
    constructor(device, usbInterface, bulkIn, bulkOut) {
      this.device = device;
      this.interfaceNumber = usbInterface.interfaceNumber;
      this.bulkIn = bulkIn;
      this.bulkOut = bulkOut;
    }

    // `setup`: { requestType: 'vendor' | 'class', recipient: 'device' | 'interface', request, value, index }.
    async send(setup, data) {
      const result = await this.device.controlTransferOut(setup, data);
      if (result.status !== 'ok') throw new Refused(setup.request, result.status);
    }

    // The `length` bytes the chip answers with.
    async ask(setup, length) {
      const result = await this.device.controlTransferIn(setup, length);
      if (result.status !== 'ok' || !result.data || result.data.byteLength < length) {
        throw new Refused(setup.request, result.status);
      }
      return new Uint8Array(result.data.buffer, result.data.byteOffset, length);
    }

    // The chip's answer, or null when it stalls the request (a request this kind of chip lacks).
    async probe(setup, length) {
      const result = await this.device.controlTransferIn(setup, length);
      return result.status === 'ok' ? new Uint8Array(result.data.buffer, result.data.byteOffset, result.data.byteLength) : null;
    }
  }

  // The interface with a bulk IN and a bulk OUT endpoint (every chip here has one such interface).
  function serialInterface(configuration) {
    for (const candidate of configuration.interfaces) {
      const endpoints = candidate.alternate.endpoints;
      const bulkIn = endpoints.find((e) => e.type === 'bulk' && e.direction === 'in');
      const bulkOut = endpoints.find((e) => e.type === 'bulk' && e.direction === 'out');
      if (bulkIn && bulkOut) return { usbInterface: candidate, bulkIn, bulkOut };
    }
    return null;
  }

  class Transport {
    constructor() {
      this.chosen = null; // the USBDevice chosen
      this.link = null; // while open
      this.driver = null;
      this.sink = null;
      this.reading = Promise.resolve();
      // Why the last open failed, when that needs words of its own (a key of K5Text.portErrors).
      this.problem = null;
      navigator.usb.addEventListener('disconnect', (event) => {
        if (event.device === this.chosen && this.sink) this.sink.lost();
      });
    }

    // WebUSB reaches only the chips it has drivers for: there is nothing more to show.
    get listsAll() {
      return false;
    }

    // Asks the person for an adapter; resolves to it, or null when the chooser was cancelled or empty.
    async request() {
      try {
        return await navigator.usb.requestDevice({ filters: [...drivers.values()].flatMap((d) => d.filters) });
      } catch (error) {
        if (error && error.name === 'NotFoundError') return null;
        throw error;
      }
    }

    info() {
      return this.chosen ? { usbVendorId: this.chosen.vendorId, usbProductId: this.chosen.productId } : null;
    }

    // Opens the chosen adapter at `baud`, 8N1, no flow control. Resolves to how it ended, by the name
    // K5WebPort.Answer gives it. Received bytes and a device gone go to `sink` until close.
    async open(baud, sink) {
      this.problem = null;
      const device = this.chosen;
      const driver = device && drivers.get(key(device.vendorId, device.productId));
      if (!driver) return 'gone';
      try {
        await device.open();
      } catch (error) {
        if (error && error.name === 'NotFoundError') return 'gone';
        if (error && error.name === 'SecurityError') return 'notAllowed';
        return 'inUse';
      }
      let link = null;
      try {
        if (!device.configuration) await device.selectConfiguration(1);
        const found = serialInterface(device.configuration);
        if (!found) throw new Error('The adapter has no serial interface.');
        try {
          await device.claimInterface(found.usbInterface.interfaceNumber);
        } catch (error) {
          if (error && error.name === 'NotFoundError') throw error;
          // The system's own driver (or another app) holds it.
          this.problem = 'usb-claimed';
          await device.close().catch(() => {});
          return error && error.name === 'SecurityError' ? 'notAllowed' : 'inUse';
        }
        link = new Link(device, found.usbInterface, found.bulkIn, found.bulkOut);
        await driver.open(link, baud);
      } catch (error) {
        if (link) await device.releaseInterface(link.interfaceNumber).catch(() => {});
        await device.close().catch(() => {});
        return error && error.name === 'NotFoundError' ? 'gone' : 'failed';
      }
      this.link = link;
      this.driver = driver;
      this.sink = sink;
      this.reading = this.readLoop(link, driver, sink);
      return 'done';
    }

    // Reads until the adapter is closed or gone; every transfer's bytes go to the engine at once.
    async readLoop(link, driver, sink) {
      const { device } = link;
      const endpoint = link.bulkIn.endpointNumber;
      const size = readSize(link.bulkIn.packetSize);
      for (;;) {
        let result;
        try {
          result = await device.transferIn(endpoint, size);
          if (this.link !== link) return;
          if (result.status === 'stall') {
            await device.clearHalt('in', endpoint);
            continue;
          }
        } catch (error) {
          // Closed by us (the transfer was cancelled), or the device went away.
          if (this.link === link) sink.lost();
          return;
        }
        const data = result.data;
        if (!data || data.byteLength === 0) continue;
        const bytes = driver.unpack(new Uint8Array(data.buffer, data.byteOffset, data.byteLength), link.bulkIn.packetSize);
        if (bytes.length) sink.received(bytes);
      }
    }

    write(bytes) {
      const link = this.link;
      if (!link) return Promise.resolve();
      return link.device.transferOut(link.bulkOut.endpointNumber, bytes).then((result) => {
        if (result.status !== 'ok') throw new Refused(0, result.status);
      });
    }

    async close() {
      const link = this.link;
      if (!link) return;
      this.link = null;
      this.sink = null;
      if (this.driver.close) await this.driver.close(link).catch(() => {});
      // Releasing the interface cancels the transfer being read; a device gone refuses both, and is
      // closed all the same.
      await link.device.releaseInterface(link.interfaceNumber).catch(() => {});
      await link.device.close().catch(() => {});
      await this.reading;
    }
  }

  return {
    Transport,
    // A chip's driver: { ids: [[vendorId, productId], ...], open(link, baud), unpack(bytes, packetSize),
    // close(link) (optional) }.
    register(driver) {
      driver.filters = driver.ids.map(([vendorId, productId]) => ({ vendorId, productId }));
      for (const [vendorId, productId] of driver.ids) drivers.set(key(vendorId, productId), driver);
    },
    // The bytes as they came: for the chips whose IN packets hold data only.
    asTheyCame: (bytes) => bytes,
  };
})();
