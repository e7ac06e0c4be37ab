// The page's worker: holds the plug-in's core (the WebAssembly module, whose
// loader is prepended to this script as createVeltrixCore) and answers the
// page, so that no replay ever holds up the page. Files arrive and leave as
// bytes.
/* global createVeltrixCore */
import { coreApi } from './core_api.js';

let api = null;
const queue = [];
let latestReplay = 0;

// Runs the next queued task in a task of its own, so that a newer request
// can arrive between two replays (a zero timeout would be throttled).
const tick = new MessageChannel();
tick.port1.onmessage = () => {
  const task = queue.shift();
  if (task) task();
  if (queue.length) tick.port2.postMessage(0);
};
function later(task) {
  queue.push(task);
  if (queue.length === 1) tick.port2.postMessage(0);
}

function answer(id, result, transfer = []) {
  self.postMessage({ id, result }, transfer);
}

// A file's whole analysis stays here (a long file's is large): the page gets
// what it shows at once and asks for its lines a page at a time.
const analyses = new Map();
const SHOWN = 300;

function analyse({ id, file }) {
  const a = api.analyse(file);
  analyses.set(id, a);
  for (const old of analyses.keys()) if (analyses.size > 4) analyses.delete(old);
  return {
    id, size: a.size, lineCount: a.lines.length, settings: a.settings, meaning: a.meaning,
    printed: a.printed.slice(0, SHOWN), printedCount: a.printed.length,
    warnings: a.warnings.slice(0, SHOWN), warningCount: a.warnings.length,
  };
}

// Lines from..to (1-based, inclusive) of an analysis: offsets, notes and warnings.
function lines({ analysis, from, to }) {
  const a = analyses.get(analysis);
  if (!a) return { stale: true };
  const shown = a.lines.slice(from - 1, to).map(([start, end, next, ...notes], k) =>
    ({ n: from + k, start, end, next, notes: notes.map((id) => a.texts[id]) }));
  return { lines: shown, warnings: a.warnings.filter((w) => w.line >= from && w.line <= to) };
}

const handlers = {
  analyse,
  lines,
  edit: ({ file, key, value }) => api.edit(file, key, value),
  numberText: ({ value }) => api.numberText(value),
  customShot: ({ params }) => api.customShot(params),
  recorded: ({ run }) => ({ blob: api.recorded(run) }),
};

// Each job: { key, json, file? }; a job's own file replaces the request's.
function replay({ id, file, jobs }) {
  latestReplay = id;
  const started = performance.now();
  if (!jobs.length) answer(id, { ms: 0 });
  jobs.forEach((job, index) => {
    later(() => {
      // A newer change has come: its replays are what the page wants.
      if (id !== latestReplay) return;
      const t = performance.now();
      const blob = api.replay(job.json, job.file || file);
      self.postMessage({ id, replayed: { key: job.key, blob, ms: performance.now() - t } }, [blob.buffer]);
      if (index === jobs.length - 1) answer(id, { ms: performance.now() - started });
    });
  });
}

self.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'replay') return replay(message);
  later(() => {
    try {
      const result = handlers[message.type](message);
      answer(message.id, result, result && result.file ? [result.file.buffer] : []);
    } catch (error) {
      answer(message.id, { problem: String(error && error.message ? error.message : error) });
    }
  });
};

createVeltrixCore().then((core) => {
  api = coreApi(core);
  self.postMessage({ ready: { scenarios: api.bundledScenarios(), tables: api.tables() } });
}, (error) => self.postMessage({ failed: String(error) }));
