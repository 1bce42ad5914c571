// A stand-in for the browser's serial ports whose one port is the simulated
// controller's line, carried by serve.py over a WebSocket. Only serve.py
// serves this file (for the demo and the tests); the built site never loads it.
// window.k5SimOptions, set before the page loads, shapes it for tests:
//   { cancel: true }          the picker is cancelled
//   { absent: true }          no stand-in: a browser without serial ports
//   { usbVendorId, usbProductId }  the adapter's ids (a CH340 by default)
//   { openDelay: ms }         opening the port takes that long
// window.k5Sim tells a test what happened: opens, closes, isOpen, bytesWritten; while the port is
// open, k5Sim.lineError(name) errors its readable stream as a line error of that name (FramingError,
// ParityError, BreakError, BufferOverrunError) does.
'use strict';

(() => {
  const options = window.k5SimOptions || {};
  if (options.absent) return; // a browser without serial ports
  const state = { opens: 0, closes: 0, isOpen: false, bytesWritten: 0, bauds: [] };
  window.k5Sim = state;
  const lostError = () => new DOMException('The device has been lost.', 'NetworkError');

  class SimPort extends EventTarget {
    constructor(serial) {
      super();
      this.serial = serial;
      this.socket = null;
      this.readable = null;
      this.writable = null;
    }

    getInfo() {
      return {
        usbVendorId: options.usbVendorId ?? 0x1a86,
        usbProductId: options.usbProductId ?? 0x7523,
      };
    }

    async open({ baudRate }) {
      if (this.socket) throw new DOMException('The port is already open.', 'InvalidStateError');
      if (options.openDelay) await new Promise((resolve) => setTimeout(resolve, options.openDelay));
      const url = new URL(`sim-line?baud=${baudRate}`, window.location.href);
      url.protocol = url.protocol === 'https:' ? 'wss:' : 'ws:';
      const socket = new WebSocket(url);
      socket.binaryType = 'arraybuffer';
      await new Promise((resolve, reject) => {
        socket.onopen = resolve;
        socket.onclose = () => reject(new DOMException('Failed to open serial port.', 'NetworkError'));
      });
      this.socket = socket;
      state.opens += 1;
      state.isOpen = true;
      state.bauds.push(baudRate);
      let closedByUs = false;
      this.closeSocket = () => {
        closedByUs = true;
        socket.close();
      };
      let reading = null; // the readable stream's controller
      const newReadable = () =>
        new ReadableStream({
          start: (controller) => {
            reading = controller;
          },
          cancel: () => {},
        });
      socket.onmessage = (event) => reading.enqueue(new Uint8Array(event.data));
      socket.onclose = (event) => {
        if (closedByUs) return;
        // The simulator pulled its cable: the stream errors and the port is lost.
        state.isOpen = false;
        this.socket = null;
        try {
          reading.error(lostError());
        } catch (error) {
          // already cancelled
        }
        if (event.code === 4000) this.serial.portLost(this);
      };
      // As a browser reports a garbled byte: the stream errors, the port stays open with a new one.
      // The byte itself never came, so the line loses none.
      state.lineError = (name) => {
        const failed = reading;
        this.readable = newReadable();
        failed.error(new DOMException('A line error.', name));
      };
      this.readable = newReadable();
      this.writable = new WritableStream({
        write: (chunk) => {
          if (socket.readyState !== WebSocket.OPEN) throw lostError();
          state.bytesWritten += chunk.byteLength;
          socket.send(chunk);
        },
      });
    }

    async close() {
      if (!this.socket) {
        if (this.readable) {
          this.readable = null;
          this.writable = null;
          state.closes += 1;
          return;
        }
        throw new DOMException('The port is already closed.', 'InvalidStateError');
      }
      this.closeSocket();
      this.socket = null;
      this.readable = null;
      this.writable = null;
      state.isOpen = false;
      state.closes += 1;
    }
  }

  class SimSerial extends EventTarget {
    constructor() {
      super();
      this.port = new SimPort(this);
    }

    async requestPort() {
      if (options.cancel) throw new DOMException('No port selected by the user.', 'NotFoundError');
      return this.port;
    }

    async getPorts() {
      return [this.port];
    }

    // As a real port's 'disconnect' reaches navigator.serial: its target is the port.
    portLost(port) {
      const event = new Event('disconnect');
      Object.defineProperty(event, 'target', { value: port });
      this.dispatchEvent(event);
    }
  }

  const serial = new SimSerial();
  Object.defineProperty(Navigator.prototype, 'serial', { configurable: true, get: () => serial });
})();
