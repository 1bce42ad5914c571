// Every text the page shows, in one place. The buttons' names and the pack
// fields are the desktop program's; the rest is the page's own. The engine's
// texts (the session's log lines, "Pack file was briken", "Pack Eror") come
// from the engine. Every string here goes into the translation catalogue (po/)
// and the page shows it in its language (page-language.js); %1, %2 stand for
// what fill() puts in, in whatever order a language needs.
'use strict';

(() => {
  const fill = (text, ...values) => window.K5Language.fill(text, ...values);

  window.K5Text = Object.freeze({
    // The desktop program's.
    readPack: 'Read Pack',
    program: 'Program',
    packInfo: 'Controller Update Pack Info',
    firmwareName: 'Program Firmware Name',
    version: 'Version',
    errorTitle: 'Error',
    noticeReconnect: '1. Reconnect program cable  and connect again if still unsucessful',

    // The page's own, as it loads (index.html).
    pageTitle: 'K5 IAP Tool — update a K5 controller',
    intro:
      'Updates the firmware of a K5 mid-drive motor controller over a USB serial cable, from this page. ' +
      'Nothing needs to be installed: the update pack never leaves this device.',
    packStep: '1. Pack',
    portStep: '2. Port',
    programStep: '3. Program',
    logStep: 'Log',
    language: 'Language',
    browserLanguage: 'As the browser',
    helpTitle: 'No port to choose, or the port will not open?',
    helpCableTitle: 'The cable.',
    helpCable:
      'Use a data cable: many USB cables only charge. The adapter should appear in the picker when it is ' +
      'plugged in.',
    helpDriversTitle: 'Windows and macOS.',
    helpDrivers:
      "CH340 and CP210x adapters need their maker's driver (WCH for CH340/CH341/CH9102, Silicon Labs for " +
      'CP210x); FTDI and most Prolific adapters work without one. After installing it, unplug the adapter and ' +
      'plug it in again.',
    helpLinuxTitle: 'Linux.',
    // %1: the command that adds the user to the group.
    helpLinux:
      'Your user must be in the group that may open serial devices (%1, then log out and in). On ChromeOS, ' +
      'Linux apps do not share the port with the browser.',
    helpInUseTitle: 'In use.',
    helpInUse:
      'Only one program can hold a port: close serial terminals, the desktop K5 IAP Tool and other tabs of ' +
      'this page, then choose the port again.',
    helpNotListedTitle: 'Not listed?',
    // %1: the name of the tick box "Show all serial ports".
    helpNotListed: 'Tick “%1” to see adapters this page does not know.',
    helpDuringTitle: 'During an update.',
    helpDuring:
      'Keep the page open (on a computer it may be behind other tabs and windows; on a phone, stay on this ' +
      'page) and the cable plugged in until the outcome shows; then press Program again if it failed.',
    // %1: the page's version.
    footer:
      'K5 IAP Tool %1 · works in Chrome, Edge, Opera and other Chromium-based browsers on Windows, macOS, ' +
      'Linux and ChromeOS, and in Firefox 151 or newer.',

    // The page's own, as it works.
    choosePort: 'Choose Port',
    stop: 'Stop',
    kind: 'Kind',
    showAllPorts: 'Show all serial ports',
    noPortYet: 'No port chosen yet.',
    noPackYet: 'No pack read yet.',
    dropHint: 'or drop a .Pack file on this page',
    fastTransfer: 'Fast transfer',
    lineSpeed: 'Line speed',
    speedAuto: 'auto',
    speedAutoTip: 'Tries 115200, 57600 and 38400 baud and programs at the fastest the controller answers at.',
    saveTrace: 'Save trace',
    copyReport: 'Copy report',
    reportCopied: 'The report is on the clipboard.',
    reportShown: 'The browser did not allow the clipboard: the report is shown below to copy.',
    loading: 'Loading the programmer…',
    keepOpen:
      'Keep this page open until the update has ended: it keeps the screen on while it programs. Behind ' +
      'another tab the update goes on; on a phone, switching to another app or locking the screen may stop it.',
    install: 'Install app',
    keptOffline: (id) =>
      fill(
        'Kept on this device (version %1): the page opens without a network, and so does each pack of this ' +
          'site’s list once it has been used here.',
        id,
      ),
    leaveQuestion: 'A controller is being programmed. Leaving the page stops the update.',
    pickerCancelled: 'No port was chosen: the help below says what to check.',
    useForeign: 'Use it',
    cancel: 'Cancel',
    foreignQuestion: (code, expected) =>
      fill('This pack is for another product (product code %1, not %2). Use it anyway?', code, expected),
    packNotRead: (name, why) => fill('%1 was not read: %2', name, why),
    packRefused: 'The pack was not taken',
    packRead: (name, version, kind) => fill('Read %1: version %2, %3', name, version, kind),
    fileNotRead: (name, why) => fill('%1 could not be read: %2', name, why),
    offeredPacks: 'Firmware offered by this site',
    useOffered: 'Use',
    offeredFailed: (name, why) => fill('%1 could not be fetched: %2', name, why),
    offeredMismatch: (name) =>
      fill(
        '%1 does not match the SHA-256 checksum this site publishes for it, so it was not used. ' +
          'The file on the site is damaged or has been replaced: tell whoever runs this site.',
        name,
      ),
    offeredOtherSite: (name) => fill('%1 is not on this site, so it was not used.', name),
    offeredListBroken: 'This site’s list of packs (packs.json) is not a list, so no pack is offered.',
    offeredEntrySkipped: (position) =>
      fill(
        'Entry %1 of this site’s list of packs (packs.json) was left out: it gives no valid address for a pack.',
        position,
      ),
    // The numbers as the page's language writes them.
    progress: (percent, done, total, rate) => {
      const tag = window.K5Language.tag;
      return fill(
        '%1 % · %2 of %3 bytes · %4 bytes/s',
        percent,
        done.toLocaleString(tag),
        total.toLocaleString(tag),
        rate.toLocaleString(tag),
      );
    },
    lineSpeedUsed: (baud) => fill('%1 baud', baud),
    outcome: {
      programmed: ['Done: the controller is updated', ''],
      'connect-fail': [
        'No answer from the controller',
        'Check that the cable is plugged in at both ends and that the controller has power, then press Program ' +
          'again.',
      ],
      'port-error': ['The port would not open', ''],
      'transfer-fail': ['The update failed', ''],
      'verdict-fail': ['The update failed', 'The controller did not confirm the new firmware.'],
      stopped: ['Stopped', 'The update was stopped before it ended; run it again before using the controller.'],
      'internal-error': ['The update failed', 'An error inside the programmer; Copy report and send it to us.'],
      none: ['', ''],
    },
    portWentAway: 'The port went away: is the cable still plugged in?',
    portErrors: {
      'in-use': 'Another program or browser tab holds the port: close it and try again.',
      missing: 'The adapter is gone: plug it in and choose it again.',
      'no-permission': 'The browser was not allowed to open the port.',
      'usb-claimed':
        'Another app or the system’s own driver holds this adapter, so the page cannot use it. Close apps that ' +
        'use USB serial adapters, unplug the adapter and plug it in again; if the phone then offers to open an ' +
        'app for it, decline. Then choose the adapter again and press Program.',
      other: 'Unplug the adapter, plug it in again and choose it again.',
    },
    noSerial:
      'This browser cannot reach serial ports: the page needs the Web Serial API, which Chrome, Edge, Opera ' +
      'and other Chromium-based browsers (version 89 or newer) have on Windows, macOS, Linux and ChromeOS, ' +
      'and Firefox has from version 151. Safari does not have it. Open this page in one of those browsers: ' +
      'nothing else needs to be installed.',
    notSecure:
      'This page must be opened over https:// (or from http://localhost on this computer): browsers offer ' +
      'serial ports only to secure pages. Nothing else needs to be installed.',
    noIsolation:
      'This browser did not let the page start its programmer (it needs the page’s service worker, which ' +
      'private windows and some settings block). Open the page in a normal window, or ask whoever runs this ' +
      'site to send the Cross-Origin-Opener-Policy and Cross-Origin-Embedder-Policy headers.',
  });
})();
