// The sample files (--pre-js): most of the download, so they are not packed
// into piano.data but fetched one by one once the program runs, in the order
// it asks for (the keys on the screen first), and each is handed to it as soon
// as it is in (platform/sample_arrivals.cpp). They lie beside the page as
// samples/<name>.gz, compressed, because a plain static host sends files as
// they are; the browser unpacks them (DecompressionStream). A host that sends
// them marked as gzip-encoded has the browser unpack them already: the bytes
// then start with the sample format byte instead of gzip's 1f 8b.
Module.pianoFetchSamples = (folder, files, arrived) => {
  const lanes = 4;  // files on the way at once
  const attempts = 3;
  const progress = (done) => Module.pianoSampleProgress && Module.pianoSampleProgress(done, files.length);
  FS.mkdirTree(folder);
  const unpacked = async (bytes) => {
    if (bytes[0] !== 0x1f || bytes[1] !== 0x8b) return bytes;
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  };
  const fetchOne = async (file) => {
    for (let attempt = 1; ; ++attempt) {
      try {
        const response = await fetch('samples/' + file.name + '.gz');
        if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
        return await unpacked(new Uint8Array(await response.arrayBuffer()));
      } catch (e) {
        if (attempt >= attempts) throw e;
        await new Promise((r) => setTimeout(r, 500 * attempt));
      }
    }
  };
  let next = 0;
  let done = 0;
  progress(0);
  const lane = async () => {
    while (next < files.length) {
      const file = files[next++];
      try {
        FS.writeFile(folder + '/' + file.name, await fetchOne(file));
        arrived(file.slot);
      } catch (e) {
        console.warn('Sample ' + file.name + ' could not be fetched (' + e + '); its key stays silent.');
      }
      progress(++done);
    }
  };
  for (let i = 0; i < lanes; ++i) lane();
};
