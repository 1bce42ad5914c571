// The controller's serial port over Web Serial, owned by the page's main
// thread. The engine's session asks through Module.k5Port to open (closing
// first), write and close; every open and close is answered through
// engine.answer. Received bytes go to the engine as they come (the engine
// paces their hand-over); a device that goes away while open is a hang-up.
// Web Serial has no XON/XOFF: the line carries every byte as it is.
'use strict';

window.K5WebPort = class K5WebPort {
  // How an open or close ended, as the engine's PortAnswer numbers them.
  static Answer = Object.freeze({ done: 0, inUse: 1, gone: 2, notAllowed: 3, failed: 4 });

  // engine: { answer(request, answer), received(Uint8Array), hungUp() }; as k5_port_answer takes them.
  constructor(engine) {
    this.engine = engine;
    this.port = null;
    this.isOpen = false;
    this.closing = false;
    this.reader = null;
    this.writer = null;
    this.reading = Promise.resolve();
    this.queue = Promise.resolve(); // opens and closes, one after the other
    this.baud = 0;
    this.openCount = 0;
    navigator.serial.addEventListener('disconnect', (event) => {
      if (event.target === this.port) this.lost();
    });
  }

  // Asks the person for a port. Resolves to the port, or null when the picker was cancelled or empty.
  async choose(showAll) {
    try {
      const port = await navigator.serial.requestPort(showAll ? {} : { filters: window.k5Adapters.filters });
      if (port !== this.port && this.isOpen) await this.closeNow();
      this.port = port;
      return port;
    } catch (error) {
      if (error && error.name === 'NotFoundError') return null;
      throw error;
    }
  }

  info() {
    return this.port ? this.port.getInfo() : null;
  }

  // The engine's calls (from Module.k5Port, on the main thread).
  open(request, baud) {
    this.answerInTurn(request, () => this.openNow(baud));
  }

  close(request) {
    this.answerInTurn(request, async () => {
      await this.closeNow();
      return K5WebPort.Answer.done;
    });
  }

  // Runs `work` after the opens and closes before it and answers with its result (failed when it threw).
  answerInTurn(request, work) {
    this.queue = this.queue
      .then(work)
      .catch(() => K5WebPort.Answer.failed)
      .then((answer) => this.engine.answer(request, answer));
  }

  write(pointer, length) {
    // A copy: Web Serial takes no view of shared memory.
    const bytes = Module.HEAPU8.slice(pointer, pointer + length);
    Module._free(pointer);
    if (!this.isOpen || !this.writer) return;
    this.writer.write(bytes).catch(() => this.lost());
  }

  // An Answer: done when open, else what kept it shut.
  async openNow(baud) {
    const Answer = K5WebPort.Answer;
    await this.closeNow();
    if (!this.port) return Answer.gone;
    try {
      await this.port.open({
        baudRate: baud,
        dataBits: 8,
        stopBits: 1,
        parity: 'none',
        flowControl: 'none',
        bufferSize: 8192,
      });
    } catch (error) {
      // NetworkError: another program holds it; InvalidStateError: this page has it open already.
      if (error && error.name === 'NotFoundError') return Answer.gone;
      if (error && error.name === 'SecurityError') return Answer.notAllowed;
      return Answer.inUse;
    }
    this.baud = baud;
    this.openCount += 1;
    this.isOpen = true;
    this.writer = this.port.writable.getWriter();
    this.reading = this.readLoop();
    return Answer.done;
  }

  // Reads until the port closes or is lost. A garbled byte (a framing, parity, break or overrun error)
  // ends the port's stream and the port hands out a new one: the byte is lost, as on the desktop, and
  // reading goes on in the new stream. A NetworkError means that the device went away, and so does a
  // port left with no new stream to read.
  async readLoop() {
    let stream = this.port.readable;
    while (stream) {
      const reader = stream.getReader();
      this.reader = reader;
      try {
        for (;;) {
          const { value, done } = await reader.read();
          if (done) return;
          if (value && value.length) this.engine.received(value);
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
      const next = this.isOpen ? this.port.readable : null;
      stream = next !== stream ? next : null;
    }
    this.lost();
  }

  lost() {
    if (!this.isOpen || this.closing) return;
    this.engine.hungUp();
  }

  async closeNow() {
    if (!this.isOpen) return;
    this.closing = true;
    this.isOpen = false;
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
      await this.port.close();
    } catch (error) {
      // a lost device closes with an error; it is closed all the same
    }
    this.closing = false;
  }
};
