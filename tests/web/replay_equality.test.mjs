// The page's WebAssembly module plays every bundled scenario (and shots of a
// modder's own) exactly as the plug-in's core does natively, where ScriptMain
// runs on the simulator's coroutine: the same bytes, pass by pass, every
// float bit for bit, with the shipped settings and fifty generated files.
// Single precision and the order of operations are part of the behaviour;
// this is where a compiler that changed them would show.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { decodeReplay } from '../../web/src/replay.js';
import { env, loadCore, random, settingsFile, shipped } from './support.mjs';

const GENERATED = 50;

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

test('the module replays what the native core replays, byte for byte', async () => {
  const api = await loadCore();
  const work = mkdtempSync(join(tmpdir(), 'veltrix-replays-'));
  try {
    const scenarios = api.bundledScenarios().map((s) => ({ name: s.file, json: s.json }));
    assert.ok(scenarios.length >= 11);
    const shots = [
      { weapon: '0x4E328256', distance: 140, height: -25, speed: 6 },
      { weapon: '0x06E0F12B', distance: 3, height: 12, speed: -4 },
      { weapon: '0x5F30F384', distance: 30, height: 5, speed: 2 },
      { weapon: '0xE5C6289E', distance: 12, height: -3, speed: 0 },
    ];
    for (const shot of shots) scenarios.push({ name: 'custom ' + shot.weapon, json: api.customShot(shot).json });

    const files = [shipped()];
    const rng = random(19);
    for (let i = 0; i < GENERATED; i++) files.push(settingsFile(rng));

    const jobs = [];
    scenarios.forEach((s, k) => writeFileSync(join(work, `scenario${k}.json`), s.json));
    files.forEach((file, f) => {
      writeFileSync(join(work, `settings${f}.ini`), file);
      scenarios.forEach((s, k) => jobs.push({ f, k, out: join(work, `native-${f}-${k}.bin`) }));
    });
    const manifest = jobs.map((j) => `${join(work, `settings${j.f}.ini`)}\t${join(work, `scenario${j.k}.json`)}\t${j.out}`).join('\n') + '\n';
    execFileSync(env('NATIVE_REPLAY'), [join(work, 'native')], { input: manifest, maxBuffer: 1 << 24 });

    const failures = [];
    let passes = 0;
    for (const j of jobs) {
      const native = new Uint8Array(readFileSync(j.out));
      const wasm = api.replay(scenarios[j.k].json, files[j.f]);
      const header = decodeReplay(wasm).header;
      assert.equal(header.error, undefined, `${scenarios[j.k].name} with settings ${j.f} cannot run: ${header.error}`);
      assert.deepEqual(header.protocolErrors, [], `${scenarios[j.k].name} with settings ${j.f}`);
      passes += header.played;
      if (Buffer.compare(Buffer.from(native), Buffer.from(wasm)) !== 0)
        failures.push(`${scenarios[j.k].name} with settings file ${j.f} (${JSON.stringify(new TextDecoder().decode(files[j.f])).slice(0, 200)}): ${difference(native, wasm)}`);
    }
    assert.deepEqual(failures.slice(0, 5), [], `${failures.length} of ${jobs.length} replays differ`);
    console.log(`${jobs.length} replays, ${passes} passes: equal`);
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
});
