// node-pkware's figures for the DCL benchmark, measured in-process from memory.
//   node node_pkware_bench.mjs <package folder> explode <stream> [seconds]
//   node node_pkware_bench.mjs <package folder> implode <file> <binary|ascii> <1024|2048|4096> [seconds]
// Prints one line of key=value pairs (MB/s: best of repeated runs, of output for explode, of input for
// implode; ratio: compressed / original). "error=..." when the package fails.
// The package's stream interface is used (its one-shot "simple" interface takes quadratic time on
// megabyte inputs); the input is fed in 64 KiB chunks from memory, as a file stream would deliver it.
// Its stream interface pads its output with zeros to a multiple of 4096 bytes: the implode ratio counts
// the stream up to its last non-zero byte (an implode stream ends with the end code's eight 1 bits).
import path from 'path';
import fs from 'fs';
import { Readable } from 'stream';
import { pathToFileURL } from 'url';

const [, , pkg, op, file, a, b, c] = process.argv;
const lib = await import(pathToFileURL(path.join(pkg, 'dist', 'index.js')).href);
const data = fs.readFileSync(file);
const dicts = { 1024: lib.DictionarySize.Small, 2048: lib.DictionarySize.Medium, 4096: lib.DictionarySize.Large };
const budget = Number(op === 'explode' ? a ?? 2 : c ?? 2);

function chunks(buffer) {
  const out = [];
  for (let i = 0; i < buffer.length; i += 65536) out.push(buffer.subarray(i, i + 65536));
  return out;
}
const pieces = chunks(data);

function run() {
  const handler =
    op === 'explode'
      ? lib.explode()
      : lib.implode(a === 'ascii' ? lib.Compression.Ascii : lib.Compression.Binary, dicts[b]);
  return new Promise((resolve, reject) => {
    Readable.from(pieces)
      .pipe(lib.stream.through(handler).on('error', reject))
      .pipe(lib.stream.toBuffer(resolve))
      .on('error', reject);
  });
}

try {
  let best = Infinity;
  let total = 0;
  let runs = 0;
  let result;
  while (runs < 2 || (total < budget && runs < 50)) {
    const t0 = process.hrtime.bigint();
    result = await run();
    const s = Number(process.hrtime.bigint() - t0) / 1e9;
    best = Math.min(best, s);
    total += s;
    runs++;
  }
  if (op === 'explode') {
    console.log(`op=explode in=${data.length} out=${result.length} mbs=${(result.length / best / 1e6).toFixed(1)}`);
  } else {
    let end = result.length;
    while (end > 0 && result[end - 1] === 0) end--;
    const ratio = (end / data.length).toFixed(4);
    console.log(`op=implode in=${data.length} out=${end} ratio=${ratio} mbs=${(data.length / best / 1e6).toFixed(2)}`);
  }
} catch (e) {
  console.log(`op=${op} error=${String(e && e.message ? e.message : e).replace(/\s+/g, '_')}`);
}
