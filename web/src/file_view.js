// The settings file as text, each line with its fate beside it in ini-check's
// words, a page of lines at a time. A line is edited in place: only its own
// bytes change, so every other byte of the file stays as it was.
import { editableAsText, sameBytes, showBytes } from './text.js';

const PAGE = 250;
const SHOWN = 400;  // characters of a line, or of a note, shown; the rest is summed up
const encoder = new TextEncoder();

// `fetchLines(analysisId, from, to)` gives the lines of a page with their
// offsets, notes and warnings (the whole analysis stays in the worker).
export function createFileView(root, fetchLines, onEdit) {
  const list = document.createElement('table');
  list.className = 'lines';
  const pager = document.createElement('div');
  pager.className = 'pager';
  root.append(pager, list);
  let file = new Uint8Array(0), analysis = null, page = 0, highlight = 0, shown = new Map(), asked = 0;

  function cell(row, className, text) {
    const td = document.createElement('td');
    td.className = className;
    td.textContent = text;
    row.append(td);
    return td;
  }

  // Line n becomes an input; Enter keeps the edit, Escape drops it.
  function edit(n, td) {
    const { start, end } = shown.get(n);
    const bytes = file.subarray(start, end);
    const input = document.createElement('input');
    input.className = 'line-edit';
    input.value = editableAsText(bytes) ? new TextDecoder().decode(bytes) : showBytes(bytes);
    input.setAttribute('aria-label', 'line ' + n);
    td.textContent = '';
    td.append(input);
    input.focus();
    let done = false;
    const finish = (keep) => {
      if (done) return;
      done = true;
      const text = encoder.encode(input.value);
      if (keep && !sameBytes(text, bytes)) onEdit(start, end, text, n);
      else render();
    };
    input.onkeydown = (e) => {
      if (e.key === 'Enter') finish(true);
      if (e.key === 'Escape') finish(false);
    };
    input.onblur = () => finish(true);
  }

  // The current page: its lines come from the worker, then are drawn.
  async function render() {
    if (!analysis) return;
    const count = analysis.lineCount;
    const pages = Math.max(1, Math.ceil(count / PAGE));
    page = Math.min(page, pages - 1);
    const from = page * PAGE + 1, to = Math.min(count, (page + 1) * PAGE);
    const ask = ++asked;
    const answer = count ? await fetchLines(analysis.id, from, to) : { lines: [], warnings: [] };
    if (ask !== asked || answer.stale) return;  // a newer page or file is on its way
    draw(answer, pages, from, to);
  }

  function draw(answer, pages, from, to) {
    list.textContent = '';
    pager.textContent = '';
    shown = new Map(answer.lines.map((l) => [l.n, l]));
    const warned = new Map();
    for (const w of answer.warnings) warned.set(w.line, (warned.get(w.line) || []).concat(w.text));
    const deciding = new Map();
    for (const s of analysis.settings) if (s.line && !s.fromDefault) deciding.set(s.line, (deciding.get(s.line) || []).concat(s.key));

    if (pages > 1) {
      const previous = document.createElement('button');
      previous.textContent = '◀';
      previous.disabled = page === 0;
      previous.onclick = () => { page--; render(); };
      const next = document.createElement('button');
      next.textContent = '▶';
      next.disabled = page === pages - 1;
      next.onclick = () => { page++; render(); };
      const where = document.createElement('span');
      where.textContent = ` lines ${from} to ${to} of ${analysis.lineCount} `;
      pager.append(previous, where, next);
    }
    for (const line of answer.lines) {
      const n = line.n;
      const row = document.createElement('tr');
      row.id = 'line-' + n;
      if (warned.has(n)) row.classList.add('warned');
      if (deciding.has(n)) row.classList.add('deciding');
      if (n === highlight) row.classList.add('highlight');
      cell(row, 'n', String(n));
      const bytes = file.subarray(line.start, line.end);
      let text = showBytes(bytes, SHOWN);
      if (text.length >= SHOWN) text = text.slice(0, SHOWN) + ` … (${bytes.length} bytes in all)`;
      const textCell = cell(row, 'text', text);
      textCell.title = 'click to edit this line';
      textCell.onclick = () => { if (!textCell.querySelector('input')) edit(n, textCell); };
      const fate = cell(row, 'fate', '');
      for (const note of line.notes) {
        const div = document.createElement('div');
        div.className = 'note';
        div.textContent = note.length > SHOWN ? note.slice(0, SHOWN) + ` … (${note.length} characters)` : note;
        fate.append(div);
      }
      if (deciding.has(n)) {
        const div = document.createElement('div');
        div.className = 'decides';
        div.textContent = 'decides ' + deciding.get(n).join(', ');
        fate.append(div);
      }
      for (const w of warned.get(n) || []) {
        const div = document.createElement('div');
        div.className = 'warning';
        div.textContent = '⚠ ' + w;
        fate.append(div);
      }
      list.append(row);
    }
    if (!answer.lines.length) {
      const row = document.createElement('tr');
      cell(row, 'n', '');
      cell(row, 'text', '(the file is empty)');
      list.append(row);
    }
  }

  return {
    // Shows `nextFile` with its analysis summary; resolves once its page is drawn.
    show(nextFile, nextAnalysis) {
      file = nextFile;
      analysis = nextAnalysis;
      return render();
    },
    // Brings line n into view.
    async reveal(n) {
      if (!analysis || n < 1) return;
      page = Math.floor((n - 1) / PAGE);
      highlight = n;
      await render();
      document.getElementById('line-' + n)?.scrollIntoView({ block: 'center' });
    },
  };
}
