// The page's service worker, for two jobs a plain static file host cannot do:
//
// - Cross-origin isolation: the program's threads share memory, which the
//   browser allows only on a page served with the COOP and COEP headers. Every
//   response of the page's own origin passes through here and gets them.
// - Offline: every file of the page's own origin that arrives is kept in a
//   cache, and served from there when the network fails. The network comes
//   first, so a new build is picked up at the next load; the HTTP cache still
//   answers unchanged files without a download.
'use strict';
const cacheName = 'piano';

self.addEventListener('install', () => self.skipWaiting());
self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

const isolated = (response) => {
  if (!response || response.status === 0) return response;  // opaque: left as it is
  const headers = new Headers(response.headers);
  headers.set('Cross-Origin-Opener-Policy', 'same-origin');
  headers.set('Cross-Origin-Embedder-Policy', 'require-corp');
  return new Response(response.body, { status: response.status, statusText: response.statusText, headers });
};

// The same file as the one kept when its size and date (or tag) agree: the
// sample data is tens of megabytes, not to be written again at every load.
const sameFile = (a, b) => ['ETag', 'Last-Modified', 'Content-Length'].every((h) => a.headers.get(h) === b.headers.get(h));

const fetchAndKeep = async (request) => {
  const cache = await caches.open(cacheName);
  try {
    const response = await fetch(request);
    if (response.ok && response.type === 'basic') {
      const kept = await cache.match(request, { ignoreSearch: true });
      if (!kept || !sameFile(kept, response)) await cache.put(request, response.clone());
    }
    return response;
  } catch (offline) {
    const kept = await cache.match(request, { ignoreSearch: true });
    if (kept) return kept;
    throw offline;
  }
};

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetchAndKeep(request).then(isolated));
});
