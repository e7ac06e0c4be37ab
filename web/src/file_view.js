// The settings file as text, each line with its fate beside it in ini-check's
// words, a page of lines at a time, as the module shows them. A line is
// edited in place: only its own bytes change, so every other byte of the file
// stays as it was.
import { element } from './dom.js';
import { editableText } from './text.js';

const PAGE = 250;
const SHOWN = 400;  // characters of a note shown; the rest is summed up

// `fetchLines(from, to)` asks the module for a page of the latest analysis's
// lines; `onEdit(n, text)` replaces line n's content.
export function createFileView(root, fetchLines, onEdit) {
  const list = element('table', 'lines');
  const pager = element('div', 'pager');
  root.append(pager, list);
  return { list, pager, fetchLines, onEdit, file: new Uint8Array(0), analysis: null, page: 0, highlight: 0, asked: 0,
    rows: new Map() };  // n: { key, tr, line } as drawn
}

// Line n becomes an input; Enter keeps the edit, Escape drops it.
function editLine(view, line, td) {
  const bytes = view.file.subarray(line.start, line.end);
  const input = element('input', 'line-edit');
  const was = editableText(bytes) ?? line.text;
  input.value = was;
  input.setAttribute('aria-label', 'line ' + line.n);
  td.textContent = '';
  td.append(input);
  input.focus();
  let done = false;
  const finish = (keep) => {
    if (done) return;
    done = true;
    if (keep && input.value !== was) view.onEdit(line.n, input.value);
    else td.textContent = line.text;
  };
  input.onkeydown = (e) => {
    if (e.key === 'Enter') finish(true);
    if (e.key === 'Escape') finish(false);
  };
  input.onblur = () => finish(true);
}

function lineRow(view, line, warnings, deciding) {
  const tr = element('tr');
  tr.id = 'line-' + line.n;
  tr.classList.toggle('warned', warnings.length > 0);
  tr.classList.toggle('deciding', deciding.length > 0);
  tr.classList.toggle('highlight', line.n === view.highlight);
  tr.append(element('td', 'n', String(line.n)));
  const text = element('td', 'text', line.text);
  text.title = 'click to edit this line';
  text.onclick = () => { if (!text.querySelector('input')) editLine(view, line, text); };
  const fate = element('td', 'fate');
  for (const note of line.notes) fate.append(element('div', 'note', note.length > SHOWN ? note.slice(0, SHOWN) + ` … (${note.length} characters)` : note));
  if (deciding.length) fate.append(element('div', 'decides', 'decides ' + deciding.join(', ')));
  for (const w of warnings) fate.append(element('div', 'warning', '⚠ ' + w));
  tr.append(text, fate);
  return tr;
}

function drawPager(view, pages, from, to) {
  view.pager.textContent = '';
  if (pages < 2) return;
  const turn = (by) => () => { view.page += by; render(view); };
  const previous = element('button', '', '◀');
  previous.disabled = view.page === 0;
  previous.onclick = turn(-1);
  const next = element('button', '', '▶');
  next.disabled = view.page === pages - 1;
  next.onclick = turn(1);
  view.pager.append(previous, element('span', '', ` lines ${from} to ${to} of ${view.analysis.lineCount} `), next);
}

// The page's rows; a row whose line, fate and marks are as drawn stays.
function drawLines(view, answer) {
  const warned = new Map();
  for (const w of answer.warnings) warned.set(w.line, (warned.get(w.line) || []).concat(w.text));
  const deciding = new Map();
  for (const s of view.analysis.settings) if (s.line && !s.fromDefault) deciding.set(s.line, (deciding.get(s.line) || []).concat(s.key));
  const rows = new Map();
  for (const line of answer.lines) {
    const marks = [warned.get(line.n) || [], deciding.get(line.n) || []];
    const key = JSON.stringify([line, marks, line.n === view.highlight]);
    const old = view.rows.get(line.n);
    rows.set(line.n, old && old.key === key ? old : { key, tr: lineRow(view, line, ...marks) });
  }
  const same = rows.size === view.rows.size && [...rows.keys()].every((n) => view.rows.has(n));
  if (same) {
    for (const [n, row] of rows) if (view.rows.get(n) !== row) view.rows.get(n).tr.replaceWith(row.tr);
  } else {
    view.list.replaceChildren(...[...rows.values()].map((r) => r.tr));
  }
  view.rows = rows;
  if (!answer.lines.length) {
    const empty = element('tr');
    empty.append(element('td', 'n', ''), element('td', 'text', '(the file is empty)'));
    view.list.replaceChildren(empty);
  }
}

// The lines of the page shown, to ask the module for with a change.
export const shownLines = (view) => ({ from: view.page * PAGE + 1, to: (view.page + 1) * PAGE });

// The current page: its lines come from the module (`given`, when they came
// with the analysis), then are drawn.
async function render(view, given) {
  const count = view.analysis.lineCount;
  const pages = Math.max(1, Math.ceil(count / PAGE));
  view.page = Math.min(view.page, pages - 1);
  const from = view.page * PAGE + 1, to = Math.min(count, (view.page + 1) * PAGE);
  const ask = ++view.asked;
  const fits = given && (given.lines[0]?.n ?? from) === from && given.lines.length === Math.max(0, to - from + 1);
  const answer = fits ? given : count ? (await view.fetchLines(from, to)).value : { lines: [], warnings: [] };
  if (ask !== view.asked || answer.stale) return;  // a newer page or file is on its way
  drawPager(view, pages, from, to);
  drawLines(view, answer);
}

// Shows `file` with its analysis (and the lines of the page shown, when it
// has them); resolves once its page is drawn.
export function showFile(view, file, analysis) {
  view.file = file;
  view.analysis = analysis;
  return render(view, analysis.lines);
}

// Brings line n into view.
export async function revealLine(view, n) {
  if (!view.analysis || n < 1) return;
  view.page = Math.floor((n - 1) / PAGE);
  view.highlight = n;
  await render(view);
  document.getElementById('line-' + n)?.scrollIntoView({ block: 'center' });
}
