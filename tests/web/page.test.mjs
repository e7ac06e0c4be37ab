// The tuner page in a real browser, opened from file:// as a modder opens it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { changed, env, openPage, retype, saver } from './support.mjs';

const sim = (...args) => {
  try {
    return execFileSync(env('VELTRIX_SIM'), args, { encoding: 'latin1' });
  } catch (error) {
    return error.stdout;  // ini-check exits 1 with warnings
  }
};

// ini-check's listing: every line's notes, the effective values, the warnings.
function iniCheck(file) {
  const out = sim('ini-check', file).split('\n');
  const notes = new Map(), values = new Map(), warnings = [];
  let part = '', line = 0;
  for (const text of out) {
    if (/^(Line by line|Effective settings|Printed by)/.test(text)) { part = text.split(' ')[0]; continue; }
    if (part === 'Line' && text.length > 47) {
      if (/^ *\d+  /.test(text)) line = Number(text.slice(0, 5));
      notes.set(line, (notes.get(line) || []).concat(text.slice(47)));
    }
    if (part === 'Effective' && /^ {2}\S/.test(text)) values.set(text.slice(2, 27).trim(), text.slice(27, 50).trim());
    if (/^ {2}line \d+: /.test(text) && part !== 'Line') warnings.push(text.slice(2));
  }
  return { notes, values, warnings };
}

async function pageValues(page) {
  return new Map(await page.$$eval('.control', (rows) => rows.map((r) => [r.dataset.key, r.querySelector('.value').textContent])));
}

const load = (page, path) => changed(page, async () => (await page.$('#file-input')).uploadFile(path));

test('the page opens from file:// on its own and plays every scenario through the camera’s eye', async () => {
  const { browser, page, problems, requests } = await openPage();
  try {
    assert.deepEqual(requests, [], 'no request leaves the page');
    const cards = await page.$$eval('.card', (all) => all.map((c) => c.id));
    const bundled = cards.filter((id) => id !== 'card-custom');
    assert.ok(bundled.length >= 11, `scenario cards: ${cards}`);
    // Weapons go by the names players know, with the hash, as the module gives them.
    const weapons = await page.$$eval('#custom-weapon option', (all) => all.map((o) => o.textContent));
    assert.ok(weapons.includes('Elephant rifle (0x99A23408) (needs EnableBulletLineCamera)'), `weapons: ${weapons}`);
    assert.equal(await page.$eval('.control[data-key="EnableArrowCamera"] .help', (e) => e.textContent),
      'the improved bow (0x06E0F12B) starts the arrow camera');
    // Through the camera's eye: a scene, and a different picture two passes apart.
    const picture = async (pass) => page.evaluate((p) => {
      window.veltrixTuner.eye.goTo(p);
      return document.querySelector('.eye-canvas').toDataURL();
    }, pass);
    for (const [scenario, pass] of [['bullet', 150], ['knife', 30]]) {
      await page.select('#eye-scenario', scenario);
      const a = await picture(pass), b = await picture(pass + 2), again = await picture(pass);
      assert.ok(a !== b, `${scenario}: passes ${pass} and ${pass + 2} look alike`);
      assert.ok(a === again, `${scenario}: one pass drawn twice differs`);
      assert.ok(a.length > 5000, `${scenario}: an empty picture`);
      const overlay = await page.$eval('.eye-overlay', (e) => e.textContent);
      assert.match(overlay, new RegExp(`pass ${pass} of \\d+ · game time scale [\\d.]+ · camera #1`));
    }
    // Play runs at 60 passes a second.
    await page.select('#eye-scenario', 'bullet');
    await page.evaluate(() => { window.veltrixTuner.eye.goTo(1); window.veltrixTuner.eye.play(); });
    await new Promise((r) => setTimeout(r, 1000));
    const pass = await page.evaluate(() => { window.veltrixTuner.eye.pause(); return window.veltrixTuner.eye.pass; });
    assert.ok(pass > 20 && pass < 100, `pass ${pass} after a second of play`);
    // Every scenario in turn: at the end of one, the next plays from its start.
    await page.click('#eye-all');
    await page.select('#eye-scenario', 'dynamite');
    await page.evaluate(() => { window.veltrixTuner.eye.goTo(165); window.veltrixTuner.eye.play(); });
    await page.waitForFunction(() => document.getElementById('eye-scenario').value !== 'dynamite', { timeout: 5000 });
    assert.equal(await page.$eval('#eye-scenario', (s) => s.value), 'fire_bottle_any_speed');
    await new Promise((r) => setTimeout(r, 300));
    assert.ok(await page.evaluate(() => { window.veltrixTuner.eye.pause(); return window.veltrixTuner.eye.pass; }) > 1);
    await page.click('#eye-all');

    // A change keeps the view's scene where the new replay plays as the last
    // did; farther on it shows what a view built afresh shows. A shot at a
    // target running across, whose path the game's slower time changes.
    await changed(page, () => page.$eval('#custom-speed', (s) => { s.value = '8'; s.dispatchEvent(new Event('input')); }));
    await page.select('#eye-scenario', 'custom');
    const before = await picture(20);
    await picture(1);
    await changed(page, () => retype(page, '#control-slowMotionFactor', '0.5'));
    const after = await picture(20);
    await page.select('#eye-scenario', 'knife');
    await page.select('#eye-scenario', 'custom');
    assert.equal(after, await picture(20), 'the view after a change is the view of the new replay');
    assert.notEqual(after, before);
    assert.deepEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('a modder’s file: every fate, value and warning as ini-check gives them; BulletCamSpeed replayed as the native core plays it', async () => {
  const { browser, page, problems } = await openPage();
  const work = mkdtempSync(join(tmpdir(), 'veltrix-page-'));
  try {
    const mistakes = join(env('VELTRIX_SOURCE_DIR'), 'tests/tools/check_files/mistakes.ini');
    await load(page, mistakes);
    const expected = iniCheck(mistakes);
    const fates = new Map(await page.$$eval('table.lines tr', (rows) => rows.map((r) => [Number(r.id.slice(5)), [...r.querySelectorAll('.note')].map((n) => n.textContent)])));
    assert.ok(expected.notes.size > 20);
    assert.deepEqual(fates, expected.notes);
    assert.deepEqual(await pageValues(page), expected.values);
    const warnings = await page.$$eval('#warnings li', (all) => all.map((li) => li.textContent));
    assert.deepEqual(warnings.filter((w) => w.startsWith('line')), expected.warnings);

    // A new BulletCamSpeed, typed into its box: the bullet scenario follows
    // for as many passes as the plug-in's native core makes it.
    await changed(page, () => page.click('#shipped'));
    await changed(page, () => retype(page, '#control-BulletCamSpeed', '7'));
    await page.waitForFunction(() => window.veltrixTuner.state.analysis.settings.find((s) => s.key === 'BulletCamSpeed').text === '7');
    const file = join(work, 'edited.ini');
    writeFileSync(file, await page.evaluate(() => Array.from(window.veltrixTuner.state.file)).then((b) => Buffer.from(b)));
    const table = sim('run', join(env('VELTRIX_SOURCE_DIR'), 'scenarios/bullet.json'), '--ini', file, '--out', join(work, 'run'));
    const row = table.split('\n').find((l) => l.startsWith('bullet '));
    const followed = Number(row.trim().split(/\s+/)[3]);
    assert.ok(followed > 0 && followed < 357, row);
    assert.equal(Number(await page.$eval('#card-bullet', (c) => c.dataset.followed)), followed);
    assert.deepEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('Save gives the file shown: ini-check reads the values the page shows', async () => {
  const { browser, page, problems, downloads } = await openPage();
  const work = mkdtempSync(join(tmpdir(), 'veltrix-save-'));
  try {
    const save = await saver(page, downloads);
    await changed(page, () => page.click('#control-EnableKnifeCamera'));
    await changed(page, () => page.select('.key-list', '117'));
    await changed(page, () => retype(page, '#control-LingerTime', '-1'));
    await changed(page, () => page.$eval('input[aria-label="slowMotionFactor slider"]', (s) => { s.value = '0.25'; s.dispatchEvent(new Event('input')); }));
    const saved = join(work, 'saved.ini');
    writeFileSync(saved, await save());
    const shown = await pageValues(page);
    assert.equal(shown.get('EnableKnifeCamera'), 'false');
    assert.equal(shown.get('ToggleKey'), '117 (F6)');
    assert.equal(shown.get('LingerTime'), '-1');
    assert.equal(shown.get('slowMotionFactor'), '0.25');
    assert.deepEqual(iniCheck(saved).values, shown);
    // Only the four deciding lines differ from the shipped file.
    const a = readFileSync(join(env('VELTRIX_SOURCE_DIR'), 'dist/Veltrix.ini'), 'latin1').split('\n');
    const b = readFileSync(saved, 'latin1').split('\n');
    assert.equal(a.length, b.length);
    assert.deepEqual(a.map((l, i) => (l === b[i] ? '' : l.split('=')[0])).filter(Boolean), ['ToggleKey', 'EnableKnifeCamera', 'LingerTime', 'slowMotionFactor']);
    assert.deepEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('bad input gets a clear word and loses nothing', async () => {
  const { browser, page, problems, downloads } = await openPage();
  const work = mkdtempSync(join(tmpdir(), 'veltrix-bad-'));
  try {
    const saved = await saver(page, downloads);

    // Four MiB of binary: every byte kept, and the page answers all along.
    const binary = Buffer.alloc(4 << 20);
    for (let i = 0, s = 7; i < binary.length; i++) { s = (s * 1103515245 + 12345) >>> 0; binary[i] = s >>> 24; }
    writeFileSync(join(work, 'binary.ini'), binary);
    await page.evaluate(() => {
      window.gaps = [];
      let last = performance.now();
      window.pinger = setInterval(() => { const now = performance.now(); window.gaps.push(now - last); last = now; }, 50);
    });
    await load(page, join(work, 'binary.ini'));
    const worst = await page.evaluate(() => { clearInterval(window.pinger); return Math.max(...window.gaps); });
    assert.ok(worst < 2000, `the page stood still for ${Math.round(worst)} ms`);
    assert.match(await page.$eval('#file-name', (e) => e.textContent), /binary\.ini \(4194304 bytes\)/);
    assert.ok((await page.$$('table.lines tr')).length > 100, 'its lines are listed');
    assert.ok(Buffer.compare(await saved(), binary) === 0, 'Save gives back the same bytes');

    // A file saved as UTF-16 is named as such.
    await load(page, join(env('VELTRIX_SOURCE_DIR'), 'tests/tools/check_files/unicode.ini'));
    assert.match(await page.$eval('#warnings', (e) => e.textContent), /UTF-16/);
    assert.equal(await page.$eval('#printed', (e) => e.textContent), 'Unknown key binding: =\nUnknown key binding: =');

    // Text from the file is shown, never taken for HTML.
    const html = '<img src=x onerror="window.injected=1">=<b>bold</b>\n[<script>window.injected=2</script>]\nToggleKey=<i>\n';
    writeFileSync(join(work, 'html.ini'), html);
    await load(page, join(work, 'html.ini'));
    assert.equal(await page.evaluate(() => window.injected), undefined);
    assert.equal(await page.$$eval('main img, main b, main i, main script', (all) => all.length), 0);
    assert.match(await page.$eval('#line-1 .text', (e) => e.textContent), /^<img src=x onerror="window.injected=1">=<b>bold<\/b>$/);
    assert.match(await page.$eval('#printed', (e) => e.textContent), /Unknown key binding: ToggleKey=<I>/);

    // A setting that keeps the bullet camera to its safety limit is played to the end.
    await changed(page, () => page.click('#shipped'));
    await changed(page, () => retype(page, '#control-BulletCamSpeed', '1e-9'));
    await page.waitForFunction(() => window.veltrixTuner.state.current.get('bullet').header.played > 36000, { timeout: 60000 });
    const bullet = await page.evaluate(() => window.veltrixTuner.state.current.get('bullet').header);
    assert.equal(bullet.lives.length, 1);
    assert.equal(bullet.lives[0].destroyed, 36009, 'the camera ends at its 36,000th update');
    assert.equal(bullet.cutShort, false);
    assert.deepEqual(problems, []);
  } finally {
    await browser.close();
  }
});
