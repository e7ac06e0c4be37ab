// What a tool put in the page's data slot: veltrix-check's file
// ({ veltrix: 'check', name, path, file }) or a run of veltrix-sim
// ({ veltrix: 'run', runner, settings, runs: [{ name, result, settings,
// replay }], table: { head, rows, problems } }). Bytes come as strings of
// code points 0 to 255; each run's replay is the module's format. The tools
// write data only; this module draws it.
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

// The run's summary table as veltrix-sim printed it, each scenario that ran
// linked to its card, and what went wrong.
export function showRunSummary(data, table, problems) {
  const head = element('tr');
  for (const h of data.table.head) head.append(element('th', '', h));
  table.append(head);
  data.table.rows.forEach((cells, i) => {
    const run = data.runs[i];
    const tr = element('tr');
    tr.dataset.name = run.name;
    cells.forEach((text, k) => {
      const td = element('td', k === cells.length - 1 ? 'result-' + run.result : '');
      if (k === 0 && run.replay) {
        const link = element('a', '', text);
        link.href = '#card-' + RECORDED + run.name;
        td.append(link);
      } else {
        td.textContent = text;
      }
      tr.append(td);
    });
    table.append(tr);
  });
  for (const p of data.table.problems) problems.append(element('li', '', p));
}
