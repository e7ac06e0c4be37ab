// A scenario's replay drawn flat: its paths from above and from the side,
// the game's time scale and each camera's life. `faint`, when given, is the
// same scenario replayed with the file as loaded, drawn lightly behind.
import { finite } from './replay.js';

const OBJECT_COLOURS = ['#1565c0', '#2e7d32', '#6d4c41', '#00838f', '#5e35b1', '#37474f'];
const CAMERA_COLOURS = ['#e65100', '#c62828', '#ad1457', '#f9a825', '#4e342e'];
const PHASES = { s: ['#43a047', 'start'], f: ['#1e88e5', 'follow'], l: ['#fb8c00', 'linger'], h: ['#9e9e9e', 'hold'], e: ['#e53935', 'end'] };

// A canvas of `width` x `height` CSS pixels, sharp on any screen. Drawn by
// the CPU: a dozen small charts redrawn at every change would otherwise wait
// on the GPU in turn (and on a software GPU, for long).
function surface(canvas, width, height) {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.round(width * ratio), h = Math.round(height * ratio);
  const g = canvas.getContext('2d', { willReadFrequently: true });
  // A canvas given a new size starts afresh: its scale and font are set again.
  if (canvas.width !== w || canvas.height !== h) {
    canvas.width = w;
    canvas.height = h;
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
  }
  g.clearRect(0, 0, width, height);
  return g;
}

// Chart text, drawn once and copied after: from one change to the next a
// chart's labels are mostly the same, and text is the costliest thing it draws.
const FONT = '10px system-ui, sans-serif';
const LABEL_ASCENT = 11, LABEL_HEIGHT = 14;
const labels = new Map();
function label(g, text, x, y, align = 'left') {
  const ratio = window.devicePixelRatio || 1;
  const key = `${g.fillStyle} ${ratio} ${text}`;
  let sprite = labels.get(key);
  if (!sprite) {
    const canvas = document.createElement('canvas');
    const c = canvas.getContext('2d', { willReadFrequently: true });  // on the CPU, as the charts are
    c.font = FONT;
    const width = Math.ceil(c.measureText(text).width) + 2;
    Object.assign(canvas, { width: width * ratio, height: LABEL_HEIGHT * ratio });
    Object.assign(c, { font: FONT, fillStyle: g.fillStyle });
    c.scale(ratio, ratio);
    c.fillText(text, 1, LABEL_ASCENT);
    sprite = { canvas, width };
    if (labels.size > 4000) labels.clear();
    labels.set(key, sprite);
  }
  const left = align === 'right' ? x - sprite.width + 1 : align === 'center' ? x - sprite.width / 2 : x - 1;
  // On whole pixels, so that the copy is as sharp as the text.
  const snap = (v) => Math.round(v * ratio) / ratio;
  g.drawImage(sprite.canvas, snap(left), snap(y - LABEL_ASCENT), sprite.width, LABEL_HEIGHT);
}

class Range {
  constructor() { this.lo = Infinity; this.hi = -Infinity; }
  add(v) { if (Number.isFinite(v)) { this.lo = Math.min(this.lo, v); this.hi = Math.max(this.hi, v); } }
  settle(minimum, share) {
    if (this.lo > this.hi) { this.lo = 0; this.hi = 0; }
    if (this.hi - this.lo < minimum) { const mid = (this.lo + this.hi) / 2; this.lo = mid - minimum / 2; this.hi = mid + minimum / 2; }
    const pad = (this.hi - this.lo) * share;
    this.lo -= pad; this.hi += pad;
  }
}

function niceStep(span, ticks) {
  if (!(span > 0)) return 1;
  const raw = span / ticks;
  const magnitude = Math.pow(10, Math.floor(Math.log10(raw)));
  const f = raw / magnitude;
  return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * magnitude;
}

// Pixel frame of a chart and the data it shows.
function frame(left, top, width, height, x0, x1, y0, y1) {
  return {
    left, top, width, height, x0, x1, y0, y1,
    px: (x) => left + ((x - x0) / (x1 - x0)) * width,
    py: (y) => top + height - ((y - y0) / (y1 - y0)) * height,
  };
}

function grid(g, f, xTitle, yTitle) {
  g.strokeStyle = '#e6e6e6';
  g.fillStyle = '#777';
  g.lineWidth = 1;
  const xs = niceStep(f.x1 - f.x0, 6);
  for (let x = Math.ceil(f.x0 / xs) * xs; x <= f.x1 + 1e-9; x += xs) {
    g.beginPath(); g.moveTo(f.px(x), f.top); g.lineTo(f.px(x), f.top + f.height); g.stroke();
    label(g, String(+x.toPrecision(4)), f.px(x), f.top + f.height + 11, 'center');
  }
  const ys = niceStep(f.y1 - f.y0, 4);
  for (let y = Math.ceil(f.y0 / ys) * ys; y <= f.y1 + 1e-9; y += ys) {
    g.beginPath(); g.moveTo(f.left, f.py(y)); g.lineTo(f.left + f.width, f.py(y)); g.stroke();
    label(g, String(+y.toPrecision(4)), f.left - 3, f.py(y) + 3, 'right');
  }
  g.strokeStyle = '#999';
  g.strokeRect(f.left, f.top, f.width, f.height);
  label(g, yTitle, f.left + 3, f.top + 10);
  label(g, xTitle, f.left + f.width - 3, f.top + f.height - 4, 'right');
}

// A path's points as x, y pairs on the chart's axes; NaN where a point is
// not finite (the line breaks there).
function polyline(g, f, xy) {
  g.beginPath();
  let open = false;
  for (let i = 0; i < xy.length; i += 2) {
    if (Number.isNaN(xy[i])) { open = false; continue; }
    // A point where the last one was (a target standing still) adds nothing.
    if (open && xy[i] === xy[i - 2] && xy[i + 1] === xy[i - 1]) continue;
    if (open) g.lineTo(f.px(xy[i]), f.py(xy[i + 1])); else g.moveTo(f.px(xy[i]), f.py(xy[i + 1]));
    open = true;
  }
  g.stroke();
}

// Where a point of the world lands on a view's axes: written into `out`,
// each view's projection made for its replay.
const fromAbove = () => (x, y, z, out) => { out[0] = x; out[1] = y; };

// The side view runs from the player towards the farthest point of any path.
function fromTheSide(replay) {
  const origin = replay.header.player || [0, 0, 0];
  let along = [1, 0], farthest = 0;
  const paths = replay.paths();
  const consider = ({ xyz }) => {
    for (let k = 0; k < xyz.length; k += 3) {
      const dx = xyz[k] - origin[0], dy = xyz[k + 1] - origin[1], d = Math.sqrt(dx * dx + dy * dy);
      if (Number.isFinite(d) && d > farthest) { farthest = d; along = [dx / d, dy / d]; }
    }
  };
  paths.objects.forEach(consider);
  paths.cameras.forEach(consider);
  return (x, y, z, out) => { out[0] = (x - origin[0]) * along[0] + (y - origin[1]) * along[1]; out[1] = z; };
}

// A replay's paths seen from one side, worked out once a replay (a replay
// drawn faintly behind is drawn again at every change): each object's and
// camera's points on the chart's axes, the player's, and their range.
function viewOf(replay, side) {
  replay.views ??= {};
  if (replay.views[side]) return replay.views[side];
  const project = (side === 'top' ? fromAbove : fromTheSide)(replay);
  const xr = new Range(), yr = new Range();
  const line = ({ xyz }) => {
    const xy = new Float64Array((xyz.length / 3) * 2).fill(NaN);
    const at = [0, 0];
    for (let k = 0, i = 0; k < xyz.length; k += 3, i += 2) {
      if (!Number.isFinite(xyz[k]) || !Number.isFinite(xyz[k + 1]) || !Number.isFinite(xyz[k + 2])) continue;
      project(xyz[k], xyz[k + 1], xyz[k + 2], at);
      xy[i] = at[0];
      xy[i + 1] = at[1];
      xr.add(at[0]);
      yr.add(at[1]);
    }
    return xy;
  };
  const player = replay.header.player || [0, 0, 0];
  const at = [0, 0];
  project(player[0], player[1], player[2], at);
  if (finite(player)) { xr.add(at[0]); yr.add(at[1]); }
  const paths = replay.paths();
  return (replay.views[side] = { objects: paths.objects.map(line), cameras: [...paths.cameras.values()].map(line), player: at, xr, yr });
}

// The frame of a view of `views`: metres the same both ways (`equal`) or not.
function viewFrame(views, { width, equal, ground }) {
  const xr = new Range(), yr = new Range();
  for (const v of views) { xr.add(v.xr.lo); xr.add(v.xr.hi); yr.add(v.yr.lo); yr.add(v.yr.hi); }
  if (ground) yr.add(0);
  xr.settle(2, 0.06);
  yr.settle(2, 0.08);
  const left = 34, top = 4, plotWidth = width - left - 6;
  const height = Math.min(Math.max((plotWidth * (yr.hi - yr.lo)) / (xr.hi - xr.lo), equal ? 150 : 90), equal ? 260 : 130);
  if (equal) {
    // The narrower range widens to fill the frame.
    const scale = Math.min(plotWidth / (xr.hi - xr.lo), height / (yr.hi - yr.lo));
    const cx = (xr.lo + xr.hi) / 2, cy = (yr.lo + yr.hi) / 2;
    xr.lo = cx - plotWidth / scale / 2; xr.hi = cx + plotWidth / scale / 2;
    yr.lo = cy - height / scale / 2; yr.hi = cy + height / scale / 2;
  }
  return frame(left, top, plotWidth, height, xr.lo, xr.hi, yr.lo, yr.hi);
}

// One view's paths, faint when another is drawn over it.
function drawView(g, f, v, faint) {
  g.globalAlpha = faint ? 0.22 : 1;
  g.lineWidth = faint ? 3 : 1.5;
  v.objects.forEach((xy, i) => {
    g.strokeStyle = OBJECT_COLOURS[i % OBJECT_COLOURS.length];
    polyline(g, f, xy);
  });
  v.cameras.forEach((xy, c) => {
    g.strokeStyle = CAMERA_COLOURS[c % CAMERA_COLOURS.length];
    g.setLineDash(faint ? [] : [5, 3]);
    polyline(g, f, xy);
    g.setLineDash([]);
  });
  // Where each object is last: a target that stands still is only this dot.
  v.objects.forEach((xy, i) => {
    const x = xy[xy.length - 2], y = xy[xy.length - 1];
    if (!xy.length || Number.isNaN(x)) return;
    g.fillStyle = OBJECT_COLOURS[i % OBJECT_COLOURS.length];
    g.beginPath(); g.arc(f.px(x), f.py(y), 3, 0, 2 * Math.PI); g.fill();
  });
  g.fillStyle = '#000';
  g.fillRect(f.px(v.player[0]) - 3, f.py(v.player[1]) - 3, 6, 6);
}

// One view of the paths: from above (`side` 'top') or from the side.
function spaceView(canvas, replays, side, options) {
  const views = replays.map((r) => viewOf(r, side));
  const f = viewFrame(views, options);
  const g = surface(canvas, options.width, f.height + f.top + 16);
  grid(g, f, options.xTitle, options.yTitle);
  g.save();
  g.beginPath(); g.rect(f.left, f.top, f.width, f.height); g.clip();
  if (options.ground) { g.strokeStyle = '#8d6e63'; g.beginPath(); g.moveTo(f.left, f.py(0)); g.lineTo(f.left + f.width, f.py(0)); g.stroke(); }
  views.forEach((v, k) => drawView(g, f, v, views.length > 1 && k === 0));
  g.restore();
  g.globalAlpha = 1;
}

// The game's time scale, pass by pass, as steps.
function timeScaleChart(canvas, replays, width) {
  const g = surface(canvas, width, 78);
  let passes = 1;
  const range = new Range();
  range.add(0);
  range.add(1);
  for (const r of replays) {
    passes = Math.max(passes, r.passes);
    for (const v of r.paths().timeScale) range.add(v);
  }
  const f = frame(34, 4, width - 40, 58, 1, Math.max(2, passes + 1), range.lo, range.hi * 1.05);
  grid(g, f, 'pass', 'time scale');
  replays.forEach((r, k) => {
    const faint = replays.length > 1 && k === 0;
    g.globalAlpha = faint ? 0.25 : 1;
    g.lineWidth = faint ? 3 : 1.5;
    g.strokeStyle = '#6a1b9a';
    // Each run of one value as one step: the same line as a step a pass.
    const values = r.paths().timeScale;
    let last = NaN;
    g.beginPath();
    values.forEach((v, i) => {
      const y = f.py(Number.isFinite(v) ? v : 0);
      if (i === 0) g.moveTo(f.px(1), y);
      else if (y !== last) { g.lineTo(f.px(i + 1), last); g.lineTo(f.px(i + 1), y); }
      last = y;
    });
    if (values.length) g.lineTo(f.px(values.length + 1), last);
    g.stroke();
  });
  g.globalAlpha = 1;
}

// Each camera's life: a bar from its first pass to its last, coloured by phase.
function livesChart(canvas, all, width) {
  // The file as loaded only where its cameras lived otherwise.
  const same = all.length > 1 && JSON.stringify(all[0].header.lives) === JSON.stringify(all[1].header.lives);
  const replays = same ? all.slice(1) : all;
  const rows = replays.reduce((n, r) => n + Math.max(1, r.paths().cameras.size), 0);
  const g = surface(canvas, width, 18 + rows * 14);
  let passes = 1;
  for (const r of replays) passes = Math.max(passes, r.passes);
  const f = frame(34, 2, width - 40, rows * 14, 1, Math.max(2, passes + 1), 0, 1);
  let row = 0;
  replays.forEach((r, k) => {
    const faint = replays.length > 1 && k === 0;
    g.globalAlpha = faint ? 0.3 : 1;
    g.fillStyle = '#777';
    if (!r.paths().cameras.size) label(g, faint ? 'as loaded: no camera' : 'no camera', f.left + 4, f.top + row++ * 14 + 10);
    r.paths().cameras.forEach(({ pass, phase }, handle) => {
      const y = f.top + row++ * 14 + 2;
      // Runs of one phase as one bar each.
      for (let i = 0; i < pass.length; ) {
        let j = i;
        while (j + 1 < pass.length && phase[j + 1] === phase[i] && pass[j + 1] === pass[j] + 1) j++;
        g.fillStyle = (PHASES[phase[i]] || PHASES.h)[0];
        g.fillRect(f.px(pass[i]), y, Math.max(1, f.px(pass[j] + 1) - f.px(pass[i])), 9);
        i = j + 1;
      }
      g.fillStyle = '#555';
      label(g, '#' + handle, f.left - 3, y + 8, 'right');
    });
  });
  g.globalAlpha = 1;
  g.fillStyle = '#777';
  label(g, 'pass ' + passes, f.left + f.width - 50, f.top + f.height + 12);
}

// Draws the four charts of a card; `faint` may be null.
export function drawCharts(canvases, replay, faint, width) {
  const replays = faint ? [faint, replay] : [replay];
  spaceView(canvases.top, replays, 'top', { width, equal: true, xTitle: 'x (m)', yTitle: 'y (m), from above' });
  spaceView(canvases.side, replays, 'side', { width, equal: false, xTitle: 'along the throw or shot (m)', yTitle: 'height (m)', ground: true });
  timeScaleChart(canvases.time, replays, width);
  livesChart(canvases.lives, replays, width);
}
