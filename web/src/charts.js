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
  if (canvas.width !== w || canvas.height !== h) {
    canvas.width = w;
    canvas.height = h;
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
  }
  const g = canvas.getContext('2d', { willReadFrequently: true });
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.clearRect(0, 0, width, height);
  g.font = '10px system-ui, sans-serif';
  return g;
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
  g.textAlign = 'center';
  for (let x = Math.ceil(f.x0 / xs) * xs; x <= f.x1 + 1e-9; x += xs) {
    g.beginPath(); g.moveTo(f.px(x), f.top); g.lineTo(f.px(x), f.top + f.height); g.stroke();
    g.fillText(String(+x.toPrecision(4)), f.px(x), f.top + f.height + 11);
  }
  const ys = niceStep(f.y1 - f.y0, 4);
  g.textAlign = 'right';
  for (let y = Math.ceil(f.y0 / ys) * ys; y <= f.y1 + 1e-9; y += ys) {
    g.beginPath(); g.moveTo(f.left, f.py(y)); g.lineTo(f.left + f.width, f.py(y)); g.stroke();
    g.fillText(String(+y.toPrecision(4)), f.left - 3, f.py(y) + 3);
  }
  g.strokeStyle = '#999';
  g.strokeRect(f.left, f.top, f.width, f.height);
  g.textAlign = 'left';
  g.fillText(yTitle, f.left + 3, f.top + 10);
  g.textAlign = 'right';
  g.fillText(xTitle, f.left + f.width - 3, f.top + f.height - 4);
}

function polyline(g, f, points, project) {
  g.beginPath();
  let open = false;
  for (const p of points) {
    if (!finite(p)) { open = false; continue; }
    const [x, y] = project(p);
    if (open) g.lineTo(f.px(x), f.py(y)); else g.moveTo(f.px(x), f.py(y));
    open = true;
  }
  g.stroke();
}

// The side view runs from the player towards the farthest point of any path.
function sideProjection(replay) {
  const origin = replay.header.player || [0, 0, 0];
  let along = [1, 0], farthest = 0;
  const paths = replay.paths();
  const consider = (p) => {
    const dx = p[0] - origin[0], dy = p[1] - origin[1], d = Math.sqrt(dx * dx + dy * dy);
    if (Number.isFinite(d) && d > farthest) { farthest = d; along = [dx / d, dy / d]; }
  };
  paths.objects.forEach((points) => points.forEach((o) => consider(o.position)));
  paths.cameras.forEach((points) => points.forEach((c) => consider(c.position)));
  return (p) => [(p[0] - origin[0]) * along[0] + (p[1] - origin[1]) * along[1], p[2]];
}

// One view of the paths; `project` maps a world point to the chart's x, y.
function spaceView(canvas, replays, project, options) {
  const { width, equal, xTitle, yTitle, ground } = options;
  const xr = new Range(), yr = new Range();
  for (const r of replays) {
    const paths = r.paths();
    const onto = project(r);
    const add = (p) => { if (finite(p)) { const [x, y] = onto(p); xr.add(x); yr.add(y); } };
    add(r.header.player || [0, 0, 0]);
    paths.objects.forEach((points) => points.forEach((o) => add(o.position)));
    paths.cameras.forEach((points) => points.forEach((c) => add(c.position)));
  }
  if (ground) yr.add(0);
  xr.settle(2, 0.06);
  yr.settle(2, 0.08);
  const left = 34, top = 4, plotWidth = width - left - 6;
  let height = Math.min(Math.max((plotWidth * (yr.hi - yr.lo)) / (xr.hi - xr.lo), equal ? 150 : 90), equal ? 260 : 130);
  if (equal) {
    // Metres the same both ways: the narrower range widens to fill the frame.
    const scale = Math.min(plotWidth / (xr.hi - xr.lo), height / (yr.hi - yr.lo));
    const cx = (xr.lo + xr.hi) / 2, cy = (yr.lo + yr.hi) / 2;
    xr.lo = cx - plotWidth / scale / 2; xr.hi = cx + plotWidth / scale / 2;
    yr.lo = cy - height / scale / 2; yr.hi = cy + height / scale / 2;
  }
  const g = surface(canvas, width, height + top + 16);
  const f = frame(left, top, plotWidth, height, xr.lo, xr.hi, yr.lo, yr.hi);
  grid(g, f, xTitle, yTitle);
  g.save();
  g.beginPath(); g.rect(f.left, f.top, f.width, f.height); g.clip();
  if (ground) { g.strokeStyle = '#8d6e63'; g.beginPath(); g.moveTo(f.left, f.py(0)); g.lineTo(f.left + f.width, f.py(0)); g.stroke(); }
  replays.forEach((r, k) => {
    const faint = replays.length > 1 && k === 0;
    const paths = r.paths();
    const p = project(r);
    g.globalAlpha = faint ? 0.22 : 1;
    g.lineWidth = faint ? 3 : 1.5;
    paths.objects.forEach((points, i) => {
      g.strokeStyle = OBJECT_COLOURS[i % OBJECT_COLOURS.length];
      polyline(g, f, points.map((o) => o.position), p);
    });
    let c = 0;
    paths.cameras.forEach((points) => {
      g.strokeStyle = CAMERA_COLOURS[c++ % CAMERA_COLOURS.length];
      g.setLineDash(faint ? [] : [5, 3]);
      polyline(g, f, points.map((o) => o.position), p);
      g.setLineDash([]);
    });
    // Where each object is last: a target that stands still is only this dot.
    paths.objects.forEach((points, i) => {
      const last = points[points.length - 1];
      if (!last || !finite(last.position)) return;
      const [x, y] = p(last.position);
      g.fillStyle = OBJECT_COLOURS[i % OBJECT_COLOURS.length];
      g.beginPath(); g.arc(f.px(x), f.py(y), 3, 0, 2 * Math.PI); g.fill();
    });
    const player = p(r.header.player || [0, 0, 0]);
    g.fillStyle = '#000';
    g.fillRect(f.px(player[0]) - 3, f.py(player[1]) - 3, 6, 6);
  });
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
    g.beginPath();
    r.paths().timeScale.forEach((v, i) => {
      const y = f.py(Number.isFinite(v) ? v : 0);
      if (i === 0) g.moveTo(f.px(1), y); else g.lineTo(f.px(i + 1), y);
      g.lineTo(f.px(i + 2), y);
    });
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
    if (!r.paths().cameras.size) g.fillText(faint ? 'as loaded: no camera' : 'no camera', f.left + 4, f.top + row++ * 14 + 10);
    r.paths().cameras.forEach((points, handle) => {
      const y = f.top + row++ * 14 + 2;
      // Runs of one phase as one bar each.
      for (let i = 0; i < points.length; ) {
        let j = i;
        while (j + 1 < points.length && points[j + 1].phase === points[i].phase && points[j + 1].pass === points[j].pass + 1) j++;
        g.fillStyle = (PHASES[points[i].phase] || PHASES.h)[0];
        g.fillRect(f.px(points[i].pass), y, Math.max(1, f.px(points[j].pass + 1) - f.px(points[i].pass)), 9);
        i = j + 1;
      }
      g.fillStyle = '#555';
      g.textAlign = 'right';
      g.fillText('#' + handle, f.left - 3, y + 8);
      g.textAlign = 'left';
    });
  });
  g.globalAlpha = 1;
  g.fillStyle = '#777';
  g.fillText('pass ' + passes, f.left + f.width - 50, f.top + f.height + 12);
}

// Draws the four charts of a card; `faint` may be null.
export function drawCharts(canvases, replay, faint, width) {
  const replays = faint ? [faint, replay] : [replay];
  spaceView(canvases.top, replays, () => (p) => [p[0], p[1]], { width, equal: true, xTitle: 'x (m)', yTitle: 'y (m), from above' });
  spaceView(canvases.side, replays, (r) => sideProjection(r), { width, equal: false, xTitle: 'along the throw or shot (m)', yTitle: 'height (m)', ground: true });
  timeScaleChart(canvases.time, replays, width);
  livesChart(canvases.lives, replays, width);
}
