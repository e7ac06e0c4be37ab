// A control for each of the fourteen settings: the toggle key as a key
// picker, the switches as toggles, the numbers as a slider over sensible
// values with a box that takes anything the plug-in reads. Each shows the
// value the plug-in reads from the file and the line it comes from; a change
// goes back as an edit of that line (made by the core), never as a value
// kept beside the file.
import { element } from './dom.js';
import { latin1Bytes, showBytes } from './text.js';

// Slider ranges: what a modder is likely to want; the box takes the rest.
const RANGES = {
  BulletCamSpeed: [0.1, 20, 0.1],
  LingerTime: [0, 10, 0.1],
  CameraOffsetBack: [0, 10, 0.1],
  slowMotionFactor: [0.01, 1, 0.01],
  BulletLingerSpeed: [0.01, 1, 0.01],
  BowLingerSpeed: [0.01, 1, 0.01],
  BowCamSpeed: [0.01, 1, 0.01],
};

// A switch that lets weapons start a shot camera names them as the module
// does (`gated`: the names of the weapons that need it).
const HELP = {
  ToggleKey: 'the key that switches the plug-in on and off',
  EnableKnifeCamera: 'follow thrown knives',
  EnableArrowCamera: (gated) => `the ${gated} starts the arrow camera`,
  EnableTomahawkCamera: 'follow thrown tomahawks',
  EnableDynamiteCamera: 'follow thrown dynamite',
  EnableFireBottleCamera: 'follow thrown fire bottles',
  EnableBulletLineCamera: (gated) => `the ${gated} starts the bullet camera`,
  BulletCamSpeed: 'speed of the bullet camera along the shot',
  LingerTime: 'how long the knife, tomahawk, fire bottle and bullet cameras hold their view',
  CameraOffsetBack: 'metres the bullet and arrow cameras keep behind the target',
  slowMotionFactor: 'game speed while the bullet camera flies',
  BulletLingerSpeed: 'game speed while the bullet camera holds its view',
  BowLingerSpeed: 'game speed while the arrow camera holds its view',
  BowCamSpeed: 'game speed while the arrow camera flies',
};

const DEBOUNCE_MS = 250;

// The module's tables: the weapons, for the help texts, and the keys a toggle
// key can be.
export function createControls(root, { weapons, keys }, actions) {
  const rows = new Map();

  function helpFor(key) {
    const text = HELP[key] || '';
    if (typeof text === 'string') return text;
    return text(weapons.filter((w) => w.gate === key).map((w) => w.name).join(' or '));
  }

  function source(s) {
    if (s.line === 0) return 'default (no line sets it)';
    if (s.fromDefault) return `default: line ${s.line} cannot be read as a number`;
    return `line ${s.line}` + (s.sameAsDefault ? ' (the default)' : '');
  }

  function build(s) {
    const row = element('div', 'control');
    row.dataset.key = s.key;
    const name = element('label', 'name', s.key);
    const help = element('div', 'help', helpFor(s.key));
    const value = element('span', 'value');
    const from = element('a', 'from');
    from.href = '#';
    from.onclick = (e) => { e.preventDefault(); const r = rows.get(s.key); if (r.line) actions.reveal(r.line); };
    const input = element('div', 'input');
    row.append(name, value, input, from, help);
    const r = { row, value, from, line: 0, kind: s.kind };

    if (s.kind === 'switch') {
      const box = element('input');
      box.type = 'checkbox';
      box.id = 'control-' + s.key;
      name.htmlFor = box.id;
      box.onchange = () => actions.edit(s.key, box.checked ? '1' : '0');
      input.append(box);
      r.box = box;
    } else if (s.kind === 'number') {
      const [min, max, step] = RANGES[s.key];
      const slider = element('input');
      slider.type = 'range';
      Object.assign(slider, { min, max, step });
      slider.setAttribute('aria-label', s.key + ' slider');
      const text = element('input', 'number-text');
      text.type = 'text';
      text.id = 'control-' + s.key;
      text.spellcheck = false;
      name.htmlFor = text.id;
      // Typing never waits: the edit follows once typing pauses.
      let timer = 0;
      text.oninput = () => {
        clearTimeout(timer);
        timer = setTimeout(() => actions.edit(s.key, text.value), DEBOUNCE_MS);
      };
      text.onkeydown = (e) => { if (e.key === 'Enter') { clearTimeout(timer); actions.edit(s.key, text.value); } };
      slider.oninput = () => actions.editNumber(s.key, Number(slider.value));
      input.append(slider, text);
      Object.assign(r, { slider, text });
    } else {
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
          if (e.key !== 'Escape' && keys.some((k) => k.code === e.keyCode)) actions.edit('ToggleKey', String(e.keyCode));
          else update(s);
        };
        window.addEventListener('keydown', take, true);
      };
      list.onchange = () => actions.edit('ToggleKey', list.value);
      input.append(pick, list);
      Object.assign(r, { pick, list });
    }
    rows.set(s.key, r);
    root.append(row);
    return r;
  }

  function update(s) {
    const r = rows.get(s.key) || build(s);
    r.line = s.line;
    r.value.textContent = s.kind === 'key' ? s.text : s.text;
    r.from.textContent = source(s);
    r.row.classList.toggle('changed', !s.fromDefault && !s.sameAsDefault);
    if (s.kind === 'switch') r.box.checked = s.on;
    if (s.kind === 'number') {
      if (Number.isFinite(s.number)) r.slider.value = s.number;
      r.slider.classList.toggle('outside', !Number.isFinite(s.number) || s.number < r.slider.min || s.number > r.slider.max);
      // The box shows what the file says, but not while the modder types in it.
      if (document.activeElement !== r.text) r.text.value = s.written !== undefined ? showBytes(latin1Bytes(s.written)) : s.text;
    }
    if (s.kind === 'key') {
      r.pick.textContent = s.name ? `${s.name} — change` : `code ${s.code} — change`;
      r.list.value = String(s.code);
    }
  }

  return {
    show(analysis) {
      for (const s of analysis.settings) update(s);
    },
  };
}
