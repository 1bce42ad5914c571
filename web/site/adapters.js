// The USB serial adapters the port picker offers first, and their names.
'use strict';

window.k5Adapters = (() => {
  const vendors = {
    0x0403: 'FTDI',
    0x1a86: 'WCH CH340',
    0x10c4: 'Silicon Labs CP210x',
    0x067b: 'Prolific PL2303',
  };
  const products = {
    '0403:6001': 'FTDI FT232R',
    '0403:6010': 'FTDI FT2232',
    '0403:6014': 'FTDI FT232H',
    '0403:6015': 'FTDI FT231X',
    '1a86:7523': 'CH340',
    '1a86:5523': 'CH341',
    '1a86:55d4': 'CH9102',
    '10c4:ea60': 'CP2102',
    '10c4:ea70': 'CP2105',
    '067b:2303': 'PL2303',
    '067b:23a3': 'PL2303GC',
  };
  const hex4 = (n) => n.toString(16).padStart(4, '0');
  return {
    filters: Object.keys(vendors).map((id) => ({ usbVendorId: Number(id) })),
    // "CH340 (USB 1a86:7523)", or what is known of a port without USB ids.
    describe(info) {
      if (!info || info.usbVendorId === undefined) return null;
      const ids = `${hex4(info.usbVendorId)}:${hex4(info.usbProductId ?? 0)}`;
      const name = products[ids] || vendors[info.usbVendorId] || 'USB serial adapter';
      return { name, ids, text: `${name} (USB ${ids})` };
    },
  };
})();
