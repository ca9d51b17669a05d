// Time to first sound of the browser build, and what its first visit
// transfers. Serves the build's folder itself (counting the bytes it sends),
// loads the page in headless Chromium with a fresh profile (a cold cache), and
// from the moment the program runs taps the welcome away and a key in view,
// again and again, until SDL's Web Audio output first carries a sample that is
// not zero; then loads it again with the caches warm. Prints, per visit, the
// milliseconds from the navigation to the program's start, the first sample
// handed to it, the first sound and the last sample in, and the bytes sent.
//
// usage: node --experimental-websocket bench/web/first_sound.mjs [FOLDER] [--plain] [--warm N]
// FOLDER is the build's folder (build-web); --plain serves it without the
// isolation headers, as a plain static host does (the first visit then loads
// the page twice, the second time through its service worker).
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { openBrowser, sleep } from '../../scripts/devtools.mjs';

const args = process.argv.slice(2);
const plain = args.includes('--plain');
const warmVisits = Number(args[args.indexOf('--warm') + 1]) || (args.includes('--warm') ? 1 : 3);
const folder = args.find((a, i) => !a.startsWith('--') && args[i - 1] !== '--warm') ?? 'build-web';

// A static host: the files as they are, no compression, with the validators a
// browser revalidates against.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.json': 'application/json',
  '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
let bytesSent = 0;
const server = http.createServer((request, response) => {
  const root = path.resolve(folder);
  const file = path.resolve(root, '.' + decodeURIComponent(new URL(request.url, 'http://x').pathname));
  if (!file.startsWith(root + path.sep)) return response.writeHead(403).end();
  fs.stat(file, (error, stat) => {
    if (error || !stat.isFile()) return response.writeHead(404).end();
    const tag = `"${stat.size}-${stat.mtimeMs}"`;
    const headers = { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream', 'ETag': tag,
      'Last-Modified': stat.mtime.toUTCString(), 'Cache-Control': 'no-cache' };
    if (!plain) Object.assign(headers, { 'Cross-Origin-Opener-Policy': 'same-origin', 'Cross-Origin-Embedder-Policy': 'require-corp' });
    if (request.headers['if-none-match'] === tag) return response.writeHead(304, headers).end();
    response.writeHead(200, { ...headers, 'Content-Length': stat.size });
    bytesSent += stat.size;
    fs.createReadStream(file).pipe(response);
  });
});
await new Promise((r) => server.listen(0, '127.0.0.1', r));
const url = `http://localhost:${server.address().port}/piano.html`;

const browser = await openBrowser();
const { send, evaluate, close } = browser;
try {
  const [width, height] = [960, 640];
  await browser.viewport(width, height);
  // In every page: the moments (ms since the epoch) the program started, SDL's
  // output first carried sound, and the last sample came in. The output's
  // buffers are watched by wrapping the handler SDL gives its node.
  await send('Page.addScriptToEvaluateOnNewDocument', { source: `
    window.benchTimes = {};
    const stamp = () => performance.timeOrigin + performance.now();
    const watch = setInterval(() => {
      const m = window.Module;
      if (!m) return;
      if (m.calledRun && !benchTimes.started) benchTimes.started = stamp();
      const progress = m.pianoSampleProgress;
      if (progress && !progress.watched) {
        m.pianoSampleProgress = (done, total) => {
          if (done >= 1 && !benchTimes.firstSample) benchTimes.firstSample = stamp();
          if (done >= total) benchTimes.samples = stamp();
          progress(done, total);
        };
        m.pianoSampleProgress.watched = true;
      }
      const node = m.SDL2 && m.SDL2.audio && m.SDL2.audio.scriptProcessorNode;
      if (node && node.onaudioprocess && !node.onaudioprocess.watched) {
        const sdl = node.onaudioprocess;
        node.onaudioprocess = (e) => {
          sdl(e);
          if (benchTimes.sound) return;
          const data = e.outputBuffer.getChannelData(0);
          for (let i = 0; i < data.length; ++i) if (data[i] !== 0) { benchTimes.sound = stamp(); break; }
        };
        node.onaudioprocess.watched = true;
      }
      if (benchTimes.sound && benchTimes.samples) clearInterval(watch);
    }, 1);` });

  const visit = async (name) => {
    const before = bytesSent;
    const navigated = Date.now();
    await send('Page.navigate', { url });
    let times = null;
    for (let i = 0; i < 2000; i++) {
      times = await evaluate('window.benchTimes');
      if (times?.sound && times?.samples) break;
      if (times?.started && !times?.sound) {
        // From the program's start on: the welcome's Play button, then a key
        // in view (the canvas fills the viewport), each a tap long enough to
        // be seen down in a turn of the program's loop.
        for (const [fx, fy] of [[0.5, 0.69], [0.45, 0.8]]) {
          await browser.touch('touchStart', [{ x: width * fx, y: height * fy, id: 1 }]);
          await sleep(50);
          await browser.touch('touchEnd', []);
        }
      }
      await sleep(10);
    }
    // What the page fetches after the samples (the Chinese font) counts too.
    for (let last = -1; last !== bytesSent;) { last = bytesSent; await sleep(700); }
    const ms = (t) => (t ? String(Math.round(t - navigated)).padStart(6) : '     -');
    console.log(`${name.padEnd(6)} started ${ms(times?.started)} ms  first sample in ${ms(times?.firstSample)} ms  ` +
      `first sound ${ms(times?.sound)} ms  all samples in ${ms(times?.samples)} ms  ` +
      `sent ${((bytesSent - before) / 1e6).toFixed(1).padStart(5)} MB`);
    await send('Page.navigate', { url: 'about:blank' });
    await sleep(300);
  };
  console.log(`${url} (${plain ? 'plain host: the service worker isolates the page' : 'isolation headers from the host'})`);
  await visit('cold');
  for (let i = 0; i < warmVisits; i++) await visit('warm');
} finally {
  close();
  server.close();
}
process.exit(0);
