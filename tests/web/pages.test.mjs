// The pages the tools write are the tuner page with their data: a run of
// veltrix-sim and veltrix-check's checked file, opened from file:// in a real
// browser.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { changed, env, openPage } from './support.mjs';

const source = (path) => join(env('VELTRIX_SOURCE_DIR'), path);
const run = (program, args, cwd) => spawnSync(program, args, { cwd, encoding: 'latin1' });

// Each chart drawn: more than one colour on it.
const drawnCharts = (page, card) => page.$eval(card, (c) => [...c.querySelectorAll('canvas')].filter((canvas) => {
  const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  for (let i = 4; i < data.length; i += 4) if (data[i] !== data[0] || data[i + 1] !== data[1] || data[i + 2] !== data[2]) return true;
  return false;
}).length);

test('a run’s page: every scenario recorded, drawn and seen through the camera, with the figures veltrix-sim printed', async () => {
  const work = mkdtempSync(join(tmpdir(), 'veltrix-run-page-'));
  const marked = {
    name: 'marked', description: '<img src=x onerror="window.injected=1">A knife <b>thrown</b> & caught', passes: 120,
    ini: ['[Lingering]', 'LingerTime=0.5'],
    objects: [{ id: 'knife', model: '0x5F30F384', position: [0.4, 0.3, 1.6], velocity: [9, 2, 3] }],
    events: [{ pass: 5, action: 'throw', id: 'knife' }],
    expect: { cameras_made: 2 },
  };
  writeFileSync(join(work, 'marked.json'), JSON.stringify(marked));
  writeFileSync(join(work, 'quiet.json'), JSON.stringify({ name: 'quiet', passes: 3 }));
  writeFileSync(join(work, 'broken.json'), JSON.stringify({ name: 'broken', passes: 3, events: [{ pass: 1, action: 'dance' }] }));
  const bundled = ['bullet', 'knife', 'dynamite'].map((n) => source(`scenarios/${n}.json`));
  const out = join(work, 'out');
  const sim = run(env('VELTRIX_SIM'), ['run', ...bundled, 'marked.json', 'quiet.json', 'broken.json', '--out', out, '--page', env('VELTRIX_PAGE')], work);
  assert.equal(sim.status, 2, sim.stdout + sim.stderr);
  // veltrix-sim's table, row by row.
  const printed = sim.stdout.split('\n').filter((l) => /^(bullet|knife|dynamite|marked|quiet|broken) /.test(l)).map((l) => l.trim().split(/\s+/));

  const { browser, page, problems, requests } = await openPage(join(out, 'index.html'));
  try {
    await page.waitForFunction(() => window.veltrixTuner.marks.recordedShown, { timeout: 60000 });
    assert.deepEqual(requests, [], 'no request leaves the page');
    assert.match(await page.$eval('#recorded-title', (e) => e.textContent), /in-process/);
    const rows = await page.$$eval('#recorded-table tr', (all) => all.slice(1).map((tr) => [...tr.cells].map((c) => c.textContent)));
    assert.deepEqual(rows, printed);
    const wrong = await page.$eval('#recorded-problems', (e) => e.textContent);
    assert.match(wrong, /marked: cameras_made: expected 2, got 1/);
    assert.match(wrong, /broken: cannot run: .*unknown action "dance"/);

    // A card per scenario that ran, each with its four charts drawn.
    const cards = await page.$$eval('#recorded-cards .card', (all) => all.map((c) => c.id));
    assert.deepEqual(cards, ['bullet', 'knife', 'dynamite', 'marked', 'quiet'].map((n) => 'card-run:' + n));
    for (const id of cards) assert.equal(await drawnCharts(page, '#' + id.replace(':', '\\:')), 4, id);
    // The scenario's text is text; a trace without cameras gives plain figures.
    assert.equal(await page.evaluate(() => window.injected), undefined);
    assert.equal(await page.$eval('#card-run\\:marked .description', (e) => e.textContent), marked.description);
    assert.equal(await page.$$eval('#recorded img, #recorded b', (all) => all.length), 0);
    assert.match(await page.$eval('#card-run\\:marked', (e) => e.textContent), /expectations: FAIL/);
    const quiet = await page.$eval('#card-run\\:quiet .figures', (e) => e.textContent);
    assert.match(quiet, /^0 cameras; followed 0 passes/);
    assert.doesNotMatch(quiet, /NaN|Infinity|undefined/);
    // The recorded bullet is the live one's twin: same settings, same core.
    await page.waitForFunction(() => document.getElementById('card-bullet'));
    assert.equal(await page.$eval('#card-run\\:bullet', (c) => c.dataset.followed), await page.$eval('#card-bullet', (c) => c.dataset.followed));

    // Through the camera's eye, from the recorded trace.
    assert.equal(await page.$eval('#eye-scenario', (s) => s.value), 'run:bullet');
    const picture = (p) => page.evaluate((n) => { window.veltrixTuner.eye.goTo(n); return document.querySelector('.eye-canvas').toDataURL(); }, p);
    assert.notEqual(await picture(150), await picture(152));
    assert.deepEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('veltrix-check’s page: the tuner with the checked file, every warning of the console, and what differs from the shipped file', async () => {
  const work = mkdtempSync(join(tmpdir(), 'veltrix-check-page-'));
  const file = join(work, 'my <b>mistakes & co.ini');
  copyFileSync(source('tests/tools/check_files/mistakes.ini'), file);
  const check = run(env('VELTRIX_CHECK'), [file, '--no-open'], work);
  assert.equal(check.status, 1, check.stdout);
  const warnings = check.stdout.split('\n').filter((l) => /^ {2}line \d+: /.test(l)).map((l) => l.slice(2));
  assert.ok(warnings.length >= 19, check.stdout);

  const { browser, page, problems, requests } = await openPage(join(work, 'Veltrix-check.html'));
  try {
    assert.deepEqual(requests, []);
    const size = readFileSync(file).length;
    assert.equal(await page.$eval('#file-name', (e) => e.textContent), `my <b>mistakes & co.ini (${size} bytes)`);
    assert.match(await page.$eval('#given', (e) => e.textContent), /veltrix-check read .*my <b>mistakes & co\.ini/);
    const shown = await page.$$eval('#warnings li', (all) => all.map((li) => li.textContent));
    assert.deepEqual(shown.filter((w) => w.startsWith('line')), warnings);

    // What differs from the shipped file, and one taken back to it.
    const differ = async () => page.$$eval('#differences li', (all) => all.map((li) => li.dataset.key).filter(Boolean));
    const before = await differ();
    assert.ok(before.includes('BulletCamSpeed'), before.join());
    await changed(page, () => page.click('#differences li[data-key="BulletCamSpeed"] button'));
    assert.deepEqual(await differ(), before.filter((k) => k !== 'BulletCamSpeed'));
    const shipped = await page.evaluate(() => window.veltrixTuner.state.shipped.find((s) => s.key === 'BulletCamSpeed').text);
    assert.equal(await page.$eval('.control[data-key="BulletCamSpeed"] .value', (e) => e.textContent), shipped);
    assert.deepEqual(problems, []);
  } finally {
    await browser.close();
  }
});
