// The cable over Web Serial (Chrome, Edge and Opera on a computer; Firefox).
// K5WebPort drives it as it drives the WebUSB transport (usb-serial.js):
// request, info, open, write, close. Web Serial has no XON/XOFF: the line
// carries every byte as it is.
'use strict';

window.K5SerialTransport = class K5SerialTransport {
  constructor() {
    this.chosen = null; // the SerialPort chosen
    this.sink = null; // while open
    this.reader = null;
    this.writer = null;
    this.reading = Promise.resolve();
    this.problem = null; // Web Serial's failures need no words beyond the engine's
    navigator.serial.addEventListener('disconnect', (event) => {
      if (event.target === this.chosen && this.sink) this.sink.lost();
    });
  }

  // "Show all serial ports" lists ports of any kind.
  get listsAll() {
    return true;
  }

  // Asks the person for a port. Resolves to the port, or null when the picker was cancelled or empty.
  async request(showAll) {
    try {
      return await navigator.serial.requestPort(showAll ? {} : { filters: window.k5Adapters.filters });
    } catch (error) {
      if (error && error.name === 'NotFoundError') return null;
      throw error;
    }
  }

  info() {
    return this.chosen ? this.chosen.getInfo() : null;
  }

  // Opens the chosen port at `baud`; resolves to how it ended, by the name K5WebPort.Answer gives it.
  // Received bytes and a device gone go to `sink` until close.
  async open(baud, sink) {
    if (!this.chosen) return 'gone';
    try {
      await this.chosen.open({
        baudRate: baud,
        dataBits: 8,
        stopBits: 1,
        parity: 'none',
        flowControl: 'none',
        bufferSize: 8192,
      });
    } catch (error) {
      // NetworkError: another program holds it; InvalidStateError: this page has it open already.
      if (error && error.name === 'NotFoundError') return 'gone';
      if (error && error.name === 'SecurityError') return 'notAllowed';
      return 'inUse';
    }
    this.sink = sink;
    this.writer = this.chosen.writable.getWriter();
    this.reading = this.readLoop(sink);
    return 'done';
  }

  write(bytes) {
    return this.writer ? this.writer.write(bytes) : Promise.resolve();
  }

  // Reads until the port closes or is lost. A garbled byte (a framing, parity, break or overrun error)
  // ends the port's stream and the port hands out a new one: the byte is lost, as on the desktop, and
  // reading goes on in the new stream. A NetworkError means that the device went away, and so does a
  // port left with no new stream to read.
  async readLoop(sink) {
    let stream = this.chosen.readable;
    while (stream) {
      const reader = stream.getReader();
      this.reader = reader;
      try {
        for (;;) {
          const { value, done } = await reader.read();
          if (done) return;
          if (value && value.length) sink.received(value);
        }
      } catch (error) {
        if (error && error.name === 'NetworkError') break;
      } finally {
        try {
          reader.releaseLock();
        } catch (error) {
          // already released
        }
        this.reader = null;
      }
      const next = this.sink === sink ? this.chosen.readable : null;
      stream = next !== stream ? next : null;
    }
    if (this.sink === sink) sink.lost();
  }

  async close() {
    if (!this.sink) return;
    this.sink = null;
    try {
      if (this.reader) await this.reader.cancel();
    } catch (error) {
      // a lost device's stream has ended already
    }
    await this.reading;
    try {
      this.writer.releaseLock();
    } catch (error) {
      // released
    }
    this.writer = null;
    try {
      await this.chosen.close();
    } catch (error) {
      // a lost device closes with an error; it is closed all the same
    }
  }
};
