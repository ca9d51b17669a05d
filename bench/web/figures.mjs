// Figures of the browser build in headless Chromium, printed (not a test):
//   touch to sound: from a touch event's time to the start of the audio
//     callback whose buffer first carries the key's sound (the render call that
//     first mixes the voice), median and worst over single taps, and to the
//     voice's start;
//   frame time with ten fingers down and sliding: the program's own work per
//     animation frame (emscripten's main loop hooks), median, p99 and worst,
//     and the interval between frames;
//   the audio output as the browser grants it (rate, buffer, latencies);
//   playback lateness: the playback thread's presses against their song times,
//     from bench/recording/playback_timing_bench built for the browser (its
//     threads are web workers), when the build folder has it:
//     cmake --build build-web --target playback_timing_bench
//
// usage: node --experimental-websocket bench/web/figures.mjs [BUILD_FOLDER] [--taps N]
import fs from 'node:fs';
import path from 'node:path';
import { log, openBrowser, serve, sleep } from '../../scripts/devtools.mjs';

const args = process.argv.slice(2);
const tapsAt = args.indexOf('--taps');
const taps = tapsAt >= 0 ? Number(args.splice(tapsAt, 2)[1]) : 20;
const folder = args[0] ?? 'build-web';
const quantile = (values, q) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
};
const summary = (values) => `median ${quantile(values, 0.5).toFixed(2)} ms, p99 ${quantile(values, 0.99).toFixed(2)} ms, ` +
  `worst ${Math.max(...values).toFixed(2)} ms (${values.length})`;

const { url, server } = await serve(folder, { plain: false });
let onConsole = () => {};
const browser = await openBrowser((m) => {
  if (m.method === 'Runtime.exceptionThrown') log('exception', JSON.stringify(m.params.exceptionDetails).slice(0, 300));
  if (m.method === 'Runtime.consoleAPICalled') onConsole(m.params.args.map((a) => a.value ?? '').join(' '));
});
try {
  await browser.viewport(960, 640);
  await browser.start(() => browser.send('Page.navigate', { url }));
  await sleep(1000);
  const [cx, cy, cw, ch] = await browser.canvasRect();
  const at = (fx, fy, id) => ({ x: cx + cw * fx, y: cy + ch * fy, id });
  await browser.touch('touchStart', [at(0.5, 0.69, 0)]); // the welcome's Play button
  await browser.touch('touchEnd', []);
  await sleep(500);
  log('audio', await browser.evaluate(`(() => { const c = Module.SDL2.audioContext;
    return c.sampleRate + ' Hz, buffer ' + Module.SDL2.audio.scriptProcessorNode.bufferSize + ' frames, base latency ' +
      (1000 * c.baseLatency).toFixed(1) + ' ms, output latency ' + (1000 * c.outputLatency).toFixed(1) + ' ms'; })()`));
  // Touch times as the page's capture listener sees them; the start of each
  // audio callback whose output turns from silence to sound.
  await browser.evaluate(`(() => {
    window.touchTimes = []; window.soundTimes = []; window.voiceTimes = []; window.frameWork = []; window.frameStarts = [];
    // The voice's start: polled from tasks queued behind the touch's own.
    const started = () => Module.ccall('piano_probe', 'number', ['string'], ['voices started']);
    addEventListener('touchstart', (e) => {
      touchTimes.push(e.timeStamp);
      const before = started();
      let polls = 0;
      const poll = () => {
        if (started() !== before) voiceTimes.push(performance.now());
        else if (++polls < 500) setTimeout(poll, 0);
      };
      setTimeout(poll, 0);
    }, true);
    const node = Module.SDL2.audio.scriptProcessorNode, render = node.onaudioprocess;
    let silent = true;
    node.onaudioprocess = (e) => {
      const t = performance.now();
      render(e);
      const d = e.outputBuffer.getChannelData(0);
      let loud = false;
      for (let i = 0; i < d.length && !loud; i++) loud = Math.abs(d[i]) > 1e-4;
      if (loud && silent) soundTimes.push(t);
      silent = !loud;
    };
    let begun = 0;
    Module.preMainLoop = () => { begun = performance.now(); frameStarts.push(begun); };
    Module.postMainLoop = () => { frameWork.push(performance.now() - begun); };
  })()`);

  const delays = [], starts = [];
  for (let i = 0; i < taps; i++) {
    await browser.evaluate('touchTimes = []; soundTimes = []; voiceTimes = []');
    await browser.touch('touchStart', [at(0.1 + 0.8 * (i % 7) / 6, 0.8, 1)]);
    await sleep(150);
    await browser.touch('touchEnd', []);
    await sleep(1200);
    const [touched, voiced, sounded] = await browser.evaluate('[touchTimes[0], voiceTimes[0], soundTimes[0]]');
    if (touched === undefined || sounded === undefined) log('tap', i, 'no sound');
    else delays.push(sounded - touched), starts.push(voiced - touched);
  }
  log('touch to the voice\'s start:', summary(starts));
  log('touch to sound:', summary(delays));

  await browser.evaluate('frameWork = []; frameStarts = []');
  const fingers = (shift) => Array.from({ length: 10 }, (_, i) => at(0.05 + 0.09 * i + shift, 0.75, 10 + i));
  await browser.touch('touchStart', fingers(0));
  for (let step = 0; step < 180; step++) {
    await browser.touch('touchMove', fingers(0.04 * Math.sin(step / 10)));
    await sleep(16);
  }
  await browser.touch('touchEnd', []);
  const [work, frameStarts] = await browser.evaluate('[frameWork, frameStarts]');
  log('frame time, ten fingers sliding:', summary(work));
  log('between frames:', summary(frameStarts.slice(1).map((t, i) => t - frameStarts[i])));

  if (fs.existsSync(path.join(folder, 'playback_timing_bench.html'))) {
    const printed = new Promise((resolve) => { onConsole = (text) => { if (/lateness/.test(text)) resolve(text); }; });
    await browser.send('Page.navigate', { url: url.replace(/[^/]*$/, 'playback_timing_bench.html') });
    log('playback', (await Promise.race([printed, sleep(60000).then(() => 'gave no figures in 60 s')])).trim());
  }
} finally {
  browser.close();
  server.kill();
}
