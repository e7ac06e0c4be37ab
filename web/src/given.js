// What a tool put in the page's data slot: veltrix-check's file
// ({ veltrix: 'check', name, path, file }) or a run of veltrix-sim
// ({ veltrix: 'run', runner, settings, runs: [...] }). Bytes come as strings of
// code points 0 to 255. The tools write data only; this module draws it.
import { element } from './dom.js';
import { latin1Bytes } from './text.js';

export const RECORDED = 'run:';

export function readGiven() {
  const slot = document.getElementById('veltrix-data');
  try {
    const data = JSON.parse(slot ? slot.textContent : 'null');
    return data && (data.veltrix === 'check' || data.veltrix === 'run') ? data : null;
  } catch {
    return null;
  }
}

export const bytesOf = (text) => (typeof text === 'string' ? latin1Bytes(text) : null);

// Four significant digits, as the summary veltrix-sim prints; inf and nan as
// the tools write them.
const figure = (x) => (typeof x === 'number' ? String(Number(x.toPrecision(4))) : typeof x === 'string' ? x : '-');

// The run's summary table (a row per scenario, each linked to its card) and
// what went wrong, as veltrix-sim printed them.
export function showRunSummary(data, table, problems) {
  const head = element('tr');
  for (const h of ['scenario', 'made', 'destroyed', 'followed', 'lingered', 'lowest', 'at end', 'expectations']) head.append(element('th', '', h));
  table.append(head);
  for (const run of data.runs) {
    const tr = element('tr');
    tr.dataset.name = run.name;
    const name = element('td');
    if (run.summary) {
      const link = element('a', '', run.name);
      link.href = '#card-' + RECORDED + run.name;
      name.append(link);
    } else {
      name.textContent = run.name;
    }
    tr.append(name);
    const s = run.summary || {};
    for (const k of ['made', 'destroyed', 'followed', 'lingered']) tr.append(element('td', '', s[k] === undefined ? '-' : String(s[k])));
    tr.append(element('td', '', figure(s.lowest)), element('td', '', figure(s.atEnd)));
    tr.append(element('td', 'result-' + run.result, run.result));
    table.append(tr);
    if (run.error) problems.append(element('li', '', `${run.name}: cannot run: ${run.error}`));
    for (const f of run.failures || []) problems.append(element('li', '', `${run.name}: ${f}`));
  }
}
