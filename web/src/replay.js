// A replay as the module gives it and veltrix-sim records it: an envelope of
// a JSON header and the passes as 32-bit floats (layout in
// tools/veltrix_tuner/replay_blob.h). Decoded here for drawing.
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

// Every object's and camera's path, pass by pass, for the charts and trails.
function pathsOf(replay) {
  const paths = { objects: (replay.header.objects || []).map(() => []), cameras: new Map(), timeScale: [] };
  for (let i = 0; i < replay.passes; i++) {
    const p = replay.pass(i);
    paths.timeScale.push(p.timeScale);
    for (const o of p.objects) paths.objects[o.index]?.push({ pass: p.number, position: o.position });
    for (const c of p.cameras) {
      if (!paths.cameras.has(c.handle)) paths.cameras.set(c.handle, []);
      paths.cameras.get(c.handle).push({ pass: p.number, position: c.position, look: c.look, phase: c.phase });
    }
  }
  return paths;
}

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
    paths: () => (paths ??= pathsOf(replay)),
  };
  return replay;
}
