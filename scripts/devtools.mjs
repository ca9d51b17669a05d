// Headless Chromium driven through the DevTools protocol (node's own WebSocket,
// no packages), for the scripts that play the browser build (web-smoke.mjs,
// bench/web_first_sound.mjs).
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Starts Chromium with an empty profile and connects to its page. `onEvent`
// sees every protocol event.
export const openBrowser = async (onEvent = () => {}) => {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'piano-web-profile-'));
  // The page's sound starts without a gesture, so figures do not depend on
  // which tap comes first.
  const chrome = spawn('chromium', ['--headless', '--no-sandbox', '--disable-gpu', `--user-data-dir=${profile}`,
    '--remote-debugging-port=0', '--autoplay-policy=no-user-gesture-required', 'about:blank'], { stdio: 'ignore' });
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
  return { send, evaluate, close: () => { ws.close(); chrome.kill(); } };
};
