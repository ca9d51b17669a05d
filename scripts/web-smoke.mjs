// Loads the browser build in headless Chromium through the DevTools protocol and
// plays it as a person would: waits for the program to start, taps the welcome
// away, holds three keys, ends touches by a touchcancel and by hiding the page,
// records two notes and plays them back, saves them as a song, loads the page
// again and finds the song and the take, and fits a phone's viewport; it
// listens to SDL's Web Audio output the whole time. Prints what it sees and
// hears, saves screenshots, and fails when the page throws, stays silent where
// a note should sound or sounds where none should.
//
// usage: node --experimental-websocket scripts/web-smoke.mjs [URL|FOLDER] [SCREENSHOT_DIR] [--native PIANO]
// With a URL it plays a page served already (scripts/web-serve.py build-web).
// With the build's folder it serves it itself as a plain static host would,
// without the isolation headers, so the service worker must add them; at the
// end it stops serving and loads the page again, offline, and plays a key.
// With --native and the desktop program, that program's headless driver plays
// the same touches up to the held keys, and its screenshots must match the
// page's.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { log, openBrowser, serve, sleep } from './devtools.mjs';
import { readPng } from './png.mjs';

const args = process.argv.slice(2);
const nativeAt = args.indexOf('--native');
const nativePiano = nativeAt >= 0 ? args.splice(nativeAt, 2)[1] : null;
const target = args[0] ?? 'http://localhost:8080/piano.html';
const out = args[1] ?? fs.mkdtempSync(path.join(os.tmpdir(), 'piano-web-'));
fs.mkdirSync(out, { recursive: true });
const { url, server } = /^https?:/.test(target) ? { url: target, server: null } : await serve(target);
let browser = null;
let failures = 0;
const fail = (why) => { failures++; log('FAIL', why); };

// The desktop program's headless driver plays the page's first touches (points
// of the 480 x 320 screen, at 2 pixels per point as the page's 960 x 640); the
// two pictures differ only at edges that the two renderers smooth differently
// (2-3 % of the pixels off by more than 32 of 255), a wrong screen or a key
// drawn wrongly far more.
const compareWithNative = () => {
  const dir = path.join(out, 'native');
  fs.mkdirSync(dir, { recursive: true });
  fs.writeFileSync(path.join(dir, 'moments.txt'), ['3.10 down 9 240 221', '3.18 up 9',
    '3.90 down 1 96 256', '3.90 down 2 216 256', '3.90 down 3 336 256', '4.30 shot 2-three-keys.png', '4.50 end', ''].join('\n'));
  const documents = fs.mkdtempSync(path.join(os.tmpdir(), 'piano-native-'));
  const run = spawnSync(nativePiano, ['--script', path.join(dir, 'moments.txt'), '--offscreen', '--no-audio',
    '--documents', documents], { stdio: 'inherit' });
  if (run.status !== 0) return fail('the desktop program did not play the script');
  for (const name of ['2-three-keys']) {
    const a = readPng(path.join(dir, `${name}.png`)), b = readPng(path.join(out, `${name}.png`));
    if (a.w !== b.w || a.h !== b.h) { fail(`${name}: ${b.w} x ${b.h} in the page, ${a.w} x ${a.h} on the desktop`); continue; }
    let off = 0;
    for (let i = 0; i < a.px.length; i += 3) {
      off += Math.max(...[0, 1, 2].map((k) => Math.abs(a.px[i + k] - b.px[i + k]))) > 32 ? 1 : 0;
    }
    const share = off / (a.w * a.h);
    log(`${name}: ${(100 * share).toFixed(2)} % of the pixels differ from the desktop's`);
    if (share > 0.06) fail(`${name} does not look as on the desktop`);
  }
};
try {
  browser = await openBrowser((m) => {
    if (m.method === 'Runtime.consoleAPICalled') log(`console.${m.params.type}:`, m.params.args.map((a) => a.value ?? a.description).join(' '));
    if (m.method === 'Runtime.exceptionThrown') fail(`exception: ${JSON.stringify(m.params.exceptionDetails).slice(0, 400)}`);
  });
  const { send, evaluate } = browser;
  const shot = (name) => browser.shot(path.join(out, `${name}.png`));
  // A picture for comparing: taken again until two in a row agree, so that
  // an animation still running on a slow machine is not caught half-way.
  const settledShot = async (name) => {
    let before = null;
    for (let i = 0; i < 20; i++) {
      const r = await send('Page.captureScreenshot', { format: 'png' });
      if (r.result.data === before) break;
      before = r.result.data;
      await sleep(250);
    }
    fs.writeFileSync(path.join(out, `${name}.png`), Buffer.from(before, 'base64'));
  };

  await browser.viewport(960, 640);
  // Loads the page (or loads it again) and waits for the program; then an
  // analyser beside SDL's output keeps the loudest sample since the last reset.
  const start = async (navigate) => {
    log('loading', url);
    await browser.start(navigate);
    log('program started');
    // The samples come in after the start; the loading text goes when all are.
    for (let i = 0; i < 300 && !(await evaluate('document.getElementById("loading").hidden')); i++) await sleep(50);
    log('samples in');
    await sleep(500);
    // A second, long analyser tells the pitch: the strongest partial, to 1.5 Hz.
    await evaluate(`(() => { const c = Module.SDL2.audioContext, a = c.createAnalyser(), b = new Float32Array(2048);
      a.fftSize = 2048; Module.SDL2.audio.scriptProcessorNode.connect(a); window.peak = 0;
      setInterval(() => { a.getFloatTimeDomainData(b); for (const v of b) window.peak = Math.max(window.peak, Math.abs(v)); }, 20);
      const f = c.createAnalyser(), d = new Float32Array(16384);
      f.fftSize = 32768; f.smoothingTimeConstant = 0; Module.SDL2.audio.scriptProcessorNode.connect(f);
      window.pitch = () => { f.getFloatFrequencyData(d); let k = 1; for (let i = 1; i < d.length; i++) if (d[i] > d[k]) k = i;
        return k * c.sampleRate / f.fftSize; }; })()`);
  };
  await start(() => send('Page.navigate', { url }));
  await shot('1-started');

  const [cx, cy, cw, ch] = await browser.canvasRect();
  const at = (fx, fy, id = 0) => ({ x: cx + cw * fx, y: cy + ch * fy, id });
  const { touch } = browser;
  const tap = async (fx, fy, ms = 80) => { await touch('touchStart', [at(fx, fy)]); await sleep(ms); await touch('touchEnd', []); };

  log('audio', await evaluate(`(() => { const c = Module.SDL2?.audioContext; if (!c) return 'none';
    return c.state + ', ' + c.sampleRate + ' Hz, buffer ' + Module.SDL2.audio.scriptProcessorNode.bufferSize +
      ' frames, base latency ' + c.baseLatency + ' s, output latency ' + c.outputLatency + ' s'; })()`));
  // The program's own count of voices (platform/test_probe.h).
  const expectVoices = async (what, started, sounding) => {
    const [s, n] = [await browser.probe('voices started'), await browser.probe('voices sounding')];
    log(`${what}: ${s} voices started, ${n} sounding`);
    if (s !== started || n !== sounding) fail(`${what}: expected ${started} started and ${sounding} sounding`);
  };
  const loudest = async (what, expectSound) => {
    const peak = await evaluate('window.peak');
    log(`loudest sample ${what}:`, peak.toFixed(3));
    if (expectSound !== peak > 0.01) fail(`${what}: ${expectSound ? 'silent' : 'sounding'}`);
    await evaluate('window.peak = 0');
  };

  await tap(0.5, 0.69); // the welcome's Play button
  await sleep(500);
  await loudest('before any key', false);
  await touch('touchStart', [at(0.2, 0.8, 1), at(0.45, 0.8, 2), at(0.7, 0.8, 3)]);
  await sleep(400);
  await settledShot('2-three-keys');
  await loudest('with three keys held', true);
  await expectVoices('three keys held', 3, 3);
  const fadesOut = async (what) => {
    await sleep(1500);
    await evaluate('window.peak = 0');
    await sleep(300);
    await loudest(what, false);
  };
  await touch('touchEnd', []);
  await fadesOut('after the keys were lifted');
  await expectVoices('the keys lifted', 3, 0);
  // A touch the browser takes back ends its note as a lift does; so does the
  // page going hidden, with the finger still down.
  await touch('touchStart', [at(0.3, 0.8, 4)]);
  await sleep(300);
  await touch('touchCancel', []);
  await fadesOut('after a touchcancel');
  await expectVoices('a touch cancelled', 4, 0);
  await touch('touchStart', [at(0.3, 0.8, 5)]);
  await sleep(300);
  await evaluate(`Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
    document.dispatchEvent(new Event('visibilitychange')); delete document.visibilityState;`);
  await fadesOut('after the page was hidden, the finger down');
  await expectVoices('the page hidden', 5, 0);
  await touch('touchEnd', []);

  await tap(0.355, 0.07); // record
  await sleep(300);
  await tap(0.3, 0.8, 300);
  await sleep(200);
  await tap(0.55, 0.8, 300);
  await sleep(500);
  await tap(0.355, 0.07); // stop recording
  await sleep(1500);
  await evaluate('window.peak = 0');
  await tap(0.25, 0.07); // play
  await sleep(300);
  await shot('3-playing');
  await sleep(1500);
  await loudest('while the take plays back', true);
  await expectVoices('the take recorded and played back', 9, 0);
  log('memory', await evaluate('HEAPU8.length / 1048576'), 'MB');

  // The take saved as a song in the library (points are display points of
  // the 480 x 320 screen), then the page loaded again: the song is in the
  // documents folder, no welcome takes the first tap, and the take, kept in
  // the state file, plays.
  const tapPoint = (x, y) => tap(x / 480, y / 320);
  const taps = async (...points) => { for (const [x, y] of points) { await tapPoint(x, y); await sleep(800); } };
  await taps([220, 20], [213, 95]); // the library, the name field
  for (const text of 'web take') await send('Input.dispatchKeyEvent', { type: 'char', text });
  const enter = { key: 'Enter', code: 'Enter', windowsVirtualKeyCode: 13 };
  await send('Input.dispatchKeyEvent', { type: 'keyDown', ...enter });
  await send('Input.dispatchKeyEvent', { type: 'keyUp', ...enter });
  await sleep(300);
  await taps([440, 95], [170, 230]); // save, OK
  await shot('4-saved');
  await taps([20, 20]); // back to the piano
  // As a person reloads it (DevTools' own reload passes the service worker by).
  await start(() => evaluate('location.reload()'));
  const songs = await evaluate('FS.readdir("/documents").filter((n) => n.endsWith(".SAV"))');
  log('songs after the reload:', JSON.stringify(songs));
  if (!songs?.includes('web take.SAV')) fail('the saved song is gone after the reload');
  await tap(0.25, 0.07); // play
  await sleep(1000);
  await shot('5-reloaded-playing');
  await loudest('while the kept take plays after the reload', true);

  // The manual's "Open in browser" opens an address the page's folder serves.
  await evaluate('window.open = (address) => { window.opened = address; return {}; }');
  await taps([220, 20], [460, 20], [400, 295]); // the library, its manual, "Open in browser"
  const manual = await evaluate('fetch(window.opened).then(async (r) => [window.opened, r.ok && (await r.text()).includes("manual.css")])');
  log('the manual opens at', JSON.stringify(manual));
  if (!manual?.[1]) fail('the manual\'s address is not served');
  await taps([250, 300], [20, 20]); // back to the library, to the piano

  // A phone held portrait, the landscape lock refused: the layout (tall) from
  // the viewport at start, the canvas at the device's pixels, the piano turned;
  // a touch where a key is drawn sounds as there after a turn to landscape.
  const phone = async (width, height) => {
    await browser.viewport(width, height, 3, true);
    await sleep(500);
    const size = await evaluate('[Module.canvas.width, Module.canvas.height]');
    log(`canvas on a ${width} x ${height} viewport at 3 pixels per point:`, size.join(' x '));
    if (size[0] !== width * 3 || size[1] !== height * 3) fail('the canvas does not fill the viewport');
  };
  // Where a point of the 568 x 320 picture shows: letterboxed, turned a quarter clockwise in portrait.
  const onScreen = async (px, py, id) => {
    const [x, y, w, h] = await browser.canvasRect();
    const turned = h > w, [pw, ph] = turned ? [320, 568] : [568, 320], s = Math.min(w / pw, h / ph);
    const left = x + (w - pw * s) / 2, top = y + (h - ph * s) / 2;
    return turned ? { x: left + (320 - py) * s, y: top + px * s, id } : { x: left + px * s, y: top + py * s, id };
  };
  const pitchAt = async (px, py, id) => {
    await touch('touchStart', [await onScreen(px, py, id)]);
    const hz = await sleep(800).then(() => evaluate('window.pitch()'));
    return touch('touchEnd', []).then(() => sleep(1500)).then(() => hz);
  };
  await send('Page.addScriptToEvaluateOnNewDocument', { source: 'screen.orientation.lock = () => Promise.reject(new Error("refused"))' });
  await phone(390, 844);
  await start(() => evaluate('location.reload()'));
  await shot('6-portrait');
  const low = await pitchAt(170, 256, 7);
  await phone(844, 390);
  await shot('7-turned-to-landscape');
  const [same, other] = [await pitchAt(170, 256, 8), await pitchAt(312, 256, 9)];
  log('pitch of a key in portrait, the same in landscape, another:', [low, same, other].map((f) => f.toFixed(1)).join(', '));
  const semitones = (a, b) => Math.abs(12 * Math.log2(a / b));
  if (semitones(low, same) > 0.5 || semitones(other, same) < 0.5) fail('a touch in portrait plays another key');

  if (server) {
    server.kill();
    await browser.viewport(960, 640);
    await start(() => evaluate('location.reload()'));
    await touch('touchStart', [at(0.45, 0.8, 6)]);
    await sleep(400);
    await touch('touchEnd', []);
    await loudest('offline, a key played', true);
    await shot('5-offline');
  }
  if (nativePiano) compareWithNative();
} catch (e) {
  fail(e.message);
} finally {
  browser?.close();
  server?.kill();
}
log(`screenshots in ${out}`);
console.log(`${failures === 0 ? 1 : 0} passed, ${failures === 0 ? 0 : 1} failed`);
process.exit(failures === 0 ? 0 : 1);
