// The page's service worker. It does two things:
//
// Isolation. It makes the page cross-origin isolated on any static host: every
// response of the site's own is served with the two headers that WebAssembly
// threads (SharedArrayBuffer) need. A host that sends them itself needs none of this.
//
// The site kept for use offline, one version whole. site-files.json (written
// by the build) gives the site's version and every file of it with its SHA-256.
// A version is fetched into a cache of its own, each file checked against the
// list, and is used only once it is whole; the version in use then changes in
// one step. Each time the page is opened and the network answers, the worker
// looks for a new list and takes that version whole before it serves the page;
// a version half uploaded to the server (a file that is not the listed one) is
// not taken, and the one in use stays. A page gets every file from the version
// it was opened in, so a page never runs with another version's engine.
// Packs offered by the site (packs.json and the packs it names) are kept by the
// page itself once their SHA-256 is checked (cache "k5-packs"); the worker serves
// them from there when the network does not answer.
//
// A site whose page has been taken down keeps no worker: when the page or this
// script is gone (404 or 410), the worker unregisters itself and drops what it
// kept, and what is served there later is served as it is.
'use strict';

const listName = 'site-files.json';
const versionPrefix = 'k5-site-';
const packCache = 'k5-packs'; // the page's own name for it too (page.js)
const inUseCache = 'k5-site-in-use'; // one entry: the id of the version in use
const networkPatience = 5000; // ms before a network that does not answer counts as none

const scope = () => self.registration.scope;
const gone = (response) => response.status === 404 || response.status === 410;
const hex = (buffer) => Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, '0')).join('');

// The site's name of a URL of its own ("index.html" for the scope's root), or null.
function siteName(url) {
  const path = new URL(url).pathname;
  const root = new URL(scope()).pathname;
  if (!path.startsWith(root)) return null;
  return path.slice(root.length) || 'index.html';
}
const isThePage = (url) => siteName(url) === 'index.html';
const siteUrl = (name) => new URL(name, scope()).href;

function withinPatience(promise) {
  return Promise.race([promise, new Promise((resolve, reject) => setTimeout(reject, networkPatience))]);
}

// ---- versions
async function versionInUse() {
  const kept = await caches.match(siteUrl('in-use'), { cacheName: inUseCache });
  return kept ? kept.text() : null;
}

async function fetchList() {
  const response = await withinPatience(fetch(siteUrl(listName), { cache: 'no-store' }));
  if (!response.ok) throw new Error(`${listName}: ${response.status}`);
  const list = await response.json();
  if (typeof list.id !== 'string' || !list.files || typeof list.files !== 'object') {
    throw new Error(`${listName} lists no files`);
  }
  return list;
}

// Fetches every file of `list` into the version's cache, each checked against its SHA-256. The
// list goes in last: a cache that has it holds the whole version. Keeps nothing when any file
// is missing or is not the listed one.
async function keepVersion(list) {
  const name = versionPrefix + list.id;
  if (await caches.match(siteUrl(listName), { cacheName: name })) return;
  const cache = await caches.open(name);
  try {
    await Promise.all(
      Object.entries(list.files).map(async ([file, digest]) => {
        const response = await fetch(siteUrl(file), { cache: 'no-store' });
        if (!response.ok) throw new Error(`${file}: ${response.status}`);
        const body = await response.arrayBuffer();
        if (hex(await crypto.subtle.digest('SHA-256', body)) !== digest) throw new Error(`${file} is not the listed one`);
        const headers = { 'Content-Type': response.headers.get('Content-Type') || 'application/octet-stream' };
        await cache.put(siteUrl(file), new Response(body, { headers }));
      }),
    );
    await cache.put(siteUrl(listName), new Response(JSON.stringify(list), { headers: { 'Content-Type': 'application/json' } }));
  } catch (error) {
    await caches.delete(name);
    throw error;
  }
}

// The version each open page was opened in (by client id); a page not known here (or a worker of
// a page) gets the version in use.
const openedIn = new Map();
let looking = null; // a look for a new version under way

// Drops the kept versions that are neither in use nor still open in a page (not while a new version
// is being fetched: its cache is not in use yet).
async function dropOldVersions() {
  if (looking) return;
  const inUse = await versionInUse();
  const windows = new Set((await self.clients.matchAll({ type: 'window' })).map((client) => client.id));
  for (const client of openedIn.keys()) if (!windows.has(client)) openedIn.delete(client);
  const open = new Set(openedIn.values());
  for (const name of await caches.keys()) {
    const id = name.slice(versionPrefix.length);
    if (name.startsWith(versionPrefix) && name !== inUseCache && id !== inUse && !open.has(id)) {
      await caches.delete(name);
    }
  }
}

// Looks for a new version and, when there is one, takes it whole. Answers the id of the version in
// use (null before any was kept). Offline, or with a new version not whole on the server yet, the
// version in use stays.
function takeNewVersion() {
  looking ??= (async () => {
    const inUse = await versionInUse();
    try {
      const list = await fetchList();
      if (list.id === inUse) return inUse;
      await keepVersion(list);
      await (await caches.open(inUseCache)).put(siteUrl('in-use'), new Response(list.id));
      return list.id;
    } catch (error) {
      return inUse;
    }
  })().finally(() => {
    looking = null;
  });
  return looking;
}

async function dropEverything() {
  for (const name of await caches.keys()) {
    if (name.startsWith(versionPrefix) || name === packCache) await caches.delete(name);
  }
}

// After the page was opened: are the page and this script still on the server? Offline, the worker stays.
async function retireIfGone(request, fromNetwork) {
  try {
    const response = await fromNetwork;
    if (!response) return;
    const pageGone = isThePage(request.url) && gone(response);
    if (pageGone || gone(await fetch(self.location.href, { cache: 'no-store' }))) {
      await self.registration.unregister();
      await dropEverything();
    }
  } catch (error) {
    // offline, or the server did not answer
  }
}

// ---- answers
function isolated(response) {
  if (response.status === 0) return response;
  const headers = new Headers(response.headers);
  headers.set('Cross-Origin-Opener-Policy', 'same-origin');
  headers.set('Cross-Origin-Embedder-Policy', 'require-corp');
  headers.set('Cross-Origin-Resource-Policy', 'same-origin');
  return new Response(response.body, { status: response.status, statusText: response.statusText, headers });
}

// The page opened: from the version in use, after a new version was looked for; a page that is
// gone from the server is answered as the server answers.
async function openThePage(event) {
  const request = event.request;
  const fromNetwork = fetch(request).catch(() => null);
  event.waitUntil(retireIfGone(request, fromNetwork));
  const [id, response] = await Promise.all([takeNewVersion(), withinPatience(fromNetwork).catch(() => null)]);
  if (response && gone(response)) return response;
  if (id) {
    const kept = await caches.match(siteUrl('index.html'), { cacheName: versionPrefix + id });
    if (kept) {
      if (event.resultingClientId) openedIn.set(event.resultingClientId, id);
      event.waitUntil(dropOldVersions());
      return kept;
    }
  }
  return response || Response.error();
}

// A file of the page's version from that version's cache; anything else from the network, and
// when the network does not answer, from the packs the page kept.
async function answer(event) {
  const request = event.request;
  const name = siteName(request.url);
  const id = openedIn.get(event.clientId) ?? (await versionInUse());
  if (name && id) {
    const kept = await caches.match(siteUrl(name), { cacheName: versionPrefix + id });
    if (kept) return kept;
  }
  try {
    const response = await fetch(request);
    if (response.status < 500) return response;
    return (await caches.match(request, { cacheName: packCache, ignoreSearch: true })) || response;
  } catch (error) {
    const kept = await caches.match(request, { cacheName: packCache, ignoreSearch: true });
    if (kept) return kept;
    throw error;
  }
}

self.addEventListener('install', (event) => {
  // The first version is kept before the page reloads under this worker. A worker that replaces an
  // earlier one leaves the version in use as it is: pages still open keep getting their files from
  // it, and the next page opened looks for a new version.
  const first = versionInUse().then((inUse) => (inUse ? null : takeNewVersion()));
  event.waitUntil(first.then(() => self.skipWaiting()));
});
self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (new URL(request.url).origin !== self.location.origin) return;
  if (request.cache === 'only-if-cached' && request.mode !== 'same-origin') return;
  let answered;
  if (request.method !== 'GET') answered = fetch(request);
  else if (request.mode === 'navigate' && isThePage(request.url)) answered = openThePage(event);
  else answered = answer(event);
  event.respondWith(answered.then(isolated));
});
