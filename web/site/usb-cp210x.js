// Silicon Labs CP210x adapters over WebUSB (usb-serial.js).
// Written from Silicon Labs' AN571 "CP210x Virtual COM Port Interface": vendor requests to the
// interface (IFC_ENABLE, SET_LINE_CTL, SET_FLOW with its 16-byte handshake block, SET_MHS,
// SET_BAUDRATE with the speed as a 32-bit little-endian number, PURGE); the bulk pipes carry data only.
'use strict';

(() => {
  const Request = { enable: 0x00, lineControl: 0x03, modemHandshake: 0x07, purge: 0x12, flow: 0x13, baudRate: 0x1e };

  const send = (link, request, value, data) =>
    link.send({ requestType: 'vendor', recipient: 'interface', request, value, index: link.interfaceNumber }, data);

  // SET_FLOW's block: ulControlHandshake, ulFlowReplace, ulXonLimit, ulXoffLimit. DTR held on (mode 01,
  // no DTR, CTS, DSR or DCD handshake), RTS held on (mode 01 in bits 6-7), no XON/XOFF.
  function noFlowControl() {
    const block = new DataView(new ArrayBuffer(16));
    block.setUint32(0, 0x01, true);
    block.setUint32(4, 0x40, true);
    block.setUint32(8, 128, true);
    block.setUint32(12, 128, true);
    return block.buffer;
  }

  window.K5Usb.register({
    ids: [[0x10c4, 0xea60]], // CP2102, CP2104 and the others of that id
    async open(link, baud) {
      await send(link, Request.enable, 0x0001);
      await send(link, Request.lineControl, 0x0800); // 8 data bits, no parity, 1 stop bit
      await send(link, Request.flow, 0, noFlowControl());
      await send(link, Request.modemHandshake, 0x0303); // DTR and RTS on
      const speed = new DataView(new ArrayBuffer(4));
      speed.setUint32(0, baud, true);
      await send(link, Request.baudRate, 0, speed.buffer);
      await send(link, Request.purge, 0x000f); // both directions' queues
    },
    unpack: window.K5Usb.asTheyCame,
    close: (link) => send(link, Request.enable, 0x0000),
  });
})();
