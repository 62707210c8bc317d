// The page's side of the engine worker: lines of UCI out, parsed info lines and bestmoves in. Every
// `go` is answered by exactly one bestmove, so each is matched with the go that asked for it; one that
// was cancelled (stopped for a new game, a take-back, the end of the game) is dropped.
export class UciClient {
  constructor(workerUrl) {
    this.worker = new Worker(workerUrl);
    this.pending = [];
    this.onInfo = () => {};
    this.onReady = () => {};
    this.onError = () => {};
    this.worker.onerror = (event) => this.onError(event.message || 'the worker failed');
    this.worker.onmessage = (event) => this.receive(String(event.data));
    this.send('uci');
    this.send('isready');
  }

  send(line) {
    this.worker.postMessage(line);
  }

  // Starts a search; resolves with the bestmove (null when cancelled).
  go(position, parameters) {
    this.send(position);
    this.send(`go ${parameters}`);
    return new Promise((resolve) => this.pending.push({ resolve, cancelled: false }));
  }

  get thinking() {
    return this.pending.some((search) => !search.cancelled);
  }

  // Stops every running search; its bestmove is dropped when cancel is set.
  stop(cancel) {
    if (!this.pending.length) return;
    if (cancel) for (const search of this.pending) search.cancelled = true;
    this.send('stop');
  }

  receive(line) {
    const tokens = line.split(/\s+/);
    if (tokens[0] === 'readyok') this.onReady();
    else if (line.startsWith('info string engine error')) this.onError(line.slice(12));
    else if (tokens[0] === 'bestmove') {
      const search = this.pending.shift();
      if (search) search.resolve(search.cancelled ? null : tokens[1]);
    } else if (tokens[0] === 'info' && tokens[1] !== 'string') {
      const search = this.pending[0];
      if (search && !search.cancelled) this.onInfo(parseInfo(tokens));
    }
  }
}

// info depth D time T | info currmove M currmovenumber K time T | info depth D score cp|mate N time T pv M
export function parseInfo(tokens) {
  const info = {};
  for (let i = 1; i < tokens.length - 1; ++i) {
    const key = tokens[i];
    if (key === 'depth' || key === 'time' || key === 'currmovenumber') info[key] = Number(tokens[++i]);
    else if (key === 'currmove') info.currmove = tokens[++i];
    else if (key === 'score') {
      info.score = { kind: tokens[i + 1], value: Number(tokens[i + 2]) };
      i += 2;
    } else if (key === 'pv') info.pv = tokens.slice(i + 1);
  }
  return info;
}
