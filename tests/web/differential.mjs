// Runs the native and the wasm differential programs on the same random
// set-ups and frames and counts the pixels that differ.
//
//   node differential.mjs NATIVE WASM_JS VARIANT SETUPS FRAMES WORKDIR
//
// Items whose hashes differ are dumped by both programs and compared pixel
// by pixel. Exit status 0 only when no pixel differs.
import {spawnSync} from 'node:child_process';
import {mkdirSync, readFileSync} from 'node:fs';
import path from 'node:path';

const [native, wasm, variant, setups, frames, workdir] = process.argv.slice(2);
mkdirSync(workdir, {recursive: true});

function run(program, args) {
  const command = program.endsWith('.js') ? process.execPath : program;
  const full = program.endsWith('.js') ? ['--no-experimental-fetch', program, ...args] : args;
  const started = Date.now();
  const result = spawnSync(command, full, {encoding: 'utf8', maxBuffer: 1 << 28});
  if (result.status !== 0) {
    throw new Error(`${program} ${args.join(' ')} failed (${result.status}): ${result.stderr}`);
  }
  return {lines: result.stdout.trim().split('\n'), seconds: (Date.now() - started) / 1000};
}

const args = [variant, setups, frames];
const a = run(native, args);
const b = run(wasm, args);
const expected = Number(setups) * (1 + Number(frames));
if (a.lines.length !== expected || b.lines.length !== expected) {
  console.error(`expected ${expected} items, native gave ${a.lines.length}, wasm ${b.lines.length}`);
  process.exit(1);
}

let differingItems = 0;
let differingPixels = 0;
for (let k = 0; k < expected; ++k) {
  if (a.lines[k] === b.lines[k]) continue;
  ++differingItems;
  const fa = path.join(workdir, `native-${k}.bin`);
  const fb = path.join(workdir, `wasm-${k}.bin`);
  run(native, [...args, '--dump', String(k), fa]);
  run(wasm, [...args, '--dump', String(k), fb]);
  const pa = new Uint32Array(readFileSync(fa).buffer);
  const pb = new Uint32Array(readFileSync(fb).buffer);
  let count = 0;
  for (let i = 0; i < pa.length; ++i) if (pa[i] !== pb[i]) ++count;
  differingPixels += count;
  const kind = k % (1 + Number(frames)) === 0 ? 'picture' : 'frame';
  console.log(`item ${k} (${kind}): ${count} pixels differ`);
}
console.log(`variant ${variant}: ${expected} items (${setups} set-ups, ${Number(setups) * Number(frames)} frames), ` +
            `${differingItems} differing, ${differingPixels} differing pixels; ` +
            `native ${a.seconds.toFixed(1)} s, wasm ${b.seconds.toFixed(1)} s`);
process.exit(differingPixels === 0 && differingItems === 0 ? 0 : 1);
