// Runs node-pkware (the npm package) on files, for the interoperability tests and the benchmark.
//   node node_pkware.mjs <package folder> x <stream> <output>
//   node node_pkware.mjs <package folder> i <input> <output> <binary|ascii> <1024|2048|4096>
// Exit code 0 on success; on a failure the package's error text goes to stderr, exit code 1.
import fs from 'fs';
import path from 'path';
import { pathToFileURL } from 'url';

const [, , pkg, op, input, output, type, dict] = process.argv;
const { explode, implode } = await import(pathToFileURL(path.join(pkg, 'dist', 'simple', 'index.js')).href);
const data = fs.readFileSync(input);
const ab = data.buffer.slice(data.byteOffset, data.byteOffset + data.length);
try {
  const sizes = { 1024: 'small', 2048: 'medium', 4096: 'large' };
  const result = op === 'x' ? explode(ab) : implode(ab, type, sizes[dict]);
  fs.writeFileSync(output, Buffer.from(result));
} catch (e) {
  console.error(String(e && e.message ? e.message : e));
  process.exit(1);
}
