// Brings the page its cross-origin isolation and its copy for use offline:
// registers the service worker that adds the headers and keeps the site, and
// reloads once when it first takes control of a page that is not isolated yet.
// Sets k5Isolation.state: "isolated", "reloading" or "unavailable".
'use strict';

window.k5Isolation = (() => {
  const tried = 'k5-isolation-reload';
  const result = { state: 'isolated', ready: Promise.resolve() };
  const canRegister = window.isSecureContext && 'serviceWorker' in navigator;
  if (window.crossOriginIsolated) {
    sessionStorage.removeItem(tried);
    // A host that sends the headers itself: the worker still keeps the site for use offline. Once it
    // runs it is not registered again (that would keep a worker that is leaving a site gone).
    if (canRegister && !navigator.serviceWorker.controller) {
      navigator.serviceWorker.register('isolation-sw.js').catch(() => {});
    }
    return result;
  }
  if (!canRegister || sessionStorage.getItem(tried)) {
    // No worker, or reloaded once under the worker and still not isolated: do not loop.
    result.state = 'unavailable';
    return result;
  }
  result.state = 'reloading';
  result.ready = navigator.serviceWorker
    .register('isolation-sw.js')
    .then(() => navigator.serviceWorker.ready)
    .then(() => {
      sessionStorage.setItem(tried, '1');
      window.location.reload();
      return new Promise(() => {});
    })
    .catch(() => {
      result.state = 'unavailable';
    });
  return result;
})();
