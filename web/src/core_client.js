// The page's side of the worker that holds the plug-in's core: requests as
// promises, replays streamed back one scenario at a time.

export function startCore(workerSource) {
  const url = URL.createObjectURL(new Blob([workerSource], { type: 'text/javascript' }));
  const worker = new Worker(url);
  let nextId = 1;
  let lastReplay = 0;
  const waiting = new Map();  // id: { resolve, onReplayed }
  let readyResolve, readyReject;
  const ready = new Promise((resolve, reject) => { readyResolve = resolve; readyReject = reject; });

  worker.onmessage = ({ data }) => {
    if (data.ready) return readyResolve(data.ready);
    if (data.failed) return readyReject(new Error(data.failed));
    const request = waiting.get(data.id);
    if (!request) return;
    if (data.replayed) return request.onReplayed && request.onReplayed(data.replayed);
    waiting.delete(data.id);
    request.resolve(data.result);
  };
  worker.onerror = (event) => readyReject(new Error(event.message || 'the core did not start'));

  function send(message, transfer, onReplayed) {
    const id = nextId++;
    return new Promise((resolve) => {
      waiting.set(id, { resolve, onReplayed });
      worker.postMessage({ ...message, id }, transfer);
    });
  }
  // Each request takes its own copy of the file: the page keeps its bytes.
  const copy = (bytes) => bytes.slice();

  return {
    ready,
    analyse: (file) => { const f = copy(file); return send({ type: 'analyse', file: f }, [f.buffer]); },
    edit: (file, key, value) => { const f = copy(file); return send({ type: 'edit', file: f, key, value }, [f.buffer]); },
    // Lines from..to of the analysis `analysis` (its id).
    lines: (analysis, from, to) => send({ type: 'lines', analysis, from, to }, []),
    numberText: (value) => send({ type: 'numberText', value }, []),
    customShot: (params) => send({ type: 'customShot', params }, []),
    // The replay blob of a recorded run (JSON text of { scenario, trace, output }).
    recorded: (run) => send({ type: 'recorded', run }, []).then((answer) => answer.blob),
    // Replays `jobs` ([{ key, json }]) with `file`; onReplayed({ key, blob, ms })
    // for each as it comes. A later call drops what is left of an earlier one.
    replay: (file, jobs, onReplayed) => {
      // The worker drops the rest of an earlier replay: so does its promise.
      if (lastReplay && waiting.has(lastReplay)) {
        waiting.get(lastReplay).resolve({ dropped: true });
        waiting.delete(lastReplay);
      }
      const f = copy(file);
      lastReplay = nextId;
      return send({ type: 'replay', file: f, jobs }, [f.buffer], onReplayed);
    },
  };
}
