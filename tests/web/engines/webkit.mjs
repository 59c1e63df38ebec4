// Debian's WebKitGTK: its MiniBrowser driven by WebKitWebDriver through
// selenium-webdriver, on an X server of its own (Xvfb). GTK sets the pixel
// ratio in whole steps only (GDK_SCALE) and takes reduced motion from its
// animations setting; both are read at start, so every page is a browser
// started with its own environment.
import {execFile, spawn} from 'node:child_process';
import {mkdirSync, mkdtempSync, rmSync, writeFileSync} from 'node:fs';
import {createServer} from 'node:net';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {Builder, By, Key} from 'selenium-webdriver';

const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function stopped(child) {
  return new Promise((resolve) => {
    if (child.exitCode !== null || child.signalCode !== null) return resolve();
    child.once('exit', resolve);
    child.kill();
  });
}

async function freePort() {
  const server = createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const {port} = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

// WebDriver's names for the keys the tests press.
const keys = {Escape: Key.ESCAPE, ArrowLeft: Key.ARROW_LEFT, ArrowRight: Key.ARROW_RIGHT,
              Enter: Key.ENTER, Shift: Key.SHIFT, Control: Key.CONTROL, Alt: Key.ALT,
              F5: Key.F5, Numpad7: Key.NUMPAD7};

// An X server of its own, with a screen of the given size; resolves to
// {display, server}.
async function startX(width, height) {
  const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', `${width}x${height}x24`,
                                '-nolisten', 'tcp', '-noreset'],
                       {stdio: ['ignore', 'ignore', 'ignore', 'pipe']});
  const display = await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.once('exit', () => reject(new Error('Xvfb did not start')));
    server.stdio[3].once('data', (data) => resolve(data.toString().trim()));
  });
  return {display, server};
}

export async function start() {
  const work = mkdtempSync(path.join(tmpdir(), 'ombrith-webkit-'));
  const open = [];
  return {
    errors: [],  // WebDriver reports no script errors of the page
    canShow: (screen) => !screen.mobile && Number.isInteger(screen.ratio),
    async open({width = 1280, height = 800, ratio = 1, reducedMotion = false} = {}) {
      // The screen is as wide as the viewport and has room for the window's
      // bar above it. Without a window manager the keyboard focus is the
      // window under the pointer, which X starts in the middle of the
      // screen: on the window.
      const x = await startX(width * ratio, (height + 100) * ratio);
      const config = mkdtempSync(path.join(work, 'config-'));
      mkdirSync(path.join(config, 'gtk-3.0'));
      writeFileSync(path.join(config, 'gtk-3.0', 'settings.ini'),
                    `[Settings]\ngtk-enable-animations=${reducedMotion ? 0 : 1}\n`);
      const port = await freePort();
      // Xvfb has no GPU: WebKitGTK's compositing then takes every frame
      // through a slow fallback (5 frames a second on a busy two-core
      // machine); without it the page draws into the window (35 and more).
      // WebDriver's screenshot then waits for a repaint, which a still page
      // never makes: the screenshots are the screen's, taken by ImageMagick.
      const service = spawn('WebKitWebDriver', ['--port=' + port], {
        stdio: 'ignore',
        env: {...process.env, DISPLAY: ':' + x.display, GDK_BACKEND: 'x11',
              GDK_SCALE: String(ratio),
              XDG_CONFIG_HOME: config, XDG_CACHE_HOME: config, XDG_DATA_HOME: config,
              WEBKIT_DISABLE_COMPOSITING_MODE: '1'},
      });
      const serviceFailed = new Promise((resolve, reject) => service.once('error', reject));
      let driver;
      for (let tries = 0; !driver; ++tries) {
        try {
          driver = await Promise.race([serviceFailed, new Builder()
            .usingServer(`http://127.0.0.1:${port}`)
            .withCapabilities({browserName: 'MiniBrowser',
                               'webkitgtk:browserOptions': {binary: miniBrowser,
                                                            args: ['--automation']}})
            .build()]);
        } catch (error) {
          if (tries >= 50 || !/ECONNREFUSED/.test(error.message)) {
            await stopped(service);
            await stopped(x.server);
            throw error;
          }
          await sleep(100);
        }
      }
      // The window is MiniBrowser's bar over the viewport: sized so that the
      // viewport is as asked.
      const window = driver.manage().window();
      await window.setRect({x: 0, y: 0, width, height});
      const inner = await driver.executeScript('return [innerWidth, innerHeight]');
      await window.setRect({width: 2 * width - inner[0], height: 2 * height - inner[1]});
      const rect = await window.getRect();
      const viewport = `${width * ratio}x${height * ratio}+${rect.x * ratio}+` +
                       `${(rect.y + rect.height - height) * ratio}`;
      const entry = {driver, service, x: x.server};
      open.push(entry);
      return {
        goto: (url) => driver.get(url),
        evaluate: (fn, arg) => driver.executeScript(`return (${fn}).apply(null, arguments)`, arg),
        async press(chord) {
          const names = chord.split('+').map((name) => keys[name] || name);
          let actions = driver.actions();
          for (const key of names) actions = actions.keyDown(key);
          for (const key of names.reverse()) actions = actions.keyUp(key);
          await actions.perform();
        },
        click: async (selector) => (await driver.findElement(By.css(selector))).click(),
        screenshot: () => new Promise((resolve, reject) => {
          execFile('import', ['-display', ':' + x.display, '-window', 'root', '-crop', viewport,
                              '+repage', 'png24:-'],
                   {encoding: 'buffer', maxBuffer: 64 << 20},
                   (error, stdout) => (error ? reject(error) : resolve(stdout)));
        }),
        async close() {
          open.splice(open.indexOf(entry), 1);
          try {
            await driver.quit();
          } finally {
            await stopped(service);
            await stopped(x.server);
          }
        },
      };
    },
    async close() {
      for (const entry of open.splice(0)) {
        await entry.driver.quit().catch(() => {});
        await stopped(entry.service);
        await stopped(entry.x);
      }
      rmSync(work, {recursive: true, force: true});
    },
  };
}
