// The controller's port as the engine sees it, owned by the page's main
// thread. The engine's session asks through Module.k5Port to open (closing
// first), write and close; every open and close is answered through
// engine.answer. Received bytes go to the engine as they come (the engine
// paces their hand-over); a device that goes away while open is a hang-up.
// The cable itself is reached by a transport: Web Serial (web-serial.js) or
// WebUSB with the page's own drivers (usb-serial.js).
'use strict';

window.K5WebPort = class K5WebPort {
  // How an open or close ended, as the engine's PortAnswer numbers them.
  static Answer = Object.freeze({ done: 0, inUse: 1, gone: 2, notAllowed: 3, failed: 4 });

  // Whether this browser has a way to a serial cable at all.
  static get possibleHere() {
    return 'serial' in navigator || 'usb' in navigator;
  }

  // Resolves to the transport that reaches a USB cable in this browser. Web Serial where it lists USB
  // adapters: Chrome, Edge and Opera on a computer, Firefox. Chrome on Android has Web Serial for
  // Bluetooth ports only; there WebUSB with the page's own drivers, unless its Web Serial already
  // lists a USB port (a browser that has learnt to reach USB cables). WebUSB too where there is no
  // Web Serial.
  static async transportHere() {
    const android = /Android/i.test(navigator.userAgent) || navigator.userAgentData?.platform === 'Android';
    const serialListsUsb = async () => {
      try {
        return (await navigator.serial.getPorts()).some((port) => port.getInfo().usbVendorId !== undefined);
      } catch (error) {
        return false;
      }
    };
    if ('serial' in navigator && (!android || !('usb' in navigator) || (await serialListsUsb()))) {
      return new window.K5SerialTransport();
    }
    return new window.K5Usb.Transport();
  }

  // engine: { answer(request, answer), received(Uint8Array), hungUp() }; as k5_port_answer takes them.
  constructor(engine, transport) {
    this.engine = engine;
    this.transport = transport;
    this.isOpen = false;
    this.closing = false;
    this.queue = Promise.resolve(); // opens and closes, one after the other
    this.baud = 0;
    this.openCount = 0;
    this.sink = { received: (bytes) => this.engine.received(bytes), lost: () => this.lost() };
  }

  // The port or adapter chosen, or null.
  get port() {
    return this.transport.chosen;
  }

  // Why the last open failed when the transport has words of its own for it (a key of
  // K5Text.portErrors), else null.
  get problem() {
    return this.transport.problem;
  }

  // Asks the person for a port. Resolves to the port, or null when the picker was cancelled or empty.
  async choose(showAll) {
    const chosen = await this.transport.request(showAll);
    if (!chosen) return null;
    if (chosen !== this.transport.chosen && this.isOpen) await this.closeNow();
    this.transport.chosen = chosen;
    return chosen;
  }

  info() {
    return this.transport.info();
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
    // A copy: neither transport takes a view of shared memory.
    const bytes = Module.HEAPU8.slice(pointer, pointer + length);
    Module._free(pointer);
    if (!this.isOpen) return;
    this.transport.write(bytes).catch(() => this.lost());
  }

  // An Answer: done when open, else what kept it shut.
  async openNow(baud) {
    await this.closeNow();
    const answer = K5WebPort.Answer[await this.transport.open(baud, this.sink)] ?? K5WebPort.Answer.failed;
    if (answer !== K5WebPort.Answer.done) return answer;
    this.baud = baud;
    this.openCount += 1;
    this.isOpen = true;
    return answer;
  }

  lost() {
    if (!this.isOpen || this.closing) return;
    this.engine.hungUp();
  }

  async closeNow() {
    if (!this.isOpen) return;
    this.closing = true;
    this.isOpen = false;
    await this.transport.close();
    this.closing = false;
  }
};
