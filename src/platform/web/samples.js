// The sample files (--pre-js): most of the download, so they are not packed
// into piano.data but fetched one by one, and each is handed to the program as
// soon as it is in (platform/sample_arrivals.cpp). The fetching starts with
// this script, beside the program's own files, from middle C outward; once
// the program runs it names its order (the keys on the screen first), which
// the files not yet on their way follow.
//
// They lie beside the page as samples/<name>.gz, compressed, because a plain
// static host sends files as they are; the browser unpacks them
// (DecompressionStream). A host that sends them marked as gzip-encoded has the
// browser unpack them already: the bytes then start with the sample format
// byte instead of gzip's 1f 8b.
(() => {
  if (Module.ENVIRONMENT_IS_PTHREAD) return;  // the program's threads load this script too
  const lanes = 4;  // files on the way at once
  const attempts = 3;
  const files = new Map();  // name -> { bytes: a promise, start }
  let queue = [];
  let running = 0;

  const unpacked = async (bytes) => {
    if (bytes[0] !== 0x1f || bytes[1] !== 0x8b) return bytes;
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  };
  // A compressed file beside the page, unpacked (fonts.js fetches with it too).
  const fetchPacked = Module.pianoFetchPacked = async (url) => {
    for (let attempt = 1; ; ++attempt) {
      try {
        const response = await fetch(url);
        if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
        return await unpacked(new Uint8Array(await response.arrayBuffer()));
      } catch (e) {
        if (attempt >= attempts) throw e;
        await new Promise((r) => setTimeout(r, 500 * attempt));
      }
    }
  };
  // The file's bytes, once a lane has fetched them.
  const file = (name) => {
    if (!files.has(name)) {
      let start;
      const bytes = new Promise((resolve) => { start = () => resolve(fetchPacked('samples/' + name + '.gz')); });
      bytes.catch(() => {});
      files.set(name, { bytes, start });
    }
    return files.get(name);
  };
  const pump = () => {
    while (running < lanes && queue.length) {
      const f = file(queue.shift());
      if (!f.start) continue;
      const start = f.start;
      f.start = null;
      ++running;
      start();
      f.bytes.catch(() => {}).finally(() => { --running; pump(); });
    }
  };
  const fetchInOrder = (names) => {
    queue = names;
    pump();
  };

  // Before the program names its order: from middle C (key 40) outward.
  const middleOut = [];
  for (let k = 40, step = 1; k >= 1 && k <= 88; k += (step % 2 ? step : -step), ++step) middleOut.push(k + '.mav');
  for (let k = 1; k <= 88; ++k) if (!middleOut.includes(k + '.mav')) middleOut.push(k + '.mav');
  fetchInOrder(middleOut);

  // The program's order; each file, once in, is written into `folder` and its
  // slot given to `arrived`. The handovers run in tasks of a few milliseconds
  // each, so that a touch or a frame never waits for many samples' decoding,
  // and those waiting go in the program's order: the files fetched before it
  // ran are all in at once, the keys on its screen first.
  Module.pianoFetchSamples = (folder, wanted, arrived) => {
    const progress = (done) => Module.pianoSampleProgress && Module.pianoSampleProgress(done, wanted.length);
    FS.mkdirTree(folder);
    fetchInOrder(wanted.map((w) => w.name));
    let done = 0;
    const waiting = [];  // { rank: place in the program's order, task }
    let scheduled = false;
    const run = () => {
      const until = performance.now() + 8;
      do {
        let first = 0;
        for (let i = 1; i < waiting.length; ++i) if (waiting[i].rank < waiting[first].rank) first = i;
        waiting.splice(first, 1)[0].task();
        progress(++done);
      } while (waiting.length && performance.now() < until);
      scheduled = waiting.length > 0;
      if (scheduled) setTimeout(run, 0);
      if (done === wanted.length && Module.pianoAllSamplesIn) Module.pianoAllSamplesIn();
    };
    const handOver = (rank, task) => {
      waiting.push({ rank, task });
      if (!scheduled) { scheduled = true; setTimeout(run, 0); }
    };
    progress(0);
    wanted.forEach((w, rank) => {
      file(w.name).bytes.then((bytes) => handOver(rank, () => {
        files.delete(w.name);  // the program keeps the decoded samples; these bytes can go
        FS.writeFile(folder + '/' + w.name, bytes);
        arrived(w.slot);
      }), (e) => handOver(rank, () => {
        console.warn('Sample ' + w.name + ' could not be fetched (' + e + '); its key stays silent.');
      }));
    });
  };
})();
