// Loads the browser build in headless Chromium through the DevTools protocol and
// plays it as a person would: waits for the program to start, taps the welcome
// away, holds three keys, ends touches by a touchcancel and by hiding the page,
// records two notes and plays them back, saves them as a song, loads the page
// again and finds the song and the take, and fits a phone's viewport; it
// listens to SDL's Web Audio output the whole time. Prints what it sees and
// hears, saves screenshots, and fails when the page throws, stays silent where
// a note should sound or sounds where none should.
//
// usage: node --experimental-websocket scripts/web-smoke.mjs [URL|FOLDER] [SCREENSHOT_DIR]
// With a URL it plays a page served already (scripts/web-serve.py build-web).
// With the build's folder it serves it itself as a plain static host would,
// without the isolation headers, so the service worker must add them; at the
// end it stops serving and loads the page again, offline, and plays a key.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { openBrowser, sleep } from './devtools.mjs';

const target = process.argv[2] ?? 'http://localhost:8080/piano.html';
const out = process.argv[3] ?? fs.mkdtempSync(path.join(os.tmpdir(), 'piano-web-'));
const t0 = Date.now();
const log = (...a) => console.log(((Date.now() - t0) / 1000).toFixed(2).padStart(6), ...a);

let browser = null;
let server = null;
let url = target;
if (!/^https?:/.test(target)) {
  server = spawn('python3', [path.join(import.meta.dirname, 'web-serve.py'), target, '--port', '0', '--plain'],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  url = await new Promise((r) => server.stdout.on('data', (d) => r(/http:\S+/.exec(String(d))?.[0])));
}
let failures = 0;
const fail = (why) => { failures++; log('FAIL', why); };
try {
  browser = await openBrowser((m) => {
    if (m.method === 'Runtime.consoleAPICalled') log(`console.${m.params.type}:`, m.params.args.map((a) => a.value ?? a.description).join(' '));
    if (m.method === 'Runtime.exceptionThrown') fail(`exception: ${JSON.stringify(m.params.exceptionDetails).slice(0, 400)}`);
  });
  const { send, evaluate } = browser;
  const shot = async (name) => {
    const r = await send('Page.captureScreenshot', { format: 'png' });
    fs.writeFileSync(path.join(out, `${name}.png`), Buffer.from(r.result.data, 'base64'));
  };

  await send('Emulation.setDeviceMetricsOverride', { width: 960, height: 640, deviceScaleFactor: 1, mobile: false });
  // Loads the page (or loads it again) and waits for the program; then an
  // analyser beside SDL's output keeps the loudest sample since the last reset.
  const start = async (navigate) => {
    log('loading', url);
    await navigate();
    let started = false;
    for (let i = 0; i < 300 && !started; i++) {
      await sleep(50);
      started = await evaluate('typeof Module !== "undefined" && !!Module.calledRun');
    }
    if (!started) throw new Error('the program did not start within 15 s');
    log('program started');
    // The samples come in after the start; the loading text goes when all are.
    for (let i = 0; i < 300 && !(await evaluate('document.getElementById("loading").hidden')); i++) await sleep(50);
    log('samples in');
    await sleep(500);
    await evaluate(`(() => { const c = Module.SDL2.audioContext, a = c.createAnalyser(), b = new Float32Array(2048);
      a.fftSize = 2048; Module.SDL2.audio.scriptProcessorNode.connect(a); window.peak = 0;
      setInterval(() => { a.getFloatTimeDomainData(b); for (const v of b) window.peak = Math.max(window.peak, Math.abs(v)); }, 20); })()`);
  };
  await start(() => send('Page.navigate', { url }));
  await shot('1-started');

  const [cx, cy, cw, ch] = await evaluate('(() => { const r = Module.canvas.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()');
  const at = (fx, fy, id = 0) => ({ x: cx + cw * fx, y: cy + ch * fy, id });
  const touch = (type, points) => send('Input.dispatchTouchEvent', { type, touchPoints: points });
  const tap = async (fx, fy, ms = 80) => { await touch('touchStart', [at(fx, fy)]); await sleep(ms); await touch('touchEnd', []); };

  log('audio', await evaluate(`(() => { const c = Module.SDL2?.audioContext; if (!c) return 'none';
    return c.state + ', ' + c.sampleRate + ' Hz, buffer ' + Module.SDL2.audio.scriptProcessorNode.bufferSize +
      ' frames, base latency ' + c.baseLatency + ' s, output latency ' + c.outputLatency + ' s'; })()`));
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
  await shot('2-three-keys');
  await loudest('with three keys held', true);
  const fadesOut = async (what) => {
    await sleep(1500);
    await evaluate('window.peak = 0');
    await sleep(300);
    await loudest(what, false);
  };
  await touch('touchEnd', []);
  await fadesOut('after the keys were lifted');
  // A touch the browser takes back ends its note as a lift does; so does the
  // page going hidden, with the finger still down.
  await touch('touchStart', [at(0.3, 0.8, 4)]);
  await sleep(300);
  await touch('touchCancel', []);
  await fadesOut('after a touchcancel');
  await touch('touchStart', [at(0.3, 0.8, 5)]);
  await sleep(300);
  await evaluate(`Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
    document.dispatchEvent(new Event('visibilitychange')); delete document.visibilityState;`);
  await fadesOut('after the page was hidden, the finger down');
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
  log('memory', await evaluate('HEAPU8.length / 1048576'), 'MB');

  // The take saved as a song in the library (points are display points of
  // the 480 x 320 screen), then the page loaded again: the song is in the
  // documents folder, no welcome takes the first tap, and the take, kept in
  // the state file, plays.
  const tapPoint = (x, y) => tap(x / 480, y / 320);
  await tapPoint(220, 20); // the library
  await sleep(800);
  await tapPoint(213, 95); // the name field
  await sleep(300);
  for (const text of 'web take') await send('Input.dispatchKeyEvent', { type: 'char', text });
  const enter = { key: 'Enter', code: 'Enter', windowsVirtualKeyCode: 13 };
  await send('Input.dispatchKeyEvent', { type: 'keyDown', ...enter });
  await send('Input.dispatchKeyEvent', { type: 'keyUp', ...enter });
  await sleep(300);
  await tapPoint(440, 95); // save
  await sleep(500);
  await tapPoint(170, 230); // OK
  await sleep(500);
  await shot('4-saved');
  await tapPoint(20, 20); // back to the piano
  await sleep(1000);
  // As a person reloads it (DevTools' own reload passes the service worker by).
  await start(() => evaluate('location.reload()'));
  const songs = await evaluate('FS.readdir("/documents").filter((n) => n.endsWith(".SAV"))');
  log('songs after the reload:', JSON.stringify(songs));
  if (!songs?.includes('web take.SAV')) fail('the saved song is gone after the reload');
  await tap(0.25, 0.07); // play
  await sleep(1000);
  await shot('5-reloaded-playing');
  await loudest('while the kept take plays after the reload', true);

  // A phone in landscape: the canvas fills the viewport at its pixel ratio.
  await send('Emulation.setDeviceMetricsOverride', { width: 844, height: 390, deviceScaleFactor: 3, mobile: true });
  await sleep(500);
  const canvasSize = await evaluate('[Module.canvas.width, Module.canvas.height]');
  log('canvas on a 844 x 390 viewport at 3 pixels per point:', canvasSize.join(' x '));
  if (canvasSize[0] !== 844 * 3 || canvasSize[1] !== 390 * 3) fail('the canvas does not fill the viewport');
  await shot('4-phone');

  if (server) {
    server.kill();
    await send('Emulation.setDeviceMetricsOverride', { width: 960, height: 640, deviceScaleFactor: 1, mobile: false });
    await start(() => evaluate('location.reload()'));
    await touch('touchStart', [at(0.45, 0.8, 6)]);
    await sleep(400);
    await touch('touchEnd', []);
    await loudest('offline, a key played', true);
    await shot('5-offline');
  }
} catch (e) {
  fail(e.message);
} finally {
  browser?.close();
  server?.kill();
}
log(`screenshots in ${out}`);
console.log(`${failures === 0 ? 1 : 0} passed, ${failures === 0 ? 0 : 1} failed`);
process.exit(failures === 0 ? 0 : 1);
