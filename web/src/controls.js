// A control for each setting the module names: the toggle key as a key
// picker, the switches as toggles, the numbers as a slider over sensible
// values with a box that takes anything the plug-in reads. Each shows the
// value the plug-in reads from the file and the line it comes from; a change
// goes back as an edit (made by the module), never as a value kept beside
// the file.
import { element } from './dom.js';

// What each setting is for, and for a number the slider's range: what a
// modder is likely to want (the box takes the rest). A switch that lets
// weapons start a shot camera names them as the module does (`gated`: the
// names of the weapons that need it).
const ABOUT = {
  ToggleKey: { help: 'the key that switches the plug-in on and off' },
  EnableKnifeCamera: { help: 'follow thrown knives' },
  EnableArrowCamera: { help: (gated) => `the ${gated} starts the arrow camera` },
  EnableTomahawkCamera: { help: 'follow thrown tomahawks' },
  EnableDynamiteCamera: { help: 'follow thrown dynamite' },
  EnableFireBottleCamera: { help: 'follow thrown fire bottles' },
  EnableBulletLineCamera: { help: (gated) => `the ${gated} starts the bullet camera` },
  BulletCamSpeed: { help: 'speed of the bullet camera along the shot', range: [0.1, 20, 0.1] },
  LingerTime: { help: 'how long the knife, tomahawk, fire bottle and bullet cameras hold their view', range: [0, 10, 0.1] },
  CameraOffsetBack: { help: 'metres the bullet and arrow cameras keep behind the target', range: [0, 10, 0.1] },
  slowMotionFactor: { help: 'game speed while the bullet camera flies', range: [0.01, 1, 0.01] },
  BulletLingerSpeed: { help: 'game speed while the bullet camera holds its view', range: [0.01, 1, 0.01] },
  BowLingerSpeed: { help: 'game speed while the arrow camera holds its view', range: [0.01, 1, 0.01] },
  BowCamSpeed: { help: 'game speed while the arrow camera flies', range: [0.01, 1, 0.01] },
};

const DEBOUNCE_MS = 250;

function helpFor(key, weapons) {
  const help = ABOUT[key]?.help || '';
  return typeof help === 'string' ? help : help(weapons.filter((w) => w.gate === key).map((w) => w.name).join(' or '));
}

function source(s) {
  if (s.line === 0) return 'default (no line sets it)';
  if (s.fromDefault) return `default: line ${s.line} cannot be read as a number`;
  return `line ${s.line}` + (s.sameAsDefault ? ' (the default)' : '');
}

function switchInput(s, row, actions) {
  const box = element('input');
  box.type = 'checkbox';
  box.id = 'control-' + s.key;
  row.name.htmlFor = box.id;
  box.onchange = () => actions.edit(s.key, box.checked ? '1' : '0');
  row.input.append(box);
  row.box = box;
}

function numberInput(s, row, actions) {
  const [min, max, step] = ABOUT[s.key]?.range || [0, 10, 0.1];
  const slider = element('input');
  slider.type = 'range';
  Object.assign(slider, { min, max, step });
  slider.setAttribute('aria-label', s.key + ' slider');
  const text = element('input', 'number-text');
  text.type = 'text';
  text.id = 'control-' + s.key;
  text.spellcheck = false;
  row.name.htmlFor = text.id;
  // Typing never waits: the edit follows once typing pauses.
  let timer = 0;
  text.oninput = () => {
    clearTimeout(timer);
    timer = setTimeout(() => actions.edit(s.key, text.value), DEBOUNCE_MS);
  };
  text.onkeydown = (e) => { if (e.key === 'Enter') { clearTimeout(timer); actions.edit(s.key, text.value); } };
  slider.oninput = () => actions.editNumber(s.key, Number(slider.value));
  row.input.append(slider, text);
  Object.assign(row, { slider, text });
}

function keyInput(s, row, keys, actions) {
  const pick = element('button', 'key-pick');
  pick.type = 'button';
  pick.title = 'press the key to use';
  const list = element('select', 'key-list');
  list.setAttribute('aria-label', 'toggle key');
  for (const k of keys) {
    const option = element('option', '', `${k.name} (${k.code})`);
    option.value = k.code;
    list.append(option);
  }
  pick.onclick = () => {
    pick.textContent = 'press a key…';
    const take = (e) => {
      e.preventDefault();
      window.removeEventListener('keydown', take, true);
      // keyCode is the Windows virtual-key code of the key for the keys a game uses.
      if (e.key !== 'Escape' && keys.some((k) => k.code === e.keyCode)) actions.edit(s.key, String(e.keyCode));
      else if (row.shown) showRow(row, row.shown);
    };
    window.addEventListener('keydown', take, true);
  };
  list.onchange = () => actions.edit(s.key, list.value);
  row.input.append(pick, list);
  Object.assign(row, { pick, list });
}

// `start`: the module's settings, weapons and keys; `actions`: edit(key,
// value), editNumber(key, number), reveal(line).
export function createControls(root, { settings, weapons, keys }, actions) {
  const rows = new Map();
  for (const s of settings) {
    const row = { root: element('div', 'control'), name: element('label', 'name', s.key), value: element('span', 'value'),
      input: element('div', 'input'), from: element('a', 'from'), line: 0, shown: null };
    row.root.dataset.key = s.key;
    row.from.href = '#';
    row.from.onclick = (e) => { e.preventDefault(); if (row.line) actions.reveal(row.line); };
    row.root.append(row.name, row.value, row.input, row.from, element('div', 'help', helpFor(s.key, weapons)));
    if (s.kind === 'switch') switchInput(s, row, actions);
    else if (s.kind === 'number') numberInput(s, row, actions);
    else keyInput(s, row, keys, actions);
    rows.set(s.key, row);
    root.append(row.root);
  }
  return { rows };
}

function showRow(row, s) {
  row.shown = s;
  row.line = s.line;
  row.value.textContent = s.text;
  row.from.textContent = source(s);
  row.root.classList.toggle('changed', !s.fromDefault && !s.sameAsDefault);
  if (row.box) row.box.checked = s.on;
  if (row.slider) {
    if (Number.isFinite(s.number)) row.slider.value = s.number;
    row.slider.classList.toggle('outside', !Number.isFinite(s.number) || s.number < row.slider.min || s.number > row.slider.max);
    // The box shows what the file says, but not while the modder types in it.
    if (document.activeElement !== row.text) row.text.value = s.written !== undefined ? s.written : s.text;
  }
  if (row.pick) {
    row.pick.textContent = s.name ? `${s.name} — change` : `code ${s.code} — change`;
    row.list.value = String(s.code);
  }
}

// The settings as the module read them from the file as it is.
export function showControls(controls, settings) {
  for (const s of settings) {
    const row = controls.rows.get(s.key);
    // Most changes leave most settings as they were.
    if (row && JSON.stringify(row.shown) !== JSON.stringify(s)) showRow(row, s);
  }
}
