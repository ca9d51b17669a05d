// The documents folder in the browser: songs, the state file and the
// first-start flag live in the page's IndexedDB (emscripten's IDBFS), so that
// they are there again after a reload, a closed tab or a restarted phone.
//
// The folder is read in from IndexedDB before the program starts. After that
// every change is written through at once, file by file: the program saves a
// file by writing a new one and renaming it over the old, and removes files
// by unlinking them, so a rename, a removal or a new folder is the moment the
// folder changed. The write is asked for within the same turn of the
// browser's loop, with no wait for anything first: a page that is being
// closed (the program saves its state as the page is hidden) still gets its
// last save written.
(() => {
  const folder = '/documents';
  Module['arguments'] = (Module['arguments'] || []).concat(['--documents', folder]);

  const warn = (error) => console.warn('The songs and settings could not be stored in the browser:', error);
  const inFolder = (path) => typeof path === 'string' && path.startsWith(folder + '/');
  const writeThrough = (written, removed) => IDBFS.getDB(folder, (error, db) => {
    if (error) return warn(error);
    const transaction = db.transaction([IDBFS.DB_STORE_NAME], 'readwrite');
    transaction.onerror = (event) => { warn(transaction.error); event.preventDefault(); };
    const store = transaction.objectStore(IDBFS.DB_STORE_NAME);
    for (const path of removed.filter(inFolder)) store.delete(path);
    for (const path of written.filter(inFolder)) {
      IDBFS.loadLocalEntry(path, (lost, entry) => (lost ? warn(lost) : store.put(entry, path)));
    }
    // Sent now rather than when the page next idles, which a closing page
    // never does.
    if (transaction.commit) transaction.commit();
  });
  // What each call changes: [written, removed].
  const changes = {
    rename: (from, to) => [[to], [from]],
    unlink: (path) => [[], [path]],
    rmdir: (path) => [[], [path]],
    mkdir: (path) => [[path], []],
  };

  Module['preRun'] = [].concat(Module['preRun'] || [], () => {
    FS.mkdir(folder);
    FS.mount(IDBFS, {}, folder);
    addRunDependency('documents');
    FS.syncfs(true, (error) => {
      if (error) console.warn('The stored songs and settings could not be read:', error);
      for (const name of Object.keys(changes)) {
        const change = FS[name];
        const changed = changes[name];
        FS[name] = (...args) => {
          const result = change(...args);
          if (args.some(inFolder)) writeThrough(...changed(...args));
          return result;
        };
      }
      removeRunDependency('documents');
    });
  });
})();
