// Brings the page its cross-origin isolation: registers the service worker
// that adds the headers, and reloads once when it first takes control. Sets
// k5Isolation.state: "isolated", "reloading" or "unavailable".
'use strict';

window.k5Isolation = (() => {
  const tried = 'k5-isolation-reload';
  const result = { state: 'isolated', ready: Promise.resolve() };
  if (window.crossOriginIsolated) {
    sessionStorage.removeItem(tried);
    return result;
  }
  if (!window.isSecureContext || !('serviceWorker' in navigator)) {
    result.state = 'unavailable';
    return result;
  }
  if (sessionStorage.getItem(tried)) {
    // Reloaded once under the worker and still not isolated: do not loop.
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
