// Makes the page cross-origin isolated on any static host: re-serves each of
// the site's own responses with the two headers that WebAssembly threads
// (SharedArrayBuffer) need. A host that sends them itself needs none of this.
// A site whose page has been taken down keeps no worker: when the page or this
// script is gone (404 or 410), the worker unregisters itself, and what is
// served there later is served as it is.
'use strict';

self.addEventListener('install', () => self.skipWaiting());
self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

const gone = (response) => response.status === 404 || response.status === 410;
const isThePage = (url) => {
  const path = new URL(url).pathname;
  const scope = new URL(self.registration.scope).pathname;
  return path === scope || path === `${scope}index.html`;
};

// After a navigation: are the page and this script still on the server? Offline, the worker stays.
async function retireIfGone(request, navigation) {
  try {
    const response = await navigation;
    const pageGone = isThePage(request.url) && gone(response);
    if (pageGone || gone(await fetch(self.location.href, { cache: 'no-store' }))) {
      await self.registration.unregister();
    }
  } catch (error) {
    // offline, or the server did not answer
  }
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (new URL(request.url).origin !== self.location.origin) return;
  if (request.cache === 'only-if-cached' && request.mode !== 'same-origin') return;
  const fetched = fetch(request);
  if (request.mode === 'navigate') event.waitUntil(retireIfGone(request, fetched));
  event.respondWith(
    fetched.then((response) => {
      if (response.status === 0) return response;
      const headers = new Headers(response.headers);
      headers.set('Cross-Origin-Opener-Policy', 'same-origin');
      headers.set('Cross-Origin-Embedder-Policy', 'require-corp');
      headers.set('Cross-Origin-Resource-Policy', 'same-origin');
      return new Response(response.body, {
        status: response.status,
        statusText: response.statusText,
        headers,
      });
    }),
  );
});
