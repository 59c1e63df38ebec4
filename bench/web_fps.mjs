// Frames per second of the live page in headless Chromium (Debian's), for
// both variants: the page's canvas puts are counted over a few seconds after
// a warm-up. Headless Chromium paces animation frames at its own rate (60
// per second unless the machine is slower), which caps the result.
//
//   node bench/web_fps.mjs [SITE_DIR] [SECONDS]
import {createRequire} from 'node:module';
import {mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';

import {serve} from '../tests/web/static_server.mjs';

const require = createRequire(new URL('../tests/web/package.json', import.meta.url));
const {chromium} = require('playwright-core');

const siteDir = path.resolve(process.argv[2] || 'build/web/site');
const seconds = Number(process.argv[3] || 5);
const server = await serve(siteDir);
const userData = mkdtempSync(path.join(tmpdir(), 'ombrith-fps-'));
const context = await chromium.launchPersistentContext(userData, {
  executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  for (const variant of [320, 640]) {
    const page = await context.newPage();
    await page.bringToFront();
    await page.addInitScript(() => {
      window.canvasPuts = 0;
      const put = CanvasRenderingContext2D.prototype.putImageData;
      CanvasRenderingContext2D.prototype.putImageData = function (...args) {
        window.canvasPuts += 1;
        return put.apply(this, args);
      };
    });
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html?variant=${variant}`);
    await page.waitForFunction(() => window.canvasPuts > 30, null, {timeout: 30000});
    const before = await page.evaluate(() => [window.canvasPuts, performance.now()]);
    await page.waitForTimeout(seconds * 1000);
    const after = await page.evaluate(() => [window.canvasPuts, performance.now()]);
    const fps = (after[0] - before[0]) * 1000 / (after[1] - before[1]);
    console.log(`ombrith${variant} in headless Chromium: ${fps.toFixed(1)} frames per second`);
    await page.close();
  }
} finally {
  await context.close();
  server.close();
  rmSync(userData, {recursive: true, force: true});
}
