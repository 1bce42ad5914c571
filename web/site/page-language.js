// The page's language: the one chosen in its language menu (kept in the
// browser), else the first of the browser's languages (navigator.languages)
// that the site has, else English. The site has each language as the same
// compiled gettext catalogue (.mo) the desktop programs build in, in locale/,
// with locale/languages.json naming them; English is the texts themselves.
// K5Language.ready settles once the catalogue is read; the page's texts
// (page-texts.js) are shown through it from then on.
'use strict';

(() => {
  const storageKey = 'k5-language';

  // A catalogue's translations by their English (msgid), from the .mo format: a magic number, the
  // count of texts, the tables of their lengths and offsets. A text's plural forms: its first form.
  function readCatalogue(buffer) {
    const view = new DataView(buffer);
    const magic = view.getUint32(0, true);
    const little = magic === 0x950412de;
    if (!little && view.getUint32(0, false) !== 0x950412de) throw new Error('not a catalogue');
    const word = (at) => view.getUint32(at, little);
    const count = word(8);
    const originals = word(12);
    const translations = word(16);
    const decoder = new TextDecoder('utf-8');
    const string = (table, index) => {
      const length = word(table + index * 8);
      const offset = word(table + index * 8 + 4);
      return decoder.decode(new Uint8Array(buffer, offset, length));
    };
    const texts = new Map();
    for (let i = 0; i < count; i++) {
      const original = string(originals, i).split('\0')[0];
      if (original) texts.set(original, string(translations, i).split('\0')[0]);
    }
    return texts;
  }

  // Of `available` ("de", "zh_CN"), the one for the languages `preferred` in turn ("de-DE",
  // "zh-Hans-CN"), as the desktop programs choose: English when it comes first or none is there.
  function choose(preferred, available) {
    for (const wanted of preferred) {
      const [language, ...rest] = wanted.toLowerCase().split(/[-_]/);
      if (!language) continue;
      if (language === 'en') return '';
      const script = rest.find((part) => part.length === 4) || '';
      const region = rest.find((part) => part.length === 2 || part.length === 3) || '';
      const simplified = script === 'hans' || (!script && ['', 'cn', 'sg'].includes(region));
      let regional = '';
      let plain = '';
      for (const code of available) {
        const [offered, offeredRegion = ''] = code.toLowerCase().split('_');
        if (offered !== language) continue;
        if (language === 'zh') {
          if (simplified === (offeredRegion === 'cn')) regional = code;
        } else if (offeredRegion === region) {
          regional = code;
        } else if (!offeredRegion) {
          plain = code;
        }
      }
      if (regional || plain) return regional || plain;
    }
    return '';
  }

  // `text` with %1, %2, ... replaced by `values` in turn.
  const fillIn = (text, values) => text.replace(/%([1-9])/g, (whole, n) => (n <= values.length ? String(values[n - 1]) : whole));

  const language = {
    code: '', // "" for English
    chosen: '', // as the menu has it: "" the browser's
    offered: [], // [{code, name}] from locale/languages.json, English ("en") first
    texts: new Map(),
    bytes: null, // the catalogue, for the engine's texts
    tr: (text) => language.texts.get(text) || text,
    fill: (text, ...values) => fillIn(language.tr(text), values),
    // The BCP 47 tag for the page and its numbers: "de", "zh-CN".
    get tag() {
      return language.code && language.code !== 'pseudo' ? language.code.replace('_', '-') : 'en';
    },
    // `texts` (page-texts.js) with every string in this language; functions translate as they fill in.
    translated(texts) {
      if (typeof texts === 'string') return language.tr(texts);
      if (Array.isArray(texts)) return texts.map((t) => language.translated(t));
      if (typeof texts !== 'object' || texts === null) return texts;
      return Object.fromEntries(Object.entries(texts).map(([key, t]) => [key, language.translated(t)]));
    },
    // Keeps `code` ("" the browser's) for this browser; the page then shows it once loaded again.
    choose(code) {
      try {
        if (code) localStorage.setItem(storageKey, code);
        else localStorage.removeItem(storageKey);
      } catch (error) {
        // storage refused: the choice holds for this visit only
        sessionStorage.setItem(storageKey, code || 'browser');
      }
    },
  };

  async function load() {
    let stored = '';
    try {
      stored = localStorage.getItem(storageKey) || sessionStorage.getItem(storageKey) || '';
    } catch (error) {
      // storage refused: the browser's language
    }
    if (stored === 'browser') stored = '';
    language.chosen = stored;
    try {
      language.offered = await (await fetch('locale/languages.json')).json();
    } catch (error) {
      return; // no list: English
    }
    const codes = language.offered.map((l) => l.code);
    // The pseudo-language (every text lengthened) is the tests', never offered.
    const wanted =
      stored === 'pseudo' || codes.includes(stored) ? stored : choose(navigator.languages || [], codes);
    if (!wanted || wanted === 'en') return;
    try {
      const buffer = await (await fetch(`locale/${wanted}.mo`)).arrayBuffer();
      language.texts = readCatalogue(buffer);
      language.bytes = new Uint8Array(buffer);
      language.code = wanted;
    } catch (error) {
      // a catalogue that does not come or does not read: English
    }
  }

  language.ready = load().then(() => {
    document.documentElement.lang = language.tag;
  });
  window.K5Language = language;
})();
