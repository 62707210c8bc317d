// Runs Korvane's UCI engine (korvane-engine.js, a factory from Emscripten) on the calling thread:
// post() hands it lines of UCI, options.send receives every line it prints, options.onExit the exit status
// after quit (1 after an error). The engine pauses its
// search every few milliseconds through options.yieldNow, so that lines posted meanwhile are read.
// Shared by the Web Worker (korvane-worker.js) and the Node command line (node/korvane-uci.js).
'use strict';

function startKorvane(factory, options) {
  const module = {
    print: options.send,
    printErr: options.log || function () {},
    korvaneLines: [],
    korvaneEnded: false,
    korvaneWake: null,
    korvaneYield: options.yieldNow,
    korvaneExit: options.onExit || function () {},
    onAbort: options.onAbort,
  };
  if (options.locateFile) module.locateFile = options.locateFile;
  if (options.wasmBinary) module.wasmBinary = options.wasmBinary;
  const wake = function () {
    const resume = module.korvaneWake;
    module.korvaneWake = null;
    if (resume) resume();
  };
  factory(module).then(function (engine) {
    engine._korvaneMain();
  });
  return {
    // One line of UCI (a line end inside starts another line).
    post(text) {
      for (const line of String(text).split('\n')) module.korvaneLines.push(line);
      wake();
    },
    // The end of the input: korvane-uci's rules for the end of standard input apply.
    end() {
      module.korvaneEnded = true;
      wake();
    },
  };
}

if (typeof module === 'object' && module.exports) module.exports = { startKorvane };
