// The page's side of the workers that hold the plug-in's core: one `call`
// for every operation, its answer as a promise; the replays that requests
// queue go to `onStreamed` as they come. Each worker holds a module of its
// own and replays its share of the scenarios; every request goes to all, and
// the first one's answer is the answer.
import { openEnvelope } from './core_api.js';

export function startCore(workerSource, onStreamed, count = 1) {
  const url = URL.createObjectURL(new Blob([workerSource], { type: 'text/javascript' }));
  const workers = Array.from({ length: count }, () => new Worker(url));
  let nextId = 1;
  const waiting = new Map();  // id: resolve
  const idle = workers.map(() => 0);  // each worker's last request whose replays are all in
  let settling = [];          // [id, resolve] of requests whose replays may still come
  let started = 0, readyResolve, readyReject;
  const ready = new Promise((resolve, reject) => { readyResolve = resolve; readyReject = reject; });

  const listen = (worker, index) => ({ data }) => {
    if (data.ready) return ++started === count && readyResolve();
    if (data.failed) return readyReject(new Error(data.failed));
    if (data.streamed) return onStreamed(openEnvelope(data.streamed));
    if (data.idle !== undefined) {
      idle[index] = data.idle;
      const done = Math.min(...idle);
      settling = settling.filter(([id, resolve]) => (id <= done ? resolve() : true));
      return;
    }
    if (index === 0 && waiting.has(data.id)) {
      waiting.get(data.id)(openEnvelope(data.answer));
      waiting.delete(data.id);
    }
  };
  workers.forEach((worker, index) => {
    worker.onmessage = listen(worker, index);
    worker.onerror = (event) => readyReject(new Error(event.message || 'the core did not start'));
    worker.postMessage({ id: 0, op: 'share', args: { index, of: count } });
  });

  // Resolves with the answer, { value, bytes }, and its `settled`: a promise
  // resolved once every replay the request queued has gone to onStreamed.
  // The request takes its own copy of `bytes`: the page keeps its own.
  function call(op, args = {}, bytes = null) {
    const id = nextId++;
    const settled = new Promise((resolve) => settling.push([id, resolve]));
    return new Promise((resolve) => {
      waiting.set(id, resolve);
      for (const worker of workers) {
        const copy = bytes ? bytes.slice() : undefined;
        worker.postMessage({ id, op, args, bytes: copy }, copy ? [copy.buffer] : []);
      }
    }).then((answer) => ({ ...answer, settled }));
  }
  return { ready, call };
}
