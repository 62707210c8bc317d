// Korvane as a UCI engine in a Web Worker: post it lines of UCI, receive its lines as messages. It
// needs neither SharedArrayBuffer nor any special header: between two pauses of the search, the
// worker's event loop delivers the lines posted to it.
'use strict';
importScripts('korvane-engine.js', 'korvane-port.js');

// A pause through a MessageChannel: unlike setTimeout, it is never held back to 4 ms.
const pauseChannel = new MessageChannel();
const resumes = [];
pauseChannel.port1.onmessage = function () {
  const resume = resumes.shift();
  if (resume) resume();
};

const engine = startKorvane(KorvaneEngine, {
  send: function (line) { postMessage(line); },
  log: function (text) { console.warn(text); },
  yieldNow: function () {
    return new Promise(function (resume) {
      resumes.push(resume);
      pauseChannel.port2.postMessage(0);
    });
  },
  onExit: function () { close(); },
  onAbort: function (what) { postMessage('info string engine error: ' + what); },
});

onmessage = function (event) { engine.post(event.data); };
