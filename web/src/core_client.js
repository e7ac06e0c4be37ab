// The page's side of the worker that holds the plug-in's core: one `call`
// for every operation, its answer as a promise; the replays that requests
// queue go to `onStreamed` as they come.
import { openEnvelope } from './core_api.js';

export function startCore(workerSource, onStreamed) {
  const url = URL.createObjectURL(new Blob([workerSource], { type: 'text/javascript' }));
  const worker = new Worker(url);
  let nextId = 1;
  const waiting = new Map();  // id: resolve
  let settling = [];          // [id, resolve] of requests whose replays may still come
  let readyResolve, readyReject;
  const ready = new Promise((resolve, reject) => { readyResolve = resolve; readyReject = reject; });

  worker.onmessage = ({ data }) => {
    if (data.ready) return readyResolve();
    if (data.failed) return readyReject(new Error(data.failed));
    if (data.streamed) return onStreamed(openEnvelope(data.streamed));
    if (data.idle !== undefined) {
      // Every request up to this one is answered and its replays are in.
      settling = settling.filter(([id, resolve]) => (id <= data.idle ? resolve() : true));
      return;
    }
    waiting.get(data.id)(openEnvelope(data.answer));
    waiting.delete(data.id);
  };
  worker.onerror = (event) => readyReject(new Error(event.message || 'the core did not start'));

  // Resolves with the answer, { value, bytes }, and its `settled`: a promise
  // resolved once every replay the request queued has gone to onStreamed.
  // The request takes its own copy of `bytes`: the page keeps its own.
  function call(op, args = {}, bytes = null) {
    const id = nextId++;
    const copy = bytes ? bytes.slice() : undefined;
    const settled = new Promise((resolve) => settling.push([id, resolve]));
    return new Promise((resolve) => {
      waiting.set(id, resolve);
      worker.postMessage({ id, op, args, bytes: copy }, copy ? [copy.buffer] : []);
    }).then((answer) => ({ ...answer, settled }));
  }
  return { ready, call };
}
