// korvane-uci under Node: the worker's engine (korvane-engine.js and korvane-port.js) on standard input
// and output, so that the scripted sessions of korvane-uci can run against it.
//   node web/engine/node/korvane-uci.js [ENGINE_DIR]   (ENGINE_DIR holds korvane-engine.js/.wasm)
'use strict';
const fs = require('fs');
const path = require('path');
const { startKorvane } = require('../korvane-port.js');

const engineDir = path.resolve(process.argv[2] || path.join(__dirname, '..', '..', '..', 'build-web', 'site', 'engine'));
const factory = require(path.join(engineDir, 'korvane-engine.js'));

// A reader that has gone away (a closed pipe) ends the program, as it ends a GUI's engine.
const send = (line) => {
  try {
    fs.writeSync(1, line + '\n');
  } catch (error) {
    if (error.code !== 'EPIPE') throw error;
    process.exit(0);
  }
};

const engine = startKorvane(factory, {
  send,
  log: (text) => fs.writeSync(2, text + '\n'),
  yieldNow: () => new Promise((resume) => setImmediate(resume)),
  // Node's fetch takes no file paths: the module is handed over read.
  wasmBinary: fs.readFileSync(path.join(engineDir, 'korvane-engine.wasm')),
  onExit: (status) => process.exit(status),
  onAbort: (what) => {
    fs.writeSync(1, 'info string engine error: ' + what + '\n');
    process.exit(1);
  },
});

let pending = '';
process.stdin.setEncoding('utf8');
process.stdin.on('data', (chunk) => {
  pending += chunk;
  const lines = pending.split('\n');
  pending = lines.pop();
  for (const line of lines) engine.post(line);
});
process.stdin.on('end', () => {
  if (pending !== '') engine.post(pending);
  engine.end();
});
