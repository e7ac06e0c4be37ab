// What the node and browser tests share: the module under test, the paths
// the build gives them, and seeded settings files of every awkward kind.
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { coreApi, openEnvelope } from '../../web/src/core_api.js';

export const env = (name) => {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set (the tests are run by ctest, which sets it)`);
  return value;
};

export async function loadCore() {
  const require = createRequire(import.meta.url);
  const createVeltrixCore = require(env('VELTRIX_CORE'));
  return coreApi(await createVeltrixCore());
}

// One request to the module, its answer opened: { value, bytes }.
export const ask = (api, op, args = {}, bytes = undefined) => openEnvelope(api.call(op, args, bytes));

// The settings the module names, by kind: { key: [...], switch: [...], number: [...] }, and their defaults.
export function settingNames(api) {
  const names = { key: [], switch: [], number: [], defaults: {} };
  for (const s of ask(api, 'start').value.settings) {
    names[s.kind].push(s.key);
    names.defaults[s.key] = s.default;
  }
  return names;
}

export const shipped = () => new Uint8Array(readFileSync(new URL('../../dist/Veltrix.ini', import.meta.url)));

// A small seeded generator, so a failure names a file that can be made again.
export function random(seed) {
  let s = seed >>> 0;
  const next = () => {
    s = (s + 0x6d2b79f5) >>> 0;
    let t = s;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const pick = (list) => list[Math.floor(next() * list.length)];
  return { next, pick, int: (n) => Math.floor(next() * n) };
}

const NUMBER_TEXTS = ['3.5', '0.7', '-1', '0', '1', '2,5', '4s', '5e-2', '1e40', '1e-50', 'inf', '-inf', 'nan', 'abc', '',
  '0x1p-3', ' 12 ', '2.5=3', '0.001', '20', '1e-7', '9',
  // Where C libraries part ways: subnormals, NaN signs and payloads, hexadecimal edges.
  '1e-45', '0x1p-140', '0x4.10fb9p-143', '-nan', 'nan(12)', '-nan(1)', '-0', '0x1p128', 'Infinity', '1.1754943e-38'];
const SWITCH_TEXTS = ['1', '0', 'true', 'false', 'True', 'False', 'TRUE', 'yes', '', '0 ; off'];
const KEY_TEXTS = ['N', 'm', 'F5', 'f13', '0x4e', '78', 'Space', 'esc', 'Shift', '0', '', 'F', '1'];

// A settings file: sections real and near miss, every key (`names`, from
// settingNames) and some typos, values of every kind, and now and then CR LF,
// a lone CR, a byte-order mark, a NUL byte or a very long line.
export function settingsFile(rng, names) {
  const NUMBERS = names.number, SWITCHES = names.switch;
  const lines = [];
  const count = 1 + rng.int(24);
  for (let i = 0; i < count; i++) {
    const r = rng.next();
    if (r < 0.18) lines.push(rng.pick(['[Projectiles]', '[Lingering]', '[Keys]', '[lingering]', '[ Lingering ]', '[Lingering] ; x', '[]']));
    else if (r < 0.45) lines.push(`${rng.pick(NUMBERS)}=${rng.pick(NUMBER_TEXTS)}`);
    else if (r < 0.65) lines.push(`${rng.pick(SWITCHES)}=${rng.pick(SWITCH_TEXTS)}`);
    else if (r < 0.72) lines.push(`${names.key[0]}=${rng.pick(KEY_TEXTS)}`);
    else if (r < 0.8) lines.push(rng.pick(['; comment', '', '   ', '# not a comment', 'Linger Time=3', 'no equals sign']));
    else if (r < 0.85) lines.push(' LingerTime = ' + rng.pick(NUMBER_TEXTS) + ' \t');
    else if (r < 0.88) lines.push('LingerTime=3' + 'x'.repeat(3000));
    else if (r < 0.91) lines.push('Bullet\0CamSpeed=2');
    else lines.push(`${rng.pick(NUMBERS)}=${rng.pick(NUMBER_TEXTS)}`);
  }
  const end = rng.pick(['\n', '\n', '\r\n', '\r']);
  let text = lines.join(end) + (rng.next() < 0.7 ? end : '');
  if (rng.next() < 0.08) text = '\ufeff' + text;
  return new TextEncoder().encode(text);
}

// The browser the page tests drive: VELTRIX_BROWSER=firefox, or Chromium.
const browserName = process.env.VELTRIX_BROWSER || 'chromium';

const launchOptions = {
  // Debian's Chromium, headless, drawing WebGL in software; a profile of its own.
  chromium: (tmp) => ({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: tmp('veltrix-chromium-'),
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  }),
  // Debian's Firefox ESR over WebDriver BiDi. Headless, it gets no WebGL here,
  // so it opens a window on the display ctest gives it (xvfb-run), drawn by
  // Mesa in software whatever the machine's GPU.
  firefox: () => {
    if (!process.env.DISPLAY) throw new Error('Firefox needs a display: run the test under xvfb-run -a');
    return {
      browser: 'firefox',
      executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
      headless: false,
      env: { ...process.env, LIBGL_ALWAYS_SOFTWARE: '1' },
    };
  },
};

// `path`: a page a tool wrote (the tuner page with its data); by default the tuner.
// The page gets a browser context of its own, whose downloads land in `downloads`.
export async function openPage(path = env('VELTRIX_PAGE')) {
  const { default: puppeteer } = await import('puppeteer-core');
  const { mkdtempSync } = await import('node:fs');
  const { tmpdir } = await import('node:os');
  const { join } = await import('node:path');
  const tmp = (prefix) => mkdtempSync(join(tmpdir(), prefix));
  if (!launchOptions[browserName]) throw new Error(`VELTRIX_BROWSER=${browserName}: chromium or firefox`);
  const browser = await puppeteer.launch(launchOptions[browserName](tmp));
  const downloads = tmp('veltrix-downloads-');
  const context = await browser.createBrowserContext({ downloadBehavior: { policy: 'allow', downloadPath: downloads } });
  const page = await context.newPage();
  await page.setViewport({ width: 1500, height: 1000 });
  const problems = [];
  const requests = [];
  page.on('console', (m) => { if (m.type() === 'error') problems.push('console: ' + m.text()); });
  page.on('pageerror', (e) => problems.push('page error: ' + e.message));
  page.on('request', (r) => { if (!/^(file|data|blob):/.test(r.url())) requests.push(r.url()); });
  await page.goto('file://' + path);
  await settled(page);
  return { browser, page, problems, requests, downloads };
}

// Does `action`, then waits until the page has taken up what it changed.
export async function changed(page, action) {
  const before = await page.evaluate(() => window.veltrixTuner.state.timings.length);
  await action();
  await settled(page, before);
}

// A value typed into a box over what it held, with Enter.
export async function retype(page, selector, text) {
  await page.click(selector, { count: 3 });
  await page.type(selector, text + '\n');
}

// Every replay of the last change drawn, nothing left to do.
export async function settled(page, after = 0) {
  await page.waitForFunction((n) => {
    const t = window.veltrixTuner;
    return t && t.state.timings.length > n && !t.state.running;
  }, { timeout: 60000 }, after);
}

// Save as a modder clicks it: each call gives the bytes the browser downloads
// into `downloads` (openPage's). A download is done when its file is alone
// there: until then the browser writes to another file (and Firefox leaves an
// empty one of the final name).
export async function saver(page, downloads) {
  const { readdirSync, readFileSync, rmSync } = await import('node:fs');
  const { join } = await import('node:path');
  const file = join(downloads, 'Veltrix.ini');
  return async () => {
    rmSync(file, { force: true });
    await page.click('#save');
    for (let i = 0; i < 100 && readdirSync(downloads).join() !== 'Veltrix.ini'; i++) await new Promise((r) => setTimeout(r, 100));
    return readFileSync(file);
  };
}
