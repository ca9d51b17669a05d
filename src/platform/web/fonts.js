// The Chinese font (--pre-js, after samples.js): 5.2 MB that only Chinese text
// needs, so it is not in piano.data but beside the page, compressed
// (Module.pianoLateFont: where it lies and the path the program opens). Where
// the page is in Chinese the program starts once it is in; elsewhere it is
// fetched after the last sample, and the program opens it when it first lays
// out Chinese text (a song's name) after that.
(() => {
  if (Module.ENVIRONMENT_IS_PTHREAD) return;  // the program's threads load this script too
  const font = Module.pianoLateFont;
  const fetchFont = () => Module.pianoFetchPacked(font.url).then((bytes) => {
    FS.mkdirTree(font.path.slice(0, font.path.lastIndexOf('/')));
    FS.writeFile(font.path, bytes);
  }, (e) => console.warn('The Chinese font could not be fetched (' + e + ').'));
  if ((Module.arguments || []).includes('zh-Hans')) {
    Module.preRun = [].concat(Module.preRun || [], () => {
      addRunDependency('chinese font');
      fetchFont().finally(() => removeRunDependency('chinese font'));
    });
  } else {
    Module.pianoAllSamplesIn = () => {
      Module.pianoAllSamplesIn = null;
      fetchFont();
    };
  }
})();
