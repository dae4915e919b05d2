// Runs xterm.js's headless terminal on a corpus file for term_bench.
//   node xterm_runner.js throughput FILE   -> "bytes cpu-seconds" (best of 3)
//   node --expose-gc xterm_runner.js memory FILE -> "bytes" retained by the terminal
// NODE_PATH must reach the @xterm/headless package.
'use strict';
const fs = require('fs');
const { Terminal } = require('@xterm/headless');

const [mode, file] = process.argv.slice(2);
const data = new Uint8Array(fs.readFileSync(file));
const CHUNK = 8192;

function make() {
  return new Terminal({ cols: 120, rows: 40, scrollback: 10000, allowProposedApi: true });
}

// Writes the whole corpus in 8192-byte chunks; resolves when it is parsed.
function feed(term) {
  return new Promise((resolve) => {
    for (let at = 0; at < data.length; at += CHUNK) {
      const end = Math.min(at + CHUNK, data.length);
      if (end === data.length) term.write(data.subarray(at, end), resolve);
      else term.write(data.subarray(at, end));
    }
    if (data.length === 0) resolve();
  });
}

async function throughput() {
  let best = Infinity;
  for (let run = 0; run < 3; run++) {
    const term = make();
    // Processor time of the process (its helper threads too), as the C++
    // side measures its own.
    const t0 = process.cpuUsage();
    await feed(term);
    const d = process.cpuUsage(t0);
    const seconds = (d.user + d.system) / 1e6;
    best = Math.min(best, seconds);
    term.dispose();
  }
  console.log(`${data.length} ${best}`);
}

function used() {
  const m = process.memoryUsage();
  return m.heapUsed + m.arrayBuffers + m.external;
}

async function memory() {
  global.gc();
  const before = used();
  const term = make();
  await feed(term);
  global.gc();
  const after = used();
  console.log(`${after - before}`);
  term.dispose();
}

(mode === 'memory' ? memory() : throughput()).catch((e) => {
  console.error(e);
  process.exit(1);
});
