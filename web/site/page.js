// The page: a thin view over the engine, as the desktop windows are. What is
// enabled, what an outcome says, the progress figures, the speed choices and
// the report are the engine's page model's (k5_state); this file applies its
// state to the page and does what needs the browser: files, the port, fetch
// and SubtleCrypto, the clipboard.
'use strict';

(async () => {
  // The page's texts in its language (page-language.js), once its catalogue is read.
  await window.K5Language.ready;
  const T = window.K5Language.translated(window.K5Text);
  const $ = (id) => document.getElementById(id);
  const optionsKey = 'k5-iap-options';
  const packDir = '/k5/packs';

  // What the page shows, as the tests and a look in the console see it.
  const page = {
    engineReady: false,
    running: false,
    lastResult: null, // the model's outcome of the last update
    log: [],
  };

  function text(id, value) {
    $(id).textContent = value;
  }

  // `line` goes into the report as it is (the engine's English); the log shows `shown`.
  function addLog(line, shown = line) {
    page.log.push(line);
    if (page.engineReady) call('k5_log_added', line); // else when it is ready
    const item = document.createElement('li');
    item.textContent = shown;
    $('log').append(item);
    item.scrollIntoView({ block: 'nearest' });
  }

  // ---- options, kept in the browser between visits
  function fillSpeeds(speeds) {
    const box = $('speed');
    for (const choice of speeds) {
      const option = document.createElement('option');
      option.value = choice.value;
      option.textContent = choice.value === 'auto' ? T.speedAuto : choice.label;
      box.append(option);
    }
  }
  function loadOptions() {
    const box = $('speed');
    const fallback = box.options.length > 1 ? box.options[1].value : box.value;
    try {
      const saved = JSON.parse(localStorage.getItem(optionsKey) || '{}');
      $('fast').checked = saved.fast === true;
      box.value = saved.speed;
      if (box.value !== saved.speed) box.value = fallback;
    } catch (error) {
      box.value = fallback;
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
    hungUp: () => Module._k5_port_hung_up(),
  };

  // A text the engine made in English, in the page's language.
  function engineText(english) {
    return page.engineReady && window.K5Language.code ? call('k5_translate', english) : english;
  }

  function call(name, ...args) {
    const types = args.map((a) => (typeof a === 'string' ? 'string' : 'number'));
    return Module.ccall(name, 'string', types, args);
  }
  function callNumber(name, ...args) {
    const types = args.map((a) => (typeof a === 'string' ? 'string' : 'number'));
    return Module.ccall(name, 'number', types, args);
  }

  // ---- the model's state, applied
  const state = () => JSON.parse(call('k5_state'));

  function showProgress(progress) {
    $('progress').max = Math.max(1, progress.total);
    $('progress').value = progress.done;
    text('progress-text', T.progress(progress.percent, progress.done, progress.total, progress.rate));
  }

  function outcomeDetail(outcome) {
    const [, own] = T.outcome[outcome.name] || T.outcome.none;
    if (outcome.detail.startsWith('port-error:')) {
      // The transport's own reason (an adapter the system holds) says more than the engine's kind.
      const why = port.current.problem || outcome.detail.slice('port-error:'.length);
      return T.portErrors[why] || T.portErrors.other;
    }
    return { reconnect: T.noticeReconnect, 'port-went-away': T.portWentAway }[outcome.detail] ?? own;
  }

  function showOutcome(outcome) {
    text('outcome-title', outcome ? (T.outcome[outcome.name] || T.outcome.none)[0] : '');
    text('outcome-detail', outcome ? outcomeDetail(outcome) : '');
    $('outcome').className = outcome ? outcome.tone : '';
  }

  // Until the engine runs its controls stay as the page loaded them: disabled.
  function apply() {
    if (!page.engineReady) return null;
    const current = state();
    const on = current.enabled;
    page.running = current.running;
    $('language').disabled = current.running; // a new language takes a new page
    if (page.running) keepScreenOn();
    else letScreenOff();
    $('read-pack').disabled = !on.readPack;
    $('read-pack-label').classList.toggle('disabled', !on.readPack);
    $('choose-port').disabled = !on.choosePort;
    $('program').disabled = !on.program;
    $('stop').disabled = !on.stop;
    $('save-trace').disabled = !on.saveTrace;
    $('copy-report').disabled = !on.copyReport;
    for (const id of ['fast', 'speed', 'show-all']) $(id).disabled = !on.options;
    for (const button of document.querySelectorAll('#offered-list button')) button.disabled = !on.offered;
    if (current.pack) {
      text('pack-name', current.pack.name);
      text('pack-version', String(current.pack.version));
      text('pack-kind', engineText(current.pack.kind));
    }
    return current;
  }

  const view = {
    ready() {
      page.engineReady = true;
      // The engine words its own texts (log lines, a pack's problems) with the page's catalogue, kept for
      // the page's life.
      const catalogue = window.K5Language.bytes;
      if (catalogue) {
        const at = Module._malloc(catalogue.length);
        Module.HEAPU8.set(catalogue, at);
        Module._k5_use_catalogue(at, catalogue.length);
      }
      $('loading').hidden = true;
      $('tool').hidden = false;
      text('version', Module.UTF8ToString(Module._k5_version()));
      for (const line of page.log) call('k5_log_added', line);
      fillSpeeds(apply().speeds);
      loadOptions();
    },
    log: (line) => addLog(line, engineText(line)),
    showProgress(visible) {
      $('progress-box').hidden = !visible;
    },
    progressMax(maximum) {
      Module._k5_progress_max(maximum);
      showProgress(state().progress);
    },
    progressPosition() {
      Module._k5_progress_position();
      showProgress(state().progress);
    },
    // The log names the speed, and the session's result carries it for the report; the page shows
    // no step of its own.
    lineSpeed() {},
    step() {},
    finished() {
      page.endedAt = performance.now();
      Module._k5_finished();
      const { outcome } = state();
      page.lastResult = outcome;
      showOutcome(outcome);
      if (outcome.advice) addLog(outcome.advice, engineText(outcome.advice));
      if (outcome.traceProblem) addLog(outcome.traceProblem, engineText(outcome.traceProblem));
      apply();
    },
  };

  // ---- packs
  async function askForeign(productCode, title) {
    const dialog = $('foreign-dialog');
    text('foreign-title', title);
    text('foreign-text', T.foreignQuestion(productCode, state().productCode));
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

  // A pack's problem shows under the pack and where the person looks next: the outcome beside Program.
  function showPackProblem(message) {
    const problem = $('pack-problem');
    problem.textContent = message;
    problem.hidden = !message;
    if (message) {
      text('outcome-title', T.packRefused);
      text('outcome-detail', message);
      $('outcome').className = 'bad';
    } else if ($('outcome-title').textContent === T.packRefused) {
      showOutcome(null);
    }
  }


  // Checks the bytes as the engine's loader does, asks before a foreign pack is used, then uses it.
  async function usePack(name, bytes) {
    showPackProblem('');
    Module.FS.mkdirTree(packDir);
    const path = `${packDir}/candidate.Pack`;
    Module.FS.writeFile(path, bytes);
    try {
      const checked = JSON.parse(call('k5_check_pack', path));
      if (!checked.ok) {
        const error = engineText(checked.error);
        const why = checked.detail ? `${error}: ${engineText(checked.detail)}` : error;
        Module._k5_pack_refused();
        addLog(T.packNotRead(name, why));
        showPackProblem(`${T.errorTitle}: ${why}`);
        return false;
      }
      if (checked.foreign && !(await askForeign(checked.productCode, engineText(checked.foreignTitle)))) return false;
      const used = JSON.parse(call('k5_use_pack', path, name));
      if (!used.ok) return false;
      addLog(T.packRead(name, used.version, engineText(used.kind)));
      return true;
    } finally {
      Module.FS.unlink(path);
      apply();
    }
  }

  // Runs `take` (reading or fetching a pack and using it) when the model lets a pack be taken now;
  // Program waits until it has ended.
  async function takePack(take) {
    if (!page.engineReady || !Module._k5_begin_pack_read()) return;
    apply();
    try {
      await take();
    } finally {
      Module._k5_end_pack_read();
      apply();
    }
  }

  // Only a pack's one record of any file is read: the engine says how long that is.
  function readPackFile(file) {
    if (!file) return;
    takePack(async () => {
      let bytes;
      try {
        bytes = new Uint8Array(await file.slice(0, state().packRecordSize).arrayBuffer());
      } catch (error) {
        Module._k5_pack_refused();
        addLog(T.fileNotRead(file.name, error.message));
        showPackProblem(T.fileNotRead(file.name, error.message));
        return;
      }
      await usePack(file.name, bytes);
    });
  }

  const hex = (buffer) => Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, '0')).join('');

  // ---- the site's packs kept for use offline: its list, and each pack once its SHA-256 is checked.
  // The service worker answers from this cache when the network does not.
  const packCache = 'k5-packs'; // isolation-sw.js's name for it too
  async function keepOffline(url, body, type, listed) {
    try {
      const cache = await caches.open(packCache);
      await cache.put(url.href, new Response(body, { headers: { 'Content-Type': type } }));
      if (!listed) return;
      // Packs the list no longer names are dropped.
      for (const request of await cache.keys()) {
        if (request.url !== url.href && !listed.has(request.url)) await cache.delete(request);
      }
    } catch (error) {
      // no storage for it: the packs work online only
    }
  }

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
    await keepOffline(url, bytes, 'application/octet-stream');
    await usePack(fileName(url) || name, bytes);
  }

  async function loadOffered() {
    const listUrl = new URL('packs.json', window.location.href);
    let list;
    let body;
    try {
      const response = await fetch(listUrl, { cache: 'no-cache' });
      if (!response.ok) return;
      body = await response.text();
      list = JSON.parse(body);
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
      button.disabled = !page.engineReady;
      button.addEventListener('click', () => takePack(() => useOffered(entry, url)));
      const label = document.createElement('span');
      label.textContent = ` ${entry.name} · ${T.version} ${entry.version}${entry.kind ? ` · ${entry.kind}` : ''}`;
      item.append(button, label);
      items.append(item);
    });
    $('offered').hidden = items.children.length === 0;
    apply();
    const listed = new Set(packs.flatMap((entry) => {
      try {
        return [new URL(entry.url, window.location.href).href];
      } catch (error) {
        return [];
      }
    }));
    await keepOffline(listUrl, body, 'application/json', listed);
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
      return;
    }
    Module._k5_port_chosen(1);
    const described = window.k5Adapters.describe(port.current.info());
    text('port-line', described ? described.text : T.showAllPorts);
    apply();
  }

  // ---- programming
  function program() {
    if (!callNumber('k5_program', $('fast').checked ? 1 : 0, $('speed').value)) return;
    page.startedAt = performance.now();
    page.lastResult = null;
    showOutcome(null);
    $('report-text').hidden = true;
    text('report-note', '');
    apply();
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
    const reportText = call('k5_report', await browserVersion(), described ? described.text : '');
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

  // ---- the screen kept on while an update runs. The browser lets the lock go when the page is
  // hidden; it is asked for again when the page is back in view and still programming.
  const screen = { lock: null, asking: false };
  async function keepScreenOn() {
    if (screen.lock || screen.asking || !('wakeLock' in navigator) || document.visibilityState !== 'visible') return;
    screen.asking = true;
    try {
      const lock = await navigator.wakeLock.request('screen');
      lock.addEventListener('release', () => {
        if (screen.lock === lock) screen.lock = null;
      });
      screen.lock = lock;
      if (!page.running) letScreenOff();
    } catch (error) {
      // refused (a battery saver, a policy): the update runs all the same
    } finally {
      screen.asking = false;
    }
  }
  function letScreenOff() {
    const lock = screen.lock;
    screen.lock = null;
    if (lock) lock.release().catch(() => {});
  }

  // ---- installing the page as an app, when the browser offers it
  function offerInstall() {
    let offer = null;
    window.addEventListener('beforeinstallprompt', (event) => {
      event.preventDefault();
      offer = event;
      $('install').hidden = false;
    });
    window.addEventListener('appinstalled', () => {
      offer = null;
      $('install').hidden = true;
    });
    $('install').addEventListener('click', async () => {
      if (!offer) return;
      const shown = offer;
      offer = null;
      $('install').hidden = true;
      shown.prompt();
      await shown.userChoice.catch(() => null);
    });
  }

  // Which version of the site this page is, when the service worker keeps it for use offline.
  async function showKeptVersion() {
    try {
      const list = await (await fetch('site-files.json')).json();
      if (!(await caches.has(`k5-site-${list.id}`))) return;
      page.siteVersion = list.id;
      text('offline-note', T.keptOffline(list.id));
    } catch (error) {
      // not kept: the page works online only
    }
  }

  // ---- start
  // The texts index.html marks (data-text): a text's %1 takes another text (data-fill) or the
  // element's own child (a command, the version), which stays in place.
  function fillMarkedTexts() {
    document.title = T.pageTitle;
    for (const element of document.querySelectorAll('[data-text]')) {
      const [before, after] = T[element.dataset.text].split('%1');
      const inner = after === undefined ? null : element.firstElementChild;
      element.textContent = before;
      if (element.dataset.fill) element.append(T[element.dataset.fill], after);
      else if (inner) element.append(inner, after);
    }
  }

  // The language menu: the browser's language, then each the site has (English first) by its own
  // name; a choice takes the page again in that language.
  function fillLanguages() {
    const offered = window.K5Language.offered;
    if (!offered.length) return;
    const box = $('language');
    for (const [code, name] of [['', T.browserLanguage], ...offered.map((l) => [l.code, l.name])]) {
      const option = document.createElement('option');
      option.value = code;
      option.textContent = name;
      box.append(option);
    }
    box.value = window.K5Language.chosen;
    box.addEventListener('change', () => {
      window.K5Language.choose(box.value);
      window.location.reload();
    });
    $('language-box').hidden = false;
  }

  function fillTexts() {
    fillMarkedTexts();
    fillLanguages();
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
    text('install', T.install);
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
    document.addEventListener('visibilitychange', () => {
      if (page.running) keepScreenOn();
    });
    // Closing the page ends its workers, and with them the update.
    window.addEventListener('beforeunload', (event) => {
      if (!page.running) return;
      event.preventDefault();
      event.returnValue = T.leaveQuestion;
    });
  }

  function startEngine(transport) {
    port.current = new window.K5WebPort(engine, transport);
    // Over WebUSB the chooser offers the adapters the page has drivers for, and no others.
    $('show-all').closest('label').style.display = transport.listsAll ? '' : 'none';
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
  offerInstall();
  if (!window.isSecureContext) {
    refuse(T.notSecure);
    return;
  }
  if (!window.K5WebPort.possibleHere) {
    refuse(T.noSerial);
    return;
  }
  if (window.k5Isolation.state === 'reloading') return;
  if (!window.crossOriginIsolated) {
    refuse(T.noIsolation);
    return;
  }
  wire();
  window.K5WebPort.transportHere().then(startEngine);
  loadOffered();
  showKeptVersion();
  window.k5Page = page; // for the tests and for a look in the console
})();
