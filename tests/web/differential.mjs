// Runs differential programs (native and wasm builds, fast or plain) on the
// same random set-ups and frames and counts the pixels that differ from the
// first run.
//
//   node differential.mjs [--tables] VARIANT SETUPS FRAMES WORKDIR RUN RUN...
//
// A RUN is a program path (a .js file runs under node; one prefixed with
// "arm64:" under qemu through scripts/qemu-arm64.sh), followed by ",plain"
// for the plain algorithm. Items whose hashes differ are dumped by
// both programs and compared pixel by pixel. --tables compares the
// programs' line for the animation, extended operations and tables too.
// Exit status 0 only when no pixel and no such line differs.
import {spawnSync} from 'node:child_process';
import {mkdirSync, readFileSync} from 'node:fs';
import path from 'node:path';

const given = process.argv.slice(2);
const tables = given[0] === '--tables';
const [variant, setups, frames, workdir, ...runs] = tables ? given.slice(1) : given;
mkdirSync(workdir, {recursive: true});
const common = [...(tables ? ['--tables'] : []), variant, setups, frames];
// One line per item, and with --tables one for a long run of the animation,
// extended operations and the lens tables.
const expected = Number(setups) * (1 + Number(frames)) + (tables ? 1 : 0);

const qemu = path.join(path.dirname(new URL(import.meta.url).pathname), '../../scripts/qemu-arm64.sh');

function command(program, args) {
  if (program.endsWith('.js')) return [process.execPath, ['--no-experimental-fetch', program, ...args]];
  if (program.startsWith('arm64:')) return [qemu, [program.slice(6), ...args]];
  return [program, args];
}

function run(target, extra = []) {
  const [program, mode] = target.split(',');
  const args = [...(mode === 'plain' ? ['--plain'] : []), ...common, ...extra];
  const started = Date.now();
  const [file, argv] = command(program, args);
  const result = spawnSync(file, argv, {encoding: 'utf8', maxBuffer: 1 << 28});
  if (result.status !== 0) {
    throw new Error(`${program} ${args.join(' ')} failed (${result.status}): ${result.stderr}`);
  }
  return {lines: result.stdout.trim().split('\n'), seconds: (Date.now() - started) / 1000};
}

function label(target) {
  const [program, mode] = target.split(',');
  const kind = program.endsWith('.js') ? 'wasm' : program.startsWith('arm64:') ? 'arm64' : 'native';
  return kind + (mode === 'plain' ? ' plain' : ' fast');
}

let failed = false;
const reference = run(runs[0]);
for (const target of runs.slice(1)) {
  const other = run(target);
  if (reference.lines.length !== expected || other.lines.length !== expected) {
    console.error(`expected ${expected} items: ${label(runs[0])} gave ${reference.lines.length}, ` +
                  `${label(target)} ${other.lines.length}`);
    process.exit(1);
  }
  let items = 0;
  let pixels = 0;
  for (let k = 0; k < expected; ++k) {
    if (reference.lines[k] === other.lines[k]) continue;
    ++items;
    if (tables && k === expected - 1) {
      console.log('the animation states of 100,000 frames, the extended operations or the lens tables differ');
      continue;
    }
    const fa = path.join(workdir, `a-${k}.bin`);
    const fb = path.join(workdir, `b-${k}.bin`);
    run(runs[0], ['--dump', String(k), fa]);
    run(target, ['--dump', String(k), fb]);
    const pa = new Uint32Array(readFileSync(fa).buffer);
    const pb = new Uint32Array(readFileSync(fb).buffer);
    let count = 0;
    for (let i = 0; i < pa.length; ++i) if (pa[i] !== pb[i]) ++count;
    pixels += count;
    const kind = k % (1 + Number(frames)) === 0 ? 'picture' : 'frame';
    console.log(`item ${k} (${kind}): ${count} pixels differ`);
  }
  console.log(`variant ${variant}, ${setups} set-ups and ${Number(setups) * Number(frames)} frames, ` +
              `${label(runs[0])} (${reference.seconds.toFixed(1)} s) against ${label(target)} ` +
              `(${other.seconds.toFixed(1)} s): ${items} items and ${pixels} pixels differ`);
  if (items !== 0) failed = true;
}
process.exit(failed ? 1 : 0);
