// A card for each scenario: what it shows, the figures of its replay and its
// four charts; the faint replay behind is the same scenario with the file as
// loaded. A recorded run's card adds its verdict and what the plug-in printed.
import { drawCharts } from './charts.js';
import { element } from './dom.js';
import { RECORDED } from './given.js';

const CHART_WIDTH = 330;

export const CUSTOM = 'custom';

export function nameOf(key) {
  if (key.startsWith(RECORDED)) return key.slice(RECORDED.length) + ' (recorded)';
  return key === CUSTOM ? 'custom shot' : key;
}

// `where`: the element the card goes in; `watch()`: show it in the camera's eye.
function createCard(key, where, watch) {
  const root = element('section', 'card');
  root.id = 'card-' + key;
  const title = element('h3', '', nameOf(key));
  const button = element('button', 'watch', 'camera’s eye');
  button.onclick = watch;
  title.append(' ', button);
  const description = element('p', 'description');
  const figures = element('p', 'figures');
  const canvases = { top: element('canvas'), side: element('canvas'), time: element('canvas'), lives: element('canvas') };
  root.append(title, description, figures, canvases.top, canvases.side, canvases.time, canvases.lives);
  where.append(root);
  return { root, description, figures, canvases };
}

function figures(h, base) {
  const lives = h.lives || [];
  const followed = lives.reduce((n, l) => n + l.followed, 0);
  const lingered = lives.reduce((n, l) => n + l.lingered, 0);
  let words = `${lives.length} camera${lives.length === 1 ? '' : 's'}; followed ${followed} passes, lingered ${lingered}; ` +
    `${h.played} passes played`;
  if (h.played > h.passes) words += ` (the scenario's ${h.passes}, then on until every camera ended)`;
  if (h.cutShort) words += `; a camera is still live after ${h.played} passes: the plug-in keeps it until something else happens`;
  if (base) {
    const was = (base.header.lives || []).reduce((n, l) => n + l.followed, 0);
    if (was !== followed) words += ` (as loaded: followed ${was})`;
  }
  if (h.protocolErrors && h.protocolErrors.length) words += `; host protocol errors: ${h.protocolErrors.join('; ')}`;
  return { words, followed, lingered };
}

// Draws `replay` on the card of `key` (made at its first replay in `where`),
// with `base` faint behind it when that is another replay.
export function drawCard(cards, key, replay, base, where, watch) {
  if (!cards.has(key)) cards.set(key, createCard(key, where, watch));
  const card = cards.get(key);
  const h = replay.header;
  const faint = base && base !== replay ? base : null;
  // Words written again only when they change: each write lays the card out again.
  const write = (element, text) => { if (element.textContent !== text) element.textContent = text; };
  write(card.description, h.error ? 'cannot run: ' + h.error : h.description);
  const f = figures(h, faint);
  write(card.figures, f.words);
  card.root.dataset.followed = f.followed;
  card.root.dataset.lingered = f.lingered;
  if (!h.error) drawCharts(card.canvases, replay, faint, CHART_WIDTH);
  return card;
}

// A recorded run's verdict and what the plug-in printed (as the module shows
// bytes); `use`, if given, loads its settings file into the tuner.
export function addRecordedDetails(card, run, replay, use) {
  const verdict = element('p', 'figures');
  verdict.append('expectations: ', element('span', 'result-' + run.result, run.result));
  for (const f of run.failures || []) verdict.append(element('br'), f);
  if (use) {
    const button = element('button', 'watch', 'tune its settings');
    button.type = 'button';
    button.onclick = use;
    verdict.append(' ', button);
  }
  card.root.append(verdict);
  const output = replay.header.output || [];
  if (output.length) card.root.append(element('pre', 'output', output.join('\n')));
}
