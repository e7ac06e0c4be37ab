// Save, as a property: over generated files and chains of edits made the
// way the page makes them, the file that is saved reads back (through the
// plug-in's own load) to the value chosen, every other setting stays as it
// was, and every line the edit did not touch keeps its bytes, line end
// included.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { loadCore, NUMBERS, random, settingsFile, shipped, SWITCHES } from './support.mjs';

// The lines of a file as the plug-in cuts them, each with its line end.
const lines = (file, analysis) => analysis.lines.map(([start, , next]) => Buffer.from(file.subarray(start, next)).toString('latin1'));

// A value chosen as a modder would, and what the plug-in must then hold.
const NUMBER_CHOICES = [['3', 3], ['-1', -1], ['0.25', 0.25], ['5e-2', Math.fround(0.05)], ['12.5', 12.5],
  ['inf', 'inf'], ['2.5=3', 2.5], ['abc', 'default'], ['', 'default'], ['7e-1', Math.fround(0.7)]];
const KEYS = [78, 77, 112, 123, 32, 13, 27, 9, 0x2d, 0x60, 0xbb];

function choose(rng, api, analysis) {
  const r = rng.next();
  if (r < 0.2) {
    const key = rng.pick(SWITCHES);
    const on = rng.next() < 0.5;
    return { key, value: on ? '1' : '0', check: (s) => assert.equal(s.on, on) };
  }
  if (r < 0.3) {
    const code = rng.pick(KEYS);
    return { key: 'ToggleKey', value: String(code), check: (s) => assert.equal(s.code, code) };
  }
  const key = rng.pick(NUMBERS);
  if (r < 0.5) {
    // A slider: the text the core writes for a value along it.
    const wanted = Math.round(rng.next() * 200) / 20;
    return { key, value: api.numberText(wanted), check: (s) => assert.equal(s.number, Math.fround(wanted)) };
  }
  const [value, holds] = rng.pick(NUMBER_CHOICES);
  const defaults = { BulletCamSpeed: 3.5, LingerTime: 2.5, CameraOffsetBack: 2, slowMotionFactor: Math.fround(0.05),
    BulletLingerSpeed: Math.fround(0.05), BowLingerSpeed: Math.fround(0.05), BowCamSpeed: Math.fround(0.7) };
  return {
    key, value,
    check: (s) => {
      if (holds === 'inf') assert.equal(s.text, 'inf');
      else assert.equal(s.number, holds === 'default' ? defaults[key] : holds);
    },
  };
}

test('a saved file reads back to the values chosen, every untouched line as it was', async () => {
  const api = await loadCore();
  const rng = random(20261208);
  let edits = 0;
  for (let n = 0; n < 300; n++) {
    let file = n === 0 ? shipped() : settingsFile(rng);
    for (let step = 0; step < 4; step++) {
      const before = api.analyse(file);
      const choice = choose(rng, api, before);
      const answer = api.edit(file, choice.key, choice.value);
      const where = `file ${n}, edit ${step}: ${choice.key}=${JSON.stringify(choice.value)} in ${JSON.stringify(Buffer.from(file).toString('latin1')).slice(0, 300)}`;
      assert.equal(answer.problem, undefined, where);
      const after = api.analyse(answer.file);
      const value = (a, key) => a.settings.find((s) => s.key === key);
      choice.check(value(after, choice.key));
      for (const s of before.settings) {
        if (s.key === choice.key) continue;
        const { text, on, code, number } = value(after, s.key);
        assert.deepEqual({ text, on, code, number }, { text: s.text, on: s.on, code: s.code, number: s.number }, where + ` changed ${s.key}`);
      }
      // The edit is one run of lines: what comes before and after it is the same bytes.
      const a = lines(file, before), b = lines(answer.file, after);
      let head = 0;
      while (head < a.length && head < b.length && a[head] === b[head]) head++;
      let tail = 0;
      while (tail < a.length - head && tail < b.length - head && a[a.length - 1 - tail] === b[b.length - 1 - tail]) tail++;
      const removed = a.slice(head, a.length - tail), added = b.slice(head, b.length - tail);
      assert.ok(removed.length <= 1 && added.length <= 3, where + `: lines ${head + 1} on changed: ${JSON.stringify(removed)} -> ${JSON.stringify(added)}`);
      if (removed.length) {
        // The one line rewritten is the one that decided the setting, or the
        // last line, given the line end it lacked.
        const decider = value(before, choice.key).line;
        const lastGotItsEnd = head === a.length - 1 && added[0].startsWith(removed[0]);
        assert.ok(decider === head + 1 || lastGotItsEnd, where + `: line ${head + 1} changed, line ${decider} decides`);
      }
      file = answer.file;
      edits++;
    }
  }
  console.log(`${edits} edits saved and read back`);
});

test('what cannot be written is refused, and the file stays', async () => {
  const api = await loadCore();
  const file = shipped();
  assert.match(api.edit(file, 'LingerTime', '3\n[Projectiles]').problem, /one line/);
  assert.match(api.edit(file, 'Lingertime', '3').problem, /no setting called Lingertime/);
  assert.match(api.edit(file, 'ToggleKey', '0').problem, /no key has the code 0/);
  assert.match(api.edit(file, 'EnableKnifeCamera', 'yes').problem, /1 or 0/);
});
