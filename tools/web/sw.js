// The service worker of nightdrive's page: after the first visit it keeps this
// build's files (program and data) and answers from them, so the page opens and
// plays with the network gone. Written at build time (Stamp.cmake) with the
// build's version, a hash of the files: a new build installs a cache of its own,
// complete before it takes over, and removes the old one once no page uses it, so
// a page never mixes files of two builds.
'use strict';
const version = '@ND_WEB_VERSION@';
const files = [@ND_WEB_FILES@];
const cacheName = 'nightdrive-' + version;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) =>
    cache.addAll(files.map((file) => new Request(file, { cache: 'reload' })))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((k) => k.startsWith('nightdrive-') && k !== cacheName).map((k) => caches.delete(k))))
    .then(() => self.clients.claim()));
});

// The build's own files come from its cache (the page's query aside); anything
// else from the network.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((hit) => hit || fetch(event.request)));
});
