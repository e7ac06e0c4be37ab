// The tuner page: a settings file, what the plug-in makes of it, and every
// bundled scenario replayed through the plug-in's own code whenever the file
// changes, drawn flat and seen through the scripted camera. The file is
// bytes from the moment it is loaded to the moment it is saved.
/* global __WORKER_SOURCE__, __SHIPPED_INI__ */
import { drawCharts } from './charts.js';
import { createControls } from './controls.js';
import { startCore } from './core_client.js';
import { createEye, DEFAULT_FOV } from './eye.js';
import { element } from './dom.js';
import { createFileView } from './file_view.js';
import { bytesOf, readGiven, RECORDED, showRunSummary } from './given.js';
import { decodeReplay } from './replay.js';
import { concat, latin1Bytes, sameBytes, showBytes } from './text.js';

const CHART_WIDTH = 330;
const CUSTOM = 'custom';

const $ = (id) => document.getElementById(id);

const state = {
  file: new Uint8Array(0),
  loaded: new Uint8Array(0),  // the file as loaded: its replays are drawn faintly
  name: '',
  analysis: null,
  scenarios: [],              // [{ key, json }]
  current: new Map(),         // key: the replay with the file as it is now
  blobs: new Map(),           // key: the bytes it came as
  baseline: new Map(),        // key: the replay with the file as loaded
  custom: null,               // the custom shot's scenario JSON
  shipped: null,              // the shipped file's settings, to say what differs
  runs: new Map(),            // key: a recorded run, as the tool gave it
  undo: [],
  redo: [],
  running: false,
  pending: false,
  timings: [],                // ms from a change to the page redrawn
  changedAt: 0,
};

const core = startCore(__WORKER_SOURCE__);
let controls, fileView, eye;
const cards = new Map();

function setStatus(text, warn) {
  $('status').textContent = text;
  $('status').classList.toggle('warn', !!warn);
}

// ---- The file --------------------------------------------------------------------------------
function load(bytes, name) {
  state.loaded = bytes;
  state.baseline.clear();
  state.undo = [];
  state.redo = [];
  state.name = name;
  $('file-name').textContent = `${name} (${bytes.length} bytes)`;
  change(bytes, false);
}

function change(bytes, remember = true) {
  if (remember) {
    state.undo.push(state.file);
    state.redo = [];
  }
  state.file = bytes;
  $('undo').disabled = !state.undo.length;
  $('redo').disabled = !state.redo.length;
  state.changedAt = performance.now();
  refresh();
}

// Edits are made one after another, each on the file as the last left it.
let editing = Promise.resolve();
function edit(key, value) {
  editing = editing.then(async () => {
    const answer = await core.edit(state.file, key, value);
    if (answer.problem) setStatus(key + ': ' + answer.problem, true);
    else change(answer.file);
  });
  return editing;
}
function editNumber(key, value) {
  editing = editing.then(async () => {
    const text = await core.numberText(value);
    const answer = await core.edit(state.file, key, text);
    if (!answer.problem) change(answer.file);
  });
}

function replaceLine(start, end, bytes) {
  change(concat(state.file.subarray(0, start), bytes, state.file.subarray(end)));
}

// ---- Replays and drawing ---------------------------------------------------------------------
function jobs() {
  const list = state.scenarios.map((s) => ({ key: s.key, json: s.json }));
  if (state.custom) {
    list.push({ key: CUSTOM, json: state.custom });
    const base = CUSTOM + ':' + state.custom;
    if (!state.baseline.has(base)) list.push({ key: base, json: state.custom, file: state.loaded });
  }
  return list;
}

// One refresh at a time; changes made meanwhile are taken up together by the next.
async function refresh() {
  if (state.running) { state.pending = true; return; }
  state.running = true;
  const file = state.file;
  const since = state.changedAt;
  const asLoaded = file === state.loaded || sameBytes(file, state.loaded);
  const analysing = core.analyse(file);
  const replaying = core.replay(file, jobs(), ({ key, blob }) => {
    // Most changes leave most scenarios as they were: those are not drawn
    // again (but for a file just loaded, whose replays are the faint ones).
    const unchanged = state.current.has(key) && sameBytes(blob, state.blobs.get(key));
    if (unchanged && !(asLoaded && !state.baseline.has(key))) return;
    state.blobs.set(key, blob);
    const replay = decodeReplay(blob);
    if (key.startsWith(CUSTOM + ':')) { state.baseline.set(key, replay); return; }
    state.current.set(key, replay);
    if (asLoaded && !state.baseline.has(key)) state.baseline.set(key, replay);
    drawCard(key);
    if (key === $('eye-scenario').value) eye.show(replay, true);
  });
  state.analysis = await analysing;
  window.veltrixTuner.marks.analysed ??= performance.now();
  const fileShown = showAnalysis();
  window.veltrixTuner.marks.analysisShown ??= performance.now();
  const done = await replaying;
  await fileShown;
  state.running = false;
  if (!done.dropped) {
    window.veltrixTuner.marks.firstRedrawn ??= performance.now();
    const ms = performance.now() - since;
    state.timings.push(ms);
    const live = [...state.current.keys()].filter((k) => !k.startsWith(RECORDED)).length;
    setStatus(`${live} scenarios replayed and drawn in ${Math.round(ms)} ms`);
    document.dispatchEvent(new CustomEvent('veltrix:redrawn', { detail: { ms } }));
  }
  if (state.pending) {
    state.pending = false;
    refresh();
  }
}

// Resolves once the file's page of lines is drawn.
function showAnalysis() {
  const a = state.analysis;
  controls.show(a);
  const fileShown = fileView.show(state.file, a);

  const warnings = $('warnings');
  warnings.textContent = '';
  $('warning-count').textContent = a.warningCount ? `${a.warningCount} warning${a.warningCount > 1 ? 's' : ''}` : 'no warnings';
  for (const w of a.warnings) {
    const li = element('li');
    if (w.line) {
      const link = element('a', '', 'line ' + w.line);
      link.href = '#line-' + w.line;
      link.onclick = (e) => { e.preventDefault(); fileView.reveal(w.line); };
      li.append(link, ': ');
    }
    li.append(w.text);
    warnings.append(li);
  }
  if (a.warningCount > a.warnings.length) warnings.append(element('li', '', `… and ${a.warningCount - a.warnings.length} more`));

  showDifferences(a.settings);

  const printed = $('printed');
  printed.textContent = a.printed.length ? a.printed.map((line) => showBytes(latin1Bytes(line))).join('\n') : '(nothing)';
  if (a.printedCount > a.printed.length) printed.textContent += `\n… and ${a.printedCount - a.printed.length} lines more`;

  const table = $('meaning');
  table.textContent = '';
  const head = element('tr');
  for (const h of ['Camera', 'Started by', 'Follows', 'Then', 'Game speed']) head.append(element('th', '', h));
  table.append(head);
  for (const row of a.meaning.rows) {
    const tr = element('tr');
    row.forEach((text, i) => tr.append(element(i ? 'td' : 'th', '', text)));
    table.append(tr);
  }
  $('bullet-end').textContent = a.meaning.bulletEnd;
  return fileShown;
}

// Which settings a file (a player's old one, say) has otherwise than the
// shipped file, with a way back to each shipped value.
function showDifferences(settings) {
  const list = $('differences');
  list.textContent = '';
  if (!state.shipped) return;
  const shipped = new Map(state.shipped.map((s) => [s.key, s]));
  let count = 0;
  for (const s of settings) {
    const was = shipped.get(s.key);
    if (!was || was.text === s.text) continue;
    count++;
    const li = element('li');
    li.dataset.key = s.key;
    li.append(element('b', '', s.key), ` is ${s.text}` + (s.line ? ` (line ${s.line})` : ' (no line: the default)') + `; shipped: ${was.text}`);
    const back = element('button', '', 'use the shipped value');
    back.type = 'button';
    back.onclick = () => edit(s.key, was.kind === 'key' ? String(was.code) : was.kind === 'switch' ? (was.on ? '1' : '0') : was.text);
    li.append(back);
    list.append(li);
  }
  $('difference-count').textContent = count ? `${count} setting${count > 1 ? 's' : ''} differ` : '';
  if (!count) list.append(element('li', '', 'Every setting has its shipped value.'));
}

function nameOf(key) {
  if (key.startsWith(RECORDED)) return key.slice(RECORDED.length) + ' (recorded)';
  return key === CUSTOM ? 'custom shot' : key;
}

function drawCard(key) {
  const replay = state.current.get(key);
  let card = cards.get(key);
  if (!card) {
    const root = element('section', 'card');
    root.id = 'card-' + key;
    const title = element('h3', '', nameOf(key));
    const watch = element('button', 'watch', 'camera’s eye');
    watch.onclick = () => { select(key); $('eye').scrollIntoView({ block: 'start' }); };
    title.append(' ', watch);
    const description = element('p', 'description');
    const figures = element('p', 'figures');
    const canvases = { top: element('canvas'), side: element('canvas'), time: element('canvas'), lives: element('canvas') };
    root.append(title, description, figures, canvases.top, canvases.side, canvases.time, canvases.lives);
    const recorded = state.runs.get(key);
    if (recorded) root.append(...recordedDetails(recorded));
    (recorded ? $('recorded-cards') : $('cards')).append(root);
    card = { root, description, figures, canvases };
    cards.set(key, card);
  }
  const h = replay.header;
  card.description.textContent = h.error ? 'cannot run: ' + h.error : h.description;
  const base = state.baseline.get(key === CUSTOM ? CUSTOM + ':' + state.custom : key);
  const lives = h.lives || [];
  const followed = lives.reduce((n, l) => n + l.followed, 0);
  const lingered = lives.reduce((n, l) => n + l.lingered, 0);
  let words = `${lives.length} camera${lives.length === 1 ? '' : 's'}; followed ${followed} passes, lingered ${lingered}; ` +
    `${h.played} passes played`;
  if (h.played > h.passes) words += ` (the scenario's ${h.passes}, then on until every camera ended)`;
  if (h.cutShort) words += `; a camera is still live after ${h.played} passes: the plug-in keeps it until something else happens`;
  if (base && base !== replay) {
    const was = (base.header.lives || []).reduce((n, l) => n + l.followed, 0);
    if (was !== followed) words += ` (as loaded: followed ${was})`;
  }
  if (h.protocolErrors && h.protocolErrors.length) words += `; host protocol errors: ${h.protocolErrors.join('; ')}`;
  card.figures.textContent = words;
  card.root.dataset.followed = followed;
  card.root.dataset.lingered = lingered;
  if (!h.error) drawCharts(card.canvases, replay, base && base !== replay ? base : null, CHART_WIDTH);
}

// A recorded run's verdict, what the plug-in printed, and its settings file
// to load into the tuner.
function recordedDetails(run) {
  const verdict = element('p', 'figures');
  verdict.append('expectations: ', element('span', 'result-' + run.result, run.result));
  for (const f of run.failures || []) verdict.append(element('br'), f);
  const parts = [verdict];
  const output = bytesOf(run.output);
  if (output && output.length) parts.push(element('pre', 'output', showBytes(output)));
  const settings = bytesOf(run.settings);
  if (settings) {
    const use = element('button', 'watch', 'tune its settings');
    use.type = 'button';
    use.onclick = () => { load(settings, `${run.name}'s settings`); window.scrollTo(0, 0); };
    verdict.append(' ', use);
  }
  return parts;
}

// A run recorded by veltrix-sim (the real DLL under Wine, say): its table,
// and each scenario drawn and seen through the camera's eye from its trace.
async function showRecorded(data) {
  $('recorded').hidden = false;
  $('recorded-title').textContent = 'Recorded: ' + data.runner;
  $('recorded-about').textContent = `Every scenario of the run as ${data.runner} played it: the traces it recorded, ` +
    'drawn as below and seen through the camera’s eye (choose “recorded” there). The tuner below plays the same ' +
    'scenes live through the plug-in’s core compiled for this page.';
  showRunSummary(data, $('recorded-table'), $('recorded-problems'));
  for (const run of data.runs) {
    if (!run.summary) continue;
    const key = RECORDED + run.name;
    state.runs.set(key, run);
    const option = element('option', '', `${run.name} (recorded)`);
    option.value = key;
    $('eye-scenario').append(option);
  }
  const first = data.runs.find((r) => r.summary);
  if (first) $('eye-scenario').value = RECORDED + first.name;
  for (const [key, run] of state.runs) {
    try {
      const blob = await core.recorded(JSON.stringify({ scenario: run.scenario, trace: run.trace, output: run.output }));
      const replay = decodeReplay(blob);
      state.current.set(key, replay);
      drawCard(key);
      if (key === $('eye-scenario').value) eye.show(replay, true);
    } catch (error) {
      setStatus(`${run.name}: its recorded trace cannot be shown: ${error.message}`, true);
    }
  }
  window.veltrixTuner.marks.recordedShown = performance.now();
}

function select(key) {
  $('eye-scenario').value = key;
  const replay = state.current.get(key);
  if (replay) eye.show(replay, false);
}

// ---- Custom shot -----------------------------------------------------------------------------
function buildCustom(tables) {
  const weapon = $('custom-weapon');
  for (const w of tables.weapons) {
    const option = element('option', '', w.name + (w.gate ? ` (needs ${w.gate})` : ''));
    option.value = w.hash;
    weapon.append(option);
  }
  const inputs = ['custom-weapon', 'custom-distance', 'custom-height', 'custom-speed'];
  const stage = async () => {
    for (const id of ['distance', 'height', 'speed']) $(`custom-${id}-value`).textContent = $(`custom-${id}`).value;
    const answer = await core.customShot({
      weapon: weapon.value,
      distance: Number($('custom-distance').value),
      height: Number($('custom-height').value),
      speed: Number($('custom-speed').value),
    });
    if (answer.problem) return setStatus(answer.problem, true);
    state.custom = answer.json;
    if (!$('eye-scenario').querySelector(`option[value="${CUSTOM}"]`)) {
      const option = element('option', '', 'custom shot');
      option.value = CUSTOM;
      $('eye-scenario').append(option);
    }
    state.changedAt = performance.now();
    refresh();
  };
  inputs.forEach((id) => { $(id).oninput = stage; });
  return stage;
}

// ---- Loading and saving ----------------------------------------------------------------------
async function loadFile(file) {
  try {
    load(new Uint8Array(await file.arrayBuffer()), file.name);
  } catch (error) {
    setStatus('cannot read ' + file.name + ': ' + error.message, true);
  }
}

function save() {
  const url = URL.createObjectURL(new Blob([state.file], { type: 'application/octet-stream' }));
  const a = element('a');
  a.href = url;
  a.download = 'Veltrix.ini';
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
  window.veltrixTuner.saved = state.file.slice();
}

function base64Bytes(text) {
  const binary = atob(text);
  return latin1Bytes(binary);
}

function lineEnd() {
  for (let i = 1; i < state.file.length; i++) if (state.file[i] === 10) return state.file[i - 1] === 13 ? '\r\n' : '\n';
  return '\n';
}

function wire() {
  $('open').onclick = () => $('file-input').click();
  $('file-input').onchange = () => { if ($('file-input').files[0]) loadFile($('file-input').files[0]); $('file-input').value = ''; };
  $('shipped').onclick = () => load(base64Bytes(__SHIPPED_INI__), 'Veltrix.ini (as shipped)');
  $('save').onclick = save;
  $('undo').onclick = () => { if (state.undo.length) { state.redo.push(state.file); change(state.undo.pop(), false); } };
  $('redo').onclick = () => { if (state.redo.length) { state.undo.push(state.file); change(state.redo.pop(), false); } };
  $('add-line').onclick = () => {
    const end = new TextEncoder().encode(lineEnd());
    const last = state.file.length && state.file[state.file.length - 1] !== 10;
    change(concat(state.file, last ? end : new Uint8Array(0), end));
  };
  $('paste').onclick = () => { $('paste-text').value = ''; $('paste-dialog').showModal(); };
  $('paste-use').onclick = () => {
    load(new TextEncoder().encode($('paste-text').value), 'pasted text');
    $('paste-dialog').close();
  };
  $('paste-cancel').onclick = () => $('paste-dialog').close();
  // A paste anywhere but in a box loads the clipboard's text, line ends as they are.
  document.addEventListener('paste', (e) => {
    if (e.target.closest && e.target.closest('input, textarea')) return;
    const text = e.clipboardData && e.clipboardData.getData('text/plain');
    if (text) { e.preventDefault(); load(new TextEncoder().encode(text), 'pasted text'); }
  });
  document.addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
  document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    document.body.classList.remove('dropping');
    if (e.dataTransfer.files[0]) loadFile(e.dataTransfer.files[0]);
  });
  $('eye-scenario').onchange = () => select($('eye-scenario').value);
  $('fov-note').textContent = `Where the plug-in leaves the field of view to the game (every camera but the explosive one, which sets 60°), the view is drawn at ${DEFAULT_FOV}°.`;
}

async function boot() {
  window.veltrixTuner = { state, saved: null, marks: {} };
  let ready;
  try {
    ready = await core.ready;
    window.veltrixTuner.marks.coreReady = performance.now();
  } catch (error) {
    setStatus('The plug-in’s core did not start in this browser: ' + error.message, true);
    return;
  }
  const kinds = {};
  for (const w of ready.tables.weapons) kinds[w.hash] = w.kind;
  state.scenarios = ready.scenarios.map((s) => ({ key: s.file.replace(/\.json$/, ''), json: s.json }));
  for (const s of state.scenarios) {
    const option = element('option', '', s.key);
    option.value = s.key;
    $('eye-scenario').append(option);
  }
  $('eye-scenario').value = state.scenarios.some((s) => s.key === 'bullet') ? 'bullet' : state.scenarios[0].key;
  controls = createControls($('controls'), ready.tables, { edit, editNumber, reveal: (n) => fileView.reveal(n) });
  fileView = createFileView($('file-view'), core.lines, (start, end, bytes) => replaceLine(start, end, bytes));
  // Played in turn: at the end of one scenario the next begins.
  eye = createEye($('eye'), kinds, () => {
    if (!$('eye-all').checked) return;
    const keys = [...$('eye-scenario').options].map((o) => o.value);
    select(keys[(keys.indexOf($('eye-scenario').value) + 1) % keys.length]);
    eye.play();
  });
  window.veltrixTuner.eye = eye;
  wire();
  const stage = buildCustom(ready.tables);
  const shipped = base64Bytes(__SHIPPED_INI__);
  state.shipped = (await core.analyse(shipped)).settings;
  const given = readGiven();
  if (given && given.veltrix === 'check') {
    document.title = 'Veltrix settings check: ' + given.name;
    showGiven(`veltrix-check read ${given.path}: what the plug-in makes of it is below. Try a fix with the ` +
      'controls or in the file, watch every camera play it, then Save Veltrix.ini and put the saved file in its place.');
    load(bytesOf(given.file) || shipped, given.name);
  } else if (given && given.veltrix === 'run') {
    document.title = 'Veltrix run: ' + given.runner;
    showGiven(`Scenarios played by ${given.runner}. Their recorded traces are drawn first; the tuner below tries ` +
      'settings on the same scenes.');
    const settings = bytesOf(given.settings);
    load(settings || shipped, settings ? 'the run’s settings file' : 'Veltrix.ini (as shipped)');
    showRecorded(given);
  } else {
    load(shipped, 'Veltrix.ini (as shipped)');
  }
  stage();
}

function showGiven(text) {
  $('given').hidden = false;
  $('given').textContent = text;
}

boot();
