// What the module makes of the file, beside the controls: the warnings, the
// lines the plug-in prints, what the settings mean in the game, and what
// differs from the shipped file. Each part is drawn again only when it changed.
import { element } from './dom.js';

const $ = (id) => document.getElementById(id);

// `view.shown`: the JSON each part was last drawn from.
export function createAnalysisView() {
  return { shown: {} };
}

function changed(view, part, value) {
  const json = JSON.stringify(value);
  if (view.shown[part] === json) return false;
  view.shown[part] = json;
  return true;
}

function showWarnings(a, reveal) {
  const warnings = $('warnings');
  warnings.textContent = '';
  $('warning-count').textContent = a.warningCount ? `${a.warningCount} warning${a.warningCount > 1 ? 's' : ''}` : 'no warnings';
  for (const w of a.warnings) {
    const li = element('li');
    if (w.line) {
      const link = element('a', '', 'line ' + w.line);
      link.href = '#line-' + w.line;
      link.onclick = (e) => { e.preventDefault(); reveal(w.line); };
      li.append(link, ': ');
    }
    li.append(w.text);
    warnings.append(li);
  }
  if (a.warningCount > a.warnings.length) warnings.append(element('li', '', `… and ${a.warningCount - a.warnings.length} more`));
}

function showPrinted(a) {
  const printed = $('printed');
  printed.textContent = a.printed.length ? a.printed.join('\n') : '(nothing)';
  if (a.printedCount > a.printed.length) printed.textContent += `\n… and ${a.printedCount - a.printed.length} lines more`;
}

function showMeaning(meaning) {
  const table = $('meaning');
  table.textContent = '';
  const head = element('tr');
  for (const h of ['Camera', 'Started by', 'Follows', 'Then', 'Game speed']) head.append(element('th', '', h));
  table.append(head);
  for (const row of meaning.rows) {
    const tr = element('tr');
    row.forEach((text, i) => tr.append(element(i ? 'td' : 'th', '', text)));
    table.append(tr);
  }
  $('bullet-end').textContent = meaning.bulletEnd;
}

// Which settings a file (a player's old one, say) has otherwise than the
// shipped file, with a way back to each shipped value.
function showDifferences(settings, shipped, edit) {
  const list = $('differences');
  list.textContent = '';
  const was = new Map(shipped.map((s) => [s.key, s]));
  let count = 0;
  for (const s of settings) {
    const old = was.get(s.key);
    if (!old || old.text === s.text) continue;
    count++;
    const li = element('li');
    li.dataset.key = s.key;
    li.append(element('b', '', s.key), ` is ${s.text}` + (s.line ? ` (line ${s.line})` : ' (no line: the default)') + `; shipped: ${old.text}`);
    const back = element('button', '', 'use the shipped value');
    back.type = 'button';
    back.onclick = () => edit(s.key, old.kind === 'key' ? String(old.code) : old.kind === 'switch' ? (old.on ? '1' : '0') : old.text);
    li.append(back);
    list.append(li);
  }
  $('difference-count').textContent = count ? `${count} setting${count > 1 ? 's' : ''} differ` : '';
  if (!count) list.append(element('li', '', 'Every setting has its shipped value.'));
}

// `shipped`: the shipped file's settings; `reveal(n)` shows line n;
// `edit(key, value)` sets a setting.
export function showAnalysis(view, a, { shipped, reveal, edit }) {
  if (changed(view, 'warnings', [a.warnings, a.warningCount])) showWarnings(a, reveal);
  if (changed(view, 'printed', [a.printed, a.printedCount])) showPrinted(a);
  if (changed(view, 'meaning', a.meaning)) showMeaning(a.meaning);
  if (shipped && changed(view, 'differences', a.settings)) showDifferences(a.settings, shipped, edit);
}
