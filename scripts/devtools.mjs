// Headless Chromium driven through the DevTools protocol (node's own WebSocket,
// no packages), for the scripts that play the browser build: a page, its
// program started, touches, screenshots and the loudest sample of its output.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const t0 = Date.now();
export const log = (...a) => console.log(((Date.now() - t0) / 1000).toFixed(2).padStart(6), ...a);

// Serves a build's folder as a plain static host would (scripts/web-serve.py
// --plain: no isolation headers, the service worker adds them) or with the
// headers; resolves to the page's address and the server's process.
export const serve = async (folder, { plain = true } = {}) => {
  const server = spawn('python3', [path.join(import.meta.dirname, 'web-serve.py'), folder, '--port', '0',
    ...(plain ? ['--plain'] : [])], { stdio: ['ignore', 'pipe', 'ignore'] });
  const url = await new Promise((r) => server.stdout.on('data', (d) => r(/http:\S+/.exec(String(d))?.[0])));
  return { url, server };
};

// Starts Chromium with an empty profile and connects to its page. `onEvent`
// sees every protocol event.
export const openBrowser = async (onEvent = () => {}) => {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'piano-web-profile-'));
  // The page's sound starts without a gesture, so figures do not depend on
  // which tap comes first; the background services are off, as this machine's
  // closed network refuses them.
  const chrome = spawn('chromium', ['--headless', '--no-sandbox', '--disable-gpu', `--user-data-dir=${profile}`,
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
    '--remote-debugging-port=0', '--autoplay-policy=no-user-gesture-required',
    ...(process.env.CHROMIUM_FLAGS ?? '').split(' ').filter(Boolean), 'about:blank'], { stdio: 'ignore' });
  let port;
  for (let i = 0; i < 100 && !port; i++) {
    await sleep(100);
    try { port = fs.readFileSync(path.join(profile, 'DevToolsActivePort'), 'utf8').split('\n')[0]; } catch {}
  }
  if (!port) { chrome.kill(); throw new Error('chromium did not start'); }
  const page = (await (await fetch(`http://127.0.0.1:${port}/json/list`)).json()).find((t) => t.type === 'page');
  const ws = new WebSocket(page.webSocketDebuggerUrl);
  await new Promise((r) => ws.addEventListener('open', r));
  let nextId = 0;
  const pending = new Map();
  ws.addEventListener('message', (event) => {
    const m = JSON.parse(event.data);
    if (m.id) { pending.get(m.id)?.(m); pending.delete(m.id); } else onEvent(m);
  });
  const send = (method, params = {}) => new Promise((r) => {
    const id = ++nextId;
    pending.set(id, r);
    ws.send(JSON.stringify({ id, method, params }));
  });
  const evaluate = async (expression) =>
    (await send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true })).result?.result?.value;
  await send('Runtime.enable');
  await send('Page.enable');
  await send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 11 });
  return {
    send,
    evaluate,
    viewport: (width, height, deviceScaleFactor = 1, mobile = false) =>
      send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor, mobile }),
    touch: (type, touchPoints) => send('Input.dispatchTouchEvent', { type, touchPoints }),
    shot: async (file) => {
      const r = await send('Page.captureScreenshot', { format: 'png' });
      fs.writeFileSync(file, Buffer.from(r.result.data, 'base64'));
    },
    // Loads the page (`navigate` does it) and waits for the program to run.
    start: async (navigate) => {
      await navigate();
      for (let i = 0; i < 300; i++) {
        await sleep(50);
        if (await evaluate('typeof Module !== "undefined" && !!Module.calledRun')) return;
      }
      throw new Error('the program did not start within 15 s');
    },
    // The canvas' place in the page: [x, y, width, height].
    canvasRect: () => evaluate('(() => { const r = Module.canvas.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()'),
    // One of the program's probes (platform/test_probe.h).
    probe: (name) => evaluate(`Module.ccall('piano_probe', 'number', ['string'], [${JSON.stringify(name)}])`),
    close: () => { ws.close(); chrome.kill(); },
  };
};
