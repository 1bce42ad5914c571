// A stand-in for WebUSB (navigator.usb) whose one device is a USB serial
// adapter on the simulated controller's line, which serve.py carries over a
// WebSocket as it does sim-serial.js's port. The tests give it to the page
// before the page loads; the built site never holds it.
//
// It plays the chip at the level of USB transfers. It answers the chip's own
// control requests and stalls those the chip lacks; it works out the line's
// speed from the registers the page set, in the chip's encoding, and carries
// bytes at the standard speed that gives (serve.py sets the pseudo-terminal's
// speed, and k5-sim loses bytes at a speed it is not listening at). Settings
// that give no standard speed, another format than 8N1 or flow control on
// leave no line: the bytes are lost. IN transfers come in the chip's packets:
// an FTDI packet starts with two status bytes and leaves when the chip's
// latency timer runs out or its packet is full; a CH340 without "send at once"
// keeps bytes until it has a whole packet. When k5-sim pulls its cable (the
// socket closes with 4000) the device is gone: 'disconnect' on navigator.usb,
// and its transfers fail with NotFoundError.
//
// window.k5SimOptions, read when the page asks for a device:
//   { usb: 'ch340' | 'ch341' | 'cp2102' | 'ft232r' | 'ft231x' | 'ft232h' | 'pl2303' | 'pl2303gc' }
//   { claimRefused: true }   the system's driver holds the interface
//   { cancel: true }         the chooser is cancelled
// window.k5SimUsb tells a test what happened: opened, claimed, bauds (each line's speed, in turn),
// readsAfterGone and closesAfterGone (IN transfers and closes the page asked for once the device was gone).
'use strict';

(() => {
  const speeds = [9600, 38400, 57600, 115200]; // the speeds serve.py's line takes
  const state = { opened: false, claimed: false, bauds: [], readsAfterGone: 0, closesAfterGone: 0 };
  window.k5SimUsb = state;
  const options = () => window.k5SimOptions || {};
  const gone = () => new DOMException('The device was disconnected.', 'NotFoundError');
  const ok = (data) => ({ status: 'ok', data: data ? new DataView(Uint8Array.from(data).buffer) : undefined });
  const stall = () => ({ status: 'stall' });
  const bytesOf = (data) =>
    data === undefined ? new Uint8Array(0) : ArrayBuffer.isView(data)
      ? new Uint8Array(data.buffer, data.byteOffset, data.byteLength) : new Uint8Array(data);
  const le32 = (bytes) => (bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (bytes[3] << 24)) >>> 0;

  // The standard speed a UART at `rate` talks with (within 2 %), or 0.
  const standardSpeed = (rate) => speeds.find((speed) => Math.abs(rate / speed - 1) < 0.02) || 0;

  // ---- the chips. Each: descriptor facts, control(setup, data, length) → { status, data },
  // rate() (the line's bit rate its registers give, 0 when unset), clean() (8N1, no flow control,
  // enabled), and how its IN transfers are cut.

  // FTDI: AN232B-05 (divisor), AN232B-04 (status bytes, latency timer).
  class Ftdi {
    constructor(productId, deviceVersion, packetSize, hType) {
      Object.assign(this, { vendorId: 0x0403, productId, usbVersion: [2, 0, 0], deviceVersion, deviceClass: 0 });
      this.endpoints = [
        { endpointNumber: 1, direction: 'in', type: 'bulk', packetSize },
        { endpointNumber: 2, direction: 'out', type: 'bulk', packetSize },
      ];
      this.hType = hType;
      this.baudValue = 0x4138; // 9600 at power-on
      this.baudIndex = 0;
      this.data = 0x0008;
      this.flow = 0;
      this.latency = 16;
      this.statusBytes = 2;
    }

    control(setup, data, length) {
      if (setup.requestType !== 'vendor' || setup.recipient !== 'device') return stall();
      if (length !== undefined) return stall();
      switch (setup.request) {
        case 0x00: // reset or purge
          if (setup.value === 0) this.flow = 0;
          return ok();
        case 0x01: // modem control
          return ok();
        case 0x02: // flow control: the kind in the index's high byte, the port in its low byte
          this.flow = setup.index >> 8;
          return (setup.index & 0xff) <= 1 ? ok() : stall();
        case 0x03: // baud rate divisor
          this.baudValue = setup.value;
          this.baudIndex = setup.index;
          return ok();
        case 0x04: // data format
          this.data = setup.value;
          return ok();
        case 0x09: // latency timer
          if (setup.value < 1 || setup.value > 255) return stall();
          this.latency = setup.value;
          return ok();
        default:
          return stall();
      }
    }

    rate() {
      const high = this.hType ? this.baudIndex >> 8 : this.baudIndex;
      const code = ((this.baudValue >> 14) & 3) | ((high & 1) << 2);
      const whole = this.baudValue & 0x3fff;
      const base = this.hType && high & 2 ? 12000000 : 3000000;
      if (whole === 0) return base;
      if (whole === 1 && code === 0) return (base * 2) / 3;
      return base / (whole + [0, 0.5, 0.25, 0.125, 0.375, 0.625, 0.75, 0.875][code]);
    }

    clean() {
      return this.data === 0x0008 && this.flow === 0;
    }
  }

  // Silicon Labs CP210x: AN571.
  class Cp210x {
    constructor() {
      Object.assign(this, { vendorId: 0x10c4, productId: 0xea60, usbVersion: [1, 1, 0], deviceVersion: [1, 0, 0], deviceClass: 0 });
      this.endpoints = [
        { endpointNumber: 1, direction: 'in', type: 'bulk', packetSize: 64 },
        { endpointNumber: 1, direction: 'out', type: 'bulk', packetSize: 64 },
      ];
      this.enabled = false;
      this.lineControl = 0x0800;
      this.baud = 9600;
      this.flowOn = false;
    }

    control(setup, data, length) {
      if (setup.requestType !== 'vendor' || setup.recipient !== 'interface' || setup.index !== 0) return stall();
      if (length !== undefined) return stall();
      switch (setup.request) {
        case 0x00: // IFC_ENABLE
          this.enabled = (setup.value & 1) === 1;
          return ok();
        case 0x03: // SET_LINE_CTL
          this.lineControl = setup.value;
          return ok();
        case 0x07: // SET_MHS
        case 0x12: // PURGE
          return ok();
        case 0x13: {
          // SET_FLOW: CTS, DSR or DCD handshake, DTR or RTS as flow control, or XON/XOFF
          if (data.length < 16) return stall();
          const handshake = le32(data);
          const replace = le32(data.subarray(4));
          this.flowOn = (handshake & 0x3a) !== 0 || (replace & 0x03) !== 0 || (replace & 0xc0) === 0x80;
          return ok();
        }
        case 0x1e: // SET_BAUDRATE
          if (data.length < 4) return stall();
          this.baud = le32(data);
          return ok();
        default:
          return stall();
      }
    }

    rate() {
      return this.baud;
    }

    clean() {
      return this.enabled && this.lineControl === 0x0800 && !this.flowOn;
    }
  }

  // WCH CH340/CH341: the requests and registers as the Linux ch341 driver documents them. The speed
  // is worked out as a measured account of the prescaler register has it (not as the driver's
  // formula does): 12 MHz through three prescalers, x8 off with bit 0, x64 off with bit 1, x2 off with
  // bit 2 of register 0x12, over 256 - register 0x13.
  class Ch340 {
    constructor(productId) {
      Object.assign(this, { vendorId: 0x1a86, productId, usbVersion: [1, 1, 0], deviceVersion: [2, 6, 4], deviceClass: 0xff });
      this.endpoints = [
        { endpointNumber: 2, direction: 'in', type: 'bulk', packetSize: 32 },
        { endpointNumber: 2, direction: 'out', type: 'bulk', packetSize: 32 },
        { endpointNumber: 1, direction: 'in', type: 'interrupt', packetSize: 8 },
      ];
      this.version = 0x31;
      this.initialised = false;
      this.registers = new Uint8Array(256);
      this.registers[0x18] = 0xc3;
    }

    control(setup, data, length) {
      if (setup.requestType !== 'vendor' || setup.recipient !== 'device') return stall();
      if (length !== undefined) return setup.request === 0x5f ? ok([this.version, 0x00]) : stall();
      switch (setup.request) {
        case 0xa1: // serial init
          this.initialised = true;
          return ok();
        case 0x9a: // two registers
          this.registers[setup.value & 0xff] = setup.index & 0xff;
          this.registers[setup.value >> 8] = setup.index >> 8;
          return ok();
        case 0xa4: // modem control
          return ok();
        default:
          return stall();
      }
    }

    rate() {
      const prescaler = this.registers[0x12];
      const divisor = 256 - this.registers[0x13];
      if (!this.initialised || (prescaler === 0 && this.registers[0x13] === 0)) return 0;
      const factor = (prescaler & 1 ? 1 : 8) * (prescaler & 2 ? 1 : 64) * (prescaler & 4 ? 1 : 2);
      return 12000000 / (factor * divisor);
    }

    // Without bit 7 a chip of this version keeps received bytes until it has a whole packet.
    get sendsAtOnce() {
      return (this.registers[0x12] & 0x80) !== 0;
    }

    clean() {
      return this.registers[0x18] === 0xc3 && this.registers[0x25] === 0 && this.registers[0x27] === 0;
    }
  }

  // Prolific PL2303: CDC line coding, and Prolific's vendor requests as the Linux pl2303 driver
  // documents them (0x01 on the older chips, 0x80/0x81 on the G chips).
  class Pl2303 {
    constructor(productId, gChip) {
      const usbVersion = gChip ? [2, 0, 0] : [1, 1, 0];
      const deviceVersion = gChip ? [1, 0, 0] : [3, 0, 0];
      Object.assign(this, { vendorId: 0x067b, productId, usbVersion, deviceVersion, deviceClass: 0 });
      this.endpoints = [
        { endpointNumber: 1, direction: 'in', type: 'interrupt', packetSize: 10 },
        { endpointNumber: 2, direction: 'out', type: 'bulk', packetSize: 64 },
        { endpointNumber: 3, direction: 'in', type: 'bulk', packetSize: 64 },
      ];
      this.gChip = gChip;
      this.registers = new Uint8Array(256);
      this.registers[0] = 0x61; // older chips: RTS/CTS until told otherwise
      this.coding = null;
    }

    control(setup, data, length) {
      if (setup.requestType === 'class') return this.cdc(setup, data, length);
      if (setup.requestType !== 'vendor' || setup.recipient !== 'device') return stall();
      const [write, read] = this.gChip ? [0x80, 0x81] : [0x01, 0x01];
      if (length !== undefined) {
        return setup.request === read ? ok([this.registers[setup.value & 0x7f]]) : stall();
      }
      if (setup.request !== write) return stall();
      this.registers[setup.value & 0xff] = setup.index & 0xff;
      return ok();
    }

    cdc(setup, data, length) {
      if (setup.recipient !== 'interface' || setup.index !== 0) return stall();
      if (length !== undefined) return stall();
      if (setup.request === 0x20) {
        if (data.length < 7) return stall();
        this.coding = Uint8Array.from(data.subarray(0, 7));
        return ok();
      }
      return setup.request === 0x22 ? ok() : stall();
    }

    // Speeds the chip does not have, set directly, run at 9600 (Linux pl2303).
    rate() {
      if (!this.coding || this.coding[3] & 0x80) return 0;
      const baud = le32(this.coding);
      const direct = [75, 150, 300, 600, 1200, 1800, 2400, 3600, 4800, 7200, 9600, 14400, 19200, 28800, 38400,
        57600, 115200, 230400, 460800, 614400, 921600, 1228800, 2457600, 3000000, 6000000];
      return direct.includes(baud) ? baud : 9600;
    }

    clean() {
      const format = this.coding && this.coding[4] === 0 && this.coding[5] === 0 && this.coding[6] === 8;
      const noFlow = this.gChip ? (this.registers[0x0a] & 0x1c) === 0x1c : (this.registers[0] & 0xf0) === 0;
      return Boolean(format && noFlow);
    }
  }

  const chips = {
    ch340: () => new Ch340(0x7523),
    ch341: () => new Ch340(0x5523),
    cp2102: () => new Cp210x(),
    ft232r: () => new Ftdi(0x6001, [6, 0, 0], 64, false),
    ft231x: () => new Ftdi(0x6015, [10, 0, 0], 64, false),
    ft232h: () => new Ftdi(0x6014, [9, 0, 0], 512, true),
    pl2303: () => new Pl2303(0x2303, false),
    pl2303gc: () => new Pl2303(0x23a3, true),
  };

  // ---- the line to k5-sim: a WebSocket to serve.py at the speed the chip is set to.
  class Line {
    constructor(received, pulled) {
      this.received = received;
      this.pulled = pulled;
      this.socket = null;
      this.speed = 0;
      this.waiting = []; // written while the socket connects
    }

    setSpeed(speed) {
      if (speed === this.speed) return;
      this.drop();
      this.speed = speed;
      if (!speed) return;
      state.bauds.push(speed);
      const url = new URL(`sim-line?baud=${speed}`, window.location.href);
      url.protocol = url.protocol === 'https:' ? 'wss:' : 'ws:';
      const socket = new WebSocket(url);
      socket.binaryType = 'arraybuffer';
      this.socket = socket;
      socket.onopen = () => {
        for (const bytes of this.waiting) socket.send(bytes);
        this.waiting = [];
      };
      socket.onmessage = (event) => this.received(new Uint8Array(event.data));
      socket.onclose = (event) => {
        if (this.socket !== socket) return;
        this.socket = null;
        this.speed = 0;
        if (event.code === 4000) this.pulled();
      };
    }

    send(bytes) {
      if (!this.socket) return; // no line: the bytes are lost
      if (this.socket.readyState === WebSocket.CONNECTING) this.waiting.push(bytes);
      else if (this.socket.readyState === WebSocket.OPEN) this.socket.send(bytes);
    }

    drop() {
      const socket = this.socket;
      this.socket = null;
      this.speed = 0;
      this.waiting = [];
      if (socket) socket.close();
    }
  }

  // ---- the device as WebUSB shows it
  class SimDevice {
    constructor(chip, usb) {
      this.chip = chip;
      this.usb = usb;
      this.vendorId = chip.vendorId;
      this.productId = chip.productId;
      [this.usbVersionMajor, this.usbVersionMinor, this.usbVersionSubminor] = chip.usbVersion;
      [this.deviceVersionMajor, this.deviceVersionMinor, this.deviceVersionSubminor] = chip.deviceVersion;
      this.deviceClass = chip.deviceClass;
      this.opened = false;
      this.gone = false;
      const usbInterface = {
        interfaceNumber: 0,
        claimed: false,
        alternate: { alternateSetting: 0, interfaceClass: 0xff, interfaceSubclass: 0, interfaceProtocol: 0, endpoints: chip.endpoints },
      };
      usbInterface.alternates = [usbInterface.alternate];
      this.usbInterface = usbInterface;
      this.configurations = [{ configurationValue: 1, interfaces: [usbInterface] }];
      this.configuration = null; // until the page selects it
      this.lineDue = null;
      this.reads = []; // IN transfers waiting: { length, resolve, reject }
      this.received = []; // bytes from the line the chip holds
      this.heldBytes = 0;
      this.lastSent = 0; // FTDI: when its latency timer last ran out
      this.flushTimer = null;
      this.line = new Line((bytes) => this.fromLine(bytes), () => this.pull());
    }

    endpoint(direction, number) {
      return this.chip.endpoints.find((e) => e.type === 'bulk' && e.direction === direction && e.endpointNumber === number);
    }

    usable(needsClaim) {
      if (this.gone) throw gone();
      if (!this.opened) throw new DOMException('The device must be opened first.', 'InvalidStateError');
      if (needsClaim && !this.usbInterface.claimed) {
        throw new DOMException('The interface is not claimed.', 'InvalidStateError');
      }
    }

    async open() {
      if (this.gone) throw gone();
      this.opened = true;
      state.opened = true;
    }

    async close() {
      if (this.gone) {
        state.closesAfterGone += 1;
        throw gone();
      }
      if (!this.opened) return;
      this.release();
      this.opened = false;
      state.opened = false;
    }

    async selectConfiguration(value) {
      this.usable(false);
      if (value !== 1) throw new DOMException('The configuration value provided is not supported.', 'NotFoundError');
      this.configuration = this.configurations[0];
    }

    async claimInterface(number) {
      this.usable(false);
      if (!this.configuration || number !== 0) throw new DOMException('The interface was not found.', 'NotFoundError');
      if (options().claimRefused) throw new DOMException('Unable to claim interface.', 'NetworkError');
      this.usbInterface.claimed = true;
      state.claimed = true;
      this.updateLine();
    }

    async releaseInterface(number) {
      if (this.gone) throw gone();
      this.usable(false);
      if (number !== 0) throw new DOMException('The interface was not found.', 'NotFoundError');
      this.release();
    }

    // Letting the interface go cancels its transfers and takes the line down.
    release() {
      clearTimeout(this.flushTimer);
      this.flushTimer = null;
      this.usbInterface.claimed = false;
      state.claimed = false;
      this.settleLine();
      for (const read of this.reads.splice(0)) read.reject(new DOMException('The transfer was cancelled.', 'AbortError'));
    }

    async controlTransferOut(setup, data) {
      this.usable(setup.recipient === 'interface');
      const bytes = bytesOf(data);
      const result = this.chip.control(setup, bytes, undefined);
      this.updateLine();
      return { status: result.status, bytesWritten: result.status === 'ok' ? bytes.length : 0 };
    }

    async controlTransferIn(setup, length) {
      this.usable(setup.recipient === 'interface');
      return this.chip.control(setup, undefined, length);
    }

    async clearHalt() {
      this.usable(true);
    }

    // The line is up while the interface is claimed and the chip is set to 8N1, no flow control, at a
    // standard speed. A set-up's requests come one after the other in one go: the line follows their
    // end (or the first transfer), not each step on the way.
    updateLine() {
      if (this.lineDue) return;
      this.lineDue = setTimeout(() => this.settleLine());
    }

    settleLine() {
      clearTimeout(this.lineDue);
      this.lineDue = null;
      const up = this.usbInterface.claimed && this.chip.clean();
      this.line.setSpeed(up ? standardSpeed(this.chip.rate()) : 0);
    }

    async transferOut(number, data) {
      if (this.gone) throw gone();
      this.usable(true);
      if (!this.endpoint('out', number)) throw new DOMException('The endpoint was not found.', 'NotFoundError');
      if (this.lineDue) this.settleLine();
      const bytes = Uint8Array.from(bytesOf(data));
      this.line.send(bytes);
      return { status: 'ok', bytesWritten: bytes.length };
    }

    transferIn(number, length) {
      if (this.gone) {
        state.readsAfterGone += 1;
        return Promise.reject(gone());
      }
      try {
        this.usable(true);
      } catch (error) {
        return Promise.reject(error);
      }
      if (!this.endpoint('in', number)) return Promise.reject(new DOMException('The endpoint was not found.', 'NotFoundError'));
      return new Promise((resolve, reject) => {
        this.reads.push({ length, resolve, reject });
        this.serve();
      });
    }

    fromLine(bytes) {
      this.received.push(bytes);
      this.heldBytes += bytes.length;
      this.serve();
    }

    // Gives the first waiting IN transfer what the chip would send now.
    serve() {
      if (!this.reads.length) return;
      if (this.chip instanceof Ftdi) {
        this.serveFtdi();
        return;
      }
      let count = Math.min(this.heldBytes, this.reads[0].length);
      if (this.chip instanceof Ch340 && !this.chip.sendsAtOnce) count -= count % 32;
      if (count > 0) this.answer(this.take(count));
    }

    // FTDI: full packets leave at once; the rest (or two status bytes alone) when the latency timer runs out.
    serveFtdi() {
      const { packetSize } = this.endpoint('in', 1);
      const payload = packetSize - this.chip.statusBytes;
      const read = this.reads[0];
      const packets = Math.floor(read.length / packetSize);
      const due = this.lastSent + this.chip.latency;
      clearTimeout(this.flushTimer);
      this.flushTimer = null;
      if (this.heldBytes < packets * payload && performance.now() < due) {
        // Set again on each arrival from the line, so that the browser's clamping of timers set from
        // timers does not stretch the chip's timer.
        this.flushTimer = setTimeout(() => {
          this.flushTimer = null;
          this.serve();
        }, due - performance.now());
        return;
      }
      const data = this.take(Math.min(this.heldBytes, packets * payload));
      const out = [];
      for (let at = 0; at < data.length || at === 0; at += payload) {
        out.push(0x01, 0x60, ...data.subarray(at, at + payload)); // CTS and DSR off; transmitter empty
        if (data.length - at < payload) break;
      }
      this.lastSent = performance.now();
      this.answer(Uint8Array.from(out));
    }

    take(count) {
      const out = new Uint8Array(count);
      let at = 0;
      while (at < count) {
        const first = this.received[0];
        const part = first.subarray(0, count - at);
        out.set(part, at);
        at += part.length;
        if (part.length === first.length) this.received.shift();
        else this.received[0] = first.subarray(part.length);
      }
      this.heldBytes -= count;
      return out;
    }

    answer(bytes) {
      const read = this.reads.shift();
      read.resolve({ status: 'ok', data: new DataView(bytes.buffer) });
    }

    // The cable pulled: the device is gone, as a real one unplugged.
    pull() {
      clearTimeout(this.flushTimer);
      this.flushTimer = null;
      this.gone = true;
      this.opened = false;
      state.opened = false;
      this.usbInterface.claimed = false;
      state.claimed = false;
      this.line.drop();
      for (const read of this.reads.splice(0)) read.reject(gone());
      this.usb.lost(this);
    }
  }

  class SimUsb extends EventTarget {
    constructor() {
      super();
      this.devices = new Map(); // chip name → its device, plugged in once per page
    }

    async requestDevice({ filters }) {
      if (!navigator.userActivation.isActive) {
        throw new DOMException('Must be handling a user gesture to show a permission request.', 'SecurityError');
      }
      const { usb: name, cancel } = options();
      if (cancel || !chips[name]) throw new DOMException('No device selected.', 'NotFoundError');
      if (!this.devices.has(name)) this.devices.set(name, new SimDevice(chips[name](), this));
      const device = this.devices.get(name);
      const offered = filters.some((f) => f.vendorId === device.vendorId && (f.productId ?? device.productId) === device.productId);
      if (!offered || device.gone) throw new DOMException('No device selected.', 'NotFoundError');
      return device;
    }

    lost(device) {
      const event = new Event('disconnect');
      Object.defineProperty(event, 'device', { value: device });
      this.dispatchEvent(event);
    }
  }

  const usb = new SimUsb();
  Object.defineProperty(Navigator.prototype, 'usb', { configurable: true, get: () => usb });
})();
