// Every edge text of the number corpus, as a setting of a settings file, read
// by the real Veltrix.asi under Wine, by the native core and by the page's
// WebAssembly module: the time scale each sets must be the same float, bit
// for bit, or the same fallback. Each scenario fires a gun in pass 1 (the
// bullet camera sets slowMotionFactor) and a bow in pass 2 (the arrow camera
// sets BowCamSpeed), two texts a run.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { decodeReplay } from '../../web/src/replay.js';
import { env, loadCore } from './support.mjs';

const edges = readFileSync(new URL('../float_reader/edge_texts.txt', import.meta.url));
const texts = [];
for (let at = 0; at < edges.length;) {
  const end = edges.indexOf(10, at);
  texts.push(edges.subarray(at, end));
  at = end + 1;
}

// `ini_file` for veltrix-sim; the module is handed the file's bytes instead.
const scenario = (name, ini) => JSON.stringify({
  name, passes: 2, ...(ini ? { ini_file: 'Veltrix.ini' } : {}), weapon: '0x4E328256',
  targets: [{ id: 'deer', position: [16.1, 0.2, 1.5] }],
  events: [{ pass: 1, action: 'aim', id: 'deer' }, { pass: 1, action: 'shoot' },
    { pass: 2, action: 'weapon', weapon: '0x88A8505C' }],
});
const settings = (a, b) => Buffer.concat([Buffer.from('[Lingering]\nslowMotionFactor='), a,
  Buffer.from('\nBowCamSpeed='), b || Buffer.from('7e-1'), Buffer.from('\n')]);
// The time-scale calls as the tools write floats: a number, or "nan(12)" and the like.
const calls = (list) => JSON.stringify(list.map(([pass, value]) => [pass, Object.is(value, -0) ? '-0' : value]));

test('the DLL, the native core and the module read every edge text alike', async () => {
  const api = await loadCore();
  const work = mkdtempSync(join(tmpdir(), 'veltrix-number-texts-'));
  try {
    const runs = [];
    for (let i = 0; i < texts.length; i += 2) {
      const name = `texts${i}`, dir = join(work, name);
      mkdirSync(dir);
      writeFileSync(join(dir, 'scenario.json'), scenario(name, true));
      writeFileSync(join(dir, 'Veltrix.ini'), settings(texts[i], texts[i + 1]));
      runs.push({ name, file: join(dir, 'scenario.json'), texts: [texts[i], texts[i + 1]] });
    }
    const files = runs.map((r) => r.file);
    const sim = (out, extra) => execFileSync(env('VELTRIX_SIM'), ['run', ...files, '--out', out, ...extra],
      { stdio: 'pipe', maxBuffer: 1 << 24 });
    sim(join(work, 'native'), []);
    sim(join(work, 'dll'), ['--dll', env('VELTRIX_DLL')]);
    const trace = (build, name) => JSON.parse(readFileSync(join(work, build, name, 'trace.json'))).time_scale_calls;

    const differing = [];
    for (const r of runs) {
      const bytes = new Uint8Array(readFileSync(join(work, r.name, 'Veltrix.ini')));
      const wasm = decodeReplay(api.call('replay', { scenario: JSON.parse(scenario(r.name, false)) }, bytes)).header.timeScaleCalls
        .filter(([pass]) => pass <= 2);
      const native = trace('native', r.name), dll = trace('dll', r.name);
      assert.ok(dll.length >= 2, `${r.name}: both cameras start in the DLL`);
      if (calls(native) !== calls(dll) || calls(wasm) !== calls(dll))
        differing.push(`${JSON.stringify(r.texts.map(String))}: dll ${calls(dll)} native ${calls(native)} wasm ${calls(wasm)}`);
    }
    assert.deepEqual(differing, []);
    console.log(`${texts.length} edge texts, ${runs.length} runs of each build: the same time scales`);
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
});
