// Reads the PNG files the browser and the desktop program write (8-bit RGB or
// RGBA, not interlaced) into RGB pixels, for comparing screenshots.
import fs from 'node:fs';
import zlib from 'node:zlib';

export const readPng = (file) => {
  const b = fs.readFileSync(file);
  let w = 0, h = 0, channels = 0; const idat = [];
  for (let p = 8; p < b.length;) {
    const n = b.readUInt32BE(p), type = b.toString('latin1', p + 4, p + 8), d = b.subarray(p + 8, p + 8 + n);
    if (type === 'IHDR') { w = d.readUInt32BE(0); h = d.readUInt32BE(4); channels = { 2: 3, 6: 4 }[d[9]]; if (d[8] !== 8 || !channels || d[12]) throw new Error(`${file}: not 8-bit RGB(A)`); }
    if (type === 'IDAT') idat.push(d);
    p += n + 12;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat)), stride = w * channels, px = Buffer.alloc(w * h * 3);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < h; y++) {
    const f = raw[y * (stride + 1)], line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? line[i - channels] : 0, up = prev[i], c = i >= channels ? prev[i - channels] : 0;
      const pa = Math.abs(up - c), pb = Math.abs(a - c), pc = Math.abs(a + up - 2 * c);
      line[i] += [0, a, up, (a + up) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? up : c][f];
    }
    for (let x = 0; x < w; x++) line.copy(px, (y * w + x) * 3, x * channels, x * channels + 3);
    prev = line;
  }
  return { w, h, px };
};
