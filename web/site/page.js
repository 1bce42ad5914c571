// The page: a thin view over the engine, as the desktop windows are. It reads
// packs into the engine's file system, asks for a port, starts and stops the
// engine's session and shows what the session reports.
'use strict';

(() => {
  const T = window.K5Text;
  const $ = (id) => document.getElementById(id);
  const optionsKey = 'k5-iap-options';
  const packDir = '/k5/packs';

  const page = {
    engineReady: false,
    pack: null, // { name, version, kind }
    running: false,
    packBusy: false, // a pack is being read or fetched: no update starts until it is in use or refused
    progressMax: 0,
    progressStart: 0,
    lastResult: null,
    log: [],
    portLost: false,
  };

  function text(id, value) {
    $(id).textContent = value;
  }

  function addLog(line) {
    page.log.push(line);
    const item = document.createElement('li');
    item.textContent = line;
    $('log').append(item);
    item.scrollIntoView({ block: 'nearest' });
  }

  // ---- options, kept in the browser between visits
  function loadOptions() {
    try {
      const saved = JSON.parse(localStorage.getItem(optionsKey) || '{}');
      $('fast').checked = saved.fast === true;
      if (['auto', '0', '1', '2'].includes(saved.speed)) $('speed').value = saved.speed;
      else $('speed').value = '0';
    } catch (error) {
      $('speed').value = '0';
    }
  }
  function saveOptions() {
    try {
      localStorage.setItem(optionsKey, JSON.stringify({ fast: $('fast').checked, speed: $('speed').value }));
    } catch (error) {
      // storage refused: the options hold for this visit
    }
  }

  // ---- the engine
  const port = { current: null };
  const engine = {
    answer: (request, problem) => Module._k5_port_answer(request, problem),
    received(bytes) {
      const at = Module._malloc(bytes.length);
      Module.HEAPU8.set(bytes, at);
      Module._k5_port_received(at, bytes.length);
      Module._free(at);
    },
    hungUp() {
      page.portLost = true;
      Module._k5_port_hung_up();
    },
  };

  function call(name, ...args) {
    const types = args.map((a) => (typeof a === 'string' ? 'string' : 'number'));
    return Module.ccall(name, 'string', types, args);
  }

  const view = {
    ready() {
      page.engineReady = true;
      $('loading').hidden = true;
      $('tool').hidden = false;
      text('version', Module.UTF8ToString(Module._k5_version()));
      updateButtons();
    },
    log: addLog,
    showProgress(visible) {
      $('progress-box').hidden = !visible;
    },
    progressMax(maximum) {
      page.progressMax = maximum;
      page.progressStart = 0;
      $('progress').max = Math.max(1, maximum);
    },
    progressPosition() {
      const position = Module._k5_progress_position() >>> 0;
      const total = page.progressMax;
      const done = Math.min(position, total);
      const now = performance.now();
      if (done > 0 && page.progressStart === 0) page.progressStart = now;
      const seconds = (now - page.progressStart) / 1000;
      const rate = seconds > 0.5 ? Math.round(done / seconds) : 0;
      $('progress').value = done;
      const percent = total > 0 ? Math.floor((done * 100) / total) : 0;
      text('progress-text', T.progress(percent, done, total, rate));
    },
    // The log names the speed, and the session's result carries it for the report; the page shows
    // no step of its own.
    lineSpeed() {},
    step() {},
    finished() {
      page.running = false;
      page.endedAt = performance.now();
      const result = JSON.parse(call('k5_session_result'));
      page.lastResult = result;
      showOutcome(result);
      updateButtons();
    },
  };

  function showOutcome(result) {
    const [title, detail] = T.outcome[result.outcome] || T.outcome.none;
    let more = detail;
    if (result.outcome === 'port-error') more = T.portErrors[result.portError] || T.portErrors.other;
    if (result.outcome === 'transfer-fail') more = T.noticeReconnect;
    if (page.portLost && result.outcome !== 'programmed') more = T.portWentAway;
    text('outcome-title', title);
    text('outcome-detail', more);
    $('outcome').className = result.outcome === 'programmed' ? 'good' : result.outcome === 'none' ? '' : 'bad';
    if (result.traceProblem) addLog(result.traceProblem);
  }

  function updateButtons() {
    const ready = page.engineReady;
    $('read-pack').disabled = !ready || page.running || page.packBusy;
    $('read-pack-label').classList.toggle('disabled', !ready || page.running || page.packBusy);
    $('choose-port').disabled = !ready || page.running;
    $('program').disabled =
      !ready || page.running || page.packBusy || !page.pack || !port.current || !port.current.port;
    $('stop').disabled = !page.running;
    $('save-trace').disabled = page.running || !page.lastResult || !page.lastResult.trace;
    $('copy-report').disabled = page.running || page.log.length === 0;
    for (const id of ['fast', 'speed', 'show-all']) $(id).disabled = page.running;
    for (const button of document.querySelectorAll('#offered-list button')) {
      button.disabled = !ready || page.running || page.packBusy;
    }
  }

  // ---- packs
  async function askForeign(productCode, title) {
    const dialog = $('foreign-dialog');
    text('foreign-title', title);
    text('foreign-text', T.foreignQuestion(productCode, 20002));
    return new Promise((resolve) => {
      const done = (use) => {
        dialog.close();
        $('foreign-use').onclick = null;
        $('foreign-cancel').onclick = null;
        resolve(use);
      };
      $('foreign-use').onclick = () => done(true);
      $('foreign-cancel').onclick = () => done(false);
      dialog.oncancel = () => done(false);
      dialog.showModal();
    });
  }

  function showPackProblem(message) {
    const problem = $('pack-problem');
    problem.textContent = message;
    problem.hidden = !message;
  }

  // Checks the bytes as the engine's loader does, asks before a foreign pack is used, then uses it.
  async function usePack(name, bytes) {
    showPackProblem('');
    Module.FS.mkdirTree(packDir);
    const path = `${packDir}/candidate.Pack`;
    Module.FS.writeFile(path, bytes);
    try {
      const checked = JSON.parse(call('k5_read_pack', path, 0));
      if (!checked.ok) {
        const why = checked.detail ? `${checked.error}: ${checked.detail}` : checked.error;
        addLog(T.packNotRead(name, why));
        showPackProblem(`${T.errorTitle}: ${why}`);
        return false;
      }
      if (checked.foreign && !(await askForeign(checked.productCode, checked.foreignText))) return false;
      const used = JSON.parse(call('k5_read_pack', path, 1));
      if (!used.ok) return false;
      page.pack = { name, version: used.version, kind: used.kind };
      text('pack-name', name);
      text('pack-version', String(used.version));
      text('pack-kind', used.kind);
      addLog(T.packRead(name, used.version, used.kind));
      return true;
    } finally {
      Module.FS.unlink(path);
      updateButtons();
    }
  }

  // Runs `take` (reading or fetching a pack and using it) unless an update runs or another pack is
  // on its way; Program waits until it has ended.
  async function takePack(take) {
    if (page.running || page.packBusy || !page.engineReady) return;
    page.packBusy = true;
    updateButtons();
    try {
      await take();
    } finally {
      page.packBusy = false;
      updateButtons();
    }
  }

  // A pack is one record of this many bytes (the engine's kPackRecordSize): only that much of any file is read.
  const packRecordSize = 131072;

  function readPackFile(file) {
    if (!file) return;
    takePack(async () => {
      let bytes;
      try {
        bytes = new Uint8Array(await file.slice(0, packRecordSize).arrayBuffer());
      } catch (error) {
        addLog(T.fileNotRead(file.name, error.message));
        showPackProblem(T.fileNotRead(file.name, error.message));
        return;
      }
      await usePack(file.name, bytes);
    });
  }

  const hex = (buffer) => Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, '0')).join('');

  // The file name at the end of `url`'s path, decoded where it decodes.
  function fileName(url) {
    const last = url.pathname.split('/').pop();
    try {
      return decodeURIComponent(last);
    } catch (error) {
      return last;
    }
  }

  async function useOffered(entry, url) {
    const name = `${entry.name} ${entry.version}`;
    if (url.origin !== window.location.origin) {
      showPackProblem(T.offeredOtherSite(name));
      return;
    }
    let bytes;
    try {
      const response = await fetch(url, { cache: 'no-cache' });
      if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
      bytes = new Uint8Array(await response.arrayBuffer());
    } catch (error) {
      showPackProblem(T.offeredFailed(name, error.message));
      return;
    }
    const digest = hex(await crypto.subtle.digest('SHA-256', bytes));
    if (digest !== String(entry.sha256).toLowerCase()) {
      addLog(T.offeredMismatch(name));
      showPackProblem(T.offeredMismatch(name));
      return;
    }
    await usePack(fileName(url) || name, bytes);
  }

  async function loadOffered() {
    let list;
    try {
      const response = await fetch('packs.json', { cache: 'no-cache' });
      if (!response.ok) return;
      list = await response.json();
    } catch (error) {
      return;
    }
    const packs = Array.isArray(list) ? list : list && Array.isArray(list.packs) ? list.packs : null;
    if (!packs) {
      addLog(T.offeredListBroken);
      return;
    }
    const items = $('offered-list');
    packs.forEach((entry, index) => {
      let url = null;
      try {
        if (entry && typeof entry === 'object' && typeof entry.url === 'string') {
          url = new URL(entry.url, window.location.href);
        }
      } catch (error) {
        // not an address: left out below
      }
      if (!url) {
        addLog(T.offeredEntrySkipped(index + 1));
        return;
      }
      const item = document.createElement('li');
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = T.useOffered;
      button.addEventListener('click', () => takePack(() => useOffered(entry, url)));
      const label = document.createElement('span');
      label.textContent = ` ${entry.name} · ${T.version} ${entry.version}${entry.kind ? ` · ${entry.kind}` : ''}`;
      item.append(button, label);
      items.append(item);
    });
    $('offered').hidden = items.children.length === 0;
    updateButtons();
  }

  // ---- the port
  async function choosePort() {
    let chosen;
    try {
      chosen = await port.current.choose($('show-all').checked);
    } catch (error) {
      text('port-line', error.message);
      return;
    }
    if (!chosen) {
      // Cancelled, or nothing to choose from: help.
      if (!port.current.port) text('port-line', T.pickerCancelled);
      $('help').open = true;
      $('help').scrollIntoView({ block: 'start' });
      updateButtons();
      return;
    }
    const described = window.k5Adapters.describe(port.current.info());
    text('port-line', described ? described.text : T.showAllPorts);
    updateButtons();
  }

  // ---- programming
  function program() {
    if (page.running || page.packBusy) return;
    page.portLost = false;
    const speed = $('speed').value;
    const started = Module._k5_program($('fast').checked ? 1 : 0, speed === 'auto' ? 3 : Number(speed), 1);
    if (!started) return;
    page.startedAt = performance.now();
    page.running = true;
    page.lastResult = null;
    text('outcome-title', '');
    text('outcome-detail', '');
    $('outcome').className = '';
    $('report-text').hidden = true;
    text('report-note', '');
    updateButtons();
  }

  function saveTrace() {
    const result = page.lastResult;
    if (!result || !result.trace) return;
    const bytes = Module.FS.readFile(result.trace);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], { type: 'text/plain' }));
    link.download = 'k5-iap-trace.txt';
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }

  async function browserVersion() {
    try {
      if (navigator.userAgentData) {
        const data = await navigator.userAgentData.getHighEntropyValues(['fullVersionList', 'platformVersion']);
        const brands = (data.fullVersionList || []).filter((b) => !/Not.?A.?Brand/i.test(b.brand));
        return `${brands.map((b) => `${b.brand} ${b.version}`).join(', ')} on ${data.platform} ${data.platformVersion}`;
      }
    } catch (error) {
      // fall back to the user agent
    }
    return navigator.userAgent;
  }

  async function report() {
    const described = window.k5Adapters.describe(port.current.info());
    const result = page.lastResult || {};
    const lines = [
      `K5 IAP Tool ${Module.UTF8ToString(Module._k5_version())} (web page)`,
      `Browser: ${await browserVersion()}`,
      `Adapter: ${described ? described.text : 'unknown'}`,
      `Mode: ${$('fast').checked ? 'fast' : 'standard'}, line speed ${$('speed').value === 'auto' ? 'auto' : $('speed').selectedOptions[0].text}`,
      `Speed used: ${result.lineBaud ? T.lineSpeedUsed(result.lineBaud) : 'none'}`,
      `Pack: ${page.pack ? `${page.pack.name}, ${T.version} ${page.pack.version}, ${page.pack.kind}` : 'none'}`,
      `Outcome: ${result.outcomeText || 'none'}${page.portLost ? ' (the port went away)' : ''}`,
      'Log:',
      ...page.log.map((line) => `  ${line}`),
    ];
    const reportText = lines.join('\n');
    window.k5LastReport = reportText;
    try {
      await navigator.clipboard.writeText(reportText);
      text('report-note', T.reportCopied);
    } catch (error) {
      const area = $('report-text');
      area.value = reportText;
      area.hidden = false;
      area.select();
      text('report-note', T.reportShown);
    }
  }

  // ---- start
  function fillTexts() {
    text('read-pack-text', T.readPack);
    text('drop-hint', T.dropHint);
    text('name-label', T.firmwareName);
    text('version-label', T.version);
    text('kind-label', T.kind);
    text('pack-name', T.noPackYet);
    text('choose-port', T.choosePort);
    text('show-all-text', T.showAllPorts);
    text('port-line', T.noPortYet);
    text('fast-text', T.fastTransfer);
    text('speed-text', T.lineSpeed);
    text('speed-auto', T.speedAuto);
    text('program', T.program);
    text('stop', T.stop);
    text('keep-open', T.keepOpen);
    $('speed').title = T.speedAutoTip;
    text('save-trace', T.saveTrace);
    text('copy-report', T.copyReport);
    text('offered-title', T.offeredPacks);
    text('foreign-use', T.useForeign);
    text('foreign-cancel', T.cancel);
    text('loading', T.loading);
  }

  function refuse(message) {
    $('loading').hidden = true;
    const box = $('unsupported');
    box.textContent = message;
    box.hidden = false;
  }

  function wire() {
    $('read-pack').addEventListener('change', (event) => {
      readPackFile(event.target.files[0]);
      event.target.value = '';
    });
    document.addEventListener('dragover', (event) => event.preventDefault());
    document.addEventListener('drop', (event) => {
      event.preventDefault();
      readPackFile(event.dataTransfer.files[0]);
    });
    $('choose-port').addEventListener('click', choosePort);
    $('program').addEventListener('click', program);
    $('stop').addEventListener('click', () => Module._k5_stop());
    $('save-trace').addEventListener('click', saveTrace);
    $('copy-report').addEventListener('click', report);
    $('fast').addEventListener('change', saveOptions);
    $('speed').addEventListener('change', saveOptions);
    // Closing the page ends its workers, and with them the update.
    window.addEventListener('beforeunload', (event) => {
      if (!page.running) return;
      event.preventDefault();
      event.returnValue = T.leaveQuestion;
    });
  }

  function startEngine() {
    port.current = new window.K5WebPort(engine);
    window.Module = {
      k5Port: port.current,
      k5View: view,
      print: () => {},
      printErr: () => {},
    };
    const script = document.createElement('script');
    script.src = 'k5-engine.js';
    document.body.append(script);
  }

  fillTexts();
  if (!window.isSecureContext) {
    refuse(T.notSecure);
    return;
  }
  if (!('serial' in navigator)) {
    refuse(T.noSerial);
    return;
  }
  if (window.k5Isolation.state === 'reloading') return;
  if (!window.crossOriginIsolated) {
    refuse(T.noIsolation);
    return;
  }
  loadOptions();
  wire();
  startEngine();
  loadOffered();
  window.k5Page = page; // for the tests and for a look in the console
})();
