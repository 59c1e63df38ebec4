// The browser version in the three engines visitors use, each from Debian:
// Chromium (Blink), Firefox ESR (Gecko) and WebKitGTK (WebKit), driven by
// the small adapters in engines/; the page is served from build/web/site by
// a small static server of this script's own.
//
//   node browser.mjs ENGINE CASE SITE_DIR [RENDER_TOOL WORKDIR]
//
// ENGINE is chromium, firefox or webkit. CASE is one of live-320, live-640,
// still, pixels, reduced-motion, missing-wasm (in every engine) or
// no-context, hidden, bad-parameters, visitor, visits (Chromium only: they
// need Playwright's page, with its init scripts, routes and touch screens).
//
// An engine's adapter starts the browser and opens pages on it:
// open({width, height, ratio, mobile, reducedMotion}) gives a page with
// goto(url), evaluate(fn, arg), press(key or 'Shift+B'), click(selector),
// screenshot() (a PNG of the viewport in device pixels) and close();
// canShow(screen) says whether the engine can be set to that screen.
import {spawnSync} from 'node:child_process';
import {mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {inflateSync} from 'node:zlib';

import {serve} from './static_server.mjs';

const [engineName, testCase, siteDir, renderTool, workdir] = process.argv.slice(2);

function check(condition, message) {
  if (!condition) throw new Error(message);
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Until fn(arg) is true in the page: through evaluate, which every engine's
// page has (Playwright's too).
async function waitFor(page, what, fn, arg = null, timeout = 20000) {
  const end = Date.now() + timeout;
  while (!(await page.evaluate(fn, arg))) {
    check(Date.now() < end, `no ${what} within ${timeout} ms`);
    await sleep(50);
  }
}
const exitStatus = (page) => page.evaluate(() => document.documentElement.dataset.exitStatus);
const message = (page) => page.evaluate(() => document.getElementById('message').textContent);

// The canvas's pixels as 0xRRGGBB words (alpha checked to be opaque). They
// are read from a copy: the page's canvas gets its context from the page
// (opaque, {alpha: false}), and a test that asked first would give it one of
// its own.
async function canvasPixels(page) {
  const {width, height, data} = await page.evaluate(() => {
    const canvas = document.createElement('canvas');
    const screen = document.getElementById('screen');
    canvas.width = screen.width;
    canvas.height = screen.height;
    const copy = canvas.getContext('2d');
    copy.drawImage(screen, 0, 0);
    const image = copy.getImageData(0, 0, canvas.width, canvas.height);
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

// The colours the colour mapping can produce (the one list the native tests
// use too), as a 24-bit display shows them: without the top byte.
const mappingColours = new Set(
  readFileSync(new URL('../doubles/mapping_colours.inc', import.meta.url), 'latin1')
    .split('\n').filter((line) => !line.startsWith('//'))
    .flatMap((line) => line.match(/0x[0-9A-Fa-f]{8}/g) || [])
    .map((word) => Number(word) & 0xFFFFFF));
function checkOracle(pixels) {
  const bad = pixels.words.findIndex((c) => !mappingColours.has(c));
  check(bad < 0, `pixel ${bad} has colour ${bad < 0 ? '' : pixels.words[bad].toString(16)}, ` +
                 'which the colour mapping cannot produce');
}
function same(a, b) {
  return a.words.length === b.words.length && a.words.every((c, i) => c === b.words[i]);
}

// An 8-bit RGB or RGBA PNG without interlacing (a file or its bytes), as
// 0xRRGGBB words.
function readPng(file) {
  const png = Buffer.isBuffer(file) ? file : readFileSync(file);
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
  await waitFor(page, 'picture on the canvas', () => {
    const canvas = document.createElement('canvas');  // a copy, as canvasPixels reads
    const screen = document.getElementById('screen');
    canvas.width = screen.width;
    canvas.height = screen.height;
    const copy = canvas.getContext('2d');
    copy.drawImage(screen, 0, 0);
    const data = copy.getImageData(0, 0, canvas.width, canvas.height).data;
    for (let i = 0; i < data.length; i += 4) if (data[i] | data[i + 1] | data[i + 2]) return true;
    return false;
  });
}

// The frame ombrith-render writes for these arguments.
function rendered(args) {
  const dir = mkdtempSync(path.join(workdir || tmpdir(), 'still-'));
  try {
    const run = spawnSync(renderTool, [...args, '--out', dir], {encoding: 'utf8'});
    check(run.status === 0, `ombrith-render ${args.join(' ')}: ${run.stderr}`);
    return readPng(run.stdout.trim().split('\n')[0]);
  } finally {
    rmSync(dir, {recursive: true});
  }
}

// The cases every engine runs. Each opens the pages it needs on the engine.
const cases = {
  async live(engine, base, variant) {
    const page = await engine.open();
    await page.goto(base + 'index.html?variant=' + variant);
    await untilDrawn(page);
    const first = await canvasPixels(page);
    const size = variant === '640' ? [640, 480] : [320, 240];
    check(first.width === size[0] && first.height === size[1],
          `canvas is ${first.width}x${first.height}`);
    checkOracle(first);
    await sleep(300);
    const second = await canvasPixels(page);
    checkOracle(second);
    check(!same(first, second), 'the lenses did not move between two reads');
    // Keys go into the key ring and are read one per frame; Escape ends the
    // demo after them.
    for (const key of ['a', 'Shift+B', 'ArrowLeft', 'F5', 'Numpad7']) await page.press(key);
    const pressed = Date.now();
    await page.press('Escape');
    await waitFor(page, 'end after Escape',
                  () => document.documentElement.dataset.exitStatus !== undefined, null, 5000);
    const elapsed = Date.now() - pressed;
    const status = await exitStatus(page);
    check(status === '0', `exitStatus is ${status}`);
    check(elapsed < 1000, `the demo ended ${elapsed} ms after Escape`);
    const text = await message(page);
    check(/ended/.test(text), `the page says "${text}"`);
    console.log(`live ${variant}: ended ${elapsed} ms after Escape`);
  },

  async still(engine, base) {
    const page = await engine.open();
    const stills = [
      {variant: 320, seed: '1', time: '0'},
      {variant: 320, seed: '4242', time: '7.25'},
      {variant: 320, seed: '99.5', picture: true},
      {variant: 640, seed: '1', time: '123.456'},
      {variant: 640, seed: '777', time: '3600'},
      {variant: 640, seed: '5', picture: true},
    ];
    for (const s of stills) {
      const expected = rendered(['--variant', String(s.variant), '--seed', s.seed,
                                 ...(s.picture ? ['--picture'] : ['--time', s.time])]);
      const query = `variant=${s.variant}&seed=${s.seed}` + (s.picture ? '&picture' : `&time=${s.time}`);
      await page.goto(base + 'index.html?' + query);
      await waitFor(page, 'still frame', () => document.documentElement.dataset.frame === 'ready');
      const drawn = await canvasPixels(page);
      check(drawn.width === expected.width && drawn.height === expected.height,
            `${query}: canvas ${drawn.width}x${drawn.height}`);
      const differing = drawn.words.filter((c, i) => c !== expected.words[i]).length;
      check(differing === 0, `${query}: ${differing} pixels differ from ombrith-render`);
    }
  },

  // Every source pixel the same whole number of device pixels at common
  // pixel ratios and on a phone, the picture inside the viewport; smoothly
  // smaller when not even one device pixel per source pixel fits. Each
  // engine shows the screens it can be set to.
  async pixels(engine, base) {
    const screens = [
      {width: 1366, height: 768, ratio: 1},
      {width: 1536, height: 864, ratio: 1.25},
      {width: 1280, height: 800, ratio: 1.25},
      {width: 1280, height: 720, ratio: 1.5},
      {width: 1000, height: 700, ratio: 2},
      {width: 412, height: 915, ratio: 2.625, mobile: true},
      {width: 390, height: 844, ratio: 3, mobile: true},
      {width: 390, height: 844, ratio: 1, mobile: true},
    ];
    for (const screen of screens) {
      const name = `${screen.width}x${screen.height} x${screen.ratio}` +
                   (screen.mobile ? ' phone' : '');
      if (!engine.canShow(screen)) {
        console.log(`${name}: not a screen this engine can be set to`);
        continue;
      }
      const shot = await engine.open(screen);
      for (const variant of [320, 640]) {
        const label = `${variant} at ${name}`;
        await shot.goto(base + `index.html?variant=${variant}&seed=3&time=5`);
        await waitFor(shot, 'still frame',
                      () => document.documentElement.dataset.frame === 'ready');
        const source = await canvasPixels(shot);
        const box = await shot.evaluate(() => {
          const r = document.getElementById('screen').getBoundingClientRect();
          return {left: r.left, top: r.top, right: r.right, bottom: r.bottom,
                  width: innerWidth, height: innerHeight, ratio: devicePixelRatio};
        });
        check(box.width === screen.width && box.height === screen.height &&
              box.ratio === screen.ratio,
              `${label}: the engine shows ${box.width}x${box.height} x${box.ratio}`);
        check(box.left >= 0 && box.top >= 0 && box.right <= box.width + 1e-6 &&
              box.bottom <= box.height + 1e-6, `${label}: the canvas leaves the viewport`);
        const factor = Math.floor(Math.min(screen.width * screen.ratio / source.width,
                                           screen.height * screen.ratio / source.height));
        if (factor < 1) continue;  // scaled down smoothly: no whole pixels to check
        const seen = readPng(await shot.screenshot());
        // Where the picture lies on the screen: the box of non-black pixels
        // (the colour mapping has no black).
        let left = seen.width, top = seen.height, right = -1, bottom = -1;
        for (let y = 0; y < seen.height; ++y) {
          for (let x = 0; x < seen.width; ++x) {
            if (seen.words[y * seen.width + x] === 0) continue;
            left = Math.min(left, x); right = Math.max(right, x);
            top = Math.min(top, y); bottom = Math.max(bottom, y);
          }
        }
        const shownWidth = right - left + 1, shownHeight = bottom - top + 1;
        check(shownWidth === source.width * factor && shownHeight === source.height * factor,
              `${label}: the picture covers ${shownWidth}x${shownHeight} device pixels, not ` +
              `${source.width * factor}x${source.height * factor}`);
        let differing = 0;
        for (let y = 0; y < shownHeight; ++y) {
          for (let x = 0; x < shownWidth; ++x) {
            const expected = source.words[Math.floor(y / factor) * source.width + Math.floor(x / factor)];
            if (seen.words[(top + y) * seen.width + left + x] !== expected) ++differing;
          }
        }
        check(differing === 0, `${label}: ${differing} device pixels are not their source ` +
                               `pixel at ${factor}x${factor}`);
        console.log(`${label}: ${factor} device pixels per source pixel, uniform`);
      }
      await shot.close();
    }
  },

  // With reduced motion asked for, the page waits on the set-up picture the
  // demo starts from, as the render tool draws it for that seed, with the
  // start control focused; started, it moves.
  async 'reduced-motion'(engine, base) {
    const page = await engine.open({reducedMotion: true});
    await page.goto(base + 'index.html?variant=320');
    await untilDrawn(page);
    const still = await canvasPixels(page);
    const held = await page.evaluate(() => {
      const start = document.getElementById('start');
      return {label: document.getElementById('screen').getAttribute('aria-label'),
              start: !start.hidden && start.getBoundingClientRect().height > 0,
              focused: document.activeElement === start};
    });
    check(held.start && held.focused, 'the start control is not shown and focused');
    const seed = /the set-up picture of seed (\S+),/.exec(held.label);
    check(seed, `the picture is labelled "${held.label}"`);
    const expected = rendered(['--variant', '320', '--seed', seed[1], '--picture']);
    const differing = still.words.filter((c, i) => c !== expected.words[i]).length;
    check(differing === 0, `${differing} pixels differ from the set-up picture of seed ${seed[1]}`);
    await sleep(400);
    check(same(still, await canvasPixels(page)), 'with reduced motion the picture moves');
    await page.click('#start');
    await sleep(400);
    check(!same(still, await canvasPixels(page)), 'the start control did not start the demo');
  },

  // A site without its WebAssembly names the file and what to do, having
  // asked for it once.
  async 'missing-wasm'(engine, base, argument, server) {
    const page = await engine.open();
    server.missing.add('/ombrith640.wasm');
    await page.goto(base + 'index.html?variant=640');
    await waitFor(page, 'message', () => !document.getElementById('message').hidden, null, 10000);
    const text = await message(page);
    check(/ombrith640\.wasm could not be loaded \(HTTP 404\).*make serve/.test(text),
          `without its .wasm the page says "${text}"`);
    const asked = server.asked.get('/ombrith640.wasm');
    check(asked === 1, `the .wasm was asked for ${asked} times`);
  },
};

// The cases only Chromium runs, on Playwright's own page.
const chromiumCases = {
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


  async 'bad-parameters'(page, base) {
    for (const [query, says] of [['variant=800', /unknown variant "800"/],
                                 ['variant=640&seed=abc&time=1', /seed needs a finite number/],
                                 ['seed=1', /either time=T or picture/],
                                 ['seed=-1&picture', /seed -1 is not a seed/],
                                 ['seed=0x10&time=1', /seed needs a finite number/],
                                 ['seed=%205&time=1', /seed needs a finite number/],
                                 ['seed=3&time=1e39', /cannot be drawn/],
                                 ['seed=1&time=2&colour=red', /unknown parameter "colour"/]]) {
      await page.goto(base + 'index.html?' + query);
      await page.waitForFunction(() => !document.getElementById('message').hidden, null,
                                 {timeout: 10000});
      const text = await page.textContent('#message');
      check(says.test(text), `${query}: the page says "${text}"`);
    }
    // Without page.js, or with a module script cut short, the page names the
    // file and what to do (a fresh context: the cut script's error is meant).
    const cut = await page.context().browser().newContext();
    const broken = await cut.newPage();
    await broken.route('**/page.js', (route) => route.fulfill({status: 404, body: ''}));
    await broken.route('**/ombrith320.js', async (route) => {
      const body = await (await route.fetch()).text();
      return route.fulfill({contentType: 'text/javascript', body: body.slice(0, body.length / 2)});
    });
    for (const [file, says] of [['page.js', /page\.js, did not load.*make serve/],
                                ['ombrith320.js', /ombrith320\.js is damaged \(.+\).*make serve/]]) {
      await broken.goto(base + 'index.html');
      await broken.waitForFunction(() => [...document.querySelectorAll('#message, #unloaded')]
        .some((e) => !e.hidden && getComputedStyle(e).visibility === 'visible'), null,
                                   {timeout: 10000});
      const said = await broken.evaluate(() => document.body.innerText);
      check(says.test(said), `with ${file} missing or cut short the page says "${said}"`);
      await broken.unroute('**/page.js');
    }
    await cut.close();
  },

  // A visit as a visitor makes it, on a display that refreshes 144 times a
  // second: at most 60 frames a second; next to no work while the page is
  // visible but not focused; the browser's shortcuts left alone; a click
  // asks for full screen; after Escape the pointer is back and the message
  // stays off the picture.
  async visitor(page, base) {
    await page.addInitScript(() => {
      const counts = window.__counts = {frames: 0, clock: 0, fullScreen: 0};
      const now = window.__now = performance.now.bind(performance);
      performance.now = () => { ++counts.clock; return now(); };
      window.requestAnimationFrame = (callback) => setTimeout(() => callback(now()), 1000 / 144);
      const put = CanvasRenderingContext2D.prototype.putImageData;
      CanvasRenderingContext2D.prototype.putImageData = function (...args) {
        ++counts.frames;
        return put.apply(this, args);
      };
      Element.prototype.requestFullscreen = function () {
        ++counts.fullScreen;
        return Promise.resolve();
      };
    });
    await page.goto(base + 'index.html?variant=320');
    await untilDrawn(page);
    // Rates over the time that passed in the page between the two readings
    // (on a loaded machine more than the time asked for).
    const counts = () => page.evaluate(() => ({...window.__counts, at: window.__now()}));
    const over = async (ms) => {
      const a = await counts();
      await page.waitForTimeout(ms);
      const b = await counts();
      const seconds = (b.at - a.at) / 1000;
      return {frames: (b.frames - a.frames) / seconds, clock: (b.clock - a.clock) / seconds};
    };
    const running = await over(2000);
    check(running.frames <= 61, `${running.frames} frames a second on a 144 Hz display`);
    check(running.frames >= 20, `only ${running.frames} frames a second`);

    const setFocus = (focused) => page.evaluate((f) => {
      document.hasFocus = () => f;
      window.dispatchEvent(new Event(f ? 'focus' : 'blur'));
    }, focused);
    await setFocus(false);
    await page.waitForTimeout(300);
    const unfocused = await over(2000);
    check(unfocused.frames === 0, `${unfocused.frames} frames a second without the focus`);
    check(unfocused.clock <= 5, `${unfocused.clock} clock reads a second without the focus`);
    await setFocus(true);
    const refocused = await over(500);
    check(refocused.frames > 0, 'no frame after the focus came back');

    const cancelled = await page.evaluate(() => [
      ['KeyR', {ctrlKey: true}], ['F5', {}], ['KeyL', {ctrlKey: true}], ['ArrowLeft', {altKey: true}],
      ['Tab', {}], ['F11', {}], ['Minus', {ctrlKey: true}], ['KeyA', {}], ['ArrowLeft', {}],
    ].map(([code, modifiers]) => [code + (Object.keys(modifiers)[0] || ''),
      !window.dispatchEvent(new KeyboardEvent('keydown', {code, cancelable: true, ...modifiers}))]));
    const wrong = cancelled.filter(([name, prevented]) =>
      prevented !== (name === 'KeyA' || name === 'ArrowLeft'));
    check(wrong.length === 0, `keys cancelled (or not) wrongly: ${JSON.stringify(wrong)}`);

    await page.click('#screen');
    check((await counts()).fullScreen === 1, 'a click did not ask for full screen');

    await page.mouse.move(20, 20);
    await page.mouse.move(60, 40);
    await page.waitForFunction(() => getComputedStyle(document.getElementById('screen')).cursor === 'none',
                               null, {timeout: 5000});
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.documentElement.dataset.exitStatus !== undefined,
                               null, {timeout: 5000});
    const after = await page.evaluate(() => {
      const canvas = document.getElementById('screen').getBoundingClientRect();
      const message = document.getElementById('message').getBoundingClientRect();
      return {cursor: getComputedStyle(document.getElementById('screen')).cursor,
              status: document.documentElement.dataset.exitStatus,
              overlap: message.top < canvas.bottom - 1e-6 && message.bottom > canvas.top};
    });
    check(after.status === '0', `exitStatus is ${after.status}`);
    check(after.cursor !== 'none', 'the pointer stays hidden after the end');
    check(!after.overlap, 'the end message covers the picture');
    console.log(`visitor: ${running.frames} frames/s at 144 Hz; without the focus ` +
                `${unfocused.clock} clock reads/s`);
  },


  // Three visits show three patterns (the seed comes from the clock); on a
  // touch screen the End control ends the demo as Escape does.
  async visits(page, base, argument, openPage) {
    const phone = await openPage({viewport: {width: 390, height: 844}, deviceScaleFactor: 2,
                                  isMobile: true, hasTouch: true});
    const frames = [];
    const shares = [];
    for (let visit = 0; visit < 3; ++visit) {
      if (visit > 0) await phone.waitForTimeout(1100);  // the next second, so the next seed
      await phone.goto(base + 'index.html?variant=320');
      await untilDrawn(phone);
      frames.push(await canvasPixels(phone));
    }
    // Frames of one seed share the picture outside the lenses (three
    // quarters of the pixels and more); frames of two seeds share little.
    for (let i = 0; i < 3; ++i) {
      for (let j = i + 1; j < 3; ++j) {
        const equal = frames[i].words.filter((c, k) => c === frames[j].words[k]).length /
                      frames[i].words.length;
        check(equal < 0.5, `visits ${i + 1} and ${j + 1} show the same pattern ` +
                           `(${(100 * equal).toFixed(1)}% of the pixels equal)`);
        shares.push((100 * equal).toFixed(1) + '%');
      }
    }
    await phone.tap('#end');
    await phone.waitForFunction(() => document.documentElement.dataset.exitStatus === '0',
                                null, {timeout: 5000});

    // The hint promises full screen only where the page can have it: not on
    // a phone without element full screen (an iPhone), nor in a frame that
    // does not allow it.
    const hints = [];
    for (const without of [null, 'api', 'disallowed']) {
      const visit = without ? await openPage({viewport: {width: 390, height: 844},
                                              deviceScaleFactor: 2, isMobile: true,
                                              hasTouch: true}) : phone;
      if (without === 'api') {
        await visit.addInitScript(() => {
          delete Element.prototype.requestFullscreen;
          delete Element.prototype.webkitRequestFullscreen;
        });
      } else if (without === 'disallowed') {
        await visit.addInitScript(() => {
          Object.defineProperty(Document.prototype, 'fullscreenEnabled', {get: () => false});
          Object.defineProperty(Document.prototype, 'webkitFullscreenEnabled', {get: () => false});
        });
      }
      await visit.goto(base + 'index.html?variant=320');
      await untilDrawn(visit);
      hints.push(await visit.textContent('#hint'));
      if (without) await visit.context().close();
    }
    check(hints[0] === 'Tap for full screen - two-finger tap ends' &&
          hints[1] === 'Two-finger tap ends' && hints[2] === 'Two-finger tap ends',
          `the hints say ${JSON.stringify(hints)}`);
    await phone.context().close();
    console.log(`visits: ${shares.join(', ')} of the pixels equal between visits`);
  },

};

const engines = ['chromium', 'firefox', 'webkit'];
check(engines.includes(engineName), `unknown engine ${engineName}: use ${engines.join(', ')}`);
const [name, argument] = testCase.startsWith('live-') ? testCase.split('-') : [testCase, undefined];
const chromiumOnly = Boolean(chromiumCases[name]);
check(cases[name] || (chromiumOnly && engineName === 'chromium'),
      `unknown case ${testCase} for ${engineName}`);
const server = await serve(path.resolve(siteDir));
const base = `http://127.0.0.1:${server.address().port}/`;
const {start} = await import(`./engines/${engineName}.mjs`);
let engine;
let failed = false;
try {
  engine = await start();
  if (chromiumOnly) {
    await chromiumCases[name](await engine.openPage({}), base, argument, engine.openPage);
  } else {
    await cases[name](engine, base, argument, server);
  }
  check(engine.errors.length === 0, `errors on the page: ${engine.errors.join('; ')}`);
} catch (error) {
  console.error(`${engineName} ${testCase}: ${error.message}`);
  failed = true;
} finally {
  if (engine) await engine.close();
  server.close();
}
process.exit(failed ? 1 : 0);
