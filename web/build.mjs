// Writes the site: the bundled page, its styles and board assets, the engine's files and the licences
// of the libraries it ships.   node build.mjs ENGINE_BUILD_DIR SITE_DIR
import { build } from 'esbuild';
import { cpSync, mkdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const [engineBuild, site] = process.argv.slice(2);
if (!engineBuild || !site) {
  console.error('usage: node build.mjs ENGINE_BUILD_DIR SITE_DIR');
  process.exit(2);
}
const modules = join(here, 'node_modules');

rmSync(site, { recursive: true, force: true });
mkdirSync(join(site, 'engine'), { recursive: true });

await build({
  entryPoints: [join(here, 'src', 'main.js')],
  bundle: true,
  minify: true,
  format: 'esm',
  target: 'es2020',
  outfile: join(site, 'app.js'),
  logLevel: 'warning',
});
cpSync(join(here, 'index.html'), join(site, 'index.html'));
cpSync(join(here, 'style.css'), join(site, 'style.css'));

const board = join(modules, 'cm-chessboard', 'assets');
for (const file of ['chessboard.css', 'pieces/standard.svg', 'extensions/markers/markers.css',
  'extensions/markers/markers.svg', 'extensions/promotion-dialog/promotion-dialog.css']) {
  mkdirSync(dirname(join(site, 'assets', file)), { recursive: true });
  cpSync(join(board, file), join(site, 'assets', file));
}

for (const file of ['korvane-engine.js', 'korvane-engine.wasm']) cpSync(join(engineBuild, file), join(site, 'engine', file));
for (const file of ['korvane-worker.js', 'korvane-port.js']) cpSync(join(here, 'engine', file), join(site, 'engine', file));

mkdirSync(join(site, 'licenses'), { recursive: true });
for (const [name, file] of [['chess.js', 'LICENSE'], ['cm-chessboard', 'LICENSE']])
  cpSync(join(modules, name, file), join(site, 'licenses', `${name}.txt`));

const engineFiles = ['korvane-worker.js', 'korvane-port.js', 'korvane-engine.js', 'korvane-engine.wasm'];
let engineBytes = 0;
for (const file of engineFiles) {
  const size = statSync(join(site, 'engine', file)).size;
  engineBytes += size;
  console.log(`${String(size).padStart(8)}  engine/${file}`);
}
console.log(`${String(engineBytes).padStart(8)}  the engine's files together`);
writeFileSync(join(site, 'engine', 'sizes.txt'), `${engineBytes}\n`);
