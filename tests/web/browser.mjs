// The browser version in Debian's Chromium (headless), driven by
// playwright-core; the page is served from build/web/site by a small static
// server of this script's own.
//
//   node browser.mjs CASE SITE_DIR [RENDER_TOOL WORKDIR]
//
// CASE is one of: live-320, live-640, no-context, hidden, still,
// bad-parameters.
import {spawnSync} from 'node:child_process';
import {createServer} from 'node:http';
import {mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {inflateSync} from 'node:zlib';
import {chromium} from 'playwright-core';

const [testCase, siteDir, renderTool, workdir] = process.argv.slice(2);

function check(condition, message) {
  if (!condition) throw new Error(message);
}

const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
               '.wasm': 'application/wasm'};

function serve(root) {
  const server = createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, name === '/' ? 'index.html' : name);
    if (!file.startsWith(root + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = readFileSync(file);
      response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// The canvas's pixels as 0xRRGGBB words (alpha checked to be opaque).
async function canvasPixels(page) {
  const {width, height, data} = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const image = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    let text = '';
    for (let i = 0; i < image.data.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, image.data.subarray(i, i + 0x8000));
    }
    return {width: canvas.width, height: canvas.height, data: btoa(text)};
  });
  const bytes = Buffer.from(data, 'base64');
  const words = new Uint32Array(width * height);
  for (let i = 0; i < words.length; ++i) {
    check(bytes[4 * i + 3] === 255, `pixel ${i} is not opaque`);
    words[i] = (bytes[4 * i] << 16) | (bytes[4 * i + 1] << 8) | bytes[4 * i + 2];
  }
  return {width, height, words};
}

// The colours the colour mapping can produce, as a 24-bit display shows
// them: red r decides green (255 - r) and blue (256 / r rounded, carrying
// into green for r = 1); red 0 shows as pure green, and at exactly half way
// red and green both round to 128.
const mappingColours = new Set([0x808002]);
for (let r = 0; r < 256; ++r) {
  const b = r === 0 ? 0 : Math.round(256 / r);
  mappingColours.add(((r << 16) + ((255 - r) << 8) + b) & 0xFFFFFF);
}
function checkOracle(pixels) {
  const bad = pixels.words.findIndex((c) => !mappingColours.has(c));
  check(bad < 0, `pixel ${bad} has colour ${bad < 0 ? '' : pixels.words[bad].toString(16)}, ` +
                 'which the colour mapping cannot produce');
}
function same(a, b) {
  return a.words.length === b.words.length && a.words.every((c, i) => c === b.words[i]);
}

// An 8-bit RGB or RGBA PNG without interlacing, as 0xRRGGBB words.
function readPng(file) {
  const png = readFileSync(file);
  let offset = 8;
  let width = 0, height = 0, channels = 0;
  const chunks = [];
  while (offset < png.length) {
    const length = png.readUInt32BE(offset);
    const type = png.toString('latin1', offset + 4, offset + 8);
    const body = png.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      check(body[8] === 8 && (body[9] === 2 || body[9] === 6) && body[12] === 0,
            `${file}: not an 8-bit RGB(A) PNG without interlacing`);
      channels = body[9] === 2 ? 3 : 4;
    } else if (type === 'IDAT') {
      chunks.push(body);
    }
    offset += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(chunks));
  const stride = width * channels;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? rows[y * stride + x - channels] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = a;
      else if (filter === 2) predictor = b;
      else if (filter === 3) predictor = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      rows[y * stride + x] = (line[x] + predictor) & 0xFF;
    }
  }
  const words = new Uint32Array(width * height);
  for (let i = 0; i < words.length; ++i) {
    words[i] = (rows[i * channels] << 16) | (rows[i * channels + 1] << 8) | rows[i * channels + 2];
  }
  return {width, height, words};
}

async function untilDrawn(page) {
  await page.waitForFunction(() => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    for (let i = 0; i < data.length; i += 4) if (data[i] | data[i + 1] | data[i + 2]) return true;
    return false;
  }, null, {timeout: 20000});
}

const cases = {
  async live(page, base, variant) {
    await page.goto(base + 'index.html?variant=' + variant);
    await untilDrawn(page);
    const first = await canvasPixels(page);
    const size = variant === '640' ? [640, 480] : [320, 240];
    check(first.width === size[0] && first.height === size[1],
          `canvas is ${first.width}x${first.height}`);
    checkOracle(first);
    await page.waitForTimeout(300);
    const second = await canvasPixels(page);
    checkOracle(second);
    check(!same(first, second), 'the lenses did not move between two reads');
    // Keys go into the key ring and are read one per frame; Escape ends the
    // demo after them.
    for (const key of ['a', 'Shift+B', 'ArrowLeft', 'F5', 'Numpad7']) await page.keyboard.press(key);
    const pressed = Date.now();
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.documentElement.dataset.exitStatus !== undefined,
                               null, {timeout: 5000});
    const elapsed = Date.now() - pressed;
    const status = await page.evaluate(() => document.documentElement.dataset.exitStatus);
    check(status === '0', `exitStatus is ${status}`);
    check(elapsed < 1000, `the demo ended ${elapsed} ms after Escape`);
    const text = await page.textContent('#message');
    check(/ended/.test(text), `the page says "${text}"`);
    console.log(`live ${variant}: ended ${elapsed} ms after Escape`);
  },

  async 'no-context'(page, base) {
    await page.addInitScript(() => {
      HTMLCanvasElement.prototype.getContext = () => null;
    });
    await page.goto(base + 'index.html?variant=640');
    await page.waitForFunction(() => document.documentElement.dataset.exitStatus !== undefined,
                               null, {timeout: 20000});
    const status = await page.evaluate(() => document.documentElement.dataset.exitStatus);
    check(status === '-1', `exitStatus is ${status}`);
    const text = await page.textContent('#message');
    check(/2D drawing context/.test(text), `the page says "${text}"`);
  },

  async hidden(page, base) {
    await page.goto(base + 'index.html?variant=320');
    await untilDrawn(page);
    const setHidden = (hidden) => page.evaluate((h) => {
      Object.defineProperty(document, 'visibilityState',
                            {configurable: true, get: () => (h ? 'hidden' : 'visible')});
      document.dispatchEvent(new Event('visibilitychange'));
    }, hidden);
    await setHidden(true);
    await page.waitForTimeout(200);  // the frame under way is finished
    const a = await canvasPixels(page);
    await page.waitForTimeout(500);
    const b = await canvasPixels(page);
    check(same(a, b), 'a hidden page went on drawing');
    await setHidden(false);
    await page.waitForTimeout(500);
    const c = await canvasPixels(page);
    check(!same(b, c), 'the page did not draw again when shown');
  },

  async still(page, base) {
    const stills = [
      {variant: 320, seed: '1', time: '0'},
      {variant: 320, seed: '4242', time: '7.25'},
      {variant: 320, seed: '99.5', picture: true},
      {variant: 640, seed: '1', time: '123.456'},
      {variant: 640, seed: '777', time: '3600'},
      {variant: 640, seed: '5', picture: true},
    ];
    for (const s of stills) {
      const dir = mkdtempSync(path.join(workdir || tmpdir(), 'still-'));
      const args = ['--variant', String(s.variant), '--seed', s.seed, '--out', dir,
                    ...(s.picture ? ['--picture'] : ['--time', s.time])];
      const run = spawnSync(renderTool, args, {encoding: 'utf8'});
      check(run.status === 0, `ombrith-render ${args.join(' ')}: ${run.stderr}`);
      const expected = readPng(run.stdout.trim().split('\n')[0]);
      rmSync(dir, {recursive: true});
      const query = `variant=${s.variant}&seed=${s.seed}` + (s.picture ? '&picture' : `&time=${s.time}`);
      await page.goto(base + 'index.html?' + query);
      await page.waitForFunction(() => document.documentElement.dataset.frame === 'ready',
                                 null, {timeout: 20000});
      const drawn = await canvasPixels(page);
      check(drawn.width === expected.width && drawn.height === expected.height,
            `${query}: canvas ${drawn.width}x${drawn.height}`);
      const differing = drawn.words.filter((c, i) => c !== expected.words[i]).length;
      check(differing === 0, `${query}: ${differing} pixels differ from ombrith-render`);
    }
  },

  async 'bad-parameters'(page, base) {
    for (const [query, says] of [['variant=800', /unknown variant "800"/],
                                 ['variant=640&seed=abc&time=1', /seed needs a finite number/],
                                 ['seed=1', /either time=T or picture/],
                                 ['seed=-1&picture', /seed -1 is not a seed/],
                                 ['seed=3&time=1e39', /cannot be drawn/],
                                 ['seed=1&time=2&colour=red', /unknown parameter "colour"/]]) {
      await page.goto(base + 'index.html?' + query);
      await page.waitForFunction(() => !document.getElementById('message').hidden, null,
                                 {timeout: 10000});
      const text = await page.textContent('#message');
      check(says.test(text), `${query}: the page says "${text}"`);
    }
  },
};

const userData = mkdtempSync(path.join(tmpdir(), 'ombrith-chromium-'));
const server = await serve(path.resolve(siteDir));
const base = `http://127.0.0.1:${server.address().port}/`;
let context;
let failed = false;
try {
  const [name, argument] = testCase.split('-').length === 2 && testCase.startsWith('live-')
    ? testCase.split('-') : [testCase, undefined];
  check(cases[name], `unknown case ${testCase}`);
  context = await chromium.launchPersistentContext(userData, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const page = context.pages()[0] || await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await cases[name](page, base, argument);
  check(errors.length === 0, `errors on the page: ${errors.join('; ')}`);
} catch (error) {
  console.error(`${testCase}: ${error.message}`);
  failed = true;
} finally {
  if (context) await context.close();
  server.close();
  rmSync(userData, {recursive: true, force: true});
}
process.exit(failed ? 1 : 0);
