// A replay as the module gives it and veltrix-sim records it: an envelope of
// a JSON header and the passes as 32-bit floats (layout in
// tools/veltrix_tuner/tuner.h). Decoded here for drawing.
import { openEnvelope } from './core_api.js';

const CAMERA_FIELDS = 9;
const OBJECT_FIELDS = 4;

// A position with three real coordinates (a camera may have none: NaN, inf).
export const finite = (p) => !!p && Number.isFinite(p[0]) && Number.isFinite(p[1]) && Number.isFinite(p[2]);

// Pass i (0-based) at `at` in `floats`: time scale, view, native calls, live cameras, objects.
function passAt(floats, at, i) {
  const p = { number: i + 1, timeScale: floats[at], scripted: floats[at + 1] !== 0, calls: floats[at + 2], cameras: [], objects: [] };
  const cameras = floats[at + 3];
  at += 4;
  for (let k = 0; k < cameras; k++, at += CAMERA_FIELDS) {
    p.cameras.push({
      handle: floats[at],
      position: [floats[at + 1], floats[at + 2], floats[at + 3]],
      look: [floats[at + 4], floats[at + 5], floats[at + 6]],
      phase: String.fromCharCode(floats[at + 7]),
      fov: floats[at + 8],
    });
  }
  const objects = floats[at];
  at += 1;
  for (let k = 0; k < objects; k++, at += OBJECT_FIELDS) {
    p.objects.push({ index: floats[at], position: [floats[at + 1], floats[at + 2], floats[at + 3]] });
  }
  return p;
}

// Every object's and camera's path, for the charts and trails: each the
// passes it is seen in and its points as x, y, z in one list (a camera's
// also its phase in each pass), read straight off the floats.
function pathsOf(header, floats, offsets) {
  const path = () => ({ pass: [], xyz: [], phase: [] });
  const paths = { objects: (header.objects || []).map(path), cameras: new Map(), timeScale: [] };
  offsets.forEach((start, i) => {
    let at = start;
    paths.timeScale.push(floats[at]);
    const cameras = floats[at + 3];
    at += 4;
    for (let k = 0; k < cameras; k++, at += CAMERA_FIELDS) {
      if (!paths.cameras.has(floats[at])) paths.cameras.set(floats[at], path());
      const c = paths.cameras.get(floats[at]);
      c.pass.push(i + 1);
      c.xyz.push(floats[at + 1], floats[at + 2], floats[at + 3]);
      c.phase.push(String.fromCharCode(floats[at + 7]));
    }
    const objects = floats[at];
    at += 1;
    for (let k = 0; k < objects; k++, at += OBJECT_FIELDS) {
      const o = paths.objects[floats[at]];
      if (!o) continue;
      o.pass.push(i + 1);
      o.xyz.push(floats[at + 1], floats[at + 2], floats[at + 3]);
    }
  });
  return paths;
}

// Point k of a path, or null.
export const pointOf = (path, k) => (k >= 0 && k < path.pass.length ? path.xyz.slice(3 * k, 3 * k + 3) : null);

export function decodeReplay(blob) {
  const aligned = blob.byteOffset % 4 === 0 ? blob : blob.slice();
  const { value: header, bytes } = openEnvelope(aligned);
  const floats = new Float32Array(bytes.buffer, bytes.byteOffset, bytes.byteLength / 4);
  // Where each pass starts.
  const offsets = [];
  for (let at = 0; at < floats.length; ) {
    offsets.push(at);
    at += 4 + floats[at + 3] * CAMERA_FIELDS;
    at += 1 + floats[at] * OBJECT_FIELDS;
  }
  let paths = null;
  const replay = {
    header,
    passes: offsets.length,
    pass: (i) => passAt(floats, offsets[i], i),
    paths: () => (paths ??= pathsOf(header, floats, offsets)),
    words: new Uint32Array(bytes.buffer, bytes.byteOffset, floats.length),
    offsets,
  };
  return replay;
}

// How many passes from the first two replays play alike, bit for bit.
export function passesAlike(a, b) {
  const n = Math.min(a.words.length, b.words.length);
  let w = 0;
  while (w < n && a.words[w] === b.words[w]) w++;
  // The passes that end at or before the first word that differs.
  let alike = 0;
  while (alike < a.passes && (alike + 1 < a.passes ? a.offsets[alike + 1] : a.words.length) <= w) alike++;
  return Math.min(alike, b.passes);
}
