// The page: play Korvane or analyse with it. chess.js keeps the game (rules, SAN, PGN, FEN),
// cm-chessboard shows it and takes the moves, the engine runs in a Web Worker.
import { Chess } from 'chess.js';
import { Chessboard, COLOR, FEN, INPUT_EVENT_TYPE } from 'cm-chessboard/src/Chessboard.js';
import { Markers, MARKER_TYPE } from 'cm-chessboard/src/extensions/markers/Markers.js';
import { PromotionDialog, PROMOTION_DIALOG_RESULT_TYPE } from 'cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js';
import { drawChart, whitePawns } from './chart.js';
import { UciClient } from './uci-client.js';

const $ = (id) => document.getElementById(id);

const state = {
  mode: 'game', // 'game' or 'analysis'
  playerWhite: true,
  control: parseControl($('control').value),
  startFen: FEN.start,
  clock: { w: 0, b: 0 },
  lastTick: 0,
  over: '',
  scores: [], // {ply, pawns}
  analysing: false,
};
let game = new Chess();
const engine = new UciClient('engine/korvane-worker.js');
let engineReady = false;

const board = new Chessboard($('board'), {
  position: FEN.start,
  assetsUrl: 'assets/',
  style: { borderType: 'thin', animationDuration: 150 },
  extensions: [{ class: Markers, props: { autoMarkers: MARKER_TYPE.frame } }, { class: PromotionDialog }],
});

function parseControl(value) {
  if (value.startsWith('d')) return { depth: Number(value.slice(1)) };
  const [minutes, increment] = value.split('+').map(Number);
  return { baseMs: minutes * 60000, incMs: increment * 1000 };
}

const uciOf = (move) => move.from + move.to + (move.promotion || '');
const turnWhite = () => game.turn() === 'w';
const engineToMove = () => state.mode === 'game' && turnWhite() !== state.playerWhite;

function positionCommand() {
  const moves = game.history({ verbose: true }).map(uciOf);
  const start = state.startFen === FEN.start ? 'startpos' : `fen ${state.startFen}`;
  return `position ${start}${moves.length ? ' moves ' + moves.join(' ') : ''}`;
}

// The SAN of a UCI move in the current position, or the UCI text if it is not legal there.
function sanOf(uci, fen = game.fen()) {
  try {
    return new Chess(fen).move({ from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4] }).san;
  } catch {
    return uci;
  }
}

function scoreText(score) {
  if (!score) return '';
  if (score.kind === 'mate') return `#${score.value}`;
  const pawns = score.value / 100;
  return (pawns > 0 ? '+' : '') + pawns.toFixed(2);
}

function formatClock(ms) {
  const tenths = Math.max(0, Math.ceil(ms / 100));
  const minutes = Math.floor(tenths / 600);
  const seconds = Math.floor((tenths % 600) / 10);
  return ms < 10000 ? `${minutes}:${String(seconds).padStart(2, '0')}.${tenths % 10}` : `${minutes}:${String(seconds).padStart(2, '0')}`;
}

// ---- Display ----

function render() {
  board.setPosition(game.fen(), true);
  const moves = $('moves');
  moves.innerHTML = '';
  const history = game.history();
  for (let i = 0; i < history.length; i += 2) {
    const item = document.createElement('li');
    item.textContent = history[i] + (history[i + 1] ? '  ' + history[i + 1] : '');
    moves.append(item);
  }
  moves.scrollTop = moves.scrollHeight;
  moves.dataset.plies = String(history.length);
  drawChart($('chart'), state.scores);
  renderClocks();
  $('stop').disabled = !state.analysing;
  $('analyse').disabled = state.analysing || !engineReady;
}

function renderClocks() {
  const whiteBottom = board.getOrientation() === COLOR.white;
  // In analysis the game's clocks stand still.
  const timed = !state.control.depth;
  for (const [id, white] of [['clock-bottom', whiteBottom], ['clock-top', !whiteBottom]]) {
    const side = white ? 'w' : 'b';
    const element = $(id);
    const engineSide = state.mode === 'game' && white !== state.playerWhite;
    element.querySelector('.clock-name').textContent = (white ? 'White' : 'Black') + (state.mode === 'game' ? (engineSide ? ' · Korvane' : ' · you') : '');
    element.querySelector('.clock-time').textContent = timed ? formatClock(state.clock[side]) : '–';
    element.dataset.side = side;
    element.classList.toggle('running', timed && state.mode === 'game' && !state.over && game.turn() === side);
    element.classList.toggle('flagged', state.clock[side] <= 0 && timed);
  }
}

function setStatus(text) {
  $('status').textContent = text;
}

function showThinking(info) {
  const fen = game.fen();
  const parts = [];
  if (info.depth) state.think.depth = info.depth;
  if (info.currmove) {
    state.think.current = `move ${info.currmovenumber}/${game.moves().length} ${sanOf(info.currmove, fen)}`;
  }
  if (info.pv) {
    state.think.best = `${sanOf(info.pv[0], fen)} ${scoreText(info.score)}`;
    state.think.score = info.score;
    const line = document.createElement('li');
    line.textContent = `depth ${info.depth}  ${scoreText(info.score)}  ${sanOf(info.pv[0], fen)}  ${(info.time / 1000).toFixed(1)} s`;
    $('lines').append(line);
    $('lines').scrollTop = $('lines').scrollHeight;
  }
  if (info.time !== undefined) state.think.time = info.time;
  parts.push(`depth ${state.think.depth || '-'}`);
  if (state.think.current) parts.push(state.think.current);
  if (state.think.best) parts.push(`best ${state.think.best}`);
  parts.push(`${((state.think.time || 0) / 1000).toFixed(1)} s`);
  $('thinking').textContent = parts.join(' · ');
}

function resetThinking() {
  state.think = {};
  $('lines').innerHTML = '';
  $('thinking').textContent = '';
}

// ---- Game flow ----

function checkGameEnd() {
  if (game.isCheckmate()) state.over = `${turnWhite() ? 'Black' : 'White'} wins by checkmate`;
  else if (game.isStalemate()) state.over = 'Draw by stalemate';
  else if (game.isThreefoldRepetition()) state.over = 'Draw by repetition';
  else if (game.isInsufficientMaterial()) state.over = 'Draw: insufficient material';
  else if (game.isDraw()) state.over = 'Draw by the fifty-move rule';
  if (state.over) setStatus(state.over);
  return Boolean(state.over);
}

function play(move) {
  const side = game.turn();
  const played = game.move(move);
  if (state.mode === 'game' && !state.control.depth) state.clock[side] += state.control.incMs;
  render();
  return played;
}

async function engineMove() {
  if (!engineReady || state.over || !engineToMove()) return;
  resetThinking();
  setStatus('Korvane is thinking…');
  const parameters = state.control.depth
    ? `depth ${state.control.depth}`
    : `wtime ${Math.round(state.clock.w)} btime ${Math.round(state.clock.b)} winc ${state.control.incMs} binc ${state.control.incMs}`;
  const fen = game.fen();
  const best = await engine.go(positionCommand(), parameters);
  if (best === null || state.over || game.fen() !== fen) return;
  const move = play({ from: best.slice(0, 2), to: best.slice(2, 4), promotion: best[4] });
  if (state.think.score) state.scores.push({ ply: game.history().length, pawns: whitePawns(state.think.score, side(fen) === 'w') });
  render();
  if (!checkGameEnd()) setStatus(`Korvane played ${move.san}. Your move.`);
}

const side = (fen) => fen.split(' ')[1];

function newGame(playerWhite, startFen = FEN.start) {
  engine.stop(true);
  engine.send('ucinewgame');
  state.mode = 'game';
  state.analysing = false;
  state.playerWhite = playerWhite;
  state.control = parseControl($('control').value);
  state.startFen = startFen;
  state.clock = { w: state.control.baseMs || 0, b: state.control.baseMs || 0 };
  state.over = '';
  state.scores = [];
  game = new Chess(startFen);
  board.setOrientation(playerWhite ? COLOR.white : COLOR.black);
  resetThinking();
  render();
  setStatus(engineToMove() ? '' : 'Your move.');
  engineMove();
}

function tick() {
  const now = performance.now();
  const elapsed = now - state.lastTick;
  state.lastTick = now;
  if (state.mode !== 'game' || state.over || state.control.depth || !engineReady) return;
  const running = game.turn();
  state.clock[running] -= elapsed;
  if (state.clock[running] <= 0) {
    state.clock[running] = 0;
    state.over = `${running === 'w' ? 'White' : 'Black'} loses on time`;
    engine.stop(true);
    setStatus(state.over);
  }
  renderClocks();
}

// ---- Analysis ----

function startAnalysis() {
  if (!engineReady) return;
  engine.stop(true);
  state.mode = 'analysis';
  state.analysing = true;
  resetThinking();
  setStatus('Analysing…');
  render();
  const fen = game.fen();
  engine.go(positionCommand(), 'infinite').then((best) => {
    if (best === null) return;
    state.analysing = false;
    setStatus(`Analysis stopped: best ${sanOf(best, fen)} ${scoreText(state.think.score)}`);
    render();
  });
}

function stopAnalysis() {
  engine.stop(false);
}

// ---- Input ----

function canMove() {
  if (state.mode === 'analysis') return true;
  return engineReady && !state.over && !engineToMove() && !engine.thinking;
}

function userMove(from, to, promotion) {
  play({ from, to, promotion });
  if (state.mode === 'analysis') {
    if (state.analysing) startAnalysis();
    return;
  }
  if (!checkGameEnd()) engineMove();
}

board.enableMoveInput((event) => {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted: {
      if (!canMove()) return false;
      const moves = game.moves({ square: event.squareFrom, verbose: true });
      for (const move of moves) board.addMarker(MARKER_TYPE.dot, move.to);
      return moves.length > 0;
    }
    case INPUT_EVENT_TYPE.validateMoveInput: {
      board.removeMarkers(MARKER_TYPE.dot);
      const moves = game.moves({ square: event.squareFrom, verbose: true }).filter((m) => m.to === event.squareTo);
      if (!moves.length) return false;
      if (moves[0].promotion) {
        board.showPromotionDialog(event.squareTo, turnWhite() ? COLOR.white : COLOR.black, (result) => {
          if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) userMove(event.squareFrom, event.squareTo, result.piece.charAt(1));
          else board.setPosition(game.fen(), true);
        });
        return true;
      }
      userMove(event.squareFrom, event.squareTo);
      return true;
    }
    case INPUT_EVENT_TYPE.moveInputCanceled:
      board.removeMarkers(MARKER_TYPE.dot);
      return true;
    default:
      return true;
  }
});

$('new-white').onclick = () => newGame(true);
$('new-black').onclick = () => newGame(false);
$('flip').onclick = async () => {
  await board.setOrientation(board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white);
  renderClocks();
};
$('takeback').onclick = () => {
  engine.stop(true);
  state.analysing = false;
  if (state.mode === 'game') {
    // Back to the player's turn, with at least one of the player's moves undone.
    if (game.history().length && turnWhite() === state.playerWhite) game.undo();
    if (game.history().length && turnWhite() !== state.playerWhite) game.undo();
    if (!state.over.includes('time')) state.over = '';
  } else {
    game.undo();
  }
  state.scores = state.scores.filter((p) => p.ply <= game.history().length);
  resetThinking();
  render();
  setStatus(state.over || (state.mode === 'game' ? 'Your move.' : ''));
  engineMove();
};
$('analyse').onclick = startAnalysis;
$('stop').onclick = stopAnalysis;
$('setup').onclick = () => {
  const fen = $('fen').value.trim();
  try {
    new Chess(fen);
  } catch (error) {
    setStatus(`Not a position: ${error.message}`);
    return;
  }
  newGame(state.playerWhite, fen);
};
const exportText = async (text) => {
  $('export').value = text;
  $('export').select();
  try {
    await navigator.clipboard.writeText(text);
    setStatus('Copied.');
  } catch {
    setStatus('Select the text below and copy it.');
  }
};
$('copy-pgn').onclick = () => {
  game.setHeader('Event', state.mode === 'game' ? 'Game against Korvane' : 'Analysis with Korvane');
  game.setHeader('Date', new Date().toISOString().slice(0, 10).replaceAll('-', '.'));
  game.setHeader('White', state.playerWhite ? 'Player' : 'Korvane');
  game.setHeader('Black', state.playerWhite ? 'Korvane' : 'Player');
  if (!state.control.depth) game.setHeader('TimeControl', `${state.control.baseMs / 1000}+${state.control.incMs / 1000}`);
  if (state.over) {
    const result = state.over.startsWith('Draw') ? '1/2-1/2' : state.over.startsWith('White wins') || state.over.startsWith('Black loses') ? '1-0' : '0-1';
    game.setHeader('Result', result);
  }
  exportText(game.pgn());
};
$('copy-fen').onclick = () => exportText(game.fen());

engine.onInfo = showThinking;
engine.onError = (text) => setStatus(`The engine stopped: ${text}`);
engine.onReady = () => {
  if (engineReady) return;
  engineReady = true;
  document.body.dataset.engine = 'ready';
  newGame(true);
};
state.lastTick = performance.now();
setInterval(tick, 100);
resetThinking();
render();

// Read-only access for the browser test.
window.korvanePage = {
  fen: () => game.fen(),
  boardFen: () => board.getPosition(),
  history: () => game.history(),
  legalMoves: () => game.moves({ verbose: true }).map(uciOf),
  playerToMove: () => canMove(),
  clocks: () => ({ ...state.clock }),
  over: () => state.over,
};
