// A replay as the core returns it: a JSON header and the passes as 32-bit
// floats (layout in tools/veltrix_tuner/tuner.cpp). Decoded here for drawing.

const decoder = new TextDecoder();
const CAMERA_FIELDS = 9;
const OBJECT_FIELDS = 4;

// A position with three real coordinates (a camera may have none: NaN, inf).
export const finite = (p) => !!p && Number.isFinite(p[0]) && Number.isFinite(p[1]) && Number.isFinite(p[2]);

export function decodeReplay(blob) {
  const bytes = blob.byteOffset % 4 === 0 ? blob : blob.slice();
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const length = view.getUint32(0, true);
  const header = JSON.parse(decoder.decode(bytes.subarray(4, 4 + length)));
  const start = (4 + length + 3) & ~3;
  const floats = new Float32Array(bytes.buffer, bytes.byteOffset + start, (bytes.byteLength - start) / 4);

  // Where each pass starts.
  const offsets = [];
  for (let at = 0; at < floats.length; ) {
    offsets.push(at);
    at += 4 + floats[at + 3] * CAMERA_FIELDS;
    at += 1 + floats[at] * OBJECT_FIELDS;
  }

  // Pass i (0-based): time scale, view, native calls, live cameras, objects.
  function pass(i) {
    let at = offsets[i];
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

  let paths = null;
  // Every object's and camera's path, pass by pass, for the charts and trails.
  function allPaths() {
    if (paths) return paths;
    paths = { objects: header.objects ? header.objects.map(() => []) : [], cameras: new Map(), timeScale: [] };
    for (let i = 0; i < offsets.length; i++) {
      const p = pass(i);
      paths.timeScale.push(p.timeScale);
      for (const o of p.objects) paths.objects[o.index]?.push({ pass: p.number, position: o.position });
      for (const c of p.cameras) {
        if (!paths.cameras.has(c.handle)) paths.cameras.set(c.handle, []);
        paths.cameras.get(c.handle).push({ pass: p.number, position: c.position, look: c.look, phase: c.phase });
      }
    }
    return paths;
  }

  return { header, passes: offsets.length, pass, paths: allPaths };
}
