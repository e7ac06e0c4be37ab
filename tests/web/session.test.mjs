// The module's replays after a change, as the page gets them: every
// scenario whose replay the change moved, and no other; those first at the
// next change; and, with the scenarios shared among modules, each once.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { openEnvelope } from '../../web/src/core_api.js';
import { decodeReplay } from '../../web/src/replay.js';
import { ask, loadCore, shipped } from './support.mjs';

// The replays a request queued, in the order they stream: [{ key, current, asLoaded, replay }].
function drain(api) {
  const streamed = [];
  for (let answer; (answer = api.next());) {
    const { value, bytes } = openEnvelope(answer);
    streamed.push({ ...value, replay: bytes.slice() });
  }
  return streamed;
}

test('a change streams the replays it moved, and those first the next time', async () => {
  const api = await loadCore();
  const keys = ask(api, 'start').value.scenarios.map((s) => s.key);
  ask(api, 'stage', { weapon: '0x4E328256', distance: 40, height: 0, speed: 3 });
  ask(api, 'change', { load: true }, shipped());
  const loaded = drain(api);
  assert.deepEqual(loaded.map((r) => r.key).sort(), [...keys, 'custom'].sort());
  assert.ok(loaded.every((r) => r.current && r.asLoaded));

  const edited = (number) => ask(api, 'change', { edit: { key: 'BulletCamSpeed', number } }).bytes.slice();
  const file = edited(2);
  const moved = drain(api);
  // Exactly the scenarios that play otherwise with the edited file.
  const differs = (key, a, b) => Buffer.compare(Buffer.from(ask(api, 'replay', { scenario: key }, a).bytes), Buffer.from(ask(api, 'replay', { scenario: key }, b).bytes)) !== 0;
  const expected = [...keys, 'custom'].filter((key) => differs(key, shipped(), file));
  assert.ok(expected.length > 1 && expected.length < keys.length, expected.join());
  assert.deepEqual(moved.map((r) => r.key).sort(), expected.sort());
  assert.ok(moved.every((r) => r.current && !r.asLoaded && !decodeReplay(r.replay).header.error));

  // The same value again moves nothing; another moves the same scenarios, streamed first.
  edited(2);
  assert.deepEqual(drain(api), []);
  edited(5);
  const order = drain(api).map((r) => r.key);
  assert.deepEqual(order.slice(0, expected.length).sort(), expected.sort());
});

test('modules that share the scenarios replay each once', async () => {
  const modules = [await loadCore(), await loadCore(), await loadCore()];
  const keys = ask(modules[0], 'start').value.scenarios.map((s) => s.key);
  const streamed = modules.map((api, index) => {
    ask(api, 'share', { index, of: modules.length });
    ask(api, 'stage', { weapon: '0x5F30F384', distance: 20, height: 0, speed: 0 });
    ask(api, 'change', { load: true }, shipped());
    return drain(api).map((r) => r.key);
  });
  assert.ok(streamed.every((share) => share.length >= 3), JSON.stringify(streamed));
  assert.deepEqual(streamed.flat().sort(), [...keys, 'custom'].sort());
});
