// The camera's-eye view: a scenario's world drawn with three.js and seen
// through the scripted camera the plug-in placed, pass by pass, as the player
// would see it. While no scripted camera renders, a plain view from behind
// the player. The world is z-up, as the game's.
import {
  BoxGeometry, BufferAttribute, BufferGeometry, Color, CylinderGeometry, DirectionalLight,
  HemisphereLight, Line, LineBasicMaterial, LineSegments, Mesh, MeshLambertMaterial, PerspectiveCamera, PlaneGeometry, Scene,
  SphereGeometry, Vector3, WebGLRenderer,
} from 'three';
import { finite } from './replay.js';

// The field of view where the plug-in leaves it to the game (all but the
// explosive camera, which sets 60 degrees).
export const DEFAULT_FOV = 50;
export const PASSES_PER_SECOND = 60;

const OBJECT_LOOKS = {
  knife: [[0.35, 0.05, 0.04], '#9e9e9e'],
  tomahawk: [[0.45, 0.12, 0.05], '#795548'],
  dynamite: [[0.25, 0.07, 0.07], '#d32f2f'],
  'fire bottle': [[0.22, 0.1, 0.1], '#388e3c'],
};


// One material a colour for the page's life: a material made anew would have
// its shaders compiled anew, and every replay rebuilds the scene.
const materials = new Map();
function lambert(colour) {
  if (!materials.has(colour)) materials.set(colour, new MeshLambertMaterial({ color: colour }));
  return materials.get(colour);
}
const lineMaterials = new Map();
function lineMaterial(colour) {
  if (!lineMaterials.has(colour)) lineMaterials.set(colour, new LineBasicMaterial({ color: colour }));
  return lineMaterials.get(colour);
}

function box(size, colour) {
  return new Mesh(new BoxGeometry(size[0], size[1], size[2]), lambert(colour));
}

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

// `onEnd`, if given, is called when playing reaches the last pass.
export function createEye(root, kinds, onEnd) {
  const canvas = document.createElement('canvas');
  canvas.className = 'eye-canvas';
  const overlay = document.createElement('div');
  overlay.className = 'eye-overlay';
  const stage = document.createElement('div');
  stage.className = 'eye-stage';
  stage.append(canvas, overlay);

  const controls = document.createElement('div');
  controls.className = 'eye-controls';
  const button = (label, title) => {
    const b = document.createElement('button');
    b.textContent = label;
    b.title = title;
    controls.append(b);
    return b;
  };
  const back = button('◀', 'one pass back');
  const play = button('▶', 'play at 60 passes a second');
  const forward = button('▶|', 'one pass on');
  const scrub = document.createElement('input');
  scrub.type = 'range';
  scrub.min = 1;
  scrub.className = 'eye-scrub';
  scrub.setAttribute('aria-label', 'pass');
  const label = document.createElement('span');
  label.className = 'eye-pass';
  controls.append(scrub, label);
  root.append(stage, controls);

  let renderer = null;
  let failure = '';
  try {
    renderer = new WebGLRenderer({ canvas, antialias: true });
    // Reading a shader's log makes the browser wait for its compile: the
    // shaders here are three.js's own.
    renderer.debug.checkShaderErrors = false;
  } catch (error) {
    failure = 'This browser cannot draw the 3D view (WebGL is off): ' + error.message;
  }
  const camera = new PerspectiveCamera(DEFAULT_FOV, 16 / 9, 0.05, 3000);
  camera.up.set(0, 0, 1);

  let replay = null, scene = null, movers = [], trails = [], current = 1, playing = false, last = 0, carry = 0;
  const state = { frameMs: [], pass: 1 };

  // What every scene has: made once, moved into each new scene.
  const fixtures = [new HemisphereLight('#ffffff', '#6d5f4b', 1.6), new DirectionalLight('#ffffff', 1.4),
    new Mesh(new PlaneGeometry(2000, 2000), lambert('#cbbd94'))];
  fixtures[1].position.set(30, -40, 60);
  // A grid of metres and one of ten metres, for the eye to judge speed and distance by.
  fixtures.push(grid(100, 1, '#6b5d3c', 0.01), grid(300, 10, '#2f2818', 0.02));

  // The GPU's copies of the last scene's own shapes go with it.
  function dispose() {
    if (!scene) return;
    scene.remove(...fixtures);
    scene.traverse((o) => o.geometry?.dispose());
  }

  function buildScene() {
    dispose();
    scene = new Scene();
    scene.background = new Color('#bcd7ef');
    scene.add(...fixtures);
    const h = replay.header;
    const player = h.player || [0, 0, 0];
    if (player[2] > 0) scene.add(ledge(player[0], player[1], player[2]));
    const body = new Mesh(new CylinderGeometry(0.28, 0.28, 1.5, 16), lambert('#3949ab'));
    body.rotation.x = Math.PI / 2;
    body.position.set(player[0], player[1], player[2] + 0.75);
    const head = new Mesh(new SphereGeometry(0.16, 16, 12), lambert('#ffccbc'));
    head.position.set(player[0], player[1], player[2] + 1.68);
    scene.add(body, head);

    movers = [];
    trails = [];
    const paths = replay.paths();
    (h.objects || []).forEach((o, index) => {
      let mesh;
      if (o.kind === 'target') {
        mesh = box([0.45, 0.45, 1.0], '#8d6e63');
        mesh.userData.offset = [0, 0, 0.5];
        // The bones the shot cameras aim at, marked where they are.
        for (const bone of o.bones || []) {
          const marker = new Mesh(new SphereGeometry(0.09, 12, 8), lambert('#e53935'));
          marker.position.set(bone.offset[0], bone.offset[1], bone.offset[2] - 0.5);
          mesh.add(marker);
        }
        const start = paths.objects[index][0];
        if (start && start.position[2] > 0.5) scene.add(ledge(start.position[0], start.position[1], start.position[2]));
      } else {
        const [size, colour] = OBJECT_LOOKS[kinds[o.model]] || [[0.2, 0.2, 0.2], '#455a64'];
        mesh = box(size, colour);
        mesh.userData.offset = [0, 0, 0];
      }
      mesh.visible = false;
      scene.add(mesh);
      movers[index] = mesh;
      // The trail: every position of the object, drawn up to the current pass.
      const points = paths.objects[index].filter((p) => finite(p.position));
      const geometry = new BufferGeometry();
      geometry.setAttribute('position', new BufferAttribute(new Float32Array(points.flatMap((p) => p.position)), 3));
      const trail = new Line(geometry, lineMaterial(o.kind === 'target' ? '#6d4c41' : '#1565c0'));
      trail.userData.passes = points.map((p) => p.pass);
      scene.add(trail);
      trails.push(trail);
    });
  }

  // Where the plain view looks: at the first target, else along the first throw.
  function plainDirection() {
    const h = replay.header;
    const player = h.player || [0, 0, 0];
    const paths = replay.paths();
    const first = (h.objects || []).findIndex((o) => o.kind === 'target');
    const candidates = first >= 0 ? [paths.objects[first][0]] : paths.objects.map((points) => points[points.length - 1]);
    for (const c of candidates) {
      if (!c || !finite(c.position)) continue;
      const dx = c.position[0] - player[0], dy = c.position[1] - player[1], d = Math.hypot(dx, dy);
      if (d > 0.5) return [dx / d, dy / d];
    }
    return [1, 0];
  }

  function countUpTo(passes, pass) {
    let lo = 0, hi = passes.length;
    while (lo < hi) { const mid = (lo + hi) >> 1; if (passes[mid] <= pass) lo = mid + 1; else hi = mid; }
    return lo;
  }

  function lifeOf(handle) {
    return (replay.header.lives || []).find((l) => l.handle === handle);
  }

  function draw() {
    if (!replay) return;
    const started = performance.now();
    const p = replay.pass(current - 1);
    movers.forEach((m) => { m.visible = false; });
    for (const o of p.objects) {
      const m = movers[o.index];
      if (!m || !finite(o.position)) continue;
      m.visible = true;
      m.position.set(o.position[0] + m.userData.offset[0], o.position[1] + m.userData.offset[1], o.position[2] + m.userData.offset[2]);
    }
    trails.forEach((t) => t.geometry.setDrawRange(0, countUpTo(t.userData.passes, current)));

    // The newest live scripted camera is the one the player sees.
    const live = p.cameras.filter((c) => c.phase !== 'e');
    const seen = p.scripted && live.length ? live.reduce((a, b) => (b.handle > a.handle ? b : a)) : null;
    let words;
    let blank = false;
    if (seen) {
      const life = lifeOf(seen.handle);
      const fov = seen.fov > 0 ? seen.fov : DEFAULT_FOV;
      words = `camera #${seen.handle}${life ? ' (' + life.mode + ')' : ''}, ${phaseWord(seen.phase)}; field of view ${fov}°` +
        (seen.fov > 0 ? ', set by the plug-in' : ' (the game’s own; drawn at ' + DEFAULT_FOV + '°)');
      if (!finite(seen.position) || !finite(seen.look)) {
        blank = true;
        words += ' — the camera is at no real position: the player sees no proper picture';
      } else {
        camera.fov = fov;
        camera.position.set(...seen.position);
        const look = new Vector3(...seen.look);
        if (look.distanceTo(camera.position) < 1e-6) look.x += 1;
        camera.lookAt(look);
      }
    } else {
      const player = replay.header.player || [0, 0, 0];
      const [dx, dy] = plainDirection();
      camera.fov = DEFAULT_FOV;
      // Over the right shoulder, as a game's own camera sits.
      camera.position.set(player[0] - dx * 4.5 + dy * 1.1, player[1] - dy * 4.5 - dx * 1.1, player[2] + 2.8);
      camera.lookAt(player[0] + dx * 25 + dy * 1.1, player[1] + dy * 25 - dx * 1.1, player[2] + 0.8);
      words = 'no scripted camera: the game’s own view, behind the player';
    }
    const timeScale = Number.isFinite(p.timeScale) ? +p.timeScale.toPrecision(4) : p.timeScale;
    overlay.textContent = `pass ${current} of ${replay.passes} · game time scale ${timeScale} · ${words}`;
    label.textContent = `pass ${current} / ${replay.passes}`;
    scrub.value = current;
    state.pass = current;

    if (!renderer) { overlay.textContent = failure; return; }
    const width = canvas.clientWidth || 640, height = canvas.clientHeight || 360;
    if (canvas.width !== Math.round(width * devicePixelRatio) || canvas.height !== Math.round(height * devicePixelRatio)) {
      renderer.setPixelRatio(devicePixelRatio);
      renderer.setSize(width, height, false);
    }
    camera.aspect = width / height;
    camera.updateProjectionMatrix();
    if (blank) renderer.clear(); else renderer.render(scene, camera);
    state.frameMs.push(performance.now() - started);
    if (state.frameMs.length > 600) state.frameMs.shift();
  }

  function goTo(pass) {
    if (!replay) return;
    current = Math.min(Math.max(1, pass), replay.passes);
    draw();
  }

  function frame(now) {
    if (!playing) return;
    carry += now - last;
    last = now;
    const step = Math.floor(carry / (1000 / PASSES_PER_SECOND));
    if (step > 0) {
      carry -= step * (1000 / PASSES_PER_SECOND);
      if (current + step > replay.passes) {
        goTo(replay.passes);
        setPlaying(false);
        if (onEnd) onEnd();
        return;
      }
      goTo(current + step);
    }
    requestAnimationFrame(frame);
  }

  function setPlaying(on) {
    playing = on && !!replay;
    play.textContent = playing ? '❚❚' : '▶';
    play.title = playing ? 'pause' : 'play at 60 passes a second';
    if (playing) {
      if (current >= replay.passes) current = 1;
      last = performance.now();
      carry = 0;
      requestAnimationFrame(frame);
    }
  }

  play.onclick = () => setPlaying(!playing);
  back.onclick = () => { setPlaying(false); goTo(current - 1); };
  forward.onclick = () => { setPlaying(false); goTo(current + 1); };
  scrub.oninput = () => { setPlaying(false); goTo(Number(scrub.value)); };
  new ResizeObserver(() => draw()).observe(canvas);

  return {
    state,
    // Shows a replay; `keepPass` keeps the pass shown (a new replay of the same scenario).
    show(next, keepPass) {
      replay = next;
      scrub.max = Math.max(1, replay.passes);
      buildScene();
      goTo(keepPass ? current : 1);
    },
    goTo,
    play: () => setPlaying(true),
    pause: () => setPlaying(false),
    get pass() { return current; },
  };
}

function phaseWord(phase) {
  return { s: 'starting', f: 'following', l: 'lingering', h: 'holding still', e: 'ending' }[phase] || phase;
}
