// Builds Veltrix-tuner.html: one page that holds everything it needs (the
// plug-in's core as WebAssembly inside its worker, three.js, the shipped
// settings file), so that it opens from file:// with no network.
//
//   node web/build.mjs --core build/wasm/veltrix-core.js --ini dist/Veltrix.ini --out out/Veltrix-tuner.html
//   VELTRIX_DEBUG=1 node web/build.mjs ...   the same, not minified (for a profiler's names)
import { build } from 'esbuild';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const here = dirname(fileURLToPath(import.meta.url));
const usage = 'usage: node web/build.mjs --core veltrix-core.js --ini Veltrix.ini --out Veltrix-tuner.html';
let args;
try {
  args = parseArgs({ options: { core: { type: 'string' }, ini: { type: 'string' }, out: { type: 'string' } } }).values;
} catch (error) {
  args = {};
  console.error(error.message);
}
if (!args.core || !args.ini || !args.out) {
  console.error(usage);
  process.exit(2);
}

// Browsers that run the module's exceptions and the page's modules.
const target = ['chrome100', 'edge100', 'firefox100', 'safari15'];
async function bundle(entry, define = {}) {
  const result = await build({
    entryPoints: [join(here, 'src', entry)], bundle: true, format: 'iife', minify: !process.env.VELTRIX_DEBUG, write: false,
    target, define, legalComments: 'none', logLevel: 'warning',
  });
  return result.outputFiles[0].text;
}

const worker = readFileSync(args.core, 'utf8') + '\n' + await bundle('worker.js');
const script = await bundle('main.js', {
  __WORKER_SOURCE__: JSON.stringify(worker),
  __SHIPPED_INI__: JSON.stringify(readFileSync(args.ini).toString('base64')),
});
const page = readFileSync(join(here, 'src', 'index.html'), 'utf8')
  .replace('/*STYLE*/', () => readFileSync(join(here, 'src', 'style.css'), 'utf8'))
  // Inside a script element, "</script" would end it.
  .replace('/*SCRIPT*/', () => script.replace(/<\/script/gi, '<\\/script'));
mkdirSync(dirname(args.out), { recursive: true });
writeFileSync(args.out, page);
console.log(`${args.out}: ${(page.length / 1048576).toFixed(2)} MiB`);
