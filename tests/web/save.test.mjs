// Save, as a property: over generated files and chains of edits made the
// way the page makes them (one change request each), the file that is saved
// reads back (through the plug-in's own load) to the value chosen, every
// other setting stays as it was, and every line the edit did not touch keeps
// its bytes, line end included.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { ask, loadCore, random, settingNames, settingsFile, shipped } from './support.mjs';

// The lines of a file as the plug-in cuts them (at line feeds), each with its line end.
function lines(file) {
  const text = Buffer.from(file).toString('latin1');
  return text.split(/(?<=\n)/).filter((l) => l.length);
}

// A value chosen as a modder would, and what the plug-in must then hold.
const NUMBER_CHOICES = [['3', 3], ['-1', -1], ['0.25', 0.25], ['5e-2', Math.fround(0.05)], ['12.5', 12.5],
  ['inf', 'inf'], ['2.5=3', 2.5], ['abc', 'default'], ['', 'default'], ['7e-1', Math.fround(0.7)]];
const KEYS = [78, 77, 112, 123, 32, 13, 27, 9, 0x2d, 0x60, 0xbb];

function choose(rng, names) {
  const r = rng.next();
  if (r < 0.2) {
    const key = rng.pick(names.switch);
    const on = rng.next() < 0.5;
    return { edit: { key, value: on ? '1' : '0' }, check: (s) => assert.equal(s.on, on) };
  }
  if (r < 0.3) {
    const code = rng.pick(KEYS);
    return { edit: { key: names.key[0], value: String(code) }, check: (s) => assert.equal(s.code, code) };
  }
  const key = rng.pick(names.number);
  if (r < 0.5) {
    // A slider: the module writes the number.
    const number = Math.round(rng.next() * 200) / 20;
    return { edit: { key, number }, check: (s) => assert.equal(s.number, Math.fround(number)) };
  }
  const [value, holds] = rng.pick(NUMBER_CHOICES);
  return {
    edit: { key, value },
    check: (s) => {
      if (holds === 'default') assert.equal(s.text, names.defaults[key]);
      else if (holds === 'inf') assert.equal(s.text, 'inf');
      else assert.equal(s.number, holds);
    },
  };
}

test('a saved file reads back to the values chosen, every untouched line as it was', async () => {
  const api = await loadCore();
  const names = settingNames(api);
  const rng = random(20261208);
  let edits = 0;
  for (let n = 0; n < 300; n++) {
    let file = n === 0 ? shipped() : settingsFile(rng, names);
    let before = ask(api, 'change', { load: true }, file).value;
    for (let step = 0; step < 4; step++) {
      const choice = choose(rng, names);
      const where = `file ${n}, edit ${step}: ${JSON.stringify(choice.edit)} in ${JSON.stringify(Buffer.from(file).toString('latin1')).slice(0, 300)}`;
      const answer = ask(api, 'change', { edit: choice.edit });
      const after = answer.value;
      assert.equal(after.problem, undefined, where);
      assert.equal(after.edited, true, where);
      const value = (a, key) => a.settings.find((s) => s.key === key);
      choice.check(value(after, choice.edit.key));
      for (const s of before.settings) {
        if (s.key === choice.edit.key) continue;
        const { text, on, code, number } = value(after, s.key);
        assert.deepEqual({ text, on, code, number }, { text: s.text, on: s.on, code: s.code, number: s.number }, where + ` changed ${s.key}`);
      }
      // The edit is one run of lines: what comes before and after it is the same bytes.
      const a = lines(file), b = lines(answer.bytes);
      let head = 0;
      while (head < a.length && head < b.length && a[head] === b[head]) head++;
      let tail = 0;
      while (tail < a.length - head && tail < b.length - head && a[a.length - 1 - tail] === b[b.length - 1 - tail]) tail++;
      const removed = a.slice(head, a.length - tail), added = b.slice(head, b.length - tail);
      assert.ok(removed.length <= 1 && added.length <= 3, where + `: lines ${head + 1} on changed: ${JSON.stringify(removed)} -> ${JSON.stringify(added)}`);
      if (removed.length) {
        // The one line rewritten is the one that decided the setting, or the
        // last line, given the line end it lacked.
        const decider = value(before, choice.edit.key).line;
        const lastGotItsEnd = head === a.length - 1 && added[0].startsWith(removed[0]);
        assert.ok(decider === head + 1 || lastGotItsEnd, where + `: line ${head + 1} changed, line ${decider} decides`);
      }
      file = answer.bytes.slice();
      before = after;
      edits++;
    }
  }
  console.log(`${edits} edits saved and read back`);
});

test('a slider writes the tools’ float text, and an exponent below 1', async () => {
  const api = await loadCore();
  const written = (number) => {
    ask(api, 'change', { load: true }, shipped());
    return ask(api, 'change', { edit: { key: 'BulletCamSpeed', number } }).value.settings.find((s) => s.key === 'BulletCamSpeed').written;
  };
  assert.deepEqual([10, 2.5, 0.05, 0.125, 1e-7, 0, -3, 100].map(written), ['10', '2.5', '5e-2', '1.25e-1', '1e-7', '0', '-3', '100']);
});

test('lines are added with the line end most lines have, and replaced with theirs kept', async () => {
  const api = await loadCore();
  const file = (text) => new TextEncoder().encode(text);
  const edited = (text, edit) => {
    ask(api, 'change', { load: true }, file(text));
    return Buffer.from(ask(api, 'change', { edit }).bytes).toString('latin1');
  };
  assert.equal(edited('a\nb\r\nc\r\n', { addLine: true }), 'a\nb\r\nc\r\n\r\n');
  assert.equal(edited('a\r\nb\nc', { addLine: true }), 'a\r\nb\nc\n\n');
  assert.equal(edited('a\r\nb\r\nc', { line: 2, text: 'BowCamSpeed=1' }), 'a\r\nBowCamSpeed=1\r\nc');
  // A setting added where no line decides it, under its section, the file's line end kept.
  assert.equal(edited('[Lingering]\r\nLingerTime=1\r\n\r\n[Keys]\r\n', { key: 'BowCamSpeed', number: 2 }),
    '[Lingering]\r\nLingerTime=1\r\nBowCamSpeed=2\r\n\r\n[Keys]\r\n');
});

test('what cannot be written is refused, and the file stays', async () => {
  const api = await loadCore();
  const file = shipped();
  const problem = (edit) => {
    ask(api, 'change', { load: true }, file);
    const answer = ask(api, 'change', { edit }).value;
    return answer.problem;
  };
  assert.match(problem({ key: 'LingerTime', value: '3\n[Projectiles]' }), /one line/);
  assert.match(problem({ key: 'Lingertime', value: '3' }), /no setting called Lingertime/);
  assert.match(problem({ key: 'ToggleKey', value: '0' }), /no key has the code 0/);
  assert.match(problem({ key: 'EnableKnifeCamera', value: 'yes' }), /1 or 0/);
  assert.match(problem({ line: 400, text: 'x' }), /no line 400/);
  // The file the module holds is still the one loaded: the next edit is made on it.
  const next = ask(api, 'change', { edit: { key: 'LingerTime', value: '3' } });
  assert.equal(next.value.settings.find((s) => s.key === 'LingerTime').text, '3');
  assert.equal(next.bytes.length, file.length - 2, '2.5 became 3');
});
