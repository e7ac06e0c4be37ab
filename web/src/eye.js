// The camera's-eye view: a scenario's world drawn with three.js and seen
// through the scripted camera the plug-in placed, pass by pass, as the player
// would see it. While no scripted camera renders, a plain view from behind
// the player. The world is z-up, as the game's. The view is a plain record;
// the functions below take it and a replay, and draw.
import {
  BoxGeometry, BufferAttribute, BufferGeometry, Color, CylinderGeometry, DirectionalLight,
  HemisphereLight, Line, LineBasicMaterial, LineSegments, Mesh, MeshLambertMaterial, PerspectiveCamera, PlaneGeometry, Scene,
  SphereGeometry, Vector3, WebGLRenderer,
} from 'three';
import { finite, passesAlike, pointOf } from './replay.js';

// The field of view where the plug-in leaves it to the game (all but the
// explosive camera, which sets 60 degrees).
export const DEFAULT_FOV = 50;
export const PASSES_PER_SECOND = 60;

// How a thrown thing of each kind the module names looks: size and colour.
const OBJECT_LOOKS = {
  knife: [[0.35, 0.05, 0.04], '#9e9e9e'],
  tomahawk: [[0.45, 0.12, 0.05], '#795548'],
  dynamite: [[0.25, 0.07, 0.07], '#d32f2f'],
  'fire bottle': [[0.22, 0.1, 0.1], '#388e3c'],
};
const PHASE_WORDS = { s: 'starting', f: 'following', l: 'lingering', h: 'holding still', e: 'ending' };

// Materials and the shapes every scene has, made once for the page's life: a
// material made anew would have its shaders compiled anew, and every replay
// rebuilds the scene.
const kept = new Map();
const once = (key, make) => {
  if (!kept.has(key)) kept.set(key, make());
  return kept.get(key);
};
const lambert = (colour) => once('lambert ' + colour, () => new MeshLambertMaterial({ color: colour }));
const lineMaterial = (colour) => once('line ' + colour, () => new LineBasicMaterial({ color: colour }));
const box = (size, colour) => new Mesh(once('box ' + size, () => new BoxGeometry(...size)), lambert(colour));
const sphere = (radius, colour) => new Mesh(once('sphere ' + radius, () => new SphereGeometry(radius, 16, 12)), lambert(colour));

// A column from the ground up to `top`, under whatever stands raised.
function ledge(x, y, top) {
  const mesh = box([2.5, 2.5, top], '#a1887f');
  mesh.position.set(x, y, top / 2);
  return mesh;
}

// Lines every `step` metres over the ground, from -half to half each way, cut
// into short pieces: a line that runs behind the camera must be clipped, and
// some renderers drop such a line whole.
function grid(half, step, colour, z) {
  const piece = 5 * step;
  const points = [];
  for (let k = -half; k <= half; k += step)
    for (let a = -half; a < half; a += piece) points.push(a, k, z, a + piece, k, z, k, a, z, k, a + piece, z);
  const geometry = new BufferGeometry();
  geometry.setAttribute('position', new BufferAttribute(new Float32Array(points), 3));
  return new LineSegments(geometry, lineMaterial(colour));
}

function controlsOf(root) {
  const bar = document.createElement('div');
  bar.className = 'eye-controls';
  const button = (label, title) => {
    const b = document.createElement('button');
    b.textContent = label;
    b.title = title;
    bar.append(b);
    return b;
  };
  const back = button('◀', 'one pass back');
  const play = button('▶', 'play at 60 passes a second');
  const forward = button('▶|', 'one pass on');
  const scrub = document.createElement('input');
  Object.assign(scrub, { type: 'range', min: 1, className: 'eye-scrub' });
  scrub.setAttribute('aria-label', 'pass');
  const label = document.createElement('span');
  label.className = 'eye-pass';
  bar.append(scrub, label);
  root.append(bar);
  return { back, playButton: play, forward, scrub, label };
}

function rendererOf(canvas) {
  try {
    const renderer = new WebGLRenderer({ canvas, antialias: true });
    // Reading a shader's log makes the browser wait for its compile: the
    // shaders here are three.js's own.
    renderer.debug.checkShaderErrors = false;
    return { renderer, failure: '' };
  } catch (error) {
    return { renderer: null, failure: 'This browser cannot draw the 3D view (WebGL is off): ' + error.message };
  }
}

// What every scene has: the light, the ground and its grids of metres and of
// ten metres, for the eye to judge speed and distance by.
function fixtures() {
  const sun = new DirectionalLight('#ffffff', 1.4);
  sun.position.set(30, -40, 60);
  return [new HemisphereLight('#ffffff', '#6d5f4b', 1.6), sun, new Mesh(new PlaneGeometry(2000, 2000), lambert('#cbbd94')),
    grid(100, 1, '#6b5d3c', 0.01), grid(300, 10, '#2f2818', 0.02)];
}

// `kinds`: each model hash's kind, as the module names them; `onEnd`, if
// given, is called when playing reaches the last pass.
export function createEye(root, kinds, onEnd) {
  const canvas = document.createElement('canvas');
  canvas.className = 'eye-canvas';
  const overlay = document.createElement('div');
  overlay.className = 'eye-overlay';
  const stage = document.createElement('div');
  stage.className = 'eye-stage';
  stage.append(canvas, overlay);
  root.append(stage);
  const camera = new PerspectiveCamera(DEFAULT_FOV, 16 / 9, 0.05, 3000);
  camera.up.set(0, 0, 1);
  const eye = { canvas, overlay, ...controlsOf(root), ...rendererOf(canvas), camera, fixtures: fixtures(), kinds, onEnd,
    replay: null, scene: null, movers: [], trails: [], built: [], sceneUpTo: 0, size: null, pass: 1, playing: false, last: 0,
    carry: 0, frameMs: [] };
  eye.playButton.onclick = () => playEye(eye, !eye.playing);
  eye.back.onclick = () => { playEye(eye, false); goTo(eye, eye.pass - 1); };
  eye.forward.onclick = () => { playEye(eye, false); goTo(eye, eye.pass + 1); };
  eye.scrub.oninput = () => { playEye(eye, false); goTo(eye, Number(eye.scrub.value)); };
  // The canvas's size as laid out, kept: asking for it while drawing would
  // lay out the whole page again after every change.
  new ResizeObserver(([entry]) => {
    eye.size = [entry.contentRect.width, entry.contentRect.height];
    draw(eye, true);
  }).observe(canvas);
  return eye;
}

// A target, its bones marked where the shot cameras aim; raised on a ledge
// when it starts above the ground.
function targetMesh(o, path, scene) {
  const start = pointOf(path, 0);
  const mesh = box([0.45, 0.45, 1.0], '#8d6e63');
  mesh.userData.offset = [0, 0, 0.5];
  for (const bone of o.bones || []) {
    const marker = sphere(0.09, '#e53935');
    marker.position.set(bone.offset[0], bone.offset[1], bone.offset[2] - 0.5);
    mesh.add(marker);
  }
  if (start && start[2] > 0.5) scene.add(ledge(start[0], start[1], start[2]));
  return mesh;
}

// The trail: every position of the object, drawn up to the current pass.
function trailOf(path, colour) {
  const xyz = [], passes = [];
  path.pass.forEach((pass, k) => {
    const point = pointOf(path, k);
    if (finite(point)) { xyz.push(...point); passes.push(pass); }
  });
  const geometry = new BufferGeometry();
  geometry.setAttribute('position', new BufferAttribute(new Float32Array(xyz), 3));
  const trail = new Line(geometry, lineMaterial(colour));
  trail.userData.passes = passes;
  return trail;
}

function playerMeshes(player) {
  const body = new Mesh(once('body', () => new CylinderGeometry(0.28, 0.28, 1.5, 16)), lambert('#3949ab'));
  body.rotation.x = Math.PI / 2;
  body.position.set(player[0], player[1], player[2] + 0.75);
  const head = sphere(0.16, '#ffccbc');
  head.position.set(player[0], player[1], player[2] + 1.68);
  return player[2] > 0 ? [body, head, ledge(player[0], player[1], player[2])] : [body, head];
}

// The scene of eye.replay; the GPU's copies of the last scene's trails go with it.
function buildScene(eye) {
  eye.built.forEach((g) => g.dispose());
  const scene = new Scene();
  scene.background = new Color('#bcd7ef');
  scene.add(...eye.fixtures);
  const h = eye.replay.header;
  scene.add(...playerMeshes(h.player || [0, 0, 0]));
  const paths = eye.replay.paths();
  eye.movers = [];
  eye.trails = [];
  (h.objects || []).forEach((o, index) => {
    const target = o.kind === 'target';
    const [size, colour] = OBJECT_LOOKS[eye.kinds[o.model]] || [[0.2, 0.2, 0.2], '#455a64'];
    const mesh = target ? targetMesh(o, paths.objects[index], scene) : box(size, colour);
    if (!target) mesh.userData.offset = [0, 0, 0];
    mesh.visible = false;
    eye.movers[index] = mesh;
    eye.trails.push(trailOf(paths.objects[index], target ? '#6d4c41' : '#1565c0'));
    scene.add(mesh, eye.trails[eye.trails.length - 1]);
  });
  // Only the trails are this scene's own shapes.
  eye.built = eye.trails.map((t) => t.geometry);
  eye.scene = scene;
  eye.sceneUpTo = Infinity;
}

// Where the plain view looks: at the first target, else along the first throw.
function plainDirection(replay) {
  const h = replay.header;
  const player = h.player || [0, 0, 0];
  const paths = replay.paths();
  const first = (h.objects || []).findIndex((o) => o.kind === 'target');
  const candidates = first >= 0 ? [pointOf(paths.objects[first], 0)] : paths.objects.map((path) => pointOf(path, path.pass.length - 1));
  for (const c of candidates) {
    if (!finite(c)) continue;
    const dx = c[0] - player[0], dy = c[1] - player[1], d = Math.hypot(dx, dy);
    if (d > 0.5) return [dx / d, dy / d];
  }
  return [1, 0];
}

function countUpTo(passes, pass) {
  let lo = 0, hi = passes.length;
  while (lo < hi) { const mid = (lo + hi) >> 1; if (passes[mid] <= pass) lo = mid + 1; else hi = mid; }
  return lo;
}

// The objects where they are in pass `p`, their trails drawn up to it.
function placeObjects(eye, p) {
  eye.movers.forEach((m) => { m.visible = false; });
  for (const o of p.objects) {
    const m = eye.movers[o.index];
    if (!m || !finite(o.position)) continue;
    m.visible = true;
    const [x, y, z] = m.userData.offset;
    m.position.set(o.position[0] + x, o.position[1] + y, o.position[2] + z);
  }
  eye.trails.forEach((t) => t.geometry.setDrawRange(0, countUpTo(t.userData.passes, eye.pass)));
}

// Places the camera for pass `p`: the newest live scripted camera is the one
// the player sees. Says what is seen; `blank` when no proper picture is.
function placeCamera(eye, p) {
  const { camera, replay } = eye;
  const live = p.cameras.filter((c) => c.phase !== 'e');
  const seen = p.scripted && live.length ? live.reduce((a, b) => (b.handle > a.handle ? b : a)) : null;
  if (!seen) {
    const player = replay.header.player || [0, 0, 0];
    const [dx, dy] = plainDirection(replay);
    camera.fov = DEFAULT_FOV;
    // Over the right shoulder, as a game's own camera sits.
    camera.position.set(player[0] - dx * 4.5 + dy * 1.1, player[1] - dy * 4.5 - dx * 1.1, player[2] + 2.8);
    camera.lookAt(player[0] + dx * 25 + dy * 1.1, player[1] + dy * 25 - dx * 1.1, player[2] + 0.8);
    return { words: 'no scripted camera: the game’s own view, behind the player', blank: false };
  }
  const life = (replay.header.lives || []).find((l) => l.handle === seen.handle);
  const fov = seen.fov > 0 ? seen.fov : DEFAULT_FOV;
  let words = `camera #${seen.handle}${life ? ' (' + life.mode + ')' : ''}, ${PHASE_WORDS[seen.phase] || seen.phase}; field of view ${fov}°` +
    (seen.fov > 0 ? ', set by the plug-in' : ' (the game’s own; drawn at ' + DEFAULT_FOV + '°)');
  if (!finite(seen.position) || !finite(seen.look))
    return { words: words + ' — the camera is at no real position: the player sees no proper picture', blank: true };
  camera.fov = fov;
  camera.position.set(...seen.position);
  const look = new Vector3(...seen.look);
  if (look.distanceTo(camera.position) < 1e-6) look.x += 1;
  camera.lookAt(look);
  return { words, blank: false };
}

function render(eye, blank) {
  const { canvas, renderer, camera } = eye;
  const [width, height] = eye.size && eye.size[0] ? eye.size : [640, 360];
  if (canvas.width !== Math.round(width * devicePixelRatio) || canvas.height !== Math.round(height * devicePixelRatio)) {
    renderer.setPixelRatio(devicePixelRatio);
    renderer.setSize(width, height, false);
  }
  camera.aspect = width / height;
  camera.updateProjectionMatrix();
  if (blank) renderer.clear(); else renderer.render(eye.scene, camera);
}

// `picture`: draws the scene too, not only the words over it.
function draw(eye, picture) {
  if (!eye.replay) return;
  if (eye.pass > eye.sceneUpTo) buildScene(eye);
  const started = performance.now();
  const p = eye.replay.pass(eye.pass - 1);
  placeObjects(eye, p);
  const { words, blank } = placeCamera(eye, p);
  const timeScale = Number.isFinite(p.timeScale) ? +p.timeScale.toPrecision(4) : p.timeScale;
  // Words written again only when they change: each write repaints the view.
  const write = (element, text) => { if (element.textContent !== text) element.textContent = text; };
  write(eye.overlay, `pass ${eye.pass} of ${eye.replay.passes} · game time scale ${timeScale} · ${words}`);
  write(eye.label, `pass ${eye.pass} / ${eye.replay.passes}`);
  if (eye.scrub.value !== String(eye.pass)) eye.scrub.value = eye.pass;
  if (!eye.renderer) { eye.overlay.textContent = eye.failure; return; }
  if (!picture) return;
  render(eye, blank);
  eye.frameMs.push(performance.now() - started);
  if (eye.frameMs.length > 600) eye.frameMs.shift();
}

export function goTo(eye, pass) {
  if (!eye.replay) return;
  eye.pass = Math.min(Math.max(1, pass), eye.replay.passes);
  draw(eye, true);
}

function frame(eye, now) {
  if (!eye.playing) return;
  eye.carry += now - eye.last;
  eye.last = now;
  const step = Math.floor(eye.carry / (1000 / PASSES_PER_SECOND));
  if (step > 0) {
    eye.carry -= step * (1000 / PASSES_PER_SECOND);
    if (eye.pass + step > eye.replay.passes) {
      goTo(eye, eye.replay.passes);
      playEye(eye, false);
      if (eye.onEnd) eye.onEnd();
      return;
    }
    goTo(eye, eye.pass + step);
  }
  requestAnimationFrame((t) => frame(eye, t));
}

// Plays at 60 passes a second (`on`), or pauses.
export function playEye(eye, on) {
  eye.playing = on && !!eye.replay;
  eye.playButton.textContent = eye.playing ? '❚❚' : '▶';
  eye.playButton.title = eye.playing ? 'pause' : 'play at 60 passes a second';
  if (!eye.playing) return;
  if (eye.pass >= eye.replay.passes) eye.pass = 1;
  eye.last = performance.now();
  eye.carry = 0;
  requestAnimationFrame((t) => frame(eye, t));
}

const sameWorld = (a, b) => JSON.stringify([a.header.player, a.header.objects]) === JSON.stringify([b.header.player, b.header.objects]);

// Shows a replay; `keepPass` keeps the pass shown (a new replay of the same
// scenario). Where the new replay plays as the last up to that pass, the
// picture is the same: the scene stands, and is built anew only for a pass
// past those (software WebGL takes long over a frame).
export function showReplay(eye, replay, keepPass) {
  const old = eye.replay;
  eye.replay = replay;
  if (eye.scrub.max !== String(Math.max(1, replay.passes))) eye.scrub.max = Math.max(1, replay.passes);
  if (keepPass && old && eye.scene && sameWorld(old, replay)) {
    eye.sceneUpTo = Math.min(eye.sceneUpTo, passesAlike(old, replay));
    eye.pass = Math.min(eye.pass, replay.passes);
    return draw(eye, eye.pass > eye.sceneUpTo);
  }
  buildScene(eye);
  goTo(eye, keepPass ? eye.pass : 1);
}
