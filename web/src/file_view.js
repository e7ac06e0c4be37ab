// The settings file as text, each line with its fate beside it in ini-check's
// words, a page of lines at a time. A line is edited in place: only its own
// bytes change, so every other byte of the file stays as it was.
import { editableAsText, showBytes } from './text.js';

const PAGE = 400;
const SHOWN = 600;  // characters of a line shown; the rest is summed up
const encoder = new TextEncoder();

export function createFileView(root, onEdit) {
  const list = document.createElement('table');
  list.className = 'lines';
  const pager = document.createElement('div');
  pager.className = 'pager';
  root.append(pager, list);
  let file = new Uint8Array(0), analysis = null, page = 0, highlight = 0;

  function lineBytes(n) {
    const [start, end] = analysis.lines[n - 1];
    return file.subarray(start, end);
  }

  function cell(row, className, text) {
    const td = document.createElement('td');
    td.className = className;
    td.textContent = text;
    row.append(td);
    return td;
  }

  // Line n becomes an input; Enter keeps the edit, Escape drops it.
  function edit(n, td) {
    const bytes = lineBytes(n);
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
      const [start, end] = analysis.lines[n - 1];
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

  function render() {
    list.textContent = '';
    pager.textContent = '';
    if (!analysis) return;
    const lines = analysis.lines;
    const warned = new Map();
    for (const w of analysis.warnings) if (w.line) warned.set(w.line, (warned.get(w.line) || []).concat(w.text));
    const deciding = new Map();
    for (const s of analysis.settings) if (s.line && !s.fromDefault) deciding.set(s.line, (deciding.get(s.line) || []).concat(s.key));

    const pages = Math.max(1, Math.ceil(lines.length / PAGE));
    page = Math.min(page, pages - 1);
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
      where.textContent = ` lines ${page * PAGE + 1} to ${Math.min(lines.length, (page + 1) * PAGE)} of ${lines.length} `;
      pager.append(previous, where, next);
    }
    for (let n = page * PAGE + 1; n <= Math.min(lines.length, (page + 1) * PAGE); n++) {
      const row = document.createElement('tr');
      row.id = 'line-' + n;
      if (warned.has(n)) row.classList.add('warned');
      if (deciding.has(n)) row.classList.add('deciding');
      if (n === highlight) row.classList.add('highlight');
      cell(row, 'n', String(n));
      const bytes = lineBytes(n);
      let shown = showBytes(bytes, SHOWN);
      if (shown.length >= SHOWN) shown = shown.slice(0, SHOWN) + ` … (${bytes.length} bytes in all)`;
      const text = cell(row, 'text', shown);
      text.title = 'click to edit this line';
      text.onclick = () => { if (!text.querySelector('input')) edit(n, text); };
      const fate = cell(row, 'fate', '');
      const notes = lines[n - 1].slice(3).map((id) => analysis.texts[id]);
      for (const note of notes) {
        const div = document.createElement('div');
        div.className = 'note';
        div.textContent = note;
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
    if (!lines.length) {
      const row = document.createElement('tr');
      cell(row, 'n', '');
      cell(row, 'text', '(the file is empty)');
      list.append(row);
    }
  }

  return {
    show(nextFile, nextAnalysis) {
      file = nextFile;
      analysis = nextAnalysis;
      render();
    },
    // Brings line n into view.
    reveal(n) {
      if (!analysis || n < 1) return;
      page = Math.floor((n - 1) / PAGE);
      highlight = n;
      render();
      document.getElementById('line-' + n)?.scrollIntoView({ block: 'center' });
    },
  };
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}
