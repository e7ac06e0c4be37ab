// The page's WebAssembly module answers what the native core answers, where
// ScriptMain runs on the simulator's coroutine: the same requests, the same
// bytes, every float of every pass bit for bit, for every bundled scenario
// (and shots of a modder's own) with the shipped settings and fifty generated
// files, and for a change streamed as the page gets it. Single precision and
// the order of operations are part of the behaviour; this is where a compiler
// that changed them would show.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { decodeReplay } from '../../web/src/replay.js';
import { ask, env, loadCore, random, settingNames, settingsFile, shipped } from './support.mjs';

const GENERATED = 50;
const SHOTS = [
  { weapon: '0x4E328256', distance: 140, height: -25, speed: 6 },
  { weapon: '0x06E0F12B', distance: 3, height: 12, speed: -4 },
  { weapon: '0x5F30F384', distance: 30, height: 5, speed: 2 },
  { weapon: '0xE5C6289E', distance: 12, height: -3, speed: 0 },
];

// Where two replays part: the header, or the first pass that differs.
function difference(native, wasm) {
  const a = decodeReplay(native), b = decodeReplay(wasm);
  if (JSON.stringify(a.header) !== JSON.stringify(b.header)) return 'header: ' + JSON.stringify(a.header).slice(0, 300) + ' / ' + JSON.stringify(b.header).slice(0, 300);
  for (let i = 0; i < Math.max(a.passes, b.passes); i++) {
    const x = JSON.stringify(a.pass(i)), y = JSON.stringify(b.pass(i));
    if (x !== y) return `pass ${i + 1}: native ${x} / wasm ${y}`;
  }
  return 'the same passes, other bytes (a float that prints alike: NaN, -0)';
}

// The requests: each scenario replayed with each file; each shot staged and
// replayed with each file; the shipped file loaded and its replays streamed.
function requests(keys, files) {
  const list = [];
  files.forEach((file, f) => keys.forEach((key) => list.push({ op: 'replay', args: { scenario: key }, file: f, what: `${key} with settings ${f}` })));
  for (const shot of SHOTS) {
    list.push({ op: 'stage', args: shot, what: 'staging ' + shot.weapon });
    files.forEach((file, f) => list.push({ op: 'replay', args: { scenario: 'custom' }, file: f, what: `custom ${shot.weapon} with settings ${f}` }));
  }
  list.push({ op: 'change', args: { load: true }, file: 0, what: 'the shipped file loaded' });
  for (let k = 0; k <= keys.length + 1; k++) list.push({ op: 'next', args: {}, what: `streamed replay ${k + 1}` });
  return list;
}

test('the module answers what the native core answers, byte for byte', async () => {
  const api = await loadCore();
  const work = mkdtempSync(join(tmpdir(), 'veltrix-replays-'));
  try {
    const names = settingNames(api);
    const keys = ask(api, 'start').value.scenarios.map((s) => s.key);
    assert.ok(keys.length >= 11);
    const files = [shipped()];
    const rng = random(19);
    for (let i = 0; i < GENERATED; i++) files.push(settingsFile(rng, names));
    files.forEach((file, f) => writeFileSync(join(work, `settings${f}.ini`), file));

    const list = requests(keys, files);
    const out = (k) => join(work, `native-${k}.bin`);
    const lines = list.map((r, k) => [r.op, JSON.stringify(r.args), r.file === undefined ? '-' : join(work, `settings${r.file}.ini`), out(k)].join('\t'));
    execFileSync(env('NATIVE_REPLAY'), [join(work, 'native')], { input: lines.join('\n') + '\n', maxBuffer: 1 << 24 });

    const failures = [];
    let passes = 0, streamed = 0;
    list.forEach((r, k) => {
      const native = new Uint8Array(readFileSync(out(k)));
      const wasm = r.op === 'next' ? api.next() || new Uint8Array(0) : api.call(r.op, r.args, files[r.file]);
      if (r.op === 'replay') {
        const header = decodeReplay(wasm).header;
        assert.equal(header.error, undefined, `${r.what} cannot run: ${header.error}`);
        assert.deepEqual(header.protocolErrors, [], r.what);
        passes += header.played;
      }
      if (r.op === 'next' && wasm.length) streamed++;
      if (Buffer.compare(Buffer.from(native), Buffer.from(wasm)) !== 0)
        failures.push(`${r.what} (${JSON.stringify(new TextDecoder().decode(files[r.file] || new Uint8Array(0))).slice(0, 200)}): ` +
          (r.op === 'replay' ? difference(native, wasm) : 'the answers differ'));
    });
    assert.equal(streamed, keys.length + 1, 'every scenario and the shot stream after a file is loaded, then nothing');
    assert.deepEqual(failures.slice(0, 5), [], `${failures.length} of ${list.length} answers differ`);
    console.log(`${list.length} requests, ${passes} passes replayed: equal`);
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
});
