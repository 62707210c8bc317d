// The page in headless Chromium: a short game against Korvane at 1+0 (moves by click and by drag), its
// moves checked with chess.js, the clocks watched, the PGN copied; then an analysis started and stopped;
// a screenshot; then a position set up from FEN, a promotion chosen, the FEN copied, the board flipped.
// Prints a transcript; exits 1 on any fault. The site is served from 127.0.0.1 with no special headers.
//   node browser-test.mjs SITE_DIR SCREENSHOT.png
import { Chess } from 'chess.js';
import puppeteer from 'puppeteer-core';
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';

const [site, screenshot] = process.argv.slice(2);
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.svg': 'image/svg+xml',
  '.wasm': 'application/wasm', '.txt': 'text/plain' };
const server = createServer((request, response) => {
  const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, '');
  const file = join(site, path.endsWith('/') ? path + 'index.html' : path);
  try {
    if (!statSync(file).isFile()) throw new Error();
    response.writeHead(200, { 'Content-Type': types[extname(file)] || 'application/octet-stream' });
    response.end(readFileSync(file));
  } catch {
    response.writeHead(404);
    response.end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/`;

const faults = [];
const fault = (text) => { faults.push(text); console.log(`FAULT: ${text}`); };
const profile = mkdtempSync(join(tmpdir(), 'korvane-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`],
  protocolTimeout: 60000,
});

// Every wait is bounded; generous, since the machine may be loaded.
async function waitFor(page, what, test, ms = 30000, ...args) {
  try {
    await page.waitForFunction(test, { timeout: ms, polling: 100 }, ...args);
  } catch {
    const status = await page.evaluate(() => document.getElementById('status').textContent).catch(() => '?');
    fault(`timed out after ${ms} ms waiting for ${what} (the page says: ${status})`);
    if (screenshot) await page.screenshot({ path: screenshot }).catch(() => {});
    throw new Error(what);
  }
}

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 760 });
  page.on('pageerror', (error) => fault(`page error: ${error.message}`));
  page.on('console', (message) => { if (message.type() === 'error') fault(`console: ${message.text()}`); });
  await page.goto(url);
  await waitFor(page, 'the engine', () => document.body.dataset.engine === 'ready');
  const isolated = await page.evaluate(() => self.crossOriginIsolated === true);
  console.log(`page ${url} loaded; cross-origin isolated: ${isolated}`);

  await page.select('#control', '1+0');
  await page.click('#new-white');
  const clockText = () => page.evaluate(() => [...document.querySelectorAll('.clock')].map((c) => c.textContent).join(' | '));
  console.log(`clocks at the start: ${await clockText()}`);

  // The centre of a square, read in one go: the board redraws its squares when it turns.
  const square = async (name) => {
    await waitFor(page, `the square ${name}`, (n) => {
      const rect = document.querySelector(`#board rect[data-square="${n}"]`);
      return rect && rect.getBoundingClientRect().width > 0;
    }, 5000, name);
    return page.evaluate((n) => {
      const box = document.querySelector(`#board rect[data-square="${n}"]`).getBoundingClientRect();
      return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
    }, name);
  };
  const referee = new Chess();
  const playerMoves = ['e2e4', 'g1f3', 'f1c4', 'd2d3', 'b1c3', 'c1e3'];
  for (let turn = 0; turn < playerMoves.length; ++turn) {
    await waitFor(page, 'the player to move', () => window.korvanePage.playerToMove() || window.korvanePage.over());
    if (await page.evaluate(() => window.korvanePage.over())) break;
    const legal = await page.evaluate(() => window.korvanePage.legalMoves());
    const move = legal.includes(playerMoves[turn]) ? playerMoves[turn] : legal.find((m) => m.length === 4);
    const from = await square(move.slice(0, 2));
    const to = await square(move.slice(2, 4));
    if (turn === Number(process.env.DRAG_TURN ?? 0)) {
      // By drag.
      await page.mouse.move(from.x, from.y);
      await page.mouse.down();
      await page.mouse.move((from.x + to.x) / 2, (from.y + to.y) / 2, { steps: 5 });
      await page.mouse.move(to.x, to.y, { steps: 5 });
      await page.mouse.up();
    } else {
      await page.mouse.click(from.x, from.y);
      await page.mouse.click(to.x, to.y);
    }
    const plies = referee.history().length;
    await waitFor(page, `the move ${move} in the move list`, (n) => Number(document.getElementById('moves').dataset.plies) >= n, 10000, plies + 1);
    referee.move({ from: move.slice(0, 2), to: move.slice(2, 4) });
    await waitFor(page, "Korvane's reply", (n) => Number(document.getElementById('moves').dataset.plies) >= n ||
      window.korvanePage.over(), 30000, plies + 2);
    const history = await page.evaluate(() => window.korvanePage.history());
    const reply = history[plies + 1];
    if (reply) {
      try {
        referee.move(reply);
      } catch {
        fault(`Korvane's move ${reply} is not legal after ${referee.history().join(' ')}`);
        break;
      }
    }
    await new Promise((resolve) => setTimeout(resolve, 400)); // the board's animation
    const [fen, boardFen] = await page.evaluate(() => [window.korvanePage.fen(), window.korvanePage.boardFen()]);
    if (fen !== referee.fen()) fault(`the page's game ${fen} is not the referee's ${referee.fen()}`);
    if (boardFen !== referee.fen().split(' ')[0]) fault(`the board shows ${boardFen}, not ${referee.fen().split(' ')[0]}`);
    console.log(`${Math.floor(plies / 2) + 1}. ${history[plies]} ${reply || ''}    clocks: ${await clockText()}`);
  }
  const clocks = await page.evaluate(() => window.korvanePage.clocks());
  if (!(clocks.w < 60000 && clocks.b < 60000)) fault(`the clocks did not both run: ${JSON.stringify(clocks)}`);
  const moveList = await page.evaluate(() => [...document.querySelectorAll('#moves li')].map((li) => li.textContent).join(' | '));
  console.log(`move list on the page: ${moveList}`);
  if (await page.evaluate(() => document.getElementById('chart').dataset.points === '0')) fault('the score chart is empty');

  await page.click('#copy-pgn');
  const pgn = await page.$eval('#export', (area) => area.value);
  if (!pgn.includes('[White "Player"]') || !pgn.includes(`1. ${referee.history()[0]} ${referee.history()[1]}`))
    fault(`Copy PGN gave '${pgn}'`);

  await page.click('#analyse');
  await waitFor(page, 'three analysis lines', () => document.querySelectorAll('#lines li').length >= 3);
  // The page stays responsive while the engine thinks: the longest gap between 50 ms timer ticks.
  const gap = await page.evaluate(() => new Promise((resolve) => {
    let last = performance.now();
    let longest = 0;
    const timer = setInterval(() => {
      const now = performance.now();
      longest = Math.max(longest, now - last);
      last = now;
    }, 50);
    setTimeout(() => { clearInterval(timer); resolve(longest); }, 1500);
  }));
  console.log(`longest gap between 50 ms ticks on the page during the analysis: ${gap.toFixed(0)} ms`);
  if (gap > 1000) fault(`the page froze for ${gap.toFixed(0)} ms while the engine thought`);
  await page.click('#stop');
  await waitFor(page, 'the analysis to stop', () => document.getElementById('status').textContent.startsWith('Analysis stopped'), 10000);
  const lines = await page.evaluate(() => [...document.querySelectorAll('#lines li')].map((li) => li.textContent));
  console.log('analysis lines:');
  for (const line of lines) console.log(`  ${line}`);
  console.log(await page.evaluate(() => document.getElementById('thinking').textContent));
  console.log(await page.evaluate(() => document.getElementById('status').textContent));
  await new Promise((resolve) => setTimeout(resolve, 500));
  const after = await page.evaluate(() => document.querySelectorAll('#lines li').length);
  if (after !== lines.length) fault(`analysis lines kept coming after stop (${lines.length}, then ${after})`);

  if (screenshot) {
    await page.screenshot({ path: screenshot });
    console.log(`screenshot: ${screenshot}`);
  }

  // Set up from FEN, promote to a knight through the dialog, copy the FEN, flip the board.
  await page.$eval('#fen', (input) => { input.value = '8/P6k/8/8/8/8/7P/K7 w - - 0 1'; });
  await page.select('#control', 'd2');
  await page.click('#setup');
  await waitFor(page, 'the set-up position', () => window.korvanePage.fen() === '8/P6k/8/8/8/8/7P/K7 w - - 0 1' &&
    window.korvanePage.playerToMove(), 10000);
  await new Promise((resolve) => setTimeout(resolve, 500)); // the board's redraw
  for (const name of ['a7', 'a8']) {
    const at = await square(name);
    await page.mouse.click(at.x, at.y);
  }
  await waitFor(page, 'the promotion dialog', () => document.querySelector('#board rect[data-piece="wn"]'), 5000);
  const knight = await page.evaluate(() => {
    const box = document.querySelector('#board rect[data-piece="wn"]').getBoundingClientRect();
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
  });
  await page.mouse.click(knight.x, knight.y);
  await waitFor(page, "the promotion and Korvane's reply", () => window.korvanePage.history().length === 2, 20000);
  const promoted = await page.evaluate(() => window.korvanePage.history());
  console.log(`set up 8/P6k/8/8/8/8/7P/K7 w: ${promoted.join(' ')}`);
  if (promoted[0] !== 'a8=N') fault(`the promotion was ${promoted[0]}, not a8=N`);
  await page.click('#copy-fen');
  const copied = await page.$eval('#export', (area) => area.value);
  if (copied !== (await page.evaluate(() => window.korvanePage.fen()))) fault(`Copy FEN gave '${copied}'`);
  await page.click('#flip');
  await waitFor(page, 'the flipped board', () => document.getElementById('clock-bottom').dataset.side === 'b', 5000);
} catch (error) {
  if (!faults.length) fault(String(error && error.stack || error));
} finally {
  await browser.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
console.log(faults.length ? `browser test: ${faults.length} fault(s)` : 'browser test: passed');
process.exit(faults.length ? 1 : 0);
