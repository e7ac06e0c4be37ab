// The tuner page: a settings file, what the plug-in makes of it, and every
// bundled scenario replayed through the plug-in's own code whenever the file
// changes, drawn flat and seen through the scripted camera. The file is
// bytes from the moment it is loaded to the moment it is saved; every change
// of it is one request to the module, which answers the analysis and streams
// the replays after.
/* global __WORKER_SOURCE__, __SHIPPED_INI__ */
import { createAnalysisView, showAnalysis } from './analysis_view.js';
import { addRecordedDetails, CUSTOM, drawCard } from './cards.js';
import { createControls, showControls } from './controls.js';
import { startCore } from './core_client.js';
import { createEye, DEFAULT_FOV, goTo, playEye, showReplay } from './eye.js';
import { element } from './dom.js';
import { createFileView, revealLine, showFile, shownLines } from './file_view.js';
import { bytesOf, readGiven, RECORDED, showRunSummary } from './given.js';
import { decodeReplay } from './replay.js';
import { latin1Bytes } from './text.js';

const $ = (id) => document.getElementById(id);

const state = {
  file: new Uint8Array(0),
  name: '',
  analysis: null,        // the module's answer for the file as it is
  shipped: null,         // the shipped file's settings, to say what differs
  current: new Map(),    // key: the replay with the file as it is now
  baseline: new Map(),   // key: the replay with the file as loaded
  runs: new Map(),       // key: a recorded run, as the tool gave it
  undo: [],
  redo: [],
  running: 0,            // changes whose replays are still coming
  timings: [],           // ms from a change to the page redrawn
};
const cards = new Map();
let core, controls, fileView, eye, analysisView;

function setStatus(text, warn) {
  $('status').textContent = text;
  $('status').classList.toggle('warn', !!warn);
}

// ---- A change: one request, its analysis shown, its replays drawn as they come ----------------
// `args`: { load } with the file's `bytes`, or { edit } of the file as it is.
// `history(file)` files the file as it was in the undo lists, in the order
// the module took the changes.
// `since` and `upTo`: when the first and the last input that the change
// takes up came.
const remember = (file) => { state.undo.push(file); state.redo = []; };
async function change(args, bytes = null, history = args.edit ? remember : () => {}, { since, upTo } = {}) {
  since ??= performance.now();
  state.running++;
  const answer = await core.call('change', { ...args, lines: shownLines(fileView) }, bytes);
  const a = answer.value;
  if (a.problem) {
    state.running--;
    return setStatus((args.edit?.key ? args.edit.key + ': ' : '') + a.problem, true);
  }
  history(state.file);
  state.file = a.edited ? answer.bytes : bytes;
  $('undo').disabled = !state.undo.length;
  $('redo').disabled = !state.redo.length;
  state.analysis = a;
  showControls(controls, a.settings);
  showAnalysis(analysisView, a, { shipped: state.shipped, reveal: (n) => revealLine(fileView, n), edit: editSetting });
  await Promise.all([showFile(fileView, state.file, a), answer.settled]);
  state.running--;
  redrawn(performance.now() - since, upTo ?? since);
}

// A slider's moves come faster than a change is replayed and drawn: while
// one is under way the newest move waits, and goes once that one is drawn.
const sliding = { busy: false, next: null };
async function slide(key, number) {
  const now = performance.now();
  sliding.next = { key, number, since: sliding.next?.since ?? now, upTo: now };
  if (sliding.busy) return;
  sliding.busy = true;
  while (sliding.next) {
    const { since, upTo, ...edit } = sliding.next;
    sliding.next = null;
    await change({ edit }, null, remember, { since, upTo });
  }
  sliding.busy = false;
}

// `upTo`: when the last input that this redraw takes up came.
function redrawn(ms, upTo = performance.now() - ms) {
  window.veltrixTuner.marks.firstRedrawn ??= performance.now();
  state.timings.push(ms);
  const live = [...state.current.keys()].filter((k) => !k.startsWith(RECORDED)).length;
  setStatus(`${live} scenarios replayed and drawn in ${Math.round(ms)} ms`);
  document.dispatchEvent(new CustomEvent('veltrix:redrawn', { detail: { ms, upTo } }));
}

function load(bytes, name) {
  state.name = name;
  $('file-name').textContent = `${name} (${bytes.length} bytes)`;
  return change({ load: true }, bytes, () => { state.undo = []; state.redo = []; });
}

const editSetting = (key, value) => change({ edit: { key, value } });

// A replay the module streamed: { key, current, asLoaded } and its blob.
function streamed({ value, bytes }) {
  const replay = decodeReplay(bytes);
  if (value.asLoaded) state.baseline.set(value.key, replay);
  if (!value.current) return;
  state.current.set(value.key, replay);
  draw(value.key);
}

function draw(key) {
  const replay = state.current.get(key);
  const where = key.startsWith(RECORDED) ? $('recorded-cards') : $('cards');
  const watch = () => { select(key); $('eye').scrollIntoView({ block: 'start' }); };
  const card = drawCard(cards, key, replay, state.baseline.get(key), where, watch);
  if (key === $('eye-scenario').value) showReplay(eye, replay, true);
  return card;
}

function select(key) {
  $('eye-scenario').value = key;
  const replay = state.current.get(key);
  if (replay) showReplay(eye, replay, false);
}

function addScenario(key, label) {
  const option = element('option', '', label);
  option.value = key;
  $('eye-scenario').append(option);
}

// ---- A recorded run: its table, and each scenario drawn from its trace ------------------------
function showRecorded(data) {
  $('recorded').hidden = false;
  $('recorded-title').textContent = 'Recorded: ' + data.runner;
  $('recorded-about').textContent = `Every scenario of the run as ${data.runner} played it: the traces it recorded, ` +
    'drawn as below and seen through the camera’s eye (choose “recorded” there). The tuner below plays the same ' +
    'scenes live through the plug-in’s core compiled for this page.';
  showRunSummary(data, $('recorded-table'), $('recorded-problems'));
  const recorded = data.runs.filter((run) => run.replay);
  for (const run of recorded) addScenario(RECORDED + run.name, `${run.name} (recorded)`);
  if (recorded.length) $('eye-scenario').value = RECORDED + recorded[0].name;
  for (const run of recorded) {
    const key = RECORDED + run.name;
    state.runs.set(key, run);
    state.current.set(key, decodeReplay(latin1Bytes(run.replay)));
    const settings = bytesOf(run.settings);
    const use = settings && (() => { load(settings, `${run.name}'s settings`); window.scrollTo(0, 0); });
    addRecordedDetails(draw(key), run, state.current.get(key), use);
  }
  window.veltrixTuner.marks.recordedShown = performance.now();
}

// ---- A shot of the modder's own ----------------------------------------------------------------
function buildCustom(weapons) {
  for (const w of weapons) {
    const option = element('option', '', w.name + (w.gate ? ` (needs ${w.gate})` : ''));
    option.value = w.hash;
    $('custom-weapon').append(option);
  }
  const stage = async () => {
    const number = (id) => Number($(`custom-${id}`).value);
    for (const id of ['distance', 'height', 'speed']) $(`custom-${id}-value`).textContent = $(`custom-${id}`).value;
    const since = performance.now();
    const answer = await core.call('stage', { weapon: $('custom-weapon').value, distance: number('distance'), height: number('height'), speed: number('speed') });
    if (answer.value.problem) return setStatus(answer.value.problem, true);
    if (!$('eye-scenario').querySelector(`option[value="${CUSTOM}"]`)) addScenario(CUSTOM, 'custom shot');
    state.running++;
    await answer.settled;
    state.running--;
    redrawn(performance.now() - since);
  };
  for (const id of ['custom-weapon', 'custom-distance', 'custom-height', 'custom-speed']) $(id).oninput = stage;
  return stage;
}

// ---- Loading and saving ------------------------------------------------------------------------
async function loadFile(file) {
  try {
    await load(new Uint8Array(await file.arrayBuffer()), file.name);
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

// Undo and redo: a file of one list back, the file as it was onto the other.
function step(from, to) {
  if (from.length) change({}, from.pop(), (file) => to.push(file));
}

const shippedBytes = () => latin1Bytes(atob(__SHIPPED_INI__));
const pasted = (text) => load(new TextEncoder().encode(text), 'pasted text');

function wireFile() {
  $('open').onclick = () => $('file-input').click();
  $('file-input').onchange = () => { if ($('file-input').files[0]) loadFile($('file-input').files[0]); $('file-input').value = ''; };
  $('shipped').onclick = () => load(shippedBytes(), 'Veltrix.ini (as shipped)');
  $('save').onclick = save;
  $('undo').onclick = () => step(state.undo, state.redo);
  $('redo').onclick = () => step(state.redo, state.undo);
  $('add-line').onclick = () => change({ edit: { addLine: true } });
  $('paste').onclick = () => { $('paste-text').value = ''; $('paste-dialog').showModal(); };
  $('paste-use').onclick = () => { pasted($('paste-text').value); $('paste-dialog').close(); };
  $('paste-cancel').onclick = () => $('paste-dialog').close();
  // A paste anywhere but in a box loads the clipboard's text, line ends as they are.
  document.addEventListener('paste', (e) => {
    if (e.target.closest && e.target.closest('input, textarea')) return;
    const text = e.clipboardData && e.clipboardData.getData('text/plain');
    if (text) { e.preventDefault(); pasted(text); }
  });
  document.addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
  document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    document.body.classList.remove('dropping');
    if (e.dataTransfer.files[0]) loadFile(e.dataTransfer.files[0]);
  });
}

// ---- Start ------------------------------------------------------------------------------------
// The views, built from what the module says the plug-in has.
function build(start) {
  for (const s of start.scenarios) addScenario(s.key, s.key);
  $('eye-scenario').value = start.scenarios.some((s) => s.key === 'bullet') ? 'bullet' : start.scenarios[0].key;
  controls = createControls($('controls'), start, {
    edit: editSetting,
    editNumber: slide,
    reveal: (n) => revealLine(fileView, n),
  });
  fileView = createFileView($('file-view'), (from, to) => core.call('lines', { analysis: state.analysis.analysis, from, to }),
    (line, text) => change({ edit: { line, text } }));
  analysisView = createAnalysisView();
  const kinds = Object.fromEntries(start.weapons.map((w) => [w.hash, w.kind]));
  // Played in turn: at the end of one scenario the next begins.
  eye = createEye($('eye'), kinds, () => {
    if (!$('eye-all').checked) return;
    const keys = [...$('eye-scenario').options].map((o) => o.value);
    select(keys[(keys.indexOf($('eye-scenario').value) + 1) % keys.length]);
    playEye(eye, true);
  });
  // For the tests and the benchmark.
  window.veltrixTuner.eye = { goTo: (pass) => goTo(eye, pass), play: () => playEye(eye, true), pause: () => playEye(eye, false),
    get pass() { return eye.pass; }, frameMs: eye.frameMs };
  wireFile();
  $('eye-scenario').onchange = () => select($('eye-scenario').value);
  $('fov-note').textContent = `Where the plug-in leaves the field of view to the game (every camera but the explosive one, which sets 60°), the view is drawn at ${DEFAULT_FOV}°.`;
}

function showGiven(text) {
  $('given').hidden = false;
  $('given').textContent = text;
}

// The file the page opens with: a checked file, a run's settings, or the shipped file.
function opening(given, shipped) {
  if (given?.veltrix === 'check') {
    document.title = 'Veltrix settings check: ' + given.name;
    showGiven(`veltrix-check read ${given.path}: what the plug-in makes of it is below. Try a fix with the ` +
      'controls or in the file, watch every camera play it, then Save Veltrix.ini and put the saved file in its place.');
    return [bytesOf(given.file) || shipped, given.name];
  }
  if (given?.veltrix === 'run') {
    document.title = 'Veltrix run: ' + given.runner;
    showGiven(`Scenarios played by ${given.runner}. Their recorded traces are drawn first; the tuner below tries ` +
      'settings on the same scenes.');
    const settings = bytesOf(given.settings);
    return [settings || shipped, settings ? 'the run’s settings file' : 'Veltrix.ini (as shipped)'];
  }
  return [shipped, 'Veltrix.ini (as shipped)'];
}

async function boot() {
  window.veltrixTuner = { state, saved: null, marks: {} };
  // A module a core, up to four: each replays its share of the scenarios.
  core = startCore(__WORKER_SOURCE__, streamed, Math.min(4, navigator.hardwareConcurrency || 1));
  try {
    await core.ready;
    window.veltrixTuner.marks.coreReady = performance.now();
  } catch (error) {
    setStatus('The plug-in’s core did not start in this browser: ' + error.message, true);
    return;
  }
  const start = (await core.call('start')).value;
  build(start);
  const stage = buildCustom(start.weapons);
  const shipped = shippedBytes();
  state.shipped = (await core.call('settings', {}, shipped)).value.settings;
  const given = readGiven();
  if (given?.veltrix === 'run') showRecorded(given);
  load(...opening(given, shipped));
  stage();
}

boot();
