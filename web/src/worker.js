// The page's worker: holds the plug-in's core (the WebAssembly module, whose
// loader is prepended to this script as createVeltrixCore) and answers the
// page, so that no replay ever holds up the page. One request path: each
// request is answered in turn; between requests, the replays they queued
// stream back one a task, so that a newer request is taken between two.
/* global createVeltrixCore */
import { coreApi } from './core_api.js';

let api = null;
const requests = [];
let lastId = 0;
let scheduled = false;

// A task of its own for each step (a zero timeout would be throttled).
const tick = new MessageChannel();
const schedule = () => {
  if (!scheduled) tick.port2.postMessage(0);
  scheduled = true;
};

tick.port1.onmessage = () => {
  scheduled = false;
  const request = requests.shift();
  if (request) {
    const answer = api.call(request.op, request.args, request.bytes);
    lastId = request.id;
    self.postMessage({ id: request.id, answer }, [answer.buffer]);
    return schedule();
  }
  const replay = api.next();
  if (!replay) return self.postMessage({ idle: lastId });
  self.postMessage({ streamed: replay }, [replay.buffer]);
  schedule();
};

self.onmessage = ({ data }) => {
  requests.push(data);
  if (api) schedule();
};

createVeltrixCore().then((core) => {
  api = coreApi(core);
  self.postMessage({ ready: true });
  if (requests.length) schedule();
}, (error) => self.postMessage({ failed: String(error) }));
