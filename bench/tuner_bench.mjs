// The tuner page's figures (BENCHMARKS.md): its size, open to interactive, a
// change of BulletCamSpeed typed, and its slider dragged, each replayed and
// redrawn, the camera's-eye frame time, all in headless Chromium; and the
// WebAssembly replay of the bundled scenarios against the native one, in one run.
//
//   node bench/tuner_bench.mjs      after scripts/test.sh or the wasm and native presets' builds
//   CHANGES=60 MOVES=240 OPENS=9 node bench/tuner_bench.mjs
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, statSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';
import { coreApi, openEnvelope } from '../web/src/core_api.js';

const root = join(dirname(fileURLToPath(import.meta.url)), '..');
const pagePath = process.env.VELTRIX_PAGE || join(root, 'build/wasm/Veltrix-tuner.html');
const corePath = process.env.VELTRIX_CORE || join(root, 'build/wasm/veltrix-core.js');
const nativeReplay = process.env.NATIVE_REPLAY || join(root, 'build/native/tests/web/native_replay');
const CHANGES = Number(process.env.CHANGES || 30);
const MOVES = Number(process.env.MOVES || 120);
const OPENS = Number(process.env.OPENS || 5);

const sorted = (list) => [...list].sort((a, b) => a - b);
const median = (list) => sorted(list)[Math.floor(list.length / 2)];
const percentile = (list, p) => sorted(list)[Math.min(list.length - 1, Math.ceil((p / 100) * list.length) - 1)];
const ms = (v) => `${v.toFixed(1)} ms`;

// CPU time (ms) each of a process tree's threads has had, by process type
// and thread name ("renderer DedicatedWorker"), from Linux's /proc.
function cpuTimes(root) {
  const times = {}, parents = new Map(), types = new Map();
  for (const pid of readdirSync('/proc').filter((d) => /^\d+$/.test(d))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      parents.set(+pid, +stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      types.set(+pid, (readFileSync(`/proc/${pid}/cmdline`, 'utf8').match(/--type=([\w-]+)/) || [, 'browser'])[1]);
    } catch { /* gone meanwhile */ }
  }
  const inTree = (pid) => pid === root || (parents.has(pid) && pid > 1 && inTree(parents.get(pid)));
  for (const pid of [...types.keys()].filter(inTree)) {
    for (const tid of readdirSync(`/proc/${pid}/task`)) {
      try {
        const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
        const name = types.get(pid) + ' ' + stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')')).replace(/\d+$/, '');
        const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        times[name] = (times[name] || 0) + (+fields[11] + +fields[12]) * 10;
      } catch { /* gone meanwhile */ }
    }
  }
  return times;
}

console.log(`load average ${readFileSync('/proc/loadavg', 'utf8').split(' ').slice(0, 3).join(' ')}`);
console.log(`page: ${statSync(pagePath).size} bytes (${(statSync(pagePath).size / 1048576).toFixed(2)} MiB)`);

// ---- WebAssembly against native, the same replays -------------------------------------------
{
  const require = createRequire(import.meta.url);
  const api = coreApi(await require(corePath)());
  const shipped = new Uint8Array(readFileSync(join(root, 'dist/Veltrix.ini')));
  const scenarios = openEnvelope(api.call('start')).value.scenarios;
  const rounds = 21;
  const wasm = [];
  for (let r = 0; r < rounds; r++) {
    const t = performance.now();
    for (const s of scenarios) api.call('replay', { scenario: s.key }, shipped);
    wasm.push(performance.now() - t);
  }
  const work = mkdtempSync(join(tmpdir(), 'veltrix-bench-'));
  const jobs = scenarios.map((s) => `replay\t${JSON.stringify({ scenario: s.key })}\t${join(root, 'dist/Veltrix.ini')}\t-`)
    .join('\n') + '\n';
  const native = execFileSync(nativeReplay, [join(work, 'native'), String(rounds)], { input: jobs, encoding: 'utf8' })
    .trim().split('\n').map(Number);
  // The first round of each warms up (the module's code is compiled lazily).
  const w = median(wasm.slice(1)), n = median(native.slice(1));
  console.log(`replay of the ${scenarios.length} bundled scenarios, shipped settings, median of ${rounds - 1} rounds: ` +
    `wasm ${ms(w)} (first ${ms(wasm[0])}), native ${ms(n)}, ratio ${(w / n).toFixed(2)}`);
}

// ---- The page in the browser ------------------------------------------------------------------
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const ready = (page) => page.waitForFunction(() => window.veltrixTuner?.state.timings.length > 0 && !window.veltrixTuner.state.running && !window.veltrixTuner.state.pending, { timeout: 60000 });
try {
  const opens = [];
  let page;
  for (let i = 0; i < OPENS; i++) {
    if (page) await page.close();
    page = await browser.newPage();
    await page.setViewport({ width: 1500, height: 1000 });
    await page.goto('file://' + pagePath);
    await ready(page);
    opens.push(await page.evaluate(() => window.veltrixTuner.marks.firstRedrawn));
  }
  // The first open is the browser's first page (its processes start with it).
  console.log(`open to interactive (every scenario replayed and drawn): the browser's first page ${ms(opens[0])}; ` +
    `${OPENS - 1} more opens: median ${ms(median(opens.slice(1)))}, each ${opens.slice(1).map((v) => Math.round(v)).join(', ')}`);

  // A change of BulletCamSpeed, typed with Enter, until the page has redrawn every scenario.
  const changes = [];
  for (let i = 0; i < CHANGES; i++) {
    const value = (2 + (i % 10) * 0.5).toString();
    changes.push(await page.evaluate((v) => new Promise((resolve) => {
      const box = document.getElementById('control-BulletCamSpeed');
      const start = performance.now();
      document.addEventListener('veltrix:redrawn', () => resolve(performance.now() - start), { once: true });
      box.value = v;
      box.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter' }));
    }), value));
  }
  console.log(`a change of BulletCamSpeed replayed and the page redrawn, ${CHANGES} changes: median ${ms(median(changes))}, ` +
    `95th percentile ${ms(percentile(changes, 95))}, slowest ${ms(Math.max(...changes))}`);

  // BulletCamSpeed's slider dragged from 2 to 8 and back by tenths, as input
  // events on it. Each move's time runs from its input event to the page's
  // event that the change taking it up has been redrawn: every scenario and
  // the custom shot replayed with it, and the page drawn again. Moves one
  // after another, each once the last is drawn; then a move each animation
  // frame, as a quick drag gives them, where the page takes up the newest
  // move once the one under way is drawn (the moves between are never played).
  const drag = (paced) => page.evaluate((moves, paced) => new Promise((resolve) => {
    const slider = document.querySelector('input[aria-label="BulletCamSpeed slider"]');
    const sent = [], times = [];
    let redraws = 0;
    const move = () => {
      const phase = sent.length % 120;
      slider.value = String(2 + 0.1 * (phase < 60 ? phase : 120 - phase));
      sent.push(performance.now());
      slider.dispatchEvent(new Event('input'));
      if (paced && sent.length < moves) requestAnimationFrame(move);
    };
    const onRedrawn = (e) => {
      redraws++;
      const now = performance.now();
      // A page that does not say which input its redraw takes up takes up all before it.
      const upTo = e.detail.upTo ?? now;
      while (times.length < sent.length && sent[times.length] <= upTo) times.push(now - sent[times.length]);
      if (times.length === moves) {
        document.removeEventListener('veltrix:redrawn', onRedrawn);
        resolve({ times, redraws });
      } else if (!paced && times.length === sent.length) move();
    };
    document.addEventListener('veltrix:redrawn', onRedrawn);
    move();
  }), MOVES, paced);
  for (const paced of [false, true]) {
    const before = cpuTimes(browser.process().pid);
    const { times, redraws } = await drag(paced);
    const after = cpuTimes(browser.process().pid);
    console.log(`BulletCamSpeed's slider, ${MOVES} moves ${paced ? 'a frame apart' : 'one after another'}, each to its redraw: ` +
      `median ${ms(median(times))}, 95th percentile ${ms(percentile(times, 95))}, slowest ${ms(Math.max(...times))}` +
      (paced ? `; ${redraws} changes played` : ''));
    // Where the time goes: CPU time a move, by thread, the busiest (ms).
    const spent = Object.keys(after).map((k) => [k, (after[k] - (before[k] || 0)) / MOVES]).filter(([, v]) => v >= 1)
      .sort((a, b) => b[1] - a[1]);
    if (!paced) console.log('  CPU a move: ' + spent.map(([k, v]) => `${k} ${v.toFixed(1)}`).join(', '));
  }

  // The camera's eye, playing the bullet scenario for three seconds.
  await page.select('#eye-scenario', 'bullet');
  await page.evaluate(() => { window.veltrixTuner.eye.frameMs.length = 0; window.veltrixTuner.eye.goTo(1); window.veltrixTuner.eye.play(); });
  await new Promise((r) => setTimeout(r, 3000));
  const frames = await page.evaluate(() => { window.veltrixTuner.eye.pause(); return window.veltrixTuner.eye.frameMs; });
  console.log(`camera's-eye frame (scene update and WebGL draw, software rendering): ${frames.length} frames in 3 s, ` +
    `median ${ms(median(frames))}, 95th percentile ${ms(percentile(frames, 95))}`);
} finally {
  await browser.close();
}
