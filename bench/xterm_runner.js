// Runs xterm.js's headless terminal on a corpus file for term_bench.
//   node xterm_runner.js throughput FILE
//     -> "result BYTES SECONDS": best processor time of 3 runs after a warm-up
//   node --expose-gc xterm_runner.js memory FILE
//     -> "result BYTES LINES CHARS FED": heap the terminal retains once its
//        scrollback is full (or the corpus could fill no more of it), the
//        scrollback lines it holds, the characters in them, the bytes fed
// The file's bytes go to the terminal as they are (a Uint8Array, decoded as
// UTF-8 by the terminal itself), in 8192-byte writes as our reader makes.
// NODE_PATH must reach the @xterm/headless package. The answer is the line
// starting with "result"; anything else the terminal prints is not it.
'use strict';
const fs = require('fs');
const { Terminal } = require('@xterm/headless');

const [mode, file] = process.argv.slice(2);
// A view of the file's own buffer, not a copy: a copy would leave the
// original to be freed at some later collection, in the middle of the
// memory figure.
const fileBuffer = fs.readFileSync(file);
const data = new Uint8Array(fileBuffer.buffer, fileBuffer.byteOffset, fileBuffer.length);
const CHUNK = 8192;
const ROWS = 40;
const SCROLLBACK = 10000;

function make() {
  // logLevel off: on arbitrary bytes the parser would print every sequence
  // it rejects, which costs the run time and floods the output.
  return new Terminal({ cols: 120, rows: ROWS, scrollback: SCROLLBACK, allowProposedApi: true, logLevel: 'off' });
}

function write(term, bytes) {
  return new Promise((resolve) => term.write(bytes, resolve));
}

// Writes the whole corpus in 8192-byte chunks; resolves when it is parsed.
// xterm.js refuses writes once 50 MB wait unparsed ("write data
// discarded"), so every 1 MiB the feed waits for the terminal to catch up,
// as a well-behaved pty reader would: any size of corpus goes in whole.
async function feed(term) {
  const WAIT_EVERY = 128;
  let chunks = 0;
  for (let at = 0; at < data.length; at += CHUNK) {
    const piece = data.subarray(at, Math.min(at + CHUNK, data.length));
    if (++chunks % WAIT_EVERY === 0) await write(term, piece);
    else term.write(piece);
  }
  await write(term, new Uint8Array(0));
}

function cpuSeconds(since) {
  const d = process.cpuUsage(since);
  return (d.user + d.system) / 1e6;
}

async function throughput() {
  let best = Infinity;
  // The first run warms the JIT and is not counted.
  for (let run = 0; run < 4; run++) {
    const term = make();
    // Processor time of the process (its helper threads too), as the C++
    // side measures its own.
    const t0 = process.cpuUsage();
    await feed(term);
    const seconds = cpuSeconds(t0);
    if (run > 0) best = Math.min(best, seconds);
    term.dispose();
  }
  console.log(`result ${data.length} ${best}`);
}

function used() {
  const m = process.memoryUsage();
  return m.heapUsed + m.arrayBuffers + m.external;
}

function scrollbackLines(term) {
  return Math.max(0, term.buffer.normal.length - term.rows);
}

// The corpus, repeated as often as needed, until the scrollback holds its
// full 10,000 lines; the same rule as term_bench applies to our screen:
// stop at the first chunk that fills it, give up after `budget` bytes or a
// whole pass that added no line.
// Collects, lets finalizers free what they hold, collects again.
async function settle() {
  global.gc();
  await new Promise((resolve) => setImmediate(resolve));
  global.gc();
}

async function memory() {
  const budget = Math.max(64 << 20, 4 * data.length);
  await settle();
  const before = used();
  const term = make();
  let fed = 0;
  while (data.length > 0 && scrollbackLines(term) < SCROLLBACK && fed < budget) {
    const passStart = scrollbackLines(term);
    let grew = false;
    for (let at = 0; at < data.length && scrollbackLines(term) < SCROLLBACK; at += CHUNK) {
      const end = Math.min(at + CHUNK, data.length);
      await write(term, data.subarray(at, end));
      fed += end - at;
      if (scrollbackLines(term) > passStart) grew = true;
    }
    if (!grew) break;
  }
  await settle();
  const after = used();
  const lines = scrollbackLines(term);
  let chars = 0;
  for (let i = 0; i < lines; i++) chars += term.buffer.normal.getLine(i).translateToString(true).length;
  console.log(`result ${after - before} ${lines} ${chars} ${fed}`);
  term.dispose();
}

(mode === 'memory' ? memory() : throughput()).catch((e) => {
  console.error(e);
  process.exit(1);
});
